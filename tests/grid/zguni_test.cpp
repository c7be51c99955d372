// The Unicode edit, memo, edit with a button and combo, driven with keys,
// the mouse and an input method.
#include "grid/zguni.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "framework/testing/harness.h"
#include "gridtesting.h"

namespace {

const WideString kOutsideCodePage = u"\u65e5\u672c \u20ac \u00fc \U0001F600";

// Counts the text-change notifications a control performs.
int CountTextChanges(TControl& control, const std::function<void()>& action) {
  int count = 0;
  const TWndMethod original = control.WindowProc;
  control.WindowProc = [&](TMessage& m) {
    if (m.Msg == CM_TEXTCHANGED) ++count;
    original(m);
  };
  action();
  control.WindowProc = original;
  return count;
}

void CommitInputMethodText(TWinControl* control, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QCoreApplication::sendEvent(control->Widget(), &event);
}

TEST(WideChars, HideAndRestoreKeepTheCodeUnitForTheDefaultHandling) {
  const struct {
    WPARAM typed;
    WPARAM hidden;
    char replacement;  // what a key-press handler puts in its place, 0: none
    WPARAM restored;
  } cases[] = {
      {0x4E2D, 0x4E2D00FF, 0, 0x4E2D},
      {0x4E2D, 0x4E2D00FF, 'x', 'x'},
      {0x00E9, 0x00E9, 0, 0x00E9},
      {0x00FF, 0x00FF, 0, 0x00FF},
      {0x0041, 0x0041, 'b', 'b'},
  };
  for (const auto& c : cases) {
    TMessage m{WM_CHAR, c.typed, 0, 0, false};
    HideWideChar(m);
    EXPECT_EQ(m.WParam, c.hidden) << std::hex << c.typed;
    HideWideChar(m);
    EXPECT_EQ(m.WParam, c.hidden) << "hiding twice";
    if (c.replacement) m.WParam = (m.WParam & ~WPARAM{0xFF}) | static_cast<unsigned char>(c.replacement);
    RestoreWideChar(m);
    EXPECT_EQ(m.WParam, c.restored) << std::hex << c.typed;
  }
  EXPECT_TRUE(IsWindowTextMessage(WM_SETTEXT) && IsWindowTextMessage(WM_GETTEXT) &&
              IsWindowTextMessage(WM_GETTEXTLENGTH));
  EXPECT_FALSE(IsWindowTextMessage(WM_CHAR));
}

// The edit-like controls alike: wide text, notifications, typed and
// composed characters.
class UniEditFamily : public ::testing::Test {
 protected:
  UniEditFamily() {
    form.SetBounds(0, 0, 400, 300);
    edit.SetParent(&form);
    memo.SetParent(&form);
    memo.SetTop(40);
    button.SetParent(&form);
    button.SetTop(150);
    combo.SetParent(&form);
    combo.SetTop(190);
    form.Show();
  }
  std::vector<TWinControl*> Controls() { return {&edit, &memo, &button, &combo}; }

