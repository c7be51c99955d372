#pragma once
// Drag and drop between controls and with other programs, in the shape of
// the OLE services the grid was written against: data objects that list
// their formats and render them into global memory blocks, drop targets
// registered for a control, drop sources asked on every step whether the
// drag goes on, and DoDragDrop. Under it a replaceable drag service runs
// the drag: Qt's in the program (formats travel as MIME types), a scripted
// one in tests.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"

using DWORD = std::uint32_t;
using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT DV_E_FORMATETC = static_cast<HRESULT>(0x80040064u);
inline constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = static_cast<HRESULT>(0x80040003u);
inline constexpr HRESULT DRAGDROP_S_DROP = 0x00040100;
inline constexpr HRESULT DRAGDROP_S_CANCEL = 0x00040101;
inline constexpr HRESULT DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102;

inline constexpr DWORD DROPEFFECT_NONE = 0;
inline constexpr DWORD DROPEFFECT_COPY = 1;
inline constexpr DWORD DROPEFFECT_MOVE = 2;

// Standard clipboard formats; registered ones count from 0xC000.
inline constexpr unsigned short CF_TEXT = 1;
inline constexpr unsigned short CF_UNICODETEXT = 13;
inline constexpr unsigned short CF_HDROP = 15;

inline constexpr DWORD DVASPECT_CONTENT = 1;
inline constexpr DWORD DVASPECT_THUMBNAIL = 2;
inline constexpr DWORD TYMED_HGLOBAL = 1;
inline constexpr DWORD TYMED_ISTREAM = 4;
inline constexpr DWORD DATADIR_GET = 1;
inline constexpr DWORD DATADIR_SET = 2;

inline constexpr unsigned GMEM_MOVEABLE = 0x0002;
inline constexpr unsigned GMEM_ZEROINIT = 0x0040;
inline constexpr unsigned GMEM_DDESHARE = 0x2000;

// A global memory block. The handle shares the block; null is no block.
struct TGlobalBlock {
  std::vector<unsigned char> bytes;
};
using HGLOBAL = std::shared_ptr<TGlobalBlock>;
// A zero-filled block of size bytes; null when the memory is not there.
HGLOBAL GlobalAlloc(unsigned flags, std::size_t size);
std::size_t GlobalSize(const HGLOBAL& block);
// A block holding the bytes, for data objects that render ready data.
HGLOBAL GlobalFromBytes(const std::string& bytes);
// The bytes of a block up to its first zero (or its end).
std::string BlockText(const HGLOBAL& block);
// A block of the UTF-16 units of a UTF-8 text and a zero unit, low byte
// first; and its text read back up to the first zero unit.
HGLOBAL WideTextBlock(const AnsiString& text);
AnsiString BlockWideText(const HGLOBAL& block);

struct FORMATETC {
  unsigned short cfFormat = 0;
  void* ptd = nullptr;
  DWORD dwAspect = DVASPECT_CONTENT;
  std::int32_t lindex = -1;
  DWORD tymed = TYMED_HGLOBAL;
};

struct STGMEDIUM {
  DWORD tymed = 0;
  HGLOBAL hGlobal;
  void* pUnkForRelease = nullptr;
};
void ReleaseStgMedium(STGMEDIUM& medium);

// The header of a file list block (CF_HDROP): the names follow at pFiles,
// each zero-terminated, the list ended by an empty name; UTF-16 when fWide.
struct DROPFILES {
  std::uint32_t pFiles;
  std::int32_t ptX;
  std::int32_t ptY;
  std::int32_t fNC;
  std::int32_t fWide;
};
static_assert(sizeof(DROPFILES) == 20);

// A file list block of UTF-16 names.
HGLOBAL DropFilesBlock(const std::vector<AnsiString>& files);
// The names of a file list block. Every read stays inside the block: an
// offset past its end, a name without terminator or a list without its
// empty end name give the names that lie wholly inside.
std::vector<AnsiString> DropFilesNames(const HGLOBAL& block);

