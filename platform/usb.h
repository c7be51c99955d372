#pragma once
// The USB provider: the drivers' view of their devices (device interfaces
// found by class identifier, a device path that opens the device, device I/O
// control with the driver's control codes, and pipes opened as the device
// path followed by "\" and the pipe's name), reached over local sockets that
// the devices serve.
//
// Each present device is a socket in the USB directory: the environment
// variable FLASHWRIGHT_USB_DIR, else $XDG_RUNTIME_DIR/flashwright-usb, else
// /tmp/flashwright-usb-<uid>. Only a directory that may be trusted is used
// (see TrustedFolder), and in it only sockets of the user's own, reached
// through the directory as it was checked. A device's socket is named like the device
// path, "usb#vid_VVVV&pid_PPPP#<instance>#{class}", and its path is that name
// behind "\\?\".
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/iochannel.h"
#include "platform/kernelobject.h"
#include "platform/sync.h"

namespace platform {

// A device-interface class identifier.
struct Guid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];

  friend bool operator==(const Guid&, const Guid&) = default;
};

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in lower case.
std::string GuidToString(const Guid& guid);

// The directory that holds the devices' sockets (see above).
std::string UsbDirectory();

// The USB directory when the devices in it may be trusted (see
// TrustedFolder), since whoever can put a socket there can pose as a device.
// With create, a missing directory is made first, for this user alone. Otherwise "" with the last error:
// kErrorFileNotFound when it does not exist, kErrorAccessDenied (also told
// on the standard error) when it is not to be trusted.
std::string TrustedUsbDirectory(bool create = false);

// The device path of a device: "\\?\usb#vid_VVVV&pid_PPPP#<instance>#{class}".
std::string UsbDevicePath(const Guid& interfaceClass, std::uint16_t vendorId,
                          std::uint16_t productId, const std::string& instance);

// Paths of the present devices that offer an interface of the class, in a
// stable order. A socket whose device no longer answers is not present, nor
// is one of another user's, nor anything in an untrusted USB directory.
std::vector<std::string> EnumerateUsbDevices(const Guid& interfaceClass);

// Longest a request to a device may take before it counts as unanswered.
inline constexpr std::uint32_t kUsbRequestTimeoutMs = 5000;

// An open device (control requests) or pipe of a device (reads and writes),
// usable from several threads at once. A kernel object, so a driver may
// register it and hand its handle out.
//
// Failures return false with the last error: kErrorFileNotFound for a device
// that is not present, kErrorAccessDenied for one that is not the user's own
// or in an untrusted USB directory, kErrorDeviceNotConnected once it has gone,
// kErrorTimeout, kErrorOperationAborted for cancelled or closed I/O,
// kErrorInvalidFunction for pipe I/O on the device or requests on a pipe, or
// the code the device answered with.
class UsbFile : public KernelObject {
 public:
  UsbFile() = default;
  ~UsbFile() override;

  // A device path opens the device; the path followed by "\" and a pipe name
  // ("...\PIPE00") opens that pipe.
  bool Open(const std::string& path);
  // Wakes every blocked call of this file, which then fails.
  void Close();
  bool IsOpen() const { return channel_.IsOpen(); }
  bool IsPipe() const { return !pipe_.empty(); }

  // Sends a control request and waits for the device's answer; *returned is
  // the number of bytes written to out. An answer longer than outSize fills
  // out and fails with kErrorMoreData.
  bool DeviceIoControl(std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
                       std::uint32_t outSize, std::uint32_t* returned,
                       std::uint32_t timeoutMs = kUsbRequestTimeoutMs);

  // Takes the next packet from the pipe (kErrorMoreData if it is longer than
  // size; the rest is lost). A read with nothing to take fails with
  // kErrorTimeout after timeoutMs.
  bool Read(void* buffer, std::uint32_t size, std::uint32_t* got, std::uint32_t timeoutMs);
  // Sends one packet on the pipe.
  bool Write(const void* buffer, std::uint32_t size, std::uint32_t* written,
             std::uint32_t timeoutMs = kUsbRequestTimeoutMs);

  // Wakes a blocked read or request; with none blocked, the next one
  // returns at once.
  void CancelIo() { channel_.CancelRead(); }

 private:
  bool RequireEndpoint(bool pipe);

  IoChannel channel_;
  std::string pipe_;
  std::mutex requestMutex_;
  std::uint32_t nextSequence_ = 1;
};

}  // namespace platform
