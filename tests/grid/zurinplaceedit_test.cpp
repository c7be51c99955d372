// The grid's text editor, typed into through the keyboard: filters by
// editor type, the length limit, pasting, lookup completion and the caret
// placed by a click.
#include "grid/zurinplaceedit.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"

namespace {

class InplaceEditTest : public ::testing::Test {
 protected:
  InplaceEditTest() {
    form.SetBounds(0, 0, 500, 400);
    grid = new TVudUvizidIzed(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 460, 360);
    grid->SetColCount(4);
    grid->SetRowCount(4);
    grid->SetOptions(grid->Options() | goEditing);
    form.Show();
    grid->SetFocus();
    harness::ProcessEvents();
  }

  // Opens the editor on cell (1, 1) holding text, the caret at caret.
  TZurInplaceEdit* Edit(TEditorType type, const AnsiString& text, int caret) {
    grid->SetCellEx(1, 1, text);
    grid->SetCol(1), grid->SetRow(1);
    grid->SetEditorMode(true);
    auto* editor = dynamic_cast<TZurInplaceEdit*>(grid->InplaceEditor());
    if (!editor) return nullptr;
    editor->SetEditorType(type);
    editor->SetSelStart(caret);
    return editor;
  }

  TScopedServices services;
  TForm form{nullptr};
  TVudUvizidIzed* grid = nullptr;
};

TEST_F(InplaceEditTest, TypedCharactersFollowTheEditorType) {
  const struct {
    TEditorType type;
    const char* text;
    int caret;
    int selLength;
    const char* typed;
    const char* expected;
    int beeps;
  } cases[] = {
      {edNumeric, "12", 2, 0, "-", "12", 1},
      {edNumeric, "12", 0, 0, "-", "-12", 0},
      {edNumeric, "-12", 0, 0, "-", "-12", 1},
      {edNumeric, "12", 2, 0, "a", "12", 1},
      {edNumeric, "12", 2, 0, "3", "123", 0},
      {edPositiveNumeric, "12", 0, 0, "-", "12", 1},
      {edPositiveNumeric, "12", 2, 0, "x5", "125", 1},
      {edFloat, "1.5", 3, 0, ".", "1.5", 0},
      {edFloat, "1.5", 1, 1, ".", "1.5", 0},
      {edFloat, "15", 1, 0, ",", "15", 0},
      {edFloat, "15", 1, 0, "a", "15", 0},
      {edFloat, "15", 1, 0, "-", "15", 1},
      {edFloat, "15", 0, 0, "-", "-15", 0},
      {edFloat, "-15", 0, 1, "-", "-15", 0},
      {edUpperCase, "", 0, 0, "ab", "AB", 0},
      {edCapital, "", 0, 0, "x", "X", 0},
      {edLowerCase, "", 0, 0, "AB", "ab", 0},
      {edMixedCase, "", 0, 0, "JOHN SMITH", "John Smith", 0},
      {edPassword, "", 0, 0, "pw", "pw", 0},
      {edSpinEdit, "1", 1, 0, "2", "1", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.text << " + " << c.typed << " (type " << c.type << ")");
    TZurInplaceEdit* editor = Edit(c.type, c.text, c.caret);
    ASSERT_NE(editor, nullptr);
    if (c.selLength) editor->SetSelLength(c.selLength);
    services->beeps = 0;
    harness::TypeText(editor, c.typed);
    EXPECT_EQ(editor->Text(), c.expected);
    EXPECT_EQ(services->beeps, c.beeps);
    grid->SetEditorMode(false);
  }
}

TEST_F(InplaceEditTest, DecimalSeparatorOfTheLocaleIsTheOneTaken) {
  const TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = '.';
  TZurInplaceEdit* editor = Edit(edFloat, "1,5", 3);
  harness::TypeText(editor, ",.");
  EXPECT_EQ(editor->Text(), "1,5") << "a second separator and the thousand separator are refused";
  editor->SetSelStart(1);
  editor->SetSelLength(1);
  harness::TypeText(editor, ",");
  EXPECT_EQ(editor->Text(), "1,5") << "the selected separator is replaced";
  FormatSettings = saved;
}

TEST_F(InplaceEditTest, LengthLimitDropsCharactersButNotBackspace) {
  grid->Props().MaxEditLength = 5;
  TZurInplaceEdit* editor = Edit(edNormal, "abcde", 5);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->LengthLimit(), 5);
  harness::TypeText(editor, "f");
  EXPECT_EQ(editor->Text(), "abcde");
  harness::PressKey(editor, Qt::Key_Backspace);
  EXPECT_EQ(editor->Text(), "abcd");
  editor->SetSelStart(0);
  editor->SetSelLength(1);
  harness::TypeText(editor, "z");
  EXPECT_EQ(editor->Text(), "zbcd") << "a selection makes room";
}

