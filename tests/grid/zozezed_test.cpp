// The extended spin editor: hexadecimal values, smart and page steps, time
// steps, the sign toggle, and its label, flat look and focus colours.
#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QFontMetrics>
#include <QLineEdit>

#include "framework/messaging.h"
#include "framework/testing/harness.h"
#include "grid/zozezed.h"
#include "tests/grid/spintesting.h"

namespace {

class ExtendedSpinEdit : public spintesting::SpinFixture<TZozEzedEdit> {};

struct SmartCase {
  TZurSpinType type;
  const char* text;
  int caret;
  int key;
  const char* expected;
};

TEST_F(ExtendedSpinEdit, SmartStepsChangeTheDigitLeftOfTheCaret) {
  edit_->SetIncrementSmart(true);
  const SmartCase cases[] = {
      {sptFloat, "123.45", 1, Qt::Key_Up, "223.45"},
      {sptFloat, "123.45", 3, Qt::Key_Up, "124.45"},
      {sptFloat, "123.45", 4, Qt::Key_Up, "124.45"},  // right after the separator
      {sptFloat, "123.45", 5, Qt::Key_Down, "123.35"},
      {sptFloat, "123.45", 6, Qt::Key_Up, "123.46"},
      {sptFloat, "123.45", 0, Qt::Key_Up, "123.55"},  // the plain step
      {sptFloat, "123.45", 2, Qt::Key_PageUp, "133.45"},
      {sptNormal, "1234", 2, Qt::Key_Up, "1334"},
      {sptNormal, "1234", 4, Qt::Key_Down, "1233"},
      {sptNormal, "-123", 1, Qt::Key_Up, "-122"},  // after the minus: the plain step
      {sptNormal, "-123", 2, Qt::Key_Down, "-223"},
  };
  for (const SmartCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " caret " << c.caret);
    edit_->SetSpinType(c.type);
    edit_->SetText(c.text);
    Select(c.caret, 0);
    Key(c.key);
    EXPECT_EQ(edit_->Text(), c.expected);
    EXPECT_EQ(edit_->SelStart(), c.caret);
  }
}

TEST_F(ExtendedSpinEdit, LimitsOfZeroAndZeroMeanNone) {
  EXPECT_EQ(edit_->Text(), "0");
  edit_->SetValue(70000);
  EXPECT_EQ(edit_->Text(), "70000");
  edit_->SetMaxValue(50);
  edit_->SetValue(70);
  EXPECT_EQ(edit_->Text(), "50");
  edit_->SetValue(-3);
  EXPECT_EQ(edit_->Text(), "0");
  // Page steps.
  edit_->SetValue(20);
  Key(Qt::Key_PageUp);
  EXPECT_EQ(edit_->Text(), "30");
  edit_->SetSpinType(sptFloat);
  edit_->SetText("2.5");
  Key(Qt::Key_PageDown);
  EXPECT_EQ(edit_->Text(), "1.5");
}

TEST_F(ExtendedSpinEdit, ArrowStepsFireTheirEventsAndKeepTheCaretOnItsDigit) {
  std::vector<AnsiString> events;
  edit_->OnUpClick = [&](TObject* sender) {
    EXPECT_EQ(sender, edit_);
    events.push_back("up " + edit_->Text());
  };
  edit_->OnDownClick = [&](TObject*) { events.push_back("down " + edit_->Text()); };
  edit_->SetText("1");
  Select(1, 0);
  harness::Click(edit_->Button()->DownButton());
  harness::Click(edit_->Button()->DownButton());
  EXPECT_EQ(edit_->Text(), "-1");
  EXPECT_EQ(edit_->SelStart(), 2);
  harness::Click(edit_->Button()->UpButton());
  EXPECT_EQ(edit_->SelStart(), 1);
  EXPECT_EQ(events, (std::vector<AnsiString>{"down 0", "down -1", "up 0"}));
  EXPECT_TRUE(edit_->Modified());
  // Ctrl+Enter steps up.
  Key(Qt::Key_Return, Qt::ControlModifier);
  harness::ProcessEvents();
  EXPECT_EQ(edit_->Text(), "1");
}

