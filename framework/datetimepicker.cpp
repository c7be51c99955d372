#include "framework/datetimepicker.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <algorithm>
#include <cctype>
#include <cmath>

#include "framework/application.h"

namespace {

QDateTime ToQDateTime(TDateTime value) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, ms);
  return {QDate(year, month, day), QTime(hour, minute, second, ms)};
}

TDateTime FromQDateTime(const QDateTime& value) {
  const QDate d = value.date();
  const QTime t = value.time();
  const double date = EncodeDate(d.year(), d.month(), d.day());
  const double time = EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
  // Before 30 December 1899 the time of day still counts forwards.
  return date >= 0 ? date + time : date - time;
}

// Tells the picker when its calendar pops up and when it goes.
class CalendarWatcher : public QObject {
 public:
  CalendarWatcher(QObject* parent, std::function<void(bool)> shown) : QObject(parent), shown_(std::move(shown)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide) shown_(event->type() == QEvent::Show);
    return false;
  }

 private:
  std::function<void(bool)> shown_;
};

int RunLength(const AnsiString& s, size_t i) {
  size_t j = i;
  while (j < s.size() && std::tolower(static_cast<unsigned char>(s[j])) == std::tolower(static_cast<unsigned char>(s[i])))
    ++j;
  return static_cast<int>(j - i);
}

bool StartsWithNoCase(const AnsiString& s, size_t i, std::string_view word) {
  return s.size() - i >= word.size() && SameText(std::string_view(s).substr(i, word.size()), word);
}

}  // namespace

QString QtDateTimeFormat(const AnsiString& format) {
  QString out;
  bool afterHour = false;
  for (size_t i = 0; i < format.size();) {
    const char c = format[i];
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (StartsWithNoCase(format, i, "am/pm") || StartsWithNoCase(format, i, "ampm")) {
      out += "AP";
      i += StartsWithNoCase(format, i, "ampm") ? 4 : 5;
      continue;
    }
    if (c == '"' || c == '\'') {
      const size_t end = format.find(c, i + 1);
      const size_t stop = end == AnsiString::npos ? format.size() : end;
      out += '\'' + QString::fromStdString(format.substr(i + 1, stop - i - 1)) + '\'';
      i = stop + 1;
      continue;
    }
    const int n = RunLength(format, i);
    switch (lower) {
      case 'd': out += QString(std::min(n, 4), 'd'); break;
      case 'm': out += afterHour ? QString(std::min(n, 2), 'm') : QString(std::min(n, 4), 'M'); break;
      case 'n': out += QString(std::min(n, 2), 'm'); break;
      case 'y': out += n <= 2 ? "yy" : "yyyy"; break;
      case 'h': out += QString(std::min(n, 2), 'h'); break;
      case 's': out += QString(std::min(n, 2), 's'); break;
      case 'z': out += "zzz"; break;
      case '/': out += QString(n, FormatSettings.DateSeparator); break;
      case ':': out += QString(n, FormatSettings.TimeSeparator); break;
      default: out += std::isalpha(static_cast<unsigned char>(c)) ? '\'' + QString(n, c) + '\'' : QString(n, c); break;
    }
    if (std::isalpha(static_cast<unsigned char>(c))) afterHour = lower == 'h';
    i += n;
  }
  return out;
}

TDateTimePicker::TDateTimePicker(TComponent* owner) : TWinControl(owner) {
  auto* box = new QWidget();
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  edit_ = new QDateTimeEdit(box);
  layout->addWidget(edit_);
  box->setFocusPolicy(edit_->focusPolicy());
  box->setFocusProxy(edit_);
  AttachWidget(box);
  RouteEventsOf(edit_);
  SetBounds(0, 0, 186, 21);
  SetColor(clWindow);
  ++programmatic_;
  SetDateTime(::Now());
  --programmatic_;
  ApplyFormat();
  QObject::connect(edit_, &QDateTimeEdit::dateTimeChanged, edit_, [this] {
    if (programmatic_ == 0) Application->Guard(this, [this] { NotifyChange(); });
  });
}

void TDateTimePicker::SetKind(TDateTimeKind kind) {
  kind_ = kind;
  ApplyFormat();
}

void TDateTimePicker::SetDateMode(TDTDateMode mode) {
  dateMode_ = mode;
  ApplyFormat();
}

