#pragma once
// Reads an Intel HEX firmware file (".HEX", ".H86") record by record for the
// download thread: each data record comes out as an absolute address, a
// length and its data bytes. The reader also tells how far the file has been
// read, in percent, for the progress window. It only reads.
//
// Failures are told by a 0 result and a status code in the calling thread's
// last-error value (platform::GetLastError), listed below.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Status codes left in the last-error value.
inline constexpr std::uint32_t kHexStatusEndOfData = 0xFFFFFFFF;  // -1: end-of-file record or end of file
inline constexpr std::uint32_t kHexStatusNoFile = 0xFFFFFFFD;     // -3: no file open
// -4: a line does not start with ":", or the file could not be read further.
inline constexpr std::uint32_t kHexStatusNoColon = 0xFFFFFFFC;
// -5: a line starts with ":" but is not a record that can be trusted: a field
// or data pair that is not hex digits, fewer data pairs than the declared
// length, no checksum or one that does not match, an address record without
// its value, or a line longer than any record. Nothing of such a line is
// delivered.
inline constexpr std::uint32_t kHexStatusMalformedLine = 0xFFFFFFFB;

class TIntelHexFile {
public:
    // The caller's buffer for ReadRecord must hold this many bytes.
    static constexpr std::size_t kMaxRecordBytes = 255;

    TIntelHexFile();
    ~TIntelHexFile();
    TIntelHexFile(const TIntelHexFile&) = delete;
    TIntelHexFile& operator=(const TIntelHexFile&) = delete;

    // Opens the file for reading and counts its lines for the percent. A file
    // already open is closed first; the reader starts at the file's first line.
    // 0 when the file cannot be opened or read (platform error code left in
    // the last-error value), else 1.
    int Open(const std::string& path);

    // Delivers the next data record: its absolute address, its length and up
    // to 255 data bytes into `data`. Address records are applied on the way.
    // 1 for a record; 0 when there is none, with a status code from above.
    int ReadRecord(std::uint32_t* address, std::uint8_t* length, std::uint8_t* data);

    // Back to the first line with base address, line number and percent 0.
    // 0 when no file is open, else 1.
    int Rewind();

    // Lines read × 100 / line count after the latest ReadRecord; 0 to 100.
    std::uint8_t Percent() const { return percent_; }

    // The file of the latest Open.
    const std::string& Path() const { return path_; }
    // The line the latest ReadRecord ended on (1 is the first line).
    std::uint32_t LineNumber() const { return line_number_; }
    // The latest ReadRecord reached the end of the file without an end
    // record. Its status is still the end of the data, but a file copied
    // only in part ends so at a line boundary: no image is taken from it.
    bool CutShort() const { return cut_short_; }
    // What is wrong when the latest Open or ReadRecord failed on the file, or
    // found it cut short; empty otherwise.
    std::string_view Problem() const { return problem_ != nullptr ? problem_ : ""; }
    // The problem as the user is told it: "Line 12 of PATH: problem.", or
    // "PATH: problem." when it concerns the whole file; empty when none.
    std::string ProblemReport() const;

private:
    enum class LineResult { Line, TooLong, End, ReadError };

    int Fail(std::uint32_t status, const char* problem = nullptr);
    void Close();
    void ResetPosition();
    bool CountLines();
    void FillBuffer();
    bool SkipRestOfLine();
    LineResult NextLine(std::string_view& line);
    void AdvanceLine();

    std::string path_;
    const char* problem_ = nullptr;
    std::uint32_t base_address_ = 0;
    std::FILE* file_ = nullptr;
    std::uint8_t percent_ = 0;
    // Lines in the file plus one: a pass ends with one read that finds no line.
    std::uint32_t line_count_ = 0;
    std::uint32_t line_number_ = 0;

    // The file is read in large blocks and split into lines here rather than
    // line by line through the stream, which keeps long files fast.
    std::vector<char> buffer_;
    std::size_t buffer_begin_ = 0;
    std::size_t buffer_end_ = 0;
    bool at_end_of_file_ = false;
    bool read_error_ = false;
    bool skip_rest_of_line_ = false;
    bool cut_short_ = false;
};
