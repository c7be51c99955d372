// The rich-text cell editor: filled from the cell while locked, written back
// as rich text, growing its row while the text grows, ended by the focus
// going back to the grid; and the rich text it reads and writes.
#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"
#include "grid/richtext.h"
#include "grid/zurrichedit.h"

namespace {

AnsiString PlainOf(const AnsiString& rtf) {
  QTextDocument document;
  RichTextToDocument(rtf, document);
  return document.toPlainText().toStdString();
}

const char* const kBoldRich = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\n\\plain\\f0\\b bold\\plain  text}";

class RichEditTest : public ::testing::Test {
 protected:
  RichEditTest() {
    form.SetBounds(0, 0, 500, 400);
    grid = new TVudUvizidIzed(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 460, 360);
    grid->SetColCount(4);
    grid->SetRowCount(6);
    grid->SetColWidths(1, 150);
    grid->SetOptions(grid->Options() | goEditing);
    grid->OnGetEditorType = [](TObject*, int, int, TEditorType& type) { type = edRichEdit; };
    form.Show();
    grid->SetFocus();
    harness::ProcessEvents();
  }

  // Starts editing cell (1, 1) with F2.
  TZurRichEdit* Open(const AnsiString& text) {
    grid->SetCellEx(1, 1, text);
    grid->SetCol(1);
    grid->SetRow(1);
    harness::PressKey(grid, Qt::Key_F2);
    harness::ProcessEvents();
    return Editor();
  }

  TZurRichEdit* Editor() { return grid->EditControls().richEdit; }

  // Appends text at the end of the editor's text, as typed.
  void Append(const QString& text) {
    QTextEdit* edit = Editor()->TextEdit();
    edit->moveCursor(QTextCursor::End);
    edit->insertPlainText(text);
    harness::ProcessEvents();
  }

  TScopedServices services;
  TForm form{nullptr};
  TVudUvizidIzed* grid = nullptr;
};

TEST_F(RichEditTest, OpensOverTheCellFilledWithItsTextAllSelected) {
  TZurRichEdit* editor = Open(kBoldRich);
  ASSERT_EQ(grid->EditControls().active, editor);
  EXPECT_TRUE(editor->Visible());
  EXPECT_TRUE(editor->Focused());
  EXPECT_EQ(editor->TextEdit()->toPlainText().toStdString(), "bold text");
  EXPECT_EQ(editor->SelStart(), 0);
  EXPECT_EQ(editor->SelLength(), 9);
  EXPECT_FALSE(editor->Locked());
  const TRect cell = grid->CellRect(1, 1);
  EXPECT_EQ(editor->FormattingRect().Left, 2);
  EXPECT_EQ(editor->FormattingRect().Top, 2);
  EXPECT_EQ(editor->FormattingRect().Right, cell.Width() - 2);
}

TEST_F(RichEditTest, WithoutEditSelectAllNothingIsSelected) {
  grid->Navigation()->EditSelectAll = false;
  EXPECT_EQ(Open(kBoldRich)->SelLength(), 0);
}

TEST_F(RichEditTest, EditedTextIsWrittenBackAsRichTextKeepingItsFormats) {
  Open(kBoldRich);
  Append(" more");
  grid->HideInplaceEdit();
  EXPECT_FALSE(Editor()->Visible());
  const AnsiString cell = grid->GetCellEx(1, 1);
  EXPECT_EQ(cell.rfind("{\\rtf1", 0), 0u);
  EXPECT_NE(cell.find("\\b bold"), AnsiString::npos);
  EXPECT_EQ(PlainOf(cell), "bold text more");
}

TEST_F(RichEditTest, AnUntouchedCellKeepsItsTextAndIsNotValidated) {
  int validated = 0;
  grid->OnCellValidate = [&](TObject*, int, int, AnsiString&, bool&) { ++validated; };
  Open("plain");
  grid->HideInplaceEdit();
  EXPECT_EQ(grid->GetCellEx(1, 1), "plain");
  EXPECT_EQ(validated, 0);
  Open("plain");
  Append("!");
  grid->HideInplaceEdit();
  EXPECT_EQ(PlainOf(grid->GetCellEx(1, 1)), "plain!");
  EXPECT_EQ(validated, 1);
}

