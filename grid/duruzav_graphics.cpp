// The graphic store of the cells and the operations that add, query,
// change and remove cell graphics.
#include "framework/imglist.h"
#include "grid/duruzav.h"

// ---- Store ----

// The row check boxes show the row's own flag, kept by real row under
// RowSelectPersistent.
TCellGraphic* TGridCellGraphics::GetCellGraphic(int col, int row) {
  if (col < 0 || row < 0 || col >= grid_.ColCount() || row >= grid_.RowCount()) return nullptr;
  if (col == 0 && grid_.mouseActions_.HotmailRowSelect()) {
    grid_.rowCheckGraphic_.CellType = ctRowCheckBox;
    grid_.rowCheckGraphic_.CellTransparent = grid_.FlatControls();
    grid_.rowCheckGraphic_.CellBoolean = grid_.GetRowSelect(grid_.DisjunctRow(row));
    return &grid_.rowCheckGraphic_;
  }
  return dynamic_cast<TCellGraphic*>(grid_.GetGraphicObjectEx(col, row));
}

TCellType TGridCellGraphics::GetCellType(int col, int row) {
  if (col < 0 || row < 0) return ctEmpty;
  if (col == 0 && grid_.mouseActions_.HotmailRowSelect()) return ctRowCheckBox;
  const TCellGraphic* graphic = GetCellGraphic(col, row);
  return graphic ? graphic->CellType : ctEmpty;
}

TCellGraphic* TGridCellGraphics::CreateCellGraphic(int col, int row) {
  FreeCellGraphic(col, row);
  // The cell record must exist before it can hold the graphic.
  const bool wasEmpty = grid_.GetGridCell(col, row).empty();
  if (wasEmpty) grid_.SetGridCell(col, row, " ");
  auto* graphic = new TCellGraphic;
  grid_.SetGraphicObjectEx(col, row, graphic);
  if (wasEmpty) grid_.SetGridCell(col, row, "");
  grid_.RepaintCell(grid_.DisplColIndex(col), row);
  return graphic;
}

bool TGridCellGraphics::FreeCellGraphic(int col, int row) {
  TCellGraphic* graphic = GetCellGraphic(col, row);
  if (!graphic) return false;
  if (graphic != &grid_.rowCheckGraphic_) {
    grid_.SetGraphicObjectEx(col, row, nullptr);
    delete graphic;
  }
  return true;
}

bool TGridCellGraphics::RemoveCellGraphic(int col, int row, TCellType kind) {
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

TIntList* TGridCellGraphics::GetCellImages(int col, int row) {
  const TCellGraphic* graphic = GetCellGraphic(col, row);
  return graphic ? graphic->Images() : nullptr;
}

int TGridCellGraphics::GetCellImageIdx(int col, int row) {
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

TPoint TGridCellGraphics::GetCellGraphicSize(int col, int row) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) return {0, 0};
  const bool empty = grid_.GetCellEx(col, row).empty();
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
      if (grid_.gridImages_) size = {sideH ? grid_.gridImages_->Width() : 0, grid_.gridImages_->Height()};
      break;
    case ctCheckBox:
    case ctDataCheckBox:
    case ctVirtCheckBox:
    case ctRowCheckBox:
      size = {grid_.controlLook_.CheckSize(), grid_.controlLook_.CheckSize()};
      break;
    case ctRadio:
      if (const TStringList* items = g->RadioStrings()) {
        const int lineHeight = grid_.Canvas()->TextHeight("gh");
        int widest = 0, sum = 0;
        for (int i = 0; i < items->Count(); ++i) {
          const int w = grid_.Canvas()->TextWidth(items->Strings(i));
          widest = std::max(widest, w);
          sum += 12 + w;
        }
        size = g->CellBoolean ? TPoint{sum, lineHeight} : TPoint{12 + widest, lineHeight * items->Count()};
      }
      break;
    case ctImages:
      if (const TIntList* list = g->Images(); list && grid_.gridImages_) {
        const int n = list->Count();
        size = g->CellBoolean ? TPoint{n * grid_.gridImages_->Width(), grid_.gridImages_->Height()}
                              : TPoint{grid_.gridImages_->Width(), n * grid_.gridImages_->Height()};
      }
      break;
    case ctPicture:
    case ctFilePicture: {
      const TRect r = grid_.CellRect(grid_.DisplColIndex(col), row);
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
  const TRect r = grid_.CellRect(grid_.DisplColIndex(col), row);
  if (g->CellHAlign == haFull) size.X = r.Right - r.Left;
  if (g->CellVAlign == vaFull) size.Y = r.Bottom - r.Top;
  return size;
}

TPoint TGridCellGraphics::GetPrintGraphicSize(int col, int row, int width, int height, double scale) {
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
      return grid_.gridImages_ ? TPoint{grid_.gridImages_->Width(), grid_.gridImages_->Height()} : TPoint{0, 0};
    case ctPicture:
    case ctFilePicture: {
      if (scale <= 0) scale = 1;
      const TPoint p = g->GetPictureSize(width, height, false);
      return {static_cast<int>(std::lround(p.X / scale)), static_cast<int>(std::lround(p.Y / scale))};
    }
    case ctProgress:
      return {grid_.GetAllColWidths(col), grid_.RowHeights(row)};
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
      const TRect r = grid_.CellRect(grid_.DisplColIndex(col), row);
      if (hAlign == haFull && size.X == r.Right - r.Left) size.X = 0;
      if (vAlign == vaFull && size.Y == r.Bottom - r.Top) size.Y = 0;
      return size;
    }
  }
}

