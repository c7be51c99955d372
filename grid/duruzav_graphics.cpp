// The graphic store of the cells and the operations that add, query,
// change and remove cell graphics.
#include "framework/imglist.h"
#include "grid/duruzav.h"

// ---- Store ----

// The row check boxes show the row's own flag, kept by real row under
// RowSelectPersistent.
TCellGraphic* TVudUvizidIzed::GetCellGraphic(int col, int row) {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) return nullptr;
  if (col == 0 && mouseActions_.HotmailRowSelect()) {
    rowCheckGraphic_.CellType = ctRowCheckBox;
    rowCheckGraphic_.CellTransparent = FlatControls();
    rowCheckGraphic_.CellBoolean = GetRowSelect(DisjunctRow(row));
    return &rowCheckGraphic_;
  }
  return dynamic_cast<TCellGraphic*>(GetGraphicObjectEx(col, row));
}

TCellType TVudUvizidIzed::GetCellType(int col, int row) {
  if (col < 0 || row < 0) return ctEmpty;
  if (col == 0 && mouseActions_.HotmailRowSelect()) return ctRowCheckBox;
  const TCellGraphic* graphic = GetCellGraphic(col, row);
  return graphic ? graphic->CellType : ctEmpty;
}

TCellGraphic* TVudUvizidIzed::CreateCellGraphic(int col, int row) {
  FreeCellGraphic(col, row);
  // The cell record must exist before it can hold the graphic.
  const bool wasEmpty = GetGridCell(col, row).empty();
  if (wasEmpty) SetGridCell(col, row, " ");
  auto* graphic = new TCellGraphic;
  SetGraphicObjectEx(col, row, graphic);
  if (wasEmpty) SetGridCell(col, row, "");
  RepaintCell(DisplColIndex(col), row);
  return graphic;
}

bool TVudUvizidIzed::FreeCellGraphic(int col, int row) {
  TCellGraphic* graphic = GetCellGraphic(col, row);
  if (!graphic) return false;
  if (graphic != &rowCheckGraphic_) {
    SetGraphicObjectEx(col, row, nullptr);
    delete graphic;
  }
  return true;
}

bool TVudUvizidIzed::RemoveCellGraphic(int col, int row, TCellType kind) {
  return GetCellType(col, row) == kind && FreeCellGraphic(col, row);
}

TCellType TVudUvizidIzed::BaseCellType(int col, int row) {
  const TPoint base = BaseCell(col, row);
  return GetCellType(base.X, base.Y);
}

TCellGraphic* TVudUvizidIzed::RealColumnGraphic(int col, int row) { return GetCellGraphic(RemapCol(col), row); }

// The grid lets go of an image list that is freed (Notification).
void TVudUvizidIzed::SetImages(TImageList* images) {
  if (gridImages_ == images) return;
  if (gridImages_) RemoveFreeNotification(gridImages_);
  gridImages_ = images;
  if (images) FreeNotification(images);
  Invalidate();
}

TIntList* TVudUvizidIzed::GetCellImages(int col, int row) {
  const TCellGraphic* graphic = GetCellGraphic(col, row);
  return graphic ? graphic->Images() : nullptr;
}

int TVudUvizidIzed::GetCellImageIdx(int col, int row) {
  const TCellGraphic* graphic = GetCellGraphic(col, row);
  if (!graphic) return -1;
  if (graphic->CellType == ctImageList) return graphic->CellIndex;
  return -1;
}

// ---- Extents ----

namespace {

bool BesideTextH(const TCellGraphic& g) { return g.CellHAlign == haBeforeText || g.CellHAlign == haAfterText; }
bool BesideTextV(const TCellGraphic& g) { return g.CellVAlign == vaUnderText || g.CellVAlign == vaAboveText; }

}  // namespace

