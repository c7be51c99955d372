#pragma once
// INI files with the Windows rules: section and key names compare without
// regard to case and keep the case they were written with, the first match
// wins, whitespace around names and values is trimmed. Every call reads the
// file as it is on disk and every write saves the whole file at once, keeping
// the other lines and comments as they stand. A Windows name like ".\FORM.INI" is taken relative to the working
// directory, backslashes becoming slashes.
//
// Failures leave a code in the last-error value (lasterror.h): writes return
// false, reads return the caller's default.
//
// The helpers at the end (file stamps, whole-file replacement, directory
// locks) are shared by every store of the platform that keeps a text file.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniFile {
 public:
  explicit IniFile(std::string_view fileName);

  // The file's path as used on this system.
  const std::string& FileName() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view ident,
                         std::string_view defaultValue) const;
  // Reads the leading number of the value: decimal with an optional sign, or
  // hexadecimal after "0x". A value without one gives the default.
  std::int32_t ReadInteger(std::string_view section, std::string_view ident,
                           std::int32_t defaultValue) const;
  // True when the stored number is non-zero.
  bool ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const;

  // Names must be non-empty single lines; a key may not hold '=' and a
  // section may not hold ']'. A value must be a single line.
  bool WriteString(std::string_view section, std::string_view ident, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view ident, std::int32_t value);
  bool WriteBool(std::string_view section, std::string_view ident, bool value);

  // Key names of the section, in file order.
  std::vector<std::string> ReadSection(std::string_view section) const;
  // Section names in file order, each once.
  std::vector<std::string> ReadSections() const;
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view ident) const;

  // Removes every section of that name with all its lines.
  bool EraseSection(std::string_view section);
  // Removes the key from the section. Removing what is not there succeeds.
  bool DeleteKey(std::string_view section, std::string_view ident);

 private:
  std::string path_;
};

// ---- Shared helpers for stores kept in text files ----

// What identifies one version of a file on disk: a save by rename gives a new
// inode, an edit in place a new size or modification time.
struct FileStamp {
  bool exists = false;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  std::int64_t modifiedNs = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOfFile(const std::string& path);

// Reads a whole file. False with kErrorFileNotFound when it does not exist.
bool ReadWholeFile(const std::string& path, std::string* contents);

// Replaces the file by a temporary file in the same directory, written and
// flushed to disk first, so a reader sees either the old or the new file and
// a crash never leaves half a file. Keeps the permissions of the old file.
bool ReplaceFileAtomically(const std::string& path, std::string_view contents);

// Creates a directory and its parents.
bool MakeDirectories(const std::string& path);

// The directory part of a path ("." for a bare name).
std::string DirectoryOf(const std::string& path);

// Holds an advisory lock on a directory while it lives, so that processes
// changing files in it take turns (read, change, save). Waits for the lock.
class DirectoryLock {
 public:
  explicit DirectoryLock(const std::string& directory);
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

 private:
  int fd_ = -1;
};

// ASCII case folding and comparison, as the Windows stores compare names.
std::string FoldCase(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
std::string_view TrimSpaces(std::string_view text);

}  // namespace platform
