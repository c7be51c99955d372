#include "sim/simoptions.h"

#include <optional>
#include <stdexcept>
#include <string_view>

namespace sim {
namespace {

// A person runs the bench to try the program against it: a real bus's speed.
constexpr bool kDefaultPacing = true;

// "125000", "125k", "1M".
std::uint32_t ParseBitRate(const std::string& text) {
  std::string_view digits = text;
  std::uint64_t multiplier = 1;
  if (!digits.empty() && (digits.back() == 'k' || digits.back() == 'K')) multiplier = 1'000;
  if (!digits.empty() && digits.back() == 'M') multiplier = 1'000'000;
  if (multiplier != 1) digits.remove_suffix(1);
  const std::optional<std::uint64_t> value = ParseUnsigned(digits);
  if (!value || *value == 0 || *value > kMaxBitRate || *value * multiplier > kMaxBitRate) {
    throw std::invalid_argument("--bit-rate " + text +
                                ": expected 1 to 1000000 bit/s (for example 125000, 125k, 1M)");
  }
  return static_cast<std::uint32_t>(*value * multiplier);
}

bool ParseOnOff(const std::string& option, const std::string& text) {
  if (text == "on") return true;
  if (text == "off") return false;
  throw std::invalid_argument(option + " " + text + ": expected on or off");
}

// "KIND" or "KIND:NAME=VALUE,NAME=VALUE".
PeerRequest ParsePeer(const std::string& text, const PeerKindRegistry& kinds) {
  const std::size_t colon = text.find(':');
  const std::string kindName = text.substr(0, colon);
  const PeerKind* kind = kinds.Find(kindName);
  if (kind == nullptr)
    throw std::invalid_argument("--peer " + text + ": unknown peer kind '" + kindName + "'");
  const std::string_view items =
      colon == std::string::npos ? std::string_view() : std::string_view(text).substr(colon + 1);
  try {
    return {kind, ParsePeerSettings(*kind, items)};
  } catch (const std::invalid_argument& error) {
    throw std::invalid_argument("--peer " + text + ": " + error.what());
  }
}

}  // namespace

SimOptions ParseSimOptions(const std::vector<std::string>& args, const PeerKindRegistry& kinds) {
  SimOptions options;
  options.bench.bus.pacing = kDefaultPacing;
  for (std::size_t index = 0; index < args.size(); ++index) {
    std::string option = args[index];
    std::optional<std::string> inlineValue;
    if (const std::size_t equals = option.find('=');
        option.starts_with("--") && equals != std::string::npos) {
      inlineValue = option.substr(equals + 1);
      option.resize(equals);
    }
    const auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (++index == args.size()) throw std::invalid_argument(option + ": value missing");
      return args[index];
    };
    if (option == "--help" || option == "-h") {
      options.help = true;
    } else if (option == "--bit-rate") {
      options.bench.bus.bitRate = ParseBitRate(value());
    } else if (option == "--pacing") {
      options.bench.bus.pacing = ParseOnOff(option, value());
    } else if (option == "--serial-pacing") {
      options.bench.bus.serialPacing = ParseOnOff(option, value());
    } else if (option == "--pcap") {
      options.bench.pcapPath = value();
      if (options.bench.pcapPath.empty()) throw std::invalid_argument("--pcap: file name missing");
    } else if (option == "--peer" && !kinds.Kinds().empty()) {
      options.peers.push_back(ParsePeer(value(), kinds));
    } else {
      throw std::invalid_argument("unknown option " + args[index]);
    }
  }
  return options;
}

std::string SimHelp(const PeerKindRegistry& kinds) {
  std::string text =
      "Usage: flashwright-sim [OPTION]...\n"
      "Runs the simulated bench: a virtual CAN bus and the simulated devices on it,\n"
      "and prints what a program needs to connect to them. Runs until interrupted\n"
      "(Ctrl+C) or terminated.\n"
      "\n"
      "Options:\n"
      "  --bit-rate RATE   bus bit rate in bit/s, up to 1000000; 125k and 1M work too\n"
      "                    (default 125000)\n"
      "  --pacing on|off   hold each frame on the bus as long as a real bus of that\n"
      "                    bit rate would (default on)\n"
      "  --serial-pacing on|off\n"
      "                    hold each byte on the serial lines of the QX240 adapter\n"
      "                    and the 1770-KFD module as long as a real line at the\n"
      "                    bit rate the program set would (default off)\n"
      "  --pcap FILE       capture all traffic into FILE (pcap, SocketCAN link type)\n";
  if (!kinds.Kinds().empty()) {
    text +=
        "  --peer KIND[:NAME=VALUE,...]\n"
        "                    start a simulated device of KIND; may be repeated\n";
  }
  text += "  -h, --help        show this help and exit\n";
  text +=
      "\nThe bus is also offered to the bench's stand-ins for other makers' CAN\n"
      "libraries (the SST CAN2A library \"ssc2a32\" and its driver \"ssdn32\", the\n"
      "IXXAT VCI library \"vci11un6\" and its registration library \"xat11reg\"): the\n"
      "program finds them when FLASHWRIGHT_LIBRARY_PATH names their folder, and they\n"
      "reach the bus through the socket that FLASHWRIGHT_CAN_BUS names (in a folder\n"
      "of the user's own). Both settings are printed at the start. Their cards go\n"
      "online only at the bus's bit rate.\n";
  if (kinds.Kinds().empty()) return text;
  text += "\nPeer kinds:\n";
  for (const PeerKind& kind : kinds.Kinds()) {
    text += "  " + kind.name + "  " + kind.summary + "\n";
    for (const PeerOption& option : kind.options) {
      text += "      " + option.name + "=VALUE  " + option.help;
      if (option.defaultValue) text += " (default " + *option.defaultValue + ")";
      text += "\n";
    }
  }
  return text;
}

}  // namespace sim
