#pragma once
// What the editor tests share: an application's editor for edCustom cells.
#include "framework/standardcontrols.h"
#include "grid/editlink.h"

namespace editortesting {

// The application's editor of edCustom cells: an edit of its own.
class TEditBoxLink : public TEditLink {
 public:
  explicit TEditBoxLink(TComponent* owner) : TEditLink(owner) {}
  TWinControl* GetEditControl() override { return edit; }
  void CreateEditor(TWinControl* parent) override {
    if (!edit) {
      edit = new TEdit(this);
      edit->OnKeyDown = [this](TObject* sender, unsigned short& key, TShiftState shift) {
        EditKeyDown(sender, key, shift);
      };
    }
    edit->SetParent(parent);
  }
  AnsiString GetEditorValue() override { return edit->Text(); }
  void SetEditorValue(const AnsiString& value) override { edit->SetText(value); }
  TEdit* edit = nullptr;
};

}  // namespace editortesting
