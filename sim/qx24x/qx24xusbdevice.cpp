#include "sim/qx24x/qx24xusbdevice.h"

#include "drivers/usbdeviceclass.h"
#include "drivers/usblink.h"
#include "platform/lasterror.h"
#include "sim/qx240/qx240usbadapter.h"

namespace sim {
namespace {

constexpr std::uint16_t kMakerVendorId = 0x1d50;
constexpr std::uint16_t kQx24xProductId = 0x024F;
constexpr std::uint32_t kErrorInvalidFunction = 1;
constexpr std::uint32_t kErrorGenFailure = 31;
// Code, sector and a 24-bit address lead every firmware request.
constexpr std::size_t kFirmwareHeader = 5;
constexpr std::size_t kMaxFirmwareBytes = 8;

std::uint32_t AddressOf(std::span<const std::uint8_t> in) {
  return std::uint32_t(in[2]) | std::uint32_t(in[3]) << 8 | std::uint32_t(in[4]) << 16;
}

}  // namespace

Qx24xUsbDevice::Qx24xUsbDevice(Qx24xModule& module, const std::string& instance)
    : module_(module),
      server_(*this, {drivers::kQx24xUsbClass, kMakerVendorId, kQx24xProductId, instance}) {}

Qx24xUsbDevice::~Qx24xUsbDevice() { Stop(); }

std::uint32_t Qx24xUsbDevice::OnControl(std::uint32_t code, std::span<const std::uint8_t> in,
                                        std::size_t outCapacity, std::vector<std::uint8_t>& out) {
  namespace request = drivers::usbrequest;
  switch (code) {
    case request::kDescriptor:
      out = MakerDeviceDescriptors(kMakerVendorId, kQx24xProductId);
      return 0;
    case request::kQuery: return Query(in, outCapacity, out);
    case request::kSetting: return Setting(in);
    case request::kEnterUpgradeMode:
      module_.RestartIntoBootLoader();
      return 0;
    default: return kErrorInvalidFunction;
  }
}

std::uint32_t Qx24xUsbDevice::Query(std::span<const std::uint8_t> in, std::size_t outCapacity,
                                    std::vector<std::uint8_t>& out) {
  if (in.size() != kFirmwareHeader) return platform::kErrorInvalidParameter;
  // Code 2 is both the firmware read and the active-sector query: a read
  // asks for exactly the bytes it transfers (at most 8), a value query for a
  // whole answer buffer.
  if (in[0] == drivers::usbcommand::kReadFirmware && outCapacity <= kMaxFirmwareBytes) {
    auto bytes = module_.ReadFirmware(in[1], AddressOf(in), outCapacity);
    if (!bytes) return kErrorGenFailure;
    out = std::move(*bytes);
    return 0;
  }
  auto value = module_.Query(in);
  if (!value) return kErrorInvalidFunction;
  out = std::move(*value);
  return 0;
}

std::uint32_t Qx24xUsbDevice::Setting(std::span<const std::uint8_t> in) {
  if (in.empty()) return platform::kErrorInvalidParameter;
  if (in[0] == drivers::usbcommand::kWriteFirmware) {
    if (in.size() < kFirmwareHeader || in.size() > kFirmwareHeader + kMaxFirmwareBytes)
      return platform::kErrorInvalidParameter;
    std::vector<std::uint8_t> stored;
    return module_.WriteFirmware(in[1], AddressOf(in), in.subspan(kFirmwareHeader), &stored)
               ? 0
               : kErrorGenFailure;
  }
  return module_.Apply(in) ? 0 : kErrorGenFailure;
}

}  // namespace sim
