// A custom editor plugged into the grid through an edit link: opened on the
// cell in place or in a popup form, typed into and written back, and the
// link, its editor, its form and the grid freed in either order.
#include "grid/editlink.h"

#include <gtest/gtest.h>

#include <memory>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"
#include "grid/transedit.h"

namespace {

// An application's link over a plain edit that it owns itself, made on the
// first edit and freed by DestroyEditor, as the popup style asks.
class TEditBoxLink : public TEditLink {
 public:
  using TEditLink::TEditLink;
  ~TEditBoxLink() override {
    if (!ownsEditor) DestroyEditor();
  }

  TWinControl* GetEditControl() override { return edit; }
  void CreateEditor(TWinControl* parent) override {
    if (!edit) {
      edit = new TEdit(ownsEditor ? this : nullptr);
      edit->OnKeyDown = [this](TObject* sender, unsigned short& key, TShiftState shift) {
        EditKeyDown(sender, key, shift);
      };
      edit->OnExit = [this](TObject* sender) { EditExit(sender); };
    }
    edit->SetParent(parent);
  }
  void DestroyEditor() override {
    if (!edit) return;
    ++destroyed;
    edit->OnExit = nullptr;
    delete edit;
    edit = nullptr;
  }
  void SetCellProps(TColor color, TFont*) override { cellColor = color; }
  AnsiString GetEditorValue() override { return edit ? edit->Text() : AnsiString(); }
  void SetEditorValue(const AnsiString& value) override {
    if (edit) edit->SetText(value);
  }

  TEdit* edit = nullptr;
  // With it, the edit is a component of the link and goes with it.
  bool ownsEditor = false;
  TColor cellColor = clNone;
  int destroyed = 0;
};

class EditLinkTest : public ::testing::Test {
 protected:
  EditLinkTest() {
    form->SetBounds(0, 0, 500, 300);
    grid = new TVudUvizidIzed(form.get());
    grid->SetParent(form.get());
    grid->SetBounds(0, 0, 460, 260);
    grid->SetColCount(4);
    grid->SetRowCount(4);
    grid->SetOptions(grid->Options() | goEditing);
    grid->SetCellEx(1, 1, "abc");
    grid->SetEditLink(link.get());
    form->Show();
    grid->SetFocus();
    harness::ProcessEvents();
  }
  ~EditLinkTest() override {
    grid = nullptr;
    form.reset();
  }
  // What the editing control does for an edCustom cell when the edit ends.
  void Commit(int col, int row) {
    if (TEditLink* l = grid->EditLink()) grid->UpdateEditingCell(grid->RemapCol(col), row, l->GetEditorValue());
    grid->HideEditLink();
  }

