// The registry file: any text either reads as a tree or is refused with a
// line and a reason; a tree saves to a text that reads back as the same tree,
// also after keys and values were made and removed with any names.
//
// Input: the .reg text, then optionally a NUL and bytes that choose changes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registrytree.h"

namespace {

using platform::RegistryTree;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Saving and reading back gives the same tree, and saving that the same text.
void CheckRoundTrip(const RegistryTree& tree) {
  const std::string text = tree.ToText();
  RegistryTree reread;
  std::string why;
  std::size_t line = 0;
  Check(reread.FromText(text, &why, &line));
  Check(reread == tree);
  Check(reread.ToText() == text);
}

bool IsSingleLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// Names the changes use: short, so that they meet each other, with any bytes.
std::string Name(FuzzedDataProvider& choices) { return choices.ConsumeRandomLengthString(12); }

void ApplyChange(RegistryTree& tree, FuzzedDataProvider& choices) {
  const std::string path = Name(choices);
  switch (choices.ConsumeIntegralInRange(0, 3)) {
    case 0:
      if (RegistryTree::CanHoldPath(path)) {
        tree.Ensure(path);
        Check(tree.Find(path) != nullptr);
      } else {
        Check(tree.Find(path) == nullptr);
      }
      break;
    case 1:
    case 2: {
      platform::RegistryKey* key = tree.Find(path);
      platform::RegistryValue value;
      value.name = Name(choices);
      value.isDword = choices.ConsumeBool();
      value.dword = choices.ConsumeIntegral<std::uint32_t>();
      if (!value.isDword) value.text = Name(choices);
      // The registry refuses such values before they reach the tree.
      if (key == nullptr || !IsSingleLine(value.name) || !IsSingleLine(value.text)) break;
      if (platform::RegistryValue* existing = key->FindValue(value.name)) {
        value.name = existing->name;
        *existing = value;
      } else {
        key->values.push_back(value);
      }
      break;
    }
    default: {
      const bool existed = tree.Find(path) != nullptr;
      Check(tree.Erase(path) == existed);
      Check(tree.Find(path) == nullptr || path.find_first_not_of('\\') == std::string::npos);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view text = input.substr(0, split);
  const std::string_view changes = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

  RegistryTree tree;
  std::string why;
  std::size_t line = 0;
  if (tree.FromText(text, &why, &line)) {
    CheckRoundTrip(tree);
  } else {
    Check(!why.empty() && line >= 1);
    Check(tree == RegistryTree());
  }

  FuzzedDataProvider choices(reinterpret_cast<const std::uint8_t*>(changes.data()), changes.size());
  while (choices.remaining_bytes() > 0) ApplyChange(tree, choices);
  CheckRoundTrip(tree);
  return 0;
}
