#include "grid/gridcellio.h"

#include <array>
#include <climits>
#include <cmath>
#include <span>

#include "framework/streams.h"

namespace {

// Limits of what a saved cell can sensibly hold; a value beyond them is a
// damaged or forged record, refused before it reaches the painters.
constexpr int kMaxPixels = 65535;
constexpr int kMaxFontSize = 1000;
constexpr int kMaxNodeLevel = 255;
constexpr int kMaxTextIndex = INT_MAX;

[[noreturn]] void InvalidValue() { throw EReadError("Invalid property value"); }

int ReadInRange(TReader& reader, int low, int high) {
  const int value = reader.ReadInteger();
  if (value < low || value > high) InvalidValue();
  return value;
}

template <std::size_t N>
int ReadEnum(TReader& reader, const std::array<const char*, N>& names) {
  const AnsiString ident = reader.ReadIdent();
  for (std::size_t i = 0; i < N; ++i)
    if (SameText(ident, names[i])) return static_cast<int>(i);
  InvalidValue();
}

constexpr std::array<const char*, 24> kCellTypes = {
    "ctBitmap", "ctIcon", "ctNone", "ctImageList", "ctCheckBox", "ctDataCheckBox", "ctRotated", "ctDataImage",
    "ctNode", "ctRadio", "ctEmpty", "ctImages", "ctPicture", "ctFilePicture", "ctValue", "ctProgress",
    "ctComment", "ctButton", "ctBitButton", "ctVirtCheckBox", "ctRowCheckBox", "ctProgressPie", "ctSummary",
    "ctRangeIndicator"};
constexpr std::array<const char*, 6> kCellVAligns = {"vaTop", "vaBottom", "vaCenter", "vaUnderText", "vaAboveText",
                                                     "vaFull"};
constexpr std::array<const char*, 6> kCellHAligns = {"haLeft", "haRight", "haCenter", "haBeforeText", "haAfterText",
                                                     "haFull"};
constexpr std::array<const char*, 3> kVAlignments = {"vtaTop", "vtaCenter", "vtaBottom"};
constexpr std::array<const char*, 3> kAlignments = {"taLeftJustify", "taRightJustify", "taCenter"};
constexpr std::array<const char*, 8> kBrushStyles = {"bsSolid", "bsClear", "bsHorizontal", "bsVertical",
                                                     "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross"};
constexpr std::array<const char*, 4> kFontStyles = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
constexpr std::array<const char*, 33> kEditors = {
    "edNormal", "edSpinEdit", "edComboEdit", "edComboList", "edEditBtn", "edCheckBox", "edDateEdit",
    "edDateEditUpDown", "edTimeEdit", "edButton", "edDataCheckBox", "edNumeric", "edPositiveNumeric", "edFloat",
    "edCapital", "edMixedCase", "edPassword", "edUnitEditBtn", "edLowerCase", "edUpperCase", "edFloatSpinEdit",
    "edTimeSpinEdit", "edDateSpinEdit", "edNumericEditBtn", "edFloatEditBtn", "edCustom", "edRichEdit", "edNone",
    "edUniEdit", "edUniComboEdit", "edUniComboList", "edUniEditBtn", "edUniMemo"};

std::vector<AnsiString> FontStyleIdents(TFontStyles styles) {
  std::vector<AnsiString> idents;
  for (std::size_t i = 0; i < kFontStyles.size(); ++i)
    if (styles & (1u << i)) idents.emplace_back(kFontStyles[i]);
  return idents;
}

TFontStyles ReadFontStyles(TReader& reader) {
  TFontStyles styles = 0;
  for (const AnsiString& ident : reader.ReadSet()) {
    std::size_t i = 0;
    while (i < kFontStyles.size() && !SameText(ident, kFontStyles[i])) ++i;
    if (i == kFontStyles.size()) InvalidValue();
    styles |= 1u << i;
  }
  return styles;
}

// One published property of a nested object: how it is written, read, and
// whether it is written at all (an empty string is not).
template <class T>
struct Field {
  const char* name;
  void (*write)(TWriter&, const T&);
  void (*read)(TReader&, T&);
  bool (*present)(const T&) = nullptr;
};

template <class T>
void WriteFields(TWriter& writer, const char* prefix, std::span<const Field<T>> fields, const T& object) {
  for (const Field<T>& field : fields) {
    if (field.present && !field.present(object)) continue;
    writer.WritePropName(AnsiString(prefix) + "." + field.name);
    field.write(writer, object);
  }
}

template <class T>
bool ReadField(TReader& reader, const AnsiString& name, const char* prefix, std::span<const Field<T>> fields,
               T& object) {
  const AnsiString head = AnsiString(prefix) + ".";
  if (name.size() <= head.size() || !SameText(name.substr(0, head.size()), head)) return false;
  const AnsiString rest = name.substr(head.size());
  for (const Field<T>& field : fields) {
    if (!SameText(rest, field.name)) continue;
    field.read(reader, object);
    return true;
  }
  return false;
}

const Field<TCellProperties> kCellPropertyFields[] = {
    {"IsBaseCell", [](TWriter& w, const TCellProperties& p) { w.WriteBoolean(p.IsBaseCell); },
     [](TReader& r, TCellProperties& p) { p.IsBaseCell = r.ReadBoolean(); }},
    {"CellSpanX", [](TWriter& w, const TCellProperties& p) { w.WriteInteger(p.CellSpanX); },
     [](TReader& r, TCellProperties& p) { p.CellSpanX = ReadInRange(r, -1, INT_MAX); }},
    {"CellSpanY", [](TWriter& w, const TCellProperties& p) { w.WriteInteger(p.CellSpanY); },
     [](TReader& r, TCellProperties& p) { p.CellSpanY = ReadInRange(r, -1, INT_MAX); }},
    {"OwnerCol", [](TWriter& w, const TCellProperties& p) { w.WriteInteger(p.OwnerCol); },
     [](TReader& r, TCellProperties& p) { p.OwnerCol = r.ReadInteger(); }},
    {"OwnerRow", [](TWriter& w, const TCellProperties& p) { w.WriteInteger(p.OwnerRow); },
     [](TReader& r, TCellProperties& p) { p.OwnerRow = r.ReadInteger(); }},
    {"Alignment", [](TWriter& w, const TCellProperties& p) { w.WriteIdent(kAlignments[p.Alignment]); },
     [](TReader& r, TCellProperties& p) { p.Alignment = static_cast<TAlignment>(ReadEnum(r, kAlignments)); }},
    {"BorderColor", [](TWriter& w, const TCellProperties& p) { w.WriteInteger(static_cast<int>(p.BorderColor)); },
     [](TReader& r, TCellProperties& p) { p.BorderColor = static_cast<TColor>(r.ReadInteger()); }},
    {"BorderWidth", [](TWriter& w, const TCellProperties& p) { w.WriteInteger(p.BorderWidth); },
     [](TReader& r, TCellProperties& p) { p.BorderWidth = ReadInRange(r, 0, kMaxPixels); }},
    {"BrushColor", [](TWriter& w, const TCellProperties& p) { w.WriteInteger(static_cast<int>(p.BrushColor())); },
     [](TReader& r, TCellProperties& p) { p.SetBrushColor(static_cast<TColor>(r.ReadInteger())); }},
    {"BrushColorTo", [](TWriter& w, const TCellProperties& p) { w.WriteInteger(static_cast<int>(p.BrushColorTo())); },
     [](TReader& r, TCellProperties& p) { p.SetBrushColorTo(static_cast<TColor>(r.ReadInteger())); }},
    {"BrushStyle", [](TWriter& w, const TCellProperties& p) { w.WriteIdent(kBrushStyles[p.BrushStyle]); },
     [](TReader& r, TCellProperties& p) { p.BrushStyle = static_cast<TBrushStyle>(ReadEnum(r, kBrushStyles)); }},
    {"FontColor", [](TWriter& w, const TCellProperties& p) { w.WriteInteger(static_cast<int>(p.FontColor)); },
     [](TReader& r, TCellProperties& p) { p.FontColor = static_cast<TColor>(r.ReadInteger()); }},
    {"FontName", [](TWriter& w, const TCellProperties& p) { w.WriteString(p.FontName); },
     [](TReader& r, TCellProperties& p) { p.FontName = r.ReadString(); },
     [](const TCellProperties& p) { return !p.FontName.empty(); }},
    {"FontSize", [](TWriter& w, const TCellProperties& p) { w.WriteInteger(p.FontSize); },
     [](TReader& r, TCellProperties& p) { p.FontSize = ReadInRange(r, -kMaxFontSize, kMaxFontSize); }},
    {"FontStyle", [](TWriter& w, const TCellProperties& p) { w.WriteSet(FontStyleIdents(p.FontStyle)); },
     [](TReader& r, TCellProperties& p) { p.FontStyle = ReadFontStyles(r); }},
    {"Editor", [](TWriter& w, const TCellProperties& p) { w.WriteIdent(kEditors[p.Editor]); },
     [](TReader& r, TCellProperties& p) { p.Editor = static_cast<TEditorType>(ReadEnum(r, kEditors)); }},
    {"ReadOnly", [](TWriter& w, const TCellProperties& p) { w.WriteBoolean(p.ReadOnly); },
     [](TReader& r, TCellProperties& p) { p.ReadOnly = r.ReadBoolean(); }},
    {"VAlignment", [](TWriter& w, const TCellProperties& p) { w.WriteIdent(kVAlignments[p.VAlignment()]); },
     [](TReader& r, TCellProperties& p) { p.SetVAlignment(static_cast<TVAlignment>(ReadEnum(r, kVAlignments))); }},
    {"WordWrap", [](TWriter& w, const TCellProperties& p) { w.WriteBoolean(p.WordWrap()); },
     [](TReader& r, TCellProperties& p) { p.SetWordWrap(r.ReadBoolean()); }},
    {"NodeLevel", [](TWriter& w, const TCellProperties& p) { w.WriteInteger(p.NodeLevel); },
     [](TReader& r, TCellProperties& p) { p.NodeLevel = ReadInRange(r, 0, kMaxNodeLevel); }},
};

const Field<TCellGraphic> kCellGraphicFields[] = {
    {"CellType", [](TWriter& w, const TCellGraphic& g) { w.WriteIdent(kCellTypes[g.CellType]); },
     [](TReader& r, TCellGraphic& g) { g.CellType = static_cast<TCellType>(ReadEnum(r, kCellTypes)); }},
    {"CellVAlign", [](TWriter& w, const TCellGraphic& g) { w.WriteIdent(kCellVAligns[g.CellVAlign]); },
     [](TReader& r, TCellGraphic& g) { g.CellVAlign = static_cast<TCellVAlign>(ReadEnum(r, kCellVAligns)); }},
    {"CellHAlign", [](TWriter& w, const TCellGraphic& g) { w.WriteIdent(kCellHAligns[g.CellHAlign]); },
     [](TReader& r, TCellGraphic& g) { g.CellHAlign = static_cast<TCellHAlign>(ReadEnum(r, kCellHAligns)); }},
    {"CellIndex", [](TWriter& w, const TCellGraphic& g) { w.WriteInteger(g.CellIndex); },
     [](TReader& r, TCellGraphic& g) { g.CellIndex = r.ReadInteger(); }},
    {"CellTransparent", [](TWriter& w, const TCellGraphic& g) { w.WriteBoolean(g.CellTransparent); },
     [](TReader& r, TCellGraphic& g) { g.CellTransparent = r.ReadBoolean(); }},
    {"CellCreated", [](TWriter& w, const TCellGraphic& g) { w.WriteBoolean(g.CellCreated); },
     [](TReader& r, TCellGraphic& g) { g.CellCreated = r.ReadBoolean(); }},
    {"CellBoolean", [](TWriter& w, const TCellGraphic& g) { w.WriteBoolean(g.CellBoolean); },
     [](TReader& r, TCellGraphic& g) { g.CellBoolean = r.ReadBoolean(); }},
    {"CellAngle", [](TWriter& w, const TCellGraphic& g) { w.WriteInteger(g.CellAngle); },
     [](TReader& r, TCellGraphic& g) { g.CellAngle = r.ReadInteger(); }},
    {"CellValue", [](TWriter& w, const TCellGraphic& g) { w.WriteDouble(g.CellValue); },
     [](TReader& r, TCellGraphic& g) {
       g.CellValue = r.ReadDouble();
       if (!std::isfinite(g.CellValue)) InvalidValue();
     }},
    {"CellErrFrom", [](TWriter& w, const TCellGraphic& g) { w.WriteInteger(g.CellErrFrom); },
     [](TReader& r, TCellGraphic& g) { g.CellErrFrom = ReadInRange(r, 0, kMaxTextIndex); }},
    {"CellErrLen", [](TWriter& w, const TCellGraphic& g) { w.WriteInteger(g.CellErrLen); },
     [](TReader& r, TCellGraphic& g) { g.CellErrLen = ReadInRange(r, 0, kMaxTextIndex); }},
    {"CellText", [](TWriter& w, const TCellGraphic& g) { w.WriteString(g.CellText); },
     [](TReader& r, TCellGraphic& g) { g.CellText = r.ReadString(); },
     [](const TCellGraphic& g) { return !g.CellText.empty(); }},
};

// A graphic's bytes in the format its class saves.
std::string GraphicBytes(const TGraphic& graphic) {
  TStringStream stream;
  graphic.SaveToStream(stream);
  return stream.DataString();
}

void LoadGraphicBytes(TGraphic& graphic, const std::string& bytes) {
  TStringStream stream(bytes);
  graphic.LoadFromStream(stream);
}

}  // namespace

