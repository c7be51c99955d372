#include "grid/gridprintsettings.h"

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

}  // namespace

void TPrintSettingsStore::Save(TCustomIniFile& store, const AnsiString& section) const {
  TPrintSettings& s = settings_;
  store.WriteInteger(section, "ColumnSpacing", s.ColumnSpacing);
  store.WriteInteger(section, "RowSpacing", s.RowSpacing);
  store.WriteInteger(section, "TitleSpacing", s.TitleSpacing);
  store.WriteInteger(section, "FixedHeight", s.FixedHeight);
  store.WriteInteger(section, "FixedWidth", s.FixedWidth);
  store.WriteString(section, "Centered", YesNo(s.Centered));
  store.WriteString(section, "NoAutoSize", YesNo(s.NoAutoSize));
  store.WriteString(section, "UseFixedHeight", YesNo(s.UseFixedHeight));
  store.WriteString(section, "UseFixedWidth", YesNo(s.UseFixedWidth));
  store.WriteString(section, "RepeatFixedRows", YesNo(s.RepeatFixedRows));
  store.WriteString(section, "RepeatFixedCols", YesNo(s.RepeatFixedCols));
  store.WriteString(section, "UseDisplFont", YesNo(s.UseDisplayFont));
  store.WriteString(section, "UseDefOrientation", YesNo(s.UseDefaultOrientation));
  store.WriteInteger(section, "Borders", s.Borders);
  store.WriteInteger(section, "BorderStyle", s.BorderStyle);
  store.WriteInteger(section, "Date", s.Date);
  store.WriteInteger(section, "PageNr", s.PageNr);
  store.WriteInteger(section, "Title", s.Title);
  store.WriteInteger(section, "Time", s.Time);
  store.WriteString(section, "DateFormat", s.DateFormat);
  store.WriteString(section, "TitleText", s.TitleText);
  store.WriteInteger(section, "FooterSize", s.FooterSize);
  store.WriteInteger(section, "HeaderSize", s.HeaderSize);
  store.WriteInteger(section, "LeftSize", s.LeftSize);
  store.WriteInteger(section, "RightSize", s.RightSize);
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
  auto yes = [&](const char* key, const char* defaultValue) {
    return store.ReadString(section, key, defaultValue) == "Y";
  };
  ReadLength(store, section, "ColumnSpacing", 20, s.ColumnSpacing);
  ReadLength(store, section, "RowSpacing", 20, s.RowSpacing);
  ReadLength(store, section, "TitleSpacing", 20, s.TitleSpacing);
  ReadLength(store, section, "FixedHeight", 0, s.FixedHeight);
  ReadLength(store, section, "FixedWidth", 0, s.FixedWidth);
  s.Centered = yes("Centered", "Y");
  s.NoAutoSize = yes("NoAutoSize", "N");
  s.UseFixedHeight = yes("UseFixedHeight", "N");
  s.UseFixedWidth = yes("UseFixedWidth", "N");
  s.RepeatFixedRows = yes("RepeatFixedRows", "N");
  s.RepeatFixedCols = yes("RepeatFixedCols", "N");
  s.UseDisplayFont = yes("UseDisplFont", "N");
  s.UseDefaultOrientation = yes("UseDefOrientation", "N");
  s.DateFormat = store.ReadString(section, "DateFormat", "");
  s.TitleText = store.ReadString(section, "TitleText", "");
  ReadLength(store, section, "FooterSize", 100, s.FooterSize);
  ReadLength(store, section, "HeaderSize", 100, s.HeaderSize);
  ReadLength(store, section, "LeftSize", 100, s.LeftSize);
  ReadLength(store, section, "RightSize", 100, s.RightSize);
  s.PageNumSep = store.ReadString(section, "PageNumSep", "");
  s.PageSuffix = store.ReadString(section, "PageSuffix", "");
  s.PagePrefix = store.ReadString(section, "PagePrefix", "");
  ReadOrdinal(store, section, "Borders", pbCustom, s.Borders);
  ReadOrdinal(store, section, "BorderStyle", 6, s.BorderStyle);
  s.Date = ReadPosition(store, section, "Date");
  s.PageNr = ReadPosition(store, section, "PageNr");
  s.Title = ReadPosition(store, section, "Title");
  s.Time = ReadPosition(store, section, "Time");
  ReadOrdinal(store, section, "FitToPage", fpCustom, s.FitToPage);
  ReadFont(store, section, "", *s.Font());
  ReadFont(store, section, "Header", *s.HeaderFont());
  ReadFont(store, section, "Footer", *s.FooterFont());
  s.TitleLines()->SetText(CLFToLF(store.ReadString(section, "TitleLines", "")));
  ReadOrdinal(store, section, "Orientation", poLandscape, s.Orientation);
}
