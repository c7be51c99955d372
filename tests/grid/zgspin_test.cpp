// The spin button and the spin editor, driven by the mouse and keyboard as
// a user drives them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <chrono>
#include <cmath>

#include "framework/application.h"
#include "framework/messaging.h"
#include "framework/testing/harness.h"
#include "framework/testing/recordingtheme.h"
#include "grid/zgspin.h"
#include "tests/grid/spintesting.h"
#include "tests/platform/scoped_time_scale.h"

namespace {

using spintesting::SpinFixture;
using spintesting::WaitUntil;

// ---- The spin button ----

struct LayoutCase {
  TSpinDirection direction;
  int width, height;
  int expectedWidth;
  TRect up, down;
};

TEST(SpinButton, LaysOutItsArrowsByDirection) {
  const LayoutCase cases[] = {
      // Too narrow: raised to 15; an odd height gives the down arrow the
      // extra pixel, and the two overlap by one.
      {spVertical, 10, 25, 15, Bounds(0, 0, 15, 12), Bounds(0, 11, 15, 14)},
      {spVertical, 30, 40, 30, Bounds(0, 0, 30, 20), Bounds(0, 19, 30, 21)},
      {spHorizontal, 10, 20, 20, Bounds(11, 0, 10, 20), Bounds(0, 0, 10, 20)},
      {spHorizontal, 31, 16, 31, Bounds(16, 0, 15, 16), Bounds(0, 0, 15, 16)},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "direction " << c.direction << ", " << c.width << " x " << c.height);
    TZurSpinButton spin(nullptr);
    spin.SetDirection(c.direction);
    spin.SetBounds(0, 0, c.width, c.height);
    EXPECT_EQ(spin.Width(), c.expectedWidth);
    EXPECT_EQ(spin.UpButton()->BoundsRect(), c.up);
    EXPECT_EQ(spin.DownButton()->BoundsRect(), c.down);
  }
}

TEST(SpinButton, DirectionSwapsArrowsAndWidth) {
  TZurSpinButton spin(nullptr);
  EXPECT_EQ(spin.Width(), 15);
  EXPECT_EQ(spin.Height(), 25);
  EXPECT_EQ(spin.UpButton()->ButtonDirection(), bdUp);
  EXPECT_EQ(spin.DownButton()->ButtonDirection(), bdDown);
  spin.SetDirection(spHorizontal);
  EXPECT_EQ(spin.Width(), 20);
  EXPECT_EQ(spin.UpButton()->ButtonDirection(), bdRight);
  EXPECT_EQ(spin.DownButton()->ButtonDirection(), bdLeft);
  spin.SetDirection(spVertical);
  EXPECT_EQ(spin.Width(), 15);
  EXPECT_EQ(spin.UpButton()->ButtonDirection(), bdUp);
  // The default glyphs are the program's arrow bitmaps.
  EXPECT_EQ(spin.UpGlyph()->Width(), 9);
  EXPECT_EQ(spin.DownGlyph()->Height(), 6);
}

class SpinButtonMouse : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.SetBounds(10, 10, 200, 100);
    spin_ = new TZurSpinButton(&form_);
    spin_->SetParent(&form_);
    spin_->SetBounds(10, 10, 15, 40);
    spin_->OnUpClick = [this](TObject* sender) {
      EXPECT_EQ(sender, spin_);
      ++ups_;
      if (throwFrom_ && ups_ >= throwFrom_) throw Exception("step failed");
    };
    spin_->OnDownClick = [this](TObject*) { ++downs_; };
    form_.Show();
  }
  void Press(TControl* arrow) {
    spintesting::SendMouse(arrow, QEvent::MouseButtonPress, Qt::LeftButton, 5, 5);
  }
  void Release(TControl* arrow) {
    spintesting::SendMouse(arrow, QEvent::MouseButtonRelease, Qt::NoButton, 5, 5);
  }

  TForm form_{nullptr};
  TZurSpinButton* spin_ = nullptr;
  int ups_ = 0;
  int downs_ = 0;
  int throwFrom_ = 0;
};