// ---- TGridRecordIO ----

void TGridRecordIO::WriteRecord(TWriter& writer) const {
  writer.WriteSignature();
  writer.WriteStr(ClassName());
  writer.WriteStr(AnsiString());
  WriteProperties(writer);
  writer.WriteListEnd();
  writer.WriteListEnd();
}

void TGridRecordIO::ReadRecord(TReader& reader) {
  Reset();
  reader.ReadSignature();
  reader.ReadStr();
  reader.ReadStr();
  while (!reader.EndOfList()) {
    const AnsiString name = reader.ReadPropName();
    if (!ReadProperty(name, reader)) throw EReadError("Property " + name + " does not exist");
  }
  reader.ReadListEnd();
  reader.ReadListEnd();
}

// ---- TGridPropIO ----

void TGridPropIO::Reset() {
  ColCount = RowCount = ID = 0;
  ColWidths.clear();
  RowHeights.clear();
  FullGrid = false;
}

void TGridPropIO::WriteProperties(TWriter& writer) const {
  writer.WritePropName("ColCount");
  writer.WriteInteger(ColCount);
  writer.WritePropName("RowCount");
  writer.WriteInteger(RowCount);
  if (!ColWidths.empty()) {
    writer.WritePropName("ColWidths");
    writer.WriteString(ColWidths);
  }
  if (!RowHeights.empty()) {
    writer.WritePropName("RowHeights");
    writer.WriteString(RowHeights);
  }
  writer.WritePropName("FullGrid");
  writer.WriteBoolean(FullGrid);
  writer.WritePropName("ID");
  writer.WriteInteger(ID);
}

