// Validation of an edited value when the editor closes: OnCellValidate may
// refuse or change it, a refused value never stays in the cell and the
// editor opens again on it; undo, the modified-row mark and the cell
// checker see the committed value.
#include <stdexcept>
#include <vector>

#include "grid/zgcheck.h"
#include "tests/grid/edit_fixture.h"

namespace {

struct Validation {
  int col, row;
  AnsiString value;
};

class ValidateTest : public EditGridTest {
 protected:
  ValidateTest() {
    grid->SetCellEx(1, 1, "a");
    grid->OnCellValidate = [this](TObject*, int col, int row, AnsiString& value, bool& valid) {
      calls.push_back({col, row, value});
      if (handler) handler(value, valid);
    };
  }
  // Types text into the editor of (1, 1) and presses Enter.
  void TypeAndEnter(const AnsiString& text) {
    TZurInplaceEdit* editor = OpenEditor(1, 1);
    ASSERT_NE(editor, nullptr);
    Retype(editor, text);
    harness::PressKey(editor, Qt::Key_Return);
  }

  std::vector<Validation> calls;
  std::function<void(AnsiString&, bool&)> handler;
};

TEST_F(ValidateTest, RefusedValueKeepsTheCellAndReopensTheEditor) {
  const struct {
    const char* name;
    const char* handlerValue;  // null leaves Value
    const char* cell;
  } cases[] = {
      {"refused as typed", nullptr, "a"},
      {"refused with a value of the handler", "c", "c"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    grid->SetCellEx(1, 1, "a");
    calls.clear();
    handler = [&](AnsiString& value, bool& valid) {
      if (c.handlerValue) value = c.handlerValue;
      valid = false;
    };
    TypeAndEnter("b");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].value, "b");
    EXPECT_EQ(grid->GetCellEx(1, 1), c.cell);
    ASSERT_NE(Editor(), nullptr) << "the editor opens again";
    EXPECT_EQ(Current(), (TGridCoord{1, 1}));
    EXPECT_EQ(Editor()->Text(), c.cell);

    // Committing what the editor shows now is no change: nothing to validate.
    handler = nullptr;
    harness::PressKey(Editor(), Qt::Key_Return);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(grid->GetCellEx(1, 1), c.cell);
  }
}

TEST_F(ValidateTest, UnchangedTextFiresNoValidation) {
  TypeAndEnter("a");
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(grid->GetCellEx(1, 1), "a");
}

TEST_F(ValidateTest, AcceptedValueIsCommittedWithUndoAndModifiedMark) {
  TDurUzavUndoRedo undo(nullptr);
  grid->SetUndoRedo(&undo);
  grid->ShowModified()->Enabled = true;
  TypeAndEnter("b");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].col, 1);
  EXPECT_EQ(calls[0].row, 1);
  EXPECT_EQ(grid->GetCellEx(1, 1), "b");
  EXPECT_EQ(Editor(), nullptr);
  ASSERT_EQ(undo.ItemCount(), 1);
  EXPECT_EQ(undo.Items(0).OrigValue, "a");
  EXPECT_EQ(undo.Items(0).Value, "b");
  EXPECT_TRUE(grid->GetRowModified(1));
  EXPECT_FALSE(grid->GetRowModified(2));
  grid->SetUndoRedo(nullptr);
}

TEST_F(ValidateTest, CheckerCorrectsBeforeTheEventSeesTheValue) {
  TCapitalCheck checker(nullptr);
  checker.SetAutoCorrect(true);
  grid->CellChecker = &checker;
  TypeAndEnter("hello. world");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].value, "Hello. World");
  EXPECT_EQ(grid->GetCellEx(1, 1), "Hello. World");
  grid->CellChecker = nullptr;
}

TEST_F(ValidateTest, MovingAwayValidatesAndARefusalKeepsTheCell) {
  handler = [](AnsiString&, bool& valid) { valid = false; };
  TZurInplaceEdit* editor = OpenEditor(1, 1);
  ASSERT_NE(editor, nullptr);
  Retype(editor, "b");
  grid->SetCol(2);
  EXPECT_EQ(calls.size(), 1u);
  EXPECT_EQ(Current(), (TGridCoord{1, 1})) << "the selection does not move";
  EXPECT_EQ(grid->GetCellEx(1, 1), "a");
  EXPECT_NE(Editor(), nullptr);

  Retype(Editor(), "b");
  const TRect target = grid->CellRect(2, 2);
  harness::ClickAt(grid, target.Left + target.Width() / 2, target.Top + target.Height() / 2);
  EXPECT_EQ(calls.size(), 2u);
  EXPECT_EQ(Current(), (TGridCoord{1, 1})) << "a click elsewhere does not move it either";
  EXPECT_EQ(grid->GetCellEx(1, 1), "a");
  EXPECT_NE(Editor(), nullptr);

  handler = nullptr;
  Retype(Editor(), "d");
  harness::PressKey(Editor(), Qt::Key_Down);
  EXPECT_EQ(Current(), (TGridCoord{1, 2}));
  EXPECT_EQ(grid->GetCellEx(1, 1), "d");
}

TEST_F(ValidateTest, CellBehindAHiddenColumnIsEditedInItsDataColumn) {
  grid->SetCellEx(2, 1, "two");
  grid->HideColumn(1);
  TZurInplaceEdit* editor = OpenEditor(1, 1);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Text(), "two");
  Retype(editor, "2");
  harness::PressKey(editor, Qt::Key_Return);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].col, 2);
  EXPECT_EQ(grid->GetCellEx(2, 1), "2");
  EXPECT_EQ(grid->GetCellEx(1, 1), "a") << "the hidden column keeps its text";
}

TEST_F(ValidateTest, AHandlerThatThrowsLeavesValidationWorking) {
  handler = [](AnsiString&, bool&) { throw std::runtime_error("handler failed"); };
  grid->EditStarted();
  EXPECT_THROW(grid->ValidateCell("x"), std::runtime_error);
  handler = nullptr;
  grid->EditStarted();
  EXPECT_TRUE(grid->ValidateCell("y"));
  EXPECT_EQ(calls.size(), 2u) << "the second validation ran";
  EXPECT_EQ(grid->GetCellEx(1, 1), "y");
}

TEST_F(ValidateTest, WideValueIsValidatedAsWideText) {
  std::vector<WideString> wide;
  grid->OnCellValidateWide = [&](TObject*, int, int, WideString& value, bool& valid) {
    wide.push_back(value);
    valid = value != u"\u03b2";
  };
  grid->SetWideCells(1, 1, u"\u03b1");
  grid->EditStarted();
  EXPECT_FALSE(grid->ValidateCellWide(u"\u03b2"));
  EXPECT_EQ(grid->GetWideCells(1, 1), u"\u03b1") << "the refused value is not kept";
  grid->EditStarted();
  EXPECT_TRUE(grid->ValidateCellWide(u"\u03b3"));
  EXPECT_EQ(grid->GetWideCells(1, 1), u"\u03b3");
  EXPECT_EQ(wide.size(), 2u);
  EXPECT_TRUE(calls.empty());
}

}  // namespace