TEST_F(SpinButtonMouse, AShortPressClicksOnce) {
  harness::Click(spin_->UpButton());
  harness::Click(spin_->DownButton());
  harness::Click(spin_->DownButton());
  EXPECT_EQ(ups_, 1);
  EXPECT_EQ(downs_, 2);
  // Released outside the arrow: no click.
  Press(spin_->UpButton());
  spintesting::SendMouse(spin_->UpButton(), QEvent::MouseMove, Qt::LeftButton, 50, 50);
  spintesting::SendMouse(spin_->UpButton(), QEvent::MouseButtonRelease, Qt::NoButton, 50, 50);
  EXPECT_EQ(ups_, 1);
}

TEST_F(SpinButtonMouse, HoldingRepeatsAfter400msThenEvery100ms) {
  ScopedTimeScale fast(20);
  TZidOvadoSpeedButton* up = spin_->UpButton();
  Press(up);
  ASSERT_NE(up->RepeatTimer(), nullptr);
  EXPECT_EQ(up->RepeatTimer()->Interval(), 400u);
  EXPECT_TRUE(up->RepeatTimer()->Enabled());
  ASSERT_TRUE(WaitUntil([&] { return ups_ >= 3; }));
  EXPECT_EQ(up->RepeatTimer()->Interval(), 100u);
  Release(up);
  EXPECT_FALSE(up->RepeatTimer()->Enabled());
  const int held = ups_;
  EXPECT_FALSE(WaitUntil([&] { return ups_ > held; }, std::chrono::milliseconds(100)));
}

TEST_F(SpinButtonMouse, LosingTheCaptureStopsTheRepeat) {
  ScopedTimeScale fast(20);
  Press(spin_->DownButton());
  ASSERT_TRUE(WaitUntil([&] { return downs_ >= 1; }));
  ReleaseCapture();
  const int held = downs_;
  EXPECT_FALSE(WaitUntil([&] { return downs_ > held; }, std::chrono::milliseconds(100)));
  Release(spin_->DownButton());
}

TEST_F(SpinButtonMouse, AFailingRepeatStopsAndGoesToTheApplication) {
  ScopedTimeScale fast(20);
  std::vector<AnsiString> reported;
  Application->OnException = [&](TObject*, const std::exception& e) { reported.push_back(e.what()); };
  throwFrom_ = 1;
  Press(spin_->UpButton());
  ASSERT_TRUE(WaitUntil([&] { return !reported.empty(); }));
  EXPECT_FALSE(spin_->UpButton()->RepeatTimer()->Enabled());
  EXPECT_FALSE(WaitUntil([&] { return ups_ > 1; }, std::chrono::milliseconds(100)));
  EXPECT_EQ(reported, std::vector<AnsiString>{"step failed"});
  // The next press works as ever.
  throwFrom_ = 0;
  Release(spin_->UpButton());
  harness::Click(spin_->UpButton());
  EXPECT_EQ(ups_, 3);
  Application->OnException = nullptr;
}

TEST_F(SpinButtonMouse, PressingAnArrowFocusesTheFocusControl) {
  auto* edit = new TEdit(&form_);
  edit->SetParent(&form_);
  edit->SetBounds(40, 10, 80, 21);
  spin_->SetFocusControl(edit);
  harness::Click(spin_->UpButton());
  harness::ProcessEvents();
  EXPECT_TRUE(edit->Focused());
  delete edit;
  EXPECT_EQ(spin_->FocusControl(), nullptr);
}

TEST_F(SpinButtonMouse, KeysClickTheArrowsAndMoveTheFocusMark) {
  spin_->SetTabStop(true);
  spin_->SetFocus();
  harness::ProcessEvents();
  ASSERT_TRUE(spin_->Focused());
  EXPECT_TRUE(spin_->UpButton()->TimeBtnState() & tbFocusRect);
  harness::PressKey(spin_, Qt::Key_Down);
  EXPECT_EQ(downs_, 1);
  EXPECT_EQ(spin_->FocusedButton(), spin_->DownButton());
  EXPECT_TRUE(spin_->DownButton()->TimeBtnState() & tbFocusRect);
  EXPECT_FALSE(spin_->UpButton()->TimeBtnState() & tbFocusRect);
  harness::PressKey(spin_, Qt::Key_Space);
  harness::PressKey(spin_, Qt::Key_Up);
  EXPECT_EQ(downs_, 2);
  EXPECT_EQ(ups_, 1);
  EXPECT_EQ(spin_->Perform(WM_GETDLGCODE), static_cast<LRESULT>(DLGC_WANTARROWS));
}

