// INI files: any text reads and, untouched, writes back byte for byte; a value
// written reads back, survives saving and reading again, and no write or
// removal changes what another key reads.
//
// Input: the INI text, then optionally a NUL and bytes that choose changes.
#include <fuzzer/FuzzedDataProvider.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/inidocument.h"
#include "platform/textfile.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using platform::IniDocument;

// What every key of every section reads, by folded section and key name.
using Readings = std::map<std::pair<std::string, std::string>, std::optional<std::string>>;

Readings ReadEverything(const IniDocument& doc) {
  Readings readings;
  for (const std::string& section : doc.SectionNames()) {
    for (const std::string& key : doc.KeyNames(section)) {
      readings[{platform::FoldCase(section), platform::FoldCase(key)}] = doc.Value(section, key);
    }
  }
  return readings;
}

// Every reading but the one of the changed key stays as it was.
void CheckOthersUnchanged(const Readings& before, const IniDocument& doc, std::string_view section,
                          std::string_view key) {
  const std::pair<std::string, std::string> changed{platform::FoldCase(section), platform::FoldCase(key)};
  for (const auto& [where, value] : before) {
    if (where.first == changed.first && (where.second == changed.second || key.empty())) continue;
    FUZZ_CHECK(doc.Value(where.first, where.second) == value);
  }
}

// A value as Windows reads it back: without the spaces around it and
// without matching quotes.
bool ReadsBackAsWritten(std::string_view value) {
  if (platform::TrimSpaces(value) != value) return false;
  return value.size() < 2 || value.front() != value.back() || (value.front() != '"' && value.front() != '\'');
}

void CheckSavedAndReadAgain(const IniDocument& doc) {
  const std::string text = doc.ToText();
  const IniDocument reread = IniDocument::FromText(text);
  FUZZ_CHECK(reread.ToText() == text);
  FUZZ_CHECK(ReadEverything(reread) == ReadEverything(doc));
}

void ApplyChange(IniDocument& doc, FuzzedDataProvider& choices) {
  const int kind = choices.ConsumeIntegralInRange(0, 2);
  // Names as the INI file passes them on: without spaces around them.
  const std::string section(platform::TrimSpaces(choices.ConsumeRandomLengthString(10)));
  const std::string key(platform::TrimSpaces(choices.ConsumeRandomLengthString(10)));
  const std::string value = choices.ConsumeRandomLengthString(10);
  const Readings before = ReadEverything(doc);
  switch (kind) {
    case 0:
      if (!IniDocument::ValidSectionName(section) || !IniDocument::ValidKeyName(key) || !IniDocument::ValidValue(value))
        return;
      doc.SetValue(section, key, value);
      FUZZ_CHECK(doc.Value(section, key).has_value());
      if (ReadsBackAsWritten(value)) FUZZ_CHECK(doc.Value(section, key) == value);
      CheckOthersUnchanged(before, doc, section, key);
      break;
    case 1:
      doc.RemoveKey(section, key);
      FUZZ_CHECK(!doc.Value(section, key).has_value());
      CheckOthersUnchanged(before, doc, section, key);
      break;
    default:
      doc.RemoveSections(section);
      FUZZ_CHECK(!doc.HasSection(section));
      CheckOthersUnchanged(before, doc, section, "");
      break;
  }
  CheckSavedAndReadAgain(doc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view text = input.substr(0, split);
  const std::string_view changes = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

  IniDocument doc = IniDocument::FromText(text);
  FUZZ_CHECK(doc.ToText() == text);
  CheckSavedAndReadAgain(doc);

  FuzzedDataProvider choices(reinterpret_cast<const std::uint8_t*>(changes.data()), changes.size());
  while (choices.remaining_bytes() > 0) ApplyChange(doc, choices);
  return 0;
}
