// The grid's side of a custom editor link: opening the link's editor on an
// edCustom cell, in the cell or in a popup form, writing its value back, and
// the window procedure the link puts on its editor control.
#include "framework/application.h"
#include "framework/forms.h"
#include "grid/duruzav.h"
#include "grid/editlink.h"

namespace {

constexpr const char* kPopupFormName = "gridform";

// The link's popup form, made on its first popup edit. A form of that name
// left by another link is freed first; that link is told and lets go of it.
TForm* PopupFormOf(TEditLink* link) {
  if (TForm* form = link->PopupForm()) return form;
  if (TComponent* stale = Application->FindComponent(kPopupFormName)) {
    stale->BeforeDestruction();
    delete stale;
  }
  auto* form = new TForm(Application);
  form->SetName(kPopupFormName);
  form->SetBorderStyle(bsNone);
  link->SetPopupForm(form);
  return form;
}

}  // namespace

TWinControl* TVudUvizidIzed::ShowEditLink(int col, int row, char startKey) {
  TEditLink* link = EditLink();
  if (!link) return nullptr;
  const TPoint base = BaseCell(RemapCol(col), row);
  const int baseCol = RemapColInv(base.X);
  const TRect cell = CellRect(baseCol, base.Y);
  link->SetGrid(this);
  link->SetEditCell(baseCol, base.Y);
  editorHooks_.linkStartText = GetCellEx(base.X, base.Y);
  editorHooks_.popupFormLeft = false;
  if (link->EditStyle() == esPopup) {
    if (link->AutoPopupWidth()) link->SetPopupWidth(cell.Width());
    TForm* form = PopupFormOf(link);
    const TPoint corner = link->PopupLeft() == -1 || link->PopupTop() == -1
                              ? ClientToScreen(cell.TopLeft())
                              : TPoint{link->PopupLeft(), link->PopupTop()};
    form->OnDeactivate = [link](TObject* sender) { link->FormExit(sender); };
    form->SetBounds(corner.X, corner.Y, link->PopupWidth(), link->PopupHeight());
    form->Show();
    link->CreateEditor(form);
    link->SetRect({0, 0, link->PopupWidth(), link->PopupHeight()});
  } else {
    link->CreateEditor(this);
    link->SetRect(cell);
  }
  link->SetVisible(true);
  TGridDrawState state = 0;
  TColor colorTo = clNone;
  TAlignment hAlign = taLeftJustify;
  TVAlignment vAlign = vtaTop;
  bool wordWrap = false;
  GetVisualProperties(baseCol, base.Y, state, false, false, true, Canvas()->Brush(), colorTo, Canvas()->Font(), hAlign,
                      vAlign, wordWrap);
  link->SetCellProps(Canvas()->Brush()->Color(), Canvas()->Font());
  link->SetProperties();
  if (OnGetEditorProp) OnGetEditorProp(this, baseCol, base.Y, link);
  link->SetEditorValue(GetEditText(baseCol, base.Y));
  link->SetFocus(true);
  TWinControl* editor = link->GetEditControl();
  if (startKey && editor) PostStartingKey(editor, startKey);
  return editor;
}

void TVudUvizidIzed::HideEditLink() {
  TEditLink* link = EditLink();
  if (!link) {
    // The link went while its editor was open: its control, if it lives on,
    // loses the hook and leaves the cell.
    TWinControl* orphan = editorHooks_.Hooked();
    editorHooks_.Unhook();
    if (orphan) orphan->Hide();
    return;
  }
  if (link->EditStyle() == esInplace) link->SetVisible(false);
  link->RestoreWinProc();
}

void TVudUvizidIzed::SubclassProc(TMessage& message) {
  if (message.Msg == WM_GETDLGCODE && (Options() & goTabs)) {
    message.Result = DLGC_WANTARROWS | DLGC_WANTTAB;
    return;
  }
  editorHooks_.CallSaved(message);
}
