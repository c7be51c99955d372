#include "grid/visualprops.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <map>

#include "framework/colornames.h"
#include "grid/duruzav.h"
#include "platform/textfile.h"

namespace {

constexpr int kAnyInt = std::numeric_limits<int>::min();
constexpr int kMaxInt = std::numeric_limits<int>::max();
// Sizes beyond these are no look a grid was saved with, and would overflow
// the arithmetic of painting.
constexpr int kMaxFontPoints = 1638;
constexpr int kMaxDrawnSize = 255;
constexpr int kMaxOffset = 32767;

const AnsiString kStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
constexpr TFontStyle kStyles[] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};

AnsiString StyleText(TFontStyles style) {
  TStringList names;
  for (int i = 0; i < 4; ++i)
    if (style & kStyles[i]) names.Add(kStyleNames[i]);
  return names.CommaText();
}

// A style is set when its name occurs anywhere in the value.
TFontStyles StyleOfText(const AnsiString& value) {
  TFontStyles style = 0;
  for (int i = 0; i < 4; ++i)
    if (value.find(kStyleNames[i]) != AnsiString::npos) style |= kStyles[i];
  return style;
}

int IntegerIn(const AnsiString& key, const AnsiString& value, int min, int max) {
  const int number = StrToInt(value);
  if (number < min || number > max) throw EConvertError("'" + value + "' is out of range for " + key);
  return number;
}

// The value of the first line carrying each key, by upper-cased key.
std::map<AnsiString, AnsiString> FirstValues(const AnsiString& text) {
  TStringList lines;
  lines.SetText(text);
  std::map<AnsiString, AnsiString> values;
  for (int i = 0; i < lines.Count(); ++i) {
    const AnsiString& line = lines[i];
    const std::size_t equals = line.find('=');
    if (equals != AnsiString::npos) values.emplace(UpperCase(line.substr(0, equals)), line.substr(equals + 1));
  }
  return values;
}

}  // namespace

TVisualPropsFile::TVisualPropsFile(TVudUvizidIzed& grid) : grid_(grid) { AddEntries(); }

void TVisualPropsFile::AddColor(const AnsiString& key, std::function<TColor()> get, std::function<void(TColor)> set) {
  entries_.push_back({key, [get](AnsiString& v) { return v = ColorToString(get()), true; },
                      [set](const AnsiString& v) { set(StringToColor(v)); }});
}

void TVisualPropsFile::AddBool(const AnsiString& key, std::function<bool()> get, std::function<void(bool)> set) {
  entries_.push_back({key, [get](AnsiString& v) { return v = get() ? "true" : "false", true; },
                      [set](const AnsiString& v) { set(UpperCase(v) == "TRUE"); }});
}

void TVisualPropsFile::AddInteger(const AnsiString& key, int min, int max, std::function<int()> get,
                                  std::function<void(int)> set) {
  entries_.push_back({key, [get](AnsiString& v) { return v = IntToStr(get()), true; },
                      [=](const AnsiString& v) { set(IntegerIn(key, v, min, max)); }});
}

void TVisualPropsFile::AddEnum(const AnsiString& key, std::vector<AnsiString> names, std::function<int()> get,
                               std::function<void(int)> set) {
  auto write = [names, get](AnsiString& v) {
    const int value = get();
    if (value < 0 || value >= static_cast<int>(names.size())) return false;
    v = names[value];
    return true;
  };
  auto read = [names, set](const AnsiString& v) {
    const AnsiString upper = UpperCase(v);
    for (std::size_t i = 0; i < names.size(); ++i)
      if (UpperCase(names[i]) == upper) return set(static_cast<int>(i));
  };
  entries_.push_back({key, write, read});
}

void TVisualPropsFile::AddFont(const AnsiString& key, TFont* font) {
  AddColor(key + ".Color", [font] { return font->Color(); }, [font](TColor c) { font->SetColor(c); });
  entries_.push_back({key + ".Style", [font](AnsiString& v) { return v = StyleText(font->Style()), true; },
                      [font](const AnsiString& v) { font->SetStyle(StyleOfText(v)); }});
  AddInteger(key + ".Size", 1, kMaxFontPoints, [font] { return font->Size(); },
             [font](int size) { font->SetSize(size); });
  entries_.push_back({key + ".Name", [font](AnsiString& v) { return v = font->Name(), true; },
                      [font](const AnsiString& v) { font->SetName(v); }});
}