TPoint TVudUvizidIzed::GetCellGraphicSize(int col, int row) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) return {0, 0};
  const bool empty = GetCellEx(col, row).empty();
  const bool sideH = BesideTextH(*g) || empty;
  const bool sideV = BesideTextV(*g) || empty;
  TPoint size{0, 0};
  switch (g->CellType) {
    case ctBitmap:
      if (const TBitmap* b = g->Bitmap()) size = {sideH ? b->Width() : 0, sideV ? b->Height() : 0};
      break;
    case ctIcon:
      if (const TIcon* i = g->Icon()) size = {sideH ? i->Width() : 0, i->Height()};
      break;
    case ctImageList:
    case ctDataImage:
      if (gridImages_) size = {sideH ? gridImages_->Width() : 0, gridImages_->Height()};
      break;
    case ctCheckBox:
    case ctDataCheckBox:
    case ctVirtCheckBox:
    case ctRowCheckBox:
      size = {controlLook_.CheckSize(), controlLook_.CheckSize()};
      break;
    case ctRadio:
      if (const TStringList* items = g->RadioStrings()) {
        const int lineHeight = Canvas()->TextHeight("gh");
        int widest = 0, sum = 0;
        for (int i = 0; i < items->Count(); ++i) {
          const int w = Canvas()->TextWidth(items->Strings(i));
          widest = std::max(widest, w);
          sum += 12 + w;
        }
        size = g->CellBoolean ? TPoint{sum, lineHeight} : TPoint{12 + widest, lineHeight * items->Count()};
      }
      break;
    case ctImages:
      if (const TIntList* list = g->Images(); list && gridImages_) {
        const int n = list->Count();
        size = g->CellBoolean ? TPoint{n * gridImages_->Width(), gridImages_->Height()}
                              : TPoint{gridImages_->Width(), n * gridImages_->Height()};
      }
      break;
    case ctPicture:
    case ctFilePicture: {
      const TRect r = CellRect(DisplColIndex(col), row);
      size = g->GetPictureSize(r.Right - r.Left, r.Bottom - r.Top, false);
      break;
    }
    case ctButton:
    case ctBitButton:
      size = {empty || BesideTextH(*g) ? g->ButtonWidth() : 0, empty || BesideTextV(*g) ? g->ButtonHeight() : 0};
      break;
    case ctProgressPie:
      size = {20, 20};
      break;
    default:
      break;
  }
  const TRect r = CellRect(DisplColIndex(col), row);
  if (g->CellHAlign == haFull) size.X = r.Right - r.Left;
  if (g->CellVAlign == vaFull) size.Y = r.Bottom - r.Top;
  return size;
}

TPoint TVudUvizidIzed::GetPrintGraphicSize(int col, int row, int width, int height, double scale) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) return {0, 0};
  switch (g->CellType) {
    case ctBitmap:
      if (const TBitmap* b = g->Bitmap()) return {b->Width(), b->Height()};
      return {0, 0};
    case ctIcon:
      if (const TIcon* i = g->Icon()) return {i->Width(), i->Height()};
      return {0, 0};
    case ctDataImage:
      return gridImages_ ? TPoint{gridImages_->Width(), gridImages_->Height()} : TPoint{0, 0};
    case ctPicture:
    case ctFilePicture: {
      if (scale <= 0) scale = 1;
      const TPoint p = g->GetPictureSize(width, height, false);
      return {static_cast<int>(std::lround(p.X / scale)), static_cast<int>(std::lround(p.Y / scale))};
    }
    case ctProgress:
      return {GetAllColWidths(col), RowHeights(row)};
    case ctButton:
    case ctBitButton:
      return {g->ButtonWidth(), g->ButtonHeight()};
    case ctProgressPie:
      return {0, 0};
    default: {
      // The other kinds measure as on screen, without the full-cell step.
      const TCellHAlign hAlign = g->CellHAlign;
      const TCellVAlign vAlign = g->CellVAlign;
      TPoint size = GetCellGraphicSize(col, row);
      const TRect r = CellRect(DisplColIndex(col), row);
      if (hAlign == haFull && size.X == r.Right - r.Left) size.X = 0;
      if (vAlign == vaFull && size.Y == r.Bottom - r.Top) size.Y = 0;
      return size;
    }
  }
}

