#pragma once
// The custom editor link: how an application plugs a control of its own into
// the grid as the in-place editor of edCustom cells. A descendant creates the
// control and moves the value between control and cell; the base class gives
// the key rules, the window-procedure hook and the popup-window variant.
//
// The link, its grid, its popup form and its editor control may be freed in
// any order: each side is told of the other's end (FreeNotification) and
// keeps no pointer to what is gone.
#include "framework/controls.h"
#include "framework/graphics.h"

class TForm;
class TVudUvizidIzed;

enum TEditStyle { esInplace, esPopup };

class TEditLink : public TComponent {
 public:
  explicit TEditLink(TComponent* owner);
  ~TEditLink() override;

  TEditStyle EditStyle() const { return editStyle_; }
  void SetEditStyle(TEditStyle style) { editStyle_ = style; }
  int PopupWidth() const { return popupWidth_; }
  void SetPopupWidth(int width) { popupWidth_ = width; }
  int PopupHeight() const { return popupHeight_; }
  void SetPopupHeight(int height) { popupHeight_ = height; }
  // Screen position of the popup form; -1 in either places it at the cell's
  // top-left corner.
  int PopupLeft() const { return popupLeft_; }
  void SetPopupLeft(int left) { popupLeft_ = left; }
  int PopupTop() const { return popupTop_; }
  void SetPopupTop(int top) { popupTop_ = top; }
  // The popup form as wide as the cell.
  bool AutoPopupWidth() const { return autoPopupWidth_; }
  void SetAutoPopupWidth(bool on) { autoPopupWidth_ = on; }
  // The editor keeps these keys instead of handing them to the grid.
  bool WantKeyLeftRight = false;
  bool WantKeyUpDown = false;
  bool WantKeyHomeEnd = false;
  bool WantKeyPriorNext = false;
  bool WantKeyReturn = false;
  bool WantKeyEscape = false;

  // Set by the grid each time editing starts; null once the grid is gone.
  TVudUvizidIzed* Grid() const { return grid_; }
  void SetGrid(TVudUvizidIzed* grid);
  int EditCol() const { return editCol_; }
  int EditRow() const { return editRow_; }
  void SetEditCell(int col, int row);
  // Created by the grid on the first popup edit; null before.
  TForm* PopupForm() const { return popupForm_; }
  void SetPopupForm(TForm* form);
  // True while the link moves the focus itself.
  bool FocusChanging() const { return focusChanging_; }
  void SetFocusChanging(bool on) { focusChanging_ = on; }

  // ---- What a descendant overrides ----
  // The key handler a descendant gives its control (OnKeyDown).
  virtual void EditKeyDown(TObject* sender, unsigned short& key, TShiftState shift);
  virtual TWinControl* GetEditControl() { return nullptr; }
  virtual void CreateEditor(TWinControl* /*parent*/) {}
  virtual void DestroyEditor() {}
  virtual void SetFocus(bool value);
  virtual void SetRect(TRect r);
  virtual void SetVisible(bool value);
  virtual void SetProperties() {}
  virtual void SetCellProps(TColor /*color*/, TFont* /*font*/) {}
  virtual AnsiString GetEditorValue() { return AnsiString(); }
  virtual void SetEditorValue(const AnsiString& /*value*/) {}

  // The exit handler a descendant gives its control (OnExit).
  void EditExit(TObject* sender);
  // The popup form's deactivation handler.
  void FormExit(TObject* sender);
  AnsiString GetCellValue();
  void SetCellValue(const AnsiString& value);
  TWinControl* GetParent();
  // Writes the editor's value back and closes the grid's editing.
  void HideEditor();
  // Takes the grid's hook off the edit control and hides its window.
  void RestoreWinProc();

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // Tab and arrows go on to the grid; the editor is switched off meanwhile.
  void PassKeyToGrid(unsigned short& key, TShiftState shift);
  bool KeyLeavesEditor(unsigned short key) const;

  TEditStyle editStyle_ = esInplace;
  int popupWidth_ = 0;
  int popupHeight_ = 0;
  int popupLeft_ = -1;
  int popupTop_ = -1;
  bool autoPopupWidth_ = false;
  TVudUvizidIzed* grid_ = nullptr;
  TForm* popupForm_ = nullptr;
  int editCol_ = 0;
  int editRow_ = 0;
  bool focusChanging_ = false;
};