TEST_F(ExtendedSpinEdit, TimesStepByTheirIncrementsAndStopAtMidnight) {
  struct TimeCase {
    const char* text;
    int caret;
    int hours, minutes;
    int key;
    const char* expected;
  };
  const TimeCase cases[] = {
      {"0:00:30", 3, 1, 1, Qt::Key_Down, "0:00:30"},  // a minute down from 30 s: stays
      {"0:01:30", 3, 1, 1, Qt::Key_Down, "0:00:30"},
      {"1:00:00", 0, 2, 1, Qt::Key_Up, "3:00:00"},
      {"1:00:00", 0, 0, 15, Qt::Key_Up, "1:15:00"},  // no hour step: the minutes step there
      {"1:00:00", 6, 2, 15, Qt::Key_Up, "1:00:01"},
      {"1:00:00", 0, 2, 1, Qt::Key_Down, "1:00:00"},  // stepping down stops at midnight
  };
  edit_->SetSpinType(sptTime);
  for (const TimeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " caret " << c.caret);
    edit_->SetIncrementHours(c.hours);
    edit_->SetIncrementMinutes(c.minutes);
    edit_->SetText(c.text);
    Select(c.caret, 0);
    Key(c.key);
    EXPECT_EQ(edit_->Text(), c.expected);
  }
  // Without seconds every place after the separator steps the minutes.
  edit_->SetIncrementMinutes(1);
  edit_->SetShowSeconds(false);
  EXPECT_EQ(edit_->Text(), "1:00");
  Select(4, 0);
  Key(Qt::Key_Up);
  EXPECT_EQ(edit_->Text(), "1:01");
  EXPECT_NEAR(edit_->TimeValue().Val, 61.0 / 1440, 1e-9);
  // Outside time mode the flag keeps its value.
  edit_->SetSpinType(sptNormal);
  edit_->SetShowSeconds(true);
  EXPECT_FALSE(edit_->ShowSeconds());
}

TEST_F(ExtendedSpinEdit, HexValuesComputeInThirtyTwoBits) {
  edit_->SetSpinType(sptHex);
  EXPECT_EQ(edit_->Text(), "0x0");
  edit_->SetText("0x1F");
  EXPECT_EQ(edit_->HexValue(), 0x1F);
  Key(Qt::Key_Up);
  EXPECT_EQ(edit_->Text(), "0x20");
  edit_->SetText("0x123");
  EXPECT_EQ(edit_->HexValue(), 0x123);
  edit_->SetText("0x7FFFFFFF");
  Key(Qt::Key_Up);
  EXPECT_EQ(edit_->Text(), "0x80000000");
  edit_->SetText("0xFFFFFFFF");
  EXPECT_EQ(edit_->HexValue(), -1);
  Key(Qt::Key_Up);
  EXPECT_EQ(edit_->Text(), "0x0");
  Key(Qt::Key_Down);
  EXPECT_EQ(edit_->Text(), "0xFFFFFFFF");
  // The integer limits clamp a hex value when the focus leaves.
  edit_->SetMaxValue(255);
  edit_->SetText("0x1FF");
  LeaveEditor();
  EXPECT_EQ(edit_->Text(), "0xFF");
}

TEST_F(ExtendedSpinEdit, TheHexPrefixCannotBeTypedOver) {
  edit_->SetSpinType(sptHex);
  edit_->SetText("0x1F");
  struct Typed {
    int caret;
    const char* typed;
    const char* expected;
  };
  const Typed cases[] = {{0, "5", "0x1F"}, {1, "5", "0x1F"}, {4, "g", "0x1F"}, {4, "a", "0x1Fa"}, {2, "7", "0x71Fa"}};
  for (const Typed& c : cases) {
    SCOPED_TRACE(testing::Message() << c.typed << " at " << c.caret);
    Select(c.caret, 0);
    harness::TypeText(edit_, c.typed);
    EXPECT_EQ(edit_->Text(), c.expected);
  }
  Select(2, 0);
  Key(Qt::Key_Backspace);
  Select(0, 0);
  Key(Qt::Key_Delete);
  Select(1, 0);
  Key(Qt::Key_Delete);
  EXPECT_EQ(edit_->Text(), "0x71Fa");
  Select(2, 0);
  Key(Qt::Key_Delete);
  EXPECT_EQ(edit_->Text(), "0x1Fa");
}

TEST_F(ExtendedSpinEdit, SignsToggleOnlyWhenSigned) {
  edit_->SetText("12");
  Select(2, 0);
  harness::TypeText(edit_, "-+");
  EXPECT_EQ(edit_->Text(), "12");
  edit_->SetSigned(true);
  harness::TypeText(edit_, "-");
  EXPECT_EQ(edit_->Text(), "-12");
  harness::TypeText(edit_, "+");
  EXPECT_EQ(edit_->Text(), "-12");
  harness::TypeText(edit_, "-");
  EXPECT_EQ(edit_->Text(), "12");
  // In a date whose separator is "-", the minus is a separator.
  FormatSettings.DateSeparator = '-';
  edit_->SetSpinType(sptDate);
  edit_->SetText("15-03");
  Select(5, 0);
  harness::TypeText(edit_, "-");
  EXPECT_EQ(edit_->Text(), "15-03-");
}

