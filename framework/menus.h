#pragma once
// Main and popup menus over Qt's menu bar, menus and actions.
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <vector>

#include "framework/component.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class TMenu;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  // Destroys the sub-items too.
  ~TMenuItem() override;

  // "-" makes a separator; '&' marks the access key.
  const AnsiString& Caption() const { return caption_; }
  void SetCaption(const AnsiString& caption);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  bool Visible() const { return visible_; }
  void SetVisible(bool on);
  bool Checked() const { return checked_; }
  void SetChecked(bool on);
  AnsiString Hint;

  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(index); }
  TMenuItem* Parent() const { return parent_; }
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Remove(TMenuItem* item);
  int IndexOf(const TMenuItem* item) const;
  // The Qt action of the item as last built (null for a root).
  QAction* Action() const { return action_; }

  // What choosing the item does.
  virtual void Click();
  TNotifyEvent OnClick;

 private:
  friend class TMenu;
  void Changed();
  TMenu* Menu() const;

  AnsiString caption_;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
  TMenu* menu_ = nullptr;  // set on a root item only
  QPointer<QAction> action_;
};

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;
  TMenuItem* Items() const { return items_; }
  // Builds the Qt menus again from the items (after any change).
  void Rebuild();

 protected:
  virtual void BuildInto(QWidget* target);
  void AddItems(QWidget* target, TMenuItem* parent);

 private:
  TMenuItem* items_;
  // The Qt objects of the last build, deleted by the next one.
  std::vector<QPointer<QObject>> built_;
};

class TMainMenu : public TMenu {
 public:
  explicit TMainMenu(TComponent* owner);
  ~TMainMenu() override;
  QMenuBar* MenuBar() const { return bar_; }

 protected:
  void BuildInto(QWidget* target) override;

 private:
  QPointer<QMenuBar> bar_;
};

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;
  // Shows the menu at screen coordinates (does not wait for a choice).
  void Popup(int x, int y);
  QMenu* QtMenu() const { return menu_; }
  TNotifyEvent OnPopup;

 protected:
  void BuildInto(QWidget* target) override;

 private:
  QPointer<QMenu> menu_;
};
