#include "sim/devicenet/devicenetslaveoptions.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace sim {
namespace {

using Values = std::map<std::string, std::string>;

const std::vector<PeerOption>& Options() {
  static const std::vector<PeerOption> options = {
      {"mac", "MAC ID, 0 to 63", std::nullopt},
      {"vendor", "vendor ID", std::to_string(kMakerVendorId)},
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

std::uint64_t Number(const Values& values, const std::string& name, std::uint64_t max) {
  const std::string& text = values.at(name);
  const std::optional<std::uint64_t> value = ParseUnsigned(text);
  if (!value || *value > max) {
    throw std::invalid_argument("devicenet-slave: " + name + "=" + text + " is not a number from 0 to " +
                                std::to_string(max));
  }
  return *value;
}

bool OnOff(const Values& values, const std::string& name) {
  const std::string& text = values.at(name);
  if (text == "on") return true;
  if (text == "off") return false;
  throw std::invalid_argument("devicenet-slave: " + name + "=" + text + ": expected on or off");
}

DeviceNetSlaveConfig ConfigFrom(const Values& values) {
  DeviceNetSlaveConfig config;
  config.mac = static_cast<std::uint8_t>(Number(values, "mac", 63));
  config.vendor = static_cast<std::uint16_t>(Number(values, "vendor", 0xFFFF));
  config.productCode = static_cast<std::uint16_t>(Number(values, "product", 0x7FFF));
  config.deviceType = static_cast<std::uint16_t>(Number(values, "type", 0xFFFF));
  config.serial = static_cast<std::uint32_t>(Number(values, "serial", 0xFFFFFFFF));
  config.password = static_cast<std::uint32_t>(Number(values, "password", 0xFFFFFFFF));
  config.productName = Unquote(values.at("name"));
  const std::string& revision = values.at("revision");
  const std::size_t dot = revision.find('.');
  const auto major = ParseUnsigned(std::string_view(revision).substr(0, dot));
  const auto minor = dot == std::string::npos ? std::nullopt : ParseUnsigned(std::string_view(revision).substr(dot + 1));
  if (!major || !minor || *major > 0xFF || *minor > 0xFF) {
    throw std::invalid_argument("devicenet-slave: revision=" + revision + ": expected MAJOR.MINOR, each 0 to 255");
  }
  config.revisionMajor = static_cast<std::uint8_t>(*major);
  config.revisionMinor = static_cast<std::uint8_t>(*minor);
  config.ucmmCapable = OnOff(values, "ucmm");
  config.skipDuplicateMacCheck = OnOff(values, "skipcheck");
  const std::string& mode = values.at("mode");
  if (mode != "application" && mode != "bootloader") {
    throw std::invalid_argument("devicenet-slave: mode=" + mode + ": expected application or bootloader");
  }
  config.mode = mode == "application" ? FlashMode::Application : FlashMode::BootLoader;
  try {
    Validate(config);
  } catch (const std::invalid_argument& error) {
    throw std::invalid_argument(std::string("devicenet-slave: ") + error.what());
  }
  return config;
}

Values WithDefaults(Values values) {
  for (const PeerOption& option : Options()) {
    if (values.contains(option.name)) continue;
    if (!option.defaultValue) throw std::invalid_argument("devicenet-slave: option " + option.name + " missing");
    values.emplace(option.name, *option.defaultValue);
  }
  return values;
}

// Splits NAME=VALUE items at commas outside double quotes.
Values SplitItems(std::string_view text) {
  Values values;
  std::string item;
  bool quoted = false;
  const auto finish = [&] {
    const std::size_t equals = item.find('=');
    const std::string name = item.substr(0, equals);
    const bool known = std::ranges::any_of(Options(), [&](const PeerOption& option) { return option.name == name; });
    if (equals == std::string::npos || !known) {
      throw std::invalid_argument("devicenet-slave: '" + item + "' is not an option (NAME=VALUE)");
    }
    if (!values.emplace(name, item.substr(equals + 1)).second) {
      throw std::invalid_argument("devicenet-slave: option " + name + " given twice");
    }
    item.clear();
  };
  for (const char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      finish();
    } else {
      item += c;
    }
  }
  if (quoted) throw std::invalid_argument("devicenet-slave: unterminated quote in '" + std::string(text) + "'");
  if (!item.empty() || !text.empty()) finish();
  return values;
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

DeviceNetSlaveConfig ParseDeviceNetSlaveOption(std::string_view text) { return ConfigFrom(WithDefaults(SplitItems(text))); }

PeerKind DeviceNetSlavePeerKind() {
  PeerKind kind;
  kind.name = "devicenet-slave";
  kind.summary = "a simulated DeviceNet slave with the maker's firmware object";
  kind.options = Options();
  kind.create = [](CanBus& bus, const PeerSettings& settings) -> std::unique_ptr<BenchPeer> {
    Values values;
    for (const PeerOption& option : Options()) values.emplace(option.name, settings.Text(option.name));
    return std::make_unique<SlavePeer>(bus, ConfigFrom(values));
  };
  return kind;
}

}  // namespace sim
