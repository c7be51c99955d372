#include "sim/peerkind.h"

#include <algorithm>
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

namespace {

// Splits at the commas outside double quotes; a comma at the end ends the list.
std::vector<std::string_view> SplitItems(std::string_view text) {
  std::vector<std::string_view> items;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') {
      quoted = !quoted;
    } else if (text[i] == ',' && !quoted) {
      items.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (quoted) throw std::invalid_argument("unterminated quote in '" + std::string(text) + "'");
  if (start < text.size()) items.push_back(text.substr(start));
  return items;
}

}  // namespace

PeerSettings ParsePeerSettings(const PeerKind& kind, std::string_view items) {
  std::map<std::string, std::string> values;
  for (const std::string_view item : SplitItems(items)) {
    const std::size_t equals = item.find('=');
    const std::string name(item.substr(0, equals));
    const bool known = std::ranges::any_of(kind.options, [&](const PeerOption& option) { return option.name == name; });
    if (equals == std::string_view::npos || !known) {
      throw std::invalid_argument("'" + std::string(item) + "' is not an option of " + kind.name + " (NAME=VALUE)");
    }
    if (!values.emplace(name, item.substr(equals + 1)).second) {
      throw std::invalid_argument("option " + name + " given twice");
    }
  }
  for (const PeerOption& option : kind.options) {
    if (values.contains(option.name)) continue;
    if (!option.defaultValue) throw std::invalid_argument("option " + option.name + " missing");
    values.emplace(option.name, *option.defaultValue);
  }
  return PeerSettings(kind.name, std::move(values));
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