bool TGridPropIO::ReadProperty(const AnsiString& name, TReader& reader) {
  if (SameText(name, "ColCount")) ColCount = ReadInRange(reader, 0, INT_MAX);
  else if (SameText(name, "RowCount")) RowCount = ReadInRange(reader, 0, INT_MAX);
  else if (SameText(name, "ColWidths")) ColWidths = reader.ReadString();
  else if (SameText(name, "RowHeights")) RowHeights = reader.ReadString();
  else if (SameText(name, "FullGrid")) FullGrid = reader.ReadBoolean();
  else if (SameText(name, "ID")) ID = reader.ReadInteger();
  else return false;
  return true;
}

// ---- TGridCellIO ----

void TGridCellIO::Reset() {
  Col = Row = 0;
  Cell.clear();
  HasProp = false;
}

void TGridCellIO::WriteProperties(TWriter& writer) const {
  writer.WritePropName("Col");
  writer.WriteInteger(Col);
  writer.WritePropName("Row");
  writer.WriteInteger(Row);
  if (!Cell.empty()) {
    writer.WritePropName("Cell");
    writer.WriteString(Cell);
  }
  writer.WritePropName("HasProp");
  writer.WriteBoolean(HasProp);
}

bool TGridCellIO::ReadProperty(const AnsiString& name, TReader& reader) {
  if (SameText(name, "Col")) Col = ReadInRange(reader, 0, INT_MAX);
  else if (SameText(name, "Row")) Row = ReadInRange(reader, 0, INT_MAX);
  else if (SameText(name, "Cell")) Cell = reader.ReadString();
  else if (SameText(name, "HasProp")) HasProp = reader.ReadBoolean();
  else return false;
  return true;
}