TEST_F(ExtendedSpinEdit, FloatsTakeADecimalSeparatorInEveryPrecision) {
  edit_->SetSpinType(sptFloat);
  struct Typed {
    int precision;
    const char* text;
    int caret, selection;
    const char* typed;
    const char* expected;
  };
  const Typed cases[] = {
      {0, "12", 2, 0, ".", "12."},
      {0, "12", 2, 0, ",", "12."},  // the thousand separator types the decimal one
      {0, "1.2", 3, 0, ".", "1.2"},
      {0, "1.2", 0, 3, ".", "."},  // over the whole text
      {2, "1.25", 4, 0, "3", "1.25"},
      {-1, "12", 2, 0, ".5", "12.5"},
  };
  for (const Typed& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " + " << c.typed << ", precision " << c.precision);
    edit_->SetPrecision(c.precision);
    edit_->SetText(c.text);
    Select(c.caret, c.selection);
    harness::TypeText(edit_, c.typed);
    EXPECT_EQ(edit_->Text(), c.expected);
  }
  edit_->SetPrecision(-1);
  edit_->SetFloatValue(123.456);
  EXPECT_EQ(edit_->Text(), "123.5");
  edit_->SetPrecision(0);
  edit_->SetText("250");
  LeaveEditor();
  EXPECT_EQ(edit_->Text(), "250");  // float limits 0 and 0: none
}

TEST_F(ExtendedSpinEdit, UnconvertibleTextStepsFromTheFallback) {
  for (TZurSpinType type : {sptNormal, sptFloat, sptDate, sptTime, sptHex}) {
    SCOPED_TRACE(type);
    edit_->SetSpinType(type);
    edit_->SetText("zz:zz/zz");
    Select(1, 0);
    EXPECT_NO_THROW(Key(Qt::Key_Up));
    EXPECT_NO_THROW(Key(Qt::Key_PageDown));
  }
  edit_->SetSpinType(sptNormal);
  edit_->SetText("?");
  Key(Qt::Key_Up);
  EXPECT_EQ(edit_->Text(), "1");
}

TEST_F(ExtendedSpinEdit, LoadingWritesTheStoredValuesWhenItEnds) {
  auto* loaded = new TZozEzedEdit(&form_);
  loaded->BeginLoading();
  loaded->SetSpinType(sptHex);
  loaded->SetHexValue(0x1F);
  EXPECT_EQ(loaded->Text(), "0");
  loaded->FinishLoading();
  EXPECT_EQ(loaded->Text(), "0x1F");

  loaded->BeginLoading();
  loaded->SetSpinType(sptTime);
  loaded->SetShowSeconds(false);
  loaded->SetTimeValue(EncodeTime(7, 45, 30, 0));
  loaded->FinishLoading();
  EXPECT_EQ(loaded->Text(), "7:45");
}

TEST_F(ExtendedSpinEdit, VersionIsFixed) {
  EXPECT_EQ(edit_->GetVersionNr(), 0x01040100u);
  EXPECT_EQ(edit_->Version(), "1.4.1.0");
  edit_->SetVersion("9.9.9.9");
  EXPECT_EQ(edit_->Version(), "1.4.1.0");
}

// ---- Look ----

TEST_F(ExtendedSpinEdit, TheLabelIsPlacedAroundTheEditor) {
  EXPECT_EQ(edit_->Label(), nullptr);
  EXPECT_EQ(edit_->LabelCaption(), "");
  edit_->SetBounds(100, 60, 40, 22);
  edit_->SetLabelCaption("A caption wider than the editor");
  TLabel* label = edit_->Label();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Parent(), &form_);
  const int w = label->Width(), h = label->Height();
  const int tw = QFontMetrics(edit_->LabelFont()->ToQFont()).horizontalAdvance("A caption wider than the editor");
  ASSERT_GT(w, 40);
  struct PlaceCase {
    TLabelPosition position;
    int left, top;
  };
  const int m = 4;
  const PlaceCase cases[] = {
      {lpLeftTop, 100 - tw - m, 60},
      {lpLeftBottom, 100 - tw - m, 60 + 22 - h},
      {lpTopLeft, 100, 60 - h - m},
      {lpBottomLeft, 100, 60 + 22 + m},
      {lpLeftTopLeft, 100 - m, 60},
      {lpTopCenter, 100 - (w - 40) / 2, 60 - h - m},
      {lpBottomCenter, 100 - (w - 40) / 2, 60 + 22 + m},
  };
  for (const PlaceCase& c : cases) {
    SCOPED_TRACE(c.position);
    edit_->SetLabelPosition(c.position);
    EXPECT_EQ(label->Left(), c.left);
    EXPECT_EQ(label->Top(), c.top);
  }
  // A label taller than the editor sticks out above it by half the
  // difference.
  edit_->LabelFont()->SetName("DejaVu Sans");
  edit_->LabelFont()->SetSize(30);
  edit_->SetLabelPosition(lpLeftCenter);
  ASSERT_GT(label->Height(), 22);
  EXPECT_EQ(label->Top(), 60 - (label->Height() - 22) / 2);
  // Moving the editor moves the label.
  edit_->SetLabelMargin(10);
  edit_->SetLeft(200);
  EXPECT_EQ(label->Left(), 200 - 10 - QFontMetrics(edit_->LabelFont()->ToQFont()).horizontalAdvance(
                                         "A caption wider than the editor"));
}

