#pragma once
// What the spin editor tests share: a form with the editor and a second
// control to move the focus to, in a known locale, and input the way the
// window system sends it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>
#include <chrono>
#include <functional>

#include "framework/forms.h"
#include "framework/sysutils.h"
#include "framework/testing/harness.h"
#include "gridtesting.h"

namespace spintesting {

using gridtesting::SendMouse;

// Handles events until done() holds or the patience (real time) runs out.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds patience = std::chrono::seconds(30)) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    harness::ProcessEvents();
    QThread::msleep(1);
  }
  return true;
}

template <class Editor>
class SpinFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = FormatSettings;
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.ThousandSeparator = ',';
    FormatSettings.DateSeparator = '/';
    FormatSettings.TimeSeparator = ':';
    FormatSettings.ShortDateFormat = "dd/mm/yyyy";
    FormatSettings.LongTimeFormat = "hh:nn:ss";
    form_.SetBounds(20, 20, 300, 200);
    edit_ = new Editor(&form_);
    edit_->SetParent(&form_);
    edit_->SetBounds(10, 10, 100, 21);
    other_ = new TEdit(&form_);
    other_->SetParent(&form_);
    other_->SetBounds(150, 10, 100, 21);
    form_.Show();
    QApplication::setActiveWindow(form_.Widget());
    edit_->SetFocus();
    harness::ProcessEvents();
  }
  void TearDown() override { FormatSettings = saved_; }

  void Key(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    harness::PressKey(edit_, qtKey, modifiers);
  }
  void Select(int start, int length) {
    edit_->SetSelStart(start);
    edit_->SetSelLength(length);
  }
  // Moves the focus to the other control, as a click there would.
  void LeaveEditor() {
    if (!edit_->Focused()) {
      edit_->SetFocus();
      harness::ProcessEvents();
    }
    ASSERT_TRUE(edit_->Focused());
    other_->SetFocus();
    harness::ProcessEvents();
    ASSERT_TRUE(other_->Focused());
  }

  TScopedServices services_;
  TFormatSettings saved_;
  TForm form_{nullptr};
  Editor* edit_ = nullptr;
  TEdit* other_ = nullptr;
};

}  // namespace spintesting
