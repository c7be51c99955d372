#include "framework/dragdrop.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <map>
#include <new>

#include "framework/application.h"
#include "framework/codec.h"
#include "framework/sysutils.h"

// ---- Global memory and file lists ----

HGLOBAL GlobalAlloc(unsigned, std::size_t size) {
  try {
    auto block = std::make_shared<TGlobalBlock>();
    block->bytes.assign(size, 0);
    return block;
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::length_error&) {
    return nullptr;
  }
}

std::size_t GlobalSize(const HGLOBAL& block) { return block ? block->bytes.size() : 0; }

HGLOBAL GlobalFromBytes(const std::string& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (block) std::copy(bytes.begin(), bytes.end(), block->bytes.begin());
  return block;
}

std::string BlockText(const HGLOBAL& block) {
  if (!block) return {};
  const auto& bytes = block->bytes;
  return std::string(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
}

namespace {

std::string WideBytes(std::u16string_view units) {
  std::string bytes;
  for (const char16_t c : units) bytes += static_cast<char>(c & 0xFF), bytes += static_cast<char>(c >> 8);
  return bytes;
}

char16_t UnitAt(const unsigned char* bytes, std::size_t i) { return static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)); }

}  // namespace

HGLOBAL WideTextBlock(const AnsiString& text) { return GlobalFromBytes(WideBytes(Utf8ToWide(text) + u'\0')); }

AnsiString BlockWideText(const HGLOBAL& block) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < GlobalSize(block) && UnitAt(block->bytes.data(), i) != 0; i += 2)
    text += UnitAt(block->bytes.data(), i);
  return WideToUtf8(text);
}

void ReleaseStgMedium(STGMEDIUM& medium) { medium = STGMEDIUM{}; }

HGLOBAL DropFilesBlock(const std::vector<AnsiString>& files) {
  std::u16string names;
  for (const AnsiString& f : files) names += Utf8ToWide(f) + u'\0';
  names += u'\0';
  const DROPFILES header{sizeof(DROPFILES), 0, 0, 0, 1};
  return GlobalFromBytes(std::string(reinterpret_cast<const char*>(&header), sizeof header) + WideBytes(names));
}

std::vector<AnsiString> DropFilesNames(const HGLOBAL& block) {
  std::vector<AnsiString> names;
  const std::size_t size = GlobalSize(block);
  if (size < sizeof(DROPFILES)) return names;
  DROPFILES header;
  std::memcpy(&header, block->bytes.data(), sizeof header);
  const unsigned char* bytes = block->bytes.data();
  const std::size_t unit = header.fWide ? 2 : 1;
  std::size_t at = header.pFiles;
  // Each name needs at least its terminator, so the walk ends with the block.
  while (at + unit <= size) {
    std::u16string name;
    std::size_t end = at;
    auto charAt = [&](std::size_t i) { return unit == 2 ? UnitAt(bytes, i) : static_cast<char16_t>(bytes[i]); };
    while (end + unit <= size && charAt(end) != 0) name += charAt(end), end += unit;
    if (end + unit > size || name.empty()) break;  // unterminated, or the list's end
    names.push_back(unit == 2 ? WideToUtf8(name) : Win1252ToUtf8(std::string(name.begin(), name.end())));
    at = end + unit;
  }
  return names;
}

// ---- Format lists and memory data objects ----

HRESULT TFormatList::Next(unsigned count, FORMATETC* entries, unsigned* fetched) {
  unsigned copied = 0;
  while (copied < count && position_ < formats_.size()) entries[copied++] = formats_[position_++];
  if (fetched) *fetched = copied;
  return copied == count ? S_OK : S_FALSE;
}

HRESULT TFormatList::Skip(unsigned count) {
  const std::size_t left = formats_.size() - position_;
  position_ += std::min<std::size_t>(count, left);
  return count <= left ? S_OK : S_FALSE;
}

HRESULT TFormatList::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT TFormatList::Clone(std::shared_ptr<IEnumFORMATETC>* copy) {
  if (!copy) return E_INVALIDARG;
  *copy = std::make_shared<TFormatList>(formats_, position_);
  return S_OK;
}

void TMemoryDataObject::Add(unsigned short format, HGLOBAL block) { blocks_.emplace_back(format, std::move(block)); }

