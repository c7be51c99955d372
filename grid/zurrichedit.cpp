#include "grid/zurrichedit.h"

#include <QApplication>
#include <QTextEdit>

#include "grid/duruzav.h"
#include "grid/grideditcontrol.h"

TZurRichEdit::TZurRichEdit(TComponent* owner) : TRichEdit(owner), grid_(dynamic_cast<TVudUvizidIzed*>(owner)) {
  if (!grid_) throw EDurUzavError("A rich-text editor must be owned by its grid");
}

void TZurRichEdit::SelFormat(int offset) {
  QTextCharFormat format;
  format.setVerticalAlignment(offset < 0   ? QTextCharFormat::AlignSubScript
                              : offset > 0 ? QTextCharFormat::AlignSuperScript
                                           : QTextCharFormat::AlignNormal);
  TextEdit()->mergeCurrentCharFormat(format);
}

int TZurRichEdit::SelOffset() const {
  switch (TextEdit()->currentCharFormat().verticalAlignment()) {
    case QTextCharFormat::AlignSubScript: return -40;
    case QTextCharFormat::AlignSuperScript: return 40;
    default: return 0;
  }
}

void TZurRichEdit::WndProc(TMessage& message) {
  if (message.Msg == WM_KILLFOCUS) {
    // Leaving for the grid's popup editor form is no leaving at all.
    if (grid_->EditorHooks()->popupFormLeft) return;
    // The focus that has gone to the grid ends the edit; elsewhere (another
    // window) the edit stays open.
    const QWidget* taker = QApplication::focusWidget();
    if (!grid_->EditControls().closing && taker && grid_->Widget() && (taker == grid_->Widget() || grid_->Widget()->isAncestorOf(taker)) &&
        !Widget()->isAncestorOf(taker))
      grid_->HideInplaceEdit();
  }
  TRichEdit::WndProc(message);
}

void TZurRichEdit::KeyDown(unsigned short& key, TShiftState shift) {
  TRichEdit::KeyDown(key, shift);
  if (key != VK_UP && key != VK_DOWN) return;
  if (grid_->WordWrap() || grid_->Props().Multilinecells) return;
  // One line a cell: Up and Down move between the cells.
  if (grid_->CanFocus()) grid_->SetFocus();
  grid_->Perform(WM_KEYDOWN, key, 0);
  key = 0;
}

void TZurRichEdit::RequestResize(const TRect& requested) {
  TZurRichEdit* measuring = grid_->EditControls().richMeasure;
  measuring->reqWidth_ = requested.Width();
  measuring->reqHeight_ = requested.Height();
  if (this == grid_->EditControls().richEdit && grid_->SizeWhileTyping()->Height && !locked_ &&
      requested.Height() > grid_->RowHeights(grid_->Row()))
    GrowRow(requested.Height());
}

void TZurRichEdit::GrowRow(int height) {
  const int row = grid_->Row();
  const TRect cell = grid_->CellRect(grid_->Col(), row);
  if (cell.Top + height > grid_->ClientHeight()) return;
  SetBounds(Left(), Top(), Width(), height);
  grid_->SetRowHeights(row, height);
  if (grid_->OnEndRowSize) grid_->OnEndRowSize(grid_, row);
}
