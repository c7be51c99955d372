#pragma once
// The bench's QX240 adapter (or QX262 interface) on the USB provider: the
// adapter of qx240adapter.h, whose commands arrive as device I/O control
// requests and whose CAN frames travel as packets on the device's pipes.
//
//   sim::Qx240UsbAdapter adapter;          // FLASHWRIGHT_USB_DIR chooses where
//   adapter.Start();                       // AccessPoint "1" or its instance
//   adapter.AttachToBus(bus);
#include <cstdint>
#include <string>
#include <vector>

#include "sim/qx240/qx240adapter.h"
#include "sim/usb/usbdeviceserver.h"

namespace sim {

// The descriptor block a maker's device answers request 0x220000 with: the
// device descriptor, then one configuration with one interface and its two
// bulk endpoints.
std::vector<std::uint8_t> MakerDeviceDescriptors(std::uint16_t vendorId, std::uint16_t productId);

struct Qx240UsbAdapterOptions {
  Qx240AdapterOptions adapter;
  UsbDeviceIdentity identity;  // class, ids and instance (serial number)
};

// The QX240 adapter on USB, or the QX262 interface with its class and name.
Qx240UsbAdapterOptions Qx240UsbOptions(const std::string& instance = "QX240-0001");
Qx240UsbAdapterOptions Qx262UsbOptions(const std::string& instance = "QX262-0001");

class Qx240UsbAdapter final : public UsbDeviceHandler {
 public:
  explicit Qx240UsbAdapter(Qx240UsbAdapterOptions options = Qx240UsbOptions());
  ~Qx240UsbAdapter() override;
  Qx240UsbAdapter(const Qx240UsbAdapter&) = delete;
  Qx240UsbAdapter& operator=(const Qx240UsbAdapter&) = delete;

  // Makes the device present; false (last error set) when it cannot.
  bool Start();
  void Stop();
  const std::string& DevicePath() const { return server_.DevicePath(); }

  void AttachToBus(CanBus& bus, const std::string& peerName = "qx240-usb");
  void DetachFromBus() { adapter_.DetachFromBus(); }
  Qx240AdapterState State() const { return adapter_.State(); }

  std::uint32_t OnControl(std::uint32_t code, std::span<const std::uint8_t> in,
                          std::size_t outCapacity, std::vector<std::uint8_t>& out) override;
  void OnPipeData(const std::string& pipe, std::span<const std::uint8_t> packet) override;

 private:
  bool SendToHost(const CanFrame& frame, std::uint64_t stamp, std::uint8_t mode);

  Qx240Adapter adapter_;
  std::uint16_t productId_;
  UsbDeviceServer server_;
};

}  // namespace sim
