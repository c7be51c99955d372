#include "platform/trustedfolder.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/iochannel.h"
#include "platform/lasterror.h"

namespace platform {

namespace {

constexpr mode_t kWritableByOthers = S_IWGRP | S_IWOTH;

// "a/b//" names the folder "a/b": without the slashes O_NOFOLLOW sees a link
// in the last place (with them the link would be followed).
std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Where a descriptor's folder lies, for messages.
std::string PathOf(int fd) {
  char link[64], path[4096];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t length = ::readlink(link, path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string("a folder above");
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool IsEntryName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

int NoSocket(std::uint32_t error) {
  SetLastError(error);
  return -1;
}

}  // namespace

TrustedFolder::~TrustedFolder() {
  if (fd_ >= 0) ::close(fd_);
}

bool TrustedFolder::Refuse(std::uint32_t error, std::string why) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  refusal_ = std::move(why);
  SetLastError(error);
  return false;
}

bool TrustedFolder::Open(const std::string& path) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  refusal_.clear();
  const std::string folder = WithoutTrailingSlashes(path);
  if (folder.empty()) return Refuse(kErrorFileNotFound, "no folder named");
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd_ < 0) {
    const int error = errno;
    if (error == ELOOP || error == ENOTDIR) {
      struct stat entry;
      const bool link = ::lstat(folder.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode);
      return Refuse(kErrorAccessDenied, link ? "it is a link" : "it is not a folder");
    }
    return Refuse(ErrorFromErrno(error), std::strerror(error));
  }
  struct stat status;
  if (::fstat(fd_, &status) != 0) return Refuse(ErrorFromErrno(errno), std::strerror(errno));
  if (status.st_uid != ::geteuid()) return Refuse(kErrorAccessDenied, "it is not the user's own");
  if ((status.st_mode & kWritableByOthers) != 0) return Refuse(kErrorAccessDenied, "others may write to it");
  return CheckFoldersAbove();
}

// Walks up through ".." of the open folder, so that the folders checked are
// the ones it really lies in, whatever links the path went through.
bool TrustedFolder::CheckFoldersAbove() {
  struct stat child;
  if (::fstat(fd_, &child) != 0) return Refuse(ErrorFromErrno(errno), std::strerror(errno));
  int current = ::dup(fd_);
  for (;;) {
    const int parent = ::openat(current, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(current);
    struct stat status;
    if (parent < 0 || ::fstat(parent, &status) != 0) {
      const int error = errno;
      if (parent >= 0) ::close(parent);
      return Refuse(ErrorFromErrno(error), std::strerror(error));
    }
    if (SameFile(status, child)) {  // the root is its own parent
      ::close(parent);
      return true;
    }
    const bool owned = status.st_uid == ::geteuid() || status.st_uid == 0;
    const bool shared = (status.st_mode & kWritableByOthers) != 0 && (status.st_mode & S_ISVTX) == 0;
    if (!owned || shared) {
      std::string why = PathOf(parent) + (owned ? " above it may be written by others" : " above it is another user's");
      ::close(parent);
      return Refuse(kErrorAccessDenied, std::move(why));
    }
    child = status;
    current = parent;
  }
}

std::vector<std::string> TrustedFolder::Names() const {
  std::vector<std::string> names;
  const int listing = fd_ >= 0 ? ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
  DIR* dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
  if (dir == nullptr) {
    if (listing >= 0) ::close(listing);
    return names;
  }
  while (const dirent* entry = ::readdir(dir)) {
    if (IsEntryName(entry->d_name)) names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  return names;
}

// The socket is checked relative to the open folder and reached through the
// folder's descriptor ("/proc/self/fd/N/name"): a folder swapped in at the
// path is never looked at. Within the folder only this user can swap the
// socket for another; the peer's credentials are checked all the same.
int TrustedFolder::Connect(const std::string& name) const {
  if (fd_ < 0) return NoSocket(kErrorInvalidHandle);
  if (!IsEntryName(name)) return NoSocket(kErrorFileNotFound);
  struct stat status;
  if (::fstatat(fd_, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return NoSocket(ErrorFromErrno(errno));
  if (!S_ISSOCK(status.st_mode)) return NoSocket(kErrorFileNotFound);
  if (status.st_uid != ::geteuid()) return NoSocket(kErrorAccessDenied);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const int length = std::snprintf(address.sun_path, sizeof address.sun_path, "/proc/self/fd/%d/%s", fd_, name.c_str());
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof address.sun_path) {
    return NoSocket(kErrorInvalidParameter);
  }
  const int socket = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (socket < 0) return NoSocket(ErrorFromErrno(errno));
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(socket);
    return NoSocket(error == ECONNREFUSED || error == ENOENT ? kErrorFileNotFound : ErrorFromErrno(error));
  }
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != ::geteuid()) {
    ::close(socket);
    return NoSocket(kErrorAccessDenied);
  }
  return socket;
}

}  // namespace platform
