#include "framework/menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "framework/application.h"

// ---- TMenuItem ----

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  while (!items_.empty()) delete items_.back();
  if (parent_) parent_->Remove(this);
}

TMenu* TMenuItem::Menu() const {
  const TMenuItem* root = this;
  while (root->parent_) root = root->parent_;
  return root->menu_;
}

void TMenuItem::Changed() {
  if (TMenu* menu = Menu()) menu->Rebuild();
}

void TMenuItem::SetCaption(const AnsiString& caption) {
  caption_ = caption;
  Changed();
}

void TMenuItem::SetEnabled(bool on) {
  enabled_ = on;
  if (action_) action_->setEnabled(on);
}

void TMenuItem::SetVisible(bool on) {
  visible_ = on;
  if (action_) action_->setVisible(on);
}

void TMenuItem::SetChecked(bool on) {
  checked_ = on;
  if (action_) {
    action_->setCheckable(on || action_->isCheckable());
    action_->setChecked(on);
  }
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item || item == this) return;
  if (item->parent_) item->parent_->Remove(item);
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
  Changed();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

// ---- TMenu ----

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(nullptr)) {
  items_->menu_ = this;
}

TMenu::~TMenu() {
  items_->menu_ = nullptr;
  delete items_;
  for (QPointer<QObject>& object : built_) delete object.data();
}

void TMenu::Rebuild() {
  for (QPointer<QObject>& object : built_) delete object.data();
  built_.clear();
  BuildInto(nullptr);
}

void TMenu::BuildInto(QWidget*) {}

void TMenu::AddItems(QWidget* target, TMenuItem* parent) {
  for (TMenuItem* item : parent->items_) {
    QAction* action = nullptr;
    QObject* built = nullptr;
    const QString caption = QString::fromStdString(item->caption_);
    if (item->caption_ == "-") {
      action = new QAction(target);
      action->setSeparator(true);
    } else if (item->Count() > 0) {
      auto* sub = new QMenu(caption, target);
      AddItems(sub, item);
      action = sub->menuAction();
      built = sub;
    } else {
      action = new QAction(caption, target);
      QObject::connect(action, &QAction::triggered, [item] { Application->Guard(item, [item] { item->Click(); }); });
    }
    action->setEnabled(item->enabled_);
    action->setVisible(item->visible_);
    if (item->checked_) {
      action->setCheckable(true);
      action->setChecked(true);
    }
    target->addAction(action);
    item->action_ = action;
    built_.emplace_back(built ? built : action);
  }
}

// ---- TMainMenu ----

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner), bar_(new QMenuBar()) {}

TMainMenu::~TMainMenu() { delete bar_.data(); }

void TMainMenu::BuildInto(QWidget*) {
  if (!bar_) return;
  AddItems(bar_, Items());
}

// ---- TPopupMenu ----

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner), menu_(new QMenu()) {}

TPopupMenu::~TPopupMenu() { delete menu_.data(); }

void TPopupMenu::BuildInto(QWidget*) {
  if (!menu_) return;
  AddItems(menu_, Items());
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  if (menu_) menu_->popup(QPoint(x, y));
}
