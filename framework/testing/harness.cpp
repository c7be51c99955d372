#include "framework/testing/harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/grids.h"

// ---- TScriptedServices ----

int TScriptedServices::MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags) {
  int answer = (flags & 0x0F) == MB_OK ? IDOK : IDCANCEL;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  boxes.push_back({text, caption, flags, answer});
  if (whileShown) whileShown(boxes.back());
  return answer;
}

bool TScriptedServices::FileDialog(const TFileDialogRequest& request, std::vector<AnsiString>& files) {
  fileRequests.push_back(request);
  if (files_.empty()) return false;
  std::optional<std::vector<AnsiString>> next = files_.front();
  files_.pop_front();
  if (!next) return false;
  files = *next;
  return !files.empty();
}

bool TScriptedServices::OpenUrl(const AnsiString& url) {
  if (!IsOpenableUrl(url)) return false;
  openedUrls.push_back(url);
  return true;
}

// ---- harness ----

void harness::ChooseItem(TComboBox* combo, int index) {
  combo->ComboBox()->setCurrentIndex(index);
  Q_EMIT combo->ComboBox()->activated(index);
}

TForm* harness::ModalForm() {
  for (int i = Screen->FormCount() - 1; i >= 0; --i) {
    if (Screen->Forms(i)->Modal()) return Screen->Forms(i);
  }
  return nullptr;
}

namespace harness {

namespace {

QWidget* KeyTarget(TWinControl* control) {
  QWidget* w = control->Widget();
  if (QWidget* focus = QApplication::focusWidget(); focus && (focus == w || w->isAncestorOf(focus))) return focus;
  return w->focusProxy() ? w->focusProxy() : w;
}

void SendMouse(TControl* control, QEvent::Type type, Qt::MouseButton button, int x, int y) {
  QWidget* target = control->Widget();
  // A point inside a child widget (a combo's line edit, a memo's viewport)
  // goes to that child, as the window system would send it.
  if (QWidget* child = target->childAt(x, y)) {
    const QPoint p = child->mapFrom(target, QPoint(x, y));
    target = child;
    x = p.x();
    y = p.y();
  }
  const QPointF local(x, y);
  const QPointF global = target->mapToGlobal(local);
  const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
  QMouseEvent event(type, local, global, button, buttons, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &event);
}

// The text as shown: a single '&' marks the mnemonic and takes no room.
QString ShownText(QString text) {
  return text.replace("&&", QString(QChar(1))).remove('&').replace(QChar(1), '&');
}

// The room a control's widget gives its caption, or -1 for a widget that
// shows no caption of its own.
int CaptionRoom(QWidget* widget) {
  QStyle* style = widget->style();
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return style->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
  }
  if (auto* box = qobject_cast<QCheckBox*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(box);
    return style->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width();
  }
  if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(radio);
    return style->subElementRect(QStyle::SE_RadioButtonContents, &option, radio).width();
  }
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->contentsRect().width() - 2 * label->margin();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.text = group->title();
    option.subControls = QStyle::SC_GroupBoxLabel;
    const QRect frame = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, group);
    const QRect label = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
    return frame.right() - label.left();
  }
  return -1;
}

QString CaptionOf(QWidget* widget) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return ShownText(button->text());
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return ShownText(group->title());
  return {};
}

// The texts a grid draws that its cells cut: repainted with every text
// measured as it is drawn, in the font of that moment, by the flags it is
// drawn with. A cell shows one line; a text is cut when it needs more room
// across or down than its rectangle gives.
void CollectCutCellTexts(TCustomGrid* grid, std::vector<AnsiString>& cut) {
  TCanvas* canvas = grid->Canvas();
  auto told = std::move(canvas->OnCall);
  canvas->OnCall = [&](const TCanvasCall& call) {
    if (call.name != "DrawText" || call.text.empty() || call.args.size() < 5) return;
    const TRect room{call.args[0], call.args[1], call.args[2], call.args[3]};
    TRect needed = room;
    canvas->DrawText(call.text, needed, static_cast<unsigned>(call.args[4]) | DT_CALCRECT);
    if (needed.Width() > room.Width() || needed.Height() > room.Height()) {
      cut.push_back((grid->Name().empty() ? AnsiString("grid") : grid->Name()) + " cell \"" + call.text + "\": needs " + std::to_string(needed.Width()) + " x " +
                    std::to_string(needed.Height()) + " px, has " + std::to_string(room.Width()) + " x " +
                    std::to_string(room.Height()));
    }
  };
  grid->Repaint();
  canvas->OnCall = std::move(told);
}

