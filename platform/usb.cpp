#include "platform/usb.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/lasterror.h"
#include "platform/trustedfolder.h"
#include "platform/usb_transport.h"

namespace platform {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Says once per directory why it is not used: the program's own messages
// only tell that no device was found.
void ReportUntrustedDirectory(const std::string& directory, const std::string& why) {
  static std::mutex mutex;
  static std::string reported;
  std::lock_guard lock(mutex);
  if (directory == reported) return;
  reported = directory;
  std::fprintf(stderr,
               "flashwright: USB device folder %s not used (%s): it must be a folder of this user's "
               "own that nobody else may write to, in folders that nobody else may change\n",
               directory.c_str(), why.c_str());
}

// Opens the USB directory when it may be trusted, telling why when not.
bool OpenUsbDirectory(TrustedFolder& folder) {
  const std::string directory = UsbDirectory();
  if (folder.Open(directory)) return true;
  const std::uint32_t error = GetLastError();
  if (error == kErrorAccessDenied) ReportUntrustedDirectory(directory, folder.Refusal());
  SetLastError(error);
  return false;
}

bool MakeUsbDirectory(const std::string& directory) {
  std::error_code error;
  const std::filesystem::path parent = std::filesystem::path(directory).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, error);
  if (error) {
    SetLastError(ErrorFromErrno(error.value()));
    return false;
  }
  if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
    SetLastError(ErrorFromErrno(errno));
    return false;
  }
  return true;
}

constexpr auto kOpenBound = std::chrono::seconds(10);

bool Fail(std::uint32_t error) {
  SetLastError(error);
  return false;
}

}  // namespace

std::string GuidToString(const Guid& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", guid.data1,
                guid.data2, guid.data3, guid.data4[0], guid.data4[1], guid.data4[2], guid.data4[3],
                guid.data4[4], guid.data4[5], guid.data4[6], guid.data4[7]);
  return text;
}

std::string UsbDirectory() {
  if (const char* dir = std::getenv("FLASHWRIGHT_USB_DIR"); dir && *dir) return dir;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    return std::string(runtime) + "/flashwright-usb";
  }
  return "/tmp/flashwright-usb-" + std::to_string(::getuid());
}

std::string TrustedUsbDirectory(bool create) {
  const std::string directory = UsbDirectory();
  if (create && !MakeUsbDirectory(directory)) return {};
  TrustedFolder folder;
  return OpenUsbDirectory(folder) ? directory : std::string();
}

std::string UsbDevicePath(const Guid& interfaceClass, std::uint16_t vendorId,
                          std::uint16_t productId, const std::string& instance) {
  char ids[32];
  std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", vendorId, productId);
  return "\\\\?\\usb#" + std::string(ids) + "#" + instance + "#" + GuidToString(interfaceClass);
}