// ---- Pictures and images ----

void TVudUvizidIzed::AddBitmap(int col, int row, TBitmap* bitmap, bool transparent, TCellHAlign hAlign,
                               TCellVAlign vAlign) {
  CreateCellGraphic(col, row)->SetBitmap(bitmap, transparent, hAlign, vAlign);
}

TBitmap* TVudUvizidIzed::CreateBitmap(int col, int row, bool transparent, TCellHAlign hAlign, TCellVAlign vAlign) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  auto* bitmap = new TBitmap;
  g->CellCreated = true;
  g->SetBitmap(bitmap, transparent, hAlign, vAlign);
  return bitmap;
}

TBitmap* TVudUvizidIzed::GetBitmap(int col, int row) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  return g ? g->Bitmap() : nullptr;
}

void TVudUvizidIzed::AddPicture(int col, int row, TPicture* picture, bool transparent, TStretchMode stretchMode,
                                int padding, TCellHAlign hAlign, TCellVAlign vAlign) {
  CreateCellGraphic(col, row)->SetPicture(picture, transparent, stretchMode, padding, hAlign, vAlign);
}

TPicture* TVudUvizidIzed::CreatePicture(int col, int row, bool transparent, TStretchMode stretchMode, int padding,
                                        TCellHAlign hAlign, TCellVAlign vAlign) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  auto* picture = new TPicture;
  g->CellCreated = true;
  g->SetPicture(picture, transparent, stretchMode, padding, hAlign, vAlign);
  return picture;
}

TPicture* TVudUvizidIzed::GetPicture(int col, int row) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  return g ? g->Picture() : nullptr;
}

void TVudUvizidIzed::AddFilePicture(int col, int row, TFilePicture* picture, bool transparent,
                                    TStretchMode stretchMode, int padding, TCellHAlign hAlign, TCellVAlign vAlign) {
  CreateCellGraphic(col, row)->SetFilePicture(picture, transparent, stretchMode, padding, hAlign, vAlign);
}

TFilePicture* TVudUvizidIzed::CreateFilePicture(int col, int row, bool transparent, TStretchMode stretchMode,
                                                int padding, TCellHAlign hAlign, TCellVAlign vAlign) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  auto* picture = new TFilePicture;
  g->CellCreated = true;
  g->SetFilePicture(picture, transparent, stretchMode, padding, hAlign, vAlign);
  return picture;
}

TFilePicture* TVudUvizidIzed::GetFilePicture(int col, int row) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  return g ? g->FilePicture() : nullptr;
}

void TVudUvizidIzed::AddIcon(int col, int row, TIcon* icon, TCellHAlign hAlign, TCellVAlign vAlign) {
  CreateCellGraphic(col, row)->SetIcon(icon, hAlign, vAlign);
}

TIcon* TVudUvizidIzed::CreateIcon(int col, int row, TCellHAlign hAlign, TCellVAlign vAlign) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  auto* icon = new TIcon;
  g->CellCreated = true;
  g->SetIcon(icon, hAlign, vAlign);
  return icon;
}

void TVudUvizidIzed::AddImageIdx(int col, int row, int index, TCellHAlign hAlign, TCellVAlign vAlign) {
  if (gridImages_) CreateCellGraphic(col, row)->SetImageIdx(index, hAlign, vAlign);
}

bool TVudUvizidIzed::GetImageIdx(int col, int row, int& index) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!gridImages_ || !g || g->CellType != ctImageList) return false;
  index = g->CellIndex;
  return true;
}

void TVudUvizidIzed::AddDataImage(int col, int row, int index, TCellHAlign hAlign, TCellVAlign vAlign) {
  if (gridImages_) CreateCellGraphic(col, row)->SetDataImage(index, hAlign, vAlign);
}

bool TVudUvizidIzed::HasDataImage(int col, int row) { return BaseCellType(col, row) == ctDataImage; }

