#include "sim/canbusendpoint.h"

#include <errno.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "sim/benchthread.h"
#include "sim/canbuswire.h"

namespace sim {

namespace {

std::string TemporaryRoot() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime != nullptr && *runtime != '\0' ? runtime : "/tmp";
}

buswire::Packet ToPacket(const CanFrame& frame) {
  buswire::Packet packet;
  packet.id = frame.id;
  packet.length = frame.dlc;
  packet.flags = static_cast<std::uint8_t>((frame.remote ? buswire::kRemote : 0) |
                                           (frame.extended ? buswire::kExtended : 0));
  std::memcpy(packet.data, frame.data.data(), sizeof packet.data);
  return packet;
}

CanFrame ToFrame(const buswire::Packet& packet) {
  CanFrame frame;
  frame.id = packet.id;
  frame.dlc = packet.length;
  frame.remote = (packet.flags & buswire::kRemote) != 0;
  frame.extended = (packet.flags & buswire::kExtended) != 0;
  std::memcpy(frame.data.data(), packet.data, sizeof packet.data);
  return frame;
}

bool Report(const char* what) {
  std::fprintf(stderr, "flashwright-sim: CAN bus endpoint: %s: %s\n", what, std::strerror(errno));
  return false;
}

}  // namespace

CanBusEndpoint::CanBusEndpoint(CanBus& bus) : bus_(bus) {}

CanBusEndpoint::~CanBusEndpoint() { Stop(); }

bool CanBusEndpoint::Start() {
  // A fresh folder of the user's own, open to nobody else.
  std::string folder = TemporaryRoot() + "/flashwright-can-XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr) return Report("cannot make its folder");
  folder_ = folder;
  socketPath_ = folder_ + "/bus";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath_.size() >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    Stop();
    return Report("socket path");
  }
  std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
  listener_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 8) != 0) {
    const int error = errno;
    Stop();
    errno = error;
    return Report("cannot offer its socket");
  }
  stopping_ = false;
  acceptThread_ = StartBenchThread("can-endpoint", [this] { AcceptLoop(); });
  return true;
}

void CanBusEndpoint::Stop() {
  stopping_ = true;
  if (listener_ >= 0) ::shutdown(listener_, SHUT_RDWR);  // wakes accept
  if (acceptThread_.joinable()) acceptThread_.join();
  if (listener_ >= 0) ::close(listener_);
  listener_ = -1;
  std::list<std::unique_ptr<Connection>> connections;
  {
    std::lock_guard lock(connectionsMutex_);
    connections.swap(connections_);
  }
  for (auto& connection : connections) {
    connection->peer.Detach();
    ::shutdown(connection->fd, SHUT_RDWR);
    connection->reader.join();
    ::close(connection->fd);
  }
  if (!socketPath_.empty()) ::unlink(socketPath_.c_str());
  if (!folder_.empty()) ::rmdir(folder_.c_str());
  socketPath_.clear();
  folder_.clear();
}

void CanBusEndpoint::AcceptLoop() {
  while (!stopping_) {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // stopped
    }
    auto connection = std::make_unique<Connection>();
    connection->fd = fd;
    // Frames from the bus go out at once; a peer that does not read loses
    // them, as a controller whose buffer is full would. The peer joins the
    // bus before the bit rate is told, so that every frame sent after the
    // other side's connect reaches it.
    connection->peer = bus_.Attach("endpoint", [fd](const BusFrame& received) {
      std::uint8_t packet[buswire::kPacketSize];
      buswire::Encode(ToPacket(received.frame), packet);
      ::send(fd, packet, sizeof packet, MSG_DONTWAIT | MSG_NOSIGNAL);
    });
    buswire::Packet info;
    info.id = bus_.BitRate();
    info.flags = buswire::kBusInfo;
    std::uint8_t packet[buswire::kPacketSize];
    buswire::Encode(info, packet);
    if (::send(fd, packet, sizeof packet, MSG_NOSIGNAL) != sizeof packet) {
      connection->peer.Detach();
      ::close(fd);
      continue;
    }
    Connection& served = *connection;
    std::lock_guard lock(connectionsMutex_);
    connections_.push_back(std::move(connection));
    served.reader = StartBenchThread("can-endpoint", [this, &served] { Serve(served); });
  }
}

// Frames from the connection go onto the bus until it closes; then the peer
// leaves the bus.
void CanBusEndpoint::Serve(Connection& connection) {
  std::uint8_t packet[buswire::kPacketSize];
  for (;;) {
    const ssize_t size = ::recv(connection.fd, packet, sizeof packet, 0);
    if (size < 0 && errno == EINTR) continue;
    if (size <= 0) break;
    if (static_cast<std::size_t>(size) != sizeof packet) continue;
    connection.peer.Send(ToFrame(buswire::Decode(packet)));
  }
  connection.peer.Detach();
}

}  // namespace sim