TEST_F(RichEditTest, GrowingTextGrowsTheRowWithSizeWhileTyping) {
  grid->SizeWhileTyping()->Height = true;
  std::vector<int> sized;
  grid->OnEndRowSize = [&](TObject*, int row) { sized.push_back(row); };
  const int before = grid->RowHeights(1);
  Open("a");
  Append("\nb\nc\nd");
  EXPECT_GT(grid->RowHeights(1), before);
  EXPECT_EQ(Editor()->Height(), grid->RowHeights(1));
  ASSERT_FALSE(sized.empty());
  EXPECT_EQ(sized.back(), 1);
  EXPECT_EQ(grid->EditControls().richMeasure->ReqHeight(), grid->RowHeights(1));
}

TEST_F(RichEditTest, TheRowKeepsItsHeightWithoutSizeWhileTypingOrWhileFilled) {
  const int before = grid->RowHeights(1);
  bool sized = false;
  grid->OnEndRowSize = [&](TObject*, int) { sized = true; };
  // Filled with a tall text: locked, so nothing grows.
  grid->SizeWhileTyping()->Height = true;
  Open("{\\rtf1 a\\par b\\par c\\par d}");
  EXPECT_EQ(grid->RowHeights(1), before);
  grid->HideInplaceEdit();
  // Typed into without the option.
  grid->SizeWhileTyping()->Height = false;
  Open("a");
  Append("\nb\nc\nd");
  EXPECT_EQ(grid->RowHeights(1), before);
  EXPECT_FALSE(sized);
}

TEST_F(RichEditTest, TheRowDoesNotGrowPastTheGridsBottom) {
  grid->SizeWhileTyping()->Height = true;
  const int before = grid->RowHeights(1);
  Open("a");
  QString lines;
  for (int i = 0; i < 40; ++i) lines += "\nline";
  Append(lines);
  EXPECT_EQ(grid->RowHeights(1), before);
}

TEST_F(RichEditTest, TheGridTakingTheFocusBackEndsTheEdit) {
  Open("a");
  Append("b");
  grid->SetFocus();
  harness::ProcessEvents();
  EXPECT_FALSE(Editor()->Visible());
  EXPECT_EQ(PlainOf(grid->GetCellEx(1, 1)), "ab");
}

TEST_F(RichEditTest, DownWithOneLineCellsMovesToTheNextRow) {
  grid->SetWordWrapEx(false);
  Open("a");
  harness::PressKey(Editor(), Qt::Key_Down);
  harness::ProcessEvents();
  EXPECT_FALSE(Editor()->Visible());
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_EQ(PlainOf(grid->GetCellEx(1, 1)), "a");
}

TEST_F(RichEditTest, DownStaysInTheEditorWhenCellsHoldSeveralLines) {
  grid->SetWordWrapEx(false);
  grid->Props().Multilinecells = true;
  Open("{\\rtf1 a\\par b}");
  harness::PressKey(Editor(), Qt::Key_Down);
  harness::ProcessEvents();
  EXPECT_TRUE(Editor()->Visible());
  EXPECT_EQ(grid->Row(), 1);
}

TEST_F(RichEditTest, SelectionChangesReachTheGridsEvent) {
  int changes = 0;
  grid->OnRichEditSelectionChange = [&](TObject* sender) {
    EXPECT_EQ(sender, Editor());
    ++changes;
  };
  Open("abc");
  const int afterOpen = changes;
  QTextCursor cursor = Editor()->TextEdit()->textCursor();
  cursor.setPosition(1);
  cursor.setPosition(2, QTextCursor::KeepAnchor);
  Editor()->TextEdit()->setTextCursor(cursor);
  EXPECT_GT(changes, afterOpen);
}