  TScopedServices services;
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TVudUvizidIzed* grid = nullptr;
  std::unique_ptr<TEditBoxLink> link = std::make_unique<TEditBoxLink>(nullptr);
};

TEST_F(EditLinkTest, InplaceEditorOpensOnTheCellAndWritesBack) {
  grid->SetColors(1, 1, clYellow);
  std::vector<std::tuple<int, int, TEditLink*>> asked;
  grid->OnGetEditorProp = [&](TObject*, int col, int row, TEditLink* l) { asked.emplace_back(col, row, l); };
  TWinControl* editor = grid->ShowEditLink(1, 1, 'x');
  ASSERT_EQ(editor, link->edit);
  EXPECT_EQ(link->Grid(), grid);
  EXPECT_EQ(editor->Parent(), grid);
  EXPECT_TRUE(editor->Visible());
  EXPECT_TRUE(editor->Focused());
  const TRect cell = grid->CellRect(1, 1);
  const int line = grid->GridLineWidth();
  EXPECT_EQ(editor->BoundsRect(), (TRect{cell.Left, cell.Top, cell.Right - line, cell.Bottom - line}));
  EXPECT_EQ(link->cellColor, clYellow);
  EXPECT_EQ(asked, (std::vector<std::tuple<int, int, TEditLink*>>{{1, 1, link.get()}}));
  EXPECT_EQ(grid->EditorHooks()->Hooked(), editor);

  harness::ProcessEvents();  // the starting key arrives as typed
  EXPECT_EQ(link->edit->Text(), "abcx");
  harness::TypeText(link->edit, "yz");
  Commit(1, 1);
  EXPECT_EQ(grid->GetCellEx(1, 1), "abcxyz");
  EXPECT_FALSE(editor->Visible());
  EXPECT_EQ(grid->EditorHooks()->Hooked(), nullptr);
}

TEST_F(EditLinkTest, PopupEditorOpensAtTheCellInTheFormCalledGridform) {
  link->SetEditStyle(esPopup);
  link->SetAutoPopupWidth(true);
  link->SetPopupHeight(60);
  grid->ShowEditLink(2, 2, 0);
  TForm* popup = link->PopupForm();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup, Application->FindComponent("gridform"));
  EXPECT_EQ(popup->BorderStyle(), bsNone);
  EXPECT_TRUE(popup->Visible());
  const TRect cell = grid->CellRect(2, 2);
  EXPECT_EQ(link->PopupWidth(), cell.Width());
  EXPECT_EQ(popup->Width(), cell.Width());
  EXPECT_EQ(popup->Height(), 60);
  EXPECT_EQ(link->edit->Parent(), popup);
  EXPECT_EQ(link->edit->BoundsRect(), (TRect{0, 0, cell.Width() - grid->GridLineWidth(), 60 - grid->GridLineWidth()}));

  harness::TypeText(link->edit, "popped");
  Commit(2, 2);
  EXPECT_EQ(grid->GetCellEx(2, 2), "popped");

  link->SetPopupLeft(30);  // placed where asked, the same form reused
  link->SetPopupTop(40);
  grid->ShowEditLink(2, 2, 0);
  EXPECT_EQ(link->PopupForm(), popup);
  EXPECT_EQ(popup->BoundsRect().TopLeft(), (TPoint{30, 40}));
}

TEST_F(EditLinkTest, PopupFormLeftWritesTheValueAndDestroysTheEditor) {
  link->SetEditStyle(esPopup);
  link->SetPopupWidth(80), link->SetPopupHeight(40);
  grid->ShowEditLink(1, 1, 0);
  harness::TypeText(link->edit, "1");
  link->SetFocusChanging(true);  // the link moving the focus itself: only the value is written
  link->FormExit(link->PopupForm());
  EXPECT_EQ(grid->GetCellEx(1, 1), "abc1");
  ASSERT_NE(link->edit, nullptr);
  EXPECT_FALSE(grid->EditorHooks()->popupFormLeft);

  link->SetFocusChanging(false);
  harness::TypeText(link->edit, "2");
  link->FormExit(link->PopupForm());  // as the form's deactivation calls it
  EXPECT_EQ(grid->GetCellEx(1, 1), "abc12");
  EXPECT_EQ(link->edit, nullptr);
  EXPECT_EQ(link->destroyed, 1);
  EXPECT_FALSE(link->PopupForm()->Visible());
  EXPECT_TRUE(grid->EditorHooks()->popupFormLeft);
}

// The hook is put on each time the editor takes the focus; a second time
// must not keep the hook as the editor's own procedure, which would then call
// itself for every message.
TEST_F(EditLinkTest, EditorHookedTwiceCallsItsOwnProcedureOnce) {
  grid->SetOptions(grid->Options() | goTabs);
  grid->ShowEditLink(1, 1, 0);
  link->SetFocus(true);
  link->SetFocus(true);
  EXPECT_EQ(link->edit->Perform(WM_GETDLGCODE), DLGC_WANTARROWS | DLGC_WANTTAB);
  harness::TypeText(link->edit, "d");  // every message of the edit passes the hook
  EXPECT_EQ(link->edit->Text(), "abcd");
  Commit(1, 1);
  EXPECT_EQ(link->edit->Perform(WM_GETDLGCODE), 0);  // its own procedure again
  EXPECT_EQ(grid->GetCellEx(1, 1), "abcd");
}