TEST_F(SpinButtonMouse, ArrowsDrawThemedPartsOrTheirClassicLook) {
  TRecordingThemeService theme;
  InstallThemeService(&theme);
  spin_->SetIsWinXP(true);
  spin_->UpButton()->Repaint();
  spin_->DownButton()->Repaint();
  Press(spin_->UpButton());
  spin_->UpButton()->Repaint();
  Release(spin_->UpButton());
  spin_->SetDirection(spHorizontal);
  spin_->UpButton()->Repaint();
  spin_->DownButton()->Repaint();
  std::vector<std::tuple<AnsiString, int, int>> parts;
  for (const auto& d : theme.drawn) parts.emplace_back(d.className, d.part, d.state);
  using Part = std::tuple<AnsiString, int, int>;
  auto drawn = [&](Part p) { return std::find(parts.begin(), parts.end(), p) != parts.end(); };
  EXPECT_TRUE(drawn(Part{"spin", 1, 1}));  // up, normal
  EXPECT_TRUE(drawn(Part{"spin", 2, 1}));  // down, normal
  EXPECT_TRUE(drawn(Part{"spin", 1, 3}));  // up, pressed
  EXPECT_TRUE(drawn(Part{"spin", 3, 1}));  // right
  EXPECT_TRUE(drawn(Part{"spin", 4, 1}));  // left
  EXPECT_EQ(theme.closed, static_cast<int>(theme.opened.size()));

  // Without a theme the classic arrows: the up glyph's black point.
  theme.active = false;
  theme.drawn.clear();
  spin_->SetDirection(spVertical);
  spin_->UpButton()->Repaint();
  EXPECT_TRUE(theme.drawn.empty());
  const QImage up = spin_->UpButton()->BackingImage();
  const int glyphLeft = (spin_->UpButton()->Width() - 9) / 2, glyphTop = (spin_->UpButton()->Height() - 6) / 2;
  EXPECT_EQ(harness::PixelAt(up, glyphLeft + 4, glyphTop + 1), clBlack);
  EXPECT_NE(harness::PixelAt(up, glyphLeft, glyphTop + 5), clBlack);
  InstallThemeService(nullptr);
}

// ---- The spin editor ----

class SpinEdit : public SpinFixture<TZurSpinEdit> {};

TEST_F(SpinEdit, IntegerValuesStayWithinTheirLimits) {
  EXPECT_EQ(edit_->Text(), "0");
  EXPECT_EQ(edit_->MinValue(), 0);
  EXPECT_EQ(edit_->MaxValue(), 100);
  edit_->SetValue(100);
  Key(Qt::Key_Up);
  EXPECT_EQ(edit_->Text(), "100");
  Key(Qt::Key_PageDown);
  EXPECT_EQ(edit_->Text(), "99");
  edit_->SetValue(-5);
  EXPECT_EQ(edit_->Text(), "0");

  // Typed beyond the limit: brought back when the focus leaves.
  edit_->SetText("");
  harness::TypeText(edit_, "250");
  EXPECT_EQ(edit_->Text(), "250");
  LeaveEditor();
  EXPECT_EQ(edit_->Text(), "100");

  // Equal limits mean none.
  edit_->SetMinValue(5);
  edit_->SetMaxValue(5);
  edit_->SetValue(70);
  Key(Qt::Key_Up);
  EXPECT_EQ(edit_->Text(), "71");
  EXPECT_EQ(services_->beeps, 0);
}

TEST_F(SpinEdit, UnconvertibleTextReadsAsTheFallback) {
  edit_->SetMinValue(3);
  edit_->SetText("abc");
  EXPECT_EQ(edit_->Value(), 3);
  EXPECT_EQ(edit_->FloatValue(), 3.0);
  EXPECT_EQ(edit_->TimeValue().Val, 0.0);
  edit_->SetMinDateValue(EncodeDate(2020, 1, 1));
  EXPECT_EQ(edit_->DateValue().Val, EncodeDate(2020, 1, 1).Val);
  Key(Qt::Key_Up);
  EXPECT_EQ(edit_->Text(), "4");
  edit_->SetSpinType(sptFloat);
  edit_->SetText("x");
  Key(Qt::Key_Up);
  EXPECT_EQ(edit_->Text(), "3.1");
}