// ---- TGridCellPropIO ----

TGridCellPropIO::TGridCellPropIO(TBaseGrid* grid)
    : TGridRecordIO(grid), grid_(grid), cellProperties_(std::make_unique<TCellProperties>(grid, 0, 0)) {}

void TGridCellPropIO::Reset() {
  cellProperties_ = std::make_unique<TCellProperties>(grid_, 0, 0);
  // An absent name is an empty one, not the default font's.
  cellProperties_->FontName.clear();
  HasGraphic = false;
}

void TGridCellPropIO::WriteProperties(TWriter& writer) const {
  WriteFields<TCellProperties>(writer, "CellProperties", kCellPropertyFields, *cellProperties_);
  writer.WritePropName("HasGraphic");
  writer.WriteBoolean(HasGraphic);
}

bool TGridCellPropIO::ReadProperty(const AnsiString& name, TReader& reader) {
  if (SameText(name, "HasGraphic")) {
    HasGraphic = reader.ReadBoolean();
    return true;
  }
  return ReadField<TCellProperties>(reader, name, "CellProperties", kCellPropertyFields, *cellProperties_);
}

// ---- TGridGraphicIO ----

void TGridGraphicIO::Reset() { cellGraphic_ = std::make_unique<TCellGraphic>(); }

void TGridGraphicIO::WriteProperties(TWriter& writer) const {
  WriteFields<TCellGraphic>(writer, "CellGraphic", kCellGraphicFields, *cellGraphic_);
}

