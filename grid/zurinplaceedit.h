#pragma once
// The grid's text editor: the framework's in-place editor with the grid's
// character filters by editor type, a length limit, completion from the
// grid's lookup list, clipboard events, and the caret placed where the
// click that started editing landed.
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

 protected:
  void WndProc(TMessage& message) override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void KeyUp(unsigned short& key, TShiftState shift) override;
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

  TVudUvizidIzed* grid_;
  void ApplyStyle();

  TEditorType editorType_ = edNormal;
  int lengthLimit_ = 0;
  // Backspace and Delete turn completion off until another key is typed.
  bool lookupEnabled_ = true;
  bool clickStarted_ = false;
  TPoint clickPoint_{};
};
