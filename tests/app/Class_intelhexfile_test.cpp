#include "app/Class_intelhexfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/lasterror.h"
#include "tests/support/scratch.h"

namespace {

namespace fs = std::filesystem;

struct Record {
    std::uint32_t address;
    std::vector<std::uint8_t> bytes;
    bool operator==(const Record&) const = default;
};

void PrintTo(const Record& record, std::ostream* out) {
    *out << std::hex << "{0x" << record.address << ":";
    for (const std::uint8_t byte : record.bytes) *out << " " << int{byte};
    *out << "}";
}

// A value the reader never leaves, so that a 0 result without a status shows.
constexpr std::uint32_t kNoStatus = 0x5A5A5A5A;

struct Step {
    int result;
    std::uint32_t status;  // kNoStatus when the call left none
    Record record;
    std::uint8_t percent;
};

Step ReadOne(TIntelHexFile& reader) {
    Step step{};
    std::uint8_t data[TIntelHexFile::kMaxRecordBytes];
    std::uint8_t length = 0;
    platform::SetLastError(kNoStatus);
    step.result = reader.ReadRecord(&step.record.address, &length, data);
    step.status = platform::GetLastError();
    if (step.result != 0) step.record.bytes.assign(data, data + length);
    step.percent = reader.Percent();
    return step;
}

struct Pass {
    std::vector<Record> records;
    std::uint32_t status;  // the status of the call that ended the pass
    std::uint8_t percent;
};

// Reads as the download thread does: records until the first 0 result.
Pass ReadPass(TIntelHexFile& reader) {
    Pass pass{};
    for (Step step = ReadOne(reader);; step = ReadOne(reader)) {
        if (step.result == 0) {
            pass.status = step.status;
            pass.percent = step.percent;
            return pass;
        }
        pass.records.push_back(step.record);
    }
}

// A well-formed data record line, checksum included.
std::string DataLine(std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
    std::string line = ":";
    std::uint8_t sum = 0;
    const auto put = [&](std::uint8_t field) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        line += kDigits[field >> 4];
        line += kDigits[field & 0x0F];
        sum = static_cast<std::uint8_t>(sum + field);
    };
    put(static_cast<std::uint8_t>(bytes.size()));
    put(static_cast<std::uint8_t>(address >> 8));
    put(static_cast<std::uint8_t>(address));
    put(0x00);
    for (const std::uint8_t byte : bytes) put(byte);
    put(static_cast<std::uint8_t>(-sum));
    return line + "\n";
}

std::vector<std::uint8_t> Iota(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

class IntelHexFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch_.Created()); }

    std::string WriteFile(const std::string& name, const std::string& content) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    benchtest::TempDir scratch_{"hexreader"};
    const fs::path& dir_ = scratch_.Path();
    TIntelHexFile reader_;
};

struct EdgeCase {
    const char* name;
    std::string text;
    std::vector<Record> records;
    std::uint32_t status;
};

