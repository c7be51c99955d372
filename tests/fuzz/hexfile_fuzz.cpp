// The Intel HEX reader on any file: every pass ends (a record at most per
// line, then a status), never writes past the caller's 255-byte buffer, shows
// a percent of 0 to 100, tells a file cut short only at the end of its data,
// and a second pass after Rewind delivers the same.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/Class_intelhexfile.h"
#include "platform/lasterror.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

struct Record {
  std::uint32_t address;
  std::vector<std::uint8_t> data;
  bool operator==(const Record&) const = default;
};

struct Pass {
  std::vector<Record> records;
  std::uint32_t status = 0;
  bool cutShort = false;
  bool operator==(const Pass&) const = default;
};

Pass ReadPass(TIntelHexFile& reader, std::size_t lines) {
  Pass pass;
  // Exactly as large as the reader may fill, so a byte more is caught.
  auto buffer = std::make_unique<std::uint8_t[]>(TIntelHexFile::kMaxRecordBytes);
  for (std::size_t calls = 0;; ++calls) {
    FUZZ_CHECK(calls <= lines + 1);
    std::uint32_t address = 0;
    std::uint8_t length = 0;
    const int got = reader.ReadRecord(&address, &length, buffer.get());
    FUZZ_CHECK(reader.Percent() <= 100);
    if (got == 0) {
      pass.status = platform::GetLastError();
      FUZZ_CHECK(pass.status == kHexStatusEndOfData || pass.status == kHexStatusNoColon ||
            pass.status == kHexStatusMalformedLine);
      // Only the end of the data can come without its end record, and such
      // an end always names its cause.
      pass.cutShort = reader.CutShort();
      FUZZ_CHECK(!pass.cutShort || (pass.status == kHexStatusEndOfData && !reader.ProblemReport().empty()));
      return pass;
    }
    pass.records.push_back({address, std::vector<std::uint8_t>(buffer.get(), buffer.get() + length)});
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The reader takes a path: the input goes into a file in memory.
  const int fd = ::memfd_create("hexfile-fuzz", MFD_CLOEXEC);
  FUZZ_CHECK(fd >= 0);
  FUZZ_CHECK(::write(fd, data, size) == static_cast<ssize_t>(size));
  const std::string path = "/proc/self/fd/" + std::to_string(fd);

  std::size_t lines = 1;
  for (std::size_t i = 0; i < size; ++i) lines += data[i] == '\n';

  TIntelHexFile reader;
  FUZZ_CHECK(reader.Open(path) == 1);
  const Pass first = ReadPass(reader, lines);
  FUZZ_CHECK(reader.Rewind() == 1);
  FUZZ_CHECK(reader.Percent() == 0);
  FUZZ_CHECK(ReadPass(reader, lines) == first);
  ::close(fd);
  return 0;
}