void CollectCutCaptions(TControl* control, std::vector<AnsiString>& cut) {
  if (auto* grid = dynamic_cast<TCustomGrid*>(control); grid && grid->Widget() && grid->Widget()->isVisible())
    CollectCutCellTexts(grid, cut);
  QWidget* widget = control->Widget();
  const QString caption = CaptionOf(widget);
  const int room = caption.isEmpty() ? -1 : CaptionRoom(widget);
  if (room >= 0) {
    const int needed = QFontMetrics(widget->font()).horizontalAdvance(caption);
    if (needed > room) {
      cut.push_back(control->Name() + " \"" + caption.toStdString() + "\": needs " + std::to_string(needed) +
                    " px, has " + std::to_string(room));
    }
  }
  if (auto* parent = dynamic_cast<TWinControl*>(control))
    for (int i = 0; i < parent->ControlCount(); ++i) CollectCutCaptions(parent->Controls(i), cut);
}

}  // namespace

void ProcessEvents() { Application->ProcessMessages(); }

void WhenIdle(std::function<void()> fn) {
  QTimer::singleShot(0, qApp, [fn = std::move(fn)] { Application->Guard(nullptr, fn); });
}

void Click(TControl* control) { ClickAt(control, control->Width() / 2, control->Height() / 2); }

void ClickAt(TControl* control, int x, int y) {
  SendMouse(control, QEvent::MouseButtonPress, Qt::LeftButton, x, y);
  SendMouse(control, QEvent::MouseButtonRelease, Qt::LeftButton, x, y);
}

void DoubleClickAt(TControl* control, int x, int y) {
  ClickAt(control, x, y);
  SendMouse(control, QEvent::MouseButtonDblClick, Qt::LeftButton, x, y);
  SendMouse(control, QEvent::MouseButtonRelease, Qt::LeftButton, x, y);
}

void RightClickAt(TControl* control, int x, int y) {
  SendMouse(control, QEvent::MouseButtonPress, Qt::RightButton, x, y);
  SendMouse(control, QEvent::MouseButtonRelease, Qt::RightButton, x, y);
}

void PressKey(TWinControl* control, int qtKey, Qt::KeyboardModifiers modifiers) {
  QWidget* target = KeyTarget(control);
  QString text;
  if (qtKey == Qt::Key_Return) text = "\r";
  else if (qtKey == Qt::Key_Escape) text = QString(QChar(27));
  else if (qtKey == Qt::Key_Tab) text = "\t";
  else if (qtKey == Qt::Key_Backspace) text = "\b";
  QKeyEvent press(QEvent::KeyPress, qtKey, modifiers, text);
  QCoreApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, qtKey, modifiers, text);
  QCoreApplication::sendEvent(target, &release);
}

void TypeText(TWinControl* control, const AnsiString& text) {
  for (QChar c : QString::fromStdString(text)) {
    QWidget* target = KeyTarget(control);
    const int key = c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : c.unicode();
    const Qt::KeyboardModifiers modifiers = c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier;
    QKeyEvent press(QEvent::KeyPress, c.isLetter() && c.toUpper().unicode() <= 'Z' ? key : 0, modifiers, QString(c));
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, press.key(), modifiers, QString(c));
    QCoreApplication::sendEvent(target, &release);
  }
}

QImage Grab(TControl* control) {
  control->Update();
  return control->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TColor PixelAt(const QImage& image, int x, int y) {
  if (!image.valid(x, y)) return clNone;
  return FromQColor(image.pixelColor(x, y));
}

bool SaveScreenshot(TControl* control, const AnsiString& path) {
  return Grab(control).save(QString::fromStdString(path), "PNG");
}

std::vector<AnsiString> CutCaptions(TControl* root) {
  std::vector<AnsiString> cut;
  CollectCutCaptions(root, cut);
  return cut;
}

QByteArray RunServed(const QString& program, const QStringList& arguments, const QByteArray& input) {
  QProcess process;
  process.start(program, arguments);
  if (!input.isEmpty()) process.write(input);
  process.closeWriteChannel();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!process.waitForFinished(10) && std::chrono::steady_clock::now() < deadline)
    QCoreApplication::processEvents();
  return process.readAllStandardOutput();
}

}  // namespace harness