TEST_F(IntelHexFileTest, DeliversRecordsAndEndsWithStatus) {
    const std::vector<std::uint8_t> full = Iota(255);
    const EdgeCase cases[] = {
        {"empty file", "", {}, kHexStatusEndOfData},
        {"end-of-file record ends the pass, later lines unread",
         ":0100000011EE\n:00000001FF\nnot a record\n", {{0x0, {0x11}}}, kHexStatusEndOfData},
        {"no end-of-file record: end of file ends the pass",
         ":0100000011EE\n:0100010022DC\n", {{0x0, {0x11}}, {0x1, {0x22}}}, kHexStatusEndOfData},
        {"last line without newline", ":0100000011EE", {{0x0, {0x11}}}, kHexStatusEndOfData},
        {"extended segment address 0x1000", ":020000021000EC\n:0100000022DD\n",
         {{0x10000, {0x22}}}, kHexStatusEndOfData},
        {"extended linear address 0x0001", ":020000040001F9\n:0100000033CC\n:00000001FF\n",
         {{0x10000, {0x33}}}, kHexStatusEndOfData},
        {"a linear base replaces a segment base",
         ":020000021000EC\n:020000040002F8\n:0101000044BA\n", {{0x20100, {0x44}}},
         kHexStatusEndOfData},
        {"wrong checksum ends the pass before the record", ":0100000011EE\n:0200100001020000\n",
         {{0x0, {0x11}}}, kHexStatusMalformedLine},
        {"wrong checksum of an address record", ":020000040001F8\n:0100000011EE\n", {},
         kHexStatusMalformedLine},
        {"no checksum", ":0100000011\n", {}, kHexStatusMalformedLine},
        {"a line of Ctrl-Z ends the file", ":0100000011EE\n\x1A", {{0x0, {0x11}}}, kHexStatusEndOfData},
        {"nothing after a Ctrl-Z is read", ":0100000011EE\n\x1A\nnot a record\n", {{0x0, {0x11}}},
         kHexStatusEndOfData},
        {"a Ctrl-Z inside a record cuts it", ":0100000011\x1A" "EE\n", {}, kHexStatusMalformedLine},
        {"text after the checksum is ignored", ":0100000011EE   ; boot vector\n",
         {{0x0, {0x11}}}, kHexStatusEndOfData},
        {"lower-case digits", ":02abcd00feed9b\n", {{0xABCD, {0xFE, 0xED}}}, kHexStatusEndOfData},
        {"CRLF line ends", ":020000040001F9\r\n:02000A000102F1\r\n:00000001FF\r\n",
         {{0x1000A, {0x01, 0x02}}}, kHexStatusEndOfData},
        {"data record of length 0", ":00123400BA\n", {{0x1234, {}}}, kHexStatusEndOfData},
        {"start address records are empty records",
         ":020000040001F9\n:0400000512345678E3\n:0400000300001234B3\n",
         {{0x10000, {}}, {0x10000, {}}}, kHexStatusEndOfData},
        {"a record of 255 bytes is read whole", DataLine(0xFF00, full) + ":00000001FF\n",
         {{0xFF00, full}}, kHexStatusEndOfData},
        {"line without colon after a record", ":0100000011EE\n0100010022DC\n:0100020033CA\n",
         {{0x0, {0x11}}}, kHexStatusNoColon},
        {"empty line", ":0100000011EE\n\n:00000001FF\n", {{0x0, {0x11}}}, kHexStatusNoColon},
        {"data pair that is not hex", ":0100000011EE\n:020010001G2200\n", {{0x0, {0x11}}},
         kHexStatusMalformedLine},
        {"declared length longer than the line", ":10000000010203\n", {},
         kHexStatusMalformedLine},
        {"declared length cut by the line's CR", ":030000000102\r\n", {},
         kHexStatusMalformedLine},
        {"segment record without its value", ":02000002\n", {}, kHexStatusMalformedLine},
        {"linear record with half a value", ":0200000400\n", {}, kHexStatusMalformedLine},
        {"header too short", ":1000\n", {}, kHexStatusMalformedLine},
        {"bare colon", ":\n", {}, kHexStatusMalformedLine},
        {"header digit not hex", ":1X00000000\n", {}, kHexStatusMalformedLine},
        {"header with a sign", ":-1000000\n", {}, kHexStatusMalformedLine},
        {"line longer than any record", ":0100000011" + std::string(2000, '0') + "\n", {},
         kHexStatusMalformedLine},
    };
    for (const EdgeCase& edge : cases) {
        SCOPED_TRACE(edge.name);
        ASSERT_EQ(reader_.Open(WriteFile("case.hex", edge.text)), 1);
        const Pass pass = ReadPass(reader_);
        EXPECT_EQ(pass.records, edge.records);
        EXPECT_EQ(pass.status, edge.status);
    }
}

TEST_F(IntelHexFileTest, TellsWhichLineOfWhichFileIsBadAndWhy) {
    struct Case {
        std::string text;
        std::uint32_t line;
        std::string problem;
    };
    const Case cases[] = {
        {":0100000011EE\n:0100010022DD\n", 2, "the record's checksum does not match"},
        {":020000040001F9\n:0100000011EE\n\x7F" "ELF\n", 3, "the line does not start with \":\""},
        {":0100000011EE\n:10000000010203\n", 2, "the record's data are cut short or not hex digits"},
        {":0100000011EE\n:00000001FF\n", 2, ""},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.text);
        const std::string path = WriteFile("bad.hex", bad.text);
        ASSERT_EQ(reader_.Open(path), 1);
        ReadPass(reader_);
        EXPECT_EQ(reader_.Path(), path);
        EXPECT_EQ(reader_.LineNumber(), bad.line);
        EXPECT_EQ(reader_.Problem(), bad.problem);
    }
}

