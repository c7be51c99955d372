// The edit with a button and the unit edit, driven with keys and the mouse.
#include "grid/zgedit.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include "framework/testing/harness.h"
#include "gridtesting.h"

namespace {

class EditBtnTest : public ::testing::Test {
 protected:
  EditBtnTest() {
    form.SetBounds(0, 0, 300, 200);
    edit.SetParent(&form);
    edit.SetBounds(10, 10, 150, 24);
    edit.OnClickBtn = [this](TObject* sender) {
      ++clicks;
      EXPECT_EQ(sender, &edit);
    };
    form.Show();
    edit.SetFocus();
    harness::ProcessEvents();
  }

  void PressButton(Qt::MouseButton button = Qt::LeftButton) {
    gridtesting::SendMouse(edit.EditButton()->Button(), QEvent::MouseButtonPress, button, 3, 3);
  }
  void ReleaseButtonAt(int x, int y) {
    gridtesting::SendMouse(edit.EditButton()->Button(), QEvent::MouseButtonRelease, Qt::NoButton, x, y);
  }

  TScopedServices services;
  TForm form{nullptr};
  TZurEditBtn edit{&form};
  int clicks = 0;
};

TEST_F(EditBtnTest, ANewEditShowsZeroAndItsButtonActsOnPressAndF4) {
  EXPECT_EQ(edit.Text(), "0");
  harness::PressKey(&edit, Qt::Key_F4);
  EXPECT_EQ(clicks, 1);

  edit.SelectAll();
  PressButton();
  EXPECT_EQ(clicks, 2);
  EXPECT_TRUE(edit.EditButton()->Button()->Down());
  // The press stays with the button: the edit keeps its selection.
  EXPECT_EQ(edit.LineEdit()->selectedText().toStdString(), "0");
  // Letting go outside the button does not take the press back.
  ReleaseButtonAt(200, 200);
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(edit.EditButton()->Button()->Down());

  harness::RightClickAt(edit.EditButton()->Button(), 3, 3);
  EXPECT_EQ(clicks, 2);
  EXPECT_TRUE(edit.Focused());
}

TEST_F(EditBtnTest, EditingKeysFollowEditorEnabledAndReadOnly) {
  const struct {
    const char* name;
    bool editorEnabled;
    bool readOnly;
    const char* afterTyping;
    const char* afterPaste;
    const char* afterCut;
    const char* clipboardAfterCut;
  } cases[] = {
      {"editable", true, false, "0ab", "0abXY", "", "0abXY"},
      {"editor off", false, false, "0", "0", "0", "XY"},
      {"read-only", true, true, "0", "0", "0", "XY"},
  };
  for (const auto& c : cases) {
    edit.SetText("0");
    edit.SetEditorEnabled(c.editorEnabled);
    edit.SetReadOnly(c.readOnly);
    services->clipboard = "XY";
    edit.SetSelStart(1);
    harness::TypeText(&edit, "ab");
    EXPECT_EQ(edit.Text(), c.afterTyping) << c.name;
    edit.SetSelStart(static_cast<int>(edit.Text().size()));
    harness::PressKey(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.Text(), c.afterPaste) << c.name;
    edit.SelectAll();
    harness::PressKey(&edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit.Text(), c.afterCut) << c.name;
    EXPECT_EQ(services->clipboard, c.clipboardAfterCut) << c.name;
    // Messages sent by code obey the same rules as keys.
    services->clipboard = "Z";
    edit.SetText("1");
    edit.SelectAll();
    edit.Perform(WM_PASTE);
    EXPECT_EQ(edit.Text(), c.editorEnabled && !c.readOnly ? "Z" : "1") << c.name;
    // The button works whatever the editing state.
    const int before = clicks;
    PressButton();
    EXPECT_EQ(clicks, before + 1) << c.name;
  }
}

TEST_F(EditBtnTest, DeleteAndBackspaceChangeNothingWhileTheEditorIsOff) {
  edit.SetText("123");
  edit.SetEditorEnabled(false);
  edit.SetSelStart(1);
  harness::PressKey(&edit, Qt::Key_Delete);
  harness::PressKey(&edit, Qt::Key_Backspace);
  EXPECT_EQ(edit.Text(), "123");
  edit.SetEditorEnabled(true);
  harness::PressKey(&edit, Qt::Key_Delete);
  EXPECT_EQ(edit.Text(), "13");
}

TEST_F(EditBtnTest, KeepsItsMinimumHeightAndTheTextClearOfTheButton) {
  edit.SetHeight(5);
  EXPECT_EQ(edit.Height(), edit.MinimumHeight());
  EXPECT_GT(edit.MinimumHeight(), 5);

  edit.SetHeight(30);
  edit.SetButtonWidth(25);
  const TRect button = edit.EditButton()->BoundsRect();
  EXPECT_EQ(button.Width(), 25);
  EXPECT_EQ(button.Right, edit.Width() - 3);
  EXPECT_LE(edit.TextRect().Right, button.Left);
  harness::TypeText(&edit, "a long value that runs far past the button");
  // The line edit scrolls its text when it paints.
  edit.Repaint();
  EXPECT_LT(edit.LineEdit()->inputMethodQuery(Qt::ImCursorRectangle).toRect().right(), button.Left);

  edit.SetBorderStyle(bsNone);
  EXPECT_EQ(edit.EditButton()->BoundsRect().Right, edit.Width() - 1);
}

TEST_F(EditBtnTest, GainingTheFocusByKeySelectsTheText) {
  TEdit other(&form);
  other.SetParent(&form);
  other.SetFocus();
  edit.SetText("value");
  edit.SetFocus();
  harness::ProcessEvents();
  EXPECT_EQ(edit.LineEdit()->selectedText().toStdString(), "value");
}

// A derived editor's own BtnClick runs on the press and on F4.
class TCountingEditBtn : public TZurEditBtn {
 public:
  using TZurEditBtn::TZurEditBtn;
  void BtnClick(TObject*) override { ++count; }
  int count = 0;
};

TEST(EditBtn, ADerivedClassHandlesBothWaysOfPressing) {
  TForm form(nullptr);
  TCountingEditBtn edit(&form);
  edit.SetParent(&form);
  form.Show();
  edit.SetFocus();
  bool fired = false;
  edit.OnClickBtn = [&](TObject*) { fired = true; };
  harness::PressKey(&edit, Qt::Key_F4);
  gridtesting::SendMouse(edit.EditButton()->Button(), QEvent::MouseButtonPress, Qt::LeftButton, 2, 2);
  EXPECT_EQ(edit.count, 2);
  EXPECT_FALSE(fired);
}

TEST(UnitEditBtn, ChoosingAUnitFromTheMenuSetsOnlyTheUnit) {
  TForm form(nullptr);
  TZurUnitEditBtn edit(&form);
  edit.SetParent(&form);
  edit.SetBounds(0, 0, 160, 24);
  form.Show();
  TStringList units;
  units.SetCommaText("mm,cm,m");
  edit.SetUnits(&units);
  edit.SetUnits(nullptr);
  edit.SetText("12");
  edit.SetUnitID("mm");
  EXPECT_EQ(edit.LineEdit()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

  gridtesting::SendMouse(edit.EditButton()->Button(), QEvent::MouseButtonPress, Qt::LeftButton, 2, 2);
  ASSERT_NE(edit.UnitMenu(), nullptr);
  TMenuItem* root = edit.UnitMenu()->Items();
  ASSERT_EQ(root->Count(), 3);
  EXPECT_EQ(root->Items(1)->Caption(), "cm");
  root->Items(1)->Action()->trigger();
  EXPECT_EQ(edit.UnitID(), "cm");
  EXPECT_EQ(edit.Text(), "12");
  // A changed-text notification carries no unit; an unknown item sets none.
  edit.Perform(WM_COMMAND, (0x0300u << 16) | 3);
  edit.Perform(WM_COMMAND, 4);
  EXPECT_EQ(edit.UnitID(), "cm");

  // The unit sits between the text and the button; without room for it the
  // text reaches up to the button's gap.
  const TRect unit = edit.UnitRect();
  EXPECT_LE(edit.TextRect().Right, unit.Left);
  EXPECT_LE(unit.Right, edit.EditButton()->Left());
  const int withUnit = edit.TextRect().Right;
  edit.SetUnitSpace(0);
  EXPECT_EQ(edit.TextRect().Right, withUnit + 20 + 3);

  // An empty list shows an empty menu.
  TStringList none;
  edit.SetUnits(&none);
  edit.BtnClick(&edit);
  EXPECT_EQ(edit.UnitMenu()->Items()->Count(), 0);
}

}  // namespace
