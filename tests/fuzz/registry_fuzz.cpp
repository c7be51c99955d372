// The registry file: any text either reads as a tree or is refused with a
// line and a reason; a tree saves to a text that reads back as the same tree,
// also after keys and values were made and removed with any names.
//
// Input: the .reg text, then optionally a NUL and bytes that choose changes.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <string_view>

#include "platform/registrytree.h"
#include "platform/textfile.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using platform::RegistryTree;

// Saving and reading back gives the same tree, and saving that the same text.
void CheckRoundTrip(const RegistryTree& tree) {
  const std::string text = tree.ToText();
  RegistryTree reread;
  std::string why;
  std::size_t line = 0;
  FUZZ_CHECK(reread.FromText(text, &why, &line));
  FUZZ_CHECK(reread == tree);
  FUZZ_CHECK(reread.ToText() == text);
}

// Names the changes use: short, so that they meet each other, with any bytes.
std::string Name(FuzzedDataProvider& choices) { return choices.ConsumeRandomLengthString(12); }

void ApplyChange(RegistryTree& tree, FuzzedDataProvider& choices) {
  const std::string path = Name(choices);
  switch (choices.ConsumeIntegralInRange(0, 3)) {
    case 0:
      if (RegistryTree::CanHoldPath(path)) {
        tree.Ensure(path);
        FUZZ_CHECK(tree.Find(path) != nullptr);
      } else {
        FUZZ_CHECK(tree.Find(path) == nullptr);
      }
      break;
    case 1:
    case 2: {
      platform::RegistryKey* key = tree.Find(path);
      platform::RegistryValue value;
      value.name = Name(choices);
      value.isDword = choices.ConsumeBool();
      if (value.isDword) {
        value.dword = choices.ConsumeIntegral<std::uint32_t>();
      } else {
        value.text = Name(choices);
      }
      // The registry refuses such values before they reach the tree.
      if (key == nullptr || !platform::IsSingleLine(value.name) || !platform::IsSingleLine(value.text)) break;
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
      FUZZ_CHECK(tree.Erase(path) == existed);
      FUZZ_CHECK(tree.Find(path) == nullptr || path.find_first_not_of('\\') == std::string::npos);
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
    FUZZ_CHECK(!why.empty() && line >= 1);
    FUZZ_CHECK(tree == RegistryTree());
  }

  FuzzedDataProvider choices(reinterpret_cast<const std::uint8_t*>(changes.data()), changes.size());
  while (choices.remaining_bytes() > 0) ApplyChange(tree, choices);
  CheckRoundTrip(tree);
  return 0;
}
