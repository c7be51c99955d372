#include "app/Class_intelhexfile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "platform/lasterror.h"

namespace {

// Block size of the file reads; far above the longest line we accept.
constexpr std::size_t kBlockSize = 64 * 1024;
// The longest record is 521 characters (":", 8 header digits, 255 data pairs,
// the checksum). Lines up to this length are parsed, so that a record with
// trailing blanks or a CR still reads; longer lines are malformed.
constexpr std::size_t kMaxLineLength = 1024;
// ":" + length, address and type digits: the data start here.
constexpr std::size_t kHeaderLength = 9;

enum RecordType : std::uint8_t {
    kData = 0x00,
    kEndOfFile = 0x01,
    kExtendedSegmentAddress = 0x02,
    kExtendedLinearAddress = 0x04,
};

constexpr std::uint8_t kNotHex = 0xFF;

constexpr std::array<std::uint8_t, 256> MakeHexDigitTable() {
    std::array<std::uint8_t, 256> table{};
    table.fill(kNotHex);
    for (int i = 0; i < 10; ++i) table['0' + i] = static_cast<std::uint8_t>(i);
    for (int i = 0; i < 6; ++i) {
        table['a' + i] = static_cast<std::uint8_t>(10 + i);
        table['A' + i] = static_cast<std::uint8_t>(10 + i);
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> kHexDigit = MakeHexDigitTable();

// Decodes `digits` hex digits at `text` into `value`; false when one is not a
// hex digit. The caller makes sure the characters are there.
bool DecodeHex(const char* text, int digits, std::uint32_t& value) {
    std::uint32_t result = 0;
    for (int i = 0; i < digits; ++i) {
        const std::uint8_t digit = kHexDigit[static_cast<unsigned char>(text[i])];
        if (digit == kNotHex) return false;
        result = (result << 4) | digit;
    }
    value = result;
    return true;
}

// Decodes `count` pairs of hex digits at the start of `text` into `bytes`;
// false when the text holds fewer pairs or one is not hex.
bool DecodeBytes(std::string_view text, std::size_t count, std::uint8_t* bytes) {
    if (text.size() < 2 * count) return false;
    const char* pair = text.data();
    for (std::size_t i = 0; i < count; ++i, pair += 2) {
        const std::uint8_t high = kHexDigit[static_cast<unsigned char>(pair[0])];
        const std::uint8_t low = kHexDigit[static_cast<unsigned char>(pair[1])];
        if ((high | low) > 0x0F) return false;  // one of them is kNotHex
        bytes[i] = static_cast<std::uint8_t>((high << 4) | low);
    }
    return true;
}

struct RecordHeader {
    std::uint32_t length;
    std::uint32_t address;
    std::uint32_t type;
};

bool DecodeHeader(std::string_view line, RecordHeader& header) {
    if (line.size() < kHeaderLength) return false;
    const char* digits = line.data() + 1;
    return DecodeHex(digits, 2, header.length) && DecodeHex(digits + 2, 4, header.address) &&
           DecodeHex(digits + 6, 2, header.type);
}

// The 16-bit value of an address record, in the four digits after the header.
bool DecodeAddressValue(std::string_view line, std::uint32_t& value) {
    return line.size() >= kHeaderLength + 4 && DecodeHex(line.data() + kHeaderLength, 4, value);
}

std::uint32_t OpenErrorCode(int error) {
    return error == ENOENT || error == ENOTDIR ? platform::kErrorFileNotFound
                                               : platform::kErrorAccessDenied;
}

// A Ctrl-Z ends a text file, as the files' home systems read them; what
// follows it is not part of the file.
constexpr char kEndOfText = '\x1A';

// The wrapping sum of a record's header and data bytes.
std::uint8_t RecordSum(const RecordHeader& header, const std::uint8_t* bytes) {
    std::uint32_t sum = header.length + (header.address >> 8) + header.address + header.type;
    for (std::uint32_t i = 0; i < header.length; ++i) sum += bytes[i];
    return static_cast<std::uint8_t>(sum);
}

// The bytes up to the first Ctrl-Z.
std::size_t BeforeEndOfText(const char* bytes, std::size_t count) {
    const auto* stop = static_cast<const char*>(std::memchr(bytes, kEndOfText, count));
    return stop != nullptr ? static_cast<std::size_t>(stop - bytes) : count;
}

}  // namespace

int TIntelHexFile::Fail(std::uint32_t status, const char* problem) {
    problem_ = problem;
    platform::SetLastError(status);
    return 0;
}

TIntelHexFile::TIntelHexFile() = default;

TIntelHexFile::~TIntelHexFile() { Close(); }

std::string TIntelHexFile::ProblemReport() const {
    if (problem_ == nullptr) return {};
    const std::string where =
        line_number_ > 0 && !cut_short_ ? "Line " + std::to_string(line_number_) + " of " + path_ : path_;
    return where + ": " + problem_ + ".";
}

void TIntelHexFile::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

int TIntelHexFile::Open(const std::string& path) {
    Close();
    path_ = path;
    file_ = std::fopen(path.c_str(), "r");
    if (file_ == nullptr) return Fail(OpenErrorCode(errno), "the file cannot be opened");
    buffer_.resize(kBlockSize);
    // A stream that cannot be counted or rewound (a directory, a pipe) cannot
    // be read twice for download and verify either: refuse it here.
    if (!CountLines() || std::fseek(file_, 0, SEEK_SET) != 0) {
        const int error = errno;
        Close();
        return Fail(OpenErrorCode(error), "the file cannot be read");
    }
    ResetPosition();
    return 1;
}

// The line count is the number of lines plus one, so that the read that finds
// no more lines ends the pass at 100 percent.
bool TIntelHexFile::CountLines() {
    std::uint64_t newlines = 0;
    char last = '\n';
    std::size_t read;
    while ((read = std::fread(buffer_.data(), 1, buffer_.size(), file_)) > 0) {
        const std::size_t kept = BeforeEndOfText(buffer_.data(), read);
        newlines += static_cast<std::uint64_t>(std::count(buffer_.data(), buffer_.data() + kept, '\n'));
        if (kept > 0) last = buffer_[kept - 1];
        if (kept < read) break;
    }
    if (std::ferror(file_)) return false;
    const std::uint64_t lines = newlines + (last != '\n' ? 1 : 0);
    line_count_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(lines + 1, UINT32_MAX));
    return true;
}

void TIntelHexFile::ResetPosition() {
    std::clearerr(file_);
    problem_ = nullptr;
    base_address_ = 0;
    line_number_ = 0;
    percent_ = 0;
    buffer_begin_ = buffer_end_ = 0;
    at_end_of_file_ = false;
    read_error_ = false;
    skip_rest_of_line_ = false;
    cut_short_ = false;
}

int TIntelHexFile::Rewind() {
    if (file_ == nullptr || std::fseek(file_, 0, SEEK_SET) != 0) return 0;
    ResetPosition();
    return 1;
}

void TIntelHexFile::AdvanceLine() {
    ++line_number_;
    const std::uint64_t percent = std::uint64_t{line_number_} * 100 / line_count_;
    // Only a file that grew after Open could go past 100.
    percent_ = static_cast<std::uint8_t>(std::min<std::uint64_t>(percent, 100));
}

// Moves the unread rest of the buffer to its start and appends the next block.
void TIntelHexFile::FillBuffer() {
    const std::size_t unread = buffer_end_ - buffer_begin_;
    std::memmove(buffer_.data(), buffer_.data() + buffer_begin_, unread);
    buffer_begin_ = 0;
    buffer_end_ = unread;
    const std::size_t wanted = buffer_.size() - unread;
    const std::size_t read = std::fread(buffer_.data() + unread, 1, wanted, file_);
    const std::size_t kept = BeforeEndOfText(buffer_.data() + unread, read);
    buffer_end_ += kept;
    if (kept < read) {
        at_end_of_file_ = true;
    } else if (read < wanted) {
        if (std::ferror(file_)) {
            read_error_ = true;
        } else {
            at_end_of_file_ = true;
        }
    }
}

// Drops what is left of a line that was too long to keep.
bool TIntelHexFile::SkipRestOfLine() {
    for (;;) {
        const char* begin = buffer_.data() + buffer_begin_;
        const auto* newline =
            static_cast<const char*>(std::memchr(begin, '\n', buffer_end_ - buffer_begin_));
        if (newline != nullptr) {
            buffer_begin_ += static_cast<std::size_t>(newline - begin) + 1;
            return true;
        }
        buffer_begin_ = buffer_end_;
        if (read_error_) return false;
        if (at_end_of_file_) return true;
        FillBuffer();
    }
}

// The next line without its "\n". A TooLong line gives only its first part;
// `line` stays valid until the next call.
TIntelHexFile::LineResult TIntelHexFile::NextLine(std::string_view& line) {
    if (skip_rest_of_line_) {
        skip_rest_of_line_ = false;
        if (!SkipRestOfLine()) return LineResult::ReadError;
    }
    for (;;) {
        const char* begin = buffer_.data() + buffer_begin_;
        const std::size_t unread = buffer_end_ - buffer_begin_;
        const auto* newline = static_cast<const char*>(std::memchr(begin, '\n', unread));
        if (newline != nullptr) {
            line = std::string_view(begin, static_cast<std::size_t>(newline - begin));
            buffer_begin_ += line.size() + 1;
            return line.size() > kMaxLineLength ? LineResult::TooLong : LineResult::Line;
        }
        if (unread > kMaxLineLength) {
            line = std::string_view(begin, unread);
            buffer_begin_ = buffer_end_;
            skip_rest_of_line_ = true;
            return LineResult::TooLong;
        }
        // A last piece cut short by a read error is not a line we can trust.
        if (read_error_) return LineResult::ReadError;
        if (at_end_of_file_) {
            if (unread == 0) return LineResult::End;
            line = std::string_view(begin, unread);
            buffer_begin_ = buffer_end_;
            return LineResult::Line;
        }
        FillBuffer();
    }
}

int TIntelHexFile::ReadRecord(std::uint32_t* address, std::uint8_t* length, std::uint8_t* data) {
    if (file_ == nullptr) return Fail(kHexStatusNoFile);
    for (;;) {
        AdvanceLine();
        std::string_view line;
        const LineResult result = NextLine(line);
        if (result == LineResult::End) {
            cut_short_ = true;
            return Fail(kHexStatusEndOfData, "the file ends without its end record: it may be cut short");
        }
        if (result == LineResult::ReadError) return Fail(kHexStatusNoColon, "the file cannot be read");
        if (line.empty() || line.front() != ':')
            return Fail(kHexStatusNoColon, "the line does not start with \":\"");
        RecordHeader header;
        if (result == LineResult::TooLong || !DecodeHeader(line, header))
            return Fail(kHexStatusMalformedLine, "the line is not an Intel HEX record");
        // A record is trusted only whole and with a matching checksum: a
        // damaged file must never reach the node.
        std::uint8_t scratch[kMaxRecordBytes];
        std::uint8_t* bytes = header.type == kData ? data : scratch;
        const std::string_view body = line.substr(kHeaderLength);
        std::uint8_t checksum = 0;
        if (!DecodeBytes(body, header.length, bytes) ||
            !DecodeBytes(body.substr(2 * header.length), 1, &checksum))
            return Fail(kHexStatusMalformedLine, "the record's data are cut short or not hex digits");
        if (static_cast<std::uint8_t>(RecordSum(header, bytes) + checksum) != 0)
            return Fail(kHexStatusMalformedLine, "the record's checksum does not match");

        switch (header.type) {
        case kData:
            *address = base_address_ + header.address;
            *length = static_cast<std::uint8_t>(header.length);
            return 1;
        case kEndOfFile:
            return Fail(kHexStatusEndOfData);
        case kExtendedSegmentAddress:
        case kExtendedLinearAddress: {
            std::uint32_t value;
            if (!DecodeAddressValue(line, value))
                return Fail(kHexStatusMalformedLine, "the address record has no address");
            base_address_ = header.type == kExtendedSegmentAddress ? value << 4 : value << 16;
            continue;
        }
        default:
            // Start address and unknown records carry nothing to write.
            *address = base_address_ + header.address;
            *length = 0;
            return 1;
        }
    }
}
