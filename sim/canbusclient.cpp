#include "sim/canbusclient.h"

#include <errno.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/lasterror.h"
#include "platform/trustedfolder.h"

namespace sim {

namespace {

bool Refuse(const std::string& path, const char* why) {
  std::fprintf(stderr, "CAN bus endpoint %s refused: %s\n", path.c_str(), why);
  return false;
}

}  // namespace

CanBusClient::~CanBusClient() {
  if (fd_ >= 0) ::close(fd_);
}

bool CanBusClient::Connect() {
  const char* configured = std::getenv(buswire::kEndpointVariable);
  if (configured == nullptr || *configured != '/') return false;
  const std::string path = configured;
  // The same rule as for the USB device folder, and the socket reached
  // through the folder as it was checked.
  const std::size_t slash = path.find_last_of('/');
  platform::TrustedFolder folder;
  if (!folder.Open(slash == 0 ? "/" : path.substr(0, slash))) return Refuse(path, folder.Refusal().c_str());
  const int fd = folder.Connect(path.substr(slash + 1));
  if (fd < 0) {
    return Refuse(path, platform::GetLastError() == platform::kErrorAccessDenied ? "not a socket of the user's own"
                                                                                 : "no socket");
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
