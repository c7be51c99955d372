#include "sim/canbusclient.h"

#include <errno.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sim {

namespace {

bool Refuse(const std::string& path, const char* why) {
  std::fprintf(stderr, "CAN bus endpoint %s refused: %s\n", path.c_str(), why);
  return false;
}

// The same rule as for the bench's USB folder: a folder (not a link) of the
// user's own that nobody else may write to, and a socket of the user's own.
bool IsTrusted(const std::string& socketPath) {
  const std::string folder = socketPath.substr(0, socketPath.find_last_of('/'));
  struct stat status;
  if (folder.empty() || ::lstat(folder.c_str(), &status) != 0) return Refuse(socketPath, "no folder");
  if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid() ||
      (status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return Refuse(socketPath, "its folder is not the user's own alone");
  }
  if (::lstat(socketPath.c_str(), &status) != 0) return Refuse(socketPath, "no socket");
  if (!S_ISSOCK(status.st_mode) || status.st_uid != ::geteuid()) {
    return Refuse(socketPath, "not a socket of the user's own");
  }
  return true;
}

}  // namespace

CanBusClient::~CanBusClient() {
  if (fd_ >= 0) ::close(fd_);
}

bool CanBusClient::Connect() {
  const char* configured = std::getenv(buswire::kEndpointVariable);
  if (configured == nullptr || *configured != '/') return false;
  const std::string path = configured;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path || !IsTrusted(path)) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  // The endpoint answers at once with the bus's bit rate. It joins the bus
  // first, so frames may come before the answer: they went out before the
  // connection was made, and are passed over.
  const timeval bound{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
  buswire::Packet info;
  bool told = false;
  while (!told && Receive(info)) told = info.flags == buswire::kBusInfo;
  const timeval none{0, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &none, sizeof none);
  if (!told) {
    ::close(fd_);
    fd_ = -1;
    return Refuse(path, "no bus behind it");
  }
  bitRate_ = info.id;
  return true;
}

bool CanBusClient::Send(const buswire::Packet& packet) {
  std::uint8_t bytes[buswire::kPacketSize];
  buswire::Encode(packet, bytes);
  return fd_ >= 0 && ::send(fd_, bytes, sizeof bytes, MSG_NOSIGNAL) == sizeof bytes;
}

bool CanBusClient::Receive(buswire::Packet& packet) {
  std::uint8_t bytes[buswire::kPacketSize];
  for (;;) {
    const ssize_t size = ::recv(fd_, bytes, sizeof bytes, 0);
    if (size < 0 && errno == EINTR) continue;
    if (size <= 0) return false;
    if (static_cast<std::size_t>(size) != sizeof bytes) continue;
    packet = buswire::Decode(bytes);
    return true;
  }
}

void CanBusClient::Shutdown() {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

}  // namespace sim
