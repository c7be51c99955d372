// The office helper's replies: any line either decodes as a reply or is
// recognised as none; a result read as range values gives rows of equal
// width or is refused; texts read as used ranges give ordered blocks whose
// own address reads back as the same block.
//
// Input: lines, each one reply (its result also tried as a used range).
#include <string>
#include <string_view>

#include "grid/gridoffice.h"
#include "grid/gridofficereply.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

void CheckUsedRange(const AnsiString& address) {
  const std::optional<TXLSRange> range = ParseUsedRange(address);
  if (!range) return;
  FUZZ_CHECK(range->StartCol >= 1 && range->StartRow >= 1);
  FUZZ_CHECK(range->ColCount() >= 1 && range->RowCount() >= 1);
  const std::optional<TXLSRange> again = ParseUsedRange(range->Address());
  FUZZ_CHECK(again && again->Address() == range->Address());
}

void CheckReply(std::string_view line) {
  const TOfficeReply reply = DecodeOfficeReply(line);
  if (!reply.Wellformed || !reply.Ok) {
    FUZZ_CHECK(!reply.Ok && !reply.Error.empty());
    return;
  }
  try {
    const TAutomationValues values = DecodeRangeValues(reply.Result);
    for (const auto& row : values) FUZZ_CHECK(row.size() == values.front().size());
  } catch (const EAutomationError& e) {
    FUZZ_CHECK(!e.Message.empty());
  }
  try {
    CheckUsedRange(ReplyText(reply.Result));
  } catch (const EAutomationError&) {
  }
  try {
    ReplyTexts(reply.Result);
    ReplyInteger(reply.Result);
  } catch (const EAutomationError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty()) {
    const std::size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end);
    CheckReply(line);
    CheckUsedRange(AnsiString(line));
    if (end == std::string_view::npos) break;
    input.remove_prefix(end + 1);
  }
  return 0;
}
