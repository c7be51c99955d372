// The unit edit: the unit text beside the value and the menu of units.
#include "grid/zgedit.h"

namespace {

// The notification code of a changed edit text, which carries no unit.
constexpr int kEditChanged = 0x0300;

}  // namespace

TZurUnitEditBtn::TZurUnitEditBtn(TComponent* owner)
    : TZurEditBtn(owner), units_(std::make_unique<TStringList>()), unitLabel_(new TLabel(this)) {
  unitLabel_->SetAutoSize(false);
  unitLabel_->SetShowAccelChar(false);
  unitLabel_->SetTransparent(true);
  unitLabel_->SetParent(this);
  SetRightAlign(true);
  SetUnitSize(20);
}

TZurUnitEditBtn::~TZurUnitEditBtn() = default;

void TZurUnitEditBtn::SetUnits(const TStrings* units) {
  if (units) units_->Assign(*units);
}

void TZurUnitEditBtn::SetUnitID(const AnsiString& unit) {
  unitID_ = unit;
  ShowUnit();
}

TRect TZurUnitEditBtn::UnitRect() const {
  const int frame = BorderStyle() == bsSingle ? 2 : 0;
  const int clientWidth = Width() - 2 * frame, clientHeight = Height() - 2 * frame;
  const int left = frame + clientWidth - ButtonWidth() - 3 - UnitSize();
  return {left, frame + 2, left + UnitSize(), frame + clientHeight};
}

void TZurUnitEditBtn::Relayout() {
  TZurEditBtn::Relayout();
  ShowUnit();
}

void TZurUnitEditBtn::ShowUnit() {
  if (!unitLabel_) return;
  const TRect r = UnitRect();
  unitLabel_->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  unitLabel_->SetFont(*Font());
  unitLabel_->SetText(unitID_);
  unitLabel_->SetVisible(UnitSize() > 0);
}

void TZurUnitEditBtn::BtnClick(TObject*) {
  if (!menu_) menu_ = new TPopupMenu(this);
  TMenuItem* root = menu_->Items();
  while (root->Count() > 0) {
    TMenuItem* item = root->Items(root->Count() - 1);
    root->Remove(item);
    delete item;
  }
  for (int i = 0; i < units_->Count(); ++i) {
    auto* item = new TMenuItem(menu_);
    item->SetCaption(units_->Get(i));
    const WPARAM id = static_cast<WPARAM>(i + 1);
    item->OnClick = [this, id](TObject*) { Perform(WM_COMMAND, id); };
    root->Add(item);
  }
  menu_->Rebuild();
  const TPoint at = ClientToScreen({ClientWidth() - 15, ClientHeight()});
  menu_->Popup(at.X, at.Y);
}

void TZurUnitEditBtn::WndProc(TMessage& m) {
  if (m.Msg == WM_COMMAND) {
    const int id = LoWord(static_cast<LPARAM>(m.WParam));
    if (HiWord(static_cast<LPARAM>(m.WParam)) != kEditChanged && id >= 1 && id <= units_->Count())
      SetUnitID(units_->Get(id - 1));
    return;
  }
  TZurEditBtn::WndProc(m);
}
