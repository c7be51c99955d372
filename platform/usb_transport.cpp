#include "platform/usb_transport.h"

#include <errno.h>
#include <sys/socket.h>
#include <sys/un.h>

#include "platform/lasterror.h"
#include "platform/usb.h"

namespace platform::usbwire {

std::string SocketName(const std::string& devicePath) {
  static const std::string prefix = "\\\\?\\";
  return devicePath.starts_with(prefix) ? devicePath.substr(prefix.size()) : devicePath;
}

std::string SocketPath(const std::string& socketName) {
  std::string path = UsbDirectory() + "/" + socketName;
  if (socketName.empty() || socketName.find('/') != std::string::npos ||
      path.size() >= sizeof(sockaddr_un::sun_path)) {
    SetLastError(kErrorInvalidParameter);
    return {};
  }
  return path;
}

MessageWriter& MessageWriter::U32(std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
  return *this;
}

MessageWriter& MessageWriter::Bytes(std::span<const std::uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

MessageReader::MessageReader(std::span<const std::uint8_t> message) : good_(!message.empty()) {
  if (good_) {
    type_ = static_cast<MessageType>(message[0]);
    rest_ = message.subspan(1);
  }
}

std::uint32_t MessageReader::U32() {
  if (rest_.size() < 4) {
    good_ = false;
    rest_ = {};
    return 0;
  }
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | rest_[i];
  rest_ = rest_.subspan(4);
  return value;
}

bool SendMessage(IoChannel& channel, std::span<const std::uint8_t> message,
                 const Deadline& deadline) {
  IoChannel::Operation op(channel);
  if (op.fd() < 0) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  for (;;) {
    if (::send(op.fd(), message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT) >= 0)
      return true;
    if (errno == EINTR) continue;
    if (errno != EAGAIN) {
      SetLastError(ErrorFromErrno(errno));
      return false;
    }
    IoChannel::WaitResult result = channel.WaitWritable(op, deadline);
    if (result != IoChannel::WaitResult::kReady) {
      IoChannel::SetWaitError(result);
      return false;
    }
  }
}

bool ReceiveMessage(IoChannel& channel, std::vector<std::uint8_t>& message,
                    const Deadline& deadline) {
  IoChannel::Operation op(channel);
  if (op.fd() < 0) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  message.resize(kMaxMessage);
  for (;;) {
    ssize_t n = ::recv(op.fd(), message.data(), message.size(), MSG_DONTWAIT | MSG_TRUNC);
    if (n == 0) {  // every message has its type byte: this is the peer's end
      SetLastError(kErrorDeviceNotConnected);
      return false;
    }
    if (n > 0 && static_cast<std::size_t>(n) <= message.size()) {
      message.resize(static_cast<std::size_t>(n));
      return true;
    }
    // A message too long for the wire format is dropped.
    if (n > 0 || errno == EINTR) continue;
    if (errno != EAGAIN) {
      SetLastError(ErrorFromErrno(errno));
      return false;
    }
    IoChannel::WaitResult result = channel.WaitReadable(op, deadline);
    if (result != IoChannel::WaitResult::kReady) {
      IoChannel::SetWaitError(result);
      return false;
    }
  }
}

}  // namespace platform::usbwire