// ---- Pictures and images ----

void TGridCellGraphics::AddBitmap(int col, int row, TBitmap* bitmap, bool transparent, TCellHAlign hAlign,
                               TCellVAlign vAlign) {
  CreateCellGraphic(col, row)->SetBitmap(bitmap, transparent, hAlign, vAlign);
}

TBitmap* TGridCellGraphics::CreateBitmap(int col, int row, bool transparent, TCellHAlign hAlign, TCellVAlign vAlign) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  auto* bitmap = new TBitmap;
  g->CellCreated = true;
  g->SetBitmap(bitmap, transparent, hAlign, vAlign);
  return bitmap;
}

TBitmap* TGridCellGraphics::GetBitmap(int col, int row) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  return g ? g->Bitmap() : nullptr;
}

void TGridCellGraphics::AddPicture(int col, int row, TPicture* picture, bool transparent, TStretchMode stretchMode,
                                int padding, TCellHAlign hAlign, TCellVAlign vAlign) {
  CreateCellGraphic(col, row)->SetPicture(picture, transparent, stretchMode, padding, hAlign, vAlign);
}

TPicture* TGridCellGraphics::CreatePicture(int col, int row, bool transparent, TStretchMode stretchMode, int padding,
                                        TCellHAlign hAlign, TCellVAlign vAlign) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  auto* picture = new TPicture;
  g->CellCreated = true;
  g->SetPicture(picture, transparent, stretchMode, padding, hAlign, vAlign);
  return picture;
}

TPicture* TGridCellGraphics::GetPicture(int col, int row) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  return g ? g->Picture() : nullptr;
}

void TGridCellGraphics::AddFilePicture(int col, int row, TFilePicture* picture, bool transparent,
                                    TStretchMode stretchMode, int padding, TCellHAlign hAlign, TCellVAlign vAlign) {
  CreateCellGraphic(col, row)->SetFilePicture(picture, transparent, stretchMode, padding, hAlign, vAlign);
}

TFilePicture* TGridCellGraphics::CreateFilePicture(int col, int row, bool transparent, TStretchMode stretchMode,
                                                int padding, TCellHAlign hAlign, TCellVAlign vAlign) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  auto* picture = new TFilePicture;
  g->CellCreated = true;
  g->SetFilePicture(picture, transparent, stretchMode, padding, hAlign, vAlign);
  return picture;
}

TFilePicture* TGridCellGraphics::GetFilePicture(int col, int row) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  return g ? g->FilePicture() : nullptr;
}

void TGridCellGraphics::AddIcon(int col, int row, TIcon* icon, TCellHAlign hAlign, TCellVAlign vAlign) {
  CreateCellGraphic(col, row)->SetIcon(icon, hAlign, vAlign);
}