bool TGridGraphicIO::ReadProperty(const AnsiString& name, TReader& reader) {
  return ReadField<TCellGraphic>(reader, name, "CellGraphic", kCellGraphicFields, *cellGraphic_);
}

// ---- Pictures ----

void TGridBMPIO::Reset() { Bitmap.SetImage(QImage()); }

void TGridBMPIO::WriteProperties(TWriter& writer) const {
  if (Bitmap.Empty()) return;
  writer.WritePropName("Bitmap.Data");
  writer.WriteBinary(GraphicBytes(Bitmap));
}

bool TGridBMPIO::ReadProperty(const AnsiString& name, TReader& reader) {
  if (!SameText(name, "Bitmap.Data")) return false;
  LoadGraphicBytes(Bitmap, reader.ReadBinary());
  return true;
}

void TGridIconIO::Reset() { Icon.SetImage(QImage()); }

void TGridIconIO::WriteProperties(TWriter& writer) const {
  if (Icon.Empty()) return;
  writer.WritePropName("Icon.Data");
  writer.WriteBinary(GraphicBytes(Icon));
}

bool TGridIconIO::ReadProperty(const AnsiString& name, TReader& reader) {
  if (!SameText(name, "Icon.Data")) return false;
  LoadGraphicBytes(Icon, reader.ReadBinary());
  return true;
}

