#include "sim/peerkind.h"

#include <charconv>
#include <stdexcept>

namespace sim {

const std::string& PeerSettings::Text(const std::string& name) const {
  const auto found = values_.find(name);
  if (found == values_.end()) throw std::invalid_argument("peer " + kind_ + ": option " + name + " missing");
  return found->second;
}

std::int64_t PeerSettings::Number(const std::string& name, std::int64_t min, std::int64_t max) const {
  const std::string& text = Text(name);
  const std::optional<std::uint64_t> value = ParseUnsigned(text);
  if (!value || *value > static_cast<std::uint64_t>(max) || static_cast<std::int64_t>(*value) < min) {
    throw std::invalid_argument("peer " + kind_ + ": option " + name + "=" + text + " is not a number from " +
                                std::to_string(min) + " to " + std::to_string(max));
  }
  return static_cast<std::int64_t>(*value);
}

void PeerKindRegistry::Add(PeerKind kind) {
  if (Find(kind.name) != nullptr) throw std::invalid_argument("peer kind " + kind.name + " added twice");
  kinds_.push_back(std::move(kind));
}

const PeerKind* PeerKindRegistry::Find(std::string_view name) const {
  for (const PeerKind& kind : kinds_) {
    if (kind.name == name) return &kind;
  }
  return nullptr;
}

std::optional<std::uint64_t> ParseUnsigned(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace sim