TEST_F(SpinEdit, FloatValuesFollowPrecision) {
  edit_->SetSpinType(sptFloat);
  edit_->SetFloatValue(1.5);
  EXPECT_EQ(edit_->Text(), "1.5");
  edit_->SetPrecision(2);
  EXPECT_EQ(edit_->Text(), "1.50");
  Key(Qt::Key_Up);
  EXPECT_EQ(edit_->Text(), "1.60");
  edit_->SetFloatValue(250);
  EXPECT_EQ(edit_->Text(), "100.00");
}

struct TypingCase {
  const char* name;
  TZurSpinType type;
  int precision;
  const char* text;
  int caret, selection;
  const char* typed;
  const char* expected;
  int beeps;
};

TEST_F(SpinEdit, TheFilterKeepsTheTextWellFormed) {
  const TypingCase cases[] = {
      {"digits in an integer", sptNormal, 0, "12", 2, 0, "3", "123", 0},
      {"a letter", sptNormal, 0, "12", 2, 0, "a", "12", 1},
      {"a decimal separator in an integer", sptNormal, 0, "12", 2, 0, ".", "12", 1},
      {"plus is never a character", sptFloat, 0, "12", 0, 0, "+", "12", 1},
      {"minus at the start", sptNormal, 0, "12", 0, 0, "-", "-12", 0},
      {"minus elsewhere", sptNormal, 0, "12", 1, 0, "-", "12", 1},
      {"a second minus", sptNormal, 0, "-12", 0, 0, "-", "-12", 1},
      {"minus over a selected minus", sptNormal, 0, "-12", 0, 1, "-", "-12", 0},
      {"a third decimal", sptFloat, 2, "1.50", 4, 0, "7", "1.50", 1},
      {"a decimal over a selection", sptFloat, 2, "1.50", 3, 1, "7", "1.57", 0},
      {"a digit before the separator", sptFloat, 2, "1.50", 0, 0, "2", "21.50", 0},
      {"a second decimal separator", sptFloat, 0, "1.5", 3, 0, ".", "1.5", 1},
      {"a decimal separator over the first", sptFloat, 0, "1.5", 1, 1, ".", "1.5", 0},
      {"a thousand separator", sptFloat, 0, "15", 1, 0, ",", "15", 1},
      {"a time separator in a number", sptFloat, 0, "15", 1, 0, ":", "15", 1},
      {"a time separator in a time", sptTime, 0, "1230", 2, 0, ":", "12:30", 0},
      {"a third time separator", sptTime, 0, "12:30:00", 8, 0, ":", "12:30:00", 1},
      {"a date separator in a time", sptTime, 0, "12:30", 5, 0, "/", "12:30", 1},
  };
  for (const TypingCase& c : cases) {
    SCOPED_TRACE(c.name);
    edit_->SetSpinType(c.type);
    edit_->SetPrecision(c.precision);
    edit_->SetText(c.text);
    Select(c.caret, c.selection);
    const int before = services_->beeps;
    harness::TypeText(edit_, c.typed);
    EXPECT_EQ(edit_->Text(), c.expected);
    EXPECT_EQ(services_->beeps - before, c.beeps);
  }
}

TEST_F(SpinEdit, WithTheEditorDisabledOnlyTheArrowsChangeTheValue) {
  edit_->SetText("42");
  edit_->SetEditorEnabled(false);
  Select(2, 0);
  harness::TypeText(edit_, "7");
  Select(0, 0);
  Key(Qt::Key_Delete);
  Select(1, 0);
  Key(Qt::Key_Backspace);
  services_->clipboard = "99";
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit_->Text(), "42");
  Key(Qt::Key_Up);
  EXPECT_EQ(edit_->Text(), "43");
  EXPECT_EQ(edit_->SelText(), "43");

  edit_->SetEditorEnabled(true);
  Select(0, 2);
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit_->Text(), "99");
  Select(0, 1);
  Key(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(edit_->Text(), "9");
  EXPECT_EQ(services_->clipboard, "9");

  edit_->SetReadOnly(true);
  const int before = services_->beeps;
  Key(Qt::Key_Up);
  EXPECT_EQ(edit_->Text(), "9");
  EXPECT_EQ(services_->beeps, before + 1);
}