void TVisualPropsFile::AddEntries() {
  TVudUvizidIzed& g = grid_;
  TVudUvizidIzed::Settings& p = g.Props();
  AddColor("Color", [&] { return g.Color(); }, [&](TColor c) { g.SetColor(c); });
  AddColor("HintColor", [&] { return p.HintColor; }, [&](TColor c) { p.HintColor = c; });
  AddColor("SelectionColor", [&] { return p.SelectionColor; }, [&](TColor c) { g.SetSelectionColor(c); });
  AddColor("SelectionColorTo", [&] { return p.SelectionColorTo; }, [&](TColor c) { g.SetSelectionColorTo(c); });
  AddColor("SelectionTextColor", [&] { return p.SelectionTextColor; },
           [&](TColor c) { g.SetSelectionTextColor(c); });
  AddColor("URLColor", [&] { return p.URLColor; }, [&](TColor c) { g.SetURLColor(c); });
  AddBool("URLShow", [&] { return p.URLShow; }, [&](bool b) { g.SetURLShow(b); });
  AddColor("ScrollColor", [&] { return p.ScrollColor; }, [&](TColor c) { p.ScrollColor = c; });
  AddColor("ActiveRowColor", [&] { return g.ActiveRowColor(); }, [&](TColor c) { g.SetActiveRowColor(c); });
  AddBool("ActiveRowShow", [&] { return g.ActiveRowShow(); }, [&](bool b) { g.SetActiveRowShow(b); });
  AddBool("ActiveCellShow", [&] { return p.ActiveCellShow; }, [&](bool b) { g.SetActiveCellShow(b); });
  AddFont("Font", g.Font());
  AddColor("ActiveCellColor", [&] { return p.ActiveCellColor; }, [&](TColor c) { g.SetActiveCellColor(c); });
  AddColor("ActiveCellColorTo", [&] { return p.ActiveCellColorTo; }, [&](TColor c) { g.SetActiveCellColorTo(c); });
  AddFont("ActiveCellFont", g.ActiveCellFont());
  AddFont("FixedFont", g.FixedFont());

  TBalloonSettings& balloon = *g.Balloon();
  AddColor("Balloon.BackgroundColor", [&] { return balloon.BackgroundColor; },
           [&](TColor c) { balloon.BackgroundColor = c; });
  AddColor("Balloon.TextColor", [&] { return balloon.TextColor; }, [&](TColor c) { balloon.TextColor = c; });
  AddInteger("Balloon.Transparency", kAnyInt, kMaxInt, [&] { return int{balloon.Transparency}; },
             [&](int t) { balloon.Transparency = static_cast<unsigned char>(t & 0xFF); });

  TBands& bands = *g.Bands();
  AddColor("Bands.PrimaryColor", [&] { return bands.PrimaryColor(); }, [&](TColor c) { bands.SetPrimaryColor(c); });
  AddColor("Bands.SecondaryColor", [&] { return bands.SecondaryColor(); },
           [&](TColor c) { bands.SetSecondaryColor(c); });
  AddBool("Bands.Active", [&] { return bands.Active(); }, [&](bool b) { bands.SetActive(b); });
  AddColor("SortSettings.IndexColor", [&] { return g.SortSettings()->IndexColor; },
           [&](TColor c) { g.SortSettings()->IndexColor = c; });
  AddColor("FloatingFooter.Color", [&] { return g.FloatingFooter()->Color; },
           [&](TColor c) { g.FloatingFooter()->Color = c; });

  TControlLook& look = *g.ControlLook();
  AddInteger("ControlLook.CheckSize", 0, kMaxDrawnSize, [&] { return look.CheckSize(); },
             [&](int s) { look.SetCheckSize(s); });
  AddColor("ControlLook.Color", [&] { return look.Color(); }, [&](TColor c) { look.SetColor(c); });
  AddColor("ControlLook.CommentColor", [&] { return look.CommentColor(); },
           [&](TColor c) { look.SetCommentColor(c); });
  AddEnum("ControlLook.ControlStyle", {"csClassic", "csFlat", "csWinXP", "csBorland", "csRUD", "csGlyph", "csTheme"},
          [&] { return int{look.ControlStyle()}; },
          [&](int v) { look.SetControlStyle(static_cast<TControlStyle>(v)); });
  AddColor("ControlLook.FixedGradientFrom", [&] { return look.FixedGradientFrom(); },
           [&](TColor c) { look.SetFixedGradientFrom(c); });
  AddColor("ControlLook.FixedGradientTo", [&] { return look.FixedGradientTo(); },
           [&](TColor c) { look.SetFixedGradientTo(c); });
  AddInteger("ControlLook.RadioSize", 0, kMaxDrawnSize, [&] { return look.RadioSize(); },
             [&](int s) { look.SetRadioSize(s); });
  AddBool("ControlLook.FlatButton", [&] { return look.FlatButton(); }, [&](bool b) { look.SetFlatButton(b); });
  AddColor("ControlLook.ProgressBorderColor", [&] { return look.ProgressBorderColor; },
           [&](TColor c) { look.ProgressBorderColor = c; });
  AddBool("ControlLook.ProgressXP", [&] { return look.ProgressXP(); }, [&](bool b) { look.SetProgressXP(b); });
  AddEnum("Look", {"glStandard", "glSoft", "glClassic", "glRUD", "glXP", "glListView"}, [&] { return int{p.Look}; },
          [&](int v) { g.SetLook(static_cast<TGridLook>(v)); });

  TSearchFooter& search = *g.SearchFooter();
  AddColor("SearchFooter.Color", [&] { return search.Color(); }, [&](TColor c) { search.SetColor(c); });
  AddColor("SearchFooter.ColorTo", [&] { return search.ColorTo(); }, [&](TColor c) { search.SetColorTo(c); });

  TGrouping& grouping = *g.Grouping();
  AddColor("Grouping.HeaderColor", [&] { return grouping.HeaderColor; }, [&](TColor c) { grouping.HeaderColor = c; });
  AddColor("Grouping.HeaderColorTo", [&] { return grouping.HeaderColorTo; },
           [&](TColor c) { grouping.HeaderColorTo = c; });
  AddColor("Grouping.HeaderTextColor", [&] { return grouping.HeaderTextColor; },
           [&](TColor c) { grouping.HeaderTextColor = c; });
  AddBool("Grouping.HeaderUnderline", [&] { return grouping.HeaderUnderline; },
          [&](bool b) { grouping.HeaderUnderline = b; });
  AddColor("Grouping.HeaderLineColor", [&] { return grouping.HeaderLineColor; },
           [&](TColor c) { grouping.HeaderLineColor = c; });
  AddInteger("Grouping.HeaderLineWidth", 0, kMaxDrawnSize, [&] { return grouping.HeaderLineWidth; },
             [&](int w) { grouping.HeaderLineWidth = w; });
  AddColor("Grouping.SummaryColor", [&] { return grouping.SummaryColor; },
           [&](TColor c) { grouping.SummaryColor = c; });
  AddColor("Grouping.SummaryColorTo", [&] { return grouping.SummaryColorTo; },
           [&](TColor c) { grouping.SummaryColorTo = c; });
  AddColor("Grouping.SummaryTextColor", [&] { return grouping.SummaryTextColor; },
           [&](TColor c) { grouping.SummaryTextColor = c; });
  AddBool("Grouping.SummaryLine", [&] { return grouping.SummaryLine; }, [&](bool b) { grouping.SummaryLine = b; });
  AddColor("Grouping.SummaryLineColor", [&] { return grouping.SummaryLineColor; },
           [&](TColor c) { grouping.SummaryLineColor = c; });
  AddInteger("Grouping.SummaryLineWidth", 0, kMaxDrawnSize, [&] { return grouping.SummaryLineWidth; },
             [&](int w) { grouping.SummaryLineWidth = w; });
  AddColor("GridLineColor", [&] { return g.GridLineColor(); }, [&](TColor c) { g.SetGridLineColor(c); });

  TBackGround& back = *g.BackGround();
  AddInteger("BackGround.Top", -kMaxOffset, kMaxOffset, [&] { return back.Top(); }, [&](int v) { back.SetTop(v); });
  AddInteger("BackGround.Left", -kMaxOffset, kMaxOffset, [&] { return back.Left(); },
             [&](int v) { back.SetLeft(v); });
  AddEnum("BackGround.Display", {"bdTile", "bdFixed", "bdGradientHorz", "bdGradientVert"},
          [&] { return int{back.Display()}; }, [&](int v) { back.SetDisplay(static_cast<TBackGroundDisplay>(v)); });
  AddEnum("BackGround.Cells", {"bcNormal", "bcFixed", "bcAll"}, [&] { return int{back.Cells()}; },
          [&](int v) { back.SetCells(static_cast<TBackGroundCells>(v)); });
  AddColor("BackGround.Color", [&] { return back.Color(); }, [&](TColor c) { back.SetColor(c); });
  AddColor("BackGround.ColorTo", [&] { return back.ColorTo(); }, [&](TColor c) { back.SetColorTo(c); });
}

