#include "framework/services.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>

#include "framework/application.h"
#include "framework/resources.h"

namespace {

TQtServices& QtServices() {
  static TQtServices services;
  return services;
}

TServices* installed = nullptr;

QString ToQt(const AnsiString& s) { return QString::fromStdString(s); }

QString LineBreaks(const AnsiString& text) { return ToQt(text).replace("\r\n", "\n").replace('\r', '\n'); }

// A wildcard pattern as one Qt accepts, matching either case: "*.HEX" ->
// "*.[hH][eE][xX]".
QString CaseFreePattern(const QString& pattern) {
  QString out;
  for (QChar c : pattern) {
    if (c.isLetter() && c.toLower() != c.toUpper()) out += QString("[%1%2]").arg(c.toLower()).arg(c.toUpper());
    else out += c;
  }
  return out;
}

// Qt's filter string from "Description|*.A;*.B|...".
QString QtFilter(const AnsiString& filter) {
  const QStringList parts = ToQt(filter).split('|');
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) patterns << CaseFreePattern(p.trimmed());
    entries << QString("%1 (%2)").arg(parts[i], patterns.join(' '));
  }
  return entries.join(";;");
}

// A box or dialog waits for the user: it shows the arrow even while the
// application is busy, and the hourglass comes back once it has closed.
class ArrowWhileAsking {
 public:
  explicit ArrowWhileAsking(bool busy) : busy_(busy) {
    if (busy_) QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
  }
  ~ArrowWhileAsking() {
    if (busy_) QGuiApplication::restoreOverrideCursor();
  }
  ArrowWhileAsking(const ArrowWhileAsking&) = delete;
  ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;

 private:
  bool busy_;
};

// Room a window manager's title bar takes besides the caption: the icon and
// the buttons.
constexpr int kTitleBarExtras = 96;

// Makes a message box at least as wide as its caption needs, as the title
// bar shows it (the platform appends the application's name), so that a
// short text does not leave the caption cut. A spacer is the way to widen a
// QMessageBox, which sets its own size when shown.
void FitToCaption(QMessageBox& box) {
  QString title = box.windowTitle();
  const QString name = QGuiApplication::applicationDisplayName();
  const QString separator = QStringLiteral(" ") + QChar(0x2014) + QStringLiteral(" ");
  if (!name.isEmpty() && !title.endsWith(name)) title += separator + name;
  QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  font.setBold(true);
  const int width = QFontMetrics(font).horizontalAdvance(title) + kTitleBarExtras;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

}  // namespace

TServices& Services() { return installed ? *installed : QtServices(); }

void InstallServices(TServices* services) { installed = services; }

AnsiString FilterPatterns(const AnsiString& filter, int filterIndex) {
  const QStringList parts = ToQt(filter).split('|');
  const int index = 2 * (std::max(filterIndex, 1) - 1) + 1;
  return index < parts.size() ? parts[index].toStdString() : AnsiString("*");
}

bool MatchesFilter(const AnsiString& fileName, const AnsiString& patterns) {
  for (const QString& pattern : ToQt(patterns).split(';', Qt::SkipEmptyParts)) {
    const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern.trimmed()),
                                QRegularExpression::CaseInsensitiveOption);
    if (re.match(ToQt(fileName)).hasMatch()) return true;
  }
  return false;
}

AnsiString NamedClipboardFormat(const AnsiString& name) {
  return "application/x-qt-windows-mime;value=\"" + name + "\"";
}

bool IsOpenableUrl(const AnsiString& url) {
  const QUrl parsed(ToQt(url), QUrl::StrictMode);
  static const QStringList kSchemes = {"http", "https", "ftp", "mailto", "file"};
  return parsed.isValid() && kSchemes.contains(parsed.scheme().toLower());
}

// ---- Qt services ----