TEST_F(InplaceEditTest, PasteIsCheckedByTypeLimitAndEvents) {
  const struct {
    TEditorType type;
    const char* text;
    int selStart, selLength;
    const char* clipboard;
    int limit;
    bool allowPaste;
    const char* expected;
    int caretAfter, selAfter;
  } cases[] = {
      {edNumeric, "12", 0, 0, "3a", 0, true, "12", 2, 0},
      {edNumeric, "12", 2, 0, "12a", 0, true, "12", 2, 0},
      {edNumeric, "12", 2, 0, "34", 0, true, "1234", 4, 0},
      {edFloat, "1", 1, 0, ".25", 0, true, "1.25", 4, 0},
      {edUpperCase, "ab", 0, 2, "xy", 0, true, "XY", 0, 2},
      {edNormal, "abc", 3, 0, "defg", 5, true, "abc", 3, 0},
      {edNormal, "abc", 3, 0, "de", 5, true, "abcde", 5, 0},
      {edNormal, "abc", 3, 0, "de", 0, false, "abc", 3, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.text << " + " << c.clipboard);
    grid->Props().MaxEditLength = c.limit;
    grid->OnClipboardPaste = [&](TObject* sender, bool& allow) {
      EXPECT_EQ(sender, grid);
      allow = c.allowPaste;
    };
    TZurInplaceEdit* editor = Edit(c.type, c.text, c.selStart);
    ASSERT_NE(editor, nullptr);
    editor->SetLengthLimit(c.limit);
    if (c.selLength) editor->SetSelLength(c.selLength);
    services->clipboard = c.clipboard;
    harness::PressKey(editor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor->Text(), c.expected);
    EXPECT_EQ(editor->SelStart(), c.caretAfter);
    EXPECT_EQ(editor->SelLength(), c.selAfter);
    EXPECT_EQ(grid->GetCellEx(1, 1), c.allowPaste ? c.expected : c.text) << "the cell follows a paste";
    grid->SetEditorMode(false);
  }
}

TEST_F(InplaceEditTest, BeforePasteCellMayChangeTheText) {
  grid->OnClipboardBeforePasteCell = [](TObject*, int col, int row, AnsiString& value, bool&) {
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 1);
    value = "[" + value + "]";
  };
  TZurInplaceEdit* editor = Edit(edNormal, "", 0);
  services->clipboard = "x";
  harness::PressKey(editor, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(editor->Text(), "[x]");
}

