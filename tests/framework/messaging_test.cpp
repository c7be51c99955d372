#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <chrono>
#include <map>
#include <thread>
#include <vector>

#include "framework/application.h"
#include "framework/messaging.h"
#include "framework/testing/harness.h"
#include "platform/clock.h"

namespace {

// A control that records the messages it receives, by message code.
class Recorder : public TCustomControl {
 public:
  Recorder() : TCustomControl(nullptr) {
    SetBounds(0, 0, 100, 50);
    const TWndMethod inherited = WindowProc;
    WindowProc = [this, inherited](TMessage& m) {
      received.push_back(m);
      inherited(m);
    };
  }
  std::vector<TMessage> Of(unsigned msg) const {
    std::vector<TMessage> found;
    for (const TMessage& m : received)
      if (m.Msg == msg) found.push_back(m);
    return found;
  }
  std::vector<TMessage> received;
};

// Runs the event loop until done() or ten seconds of real time.
template <class Done>
bool RunUntil(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done() && std::chrono::steady_clock::now() < deadline) Application->HandleMessage();
  return done();
}

// Handles events for a span of real time, long enough for many ticks of
// a sped-up timer.
void PumpFor(std::chrono::milliseconds span) {
  const auto until = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < until) Application->ProcessMessages();
}

class ScaledTime : public ::testing::Test {
 protected:
  ScaledTime() { platform::SetTimeScale(1000); }
  ~ScaledTime() override { platform::SetTimeScale(1); }
};

using ControlTimers = ScaledTime;

TEST_F(ControlTimers, DeliverTheirIdentifiersAsTimerMessages) {
  Recorder control;
  std::map<WPARAM, int> ticks;
  EXPECT_EQ(SetTimer(&control, 111, 500), 111u);
  EXPECT_EQ(SetTimer(&control, 999, 10), 999u);
  ASSERT_TRUE(RunUntil([&] {
    ticks.clear();
    for (const TMessage& m : control.Of(WM_TIMER)) ++ticks[m.WParam];
    return ticks[111] >= 2 && ticks[999] >= 2;
  }));
  for (const auto& [id, count] : ticks) EXPECT_TRUE(id == 111 || id == 999) << "unexpected timer id " << id;

  // Killing one leaves the other running; an unknown id is refused.
  EXPECT_TRUE(KillTimer(&control, 999));
  EXPECT_FALSE(KillTimer(&control, 999));
  EXPECT_FALSE(KillTimer(&control, 1));
  control.received.clear();
  ASSERT_TRUE(RunUntil([&] { return control.Of(WM_TIMER).size() >= 2; }));
  for (const TMessage& m : control.Of(WM_TIMER)) EXPECT_EQ(m.WParam, 111u);
}

TEST_F(ControlTimers, RestartingAnIdentifierKeepsOneTimer) {
  Recorder control;
  SetTimer(&control, 1, 10);
  SetTimer(&control, 1, 10);
  EXPECT_TRUE(KillTimer(&control, 1));
  EXPECT_FALSE(KillTimer(&control, 1));  // no second timer of the same id
  control.received.clear();
  PumpFor(std::chrono::milliseconds(20));
  EXPECT_TRUE(control.Of(WM_TIMER).empty());
}

TEST_F(ControlTimers, DieWithTheirControl) {
  auto* control = new Recorder;
  SetTimer(control, 111, 10);
  delete control;
  PumpFor(std::chrono::milliseconds(20));  // nothing reaches the freed control
}

TEST(KeyState, FollowsTheInputEventsControlsReceive) {
  Recorder control;
  QWidget* w = control.Widget();
  auto key = [&](QEvent::Type type, int qtKey, Qt::KeyboardModifiers mods) {
    QKeyEvent e(type, qtKey, mods);
    QCoreApplication::sendEvent(w, &e);
  };
  auto mouse = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
    QMouseEvent e(type, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), button, buttons, mods);
    QCoreApplication::sendEvent(w, &e);
  };
  key(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  key(QEvent::KeyPress, Qt::Key_Control, Qt::ShiftModifier);
  EXPECT_EQ(KeyboardShiftState(), static_cast<TShiftState>(ssShift | ssCtrl));
  mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_LT(GetKeyState(VK_LBUTTON), 0);
  EXPECT_EQ(GetKeyState(VK_RBUTTON), 0);
  mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_EQ(GetKeyState(VK_LBUTTON), 0);
  key(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier | Qt::ControlModifier);
  key(QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier);
  EXPECT_EQ(KeyboardShiftState(), 0u);
  EXPECT_EQ(GetKeyState('A'), 0);

  // The shift state handed to key handlers comes from the same table.
  TShiftState seen = 0;
  control.OnKeyDown = [&](TObject*, unsigned short&, TShiftState shift) { seen = shift; };
  harness::PressKey(&control, Qt::Key_Left, Qt::AltModifier);
  EXPECT_EQ(seen, static_cast<TShiftState>(ssAlt));
}

TEST(CursorPos, ReadsBackWhereItWasSet) {
  SetCursorPos({123, 45});
  EXPECT_EQ(GetCursorPos().X, 123);
  EXPECT_EQ(GetCursorPos().Y, 45);
}

