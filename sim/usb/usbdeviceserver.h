#pragma once
// The bench side of the USB provider: one simulated USB device, served on a
// socket in the USB directory (see platform/usb.h) for as long as the server
// runs. A bench device implements UsbDeviceHandler; the server takes the
// host's opens, control requests and pipe packets and hands them over.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/iochannel.h"
#include "platform/usb.h"
#include "platform/usb_transport.h"

namespace sim {

// Calls come from the server's threads, one at a time (never two at once
// for one server). A handler may call PushToHost, but not Stop.
class UsbDeviceHandler {
 public:
  virtual ~UsbDeviceHandler() = default;
  // Answers a control request: fills out (the host takes at most
  // outCapacity bytes) and returns 0, or returns the code the host's request
  // fails with.
  virtual std::uint32_t OnControl(std::uint32_t code, std::span<const std::uint8_t> in,
                                  std::size_t outCapacity, std::vector<std::uint8_t>& out) = 0;
  // A packet the host wrote to one of the device's pipes.
  virtual void OnPipeData(const std::string& pipe, std::span<const std::uint8_t> packet) = 0;
};

struct UsbDeviceIdentity {
  platform::Guid interfaceClass;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  // The instance identifier (serial number): the last part of the device
  // path before the class, so no '#', '/' or '\'.
  std::string instance;
};

class UsbDeviceServer {
 public:
  UsbDeviceServer(UsbDeviceHandler& handler, UsbDeviceIdentity identity);
  ~UsbDeviceServer();
  UsbDeviceServer(const UsbDeviceServer&) = delete;
  UsbDeviceServer& operator=(const UsbDeviceServer&) = delete;

  // Makes the device present (creating the USB directory if need be). False
  // with the last error set when the identity is unusable, the USB directory
  // is not to be trusted (see platform::TrustedUsbDirectory), a running
  // device already has this path, or the socket cannot be made.
  bool Start();
  // The device vanishes: open files of the host fail from now on.
  void Stop();
  bool IsRunning() const { return listener_.IsOpen(); }

  const std::string& DevicePath() const { return devicePath_; }

  // Sends a packet to every host file that has the pipe open. False when
  // none has it open or a host did not take the packet within a second.
  bool PushToHost(const std::string& pipe, std::span<const std::uint8_t> packet);

 private:
  struct Connection {
    platform::IoChannel channel;
    std::string endpoint;
    bool opened = false;
    std::atomic<bool> finished{false};
    std::thread thread;
  };

  void AcceptLoop();
  void Serve(Connection& connection);
  bool OpenEndpoint(Connection& connection, std::span<const std::uint8_t> endpoint);
  void AnswerControl(Connection& connection, platform::usbwire::MessageReader& request);
  void ReapFinishedConnections();

  UsbDeviceHandler& handler_;
  UsbDeviceIdentity identity_;
  std::string devicePath_;
  std::string socketPath_;
  platform::IoChannel listener_;
  std::thread acceptThread_;
  std::mutex handlerMutex_;
  std::mutex connectionsMutex_;
  std::list<std::unique_ptr<Connection>> connections_;
};

}  // namespace sim