void TVudUvizidIzed::AddMultiImage(int col, int row, int dir, TCellHAlign hAlign, TCellVAlign vAlign) {
  if (!gridImages_) return;
  CreateCellGraphic(col, row)->SetMultiImage(col, row, dir, hAlign, vAlign,
                                             [this](TObject* sender, int c, int r) { MultiImageChanged(sender, c, r); });
}

void TVudUvizidIzed::MultiImageChanged(TObject*, int col, int row) { RepaintCell(col, row); }

bool TVudUvizidIzed::RemoveMultiImage(int col, int row) {
  const bool removed = RemoveCellGraphic(col, row, ctImages);
  RepaintCell(col, row);
  return removed;
}

// ---- Progress, range and comments ----

void TVudUvizidIzed::AddProgress(int col, int row, TColor color1, TColor color2) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  g->CellType = ctProgress;
  g->CellHAlign = haLeft;
  g->CellVAlign = vaTop;
  g->SetColors(color1, color2);
  g->CellErrFrom = 0;
  g->CellErrLen = 100;
  g->CellBoolean = false;
  g->CellText.clear();
}

void TVudUvizidIzed::AddProgressEx(int col, int row, TColor color1, TColor color2, TColor color3, TColor color4) {
  AddProgress(col, row, color1, color3);
  TCellGraphic* g = GetCellGraphic(col, row);
  g->CellIndex = color2;
  g->CellAngle = color4;
  g->CellBoolean = true;
}

void TVudUvizidIzed::AddProgressFormatted(int col, int row, TColor color1, TColor color2, TColor color3,
                                          TColor color4, const AnsiString& format, int min, int max) {
  AddProgressEx(col, row, color1, color2, color3, color4);
  TCellGraphic* g = GetCellGraphic(col, row);
  g->CellText = format;
  g->CellErrFrom = min;
  g->CellErrLen = max;
}

void TVudUvizidIzed::AddProgressPie(int col, int row, TColor color, int value) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  g->CellType = ctProgressPie;
  g->CellHAlign = haBeforeText;
  g->CellVAlign = vaTop;
  g->SetColors(color, clNone);
  g->CellAngle = value;
}

void TVudUvizidIzed::SetProgressPie(int col, int row, int value) {
  TCellGraphic* g = GetCellGraphic(col, row);
  if (!g || g->CellType != ctProgressPie) return;
  g->CellAngle = value;
  RepaintCell(DisplColIndex(col), row);
}

void TVudUvizidIzed::AddRangeIndicator(int col, int row, int range, TColor color1, TColor color2, bool showValue) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  g->CellType = ctRangeIndicator;
  g->CellHAlign = haLeft;
  g->CellVAlign = vaTop;
  g->CellIndex = range;
  g->SetColors(color1, color2);
  g->CellBoolean = showValue;
}

void TVudUvizidIzed::AddComment(int col, int row, const AnsiString& comment) {
  AddColorComment(col, row, comment, clNone);
}

void TVudUvizidIzed::AddColorComment(int col, int row, const AnsiString& comment, TColor color) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  g->CellType = ctComment;
  g->CellHAlign = haLeft;
  g->CellVAlign = vaTop;
  g->CellText = comment;
  g->CellAngle = color;
}

bool TVudUvizidIzed::IsComment(int col, int row, AnsiString& comment) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!g || g->CellType != ctComment) return false;
  comment = g->CellText;
  return true;
}

void TVudUvizidIzed::RemoveAllComments() {
  for (int c = 0; c < ColCount(); ++c)
    for (int r = 0; r < RowCount(); ++r) RemoveComment(c, r);
}

// ---- Markers ----

void TVudUvizidIzed::AddMarker(int col, int row, int errFrom, int errLen) {
  TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) {
    g = CreateCellGraphic(col, row);
    g->CellType = ctEmpty;
  }
  g->CellErrFrom = errFrom;
  g->CellErrLen = errLen;
  RepaintCell(DisplColIndex(col), row);
}