TEST_F(EditLinkTest, LinkFreedWhileItsEditorIsOpen) {
  for (bool ownsEditor : {false, true}) {
    SCOPED_TRACE(ownsEditor);
    link = std::make_unique<TEditBoxLink>(nullptr);
    link->ownsEditor = ownsEditor;
    link->SetEditStyle(esPopup);
    link->SetPopupWidth(80), link->SetPopupHeight(40);
    grid->SetEditLink(link.get());
    grid->ShowEditLink(1, 1, 0);
    link.reset();
    EXPECT_EQ(grid->EditLink(), nullptr);
    EXPECT_EQ(grid->EditorHooks()->Hooked(), nullptr);
    EXPECT_EQ(Application->FindComponent("gridform"), nullptr);  // its form went with it
    Commit(1, 1);  // writes nothing
    EXPECT_EQ(grid->GetCellEx(1, 1), "abc");
  }
}

TEST_F(EditLinkTest, GridFreedWhileTheLinksEditorIsOpen) {
  grid->ShowEditLink(1, 1, 0);
  form.reset();  // the grid and the edit in it go
  EXPECT_EQ(link->Grid(), nullptr);
  EXPECT_EQ(link->edit, nullptr);  // the link was asked to destroy its editor
  EXPECT_EQ(link->destroyed, 1);
  link->EditExit(nullptr);
  link->HideEditor();
  EXPECT_EQ(link->GetCellValue(), "");
}

TEST_F(EditLinkTest, GridFreedWhileThePopupEditorIsOpen) {
  grid->SetOptions(grid->Options() | goTabs);
  link->SetEditStyle(esPopup);
  link->SetPopupWidth(80), link->SetPopupHeight(40);
  grid->ShowEditLink(1, 1, 0);
  TEdit* editor = link->edit;
  form.reset();
  EXPECT_EQ(link->Grid(), nullptr);
  ASSERT_EQ(link->edit, editor);  // it lives in the popup form
  EXPECT_EQ(editor->Perform(WM_GETDLGCODE), 0);  // no hook into the freed grid
  harness::TypeText(editor, "q");
  EXPECT_EQ(editor->Text(), "abcq");
  link->FormExit(nullptr);
  link.reset();
}

TEST_F(EditLinkTest, AnotherLinksPopupFormIsFreedAndForgotten) {
  TEditBoxLink other(nullptr);
  for (TEditBoxLink* l : {link.get(), &other}) {
    l->SetEditStyle(esPopup);
    l->SetPopupWidth(80), l->SetPopupHeight(40);
  }
  grid->ShowEditLink(1, 1, 0);
  Commit(1, 1);
  grid->SetEditLink(&other);
  grid->ShowEditLink(1, 1, 0);
  Commit(1, 1);
  EXPECT_EQ(link->PopupForm(), nullptr);
  EXPECT_EQ(link->edit, nullptr);  // destroyed by the link while its form went
  EXPECT_NE(other.PopupForm(), nullptr);
  grid->SetEditLink(link.get());
  grid->ShowEditLink(1, 1, 0);  // a fresh form again
  EXPECT_EQ(link->PopupForm(), Application->FindComponent("gridform"));
  EXPECT_EQ(other.PopupForm(), nullptr);
  Commit(1, 1);
}

