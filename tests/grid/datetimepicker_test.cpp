// The framework's date-time picker: its value and text, the check box, and
// the notifications its parent receives for the user's changes only.
#include "framework/datetimepicker.h"

#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QDateTimeEdit>

#include "framework/forms.h"
#include "framework/testing/harness.h"

namespace {

// A form that records the picker notifications it receives.
class NotifiedForm : public TForm {
 public:
  using TForm::TForm;
  std::vector<int> codes;
  std::vector<unsigned> flags;

 protected:
  void WndProc(TMessage& message) override {
    if (message.Msg == WM_NOTIFY) {
      const auto* header = reinterpret_cast<const TNMHdr*>(message.LParam);
      codes.push_back(header->code);
      if (header->code == DTN_DATETIMECHANGE)
        flags.push_back(reinterpret_cast<const TNMDateTimeChange*>(message.LParam)->dwFlags);
    }
    TForm::WndProc(message);
  }
};

class DateTimePickerTest : public ::testing::Test {
 protected:
  DateTimePickerTest() {
    form.SetBounds(0, 0, 300, 100);
    picker = new TDateTimePicker(&form);
    picker->SetParent(&form);
    picker->SetBounds(10, 10, 200, 24);
    form.Show();
    picker->SetFocus();
    harness::ProcessEvents();
  }
  NotifiedForm form{nullptr};
  TDateTimePicker* picker = nullptr;
};

TEST_F(DateTimePickerTest, DateAndTimeAreSetApartAndReadAsTheFrameworkWritesThem) {
  picker->SetDateTime(EncodeDate(2021, 3, 4) + EncodeTime(13, 5, 6, 0));
  picker->SetDate(EncodeDate(2022, 1, 2));
  EXPECT_DOUBLE_EQ(picker->DateTime(), EncodeDate(2022, 1, 2) + EncodeTime(13, 5, 6, 0));
  picker->SetTime(EncodeTime(7, 8, 9, 0));
  EXPECT_DOUBLE_EQ(picker->DateTime(), EncodeDate(2022, 1, 2) + EncodeTime(7, 8, 9, 0));
  EXPECT_EQ(picker->Text(), DateToStr(EncodeDate(2022, 1, 2)));
  picker->SetKind(dtkTime);
  EXPECT_EQ(picker->Text(), TimeToStr(EncodeTime(7, 8, 9, 0)));
  EXPECT_EQ(picker->DateTimeEdit()->text().toStdString(), "7:08:09 AM");
  EXPECT_TRUE(form.codes.empty()) << "changes from code notify nobody";
}

TEST_F(DateTimePickerTest, UserChangesNotifyTheParentAndThePicker) {
  int changes = 0;
  picker->OnChange = [&](TObject*) { ++changes; };
  picker->SetDateTime(EncodeDate(2021, 3, 4));
  harness::PressKey(picker, Qt::Key_Up);
  EXPECT_EQ(form.codes, std::vector<int>{DTN_DATETIMECHANGE});
  EXPECT_EQ(form.flags, std::vector<unsigned>{GDT_VALID});
  EXPECT_EQ(changes, 1);
}

TEST_F(DateTimePickerTest, ClearingTheCheckBoxIsAChangeToNoValue) {
  picker->SetShowCheckbox(true);
  EXPECT_TRUE(picker->Checked());
  picker->SetChecked(false);
  EXPECT_TRUE(form.codes.empty());
  picker->SetChecked(true);
  harness::ClickAt(picker, 6, picker->Height() / 2);
  harness::ProcessEvents();
  EXPECT_FALSE(picker->Checked());
  EXPECT_EQ(form.flags, std::vector<unsigned>{GDT_NONE});
}

TEST_F(DateTimePickerTest, TheCalendarReportsDroppingDownAndClosingUp) {
  int drops = 0, closes = 0;
  picker->OnDropDown = [&](TObject*) { ++drops; };
  picker->OnCloseUp = [&](TObject*) { ++closes; };
  picker->DropDownCalendar();
  harness::ProcessEvents();
  EXPECT_TRUE(picker->DroppedDown());
  picker->DateTimeEdit()->calendarWidget()->window()->hide();
  harness::ProcessEvents();
  EXPECT_FALSE(picker->DroppedDown());
  EXPECT_EQ(drops, 1);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(form.codes, (std::vector<int>{DTN_DROPDOWN, DTN_CLOSEUP}));
}

TEST(DateTimeFormat, FrameworkFormatsBecomeQtFormats) {
  EXPECT_EQ(QtDateTimeFormat("M/d/yyyy").toStdString(), "M/d/yyyy");
  EXPECT_EQ(QtDateTimeFormat("dd.mm.yy").toStdString(), "dd.MM.yy");
  EXPECT_EQ(QtDateTimeFormat("h:mm:ss AMPM").toStdString(), "h:mm:ss AP");
  EXPECT_EQ(QtDateTimeFormat("hh:nn 'h'").toStdString(), "hh:mm 'h'");
}

}  // namespace
