#include "sim/devicenet/devicenetslaveoptions.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace sim {
namespace {

constexpr const char* kKindName = "devicenet-slave";

const std::vector<PeerOption>& Options() {
  static const std::vector<PeerOption> options = {
      {"mac", "MAC ID, 0 to 63", std::nullopt},
      {"vendor", "vendor ID", std::to_string(kMakerDeviceNetVendorId)},
      {"product", "application product code (bit 15 clear)", "0x1FE2"},
      {"type", "device type", "12"},
      {"serial", "serial number", "0x00010001"},
      {"name", "product name, at most 32 characters", "Flashwright Node"},
      {"revision", "revision MAJOR.MINOR", "1.0"},
      {"password", "download-mode password", "0"},
      {"ucmm", "serve UCMM (on|off)", "off"},
      {"mode", "starting mode (application|bootloader)", "application"},
      {"skipcheck", "skip the duplicate MAC ID check (on|off)", "off"},
  };
  return options;
}

std::string Unquote(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

DeviceNetSlaveConfig ConfigFrom(const PeerSettings& settings) {
  constexpr std::int64_t kU16 = 0xFFFF;
  constexpr std::int64_t kU32 = 0xFFFFFFFF;
  DeviceNetSlaveConfig config;
  config.mac = static_cast<std::uint8_t>(settings.Number("mac", 0, 63));
  config.vendor = static_cast<std::uint16_t>(settings.Number("vendor", 0, kU16));
  config.productCode = static_cast<std::uint16_t>(settings.Number("product", 0, 0x7FFF));
  config.deviceType = static_cast<std::uint16_t>(settings.Number("type", 0, kU16));
  config.serial = static_cast<std::uint32_t>(settings.Number("serial", 0, kU32));
  config.password = static_cast<std::uint32_t>(settings.Number("password", 0, kU32));
  config.productName = Unquote(settings.Text("name"));
  const std::string& revision = settings.Text("revision");
  const std::size_t dot = revision.find('.');
  const auto major = ParseUnsigned(std::string_view(revision).substr(0, dot));
  const auto minor = dot == std::string::npos ? std::nullopt : ParseUnsigned(std::string_view(revision).substr(dot + 1));
  if (!major || !minor || *major > 0xFF || *minor > 0xFF) {
    throw std::invalid_argument(std::string(kKindName) + ": revision=" + revision +
                                ": expected MAJOR.MINOR, each 0 to 255");
  }
  config.revisionMajor = static_cast<std::uint8_t>(*major);
  config.revisionMinor = static_cast<std::uint8_t>(*minor);
  config.ucmmCapable = settings.Choice<bool>("ucmm", {{"on", true}, {"off", false}});
  config.skipDuplicateMacCheck = settings.Choice<bool>("skipcheck", {{"on", true}, {"off", false}});
  config.mode = settings.Choice<FlashMode>(
      "mode", {{"application", FlashMode::Application}, {"bootloader", FlashMode::BootLoader}});
  try {
    Validate(config);
  } catch (const std::invalid_argument& error) {
    throw std::invalid_argument(std::string(kKindName) + ": " + error.what());
  }
  return config;
}

class SlavePeer : public BenchPeer {
 public:
  SlavePeer(CanBus& bus, DeviceNetSlaveConfig config) : slave_(bus, std::move(config)) {}

  std::vector<std::string> ConnectionInfo() const override {
    const DeviceNetSlaveConfig& config = slave_.Config();
    char line[160];
    std::snprintf(line, sizeof line, "DeviceNet slave MAC %u: vendor 0x%04X, product 0x%04X, \"%s\"%s", config.mac,
                  config.vendor, config.productCode, config.productName.c_str(), config.ucmmCapable ? ", UCMM" : "");
    return {line};
  }

 private:
  DeviceNetSlave slave_;
};

}  // namespace

DeviceNetSlaveConfig ParseDeviceNetSlaveOption(std::string_view text) {
  return ConfigFrom(ParsePeerSettings(DeviceNetSlavePeerKind(), text));
}

PeerKind DeviceNetSlavePeerKind() {
  PeerKind kind;
  kind.name = kKindName;
  kind.summary = "a simulated DeviceNet slave with the maker's firmware object";
  kind.options = Options();
  kind.create = [](CanBus& bus, const PeerSettings& settings) -> std::unique_ptr<BenchPeer> {
    return std::make_unique<SlavePeer>(bus, ConfigFrom(settings));
  };
  return kind;
}

}  // namespace sim