TEST(MouseCapture, IsHeldUntilReleasedOrTheControlGoes) {
  auto* first = new Recorder;
  Recorder second;
  EXPECT_EQ(SetCapture(first), nullptr);
  EXPECT_EQ(GetCapture(), first);
  EXPECT_EQ(SetCapture(&second), first);
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);
  SetCapture(first);
  delete first;
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST(MouseCapture, LosingTheActivationCancelsTheMode) {
  Recorder holder;
  Recorder bystander;
  SetCapture(&holder);
  QEvent deactivate(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(bystander.Widget(), &deactivate);
  EXPECT_TRUE(bystander.Of(WM_CANCELMODE).empty());
  EXPECT_EQ(GetCapture(), &holder);
  QCoreApplication::sendEvent(holder.Widget(), &deactivate);
  EXPECT_EQ(holder.Of(WM_CANCELMODE).size(), 1u);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST(MouseCapture, TheControlThatLosesItIsToldWhoTookIt) {
  Recorder first, second;
  SetCapture(&first);
  SetCapture(&first);
  EXPECT_TRUE(first.Of(WM_CAPTURECHANGED).empty());
  SetCapture(&second);
  ASSERT_EQ(first.Of(WM_CAPTURECHANGED).size(), 1u);
  EXPECT_EQ(first.Of(WM_CAPTURECHANGED)[0].LParam, reinterpret_cast<LPARAM>(&second));
  ReleaseCapture();
  ASSERT_EQ(second.Of(WM_CAPTURECHANGED).size(), 1u);
  EXPECT_EQ(second.Of(WM_CAPTURECHANGED)[0].LParam, 0);
  ReleaseCapture();
  EXPECT_EQ(second.Of(WM_CAPTURECHANGED).size(), 1u);
  EXPECT_EQ(first.Of(WM_CAPTURECHANGED).size(), 1u);
}

// A control that notes each WM_DESTROY it gets, by name, in a log that
// outlives it; one that handles the message itself says so in its
// destructor.
class DestroyNoter : public TCustomControl {
 public:
  DestroyNoter(TComponent* owner, TWinControl* parent, std::vector<AnsiString>* log, AnsiString name)
      : TCustomControl(owner), log_(log), name_(std::move(name)) {
    if (parent) SetParent(parent);
  }
  ~DestroyNoter() override { DestroyHandle(); }

 protected:
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_DESTROY) log_->push_back(name_);
    TCustomControl::WndProc(m);
  }

 private:
  std::vector<AnsiString>* log_;
  AnsiString name_;
};

TEST(DestroyMessage, ReachesEachControlOnceParentsBeforeChildren) {
  std::vector<AnsiString> log;
  auto* top = new DestroyNoter(nullptr, nullptr, &log, "top");
  auto* middle = new DestroyNoter(nullptr, top, &log, "middle");
  new DestroyNoter(nullptr, middle, &log, "bottom");
  new DestroyNoter(nullptr, top, &log, "side");
  delete top;
  EXPECT_EQ(log, (std::vector<AnsiString>{"top", "middle", "bottom", "side"}));

  // An owner frees what it owns; a plain control, whose class does not
  // ask for the message itself, gets it from whoever frees it.
  log.clear();
  auto* owner = new TComponent(nullptr);
  new DestroyNoter(owner, nullptr, &log, "owned");
  auto* parent = new TCustomControl(nullptr);
  auto* plain = new TCustomControl(nullptr);
  plain->SetParent(parent);
  int plainDestroys = 0;
  const TWndMethod inherited = plain->WindowProc;
  plain->WindowProc = [&plainDestroys, inherited](TMessage& m) {
    if (m.Msg == WM_DESTROY) ++plainDestroys;
    inherited(m);
  };
  delete owner;
  delete parent;
  EXPECT_EQ(log, std::vector<AnsiString>{"owned"});
  EXPECT_EQ(plainDestroys, 1);
}

TEST(KeyData, MarksTheNumericKeypad) {
  struct Case { const char* name; int qtKey; Qt::KeyboardModifiers mods; const char* text; LPARAM scan; };
  const Case cases[] = {
      {"keypad decimal", Qt::Key_Period, Qt::KeypadModifier, ".", 0x53},
      {"main period", Qt::Key_Period, Qt::NoModifier, ".", 0},
      {"keypad 7", Qt::Key_7, Qt::KeypadModifier, "7", 0x47},
      {"main 7", Qt::Key_7, Qt::NoModifier, "7", 0},
  };
  for (const Case& k : cases) {
    Recorder control;
    QKeyEvent press(QEvent::KeyPress, k.qtKey, k.mods, k.text);
    QCoreApplication::sendEvent(control.Widget(), &press);
    const auto chars = control.Of(WM_CHAR);
    ASSERT_EQ(chars.size(), 1u) << k.name;
    EXPECT_EQ(chars[0].WParam, static_cast<WPARAM>(k.text[0])) << k.name;
    EXPECT_EQ((chars[0].LParam >> 16) & 0xFF, k.scan) << k.name;
    EXPECT_EQ((chars[0].LParam & KF_KEYPAD_SCAN) != 0, k.scan != 0) << k.name;
    EXPECT_EQ(chars[0].LParam & 0xFFFF, 1) << k.name;  // repeat count
  }
}

TEST(PostedMessages, ArriveInOrderThroughTheWindowProcedure) {
  Recorder control;
  PostMessage(&control, WM_USER + 1, 7, 8);
  std::thread worker([&] { PostMessage(&control, WM_USER + 2, 9, 10); });
  worker.join();
  EXPECT_TRUE(control.Of(WM_USER + 1).empty());  // queued, not sent
  harness::ProcessEvents();
  std::vector<unsigned> posted;
  for (const TMessage& m : control.received)
    if (m.Msg > WM_USER) posted.push_back(m.Msg);
  ASSERT_EQ(posted, (std::vector<unsigned>{WM_USER + 1, WM_USER + 2}));
  EXPECT_EQ(control.Of(WM_USER + 1)[0].WParam, 7u);
  EXPECT_EQ(control.Of(WM_USER + 2)[0].LParam, 10);

  auto* gone = new Recorder;
  PostMessage(gone, WM_USER + 3);
  delete gone;
  harness::ProcessEvents();  // dropped, not delivered to freed memory
}

}  // namespace
