#include "grid/plainfloat.h"

#include <charconv>

bool PlainToFloat(std::string_view text, double& value) {
  value = 0;
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    value = 0;
    return false;
  }
  return true;
}
