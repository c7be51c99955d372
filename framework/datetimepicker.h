#pragma once
// The date and time picker: a date or a time of day edited field by field
// over Qt's date-time editor, with a drop-down calendar or up-down arrows,
// an optional check box that says whether a value is set, and the picker
// notifications (WM_NOTIFY) its parent window receives.
#include "framework/controls.h"
#include "framework/datetime.h"

class QCheckBox;
class QDateTimeEdit;

enum TDateTimeKind { dtkDate, dtkTime };
// dmComboBox drops a calendar down, dmUpDown steps the field under the caret.
enum TDTDateMode { dmComboBox, dmUpDown };

// Notification codes of the picker.
inline constexpr int DTN_DATETIMECHANGE = -759;
inline constexpr int DTN_DROPDOWN = -754;
inline constexpr int DTN_CLOSEUP = -753;
// The flags of a change: a value is set, or (check box cleared) none is.
inline constexpr unsigned GDT_VALID = 0;
inline constexpr unsigned GDT_NONE = 1;

// The control notifications come back to the control itself under this
// base (CN_NOTIFY), after its parent has had WM_NOTIFY.
inline constexpr unsigned CN_BASE = 0xBC00;
inline constexpr unsigned CN_NOTIFY = CN_BASE + WM_NOTIFY;

// What WM_NOTIFY and CN_NOTIFY carry in LParam.
struct TNMHdr {
  TControl* hwndFrom = nullptr;
  int code = 0;
};
struct TNMDateTimeChange {
  TNMHdr hdr;
  unsigned dwFlags = GDT_VALID;
  TDateTime st;
};

class TDateTimePicker : public TWinControl {
 public:
  explicit TDateTimePicker(TComponent* owner);

  TDateTimeKind Kind() const { return kind_; }
  void SetKind(TDateTimeKind kind);
  TDTDateMode DateMode() const { return dateMode_; }
  void SetDateMode(TDTDateMode mode);

  // The date and the time of day together; setting either part keeps the
  // other. Changes made here notify nobody.
  TDateTime DateTime() const;
  void SetDateTime(TDateTime value);
  TDateTime Date() const;
  void SetDate(TDateTime date);
  TDateTime Time() const;
  void SetTime(TDateTime time);

  // With ShowCheckbox the user can clear the value: Checked false.
  bool ShowCheckbox() const { return checkBox_ != nullptr; }
  void SetShowCheckbox(bool on);
  bool Checked() const { return checked_; }
  void SetChecked(bool on);

  // The value as the framework writes it: DateToStr for a date picker,
  // TimeToStr for a time picker.
  AnsiString GetText() const override;

  // Opens the calendar of a drop-down date picker as F4 does.
  void DropDownCalendar();
  bool DroppedDown() const { return droppedDown_; }
  QDateTimeEdit* DateTimeEdit() const { return edit_; }

  // The user changed the value (or the check box); CN_NOTIFY's
  // DTN_DATETIMECHANGE.
  TNotifyEvent OnChange;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;

 protected:
  void WndProc(TMessage& message) override;
  // F4 drops the calendar down.
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void ColorChanged() override;

 private:
  // WM_NOTIFY to the parent, then CN_NOTIFY to the picker itself.
  void Notify(TNMHdr& header);
  void NotifyChange();
  void ApplyFormat();

  QDateTimeEdit* edit_;
  QCheckBox* checkBox_ = nullptr;
  TDateTimeKind kind_ = dtkDate;
  TDTDateMode dateMode_ = dmComboBox;
  bool checked_ = true;
  bool droppedDown_ = false;
  bool calendarWatched_ = false;
  // Above 0 while the value is set from code.
  int programmatic_ = 0;
};

// The Qt display format of a framework date or time format ("M/d/yyyy",
// "h:mm:ss AMPM"), with the framework's separators.
QString QtDateTimeFormat(const AnsiString& format);