std::vector<std::string> EnumerateUsbDevices(const Guid& interfaceClass) {
  std::vector<std::string> paths;
  TrustedFolder folder;
  if (!OpenUsbDirectory(folder)) return paths;
  const std::string suffix = "#" + GuidToString(interfaceClass);
  for (const std::string& name : folder.Names()) {
    if (!Lower(name).ends_with(suffix)) continue;
    const int fd = folder.Connect(name);
    if (fd < 0) continue;
    ::close(fd);
    paths.push_back("\\\\?\\" + name);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// --- UsbFile ----------------------------------------------------------------

UsbFile::~UsbFile() { Close(); }

bool UsbFile::Open(const std::string& path) {
  if (IsOpen()) return Fail(kErrorAlreadyExists);
  const std::string name = usbwire::SocketName(path);
  const std::size_t separator = name.find('\\');
  const std::string device = name.substr(0, separator);
  const std::string pipe = separator == std::string::npos ? "" : name.substr(separator + 1);
  TrustedFolder folder;
  if (!OpenUsbDirectory(folder)) return false;
  const int fd = folder.Connect(device);
  if (fd < 0) return false;
  pipe_ = pipe;
  if (!channel_.Attach(fd)) {
    const std::uint32_t error = GetLastError();
    ::close(fd);
    return Fail(error);
  }
  // The device answers once it has taken the endpoint on, so that whatever
  // it sends after Open returns reaches this file. Opening stands for a
  // local system call, not for a transfer on the bus: its bound is real time,
  // however fast a test runs the process clock.
  const std::span<const std::uint8_t> endpoint(reinterpret_cast<const std::uint8_t*>(pipe.data()),
                                               pipe.size());
  std::vector<std::uint8_t> reply;
  bool opened =
      usbwire::SendMessage(
          channel_, usbwire::MessageWriter(usbwire::MessageType::kOpen).Bytes(endpoint).Message(),
          std::nullopt) &&
      usbwire::ReceiveMessage(channel_, reply, std::chrono::steady_clock::now() + kOpenBound);
  if (opened) {
    usbwire::MessageReader reader(reply);
    const std::uint32_t status = reader.U32();
    if (reader.Type() != usbwire::MessageType::kOpenReply || !reader.Good()) {
      SetLastError(kErrorGenFailure);
      opened = false;
    } else if (status != 0) {
      SetLastError(status);
      opened = false;
    }
  }
  if (!opened) {
    const std::uint32_t error = GetLastError();
    channel_.Close();
    return Fail(error);
  }
  return true;
}

void UsbFile::Close() { channel_.Close(); }

bool UsbFile::RequireEndpoint(bool pipe) {
  if (!IsOpen()) return Fail(kErrorInvalidHandle);
  if (IsPipe() != pipe) return Fail(kErrorInvalidFunction);
  return true;
}

bool UsbFile::DeviceIoControl(std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
                              std::uint32_t outSize, std::uint32_t* returned,
                              std::uint32_t timeoutMs) {
  if (returned) *returned = 0;
  if (!RequireEndpoint(false)) return false;
  if (inSize > usbwire::kMaxPayload || (inSize && !in) || (outSize && !out)) {
    return Fail(kErrorInvalidParameter);
  }
  // One request at a time per file, each with its own sequence number: an
  // answer that comes after its request timed out is never taken for the
  // answer to the next one.
  std::lock_guard lock(requestMutex_);
  const std::uint32_t sequence = nextSequence_++;
  const std::span<const std::uint8_t> input(static_cast<const std::uint8_t*>(in), inSize);
  const auto request = usbwire::MessageWriter(usbwire::MessageType::kControlRequest)
                           .U32(sequence)
                           .U32(code)
                           .U32(std::min<std::uint32_t>(outSize, usbwire::kMaxPayload))
                           .Bytes(input)
                           .Message();
  const Deadline deadline = DeadlineAfter(timeoutMs);
  if (!usbwire::SendMessage(channel_, request, deadline)) return false;
  std::vector<std::uint8_t> reply;
  for (;;) {
    if (!usbwire::ReceiveMessage(channel_, reply, deadline)) return false;
    usbwire::MessageReader reader(reply);
    if (reader.Type() != usbwire::MessageType::kControlReply || reader.U32() != sequence) continue;
    const std::uint32_t status = reader.U32();
    if (!reader.Good()) return Fail(kErrorGenFailure);
    if (status != 0) return Fail(status);
    const auto answer = reader.Rest();
    const std::size_t n = std::min<std::size_t>(answer.size(), outSize);
    if (n) std::memcpy(out, answer.data(), n);
    if (returned) *returned = static_cast<std::uint32_t>(n);
    return answer.size() <= outSize || Fail(kErrorMoreData);
  }
}

bool UsbFile::Read(void* buffer, std::uint32_t size, std::uint32_t* got, std::uint32_t timeoutMs) {
  *got = 0;
  if (!RequireEndpoint(true)) return false;
  if (size && !buffer) return Fail(kErrorInvalidParameter);
  const Deadline deadline = DeadlineAfter(timeoutMs);
  std::vector<std::uint8_t> message;
  for (;;) {
    if (!usbwire::ReceiveMessage(channel_, message, deadline)) return false;
    usbwire::MessageReader reader(message);
    if (reader.Type() != usbwire::MessageType::kData) continue;
    const auto packet = reader.Rest();
    const std::size_t n = std::min<std::size_t>(packet.size(), size);
    if (n) std::memcpy(buffer, packet.data(), n);
    *got = static_cast<std::uint32_t>(n);
    return packet.size() <= size || Fail(kErrorMoreData);
  }
}

bool UsbFile::Write(const void* buffer, std::uint32_t size, std::uint32_t* written,
                    std::uint32_t timeoutMs) {
  *written = 0;
  if (!RequireEndpoint(true)) return false;
  if (size > usbwire::kMaxPayload || (size && !buffer)) return Fail(kErrorInvalidParameter);
  const std::span<const std::uint8_t> packet(static_cast<const std::uint8_t*>(buffer), size);
  if (!usbwire::SendMessage(
          channel_, usbwire::MessageWriter(usbwire::MessageType::kData).Bytes(packet).Message(),
          DeadlineAfter(timeoutMs))) {
    return false;
  }
  *written = size;
  return true;
}

}  // namespace platform