TEST_F(ExtendedSpinEdit, TheLabelFollowsVisibilityAndState) {
  edit_->SetLabelCaption("Speed:");
  TLabel* label = edit_->Label();
  edit_->SetEnabled(false);
  EXPECT_FALSE(label->Enabled());
  edit_->SetEnabled(true);
  EXPECT_TRUE(label->Enabled());
  edit_->SetLabelAlwaysEnabled(true);
  edit_->SetEnabled(false);
  EXPECT_TRUE(label->Enabled());
  edit_->SetVisible(false);
  EXPECT_FALSE(label->Visible());
  edit_->SetVisible(true);
  EXPECT_TRUE(label->Visible());
  delete label;
  EXPECT_EQ(edit_->Label(), nullptr);
}

TEST_F(ExtendedSpinEdit, FocusColoursComeAndGo) {
  LeaveEditor();
  edit_->SetColor(clAqua);
  edit_->SetFocusColor(clYellow);
  edit_->SetFocus();
  harness::ProcessEvents();
  EXPECT_EQ(edit_->Color(), clYellow);
  other_->SetFocus();
  harness::ProcessEvents();
  EXPECT_EQ(edit_->Color(), clAqua);
  edit_->SetFocusColor(clNone);
  edit_->SetFocus();
  harness::ProcessEvents();
  EXPECT_EQ(edit_->Color(), clAqua);
}

TEST_F(ExtendedSpinEdit, TheFocusBorderAndTheFlatUnderlineAreDrawn) {
  edit_->SetBounds(10, 10, 100, 24);
  const int bottom = edit_->Height() - 1;
  EXPECT_NE(harness::PixelAt(harness::Grab(edit_), 0, 5), clRed);
  edit_->SetFocusBorderColor(clRed);
  ASSERT_TRUE(edit_->Focused());
  QImage shot = harness::Grab(edit_);
  EXPECT_EQ(harness::PixelAt(shot, 0, 5), clRed);
  EXPECT_EQ(harness::PixelAt(shot, 50, 0), clRed);
  other_->SetFocus();
  harness::ProcessEvents();
  EXPECT_NE(harness::PixelAt(harness::Grab(edit_), 0, 5), clRed);

  edit_->SetColor(clAqua);
  edit_->SetFlat(true);
  edit_->SetFlatLineColor(clBlue);
  EXPECT_EQ(edit_->BorderStyle(), bsNone);
  EXPECT_EQ(edit_->LineEdit()->textMargins(), QMargins(2, 4, 15 + 4, 4));
  shot = harness::Grab(edit_);
  EXPECT_EQ(harness::PixelAt(shot, 10, bottom), clBlue);
  EXPECT_NE(harness::PixelAt(shot, 10, bottom - 3), clBlue);
  edit_->SetColor(clLime);
  edit_->SetFlat(false);
  EXPECT_EQ(edit_->Color(), clLime);
  EXPECT_EQ(edit_->BorderStyle(), bsSingle);
  EXPECT_NE(harness::PixelAt(harness::Grab(edit_), 10, bottom), clBlue);
}

TEST_F(ExtendedSpinEdit, TheTransparentLookLetsTheParentShowThrough) {
  form_.SetColor(clLime);
  edit_->SetTransparent(true);
  edit_->SetColor(clAqua);
  EXPECT_EQ(edit_->LineEdit()->palette().color(QPalette::Base).alpha(), 0);
  edit_->SetTransparent(false);
  EXPECT_EQ(FromQColor(edit_->LineEdit()->palette().color(QPalette::Base)), clAqua);
}

TEST_F(ExtendedSpinEdit, AutoFocusTakesTheFocusOnMouseEntry) {
  LeaveEditor();
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QCoreApplication::sendEvent(edit_->LineEdit(), &enter);
  harness::ProcessEvents();
  EXPECT_FALSE(edit_->Focused());
  edit_->SetAutoFocus(true);
  QCoreApplication::sendEvent(edit_->LineEdit(), &enter);
  harness::ProcessEvents();
  EXPECT_TRUE(edit_->Focused());
}

}  // namespace