void TVudUvizidIzed::GetMarker(int col, int row, int& errFrom, int& errLen) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  errFrom = g ? g->CellErrFrom : 0;
  errLen = g ? g->CellErrLen : 0;
}

void TVudUvizidIzed::RemoveMarker(int col, int row) {
  if (RemoveCellGraphic(col, row, ctEmpty)) return;
  if (TCellGraphic* g = GetCellGraphic(col, row)) g->CellErrFrom = g->CellErrLen = 0;
}

void TVudUvizidIzed::RemoveAllMarkers() {
  for (int c = 0; c < ColCount(); ++c)
    for (int r = 0; r < RowCount(); ++r) RemoveMarker(c, r);
}

// ---- Rotated text ----

void TVudUvizidIzed::AddRotated(int col, int row, int angle, const AnsiString& text) {
  CreateCellGraphic(col, row)->SetAngle(angle);
  SetCellEx(col, row, text);
}

void TVudUvizidIzed::SetRotated(int col, int row, int angle) {
  TCellGraphic* g = GetCellGraphic(col, row);
  (g ? g : CreateCellGraphic(col, row))->SetAngle(angle);
  RepaintCell(DisplColIndex(col), row);
}

bool TVudUvizidIzed::IsRotated(int col, int row, int& angle) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!g || g->CellType != ctRotated) return false;
  angle = g->CellAngle;
  return true;
}

// ---- Buttons ----

void TVudUvizidIzed::AddButton(int col, int row, int width, int height, const AnsiString& caption,
                               TCellHAlign hAlign, TCellVAlign vAlign) {
  CreateCellGraphic(col, row)->SetButton(width, height, caption, hAlign, vAlign);
}

void TVudUvizidIzed::AddBitButton(int col, int row, int width, int height, const AnsiString& caption,
                                  TBitmap* glyph, TCellHAlign hAlign, TCellVAlign vAlign) {
  CreateCellGraphic(col, row)->SetBitButton(width, height, caption, glyph, hAlign, vAlign);
}

TBitmap* TVudUvizidIzed::CreateBitButton(int col, int row, int width, int height, const AnsiString& caption,
                                         TCellHAlign hAlign, TCellVAlign vAlign) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  auto* glyph = new TBitmap;
  g->CellCreated = true;
  g->SetBitButton(width, height, caption, glyph, hAlign, vAlign);
  return glyph;
}

void TVudUvizidIzed::SetButtonText(int col, int row, const AnsiString& caption) {
  if (TCellGraphic* g = RealColumnGraphic(col, row)) {
    g->CellText = caption;
    RepaintCell(col, row);
  }
}

AnsiString TVudUvizidIzed::GetButtonText(int col, int row) {
  const TCellGraphic* g = RealColumnGraphic(col, row);
  return g ? g->CellText : AnsiString();
}

void TVudUvizidIzed::PushButton(int col, int row, bool pushed) {
  if (TCellGraphic* g = RealColumnGraphic(col, row)) {
    g->CellBoolean = pushed;
    RepaintCell(col, row);
  }
}

bool TVudUvizidIzed::HasButton(int col, int row) {
  const TCellType kind = BaseCellType(col, row);
  return kind == ctButton || kind == ctBitButton;
}

TRect TVudUvizidIzed::ButtonRect(int col, int row) {
  const TRect cell = CellRect(col, row);
  const TCellGraphic* g = RealColumnGraphic(col, row);
  if (!g) return cell;
  const auto packed = static_cast<unsigned>(std::lround(g->CellValue));
  TRect r;
  r.Left = cell.Left + static_cast<int>(packed & 0xFFFF);
  r.Top = cell.Top + static_cast<int>(packed >> 16);
  r.Right = r.Left + g->ButtonWidth();
  r.Bottom = r.Top + g->ButtonHeight();
  if (g->CellVAlign == vaFull) r.Top = cell.Top, r.Bottom = cell.Bottom;
  if (g->CellHAlign == haFull) r.Left = cell.Left, r.Right = cell.Right;
  return r;
}