const HGLOBAL* TMemoryDataObject::Find(unsigned short format) const {
  for (const auto& [cf, block] : blocks_)
    if (cf == format) return &block;
  return nullptr;
}

HRESULT TMemoryDataObject::QueryGetData(const FORMATETC& format) {
  if (format.dwAspect != DVASPECT_CONTENT || !(format.tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
  return Find(format.cfFormat) ? S_OK : DV_E_FORMATETC;
}

HRESULT TMemoryDataObject::GetData(const FORMATETC& format, STGMEDIUM& medium) {
  medium = STGMEDIUM{};
  if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
  const HGLOBAL& block = *Find(format.cfFormat);
  // A copy: the receiver may keep or change it.
  medium.hGlobal = block ? std::make_shared<TGlobalBlock>(*block) : GlobalAlloc(GMEM_MOVEABLE, 0);
  medium.tymed = TYMED_HGLOBAL;
  return S_OK;
}

HRESULT TMemoryDataObject::GetCanonicalFormatEtc(const FORMATETC&, FORMATETC& out) {
  out.ptd = nullptr;
  return E_NOTIMPL;
}

HRESULT TMemoryDataObject::EnumFormatEtc(DWORD direction, std::shared_ptr<IEnumFORMATETC>* formats) {
  if (!formats) return E_INVALIDARG;
  formats->reset();
  if (direction != DATADIR_GET) return E_NOTIMPL;
  std::vector<FORMATETC> list;
  for (const auto& entry : blocks_) list.push_back(FORMATETC{entry.first});
  *formats = std::make_shared<TFormatList>(std::move(list));
  return S_OK;
}

HRESULT TMemoryDataObject::EnumDAdvise(void** advises) {
  if (advises) *advises = nullptr;
  return OLE_E_ADVISENOTSUPPORTED;
}

// ---- Registered formats ----

namespace {

std::vector<AnsiString>& RegisteredNames() {
  static std::vector<AnsiString> names;
  return names;
}

constexpr unsigned short kFirstRegisteredFormat = 0xC000;

}  // namespace

unsigned short RegisterClipboardFormatA(const AnsiString& name) {
  if (name.empty()) return 0;
  std::vector<AnsiString>& names = RegisteredNames();
  for (std::size_t i = 0; i < names.size(); ++i)
    if (SameText(names[i], name)) return static_cast<unsigned short>(kFirstRegisteredFormat + i);
  names.push_back(name);
  return static_cast<unsigned short>(kFirstRegisteredFormat + names.size() - 1);
}

AnsiString ClipboardFormatName(unsigned short format) {
  const std::vector<AnsiString>& names = RegisteredNames();
  if (format < kFirstRegisteredFormat || format - kFirstRegisteredFormat >= static_cast<int>(names.size())) return {};
  return names[format - kFirstRegisteredFormat];
}

// ---- Between data objects and MIME data ----

namespace {

std::string BytesOf(const QByteArray& bytes) { return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())); }

HGLOBAL RenderedBlock(IDataObject& data, unsigned short format) {
  STGMEDIUM medium;
  if (data.GetData(FORMATETC{format}, medium) != S_OK || medium.tymed != TYMED_HGLOBAL) return nullptr;
  return medium.hGlobal;
}

}  // namespace

std::shared_ptr<IDataObject> DataObjectFromMime(const QMimeData& mime) {
  auto data = std::make_shared<TMemoryDataObject>();
  if (mime.hasText()) {
    const QString text = mime.text();
    data->Add(CF_TEXT, GlobalFromBytes(Utf8ToWin1252(text.toStdString()) + '\0'));
    data->Add(CF_UNICODETEXT, WideTextBlock(text.toStdString()));
  }
  if (mime.hasFormat(kRichTextMimeType))
    data->Add(RegisterClipboardFormatA(kRichTextFormatName), GlobalFromBytes(BytesOf(mime.data(kRichTextMimeType))));
  if (mime.hasFormat(kColumnMimeType))
    data->Add(RegisterClipboardFormatA(kColumnFormatName), GlobalFromBytes(BytesOf(mime.data(kColumnMimeType))));
  std::vector<AnsiString> files;
  for (const QUrl& url : mime.urls())
    if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
  if (!files.empty()) data->Add(CF_HDROP, DropFilesBlock(files));
  return data;
}

