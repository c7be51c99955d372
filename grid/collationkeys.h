#pragma once
// Keys that put texts in the locale's order, made once per text so that a
// sort compares keys instead of collating texts again and again.
#include <QCollator>
#include <QCollatorSortKey>
#include <cstdint>
#include <string_view>
#include <vector>

class TCollationKeys {
 public:
  explicit TCollationKeys(bool caseSensitive);

  // Appends the key of a UTF-8 text; keys are numbered from 0 in order.
  void Add(std::string_view text);
  void Reserve(std::size_t count);
  // -1, 0 or 1, exactly as QCollator::compare orders the two texts.
  int Compare(std::size_t a, std::size_t b) const;

 private:
  void AddCodeUnits(std::string_view text);

  QCollator collator_;
  // The collator compares code units itself (the C locale, or no locale
  // data): its own sort keys would then keep upper and lower case apart
  // even when it ignores case, so the key is the code units it compares.
  bool codeUnits_;
  bool foldCase_;
  std::vector<char32_t> units_;
  std::vector<std::uint32_t> ends_;
  // Keys of the locale's collation, and which texts are empty: the
  // collator puts an empty text first without collating it.
  std::vector<QCollatorSortKey> keys_;
  std::vector<bool> empty_;
};
