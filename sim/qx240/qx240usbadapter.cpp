#include "sim/qx240/qx240usbadapter.h"

#include "drivers/usbdeviceclass.h"
#include "drivers/usblink.h"
#include "platform/lasterror.h"

namespace sim {
namespace {

constexpr std::uint16_t kMakerVendorId = 0x1d50;
constexpr std::uint32_t kErrorInvalidFunction = 1;
constexpr std::uint8_t kUpgradeCode[4] = {0x46, 0x57, 0x55, 0x50};
constexpr std::uint8_t kCloseCommand = 0xF2;

void AppendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint64_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) bytes.push_back(std::uint8_t(value >> (8 * i)));
}

std::uint32_t ReadU32(const std::uint8_t* bytes) {
  return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
         std::uint32_t(bytes[3]) << 24;
}

}  // namespace

std::vector<std::uint8_t> MakerDeviceDescriptors(std::uint16_t vendorId, std::uint16_t productId) {
  std::vector<std::uint8_t> block = {18, 1, 0x00, 0x02, 0xFF, 0, 0, 64};
  AppendLittleEndian(block, vendorId, 2);
  AppendLittleEndian(block, productId, 2);
  block.insert(block.end(), {0x00, 0x01, 1, 2, 3, 1});
  block.insert(block.end(), {9, 2, 32, 0, 1, 1, 0, 0x80, 50});  // configuration
  block.insert(block.end(), {9, 4, 0, 0, 2, 0xFF, 0, 0, 0});    // interface
  block.insert(block.end(), {7, 5, 0x81, 2, 64, 0, 0});         // PIPE00, in
  block.insert(block.end(), {7, 5, 0x02, 2, 64, 0, 0});         // PIPE01, out
  return block;
}

Qx240UsbAdapterOptions Qx240UsbOptions(const std::string& instance) {
  Qx240UsbAdapterOptions options;
  options.identity = {drivers::kQx240UsbClass, kMakerVendorId, 0x0240, instance};
  return options;
}

Qx240UsbAdapterOptions Qx262UsbOptions(const std::string& instance) {
  Qx240UsbAdapterOptions options;
  options.adapter.productName = "QX262";
  options.adapter.deviceType = 0x262;
  options.adapter.productCode = 0x26201;
  options.identity = {drivers::kQx262UsbClass, kMakerVendorId, 0x0262, instance};
  return options;
}

Qx240UsbAdapter::Qx240UsbAdapter(Qx240UsbAdapterOptions options)
    : adapter_(std::move(options.adapter)),
      productId_(options.identity.productId),
      server_(*this, std::move(options.identity)) {
  adapter_.SetHostSink([this](const CanFrame& frame, std::uint64_t stamp, std::uint8_t mode) {
    return SendToHost(frame, stamp, mode);
  });
}

Qx240UsbAdapter::~Qx240UsbAdapter() { Stop(); }

bool Qx240UsbAdapter::Start() { return server_.Start(); }

void Qx240UsbAdapter::Stop() {
  adapter_.DetachFromBus();
  server_.Stop();
}

void Qx240UsbAdapter::AttachToBus(CanBus& bus, const std::string& peerName) {
  adapter_.AttachToBus(bus, peerName);
}

std::uint32_t Qx240UsbAdapter::OnControl(std::uint32_t code, std::span<const std::uint8_t> in,
                                         std::size_t, std::vector<std::uint8_t>& out) {
  namespace request = drivers::usbrequest;
  switch (code) {
    case request::kDescriptor:
      // A host opening the device starts a new session.
      adapter_.SetHostPresent(true);
      out = MakerDeviceDescriptors(kMakerVendorId, productId_);
      return 0;
    case request::kQuery:
      if (in.size() < 5) return platform::kErrorInvalidParameter;
      if (auto value = adapter_.AnswerQuery(in)) {
        out = std::move(*value);
        return 0;
      }
      return kErrorInvalidFunction;
    case request::kSetting:
      if (in.empty()) return platform::kErrorInvalidParameter;
      if (in[0] == kCloseCommand) {
        adapter_.SetHostPresent(false);
        return 0;
      }
      return adapter_.ApplySettingCommand(in) ? 0 : kErrorInvalidFunction;
    case request::kUpgradeCode: {
      if (in.size() != 5 || !std::equal(kUpgradeCode, kUpgradeCode + 4, in.begin() + 1))
        return platform::kErrorInvalidParameter;
      const std::uint8_t upgrade[] = {0xF0, in[1], in[2], in[3], in[4]};
      return adapter_.ApplySettingCommand(upgrade) ? 0 : kErrorInvalidFunction;
    }
    case request::kEnterUpgradeMode:
      return 0;
    default:
      return kErrorInvalidFunction;
  }
}

void Qx240UsbAdapter::OnPipeData(const std::string& pipe, std::span<const std::uint8_t> packet) {
  if (pipe != drivers::kUsbWritePipe || packet.size() != drivers::kUsbPacketSize) return;
  adapter_.RelayFromHost(ReadU32(&packet[0]), packet[4], packet[5], &packet[6]);
}

bool Qx240UsbAdapter::SendToHost(const CanFrame& frame, std::uint64_t stamp, std::uint8_t mode) {
  std::vector<std::uint8_t> packet;
  AppendLittleEndian(packet, frame.id, 4);
  packet.push_back(frame.remote ? 0x10 : 0);
  packet.push_back(frame.dlc);
  for (std::size_t i = 0; i < 8; ++i) packet.push_back(!frame.remote && i < frame.dlc ? frame.data[i] : 0);
  if (mode == 1) AppendLittleEndian(packet, stamp, 4);
  if (mode == 2) AppendLittleEndian(packet, stamp, 8);
  return server_.PushToHost(drivers::kUsbReadPipe, packet);
}

}  // namespace sim