TEST_F(InplaceEditTest, CopyAndCutAskTheGridFirst) {
  bool allow = false;
  int asked = 0;
  grid->OnClipboardCopy = grid->OnClipboardCut = [&](TObject*, bool& a) {
    ++asked;
    a = allow;
  };
  TZurInplaceEdit* editor = Edit(edNormal, "abc", 0);
  editor->SetSelLength(2);
  services->clipboard = "old";
  harness::PressKey(editor, Qt::Key_C, Qt::ControlModifier);
  harness::PressKey(editor, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(services->clipboard, "old");
  EXPECT_EQ(editor->Text(), "abc");
  allow = true;
  harness::PressKey(editor, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(services->clipboard, "ab");
  harness::PressKey(editor, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(editor->Text(), "c");
  EXPECT_EQ(asked, 4);
}

TEST_F(InplaceEditTest, LookupCompletesTheTypedPrefix) {
  grid->Props().Lookup = true;
  grid->LookupItems()->Add("Apple");
  grid->LookupItems()->Add("Apricot");
  TZurInplaceEdit* editor = Edit(edNormal, "", 0);
  harness::TypeText(editor, "A");
  EXPECT_EQ(editor->Text(), "Apple");
  harness::TypeText(editor, "p");
  EXPECT_EQ(editor->Text(), "Apple");
  EXPECT_EQ(editor->SelStart(), 2);
  EXPECT_EQ(editor->SelLength(), 3);

  harness::PressKey(editor, Qt::Key_Delete);
  EXPECT_EQ(editor->Text(), "Ap") << "Delete takes the completion away";
  harness::TypeText(editor, "r");
  EXPECT_EQ(editor->Text(), "Apricot");

  // Case: the items are matched without it, the typed prefix keeps its own.
  editor->SetText("");
  harness::TypeText(editor, "ap");
  EXPECT_EQ(editor->Text(), "apple");
  grid->Props().LookupCaseSensitive = true;
  editor->SetText("");
  harness::TypeText(editor, "ap");
  EXPECT_EQ(editor->Text(), "ap");
}

TEST_F(InplaceEditTest, LookupNeverReplacesTextBehindTheCaret) {
  grid->Props().Lookup = true;
  grid->LookupItems()->Add("Apple");
  TZurInplaceEdit* editor = Edit(edNormal, "Banana", 6);
  harness::PressKey(editor, Qt::Key_Home);
  EXPECT_EQ(editor->Text(), "Banana") << "an empty prefix completes nothing";
  editor->SetText("A-side");
  editor->SetSelStart(1);
  harness::PressKey(editor, Qt::Key_Shift);
  EXPECT_EQ(editor->Text(), "A-side");
}

TEST_F(InplaceEditTest, TypingReportsEditChangeAndPasswordHidesText) {
  std::vector<AnsiString> changes;
  grid->OnEditChange = [&](TObject* sender, int col, int row, AnsiString value) {
    EXPECT_EQ(sender, grid);
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 1);
    changes.push_back(value);
  };
  TZurInplaceEdit* editor = Edit(edPassword, "", 0);
  changes.clear();
  harness::TypeText(editor, "pw");
  EXPECT_EQ(changes, (std::vector<AnsiString>{"p", "pw"}));
  EXPECT_EQ(editor->LineEdit()->echoMode(), QLineEdit::Password);
  editor->SetEditorType(edNormal);
  EXPECT_EQ(editor->LineEdit()->echoMode(), QLineEdit::Normal);
}

TEST_F(InplaceEditTest, ClickThatStartsEditingPlacesTheCaret) {
  TZurInplaceEdit* editor = Edit(edNormal, "abcdef", 0);
  const int y = editor->Height() / 2;
  int atThree = -1;
  for (int x = 0; x < editor->Width() && atThree < 0; ++x)
    if (editor->CharFromPos({x, y}) == 3) atThree = x;
  ASSERT_GE(atThree, 0);
  EXPECT_EQ(editor->CharFromPos({-5, y}), -1);
  EXPECT_EQ(editor->CharFromPos({editor->Width() - 2, y}), 6);

  grid->SetEditorMode(false);
  editor->StartFromClick(editor->ClientToScreen({atThree, y}));
  grid->SetEditorMode(true);
  EXPECT_EQ(editor->SelStart(), 3);
  EXPECT_EQ(editor->SelLength(), 0);
}

TEST_F(InplaceEditTest, MultiLineEditorBreaksLinesAndWalksThemBeforeTheGrid) {
  grid->SetRowCount(5);
  TZurInplaceEdit* editor = Edit(edNormal, "a", 1);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(editor->MultiLine());
  harness::PressKey(editor, Qt::Key_Return, Qt::ControlModifier);
  harness::TypeText(editor, "b");
  EXPECT_EQ(editor->Text(), "a\nb");
  harness::PressKey(editor, Qt::Key_Up);
  EXPECT_TRUE(grid->EditorMode()) << "Up from the second line stays in the editor";
  EXPECT_EQ(grid->Row(), 1);
  harness::PressKey(editor, Qt::Key_Up);
  harness::PressKey(editor, Qt::Key_Down);
  harness::PressKey(editor, Qt::Key_Down);
  EXPECT_FALSE(grid->EditorMode()) << "Down from the last line leaves it";
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_EQ(grid->GetCellEx(1, 1), "a\nb");

  // Typed line breaks with LineFeedOnEnter; a plain Enter commits without it.
  grid->Navigation()->LineFeedOnEnter = true;
  editor = Edit(edNormal, "x", 1);
  harness::PressKey(editor, Qt::Key_Return);
  EXPECT_EQ(editor->Text(), "x\n");
  grid->Navigation()->LineFeedOnEnter = false;
  harness::PressKey(editor, Qt::Key_Return);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(grid->GetCellEx(1, 1), "x\n");
}

TEST_F(InplaceEditTest, SingleLineForPasswordsAndWithoutCtrlEnter) {
  TZurInplaceEdit* editor = Edit(edPassword, "", 0);
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(editor->MultiLine());
  grid->Navigation()->AllowCtrlEnter = false;
  editor = Edit(edNormal, "ab", 2);
  EXPECT_FALSE(editor->MultiLine());
  harness::PressKey(editor, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(grid->GetCellEx(1, 1), "ab");
}

TEST_F(InplaceEditTest, FiltersAndLookupWorkInBothModes) {
  grid->Props().Lookup = true;
  grid->LookupItems()->Add("Apple");
  for (const bool multiLine : {true, false}) {
    SCOPED_TRACE(multiLine ? "multi-line" : "single line");
    grid->Navigation()->AllowCtrlEnter = multiLine;
    TZurInplaceEdit* editor = Edit(edNumeric, "12", 2);
    ASSERT_EQ(editor->MultiLine(), multiLine);
    harness::TypeText(editor, "-a3");
    EXPECT_EQ(editor->Text(), "123");
    editor->SetSelStart(0);
    harness::TypeText(editor, "-");
    EXPECT_EQ(editor->Text(), "-123");
    editor->SetEditorType(edNormal);
    editor->SetText("");
    harness::TypeText(editor, "Ap");
    EXPECT_EQ(editor->Text(), "Apple");
    EXPECT_EQ(editor->SelStart(), 2);
    EXPECT_EQ(editor->SelLength(), 3);
    grid->SetEditorMode(false);
  }
}

}  // namespace