// Which keys the editor keeps and which go to the grid: a key the editor
// keeps leaves it enabled; Tab, the arrows and the page keys that leave it
// switch it off (the arrows and Tab moving the grid's current cell).
TEST_F(EditLinkTest, KeysStayInTheEditorOnlyWhereTheLinkWantsThem) {
  enum Want { none, upDown, leftRight, homeEnd, priorNext };
  const struct {
    unsigned short key;
    Want want;
    bool stays;
    int col, row;  // the grid's current cell after the key
  } cases[] = {
      {VK_DOWN, none, false, 1, 2},  {VK_DOWN, upDown, true, 1, 1},  {VK_RIGHT, upDown, false, 2, 1},
      {VK_RIGHT, leftRight, true, 1, 1}, {VK_HOME, none, true, 1, 1}, {VK_END, none, false, 1, 1},
      {VK_END, homeEnd, true, 1, 1}, {VK_NEXT, none, false, 1, 1},   {VK_NEXT, priorNext, true, 1, 1},
      {'A', none, true, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.key << " want " << c.want);
    link->WantKeyUpDown = c.want == upDown;
    link->WantKeyLeftRight = c.want == leftRight;
    link->WantKeyHomeEnd = c.want == homeEnd;
    link->WantKeyPriorNext = c.want == priorNext;
    grid->SetCol(1), grid->SetRow(1);
    grid->ShowEditLink(1, 1, 0);
    unsigned short key = c.key;
    link->EditKeyDown(link->edit, key, 0);
    EXPECT_EQ(link->edit->Enabled(), c.stays);
    if (c.stays) {
      EXPECT_EQ(key, c.key);
    }
    EXPECT_EQ(grid->Col(), c.col);
    EXPECT_EQ(grid->Row(), c.row);
  }
}

TEST_F(EditLinkTest, EscapePutsBackTheTextTheCellHadAndLeaves) {
  grid->SetCol(1), grid->SetRow(1);
  grid->ShowEditLink(1, 1, 0);
  harness::TypeText(link->edit, "zz");
  unsigned short key = VK_ESCAPE;
  link->EditKeyDown(link->edit, key, 0);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(link->edit->Text(), "abc");
  EXPECT_EQ(grid->GetCellEx(1, 1), "abc");

  link->WantKeyEscape = true;
  link->WantKeyReturn = true;
  grid->ShowEditLink(1, 1, 0);
  harness::TypeText(link->edit, "zz");
  for (unsigned short kept : {VK_ESCAPE, VK_RETURN}) {
    key = kept;
    link->EditKeyDown(link->edit, key, 0);
    EXPECT_EQ(key, kept);
  }
  EXPECT_EQ(link->edit->Text(), "abczz");
}

TEST_F(EditLinkTest, EnterAdvancesToTheNextCell) {
  grid->Navigation()->AdvanceOnEnter = true;
  grid->SetCol(1), grid->SetRow(1);
  grid->ShowEditLink(1, 1, 0);
  unsigned short key = VK_RETURN;
  link->EditKeyDown(link->edit, key, 0);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(grid->Row(), 1);
}

class TransEditTest : public EditLinkTest {
 protected:
  TransEditTest() {
    edit = new TGridTransEdit(grid);
    edit->SetParent(grid);
    edit->SetCell(2, 2);
    edit->SetText("typed");
    edit->Show();
    edit->SetFocus();
    grid->OnEditingDone = [this](TObject*) { ++editingDone; };
  }
  TGridTransEdit* edit;
  int editingDone = 0;
};

TEST_F(TransEditTest, LeavingWritesTheValidatedTextIntoItsCell) {
  grid->OnCellValidate = [](TObject*, int col, int row, AnsiString& value, bool&) {
    EXPECT_EQ(col, 2);
    EXPECT_EQ(row, 2);
    value += "!";
  };
  harness::PressKey(edit, Qt::Key_Return);  // swallowed: the edit stays
  EXPECT_TRUE(edit->Focused());
  grid->SetFocus();
  EXPECT_EQ(grid->GetCellEx(2, 2), "typed!");
  EXPECT_FALSE(edit->Visible());
  EXPECT_EQ(editingDone, 1);
}

TEST_F(TransEditTest, RefusedTextKeepsTheEditorOpenOnItsCell) {
  grid->OnCellValidate = [](TObject*, int, int, AnsiString&, bool& valid) { valid = false; };
  grid->SetCol(1), grid->SetRow(1);
  EXPECT_FALSE(edit->StopEdit());
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_TRUE(edit->Visible());
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(grid->GetCellEx(2, 2), "");
  EXPECT_EQ(editingDone, 0);
}

}  // namespace
