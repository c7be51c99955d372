// The text editor's ways out of a cell: the caret walking into the next
// cell, a full mask moving on by itself, and the focus leaving for another
// window, each with the validation of the text.
#include "framework/standardcontrols.h"
#include "tests/grid/edit_fixture.h"

namespace {

class TextEditorTest : public EditGridTest {
 protected:
  TextEditorTest() {
    grid->Navigation()->AdvanceOnEnter = true;
    grid->OnCellValidate = [this](TObject*, int, int, AnsiString& value, bool&) { validated.push_back(value); };
  }
  std::vector<AnsiString> validated;
};

TEST_F(TextEditorTest, CaretWalksIntoTheNeighbouringCells) {
  grid->Navigation()->CursorWalkEditor = true;
  grid->SetCellEx(2, 1, "xy");
  TZurInplaceEdit* editor = OpenEditor(1, 1);
  ASSERT_NE(editor, nullptr);
  harness::TypeText(editor, "ab");
  editor->SetSelStart(1);
  harness::PressKey(editor, Qt::Key_Right);
  EXPECT_EQ(Current(), (TGridCoord{1, 1})) << "inside the text the caret moves";
  harness::PressKey(editor, Qt::Key_Right);
  EXPECT_EQ(Current(), (TGridCoord{2, 1}));
  EXPECT_EQ(grid->GetCellEx(1, 1), "ab");
  EXPECT_EQ(validated, std::vector<AnsiString>{"ab"});
  ASSERT_NE(Editor(), nullptr) << "editing goes on in the next cell";
  Editor()->SetSelStart(0);
  harness::PressKey(Editor(), Qt::Key_Left);
  EXPECT_EQ(Current(), (TGridCoord{1, 1}));
}

TEST_F(TextEditorTest, FullMaskAdvancesWithAdvanceAuto) {
  grid->Navigation()->AdvanceAuto = true;
  grid->Navigation()->AllowCtrlEnter = false;  // a mask edits one line
  TZurInplaceEdit* editor = OpenEditor(1, 1);
  ASSERT_NE(editor, nullptr);
  editor->SetEditMask("99");
  editor->SetSelStart(0);
  harness::TypeText(editor, "12");
  EXPECT_EQ(Current(), (TGridCoord{1, 1}));
  harness::TypeText(editor, "3");
  EXPECT_EQ(Current(), (TGridCoord{2, 1}));
  EXPECT_EQ(grid->GetCellEx(1, 1), "12");
}

TEST_F(TextEditorTest, FocusLeavingForAnotherWindowValidatesAndKeepsTheLookup) {
  grid->Props().LookupHistory = true;
  auto* other = new TEdit(&form);
  other->SetParent(&form);
  other->SetBounds(0, 370, 100, 20);
  int done = 0;
  grid->OnEditingDone = [&](TObject*) { ++done; };
  TZurInplaceEdit* editor = OpenEditor(1, 1);
  ASSERT_NE(editor, nullptr);
  harness::TypeText(editor, "Zed");
  other->SetFocus();
  harness::ProcessEvents();
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(grid->GetCellEx(1, 1), "Zed");
  EXPECT_EQ(validated, std::vector<AnsiString>{"Zed"});
  EXPECT_EQ(grid->LookupItems()->IndexOf("Zed"), 0);
  EXPECT_GE(done, 1);
}

}  // namespace