TIcon* TGridCellGraphics::CreateIcon(int col, int row, TCellHAlign hAlign, TCellVAlign vAlign) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  auto* icon = new TIcon;
  g->CellCreated = true;
  g->SetIcon(icon, hAlign, vAlign);
  return icon;
}

void TGridCellGraphics::AddImageIdx(int col, int row, int index, TCellHAlign hAlign, TCellVAlign vAlign) {
  if (grid_.gridImages_) CreateCellGraphic(col, row)->SetImageIdx(index, hAlign, vAlign);
}

bool TGridCellGraphics::GetImageIdx(int col, int row, int& index) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!grid_.gridImages_ || !g || g->CellType != ctImageList) return false;
  index = g->CellIndex;
  return true;
}

void TGridCellGraphics::AddDataImage(int col, int row, int index, TCellHAlign hAlign, TCellVAlign vAlign) {
  if (grid_.gridImages_) CreateCellGraphic(col, row)->SetDataImage(index, hAlign, vAlign);
}

bool TGridCellGraphics::HasDataImage(int col, int row) { return grid_.BaseCellType(col, row) == ctDataImage; }

void TGridCellGraphics::AddMultiImage(int col, int row, int dir, TCellHAlign hAlign, TCellVAlign vAlign) {
  if (!grid_.gridImages_) return;
  CreateCellGraphic(col, row)->SetMultiImage(col, row, dir, hAlign, vAlign,
                                             [this](TObject* sender, int c, int r) { MultiImageChanged(sender, c, r); });
}

void TGridCellGraphics::MultiImageChanged(TObject*, int col, int row) { grid_.RepaintCell(col, row); }

bool TGridCellGraphics::RemoveMultiImage(int col, int row) {
  const bool removed = RemoveCellGraphic(col, row, ctImages);
  grid_.RepaintCell(col, row);
  return removed;
}

// ---- Progress, range and comments ----

void TGridCellGraphics::AddProgress(int col, int row, TColor color1, TColor color2) {
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

void TGridCellGraphics::AddProgressEx(int col, int row, TColor color1, TColor color2, TColor color3, TColor color4) {
  AddProgress(col, row, color1, color3);
  TCellGraphic* g = GetCellGraphic(col, row);
  g->CellIndex = color2;
  g->CellAngle = color4;
  g->CellBoolean = true;
}

void TGridCellGraphics::AddProgressFormatted(int col, int row, TColor color1, TColor color2, TColor color3,
                                          TColor color4, const AnsiString& format, int min, int max) {
  AddProgressEx(col, row, color1, color2, color3, color4);
  TCellGraphic* g = GetCellGraphic(col, row);
  g->CellText = format;
  g->CellErrFrom = min;
  g->CellErrLen = max;
}

void TGridCellGraphics::AddProgressPie(int col, int row, TColor color, int value) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  g->CellType = ctProgressPie;
  g->CellHAlign = haBeforeText;
  g->CellVAlign = vaTop;
  g->SetColors(color, clNone);
  g->CellAngle = value;
}

void TGridCellGraphics::SetProgressPie(int col, int row, int value) {
  TCellGraphic* g = GetCellGraphic(col, row);
  if (!g || g->CellType != ctProgressPie) return;
  g->CellAngle = value;
  grid_.RepaintCell(grid_.DisplColIndex(col), row);
}

void TGridCellGraphics::AddRangeIndicator(int col, int row, int range, TColor color1, TColor color2, bool showValue) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  g->CellType = ctRangeIndicator;
  g->CellHAlign = haLeft;
  g->CellVAlign = vaTop;
  g->CellIndex = range;
  g->SetColors(color1, color2);
  g->CellBoolean = showValue;
}

void TGridCellGraphics::AddComment(int col, int row, const AnsiString& comment) {
  AddColorComment(col, row, comment, clNone);
}

void TGridCellGraphics::AddColorComment(int col, int row, const AnsiString& comment, TColor color) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  g->CellType = ctComment;
  g->CellHAlign = haLeft;
  g->CellVAlign = vaTop;
  g->CellText = comment;
  g->CellAngle = color;
}

bool TGridCellGraphics::IsComment(int col, int row, AnsiString& comment) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!g || g->CellType != ctComment) return false;
  comment = g->CellText;
  return true;
}

