#pragma once
// Helpers shared by every store of the platform that keeps a text file (the
// INI files, the registry): file stamps, whole-file reads and atomic
// replacement, directory locks, and the ASCII case folding the Windows
// stores compare names with.
//
// Failures leave a code in the last-error value (lasterror.h).
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

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
// a crash never leaves half a file. Keeps the permissions of the old file; a
// file without write permission is not replaced (kErrorAccessDenied).
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
// No line break and no NUL: text a line of the stores' files can hold.
bool IsSingleLine(std::string_view text);

}  // namespace platform