// The end of the data is told whichever way the file ends; a file that ends
// before its end record is marked cut short, with the cause for the user.
TEST_F(IntelHexFileTest, TellsAFileThatEndsWithoutItsEndRecord) {
    struct Case {
        const char* name;
        std::string text;
        bool cutShort;
    };
    const Case cases[] = {
        {"empty file", "", true},
        {"data records only", ":0100000011EE\n:0100010022DC\n", true},
        {"last line without newline", ":0100000011EE", true},
        {"a Ctrl-Z before the end record", ":0100000011EE\n\x1A\n:00000001FF\n", true},
        {"end record", ":0100000011EE\n:00000001FF\n", false},
        {"end record without newline, then a Ctrl-Z", ":00000001FF\x1A", false},
        {"lines after the end record", ":00000001FF\nnot a record\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteFile("end.hex", c.text);
        ASSERT_EQ(reader_.Open(path), 1);
        EXPECT_EQ(ReadPass(reader_).status, kHexStatusEndOfData);
        EXPECT_EQ(reader_.CutShort(), c.cutShort);
        EXPECT_EQ(reader_.ProblemReport(),
                  c.cutShort ? path + ": the file ends without its end record: it may be cut short." : "");
        // The next pass starts with no verdict of the last.
        ASSERT_EQ(reader_.Rewind(), 1);
        EXPECT_FALSE(reader_.CutShort());
    }
}

TEST_F(IntelHexFileTest, PercentCountsLinesReadOfLinesPlusOne) {
    // Four lines: the line count is 5, and the first record needs two lines.
    ASSERT_EQ(reader_.Open(WriteFile(
                  "a.hex", ":020000040001F9\n:0100000011EE\n:0100010022DC\n:00000001FF\n")),
              1);
    EXPECT_EQ(reader_.Percent(), 0);
    const std::uint8_t expected[] = {40, 60, 80};
    for (const std::uint8_t percent : expected) EXPECT_EQ(ReadOne(reader_).percent, percent);

    ASSERT_EQ(reader_.Open(WriteFile("empty.hex", "")), 1);
    const Step step = ReadOne(reader_);
    EXPECT_EQ(step.status, kHexStatusEndOfData);
    EXPECT_EQ(step.percent, 100);

    // Lines after a Ctrl-Z are not part of the file.
    ASSERT_EQ(reader_.Open(WriteFile("z.hex", ":0100000011EE\n\x1A\n:0100010022DC\n:0100020033CA\n")), 1);
    EXPECT_EQ(ReadOne(reader_).percent, 50);
    EXPECT_EQ(ReadOne(reader_).percent, 100);
}

// A line longer than the read block counts as one line, like any other, and
// the reader finds the next line behind it.
TEST_F(IntelHexFileTest, OverlongLineIsOneLine) {
    for (const char first : {':', '0'}) {
        SCOPED_TRACE(std::string("overlong line starting with ") + first);
        const std::string longLine = first + std::string(200000, '1') + "\n";
        ASSERT_EQ(reader_.Open(WriteFile("long.hex", ":0100000011EE\n" + longLine + ":0100010022DC\n")),
                  1);
        const std::uint32_t longLineStatus = first == ':' ? kHexStatusMalformedLine : kHexStatusNoColon;
        const Step expected[] = {{1, kNoStatus, {0x0, {0x11}}, 25},
                                 {0, longLineStatus, {}, 50},
                                 {1, kNoStatus, {0x1, {0x22}}, 75},
                                 {0, kHexStatusEndOfData, {}, 100}};
        for (const Step& want : expected) {
            const Step got = ReadOne(reader_);
            EXPECT_EQ(got.result, want.result);
            EXPECT_EQ(got.status, want.status);
            if (want.result != 0) {
                EXPECT_EQ(got.record, want.record);
            }
            EXPECT_EQ(got.percent, want.percent);
        }
    }
}

TEST_F(IntelHexFileTest, RewindStartsOverWithBaseZero) {
    const std::string text = ":0100000011EE\n:020000040001F9\n:0100000022DD\n";
    ASSERT_EQ(reader_.Open(WriteFile("a.hex", text)), 1);
    const Pass first = ReadPass(reader_);
    ASSERT_EQ(first.records, (std::vector<Record>{{0x0, {0x11}}, {0x10000, {0x22}}}));

    EXPECT_EQ(reader_.Rewind(), 1);
    EXPECT_EQ(reader_.Percent(), 0);
    const Pass second = ReadPass(reader_);
    EXPECT_EQ(second.records, first.records);
    EXPECT_EQ(second.status, kHexStatusEndOfData);
    EXPECT_EQ(second.percent, 100);
}

TEST_F(IntelHexFileTest, OpeningAnotherFileStartsAfresh) {
    ASSERT_EQ(reader_.Open(WriteFile("a.hex", ":020000040001F9\n:0100000011EE\n")), 1);
    ASSERT_EQ(ReadOne(reader_).record.address, 0x10000u);

    ASSERT_EQ(reader_.Open(WriteFile("b.hex", ":0100200022BD\n")), 1);
    const Pass pass = ReadPass(reader_);
    EXPECT_EQ(pass.records, (std::vector<Record>{{0x20, {0x22}}}));
    EXPECT_EQ(pass.status, kHexStatusEndOfData);
}

TEST_F(IntelHexFileTest, WithoutAnOpenFileNothingIsRead) {
    EXPECT_EQ(ReadOne(reader_).status, kHexStatusNoFile);
    EXPECT_EQ(reader_.Rewind(), 0);

    EXPECT_EQ(reader_.Open((dir_ / "missing.hex").string()), 0);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
    EXPECT_EQ(ReadOne(reader_).status, kHexStatusNoFile);

    // A directory opens as a stream on Linux but cannot be read.
    EXPECT_EQ(reader_.Open(dir_.string()), 0);
    EXPECT_EQ(ReadOne(reader_).status, kHexStatusNoFile);

    // A failed Open leaves no earlier file open either.
    ASSERT_EQ(reader_.Open(WriteFile("a.hex", ":0100000011EE\n")), 1);
    EXPECT_EQ(reader_.Open((dir_ / "missing.hex").string()), 0);
    EXPECT_EQ(ReadOne(reader_).status, kHexStatusNoFile);
}

TEST_F(IntelHexFileTest, ReadErrorEndsThePassWithoutSuccess) {
    const std::string path = WriteFile("a.hex", ":0100000011EE\n:00000001FF\n");
    ASSERT_EQ(reader_.Open(path), 1);
    // Put a directory behind the reader's descriptor: every read now fails.
    const int fd = benchtest::DescriptorOf(path);
    ASSERT_GE(fd, 0);
    const int directory = open(dir_.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(directory, 0);
    ASSERT_EQ(dup2(directory, fd), fd);
    close(directory);

    const Pass pass = ReadPass(reader_);
    EXPECT_TRUE(pass.records.empty());
    EXPECT_EQ(pass.status, kHexStatusNoColon);
}

struct ToolCase {
    const char* name;
    const char* program;
    std::string arguments;  // with {in} and {out} for the file names
    std::uint32_t offset;   // address of the binary's first byte in the file
};

std::string Substitute(std::string text, const std::string& field, const std::string& value) {
    const std::size_t at = text.find(field);
    return at == std::string::npos ? text : text.replace(at, field.size(), value);
}

// Files made by other tools, above 64 KiB with their address records, must
// give back exactly the binary they were made from.
TEST_F(IntelHexFileTest, FilesFromOtherToolsGiveBackTheirBinary) {
    std::vector<std::uint8_t> binary(150000);
    std::mt19937 random(7);
    for (std::uint8_t& byte : binary) byte = static_cast<std::uint8_t>(random());
    const std::string binaryPath =
        WriteFile("image.bin", std::string(binary.begin(), binary.end()));
    const std::string hexPath = (dir_ / "image.hex").string();

    const ToolCase cases[] = {
        {"objcopy, linear addresses", OBJCOPY_PROGRAM, "-I binary -O ihex {in} {out}", 0},
        {"objcopy, start below a 64 KiB boundary", OBJCOPY_PROGRAM,
         "-I binary -O ihex --change-addresses 0x7FFF3 {in} {out}", 0x7FFF3},
        {"srec_cat, linear addresses, 255-byte records", SREC_CAT_PROGRAM,
         "{in} -binary -offset 0x12345 -o {out} -intel -obs=255", 0x12345},
        {"srec_cat, segment addresses, 255-byte records", SREC_CAT_PROGRAM,
         "{in} -binary -offset 0x8000 -o {out} -intel -address-length=3 -obs=255", 0x8000},
        {"srec_cat, CRLF line ends", SREC_CAT_PROGRAM,
         "{in} -binary -offset 0x3F000 -o {out} -intel -crlf -obs=32", 0x3F000},
    };
    for (const ToolCase& tool : cases) {
        SCOPED_TRACE(tool.name);
        if (!fs::exists(tool.program)) GTEST_SKIP() << tool.program << " is not installed";
        const std::string command =
            std::string(tool.program) + " " +
            Substitute(Substitute(tool.arguments, "{in}", "'" + binaryPath + "'"), "{out}",
                       "'" + hexPath + "'");
        ASSERT_EQ(std::system(command.c_str()), 0) << command;

        ASSERT_EQ(reader_.Open(hexPath), 1);
        const Pass pass = ReadPass(reader_);
        EXPECT_EQ(pass.status, kHexStatusEndOfData);
        std::vector<std::uint8_t> image(binary.size());
        std::size_t delivered = 0;
        for (const Record& record : pass.records) {
            ASSERT_GE(record.address, tool.offset);
            ASSERT_LE(record.address - tool.offset + record.bytes.size(), image.size());
            std::copy(record.bytes.begin(), record.bytes.end(),
                      image.begin() + (record.address - tool.offset));
            delivered += record.bytes.size();
        }
        EXPECT_EQ(delivered, binary.size());
        EXPECT_TRUE(image == binary);
    }
}

}  // namespace