QMimeData* MimeFromDataObject(IDataObject& data) {
  auto* mime = new QMimeData;
  std::shared_ptr<IEnumFORMATETC> formats;
  if (data.EnumFormatEtc(DATADIR_GET, &formats) != S_OK || !formats) return mime;
  const unsigned short richText = RegisterClipboardFormatA(kRichTextFormatName);
  const unsigned short column = RegisterClipboardFormatA(kColumnFormatName);
  FORMATETC entry;
  unsigned fetched = 0;
  // A source lists each format once; the bound keeps a faulty one finite.
  for (int i = 0; i < 64 && formats->Next(1, &entry, &fetched) == S_OK && fetched == 1; ++i) {
    if (data.QueryGetData(entry) != S_OK) continue;
    const HGLOBAL block = RenderedBlock(data, entry.cfFormat);
    if (!block) continue;
    if (entry.cfFormat == CF_UNICODETEXT) {
      mime->setText(QString::fromStdString(BlockWideText(block)));
    } else if (entry.cfFormat == CF_TEXT && !mime->hasText()) {
      mime->setText(QString::fromStdString(Win1252ToUtf8(BlockText(block))));
    } else if (entry.cfFormat == richText) {
      mime->setData(kRichTextMimeType, QByteArray::fromStdString(BlockText(block)));
    } else if (entry.cfFormat == column) {
      mime->setData(kColumnMimeType, QByteArray(reinterpret_cast<const char*>(block->bytes.data()),
                                                static_cast<qsizetype>(block->bytes.size())));
    } else if (entry.cfFormat == CF_HDROP) {
      QList<QUrl> urls;
      for (const AnsiString& f : DropFilesNames(block)) urls.append(QUrl::fromLocalFile(QString::fromStdString(f)));
      mime->setUrls(urls);
    }
  }
  return mime;
}

// ---- Drop targets and Qt's drags ----

namespace {

DWORD EffectsOf(Qt::DropActions actions) {
  DWORD effects = DROPEFFECT_NONE;
  if (actions & Qt::CopyAction) effects |= DROPEFFECT_COPY;
  if (actions & Qt::MoveAction) effects |= DROPEFFECT_MOVE;
  return effects;
}

Qt::DropActions ActionsOf(DWORD effects) {
  Qt::DropActions actions;
  if (effects & DROPEFFECT_COPY) actions |= Qt::CopyAction;
  if (effects & DROPEFFECT_MOVE) actions |= Qt::MoveAction;
  return actions;
}

DWORD KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  DWORD keys = 0;
  if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
  if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
  if (modifiers & Qt::ShiftModifier) keys |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) keys |= MK_CONTROL;
  return keys;
}

class TQtDragService : public TDragService {
 public:
  HRESULT DoDragDrop(TControl* origin, const std::shared_ptr<IDataObject>& data, IDropSource* source,
                     DWORD allowedEffects, DWORD* effect) override {
    QWidget* widget = origin && origin->Widget() ? origin->Widget() : QApplication::activeWindow();
    DWORD chosen = DROPEFFECT_NONE;
    // Until a target answers, the drag would drop nowhere.
    source->GiveFeedback(DROPEFFECT_NONE);
    if (widget) {
      auto* drag = new QDrag(widget);
      drag->setMimeData(MimeFromDataObject(*data));
      QObject::connect(drag, &QDrag::actionChanged,
                       [source](Qt::DropAction action) { source->GiveFeedback(EffectsOf(action)); });
      // Qt runs the drag loop itself; the source still sees each step.
      QTimer steps;
      QObject::connect(&steps, &QTimer::timeout, [source] {
        source->QueryContinueDrag(false, KeyStateOf(QApplication::mouseButtons(), QApplication::keyboardModifiers()));
      });
      steps.start(20);
      chosen = EffectsOf(drag->exec(ActionsOf(allowedEffects))) & allowedEffects;
      source->GiveFeedback(chosen);
    }
    if (effect) *effect = chosen;
    return chosen == DROPEFFECT_NONE ? DRAGDROP_S_CANCEL : DRAGDROP_S_DROP;
  }
};

TDragService* installed = nullptr;

