#pragma once
// The grid's bridge to drag and drop with other programs: the bases of its
// drop target and drop source, the data object its drags offer with its
// format enumerator, a reader of the data objects that drops bring, and the
// routines that start a drag of text or of a column.
#include <memory>

#include "framework/dragdrop.h"
#include "framework/strings.h"
#include "framework/sysutils.h"

// A broken promise of another program's data object.
class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

// Whether drags offer and accept rich text; off at start.
void SetRTFAware(bool aware);
bool RTFAware();

// The registered formats of rich text ("Rich Text Format") and of a grid
// column ("Grid Column": the index as a signed 32-bit integer).
unsigned short RTFFormat();
unsigned short ColumnFormat();

enum TDropFormat { dfText, dfFile, dfCol, dfRTF };
// A set of TDropFormat: bit 1 << format.
using TDropFormats = unsigned;
constexpr TDropFormats DropFormatBit(TDropFormat format) { return 1u << format; }

// DROPEFFECT_COPY with Ctrl held, else DROPEFFECT_MOVE when allowed, else
// DROPEFFECT_COPY.
DWORD StandardEffect(DWORD keyState, DWORD allowed);

// Reads a data object that a drop brings. Every read is bounded by the
// block the object renders, whatever its size or shape.
class TEnumFormats {
 public:
  explicit TEnumFormats(std::shared_ptr<IDataObject> dataObject);
  ~TEnumFormats();
  TEnumFormats(const TEnumFormats&) = delete;
  TEnumFormats& operator=(const TEnumFormats&) = delete;

  // EAssertionFailed "Cannot get the format enumerator" when a data object
  // refuses its enumerator.
  void SetDataObject(std::shared_ptr<IDataObject> dataObject);
  bool Reset();
  bool Next();
  // Leaves the found entry current.
  bool HasFormat(unsigned short cf);
  HGLOBAL Handle(DWORD tymed);
  HGLOBAL GlobalHandle() { return Handle(TYMED_HGLOBAL); }
  // The first 32-bit integer of the format's block; -1 without one.
  int SomeInt(unsigned short cf);
  // The format's block up to its first zero.
  AnsiString SomeText(unsigned short cf);
  // The file names of the current entry's file list; true when any.
  bool SomeFiles(TStrings& list);

  // The Unicode text when offered, else the 8-bit text.
  AnsiString Text();
  AnsiString RTF() { return SomeText(RTFFormat()); }
  int Col() { return SomeInt(ColumnFormat()); }
  bool HasText() { return HasFormat(CF_TEXT); }
  bool HasRTF() { return HasFormat(RTFFormat()); }
  bool HasCol() { return HasFormat(ColumnFormat()); }
  bool HasFile() { return HasFormat(CF_HDROP); }
  TStringList& Files() { return files_; }

  unsigned short cfFormat() const { return entry_.cfFormat; }
  void SetcfFormat(unsigned short cf) { entry_.cfFormat = cf; }
  DWORD Aspect() const { return entry_.dwAspect; }
  void SetAspect(DWORD aspect) { entry_.dwAspect = aspect; }
  int lIndex() const { return entry_.lindex; }
  void SetlIndex(int index) { entry_.lindex = index; }
  DWORD Tymed() const { return entry_.tymed; }
  void SetTymed(DWORD tymed) { entry_.tymed = tymed; }

 private:
  std::shared_ptr<IDataObject> data_;
  std::shared_ptr<IEnumFORMATETC> formats_;
  FORMATETC entry_;
  bool valid_ = false;
  int read_ = 0;
  TStringList files_;
};

// Base of a control's drop target: works out what a drag offers and what
// the control accepts, and calls the hooks.
class TZurDropTarget : public IDropTarget {
 public:
  bool AcceptText = true;
  bool AcceptFiles = true;
  bool AcceptCols = false;
  // The formats the current drag offers.
  TDropFormats DropFormats = 0;