void TGridCellGraphics::RemoveAllComments() {
  for (int c = 0; c < grid_.ColCount(); ++c)
    for (int r = 0; r < grid_.RowCount(); ++r) RemoveComment(c, r);
}

// ---- Markers ----

void TGridCellGraphics::AddMarker(int col, int row, int errFrom, int errLen) {
  TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) {
    g = CreateCellGraphic(col, row);
    g->CellType = ctEmpty;
  }
  g->CellErrFrom = errFrom;
  g->CellErrLen = errLen;
  grid_.RepaintCell(grid_.DisplColIndex(col), row);
}

void TGridCellGraphics::GetMarker(int col, int row, int& errFrom, int& errLen) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  errFrom = g ? g->CellErrFrom : 0;
  errLen = g ? g->CellErrLen : 0;
}

void TGridCellGraphics::RemoveMarker(int col, int row) {
  if (RemoveCellGraphic(col, row, ctEmpty)) return;
  if (TCellGraphic* g = GetCellGraphic(col, row)) g->CellErrFrom = g->CellErrLen = 0;
}

void TGridCellGraphics::RemoveAllMarkers() {
  for (int c = 0; c < grid_.ColCount(); ++c)
    for (int r = 0; r < grid_.RowCount(); ++r) RemoveMarker(c, r);
}

// ---- Rotated text ----

void TGridCellGraphics::AddRotated(int col, int row, int angle, const AnsiString& text) {
  CreateCellGraphic(col, row)->SetAngle(angle);
  grid_.SetCellEx(col, row, text);
}

void TGridCellGraphics::SetRotated(int col, int row, int angle) {
  TCellGraphic* g = GetCellGraphic(col, row);
  (g ? g : CreateCellGraphic(col, row))->SetAngle(angle);
  grid_.RepaintCell(grid_.DisplColIndex(col), row);
}

bool TGridCellGraphics::IsRotated(int col, int row, int& angle) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!g || g->CellType != ctRotated) return false;
  angle = g->CellAngle;
  return true;
}

// ---- Buttons ----

void TGridCellGraphics::AddButton(int col, int row, int width, int height, const AnsiString& caption,
                               TCellHAlign hAlign, TCellVAlign vAlign) {
  CreateCellGraphic(col, row)->SetButton(width, height, caption, hAlign, vAlign);
}

void TGridCellGraphics::AddBitButton(int col, int row, int width, int height, const AnsiString& caption,
                                  TBitmap* glyph, TCellHAlign hAlign, TCellVAlign vAlign) {
  CreateCellGraphic(col, row)->SetBitButton(width, height, caption, glyph, hAlign, vAlign);
}

TBitmap* TGridCellGraphics::CreateBitButton(int col, int row, int width, int height, const AnsiString& caption,
                                         TCellHAlign hAlign, TCellVAlign vAlign) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  auto* glyph = new TBitmap;
  g->CellCreated = true;
  g->SetBitButton(width, height, caption, glyph, hAlign, vAlign);
  return glyph;
}

void TGridCellGraphics::SetButtonText(int col, int row, const AnsiString& caption) {
  if (TCellGraphic* g = grid_.RealColumnGraphic(col, row)) {
    g->CellText = caption;
    grid_.RepaintCell(col, row);
  }
}

AnsiString TGridCellGraphics::GetButtonText(int col, int row) {
  const TCellGraphic* g = grid_.RealColumnGraphic(col, row);
  return g ? g->CellText : AnsiString();
}

void TGridCellGraphics::PushButton(int col, int row, bool pushed) {
  if (TCellGraphic* g = grid_.RealColumnGraphic(col, row)) {
    g->CellBoolean = pushed;
    grid_.RepaintCell(col, row);
  }
}

bool TGridCellGraphics::HasButton(int col, int row) {
  const TCellType kind = grid_.BaseCellType(col, row);
  return kind == ctButton || kind == ctBitButton;
}