// Hands Qt's drag events of a control's widget to its registered target.
class DropBridge : public QObject {
 public:
  DropBridge(TControl* control, std::shared_ptr<IDropTarget> target, QObject* parent)
      : QObject(parent), control_(control), target_(std::move(target)) {
    setObjectName(kName);
  }
  static constexpr const char* kName = "drop-bridge";
  const std::shared_ptr<IDropTarget>& Target() const { return target_; }
  bool eventFilter(QObject*, QEvent* event) override {
    bool filtered = false;
    Application->Guard(control_, [&] { filtered = Handle(event); });
    return filtered;
  }

 private:
  bool Handle(QEvent* event) {
    switch (event->type()) {
      case QEvent::DragEnter: {
        auto* e = static_cast<QDropEvent*>(event);
        data_ = DataObjectFromMime(*e->mimeData());
        DWORD effect = EffectsOf(e->possibleActions());
        target_->DragEnter(data_, KeyStateOf(*e), ScreenPoint(*e), &effect);
        // Qt follows with a move at once, which decides the effect.
        e->accept();
        return true;
      }
      case QEvent::DragMove: {
        auto* e = static_cast<QDropEvent*>(event);
        DWORD effect = EffectsOf(e->possibleActions());
        target_->DragOver(KeyStateOf(*e), ScreenPoint(*e), &effect);
        Answer(*e, effect);
        return true;
      }
      case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        DWORD effect = EffectsOf(e->possibleActions());
        const DWORD allowed = effect;
        target_->Drop(data_ ? data_ : DataObjectFromMime(*e->mimeData()), KeyStateOf(*e), ScreenPoint(*e), &effect);
        data_.reset();
        Answer(*e, effect & allowed);
        return true;
      }
      case QEvent::DragLeave:
        data_.reset();
        target_->DragLeave();
        return true;
      default: return false;
    }
  }

  static DWORD KeyStateOf(const QDropEvent& e) { return ::KeyStateOf(e.buttons(), e.modifiers()); }
  TPoint ScreenPoint(const QDropEvent& e) const {
    const QPoint global = control_->Widget()->mapToGlobal(e.position().toPoint());
    return {global.x(), global.y()};
  }
  static void Answer(QDropEvent& e, DWORD effect) {
    if (effect == DROPEFFECT_NONE) {
      e.ignore();
      return;
    }
    e.setDropAction((effect & DROPEFFECT_MOVE) ? Qt::MoveAction : Qt::CopyAction);
    e.accept();
  }

  TControl* control_;
  std::shared_ptr<IDropTarget> target_;
  std::shared_ptr<IDataObject> data_;
};

DropBridge* BridgeOf(TControl* control) {
  QWidget* w = control ? control->Widget() : nullptr;
  if (!w) return nullptr;
  // Found by name: without a meta-object of its own every child would match.
  return static_cast<DropBridge*>(w->findChild<QObject*>(DropBridge::kName, Qt::FindDirectChildrenOnly));
}

}  // namespace

HRESULT RegisterDragDrop(TControl* control, std::shared_ptr<IDropTarget> target) {
  QWidget* w = control ? control->Widget() : nullptr;
  if (!w || !target) return E_INVALIDARG;
  delete BridgeOf(control);
  w->installEventFilter(new DropBridge(control, std::move(target), w));
  w->setAcceptDrops(true);
  return S_OK;
}

HRESULT RevokeDragDrop(TControl* control) {
  DropBridge* bridge = BridgeOf(control);
  if (!bridge) return E_INVALIDARG;
  control->Widget()->setAcceptDrops(false);
  delete bridge;
  return S_OK;
}

std::shared_ptr<IDropTarget> RegisteredDropTarget(TControl* control) {
  DropBridge* bridge = BridgeOf(control);
  return bridge ? bridge->Target() : nullptr;
}

TDragService& DragService() {
  static TQtDragService qt;
  return installed ? *installed : qt;
}

void InstallDragService(TDragService* service) { installed = service; }

HRESULT DoDragDrop(const std::shared_ptr<IDataObject>& data, IDropSource* source, DWORD allowedEffects,
                   DWORD* effect, TControl* origin) {
  if (!data || !source) {
    if (effect) *effect = DROPEFFECT_NONE;
    return E_INVALIDARG;
  }
  return DragService().DoDragDrop(origin, data, source, allowedEffects, effect);
}