// A picture's data is the class name of its graphic, as a short string,
// followed by the graphic's own bytes.
void TGridPicIO::Reset() { Picture.Clear(); }

void TGridPicIO::WriteProperties(TWriter& writer) const {
  const TGraphic* graphic = Picture.Graphic();
  if (!graphic || graphic->Empty()) return;
  const AnsiString className = dynamic_cast<const TIcon*>(graphic) ? "TIcon" : "TBitmap";
  writer.WritePropName("Picture.Data");
  writer.WriteBinary(static_cast<char>(className.size()) + className + GraphicBytes(*graphic));
}

bool TGridPicIO::ReadProperty(const AnsiString& name, TReader& reader) {
  if (!SameText(name, "Picture.Data")) return false;
  const std::string data = reader.ReadBinary();
  const std::size_t nameLength = data.empty() ? 0 : static_cast<std::uint8_t>(data[0]);
  if (data.empty() || data.size() < 1 + nameLength) InvalidValue();
  const AnsiString className = data.substr(1, nameLength);
  std::unique_ptr<TGraphic> graphic;
  if (className == "TIcon") graphic = std::make_unique<TIcon>();
  else if (className == "TBitmap") graphic = std::make_unique<TBitmap>();
  else InvalidValue();
  LoadGraphicBytes(*graphic, data.substr(1 + nameLength));
  Picture.SetGraphic(graphic.get());
  return true;
}

void TGridFilePicIO::Reset() { Picture.SetStored(AnsiString(), 0, 0); }

void TGridFilePicIO::WriteProperties(TWriter& writer) const {
  if (!Picture.Filename().empty()) {
    writer.WritePropName("Picture.Filename");
    writer.WriteString(Picture.Filename());
  }
  writer.WritePropName("Picture.Width");
  writer.WriteInteger(Picture.Width());
  writer.WritePropName("Picture.Height");
  writer.WriteInteger(Picture.Height());
}

bool TGridFilePicIO::ReadProperty(const AnsiString& name, TReader& reader) {
  if (SameText(name, "Picture.Filename"))
    Picture.SetStored(reader.ReadString(), Picture.Width(), Picture.Height());
  else if (SameText(name, "Picture.Width"))
    Picture.SetStored(Picture.Filename(), ReadInRange(reader, 0, kMaxPixels), Picture.Height());
  else if (SameText(name, "Picture.Height"))
    Picture.SetStored(Picture.Filename(), Picture.Width(), ReadInRange(reader, 0, kMaxPixels));
  else
    return false;
  return true;
}

// ---- TGridSLIO ----

void TGridSLIO::Reset() { Strings.Clear(); }

void TGridSLIO::WriteProperties(TWriter& writer) const {
  writer.WritePropName("Strings.Strings");
  writer.WriteListBegin();
  for (int i = 0; i < Strings.Count(); ++i) writer.WriteString(Strings[i]);
  writer.WriteListEnd();
}

bool TGridSLIO::ReadProperty(const AnsiString& name, TReader& reader) {
  if (!SameText(name, "Strings.Strings")) return false;
  reader.ReadListBegin();
  while (!reader.EndOfList()) Strings.Add(reader.ReadString());
  reader.ReadListEnd();
  return true;
}
