// Reads a generated 16 MiB Intel HEX file with TIntelHexFile (Open and every
// ReadRecord, bytes placed into an image) and converts the same file with
// `objcopy -I ihex -O binary`, in the same run, and prints both times and
// their ratio. Both results are checked against the binary the file was made
// from. Usage: hexreader_bench [runs]
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "app/Class_intelhexfile.h"
#include "platform/lasterror.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kHexFileSize = 16 * 1024 * 1024;
constexpr std::size_t kRecordBytes = 16;  // what objcopy writes by default

class HexWriter {
public:
    explicit HexWriter(std::string& out) : out_(out) {}

    void Record(std::uint8_t type, std::uint16_t address, const std::uint8_t* bytes,
                std::size_t count) {
        sum_ = 0;
        out_ += ':';
        Byte(static_cast<std::uint8_t>(count));
        Byte(static_cast<std::uint8_t>(address >> 8));
        Byte(static_cast<std::uint8_t>(address));
        Byte(type);
        for (std::size_t i = 0; i < count; ++i) Byte(bytes[i]);
        Byte(static_cast<std::uint8_t>(-sum_));
        out_ += '\n';
    }

private:
    void Byte(std::uint8_t value) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        out_ += kDigits[value >> 4];
        out_ += kDigits[value & 0x0F];
        sum_ = static_cast<std::uint8_t>(sum_ + value);
    }

    std::string& out_;
    std::uint8_t sum_ = 0;
};

// Random data from address 0 on, in 16-byte records with a linear address
// record at every 64 KiB, until the text reaches kHexFileSize.
std::string MakeHexFile(std::vector<std::uint8_t>& binary) {
    std::string text;
    text.reserve(kHexFileSize + 64);
    HexWriter writer(text);
    std::mt19937 random(1);
    std::uint8_t bytes[kRecordBytes];
    for (std::uint32_t address = 0; text.size() < kHexFileSize; address += kRecordBytes) {
        if (address % 0x10000 == 0 && address != 0) {
            const std::uint8_t upper[] = {static_cast<std::uint8_t>(address >> 24),
                                          static_cast<std::uint8_t>(address >> 16)};
            writer.Record(0x04, 0, upper, 2);
        }
        for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
        binary.insert(binary.end(), std::begin(bytes), std::end(bytes));
        writer.Record(0x00, static_cast<std::uint16_t>(address), bytes, kRecordBytes);
    }
    writer.Record(0x01, 0, nullptr, 0);
    return text;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One full pass of the reader, as the download thread makes it.
bool ReadWithReader(const std::string& path, std::vector<std::uint8_t>& image) {
    TIntelHexFile reader;
    if (reader.Open(path) == 0) return false;
    std::uint32_t address;
    std::uint8_t length;
    std::uint8_t data[TIntelHexFile::kMaxRecordBytes];
    while (reader.ReadRecord(&address, &length, data) != 0) {
        if (std::size_t{address} + length > image.size()) return false;
        std::copy(data, data + length, image.begin() + address);
    }
    return platform::GetLastError() == kHexStatusEndOfData;
}

bool RunObjcopy(const std::string& hexPath, const std::string& binPath) {
    const char* argv[] = {"objcopy", "-I", "ihex", "-O", "binary", hexPath.c_str(), binPath.c_str(),
                          nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, "objcopy", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::uint8_t> ReadBinary(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename Run>
double BestOf(int runs, Run run) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        if (!run()) return -1;
        best = std::min(best, SecondsSince(start));
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::string dirPattern = (fs::temp_directory_path() / "hexreader-bench-XXXXXX").string();
    if (mkdtemp(dirPattern.data()) == nullptr) return 2;
    const fs::path dir = dirPattern;
    const std::string hexPath = (dir / "image.hex").string();
    const std::string binPath = (dir / "image.bin").string();

    std::vector<std::uint8_t> binary;
    std::ofstream(hexPath, std::ios::binary) << MakeHexFile(binary);

    std::vector<std::uint8_t> image(binary.size(), 0xFF);
    const double ours = BestOf(runs, [&] { return ReadWithReader(hexPath, image); });
    const double objcopy = BestOf(runs, [&] { return RunObjcopy(hexPath, binPath); });
    const bool oursRight = ours >= 0 && image == binary;
    const bool objcopyRight = objcopy >= 0 && ReadBinary(binPath) == binary;
    fs::remove_all(dir);

    std::printf("HEX file: %zu bytes, %zu data bytes, best of %d runs\n", kHexFileSize,
                binary.size(), runs);
    if (!oursRight || !objcopyRight) {
        std::printf("FAILED: %s\n", !oursRight ? "TIntelHexFile did not give back the binary"
                                               : "objcopy did not run or gave a different binary");
        return 1;
    }
    const double ratio = ours / objcopy;
    std::printf("TIntelHexFile (Open + ReadRecord): %8.1f ms\n", ours * 1e3);
    std::printf("objcopy -I ihex -O binary:        %8.1f ms\n", objcopy * 1e3);
    std::printf("ratio ours/objcopy: %.3f (%s)\n", ratio,
                ratio <= 1.0 ? "not slower: target met" : "SLOWER than objcopy");
    return 0;
}