void TDateTimePicker::ApplyFormat() {
  ++programmatic_;
  const bool calendar = kind_ == dtkDate && dateMode_ == dmComboBox;
  edit_->setCalendarPopup(calendar);
  edit_->setDisplayFormat(QtDateTimeFormat(kind_ == dtkDate ? FormatSettings.ShortDateFormat
                                                             : FormatSettings.LongTimeFormat));
  if (calendar && !calendarWatched_) {
    calendarWatched_ = true;
    QWidget* popup = edit_->calendarWidget()->window();
    popup->installEventFilter(new CalendarWatcher(popup, [this](bool shown) {
      if (shown == droppedDown_) return;
      droppedDown_ = shown;
      Application->Guard(this, [this, shown] {
        TNMHdr header{this, shown ? DTN_DROPDOWN : DTN_CLOSEUP};
        Notify(header);
      });
    }));
  }
  --programmatic_;
}

TDateTime TDateTimePicker::DateTime() const { return FromQDateTime(edit_->dateTime()); }

void TDateTimePicker::SetDateTime(TDateTime value) {
  ++programmatic_;
  // The editor's own limits (1752 to 9999) hold the value.
  edit_->setDateTime(ToQDateTime(value));
  --programmatic_;
}

TDateTime TDateTimePicker::Date() const { return std::trunc(DateTime().Val); }

void TDateTimePicker::SetDate(TDateTime date) {
  const double time = DateTime().Val - Date().Val;
  SetDateTime(std::trunc(date.Val) + time);
}

TDateTime TDateTimePicker::Time() const { return DateTime().Val - Date().Val; }

void TDateTimePicker::SetTime(TDateTime time) { SetDateTime(Date().Val + std::fabs(time.Val - std::trunc(time.Val))); }

void TDateTimePicker::SetShowCheckbox(bool on) {
  if (on == ShowCheckbox()) return;
  if (on) {
    checkBox_ = new QCheckBox(Widget());
    checkBox_->setChecked(checked_);
    checkBox_->setFocusPolicy(Qt::NoFocus);
    static_cast<QHBoxLayout*>(Widget()->layout())->insertWidget(0, checkBox_);
    checkBox_->show();
    QObject::connect(checkBox_, &QCheckBox::toggled, checkBox_, [this](bool state) {
      if (programmatic_ != 0 || state == checked_) return;
      checked_ = state;
      edit_->setEnabled(state);
      Application->Guard(this, [this] { NotifyChange(); });
    });
  } else {
    delete checkBox_;
    checkBox_ = nullptr;
  }
}

void TDateTimePicker::SetChecked(bool on) {
  checked_ = on;
  if (!checkBox_) return;
  ++programmatic_;
  checkBox_->setChecked(on);
  edit_->setEnabled(on);
  --programmatic_;
}

AnsiString TDateTimePicker::GetText() const { return kind_ == dtkDate ? DateToStr(Date()) : TimeToStr(Time()); }

void TDateTimePicker::DropDownCalendar() { Perform(WM_KEYDOWN, VK_F4); }

void TDateTimePicker::KeyDown(unsigned short& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key != VK_F4 || kind_ != dtkDate || dateMode_ != dmComboBox || droppedDown_) return;
  // The editor opens its calendar from a press on its arrow.
  const QPoint arrow(edit_->width() - 4, edit_->height() / 2);
  QMouseEvent press(QEvent::MouseButtonPress, arrow, edit_->mapToGlobal(arrow), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(edit_, &press);
  key = 0;
}

void TDateTimePicker::NotifyChange() {
  TNMDateTimeChange change{{this, DTN_DATETIMECHANGE}, checked_ ? GDT_VALID : GDT_NONE, DateTime()};
  Notify(change.hdr);
}

void TDateTimePicker::Notify(TNMHdr& header) {
  const auto lParam = reinterpret_cast<LPARAM>(&header);
  if (Parent()) Parent()->Perform(WM_NOTIFY, 0, lParam);
  Perform(CN_NOTIFY, 0, lParam);
}

void TDateTimePicker::WndProc(TMessage& message) {
  if (message.Msg == CN_NOTIFY) {
    const auto* header = reinterpret_cast<const TNMHdr*>(message.LParam);
    const TNotifyEvent* event = header->code == DTN_DATETIMECHANGE ? &OnChange
                                : header->code == DTN_DROPDOWN     ? &OnDropDown
                                : header->code == DTN_CLOSEUP      ? &OnCloseUp
                                                                   : nullptr;
    if (event && *event) (*event)(this);
    return;
  }
  TWinControl::WndProc(message);
}

void TDateTimePicker::ColorChanged() {
  QPalette palette = edit_->palette();
  palette.setColor(QPalette::Base, ToQColor(Color()));
  edit_->setPalette(palette);
}

