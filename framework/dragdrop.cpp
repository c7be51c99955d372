#include "framework/dragdrop.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "framework/application.h"
#include "framework/codec.h"

namespace {

QString FromAnsi(const AnsiString& s) { return QString::fromStdString(Win1252ToUtf8(s)); }
AnsiString ToAnsi(const QString& s) { return Utf8ToWin1252(s.toStdString(), '?'); }

QMimeData* ToMime(const TDragData& data) {
  auto* mime = new QMimeData;
  if (!data.Text.empty()) mime->setText(FromAnsi(data.Text));
  if (!data.RichText.empty()) mime->setData("text/rtf", QByteArray::fromStdString(data.RichText));
  if (data.Column >= 0) mime->setData(kColumnMimeType, QByteArray::number(data.Column));
  QList<QUrl> urls;
  for (const AnsiString& f : data.Files) urls.append(QUrl::fromLocalFile(FromAnsi(f)));
  if (!urls.isEmpty()) mime->setUrls(urls);
  return mime;
}

TDragData FromMime(const QMimeData& mime) {
  TDragData data;
  if (mime.hasText()) data.Text = ToAnsi(mime.text());
  if (mime.hasFormat("text/rtf")) data.RichText = mime.data("text/rtf").toStdString();
  if (mime.hasFormat(kColumnMimeType)) {
    bool ok = false;
    const int column = mime.data(kColumnMimeType).toInt(&ok);
    if (ok && column >= 0) data.Column = column;
  }
  for (const QUrl& url : mime.urls())
    if (url.isLocalFile()) data.Files.push_back(ToAnsi(url.toLocalFile()));
  return data;
}

int EffectsOf(Qt::DropActions actions) {
  int effects = DROPEFFECT_NONE;
  if (actions & Qt::CopyAction) effects |= DROPEFFECT_COPY;
  if (actions & Qt::MoveAction) effects |= DROPEFFECT_MOVE;
  return effects;
}

Qt::DropActions ActionsOf(int effects) {
  Qt::DropActions actions;
  if (effects & DROPEFFECT_COPY) actions |= Qt::CopyAction;
  if (effects & DROPEFFECT_MOVE) actions |= Qt::MoveAction;
  return actions;
}

unsigned KeyStateOf(const QDropEvent& e) {
  unsigned keys = 0;
  if (e.buttons() & Qt::LeftButton) keys |= MK_LBUTTON;
  if (e.buttons() & Qt::RightButton) keys |= MK_RBUTTON;
  if (e.modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
  if (e.modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
  return keys;
}

class TQtDragService : public TDragService {
 public:
  int DoDragDrop(TControl* source, const TDragData& data, int allowedEffects) override {
    if (!source || !source->Widget()) return DROPEFFECT_NONE;
    auto* drag = new QDrag(source->Widget());
    drag->setMimeData(ToMime(data));
    return EffectsOf(drag->exec(ActionsOf(allowedEffects)));
  }
};

TDragService* installed = nullptr;

// Feeds Qt's drag events of a control's widget into drag messages.
class DropBridge : public QObject {
 public:
  DropBridge(TControl* control, QObject* parent) : QObject(parent), control_(control) {
    setObjectName(kName);
  }
  static constexpr const char* kName = "drop-bridge";
  bool eventFilter(QObject*, QEvent* event) override {
    bool filtered = false;
    Application->Guard(control_, [&] { filtered = Handle(event); });
    return filtered;
  }

 private:
  bool Handle(QEvent* event) {
    switch (event->type()) {
      case QEvent::DragEnter: return Deliver(CM_DRAGENTER, static_cast<QDropEvent*>(event));
      case QEvent::DragMove: return Deliver(CM_DRAGOVER, static_cast<QDropEvent*>(event));
      case QEvent::Drop: return Deliver(CM_DROP, static_cast<QDropEvent*>(event));
      case QEvent::DragLeave: {
        TDropInfo info;
        SendDropMessage(control_, CM_DRAGLEAVE, info);
        return true;
      }
      default: return false;
    }
  }

  bool Deliver(unsigned msg, QDropEvent* e) {
    const TDragData data = FromMime(*e->mimeData());
    TDropInfo info;
    info.Data = &data;
    const QPoint global = control_->Widget()->mapToGlobal(e->position().toPoint());
    info.ScreenPos = {global.x(), global.y()};
    info.KeyState = KeyStateOf(*e);
    info.Allowed = EffectsOf(e->possibleActions());
    const int effect = SendDropMessage(control_, msg, info);
    if (effect == DROPEFFECT_NONE) {
      e->ignore();
    } else {
      e->setDropAction((effect & DROPEFFECT_MOVE) ? Qt::MoveAction : Qt::CopyAction);
      e->accept();
    }
    return true;
  }
  TControl* control_;
};

}  // namespace

void SetAcceptDrops(TControl* control, bool accept) {
  QWidget* w = control ? control->Widget() : nullptr;
  if (!w) return;
  w->setAcceptDrops(accept);
  // Found by name: without a meta-object of its own every child would match.
  QObject* bridge = w->findChild<QObject*>(DropBridge::kName, Qt::FindDirectChildrenOnly);
  if (accept && !bridge) w->installEventFilter(new DropBridge(control, w));
  if (!accept && bridge) delete bridge;
}

int SendDropMessage(TControl* control, unsigned msg, TDropInfo& info) {
  info.Effect = DROPEFFECT_NONE;
  control->Perform(msg, 0, reinterpret_cast<LPARAM>(&info));
  if (msg == CM_DRAGLEAVE) return DROPEFFECT_NONE;
  // Only an allowed effect counts.
  return info.Effect & info.Allowed;
}

TDragService& DragService() {
  static TQtDragService qt;
  return installed ? *installed : qt;
}

void InstallDragService(TDragService* service) { installed = service; }
