#include "grid/gridprintsettings.h"

#include <span>

#include "grid/duruzav_settings.h"
#include "grid/zgutil.h"

namespace {

// Lengths in print units (0.1 mm) beyond 3.2 m mean no page; they would
// only overflow the layout's sums.
constexpr int kMaxLength = 32767;
// Font sizes a canvas can draw, in points.
constexpr int kMaxFontSize = 1638;

AnsiString YesNo(bool value) { return value ? "Y" : "N"; }

void WriteFont(TCustomIniFile& store, const AnsiString& section, const AnsiString& prefix, const TFont& font) {
  store.WriteString(section, prefix + "FontName", font.Name());
  store.WriteInteger(section, prefix + "FontSize", font.Size());
  store.WriteInteger(section, prefix + "FontStyle", static_cast<int>(font.Style()));
  store.WriteInteger(section, prefix + "FontColor", static_cast<int>(font.Color()));
}

// The style bits read are set and the others cleared: a stored font comes
// back as it was saved, whatever the font held before.
void ReadFont(const TCustomIniFile& store, const AnsiString& section, const AnsiString& prefix, TFont& font) {
  font.SetName(store.ReadString(section, prefix + "FontName", "Arial"));
  if (const int size = store.ReadInteger(section, prefix + "FontSize", 10); size >= 1 && size <= kMaxFontSize)
    font.SetSize(size);
  const int bits = store.ReadInteger(section, prefix + "FontStyle", 0);
  TFontStyles style = 0;
  if (bits & 1) style |= fsBold;
  if (bits & 2) style |= fsItalic;
  if (bits & 4) style |= fsUnderline;
  if (bits & 8) style |= fsStrikeOut;
  font.SetStyle(style);
  font.SetColor(static_cast<TColor>(store.ReadInteger(section, prefix + "FontColor", 0)));
}

// An ordinal read into `value` when it lies in first..last; else `value`
// keeps what it held.
template <typename E>
void ReadOrdinal(const TCustomIniFile& store, const AnsiString& section, const char* key, int last, E& value) {
  const int v = store.ReadInteger(section, key, 0);
  if (v >= 0 && v <= last) value = static_cast<E>(v);
}

// A length read into `value` when it lies within +-kMaxLength; else
// `value` keeps what it held.
void ReadLength(const TCustomIniFile& store, const AnsiString& section, const char* key, int defaultValue,
                int& value) {
  const int v = store.ReadInteger(section, key, defaultValue);
  if (v >= -kMaxLength && v <= kMaxLength) value = v;
}

TPrintPosition ReadPosition(const TCustomIniFile& store, const AnsiString& section, const char* key) {
  const int v = store.ReadInteger(section, key, 0);
  return v >= ppTopLeft && v <= ppBottomCenter ? static_cast<TPrintPosition>(v) : ppNone;
}

// The settings kept as lengths, yes/no flags and positions, each with its key
// and the value a missing key reads as: Save and Load both go through these
// lists, so that a key is spelt in one place. Each list is written as one
// run, in its order.
struct LengthKey {
  const char* key;
  int defaultValue;
  int TPrintSettingsData::*member;
};
struct FlagKey {
  const char* key;
  bool defaultValue;
  bool TPrintSettingsData::*member;
};
struct PositionKey {
  const char* key;
  TPrintPosition TPrintSettingsData::*member;
};

constexpr LengthKey kSpacings[] = {
    {"ColumnSpacing", 20, &TPrintSettingsData::ColumnSpacing},
    {"RowSpacing", 20, &TPrintSettingsData::RowSpacing},
    {"TitleSpacing", 20, &TPrintSettingsData::TitleSpacing},
    {"FixedHeight", 0, &TPrintSettingsData::FixedHeight},
    {"FixedWidth", 0, &TPrintSettingsData::FixedWidth},
};
constexpr FlagKey kFlags[] = {
    {"Centered", true, &TPrintSettingsData::Centered},
    {"NoAutoSize", false, &TPrintSettingsData::NoAutoSize},
    {"UseFixedHeight", false, &TPrintSettingsData::UseFixedHeight},
    {"UseFixedWidth", false, &TPrintSettingsData::UseFixedWidth},
    {"RepeatFixedRows", false, &TPrintSettingsData::RepeatFixedRows},
    {"RepeatFixedCols", false, &TPrintSettingsData::RepeatFixedCols},
    {"UseDisplFont", false, &TPrintSettingsData::UseDisplayFont},
    {"UseDefOrientation", false, &TPrintSettingsData::UseDefaultOrientation},
};
constexpr PositionKey kPositions[] = {
    {"Date", &TPrintSettingsData::Date},
    {"PageNr", &TPrintSettingsData::PageNr},
    {"Title", &TPrintSettingsData::Title},
    {"Time", &TPrintSettingsData::Time},
};
constexpr LengthKey kMargins[] = {
    {"FooterSize", 100, &TPrintSettingsData::FooterSize},
    {"HeaderSize", 100, &TPrintSettingsData::HeaderSize},
    {"LeftSize", 100, &TPrintSettingsData::LeftSize},
    {"RightSize", 100, &TPrintSettingsData::RightSize},
};

void WriteLengths(TCustomIniFile& store, const AnsiString& section, const TPrintSettingsData& settings,
                  std::span<const LengthKey> lengths) {
  for (const LengthKey& length : lengths) store.WriteInteger(section, length.key, settings.*length.member);
}

void ReadLengths(const TCustomIniFile& store, const AnsiString& section, std::span<const LengthKey> lengths,
                 TPrintSettingsData& settings) {
  for (const LengthKey& length : lengths)
    ReadLength(store, section, length.key, length.defaultValue, settings.*length.member);
}

}  // namespace

