#include "grid/collationkeys.h"

#include <algorithm>

TCollationKeys::TCollationKeys(bool caseSensitive) : foldCase_(!caseSensitive) {
  collator_.setCaseSensitivity(caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
  codeUnits_ = collator_.locale().language() == QLocale::C ||
               collator_.sortKey(QStringLiteral("a")).compare(collator_.sortKey(QStringLiteral("b"))) == 0;
}

void TCollationKeys::Reserve(std::size_t count) {
  if (codeUnits_) {
    ends_.reserve(count);
    units_.reserve(count * 8);
  } else {
    keys_.reserve(count);
    empty_.reserve(count);
  }
}

void TCollationKeys::Add(std::string_view text) {
  if (codeUnits_) {
    AddCodeUnits(text);
    return;
  }
  keys_.push_back(collator_.sortKey(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))));
  empty_.push_back(text.empty());
}

// Case is folded one code point at a time, as the collator does when it
// compares code units: a low surrogate stands for its whole folded code
// point, the high one before it for itself.
void TCollationKeys::AddCodeUnits(std::string_view text) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) {
    for (const char c : text) units_.push_back(foldCase_ && c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  } else {
    const QString wide = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    char16_t last = 0;
    for (const QChar qc : wide) {
      const char16_t unit = qc.unicode();
      char32_t point = unit;
      if (QChar::isLowSurrogate(unit) && QChar::isHighSurrogate(last)) point = QChar::surrogateToUcs4(last, unit);
      last = unit;
      units_.push_back(foldCase_ ? QChar::toCaseFolded(point) : unit);
    }
  }
  ends_.push_back(static_cast<std::uint32_t>(units_.size()));
}

int TCollationKeys::Compare(std::size_t a, std::size_t b) const {
  if (!codeUnits_) {
    if (empty_[a] || empty_[b]) return static_cast<int>(empty_[b]) - static_cast<int>(empty_[a]);
    const int res = keys_[a].compare(keys_[b]);
    return (res > 0) - (res < 0);
  }
  const char32_t* pa = units_.data() + (a == 0 ? 0 : ends_[a - 1]);
  const char32_t* pb = units_.data() + (b == 0 ? 0 : ends_[b - 1]);
  const char32_t* enda = units_.data() + ends_[a];
  const char32_t* endb = units_.data() + ends_[b];
  for (; pa != enda && pb != endb; ++pa, ++pb)
    if (*pa != *pb) return *pa < *pb ? -1 : 1;
  return (pa != enda) - (pb != endb);
}