TRect TGridCellGraphics::ButtonRect(int col, int row) {
  const TRect cell = grid_.CellRect(col, row);
  const TCellGraphic* g = grid_.RealColumnGraphic(col, row);
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

void TGridCellGraphics::RemoveButton(int col, int row) {
  if (!RemoveCellGraphic(col, row, ctButton)) RemoveCellGraphic(col, row, ctBitButton);
}

// ---- Check boxes ----

void TGridCellGraphics::AddCheckBox(int col, int row, bool state, bool data) {
  const TCellVAlign vAlign = grid_.settings_.VAlignment == vtaCenter   ? vaCenter
                             : grid_.settings_.VAlignment == vtaBottom ? vaBottom
                                                                 : vaTop;
  CreateCellGraphic(col, row)->SetCheckBox(state, data, grid_.FlatControls(), haBeforeText, vAlign);
}

bool TGridCellGraphics::HasCheckBox(int col, int row) { return IsCheckBoxKind(grid_.BaseCellType(col, row)); }

bool TGridCellGraphics::HasDataCheckBox(int col, int row) {
  const TCellType kind = grid_.BaseCellType(col, row);
  return kind == ctDataCheckBox || kind == ctVirtCheckBox || kind == ctRowCheckBox;
}

bool TGridCellGraphics::HasDataCell(int col, int row) {
  const TCellType kind = grid_.BaseCellType(col, row);
  return HasDataCheckBox(col, row) || kind == ctDataImage;
}

bool TGridCellGraphics::HasStaticEdit(int col, int row) {
  const TCellType kind = grid_.BaseCellType(col, row);
  return IsCheckBoxKind(kind) || kind == ctRadio || kind == ctButton;
}

bool TGridCellGraphics::GetCheckBoxState(int col, int row, bool& state) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) return false;
  switch (g->CellType) {
    case ctCheckBox:
      state = g->CellBoolean;
      return true;
    case ctDataCheckBox:
    case ctVirtCheckBox:
      state = grid_.GetCellEx(col, row) == grid_.GetCheckTrue(col, row);
      return true;
    case ctRowCheckBox:
      state = grid_.GetRowSelect(grid_.DisjunctRow(row));
      return true;
    default:
      return false;
  }
}

void TGridCellGraphics::SetCheckBoxState(int col, int row, bool state) {
  TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) return;
  switch (g->CellType) {
    case ctCheckBox:
      g->CellBoolean = state;
      grid_.RepaintCell(grid_.DisplColIndex(col), row);
      break;
    case ctDataCheckBox:
    case ctVirtCheckBox:
      grid_.SetCellEx(col, row, state ? grid_.GetCheckTrue(col, row) : grid_.GetCheckFalse(col, row));
      break;
    case ctRowCheckBox:
      grid_.SetRowSelect(grid_.DisjunctRow(row), state);
      break;
    default:
      break;
  }
}

bool TGridCellGraphics::ToggleCheck(int col, int row, bool fromUser) {
  TCellGraphic* g = GetCellGraphic(col, row);
  if (!g || !IsCheckBoxKind(g->CellType)) return false;
  if (fromUser && !grid_.controlLook_.CheckAlwaysActive) {
    bool canEdit = true;
    grid_.GetCellReadOnly(col, row, canEdit);
    if (!canEdit) return false;
  }
  if (g->CellType == ctCheckBox) g->CellBoolean = !g->CellBoolean;
  else if (g->CellType == ctRowCheckBox) grid_.SetRowSelect(grid_.DisjunctRow(row), !grid_.GetRowSelect(grid_.DisjunctRow(row)));
  else {
    const AnsiString checkTrue = grid_.GetCheckTrue(col, row);
    grid_.SetCellEx(col, row, grid_.GetCellEx(col, row) != checkTrue ? checkTrue : grid_.GetCheckFalse(col, row));
  }
  grid_.RepaintCell(grid_.DisplColIndex(col), row);
  return true;
}

void TGridCellGraphics::CheckAll(int col) {
  for (int r = grid_.FixedRows(); r < grid_.RowCount(); ++r) SetCheckBoxState(col, r, true);
}

void TGridCellGraphics::UnCheckAll(int col) {
  for (int r = grid_.FixedRows(); r < grid_.RowCount(); ++r) SetCheckBoxState(col, r, false);
}

