#include "sim/canopen/canopenslavepeerkind.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace sim {
namespace {

constexpr const char* kKindName = "canopen-slave";

std::vector<PeerOption> Options() {
  const CanopenSlaveConfig defaults;
  const auto number = [](std::uint64_t value) { return std::to_string(value); };
  return {
      {"node", "node ID, 1 to 127", std::nullopt},
      {"vendor", "vendor ID (0x1018 sub 1)", number(defaults.vendor)},
      {"product", "application product code (0x1018 sub 2), not 0", number(defaults.productCode)},
      {"type", "device type (0x1000)", number(defaults.deviceType)},
      {"serial", "serial number (0x1018 sub 4)", number(defaults.serial)},
      {"revision", "revision number (0x1018 sub 3)", number(defaults.revision)},
      {"name", "device name (0x1008), no commas", defaults.deviceName},
      {"password", "download-mode password", number(defaults.password)},
      {"mode", "starting mode (application|bootloader)", "application"},
      {"width", "checksum width, 8 or 16", number(defaults.checksumWidth)},
      {"heartbeat", "heartbeat time in ms (0x1017), 0: none", number(defaults.heartbeatMs)},
      {"bootdelay", "ms from power-on or reset to boot-up", number(std::uint64_t(defaults.bootDelay.count()))},
      {"latency", "ms before each frame the node sends", number(std::uint64_t(defaults.latency.count()))},
  };
}

class SlavePeer final : public BenchPeer {
 public:
  SlavePeer(CanBus& bus, CanopenSlaveConfig config) : slave_(bus, std::move(config)) {}

  std::vector<std::string> ConnectionInfo() const override {
    const CanopenSlaveConfig& config = slave_.Config();
    char line[200];
    std::snprintf(line, sizeof line, "CANopen slave node %u: vendor 0x%08X, product 0x%08X, \"%s\", %s",
                  unsigned{config.node}, config.vendor, config.productCode, config.deviceName.c_str(),
                  config.mode == FlashMode::Application ? "application" : "boot loader");
    return {line};
  }

 private:
  CanopenSlave slave_;
};

}  // namespace

CanopenSlaveConfig CanopenSlaveConfigFrom(const PeerSettings& settings) {
  constexpr std::int64_t kU32 = 0xFFFFFFFF;
  CanopenSlaveConfig config;
  config.node = static_cast<std::uint8_t>(settings.Number("node", 1, 127));
  config.vendor = static_cast<std::uint32_t>(settings.Number("vendor", 0, kU32));
  config.productCode = static_cast<std::uint32_t>(settings.Number("product", 1, kU32));
  config.deviceType = static_cast<std::uint32_t>(settings.Number("type", 0, kU32));
  config.serial = static_cast<std::uint32_t>(settings.Number("serial", 0, kU32));
  config.revision = static_cast<std::uint32_t>(settings.Number("revision", 0, kU32));
  config.deviceName = settings.Text("name");
  config.password = static_cast<std::uint32_t>(settings.Number("password", 0, kU32));
  config.mode = settings.Choice<FlashMode>(
      "mode", {{"application", FlashMode::Application}, {"bootloader", FlashMode::BootLoader}});
  config.checksumWidth = static_cast<unsigned>(settings.Number("width", 8, 16));
  config.heartbeatMs = static_cast<std::uint16_t>(settings.Number("heartbeat", 0, 0xFFFF));
  config.bootDelay = std::chrono::milliseconds(settings.Number("bootdelay", 0, 60'000));
  config.latency = std::chrono::milliseconds(settings.Number("latency", 0, 10'000));
  try {
    Validate(config);
  } catch (const std::invalid_argument& error) {
    throw std::invalid_argument(std::string(kKindName) + ": " + error.what());
  }
  return config;
}

PeerKind CanopenSlavePeerKind() {
  return PeerKind{
      .name = kKindName,
      .summary = "a simulated CANopen slave with the maker's firmware objects",
      .options = Options(),
      .create = [](CanBus& bus, const PeerSettings& settings) -> std::unique_ptr<BenchPeer> {
        return std::make_unique<SlavePeer>(bus, CanopenSlaveConfigFrom(settings));
      },
  };
}

}  // namespace sim
