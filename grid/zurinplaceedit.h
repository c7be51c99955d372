#pragma once
// The grid's text editor: the framework's in-place editor with the grid's
// character filters by editor type, a length limit, completion from the
// grid's lookup list, clipboard events, and the caret placed where the
// click that started editing landed. Leaving the cell by a key or by the
// focus validates the text first: a refused text is put back and the
// editor stays. With CursorWalkEditor the caret walks on into the
// neighbouring cells.
#include <functional>

#include "framework/grids.h"
#include "grid/basegrid.h"

class TVudUvizidIzed;

class TZurInplaceEdit : public TInplaceEdit {
 public:
  explicit TZurInplaceEdit(TVudUvizidIzed* grid);

  TVudUvizidIzed* OwnerGrid() const { return grid_; }
  // The editor kind of the cell being edited: which characters typing and
  // pasting may bring in, and how they are recased. The editor is
  // multi-line while the grid allows Ctrl+Enter, except for passwords, and
  // wraps its lines as the grid does.
  TEditorType EditorType() const { return editorType_; }
  void SetEditorType(TEditorType type);
  // Maximum text length; 0 = no limit. Taken from the grid's edit limit.
  int LengthLimit() const { return lengthLimit_; }
  void SetLengthLimit(int limit) { lengthLimit_ = limit; }
  // Editing starts with a click at this screen point: when the editor takes
  // the focus, the caret goes to the character under it.
  void StartFromClick(TPoint screenPoint);
  // Lines wrap at the editor's width.
  void SetWordWrap(bool on);
  // Showing the editor starts the edit of the current cell.
  void SetVisible(bool visible) override;

 protected:
  void WndProc(TMessage& message) override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void KeyUp(unsigned short& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void Change() override;
  void DblClick() override;

 private:
  // What the typed character becomes; false drops it.
  bool FilterChar(char& ch, LPARAM keyData);
  bool FilterNumeric(char ch, bool allowMinus);
  bool FilterFloat(char ch);
  void TypeMixedCase(TMessage& message);
  // The clipboard messages and their events.
  bool AllowClipboard(const std::function<void(TObject*, bool&)>& event);
  void Paste();
  // The pasted text as the editor type takes it; false refuses it.
  bool TakePasted(AnsiString& text) const;
  // Completes the text up to the caret from the lookup items.
  void DoLookup();
  void PlaceCaretOnFocus();
  // The keys that leave the cell validate the text first; true when the key
  // has been dealt with and goes no further.
  bool LeavingKey(unsigned short key, TShiftState shift);
  // The text stored in the cell becomes the text to commit; false (the text
  // put back) when the validation refused it.
  bool CommitAndValidate();
  // Puts the cell's text back, the caret at its end or all selected.
  void ReloadFromCell();
  // Whether the caret lies on the first (Up) or last (Down) line.
  bool CaretOnEdgeLine(unsigned short key) const;
  // Right at the end and Left at the start of the text move on to the
  // next cell (CursorWalkEditor); true when the caret walked.
  bool CursorWalk(unsigned short key, TShiftState shift);
  void KillFocus(TMessage& message);
  void ReportProgress();

  TVudUvizidIzed* grid_;
  void ApplyStyle();

  TEditorType editorType_ = edNormal;
  int lengthLimit_ = 0;
  // Backspace and Delete turn completion off until another key is typed.
  bool lookupEnabled_ = true;
  bool clickStarted_ = false;
  TPoint clickPoint_{};
};
