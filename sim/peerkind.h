#pragma once
// Kinds of simulated device the bench can start on its bus (adapters, nodes),
// each with its own options, so that flashwright-sim and tests create them
// the same way: flashwright-sim --peer KIND:OPTION=VALUE,...
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/canbus.h"

namespace sim {

struct PeerOption {
  std::string name;
  std::string help;
  std::optional<std::string> defaultValue;  // none: the option is required
};

// The option values one peer was given, defaults filled in.
class PeerSettings {
 public:
  PeerSettings(std::string kind, std::map<std::string, std::string> values)
      : kind_(std::move(kind)), values_(std::move(values)) {}

  const std::string& Kind() const { return kind_; }
  // Both throw std::invalid_argument, naming the peer kind and option, for a
  // missing value or one that is not a number in [min, max] (decimal or 0x hex).
  const std::string& Text(const std::string& name) const;
  std::int64_t Number(const std::string& name, std::int64_t min, std::int64_t max) const;
  // The value the option's text stands for among the choices; throws
  // std::invalid_argument, naming the choices, for any other text.
  template <typename T>
  T Choice(const std::string& name, std::initializer_list<std::pair<std::string_view, T>> choices) const {
    const std::string& text = Text(name);
    std::string names;
    for (const auto& [choice, value] : choices) {
      if (text == choice) return value;
      names += (names.empty() ? "" : " or ") + std::string(choice);
    }
    throw std::invalid_argument("peer " + kind_ + ": option " + name + "=" + text + ": expected " + names);
  }

 private:
  std::string kind_;
  std::map<std::string, std::string> values_;
};

// A running simulated device. It detaches from the bus when destroyed.
class BenchPeer {
 public:
  virtual ~BenchPeer() = default;
  // What a user needs to reach the device, one line each (device paths,
  // settings to make).
  virtual std::vector<std::string> ConnectionInfo() const = 0;
};

struct PeerKind {
  std::string name;
  std::string summary;
  std::vector<PeerOption> options;
  // Throws std::exception with a message for the user when it cannot start.
  std::function<std::unique_ptr<BenchPeer>(CanBus& bus, const PeerSettings& settings)> create;
};

// The settings of a peer of the kind from "NAME=VALUE,NAME=VALUE" (double
// quotes keep commas in a value), defaults filled in. Throws
// std::invalid_argument for an unknown, repeated or missing option.
PeerSettings ParsePeerSettings(const PeerKind& kind, std::string_view items);

class PeerKindRegistry {
 public:
  // Throws std::invalid_argument for a name already taken.
  void Add(PeerKind kind);
  const PeerKind* Find(std::string_view name) const;
  const std::vector<PeerKind>& Kinds() const { return kinds_; }

 private:
  std::vector<PeerKind> kinds_;
};

// Parses an unsigned number: decimal, or hexadecimal after "0x". Empty when
// text is not such a number (or does not fit).
std::optional<std::uint64_t> ParseUnsigned(std::string_view text);

}  // namespace sim