void TVudUvizidIzed::RemoveButton(int col, int row) {
  if (!RemoveCellGraphic(col, row, ctButton)) RemoveCellGraphic(col, row, ctBitButton);
}

// ---- Check boxes ----

void TVudUvizidIzed::AddCheckBox(int col, int row, bool state, bool data) {
  const TCellVAlign vAlign = settings_.VAlignment == vtaCenter   ? vaCenter
                             : settings_.VAlignment == vtaBottom ? vaBottom
                                                                 : vaTop;
  CreateCellGraphic(col, row)->SetCheckBox(state, data, FlatControls(), haBeforeText, vAlign);
}

bool TVudUvizidIzed::HasCheckBox(int col, int row) { return IsCheckBoxKind(BaseCellType(col, row)); }

bool TVudUvizidIzed::HasDataCheckBox(int col, int row) {
  const TCellType kind = BaseCellType(col, row);
  return kind == ctDataCheckBox || kind == ctVirtCheckBox || kind == ctRowCheckBox;
}

bool TVudUvizidIzed::HasDataCell(int col, int row) {
  const TCellType kind = BaseCellType(col, row);
  return HasDataCheckBox(col, row) || kind == ctDataImage;
}

bool TVudUvizidIzed::HasStaticEdit(int col, int row) {
  const TCellType kind = BaseCellType(col, row);
  return IsCheckBoxKind(kind) || kind == ctRadio || kind == ctButton;
}

bool TVudUvizidIzed::GetCheckBoxState(int col, int row, bool& state) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) return false;
  switch (g->CellType) {
    case ctCheckBox:
      state = g->CellBoolean;
      return true;
    case ctDataCheckBox:
    case ctVirtCheckBox:
      state = GetCellEx(col, row) == GetCheckTrue(col, row);
      return true;
    case ctRowCheckBox:
      state = GetRowSelect(DisjunctRow(row));
      return true;
    default:
      return false;
  }
}

void TVudUvizidIzed::SetCheckBoxState(int col, int row, bool state) {
  TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) return;
  switch (g->CellType) {
    case ctCheckBox:
      g->CellBoolean = state;
      RepaintCell(DisplColIndex(col), row);
      break;
    case ctDataCheckBox:
    case ctVirtCheckBox:
      SetCellEx(col, row, state ? GetCheckTrue(col, row) : GetCheckFalse(col, row));
      break;
    case ctRowCheckBox:
      SetRowSelect(DisjunctRow(row), state);
      break;
    default:
      break;
  }
}

bool TVudUvizidIzed::ToggleCheck(int col, int row, bool fromUser) {
  TCellGraphic* g = GetCellGraphic(col, row);
  if (!g || !IsCheckBoxKind(g->CellType)) return false;
  if (fromUser && !controlLook_.CheckAlwaysActive) {
    bool canEdit = true;
    GetCellReadOnly(col, row, canEdit);
    if (!canEdit) return false;
  }
  if (g->CellType == ctCheckBox) g->CellBoolean = !g->CellBoolean;
  else if (g->CellType == ctRowCheckBox) SetRowSelect(DisjunctRow(row), !GetRowSelect(DisjunctRow(row)));
  else {
    const AnsiString checkTrue = GetCheckTrue(col, row);
    SetCellEx(col, row, GetCellEx(col, row) != checkTrue ? checkTrue : GetCheckFalse(col, row));
  }
  RepaintCell(DisplColIndex(col), row);
  return true;
}

void TVudUvizidIzed::CheckAll(int col) {
  for (int r = FixedRows(); r < RowCount(); ++r) SetCheckBoxState(col, r, true);
}

void TVudUvizidIzed::UnCheckAll(int col) {
  for (int r = FixedRows(); r < RowCount(); ++r) SetCheckBoxState(col, r, false);
}

