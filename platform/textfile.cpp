#include "platform/textfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/lasterror.h"

namespace platform {

namespace {

constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorWriteFault = 29;
constexpr std::uint32_t kErrorDiskFull = 112;

void SetLastErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      SetLastError(kErrorPathNotFound);
      break;
    case EACCES:
    case EPERM:
    case EROFS:
      SetLastError(kErrorAccessDenied);
      break;
    case ENOSPC:
    case EDQUOT:
      SetLastError(kErrorDiskFull);
      break;
    default:
      SetLastError(kErrorWriteFault);
  }
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

void SyncDirectory(const std::string& directory) {
  int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// The file a save must replace: the target of a symbolic link, so the link
// itself survives.
std::string ResolveLink(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string target(resolved);
  std::free(resolved);
  return target;
}

}  // namespace

std::string FoldCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && FoldCase(a) == FoldCase(b);
}

std::string_view TrimSpaces(std::string_view text) {
  constexpr std::string_view kSpaces = " \t\r\n\f\v";
  std::size_t first = text.find_first_not_of(kSpaces);
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(kSpaces);
  return text.substr(first, last - first + 1);
}

bool IsSingleLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

FileStamp StampOfFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  FileStamp stamp;
  stamp.exists = true;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
  return stamp;
}

bool ReadWholeFile(const std::string& path, std::string* contents) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(errno == ENOENT ? kErrorFileNotFound : kErrorAccessDenied);
    return false;
  }
  contents->clear();
  char buffer[8192];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ::close(fd);
      SetLastError(kErrorAccessDenied);
      return false;
    }
    if (got == 0) break;
    contents->append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return true;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view contents) {
  const std::string target = ResolveLink(path);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  // The rename below could replace a file that may not be written: a file
  // made read-only keeps its content, as Windows keeps it.
  if (exists && ((old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)) {
    SetLastError(kErrorAccessDenied);
    return false;
  }
  std::string temporary = target + ".XXXXXX";
  int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  mode_t mode = exists ? (old.st_mode & 07777) : 0644;
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, contents) && ::fsync(fd) == 0;
  int error = errno;
  ok = (::close(fd) == 0) && ok;
  if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    SetLastErrorFromErrno(error);
    return false;
  }
  SyncDirectory(DirectoryOf(target));
  return true;
}

bool MakeDirectories(const std::string& path) {
  if (path.empty()) return true;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return true;
    SetLastError(kErrorPathNotFound);
    return false;
  }
  std::string parent = DirectoryOf(path);
  if (parent != path && !MakeDirectories(parent)) return false;
  if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

DirectoryLock::DirectoryLock(const std::string& directory) {
  fd_ = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
}

DirectoryLock::~DirectoryLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace platform