TEST_F(RichEditTest, SubAndSuperscriptSurviveTheWriteBack) {
  TZurRichEdit* editor = Open("H2O x2");
  QTextCursor cursor = editor->TextEdit()->textCursor();
  auto select = [&](int from, int to) {
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    editor->TextEdit()->setTextCursor(cursor);
  };
  select(1, 2);
  editor->SelSubscript();
  EXPECT_TRUE(editor->IsSelSubscript());
  select(5, 6);
  editor->SelSuperscript();
  EXPECT_TRUE(editor->IsSelSuperscript());
  select(0, 1);
  EXPECT_TRUE(editor->IsSelNormal());
  grid->HideInplaceEdit();

  const AnsiString cell = grid->GetCellEx(1, 1);
  EXPECT_NE(cell.find("\\sub 2"), AnsiString::npos) << cell;
  EXPECT_NE(cell.find("\\super 2"), AnsiString::npos) << cell;
  // Read again, the characters keep their places.
  QTextDocument document;
  RichTextToDocument(cell, document);
  auto alignmentAt = [&](int position) {
    QTextCursor at(&document);
    at.setPosition(position + 1);
    return at.charFormat().verticalAlignment();
  };
  EXPECT_EQ(alignmentAt(1), QTextCharFormat::AlignSubScript);
  EXPECT_EQ(alignmentAt(5), QTextCharFormat::AlignSuperScript);
  EXPECT_EQ(alignmentAt(2), QTextCharFormat::AlignNormal);
}

// ---- The rich text of cells ----

TEST(RichText, OffsetsReadAsLoweredAndRaisedCharacters) {
  QTextDocument document;
  RichTextToDocument("{\\rtf1 a\\up6 b\\up0 c\\dn4 d\\nosupersub e}", document);
  const QTextCharFormat::VerticalAlignment expected[] = {
      QTextCharFormat::AlignNormal, QTextCharFormat::AlignSuperScript, QTextCharFormat::AlignNormal,
      QTextCharFormat::AlignSubScript, QTextCharFormat::AlignNormal};
  for (int i = 0; i < 5; ++i) {
    QTextCursor at(&document);
    at.setPosition(i + 1);
    EXPECT_EQ(at.charFormat().verticalAlignment(), expected[i]) << "character " << i;
  }
}

TEST(RichText, BadEscapesAndHugeNumbersAreSkipped) {
  const struct {
    const char* rtf;
    const char* plain;
  } cases[] = {
      {"{\\rtf1 caf\\'e9}", "caf\xc3\xa9"},
      {"{\\rtf1 a\\'zzb}", "azzb"},
      {"{\\rtf1 a\\'4}", "a"},
      {"{\\rtf1 a\\'4g}", "ag"},
      {"{\\rtf1 a\\'}", "a"},
      {"{\\rtf1 \\fs99999999999999999 big}", "big"},
      {"{\\rtf1 \\u-99999999999 x}", "x"},
      {"{\\rtf1 \\cf2147483648 y}", "y"},
      {"{\\rtf1 \\b- z}", "z"},
  };
  for (const auto& c : cases) {
    QTextDocument document;
    EXPECT_NO_THROW(RichTextToDocument(c.rtf, document)) << c.rtf;
    EXPECT_EQ(document.toPlainText().toStdString(), c.plain) << c.rtf;
  }
}

TEST(RichText, TooLargeFontSizesAreHeldToTheLargestARichEditTakes) {
  QTextDocument document;
  RichTextToDocument("{\\rtf1 \\fs2000000000 big}", document);
  QTextCursor at(&document);
  at.setPosition(1);
  EXPECT_EQ(at.charFormat().fontPointSize(), 1638);
}

TEST(RichText, ControlCharactersAndCharactersBeyondTheFirst65536SurviveTheWriteBack) {
  QTextDocument document;
  QTextCursor(&document).insertText(QString("a") + QChar(1) + "b\tc{d}\\" + QString::fromUtf8("\xf0\x9f\x98\x80"));
  QTextDocument again;
  RichTextToDocument(DocumentToRichText(document), again);
  EXPECT_EQ(again.toPlainText(), document.toPlainText());
}

}  // namespace