void TPrintSettingsStore::Save(TCustomIniFile& store, const AnsiString& section) const {
  TPrintSettings& s = settings_;
  WriteLengths(store, section, s, kSpacings);
  for (const FlagKey& flag : kFlags) store.WriteString(section, flag.key, YesNo(s.*flag.member));
  store.WriteInteger(section, "Borders", s.Borders);
  store.WriteInteger(section, "BorderStyle", s.BorderStyle);
  for (const PositionKey& position : kPositions) store.WriteInteger(section, position.key, s.*position.member);
  store.WriteString(section, "DateFormat", s.DateFormat);
  store.WriteString(section, "TitleText", s.TitleText);
  WriteLengths(store, section, s, kMargins);
  store.WriteInteger(section, "FitToPage", s.FitToPage);
  WriteFont(store, section, "", *s.Font());
  WriteFont(store, section, "Header", *s.HeaderFont());
  WriteFont(store, section, "Footer", *s.FooterFont());
  store.WriteString(section, "PageNumSep", s.PageNumSep);
  store.WriteString(section, "PageSuffix", s.PageSuffix);
  store.WriteString(section, "PagePrefix", s.PagePrefix);
  store.WriteInteger(section, "Orientation", s.Orientation);
  store.WriteString(section, "TitleLines", LFToCLF(s.TitleLines()->Text()));
}

void TPrintSettingsStore::Load(const TCustomIniFile& store, const AnsiString& section) {
  TPrintSettings& s = settings_;
  ReadLengths(store, section, kSpacings, s);
  for (const FlagKey& flag : kFlags)
    s.*flag.member = store.ReadString(section, flag.key, YesNo(flag.defaultValue)) == "Y";
  s.DateFormat = store.ReadString(section, "DateFormat", "");
  s.TitleText = store.ReadString(section, "TitleText", "");
  ReadLengths(store, section, kMargins, s);
  s.PageNumSep = store.ReadString(section, "PageNumSep", "");
  s.PageSuffix = store.ReadString(section, "PageSuffix", "");
  s.PagePrefix = store.ReadString(section, "PagePrefix", "");
  ReadOrdinal(store, section, "Borders", pbCustom, s.Borders);
  ReadOrdinal(store, section, "BorderStyle", 6, s.BorderStyle);
  for (const PositionKey& position : kPositions) s.*position.member = ReadPosition(store, section, position.key);
  ReadOrdinal(store, section, "FitToPage", fpCustom, s.FitToPage);
  ReadFont(store, section, "", *s.Font());
  ReadFont(store, section, "Header", *s.HeaderFont());
  ReadFont(store, section, "Footer", *s.FooterFont());
  s.TitleLines()->SetText(CLFToLF(store.ReadString(section, "TitleLines", "")));
  ReadOrdinal(store, section, "Orientation", poLandscape, s.Orientation);
}