  HRESULT DragEnter(const std::shared_ptr<IDataObject>& data, DWORD keyState, TPoint point, DWORD* effect) override;
  HRESULT DragOver(DWORD keyState, TPoint point, DWORD* effect) override;
  HRESULT DragLeave() override;
  HRESULT Drop(const std::shared_ptr<IDataObject>& data, DWORD keyState, TPoint point, DWORD* effect) override;

  // Points are screen pixels.
  virtual void DropText(TPoint, const AnsiString&) {}
  virtual void DropCol(TPoint, int) {}
  virtual void DropRTF(TPoint, const AnsiString&) {}
  virtual void DropFiles(TPoint, TStrings&) {}
  virtual void DragMouseMove(TPoint, bool&, TDropFormats) {}
  virtual void DragMouseEnter() {}
  virtual void DragMouseLeave() {}

 private:
  bool accept_ = false;
};

// Base of a control's drop source: ends the drag on Escape or when the
// left button comes up, and remembers whether the last feedback refused.
class TZurDropSource : public IDropSource {
 public:
  // The control the drags start from (null: the active window).
  explicit TZurDropSource(TControl* origin = nullptr) : origin_(origin) {}
  HRESULT QueryContinueDrag(bool escapePressed, DWORD keyState) override;
  HRESULT GiveFeedback(DWORD effect) override;
  virtual void CurrentEffect(DWORD) {}
  virtual void QueryDrag() {}
  bool LastFeedbackNone() const { return lastNone_; }
  TControl* Origin() const { return origin_; }

 private:
  TControl* origin_;
  bool lastNone_ = false;
};

// What the grid's drags offer: text, Unicode text, rich text and a column.
class TSourceDataObject : public IDataObject {
 public:
  // column -1: no column.
  TSourceDataObject(AnsiString text, AnsiString rtf, int column)
      : text_(std::move(text)), rtf_(std::move(rtf)), column_(column) {}
  HRESULT GetData(const FORMATETC& format, STGMEDIUM& medium) override;
  HRESULT GetDataHere(const FORMATETC&, STGMEDIUM&) override { return DV_E_FORMATETC; }
  HRESULT QueryGetData(const FORMATETC& format) override;
  HRESULT GetCanonicalFormatEtc(const FORMATETC& in, FORMATETC& out) override;
  HRESULT SetData(const FORMATETC&, STGMEDIUM&, bool) override { return DV_E_FORMATETC; }
  HRESULT EnumFormatEtc(DWORD direction, std::shared_ptr<IEnumFORMATETC>* formats) override;
  HRESULT DAdvise(const FORMATETC&, DWORD, void*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT EnumDAdvise(void** advises) override;

 private:
  AnsiString text_;
  AnsiString rtf_;
  int column_;
};

// The formats of a TSourceDataObject: text, Unicode text, rich text and,
// with a column, the column format.
class TSourceEnumFormatEtc : public IEnumFORMATETC {
 public:
  explicit TSourceEnumFormatEtc(bool withColumn, unsigned position = 0)
      : withColumn_(withColumn), position_(position) {}
  HRESULT Next(unsigned count, FORMATETC* entries, unsigned* fetched) override;
  HRESULT Skip(unsigned count) override;
  HRESULT Reset() override;
  // The copy keeps the position and the column format.
  HRESULT Clone(std::shared_ptr<IEnumFORMATETC>* copy) override;

 private:
  unsigned Count() const { return withColumn_ ? 4 : 3; }
  bool withColumn_;
  unsigned position_;
};

// Drag the text (and rich text) or a column; the result of the drag, or
// DRAGDROP_S_CANCEL when the source's last feedback was DROPEFFECT_NONE.
HRESULT StartTextDoDragDrop(TZurDropSource& source, const AnsiString& text, const AnsiString& rtf,
                            DWORD allowedEffects, DWORD& effect);
HRESULT StartColDoDragDrop(TZurDropSource& source, int column, DWORD allowedEffects, DWORD& effect);
