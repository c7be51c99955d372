#include "sim/usb/usbdeviceserver.h"

#include <errno.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/lasterror.h"
#include "sim/benchthread.h"

namespace sim {

using platform::IoChannel;
namespace usbwire = platform::usbwire;

namespace {

// How long a host may leave a packet or an answer untaken before the device
// gives up on it. Real time: the bench is no part of the process clock that
// tests speed up.
constexpr auto kSendBound = std::chrono::seconds(1);

platform::Deadline SendDeadline() { return std::chrono::steady_clock::now() + kSendBound; }

bool Fail(std::uint32_t error) {
  platform::SetLastError(error);
  return false;
}

bool FailWithErrno() { return Fail(platform::ErrorFromErrno(errno)); }

bool IsUsableInstance(const std::string& instance) {
  return !instance.empty() && instance.find_first_of("#/\\") == std::string::npos;
}

// A device already answers at the socket path.
bool IsServed(const std::string& socketPath) {
  int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const bool served =
      ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return served;
}

}  // namespace

UsbDeviceServer::UsbDeviceServer(UsbDeviceHandler& handler, UsbDeviceIdentity identity)
    : handler_(handler),
      identity_(std::move(identity)),
      devicePath_(platform::UsbDevicePath(identity_.interfaceClass, identity_.vendorId,
                                          identity_.productId, identity_.instance)) {}

UsbDeviceServer::~UsbDeviceServer() { Stop(); }

bool UsbDeviceServer::Start() {
  if (IsRunning()) return Fail(platform::kErrorAlreadyExists);
  if (!IsUsableInstance(identity_.instance)) return Fail(platform::kErrorInvalidParameter);
  socketPath_ = usbwire::SocketPath(usbwire::SocketName(devicePath_));
  if (socketPath_.empty()) return false;

  if (platform::TrustedUsbDirectory(/*create=*/true).empty()) return false;
  // A socket file without a device behind it was left by a bench that died.
  if (IsServed(socketPath_)) return Fail(platform::kErrorAlreadyExists);
  ::unlink(socketPath_.c_str());

  int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return FailWithErrno();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 16) != 0) {
    const int bindError = errno;
    ::close(fd);
    return Fail(platform::ErrorFromErrno(bindError));
  }
  if (!listener_.Attach(fd)) {
    ::close(fd);
    ::unlink(socketPath_.c_str());
    return false;
  }
  acceptThread_ = StartBenchThread("usb-accept", [this] { AcceptLoop(); });
  return true;
}

void UsbDeviceServer::Stop() {
  if (!listener_.Close()) return;
  acceptThread_.join();
  ::unlink(socketPath_.c_str());
  std::list<std::unique_ptr<Connection>> connections;
  {
    std::lock_guard lock(connectionsMutex_);
    connections.swap(connections_);
  }
  for (auto& connection : connections) {
    connection->channel.Close();
    connection->thread.join();
  }
}

void UsbDeviceServer::AcceptLoop() {
  for (;;) {
    IoChannel::Operation op(listener_);
    const IoChannel::WaitResult result = listener_.WaitReadable(op, std::nullopt);
    if (result != IoChannel::WaitResult::kReady) return;  // stopped
    const int fd = ::accept4(op.fd(), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ReapFinishedConnections();
    auto connection = std::make_unique<Connection>();
    if (!connection->channel.Attach(fd)) {
      ::close(fd);
      continue;
    }
    Connection& served = *connection;
    {
      std::lock_guard lock(connectionsMutex_);
      connections_.push_back(std::move(connection));
    }
    served.thread = StartBenchThread("usb", [this, &served] { Serve(served); });
  }
}

void UsbDeviceServer::ReapFinishedConnections() {
  std::list<std::unique_ptr<Connection>> finished;
  {
    std::lock_guard lock(connectionsMutex_);
    for (auto it = connections_.begin(); it != connections_.end();) {
      auto next = std::next(it);
      if ((*it)->finished) finished.splice(finished.end(), connections_, it);
      it = next;
    }
  }
  for (auto& connection : finished) connection->thread.join();
}

void UsbDeviceServer::Serve(Connection& connection) {
  std::vector<std::uint8_t> message;
  bool serving = true;
  while (serving && usbwire::ReceiveMessage(connection.channel, message, std::nullopt)) {
    usbwire::MessageReader reader(message);
    switch (reader.Type()) {
      case usbwire::MessageType::kOpen:
        if (!connection.opened) serving = OpenEndpoint(connection, reader.Rest());
        break;
      case usbwire::MessageType::kControlRequest:
        if (connection.opened && connection.endpoint.empty()) AnswerControl(connection, reader);
        break;
      case usbwire::MessageType::kData:
        if (connection.opened && !connection.endpoint.empty()) {
          std::lock_guard lock(handlerMutex_);
          handler_.OnPipeData(connection.endpoint, reader.Rest());
        }
        break;
      default:
        break;
    }
  }
  connection.finished = true;
}

bool UsbDeviceServer::OpenEndpoint(Connection& connection, std::span<const std::uint8_t> endpoint) {
  {
    std::lock_guard lock(connectionsMutex_);
    connection.endpoint.assign(endpoint.begin(), endpoint.end());
    connection.opened = true;
  }
  return usbwire::SendMessage(
      connection.channel, usbwire::MessageWriter(usbwire::MessageType::kOpenReply).U32(0).Message(),
      SendDeadline());
}

void UsbDeviceServer::AnswerControl(Connection& connection, usbwire::MessageReader& request) {
  const std::uint32_t sequence = request.U32();
  const std::uint32_t code = request.U32();
  const std::uint32_t outCapacity = request.U32();
  if (!request.Good()) return;
  std::vector<std::uint8_t> out;
  std::uint32_t status;
  {
    std::lock_guard lock(handlerMutex_);
    status = handler_.OnControl(code, request.Rest(), outCapacity, out);
  }
  if (status != 0) out.clear();
  // The host reports an answer longer than its buffer; one byte past the
  // buffer is enough to tell it so.
  if (out.size() > std::size_t{outCapacity} + 1) out.resize(std::size_t{outCapacity} + 1);
  usbwire::SendMessage(connection.channel,
                       usbwire::MessageWriter(usbwire::MessageType::kControlReply)
                           .U32(sequence)
                           .U32(status)
                           .Bytes(out)
                           .Message(),
                       SendDeadline());
}

bool UsbDeviceServer::PushToHost(const std::string& pipe, std::span<const std::uint8_t> packet) {
  if (packet.size() > usbwire::kMaxPayload) return Fail(platform::kErrorInvalidParameter);
  const auto message = usbwire::MessageWriter(usbwire::MessageType::kData).Bytes(packet).Message();
  std::lock_guard lock(connectionsMutex_);
  bool reachedAny = false;
  bool allTook = true;
  for (auto& connection : connections_) {
    if (!connection->opened || connection->finished || connection->endpoint != pipe) continue;
    reachedAny = true;
    allTook = usbwire::SendMessage(connection->channel, message, SendDeadline()) && allTook;
  }
  return reachedAny && allTook;
}

}  // namespace sim