  TScopedServices services;
  TForm form{nullptr};
  TZurUniEdit edit{&form};
  TZurUniMemo memo{&form};
  TZurUniEditBtn button{&form};
  TZurUniComboBox combo{&form};
};

TEST_F(UniEditFamily, TextOutsideTheCodePageRoundTripsAndNotifiesOncePerChange) {
  for (TWinControl* control : Controls()) {
    const AnsiString name = typeid(*control).name();
    EXPECT_EQ(GetWideWindowText(control), u"") << name;
    EXPECT_EQ(CountTextChanges(*control, [&] {
                SetWideWindowText(control, kOutsideCodePage);
                SetWideWindowText(control, kOutsideCodePage);
              }),
              1)
        << name;
    EXPECT_EQ(GetWideWindowText(control), kOutsideCodePage) << name;
    // The framework's text is the same text in UTF-8.
    EXPECT_EQ(control->GetText(), WideToUtf8(kOutsideCodePage)) << name;
    EXPECT_EQ(CountTextChanges(*control, [&] { control->SetText("plain"); }), 1) << name;
    EXPECT_EQ(GetWideWindowText(control), u"plain") << name;
  }
  EXPECT_EQ(edit.Text(), u"plain");
  // Settings that made a new window elsewhere keep the text here.
  memo.SetText(kOutsideCodePage);
  memo.SetWordWrap(true);
  memo.SetScrollBars(ssBoth);
  button.SetText(kOutsideCodePage);
  button.SetRightAlign(true);
  EXPECT_EQ(memo.Text(), kOutsideCodePage);
  EXPECT_EQ(button.Text(), kOutsideCodePage);
}

TEST_F(UniEditFamily, TypedCharactersArriveWholeWhileHandlersSeeOneByte) {
  for (TWinControl* control : Controls()) {
    const AnsiString name = typeid(*control).name();
    std::vector<unsigned char> seen;
    control->OnKeyPress = [&](TObject*, char& key) {
      seen.push_back(static_cast<unsigned char>(key));
      if (key == 'r') key = 'R';  // replaced
      if (key == 'x') key = 0;    // refused
    };
    control->SetFocus();
    SetWideWindowText(control, u"");
    harness::TypeText(control, WideToUtf8(u"\u4e2d\u00e9rx"));
    EXPECT_EQ(GetWideWindowText(control), u"\u4e2d\u00e9R") << name;
    EXPECT_EQ(seen, (std::vector<unsigned char>{0xFF, 0xE9, 'r', 'x'})) << name;

    // A handler that replaces the placeholder replaces the character.
    control->OnKeyPress = [](TObject*, char& key) {
      if (static_cast<unsigned char>(key) == 0xFF) key = '?';
    };
    harness::TypeText(control, WideToUtf8(u"\u4e2d"));
    EXPECT_EQ(GetWideWindowText(control), u"\u4e2d\u00e9R?") << name;
    control->OnKeyPress = nullptr;
  }
}

TEST_F(UniEditFamily, AnInputMethodResultArrivesCharacterByCharacter) {
  for (TWinControl* control : Controls()) {
    const AnsiString name = typeid(*control).name();
    control->SetFocus();
    SetWideWindowText(control, u"");
    std::vector<unsigned char> seen;
    control->OnKeyPress = [&](TObject*, char& key) {
      seen.push_back(static_cast<unsigned char>(key));
      if (key == 'b') key = 0;
    };
    CommitInputMethodText(control, QString::fromStdU16String(u"\u65e5b\u672c\u8a9e"));
    EXPECT_EQ(GetWideWindowText(control), u"\u65e5\u672c\u8a9e") << name;
    EXPECT_EQ(seen, (std::vector<unsigned char>{0xFF, 'b', 0xFF, 0xFF})) << name;
    control->OnKeyPress = nullptr;
  }
}

TEST_F(UniEditFamily, SelectedTextIsWide) {
  edit.SetText(u"a\u4e2db");
  edit.LineEdit()->setSelection(1, 1);
  EXPECT_EQ(edit.SelText(), u"\u4e2d");
  edit.SetSelText(u"\u00fc\u00fc");
  EXPECT_EQ(edit.Text(), u"a\u00fc\u00fcb");

  combo.SetText(u"x\u4e2dy");
  combo.ComboBox()->lineEdit()->setSelection(1, 2);
  EXPECT_EQ(combo.SelText(), u"\u4e2dy");
  combo.SetSelText(u"\u20ac");
  EXPECT_EQ(combo.Text(), u"x\u20ac");
  // A drop-down list has no selected text to read or replace.
  combo.Items()->Add(u"x\u20ac");
  combo.SetStyle(csDropDownList);
  EXPECT_EQ(combo.SelText(), u"");
  combo.SetSelText(u"z");
  EXPECT_EQ(combo.Text(), u"x\u20ac");
}

TEST_F(UniEditFamily, TheEditWithButtonStartsEmptyAndHonoursEditorEnabled) {
  EXPECT_EQ(button.Text(), u"");
  int clicks = 0;
  button.OnClickBtn = [&](TObject*) { ++clicks; };
  button.SetFocus();
  harness::PressKey(&button, Qt::Key_F4);
  gridtesting::SendMouse(button.EditButton()->Button(), QEvent::MouseButtonPress, Qt::LeftButton, 2, 2);
  EXPECT_EQ(clicks, 2);
  button.SetEditorEnabled(false);
  harness::TypeText(&button, WideToUtf8(u"\u4e2d"));
  CommitInputMethodText(&button, "ime");
  EXPECT_EQ(button.Text(), u"");
  EXPECT_LE(button.TextRect().Right, button.EditButton()->Left());
}

TEST_F(UniEditFamily, TheMemoBreaksLinesAndTakesTabsOnlyWhenAskedTo) {
  EXPECT_EQ(memo.Width(), 200);
  EXPECT_EQ(memo.Height(), 100);
  EXPECT_EQ(memo.TextEdit()->lineWrapMode(), QPlainTextEdit::NoWrap);
  memo.SetWordWrap(true);
  EXPECT_EQ(memo.TextEdit()->lineWrapMode(), QPlainTextEdit::WidgetWidth);

  memo.SetFocus();
  harness::TypeText(&memo, "a");
  harness::PressKey(&memo, Qt::Key_Return);
  EXPECT_EQ(memo.Text(), u"a");
  memo.SetWantReturns(true);
  harness::PressKey(&memo, Qt::Key_Return);
  harness::TypeText(&memo, "b");
  EXPECT_EQ(memo.Text(), u"a\r\nb");

  harness::PressKey(&memo, Qt::Key_Tab);
  harness::ProcessEvents();
  EXPECT_FALSE(memo.Focused());
  memo.SetFocus();
  memo.SetWantTabs(true);
  harness::PressKey(&memo, Qt::Key_Tab);
  EXPECT_TRUE(memo.Focused());
  EXPECT_EQ(memo.Text(), u"a\r\nb\t");
}

class UniComboTest : public ::testing::Test {
 protected:
  UniComboTest() {
    combo.SetParent(&form);
    form.Show();
    combo.Items()->Add(u"\u4e00");
    combo.Items()->Add(u"\u4e8c \u00e9");
  }
  TForm form{nullptr};
  TZurUniComboBox combo{&form};
};

TEST_F(UniComboTest, ChoosingAnItemSetsTheWideTextThenClicksThenChanges) {
  std::vector<std::string> events;
  combo.OnClick = [&](TObject*) { events.push_back("click " + WideToUtf8(combo.Text())); };
  combo.OnChange = [&](TObject*) { events.push_back("change"); };
  harness::ChooseItem(&combo, 1);
  EXPECT_EQ(combo.Text(), u"\u4e8c \u00e9");
  EXPECT_EQ(events, (std::vector<std::string>{"click " + WideToUtf8(u"\u4e8c \u00e9"), "change"}));
}

TEST_F(UniComboTest, ItemsAreWideStringsInTheComboList) {
  TWideStrings* items = combo.Items();
  EXPECT_EQ(items->Count(), 2);
  EXPECT_EQ(combo.ComboBox()->itemText(1).toStdU16String(), u"\u4e8c \u00e9");
  EXPECT_EQ(items->IndexOf(u"\u4E8C \u00C9"), 1);
  EXPECT_EQ(items->Get(5), u"");
  items->Insert(0, u"\u96f6");
  EXPECT_EQ(combo.ComboBox()->itemText(0).toStdU16String(), u"\u96f6");
  try {
    items->Insert(9, u"x");
    ADD_FAILURE() << "inserted outside the list";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Unable to insert a line");
  }
  EXPECT_EQ(items->Count(), 3);
  items->SetCommaText(u"\"a b\",c");
  EXPECT_EQ(combo.ComboBox()->count(), 2);

  combo.SetText(u"kept \u4e2d");
  items->Clear();
  EXPECT_EQ(items->Count(), 0);
  EXPECT_EQ(combo.Text(), u"kept \u4e2d");
}

TEST_F(UniComboTest, EnterOrEscapeCloseADroppedListAndGoNoFurther) {
  for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
    combo.SetFocus();
    combo.SetText(u"typed");
    combo.SetDroppedDown(true);
    ASSERT_TRUE(combo.DroppedDown());
    bool seen = false;
    combo.OnKeyPress = [&](TObject*, char&) { seen = true; };
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_Return ? "\r" : "\x1b");
    QCoreApplication::sendEvent(combo.ComboBox()->lineEdit(), &press);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(combo.DroppedDown());
    EXPECT_EQ(combo.Text(), u"typed");
  }
}

}  // namespace