TEST_F(SpinEdit, TheKeypadDecimalKeyTypesTheLocaleSeparator) {
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = '.';
  edit_->SetSpinType(sptFloat);
  edit_->SetText("1");
  Select(1, 0);
  QKeyEvent keypad(QEvent::KeyPress, Qt::Key_Period, Qt::KeypadModifier, ".");
  QCoreApplication::sendEvent(edit_->LineEdit(), &keypad);
  EXPECT_EQ(edit_->Text(), "1") << "without the option the keypad's \".\" is the thousand separator";
  edit_->SetExcelStyleDecimalSeparator(true);
  QCoreApplication::sendEvent(edit_->LineEdit(), &keypad);
  EXPECT_EQ(edit_->Text(), "1,");
}

struct StepCase {
  const char* name;
  const char* shortDateFormat;
  const char* text;
  int caret;
  int key;
  const char* expected;
};

TEST_F(SpinEdit, DatesStepTheFieldUnderTheCaret) {
  edit_->SetSpinType(sptDate);
  const StepCase cases[] = {
      {"day-first, day", "dd/mm/yyyy", "15/03/2024", 1, Qt::Key_Up, "16/03/2024"},
      {"day-first, month", "dd/mm/yyyy", "15/03/2024", 4, Qt::Key_Up, "15/04/2024"},
      {"day-first, year", "dd/mm/yyyy", "15/03/2024", 8, Qt::Key_Down, "15/03/2023"},
      {"month-first, month", "mm/dd/yyyy", "03/15/2024", 0, Qt::Key_Up, "04/15/2024"},
      {"month-first, day", "mm/dd/yyyy", "03/15/2024", 3, Qt::Key_Down, "03/14/2024"},
      {"month end", "dd/mm/yyyy", "31/01/2024", 4, Qt::Key_Up, "29/02/2024"},
      {"a year onto a missing 29 February", "dd/mm/yyyy", "29/02/2024", 8, Qt::Key_Up, "29/02/2024"},
  };
  for (const StepCase& c : cases) {
    SCOPED_TRACE(c.name);
    FormatSettings.ShortDateFormat = c.shortDateFormat;
    edit_->SetText(c.text);
    Select(c.caret, 0);
    Key(c.key);
    EXPECT_EQ(edit_->Text(), c.expected);
    EXPECT_EQ(edit_->SelStart(), c.caret);
  }
}

TEST_F(SpinEdit, DatesKeepToTheirLimits) {
  edit_->SetSpinType(sptDate);
  edit_->SetText("");
  const double now = Now().Val;
  EXPECT_NEAR(edit_->DateValue().Val, now, 1.0 / 24);
  edit_->SetMinDateValue(EncodeDate(2024, 1, 1));
  edit_->SetMaxDateValue(EncodeDate(2024, 12, 31));
  edit_->SetDateValue(EncodeDate(2025, 6, 1));
  EXPECT_EQ(edit_->Text(), "31/12/2024");
  edit_->SetText("01/06/2030");
  LeaveEditor();
  EXPECT_EQ(edit_->Text(), "31/12/2024");
}

TEST_F(SpinEdit, TimesStepByFieldAndWrapAtMidnight) {
  edit_->SetSpinType(sptTime);
  const StepCase cases[] = {
      {"hours down below midnight", "", "00:30:00", 0, Qt::Key_Down, "23:30:00"},
      {"hours up past midnight", "", "23:30:00", 1, Qt::Key_Up, "00:30:00"},
      {"minutes", "", "10:59:00", 3, Qt::Key_Up, "11:00:00"},
      {"seconds", "", "10:00:00", 7, Qt::Key_Down, "09:59:59"},
      // No seconds shown: the minutes step, not the invisible seconds.
      {"no second separator", "", "12:30", 4, Qt::Key_Up, "12:31:00"},
  };
  for (const StepCase& c : cases) {
    SCOPED_TRACE(c.name);
    edit_->SetText(c.text);
    Select(c.caret, 0);
    Key(c.key);
    EXPECT_EQ(edit_->Text(), c.expected);
    EXPECT_LT(edit_->TimeValue().Val, 1.0);
  }
}