bool TGridCellGraphics::IsInCheckBox(int col, int row, int x, int y) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!g || !IsCheckBoxKind(g->CellType)) return false;
  if (!grid_.mouseActions_.PreciseCheckBoxCheck) return true;
  const TRect r = grid_.CellRect(grid_.DisplColIndex(col), row);
  const int size = grid_.controlLook_.CheckSize();
  const int height = r.Bottom - r.Top, width = r.Right - r.Left;
  const int top = g->CellVAlign == vaBottom   ? r.Bottom - 2 - size
                  : g->CellVAlign == vaCenter ? r.Top + (height - size) / 2
                                              : r.Top + 2;
  TAlignment hAlign = grid_.GetAlignments(col, row);
  TVAlignment vAlign = grid_.settings_.VAlignment;
  grid_.GetCellAlign(col, row, hAlign, vAlign);
  const int left = hAlign == taRightJustify ? r.Right - 2 - size
                   : hAlign == taCenter     ? r.Left + (width - size) / 2
                                            : r.Left + 2;
  return x >= left && x < left + size && y >= top && y < top + size;
}

// ---- Radio groups ----

void TGridCellGraphics::AddRadio(int col, int row, int dirRadio, int defaultIndex, TStringList* strings) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  g->CellType = ctRadio;
  g->CellAngle = strings ? strings->Count() : 0;
  g->CellBoolean = dirRadio != 0;
  g->CellIndex = defaultIndex;
  g->SetRadioStrings(strings);
}

TCellGraphic* TGridCellGraphics::CreateRadio(int col, int row, int dirRadio, int defaultIndex) {
  TCellGraphic* g = CreateCellGraphic(col, row);
  g->CellType = ctRadio;
  g->CellAngle = 0;
  g->CellBoolean = dirRadio != 0;
  g->CellIndex = defaultIndex;
  g->CellCreated = true;
  g->SetRadioStrings(new TStringList);
  return g;
}

bool TGridCellGraphics::GetRadioIdx(int col, int row, int& index) {
  const TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) return false;
  index = g->CellIndex;
  return g->CellType == ctRadio;
}

bool TGridCellGraphics::SetRadioIdx(int col, int row, int index) {
  TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) return false;
  g->CellIndex = index;
  grid_.RepaintCell(grid_.DisplColIndex(col), row);
  return g->CellType == ctRadio;
}

TStringList* TGridCellGraphics::GetRadioStrings(int col, int row) {
  const TPoint base = grid_.BaseCell(col, row);
  const TCellGraphic* g = GetCellGraphic(base.X, base.Y);
  return g ? g->RadioStrings() : nullptr;
}

bool TGridCellGraphics::IsRadio(int col, int row) { return grid_.BaseCellType(col, row) == ctRadio; }

// A cell outside the grid, a group without items, a selection beyond the
// items and a read-only cell change nothing.
bool TGridCellGraphics::ToggleRadio(int col, int row, bool fromUser) {
  TCellGraphic* g = GetCellGraphic(col, row);
  TStringList* items = g ? g->RadioStrings() : nullptr;
  if (!items || items->Count() == 0 || g->CellIndex >= items->Count()) return false;
  if (fromUser && !grid_.controlLook_.RadioAlwaysActive) {
    bool canEdit = true;
    grid_.GetCellReadOnly(col, row, canEdit);
    if (!canEdit) return false;
  }
  const int current = g->CellIndex >= 0 ? g->CellIndex : items->IndexOf(grid_.GetCellEx(col, row));
  const int next = current + 1 >= items->Count() ? 0 : current + 1;
  if (g->CellIndex >= 0) g->CellIndex = next;
  grid_.SetCellEx(col, row, items->Strings(next));
  return true;
}

// ---- Row queries ----

void TVudUvizidIzed::QueryAddRow(bool& canAdd) {
  if (OnCanAddRow) OnCanAddRow(this, canAdd);
}

void TVudUvizidIzed::QueryInsertRow(int row, bool& canInsert) {
  if (OnCanInsertRow) OnCanInsertRow(this, row, canInsert);
}

void TGridCellGraphics::RemoveCheckBox(int col, int row) {
  const TCellType kind = GetCellType(col, row);
  if (kind != ctCheckBox && kind != ctDataCheckBox) return;
  FreeCellGraphic(col, row);
  grid_.RepaintCell(col, row);
}