bool TVudUvizidIzed::IsInCheckBox(int col, int row, int x, int y) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!g || !IsCheckBoxKind(g->CellType)) return false;
  if (!mouseActions_.PreciseCheckBoxCheck) return true;
  const TRect r = CellRect(DisplColIndex(col), row);
  const int size = controlLook_.CheckSize();
  const int height = r.Bottom - r.Top, width = r.Right - r.Left;
  const int top = g->CellVAlign == vaBottom   ? r.Bottom - 2 - size
                  : g->CellVAlign == vaCenter ? r.Top + (height - size) / 2
                                              : r.Top + 2;
  TAlignment hAlign = GetAlignments(col, row);
  TVAlignment vAlign = settings_.VAlignment;
  GetCellAlign(col, row, hAlign, vAlign);
  const int left = hAlign == taRightJustify ? r.Right - 2 - size
                   : hAlign == taCenter     ? r.Left + (width - size) / 2
                                            : r.Left + 2;
  return x >= left && x < left + size && y >= top && y < top + size;
}

// ---- Radio groups ----

void TVudUvizidIzed::AddRadio(int col, int row, int dirRadio, int defaultIndex, TStringList* strings) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  g->CellType = ctRadio;
  g->CellAngle = strings ? strings->Count() : 0;
  g->CellBoolean = dirRadio != 0;
  g->CellIndex = defaultIndex;
  g->SetRadioStrings(strings);
}

TCellGraphic* TVudUvizidIzed::CreateRadio(int col, int row, int dirRadio, int defaultIndex) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  g->CellType = ctRadio;
  g->CellAngle = 0;
  g->CellBoolean = dirRadio != 0;
  g->CellIndex = defaultIndex;
  g->CellCreated = true;
  g->SetRadioStrings(new TStringList);
  return g;
}

bool TVudUvizidIzed::GetRadioIdx(int col, int row, int& index) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) return false;
  index = g->CellIndex;
  return g->CellType == ctRadio;
}

bool TVudUvizidIzed::SetRadioIdx(int col, int row, int index) {
  TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) return false;
  g->CellIndex = index;
  RepaintCell(DisplColIndex(col), row);
  return g->CellType == ctRadio;
}

TStringList* TVudUvizidIzed::GetRadioStrings(int col, int row) {
  const TPoint base = BaseCell(col, row);
  const TCellGraphic* g = GetCellGraphic(base.X, base.Y);
  return g ? g->RadioStrings() : nullptr;
}

bool TVudUvizidIzed::IsRadio(int col, int row) { return BaseCellType(col, row) == ctRadio; }

// A cell outside the grid, a group without items, a selection beyond the
// items and a read-only cell change nothing.
bool TVudUvizidIzed::ToggleRadio(int col, int row, bool fromUser) {
  TCellGraphic* g = GetCellGraphic(col, row);
  TStringList* items = g ? g->RadioStrings() : nullptr;
  if (!items || items->Count() == 0 || g->CellIndex >= items->Count()) return false;
  if (fromUser && !controlLook_.RadioAlwaysActive) {
    bool canEdit = true;
    GetCellReadOnly(col, row, canEdit);
    if (!canEdit) return false;
  }
  const int current = g->CellIndex >= 0 ? g->CellIndex : items->IndexOf(GetCellEx(col, row));
  const int next = current + 1 >= items->Count() ? 0 : current + 1;
  if (g->CellIndex >= 0) g->CellIndex = next;
  SetCellEx(col, row, items->Strings(next));
  return true;
}

// ---- Row queries ----

void TVudUvizidIzed::QueryAddRow(bool& canAdd) {
  if (OnCanAddRow) OnCanAddRow(this, canAdd);
}

void TVudUvizidIzed::QueryInsertRow(int row, bool& canInsert) {
  if (OnCanInsertRow) OnCanInsertRow(this, row, canInsert);
}

void TVudUvizidIzed::RemoveCheckBox(int col, int row) {
  const TCellType kind = GetCellType(col, row);
  if (kind != ctCheckBox && kind != ctDataCheckBox) return;
  FreeCellGraphic(col, row);
  RepaintCell(col, row);
}
