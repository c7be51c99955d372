#include "grid/zgdd.h"

#include <cstring>

#include "framework/codec.h"

namespace {

bool rtfAware = false;

// More entries than any data object lists: a foreign enumerator that never
// ends is cut off there.
constexpr int kMaxFormatEntries = 256;

FORMATETC SourceEntry(unsigned short cf) { return FORMATETC{cf, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

}  // namespace

void SetRTFAware(bool aware) { rtfAware = aware; }

bool RTFAware() { return rtfAware; }

unsigned short RTFFormat() {
  static const unsigned short format = RegisterClipboardFormatA(kRichTextFormatName);
  return format;
}

unsigned short ColumnFormat() {
  static const unsigned short format = RegisterClipboardFormatA(kColumnFormatName);
  return format;
}

DWORD StandardEffect(DWORD keyState, DWORD allowed) {
  if (keyState & MK_CONTROL) return DROPEFFECT_COPY;
  return (allowed & DROPEFFECT_MOVE) ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
}

// ---- TEnumFormats ----

TEnumFormats::TEnumFormats(std::shared_ptr<IDataObject> dataObject) {
  RTFFormat();
  ColumnFormat();
  SetDataObject(std::move(dataObject));
}

TEnumFormats::~TEnumFormats() = default;

void TEnumFormats::SetDataObject(std::shared_ptr<IDataObject> dataObject) {
  data_ = std::move(dataObject);
  formats_.reset();
  if (data_ && (data_->EnumFormatEtc(DATADIR_GET, &formats_) != S_OK || !formats_))
    throw EAssertionFailed("Cannot get the format enumerator");
  Reset();
}

bool TEnumFormats::Reset() {
  valid_ = false;
  read_ = 0;
  return formats_ && formats_->Reset() == S_OK;
}

bool TEnumFormats::Next() {
  ++read_;
  unsigned fetched = 0;
  valid_ = formats_ && formats_->Next(1, &entry_, &fetched) >= S_OK && fetched == 1;
  return valid_;
}

bool TEnumFormats::HasFormat(unsigned short cf) {
  Reset();
  while (read_ < kMaxFormatEntries && Next())
    if (entry_.cfFormat == cf) return true;
  valid_ = false;
  return false;
}

HGLOBAL TEnumFormats::Handle(DWORD tymed) {
  if (!valid_ || !data_ || (entry_.tymed & tymed) != tymed) return nullptr;
  FORMATETC wanted = entry_;
  wanted.tymed = tymed;
  STGMEDIUM medium;
  if (data_->GetData(wanted, medium) != S_OK || medium.tymed != TYMED_HGLOBAL) return nullptr;
  return medium.hGlobal;
}

int TEnumFormats::SomeInt(unsigned short cf) {
  if (!HasFormat(cf)) return -1;
  const HGLOBAL block = GlobalHandle();
  std::int32_t value;
  if (GlobalSize(block) < sizeof value) return -1;
  std::memcpy(&value, block->bytes.data(), sizeof value);
  return value;
}

AnsiString TEnumFormats::SomeText(unsigned short cf) { return HasFormat(cf) ? BlockText(GlobalHandle()) : AnsiString(); }

AnsiString TEnumFormats::Text() {
  // The 8-bit text holds only what the Windows code page can; the Unicode
  // text, when offered, holds all of it.
  if (HasFormat(CF_UNICODETEXT))
    if (const HGLOBAL block = GlobalHandle()) return BlockWideText(block);
  return Win1252ToUtf8(SomeText(CF_TEXT));
}

bool TEnumFormats::SomeFiles(TStrings& list) {
  list.Clear();
  for (const AnsiString& name : DropFilesNames(GlobalHandle())) list.Add(name);
  return list.Count() > 0;
}

// ---- TZurDropTarget ----

HRESULT TZurDropTarget::DragEnter(const std::shared_ptr<IDataObject>& data, DWORD keyState, TPoint, DWORD* effect) {
  TEnumFormats formats(data);
  DropFormats = 0;
  if (formats.HasText()) DropFormats |= DropFormatBit(dfText);
  if (formats.HasFile()) DropFormats |= DropFormatBit(dfFile);
  if (formats.HasRTF()) DropFormats |= DropFormatBit(dfRTF);
  if (formats.HasCol()) DropFormats |= DropFormatBit(dfCol);
  auto offered = [this](TDropFormat f) { return (DropFormats & DropFormatBit(f)) != 0; };
  accept_ = (offered(dfText) && AcceptText) || (offered(dfFile) && AcceptFiles) ||
            (offered(dfRTF) && RTFAware() && AcceptText) || (offered(dfCol) && AcceptCols);
  if (effect) *effect = accept_ ? StandardEffect(keyState, *effect) : DROPEFFECT_NONE;
  return S_OK;
}

HRESULT TZurDropTarget::DragOver(DWORD keyState, TPoint point, DWORD* effect) {
  const DWORD allowed = effect ? *effect : DROPEFFECT_NONE;
  DWORD chosen = accept_ ? StandardEffect(keyState, allowed) : DROPEFFECT_NONE;
  bool allow = chosen != DROPEFFECT_NONE;
  DragMouseMove(point, allow, DropFormats);
  if (!allow) chosen = DROPEFFECT_NONE;
  if (effect) *effect = chosen;
  return S_OK;
}

HRESULT TZurDropTarget::DragLeave() {
  DragMouseLeave();
  return S_OK;
}

HRESULT TZurDropTarget::Drop(const std::shared_ptr<IDataObject>& data, DWORD keyState, TPoint point, DWORD* effect) {
  const DWORD allowed = effect ? *effect : DROPEFFECT_NONE;
  if (!accept_) {
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  TEnumFormats formats(data);
  if (formats.HasCol()) {
    DropCol(point, formats.Col());
  } else {
    if (formats.HasRTF() && RTFAware())
      DropRTF(point, formats.RTF());
    else if (formats.HasText())
      DropText(point, formats.Text());
    if (formats.HasFile()) {
      formats.SomeFiles(formats.Files());
      DropFiles(point, formats.Files());
    }
  }
  if (effect) *effect = StandardEffect(keyState, allowed);
  return S_OK;
}

// ---- TZurDropSource ----

HRESULT TZurDropSource::QueryContinueDrag(bool escapePressed, DWORD keyState) {
  HRESULT result = S_OK;
  if (escapePressed)
    result = DRAGDROP_S_CANCEL;
  else if (!(keyState & MK_LBUTTON))
    result = DRAGDROP_S_DROP;
  QueryDrag();
  return result;
}

HRESULT TZurDropSource::GiveFeedback(DWORD effect) {
  lastNone_ = effect == DROPEFFECT_NONE;
  CurrentEffect(effect);
  return DRAGDROP_S_USEDEFAULTCURSORS;
}

// ---- TSourceDataObject ----

HRESULT TSourceDataObject::QueryGetData(const FORMATETC& format) {
  if (format.dwAspect != DVASPECT_CONTENT || format.tymed != TYMED_HGLOBAL) return DV_E_FORMATETC;
  const unsigned short cf = format.cfFormat;
  if ((cf == CF_TEXT || cf == CF_UNICODETEXT) && !text_.empty()) return S_OK;
  if (cf == RTFFormat() && !text_.empty() && RTFAware()) return S_OK;
  if (cf == ColumnFormat() && column_ != -1) return S_OK;
  return DV_E_FORMATETC;
}

HRESULT TSourceDataObject::GetData(const FORMATETC& format, STGMEDIUM& medium) {
  medium = STGMEDIUM{};
  if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
  std::string bytes;
  const unsigned short cf = format.cfFormat;
  if (cf == CF_TEXT) {
    bytes = Utf8ToWin1252(text_) + '\0';
  } else if (cf == CF_UNICODETEXT) {
    // From the cell text itself: the code page would lose what it lacks.
    const HGLOBAL wide = WideTextBlock(text_);
    if (!wide) return DV_E_FORMATETC;
    bytes.assign(wide->bytes.begin(), wide->bytes.end());
  } else if (cf == RTFFormat()) {
    bytes = rtf_ + '\0';
  } else {
    const std::int32_t column = column_;
    bytes.assign(reinterpret_cast<const char*>(&column), sizeof column);
  }
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, bytes.size());
  if (!block) return DV_E_FORMATETC;
  std::copy(bytes.begin(), bytes.end(), block->bytes.begin());
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = std::move(block);
  return S_OK;
}

HRESULT TSourceDataObject::GetCanonicalFormatEtc(const FORMATETC&, FORMATETC& out) {
  out.ptd = nullptr;
  return E_NOTIMPL;
}

HRESULT TSourceDataObject::EnumFormatEtc(DWORD direction, std::shared_ptr<IEnumFORMATETC>* formats) {
  if (!formats) return E_INVALIDARG;
  formats->reset();
  if (direction != DATADIR_GET) return E_NOTIMPL;
  *formats = std::make_shared<TSourceEnumFormatEtc>(column_ != -1);
  return S_OK;
}

HRESULT TSourceDataObject::EnumDAdvise(void** advises) {
  if (advises) *advises = nullptr;
  return OLE_E_ADVISENOTSUPPORTED;
}

// ---- TSourceEnumFormatEtc ----

HRESULT TSourceEnumFormatEtc::Next(unsigned count, FORMATETC* entries, unsigned* fetched) {
  const unsigned short formats[] = {CF_TEXT, CF_UNICODETEXT, RTFFormat(), ColumnFormat()};
  unsigned copied = 0;
  while (copied < count && position_ < Count()) entries[copied++] = SourceEntry(formats[position_++]);
  if (fetched) *fetched = copied;
  return copied == count ? S_OK : S_FALSE;
}

HRESULT TSourceEnumFormatEtc::Skip(unsigned count) {
  const unsigned left = Count() - position_;
  position_ += std::min(count, left);
  return count <= left ? S_OK : S_FALSE;
}

HRESULT TSourceEnumFormatEtc::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT TSourceEnumFormatEtc::Clone(std::shared_ptr<IEnumFORMATETC>* copy) {
  if (!copy) return E_INVALIDARG;
  *copy = std::make_shared<TSourceEnumFormatEtc>(withColumn_, position_);
  return S_OK;
}

// ---- Starting a drag ----

namespace {

HRESULT StartDrag(TZurDropSource& source, std::shared_ptr<IDataObject> data, DWORD allowedEffects, DWORD& effect) {
  const HRESULT result = DoDragDrop(data, &source, allowedEffects, &effect, source.Origin());
  return source.LastFeedbackNone() ? DRAGDROP_S_CANCEL : result;
}

}  // namespace

HRESULT StartTextDoDragDrop(TZurDropSource& source, const AnsiString& text, const AnsiString& rtf,
                            DWORD allowedEffects, DWORD& effect) {
  return StartDrag(source, std::make_shared<TSourceDataObject>(text, rtf, -1), allowedEffects, effect);
}

HRESULT StartColDoDragDrop(TZurDropSource& source, int column, DWORD allowedEffects, DWORD& effect) {
  return StartDrag(source, std::make_shared<TSourceDataObject>("", "", column), allowedEffects, effect);
}