int TQtServices::MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags) {
  QMessageBox box;
  box.setWindowTitle(ToQt(caption));
  box.setText(LineBreaks(text));
  switch (flags & 0xF0) {
    case MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  struct Choice { QMessageBox::StandardButton button; int id; };
  std::vector<Choice> choices;
  switch (flags & 0x0F) {
    case MB_OKCANCEL: choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_ABORTRETRYIGNORE: choices = {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}}; break;
    case MB_YESNOCANCEL: choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_YESNO: choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    case MB_RETRYCANCEL: choices = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}; break;
    default: choices = {{QMessageBox::Ok, IDOK}}; break;
  }
  for (const Choice& c : choices) box.addButton(c.button);
  const size_t defaultIndex = (flags & MB_DEFBUTTON3) ? 2 : (flags & MB_DEFBUTTON2) ? 1 : 0;
  if (defaultIndex < choices.size()) box.setDefaultButton(choices[defaultIndex].button);
  FitToCaption(box);
  ArrowWhileAsking arrow(overridden_);
  const int answer = box.exec();
  for (const Choice& c : choices)
    if (answer == c.button) return c.id;
  // Closed without a button: Cancel, or OK for a box that only has OK.
  return choices.size() == 1 ? IDOK : IDCANCEL;
}

bool TQtServices::FileDialog(const TFileDialogRequest& request, std::vector<AnsiString>& files) {
  QFileDialog dialog(nullptr, ToQt(request.title), ToQt(request.initialDir), QtFilter(request.filter));
  // The list shows each filter's description as the caller wrote it; the
  // patterns that QtFilter appends for Qt to match stay out of sight.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile
                                  : request.allowMultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  if (!request.defaultExt.empty()) dialog.setDefaultSuffix(ToQt(request.defaultExt));
  const QStringList filters = dialog.nameFilters();
  if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
    dialog.selectNameFilter(filters[request.filterIndex - 1]);
  if (!request.fileName.empty()) dialog.selectFile(ToQt(request.fileName));
  ArrowWhileAsking arrow(overridden_);
  if (dialog.exec() != QDialog::Accepted) return false;
  files.clear();
  for (const QString& f : dialog.selectedFiles()) files.push_back(f.toStdString());
  return !files.empty();
}

bool TQtServices::OpenUrl(const AnsiString& url) {
  if (!IsOpenableUrl(url)) return false;
  return QDesktopServices::openUrl(QUrl(ToQt(url), QUrl::StrictMode));
}

AnsiString TQtServices::ClipboardText() { return QGuiApplication::clipboard()->text().toStdString(); }

void TQtServices::SetClipboardText(const AnsiString& text) { QGuiApplication::clipboard()->setText(ToQt(text)); }

namespace {
constexpr const char* kPlainText = "text/plain";
constexpr const char* kHtml = "text/html";
}  // namespace

void TQtServices::SetClipboardData(const TClipboardData& data) {
  auto* mime = new QMimeData;
  mime->setText(ToQt(data.text));
  if (!data.html.empty()) mime->setHtml(ToQt(data.html));
  for (const auto& [type, bytes] : data.formats)
    mime->setData(ToQt(type), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  QGuiApplication::clipboard()->setMimeData(mime);
}

TClipboardData TQtServices::ClipboardData() {
  TClipboardData data;
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (!mime) return data;
  data.text = mime->text().toStdString();
  if (mime->hasHtml()) data.html = mime->html().toStdString();
  for (const QString& type : mime->formats()) {
    // Text and HTML come in several spellings (charsets, X atoms); they
    // are read above.
    if (type.startsWith(kPlainText) || type.startsWith(kHtml) || !type.contains('/')) continue;
    const QByteArray bytes = mime->data(type);
    data.formats[type.toStdString()] = std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
  }
  return data;
}

void TQtServices::Beep() { QApplication::beep(); }

void TQtServices::SetScreenCursor(TCursor cursor) {
  if (overridden_) QGuiApplication::restoreOverrideCursor();
  overridden_ = cursor != crDefault;
  if (overridden_) QGuiApplication::setOverrideCursor(ToQCursor(cursor));
}

// ---- Free functions ----

int MessageBox(void*, const AnsiString& text, const AnsiString& caption, unsigned flags) {
  return Services().MessageBox(text, caption, flags);
}

void ShowMessage(const AnsiString& text) { Services().MessageBox(text, Application->Title(), MB_OK); }

void MessageBeep(unsigned) { Services().Beep(); }