AnsiString TVisualPropsFile::ToText() const {
  AnsiString text;
  for (const Entry& entry : entries_) {
    AnsiString value;
    if (entry.write(value)) text += entry.key + "=" + value + "\r\n";
  }
  return text;
}

void TVisualPropsFile::Apply(const AnsiString& text) {
  const std::map<AnsiString, AnsiString> values = FirstValues(text);
  // The grid line colour is read before the grouping entries.
  std::vector<const Entry*> order;
  for (const Entry& entry : entries_) order.push_back(&entry);
  const auto byKey = [&](const char* key) {
    return std::find_if(order.begin(), order.end(), [&](const Entry* e) { return e->key == key; });
  };
  std::rotate(byKey("Grouping.HeaderColor"), byKey("GridLineColor"), byKey("GridLineColor") + 1);
  for (const Entry* entry : order) {
    const auto found = values.find(UpperCase(entry->key));
    entry->read(found == values.end() ? AnsiString() : found->second);
  }
}

void TVisualPropsFile::Save(const AnsiString& fileName) const {
  std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
  if (!file) throw Exception("Cannot Create " + fileName);
  file << ToText();
  if (!file.flush()) throw Exception("Cannot Create " + fileName);
}

void TVisualPropsFile::Load(const AnsiString& fileName) {
  std::string text;
  if (!platform::ReadWholeFile(fileName, &text)) throw Exception("Cannot open file " + fileName);
  Apply(text);
}
