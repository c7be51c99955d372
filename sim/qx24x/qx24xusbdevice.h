#pragma once
// A bench QX24X module on the USB provider: queries (0x22000C) answer with
// their value bytes, settings (0x220010) are confirmed by the request's
// success, firmware travels as request codes 1 (write) and 2 (read), and
// 0x220004 restarts an armed module into its boot loader.
#include <cstdint>
#include <string>
#include <vector>

#include "sim/qx24x/qx24xmodule.h"
#include "sim/usb/usbdeviceserver.h"

namespace sim {

class Qx24xUsbDevice final : public UsbDeviceHandler {
 public:
  Qx24xUsbDevice(Qx24xModule& module, const std::string& instance = "QX24X-0001");
  ~Qx24xUsbDevice() override;
  Qx24xUsbDevice(const Qx24xUsbDevice&) = delete;
  Qx24xUsbDevice& operator=(const Qx24xUsbDevice&) = delete;

  // Makes the device present; false (last error set) when it cannot.
  bool Start() { return server_.Start(); }
  void Stop() { server_.Stop(); }
  const std::string& DevicePath() const { return server_.DevicePath(); }

  std::uint32_t OnControl(std::uint32_t code, std::span<const std::uint8_t> in,
                          std::size_t outCapacity, std::vector<std::uint8_t>& out) override;
  // The module carries no CAN frames.
  void OnPipeData(const std::string&, std::span<const std::uint8_t>) override {}

 private:
  std::uint32_t Query(std::span<const std::uint8_t> in, std::size_t outCapacity,
                      std::vector<std::uint8_t>& out);
  std::uint32_t Setting(std::span<const std::uint8_t> in);

  Qx24xModule& module_;
  UsbDeviceServer server_;
};

}  // namespace sim
