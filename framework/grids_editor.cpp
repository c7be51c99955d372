// The in-place editor's lifecycle: shown over the current cell, written
// back through SetEditText once per committed edit.
#include "framework/grids.h"

#include <QLineEdit>

TInplaceEdit::TInplaceEdit(TCustomGrid* grid) : TCustomMaskEdit(grid), grid_(grid) { SetVisible(false); }

int TInplaceEdit::CharFromPos(TPoint p) const {
  if (!ClientRect().Contains(p)) return -1;
  return LineEdit()->cursorPositionAt(QPoint(p.X, p.Y));
}

void TInplaceEdit::KeyDown(unsigned short& key, TShiftState shift) {
  TCustomMaskEdit::KeyDown(key, shift);
  switch (key) {
    case VK_RETURN:
      grid_->HideEditor();
      key = 0;
      break;
    case VK_ESCAPE:
      grid_->CancelEditor();
      key = 0;
      break;
    case VK_UP: case VK_DOWN: case VK_TAB: case VK_PRIOR: case VK_NEXT: {
      // The grid moves on; leaving the cell commits the edit.
      unsigned short gridKey = key;
      grid_->HideEditor();
      grid_->KeyDown(gridKey, shift);
      key = 0;
      break;
    }
    default: break;
  }
}

void TInplaceEdit::DoExit() {
  TCustomMaskEdit::DoExit();
  if (!grid_->hidingEditor_) grid_->HideEditor();
}

TInplaceEdit* TCustomGrid::CreateEditor() { return new TInplaceEdit(this); }

bool TCustomGrid::CanEditShow() const {
  return (options_ & goEditing) && !(options_ & goRowSelect) && gridState_ == gsNormal && Col() >= fixedCols_ &&
         Row() >= fixedRows_;
}

bool TCustomGrid::EditorMode() const { return editor_ && editor_->Visible(); }

void TCustomGrid::SetEditorMode(bool on) { on ? ShowEditor() : HideEditor(); }

void TCustomGrid::ShowEditor() {
  if (EditorMode() || !CanEditShow()) return;
  if (!editor_) {
    editor_ = CreateEditor();
    editor_->SetParent(this);
  }
  editorCell_ = current_;
  editorOriginal_ = GetEditText(Col(), Row());
  editor_->SetText(editorOriginal_);
  UpdateEditorBounds();
  editor_->Show();
  if (editor_->CanFocus()) editor_->SetFocus();
}

void TCustomGrid::UpdateEditorBounds() {
  if (!editor_) return;
  const TRect r = CellRect(editorCell_.X, editorCell_.Y);
  // Over the cell where it shows: mirrored in a right-to-left layout.
  const int left = UseRightToLeftAlignment() ? ClientWidth() - r.Right : r.Left;
  editor_->SetBounds(left, r.Top, r.Width(), r.Height());
}

void TCustomGrid::HideEditor() {
  if (!EditorMode() || hidingEditor_) return;
  hidingEditor_ = true;
  const AnsiString text = editor_->Text();
  const bool refocus = editor_->Focused();
  editor_->Hide();
  try {
    if (text != editorOriginal_) SetEditText(editorCell_.X, editorCell_.Y, text);
  } catch (...) {
    hidingEditor_ = false;
    throw;
  }
  hidingEditor_ = false;
  InvalidateCell(editorCell_.X, editorCell_.Y);
  if (refocus && CanFocus()) SetFocus();
}

void TCustomGrid::CancelEditor() {
  if (!EditorMode()) return;
  editor_->SetText(editorOriginal_);
  HideEditor();
}

AnsiString TCustomGrid::GetEditText(int, int) { return {}; }
void TCustomGrid::SetEditText(int, int, const AnsiString&) {}