TEST_F(SpinEdit, LoadingKeepsTheStoredValuesUntilItEnds) {
  auto* loaded = new TZurSpinEdit(&form_);
  loaded->BeginLoading();
  loaded->SetSpinType(sptDate);
  loaded->SetDateValue(EncodeDate(2024, 3, 15));
  EXPECT_EQ(loaded->Text(), "0");
  loaded->FinishLoading();
  EXPECT_EQ(loaded->Text(), "15/03/2024");

  loaded->BeginLoading();
  loaded->SetSpinType(sptTime);
  loaded->SetTimeValue(EncodeTime(7, 45, 0, 0));
  loaded->FinishLoading();
  EXPECT_EQ(loaded->Text(), "07:45:00");
}

TEST_F(SpinEdit, ATimeIsNotClampedWithTheDateLimits) {
  edit_->SetSpinType(sptTime);
  edit_->SetMinDateValue(EncodeDate(2024, 1, 1));
  edit_->SetMaxDateValue(EncodeDate(2024, 12, 31));
  edit_->SetText("12:00:00");
  LeaveEditor();
  EXPECT_EQ(edit_->Text(), "12:00:00");
}

TEST_F(SpinEdit, ReturnIsTabMovesToTheNextControl) {
  edit_->SetReturnIsTab(true);
  const int before = services_->beeps;
  Key(Qt::Key_Return);
  harness::ProcessEvents();
  EXPECT_TRUE(other_->Focused());
  EXPECT_EQ(services_->beeps, before);
}

TEST_F(SpinEdit, ArrowClicksStepThroughTheVirtualSteps) {
  struct Counting : TZurSpinEdit {
    using TZurSpinEdit::TZurSpinEdit;
    void UpClick(TObject* sender) override {
      ++ups;
      TZurSpinEdit::UpClick(sender);
    }
    int ups = 0;
  };
  auto* counting = new Counting(&form_);
  counting->SetParent(&form_);
  counting->SetBounds(10, 60, 80, 21);
  harness::Click(counting->Button()->UpButton());
  EXPECT_EQ(counting->ups, 1);
  EXPECT_EQ(counting->Text(), "1");
}

TEST_F(SpinEdit, TheArrowsSitAtTheRightEdgeAndTheHeightHasAFloor) {
  edit_->SetBounds(10, 10, 100, 4);
  EXPECT_GT(edit_->Height(), 4);
  const TRect arrows = edit_->Button()->BoundsRect();
  EXPECT_EQ(arrows.Left, 100 - 15 - 5);
  EXPECT_EQ(arrows.Height(), edit_->Height() - 5);
  EXPECT_EQ(edit_->LineEdit()->textMargins().right(), 15 + 2);
  edit_->SetBorderStyle(bsNone);
  EXPECT_EQ(edit_->Button()->Left(), 100 - 15 - 1);
  EXPECT_EQ(edit_->LineEdit()->textMargins().right(), 15 + 2 + 1);
  edit_->SetDirection(spHorizontal);
  EXPECT_EQ(edit_->Button()->Width(), 20);
  EXPECT_EQ(edit_->Button()->Left(), 100 - 20 - 1);
}

class MaskedSpinEdit : public spintesting::SpinFixture<TVavUvurSpinEdit> {};

TEST_F(MaskedSpinEdit, TheMaskIsCheckedBeforeTheValue) {
  edit_->SetEditMask("990;0; ");
  edit_->SetText("");
  Select(0, 0);
  harness::TypeText(edit_, "2x50");
  EXPECT_EQ(edit_->Value(), 250);
  LeaveEditor();
  EXPECT_EQ(edit_->Text(), "100");

  // An empty required place keeps the focus and the value as typed.
  std::vector<AnsiString> reported;
  Application->OnException = [&](TObject*, const std::exception& e) { reported.push_back(e.what()); };
  edit_->SetEditMask("000;0; ");
  edit_->SetFocus();
  edit_->SetText("7");
  other_->SetFocus();
  harness::ProcessEvents();
  Application->OnException = nullptr;
  EXPECT_EQ(reported.size(), 1u);
  EXPECT_TRUE(edit_->Focused());
  EXPECT_EQ(edit_->Value(), 7);
}

}  // namespace