class IEnumFORMATETC {
 public:
  virtual ~IEnumFORMATETC() = default;
  virtual HRESULT Next(unsigned count, FORMATETC* entries, unsigned* fetched) = 0;
  virtual HRESULT Skip(unsigned count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(std::shared_ptr<IEnumFORMATETC>* copy) = 0;
};

class IDataObject {
 public:
  virtual ~IDataObject() = default;
  virtual HRESULT GetData(const FORMATETC& format, STGMEDIUM& medium) = 0;
  virtual HRESULT GetDataHere(const FORMATETC& format, STGMEDIUM& medium) = 0;
  virtual HRESULT QueryGetData(const FORMATETC& format) = 0;
  virtual HRESULT GetCanonicalFormatEtc(const FORMATETC& in, FORMATETC& out) = 0;
  virtual HRESULT SetData(const FORMATETC& format, STGMEDIUM& medium, bool release) = 0;
  virtual HRESULT EnumFormatEtc(DWORD direction, std::shared_ptr<IEnumFORMATETC>* formats) = 0;
  virtual HRESULT DAdvise(const FORMATETC& format, DWORD flags, void* sink, DWORD* connection) = 0;
  virtual HRESULT DUnadvise(DWORD connection) = 0;
  virtual HRESULT EnumDAdvise(void** advises) = 0;
};

// Points are screen pixels; effect carries the allowed effects in and the
// chosen one out.
class IDropTarget {
 public:
  virtual ~IDropTarget() = default;
  virtual HRESULT DragEnter(const std::shared_ptr<IDataObject>& data, DWORD keyState, TPoint point, DWORD* effect) = 0;
  virtual HRESULT DragOver(DWORD keyState, TPoint point, DWORD* effect) = 0;
  virtual HRESULT DragLeave() = 0;
  virtual HRESULT Drop(const std::shared_ptr<IDataObject>& data, DWORD keyState, TPoint point, DWORD* effect) = 0;
};

class IDropSource {
 public:
  virtual ~IDropSource() = default;
  virtual HRESULT QueryContinueDrag(bool escapePressed, DWORD keyState) = 0;
  virtual HRESULT GiveFeedback(DWORD effect) = 0;
};

// Enumerates a fixed list of formats.
class TFormatList : public IEnumFORMATETC {
 public:
  explicit TFormatList(std::vector<FORMATETC> formats, std::size_t position = 0)
      : formats_(std::move(formats)), position_(position) {}
  HRESULT Next(unsigned count, FORMATETC* entries, unsigned* fetched) override;
  HRESULT Skip(unsigned count) override;
  HRESULT Reset() override;
  // The copy lists the same formats from the same position.
  HRESULT Clone(std::shared_ptr<IEnumFORMATETC>* copy) override;

 private:
  std::vector<FORMATETC> formats_;
  std::size_t position_;
};

// A data object holding ready blocks, one per format, rendered as copies.
class TMemoryDataObject : public IDataObject {
 public:
  void Add(unsigned short format, HGLOBAL block);
  HRESULT GetData(const FORMATETC& format, STGMEDIUM& medium) override;
  HRESULT GetDataHere(const FORMATETC&, STGMEDIUM&) override { return DV_E_FORMATETC; }
  HRESULT QueryGetData(const FORMATETC& format) override;
  HRESULT GetCanonicalFormatEtc(const FORMATETC&, FORMATETC& out) override;
  HRESULT SetData(const FORMATETC&, STGMEDIUM&, bool) override { return E_NOTIMPL; }
  HRESULT EnumFormatEtc(DWORD direction, std::shared_ptr<IEnumFORMATETC>* formats) override;
  HRESULT DAdvise(const FORMATETC&, DWORD, void*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT EnumDAdvise(void** advises) override;

 private:
  const HGLOBAL* Find(unsigned short format) const;
  std::vector<std::pair<unsigned short, HGLOBAL>> blocks_;
};

// The process's number for a named format (0xC000 and up), the same for
// the same name in any letter case; 0 for an empty name.
unsigned short RegisterClipboardFormatA(const AnsiString& name);
// The name of a registered format, empty for any other.
AnsiString ClipboardFormatName(unsigned short format);

// Drops over the control's window reach the target while it is registered.
HRESULT RegisterDragDrop(TControl* control, std::shared_ptr<IDropTarget> target);
HRESULT RevokeDragDrop(TControl* control);
// The target registered for the control, null when none.
std::shared_ptr<IDropTarget> RegisteredDropTarget(TControl* control);

class TDragService {
 public:
  virtual ~TDragService() = default;
  // Runs a drag of the data from the origin control (null: the active
  // window) to its end, asking the source on each step; effect receives
  // the effect the target chose. DRAGDROP_S_DROP when the data was
  // dropped, DRAGDROP_S_CANCEL otherwise.
  virtual HRESULT DoDragDrop(TControl* origin, const std::shared_ptr<IDataObject>& data, IDropSource* source,
                             DWORD allowedEffects, DWORD* effect) = 0;
};

// The drag service in use: Qt's unless another is installed.
TDragService& DragService();
// Installs a drag service (the caller keeps ownership); null restores Qt's.
void InstallDragService(TDragService* service);
// Runs a drag through the drag service.
HRESULT DoDragDrop(const std::shared_ptr<IDataObject>& data, IDropSource* source, DWORD allowedEffects,
                   DWORD* effect, TControl* origin = nullptr);

// The MIME types that carry the registered formats between programs.
inline constexpr const char* kRichTextMimeType = "text/rtf";
inline constexpr const char* kColumnMimeType = "application/x-flashwright-grid-column";
// The names of the registered formats drags carry.
inline constexpr const char* kRichTextFormatName = "Rich Text Format";
inline constexpr const char* kColumnFormatName = "Grid Column";

class QMimeData;
// What a drag from another program offers, as a data object: text as
// CF_TEXT and CF_UNICODETEXT, local files as CF_HDROP, rich text and a
// grid column as their registered formats (the bytes as they came).
std::shared_ptr<IDataObject> DataObjectFromMime(const QMimeData& mime);
// The formats a data object renders, as MIME data for other programs.
QMimeData* MimeFromDataObject(IDataObject& data);
