#pragma once
// Pictures of mark-up text: a picture that keeps the image file's bytes and
// draws them through Qt's image readers (one frame of an animated GIF at a
// time), the cache of pictures loaded by address, the container of named
// pictures, and a control that shows one picture.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/controls.h"
#include "framework/graphics.h"
#include "framework/streams.h"
#include "framework/thread.h"

using TDownLoadProgressEvent = std::function<void(TObject* Sender, std::uint32_t dwSize, std::uint32_t dwTotSize)>;
using TDownLoadCancelEvent = std::function<void(TObject* Sender, bool& Cancel)>;
using TDownLoadErrorEvent = std::function<void(TObject* Sender, const AnsiString& err)>;

class THTMLPicture : public TGraphic {
 public:
  THTMLPicture();
  ~THTMLPicture() override;

  // Empties the picture and resets the animation; then copies the bytes of
  // source (null leaves the picture empty) and decodes them.
  void Assign(const THTMLPicture* source);
  // Any failure (missing file, undecodable data) leaves the picture empty.
  void LoadFromFile(const AnsiString& fileName);
  // The whole stream; undecodable data raises "Could not load image. Invalid
  // format". A null stream changes nothing.
  void LoadFromStream(TStream* stream);
  void SaveToStream(TStream* stream) const;
  // Form streaming: the file's bytes exactly as loaded.
  void ReadData(TStream* stream);
  void WriteData(TStream* stream) const;
  // The program's data resource of that name; nothing when there is none.
  void LoadFromResourceName(const AnsiString& name);
  // The program's data resource of that number; EResNotFound when missing.
  void LoadFromResourceID(int resourceId);
  // "res://name" and "file://path" load (the path as written); other
  // addresses are recorded and, with Asynchronous on, handed to a
  // download thread.
  void LoadFromURL(const AnsiString& url);

  bool GetEmpty() const { return empty_; }
  // Pixels at the picture's pixels per inch; 0 without a decoded picture.
  int Width() const override;
  int Height() const override;
  void SetWidth(int) {}
  void SetHeight(int) {}
  // The GIF's logical screen size when it has one, else Width/Height.
  int GetMaxWidth() const;
  int GetMaxHeight() const;
  int PixelsPerInchX() const { return pixelsPerInchX_; }
  int PixelsPerInchY() const { return pixelsPerInchY_; }
  void SetPixelsPerInch(int x, int y);

  // Scaled into rect with Stretch, else at natural size from its top-left.
  void Draw(TCanvas* canvas, const TRect& rect) const;

  bool IsGIFFile() const;
  // GIF frames (cached once counted); -1 for any other data.
  int GetFrameCount();
  // The delay of GIF frame n (1-based) in hundredths of a second; -1 when
  // there is no such frame.
  int GetFrameTime(int frame);
  int Frame() const { return frame_; }
  // Selects and decodes GIF frame value (1-based).
  void SetFrame(int value);
  void FrameNext();
  void FramePrev();
  // One animation tick: true when the shown frame changed.
  bool Step();

  // The selected frame's place and size within the GIF's logical screen.
  int FrameLeft() const { return frameLeft_; }
  int FrameTop() const { return frameTop_; }
  int FrameWidth() const { return frameWidth_; }
  int FrameHeight() const { return frameHeight_; }
  bool FrameTransparent() const { return frameTransparent_; }

  bool Stretch() const { return stretch_; }
  void SetStretch(bool on) { stretch_ = on; }
  // The mark-up source the picture was made for: the cache's search key.
  const AnsiString& ID() const { return id_; }
  void SetID(const AnsiString& id) { id_ = id; }
  const AnsiString& URL() const { return url_; }
  bool Asynchronous() const { return asynchronous_; }
  void SetAsynchronous(bool on) { asynchronous_ = on; }
  bool Busy() const { return busy_; }
  // The bytes as loaded.
  const TMemoryStream& Data() const { return data_; }

  void DownLoadProgress(std::uint32_t dwSize, std::uint32_t dwTotSize);
  void DownLoadCancel(bool& Cancel);
  void DownLoadComplete();
  void DownLoadError(const AnsiString& err);

  TNotifyEvent OnFrameChange;
  TDownLoadProgressEvent OnDownLoadProgress;
  TDownLoadCancelEvent OnDownLoadCancel;
  TNotifyEvent OnDownLoadComplete;
  TDownLoadErrorEvent OnDownLoadError;

 protected:
  const char* SaveFormat() const override { return "PNG"; }

 private:
  // Decodes the bytes (for a GIF, the selected frame) into the image.
  void LoadPicture();
  // Data for the decoder: for a GIF the header and colour table followed by
  // the frames from the selected one on; otherwise the bytes unchanged.
  std::vector<std::uint8_t> SelectedFrameData();
  void ResetAnimation();
  void TakeBytes(TStream& stream);

  TMemoryStream data_;
  bool empty_ = true;
  bool stretch_ = false;
  int pixelsPerInchX_ = 96;
  int pixelsPerInchY_ = 96;
  AnsiString url_;
  AnsiString id_;
  bool asynchronous_ = true;
  bool busy_ = false;
  int frame_ = 1;
  int frameCount_ = -1;
  std::uint16_t frameLeft_ = 0;
  std::uint16_t frameTop_ = 0;
  std::uint16_t frameWidth_ = 0;
  std::uint16_t frameHeight_ = 0;
  bool frameTransparent_ = false;
  std::uint16_t screenWidth_ = 0;
  std::uint16_t screenHeight_ = 0;
  int nextChange_ = -1;
  int ticks_ = -1;
};

// The pictures a host loaded for mark-up sources with an address, owned by
// the cache and found by their source text.
class THTMLPictureCache : public TObject {
 public:
  THTMLPictureCache();
  ~THTMLPictureCache() override;
  THTMLPictureCache(const THTMLPictureCache&) = delete;
  THTMLPictureCache& operator=(const THTMLPictureCache&) = delete;

  THTMLPicture* AddPicture();
  // Exact, case-sensitive match on the source text; null when absent.
  THTMLPicture* FindPicture(const AnsiString& name) const;
  int Count() const { return static_cast<int>(pictures_.size()); }
  THTMLPicture* GetPicture(int index) const;
  // Takes ownership of picture, freeing the one it replaces.
  void SetPicture(int index, THTMLPicture* picture);
  // Frees every picture and empties the cache.
  void ClearPictures();
  // Steps every picture; true when any shows another frame.
  bool Animate();

 private:
  std::vector<std::unique_ptr<THTMLPicture>> pictures_;
};

class TPictureCollection;

class TPictureItem : public TPersistent {
 public:
  explicit TPictureItem(TPictureCollection* collection);
  ~TPictureItem() override;
  TPictureItem(const TPictureItem&) = delete;
  TPictureItem& operator=(const TPictureItem&) = delete;

  void Assign(const TPictureItem& source);
  THTMLPicture* Picture() const { return picture_.get(); }
  void SetPicture(const THTMLPicture* picture) { picture_->Assign(picture); }
  const AnsiString& Name() const { return name_; }
  void SetName(const AnsiString& name) { name_ = name; }
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }
  TPictureCollection* Collection() const { return collection_; }
  int Index() const;

 private:
  TPictureCollection* collection_;
  std::unique_ptr<THTMLPicture> picture_;
  AnsiString name_;
  int tag_ = 0;
};

class TPictureCollection : public TPersistent {
 public:
  explicit TPictureCollection(TComponent* owner);
  ~TPictureCollection() override;
  TPictureCollection(const TPictureCollection&) = delete;
  TPictureCollection& operator=(const TPictureCollection&) = delete;

  TPictureItem* Add();
  // A new item at index (0..Count); EListError outside that range.
  TPictureItem* Insert(int index);
  int Count() const { return static_cast<int>(items_.size()); }
  // EListError outside 0..Count-1.
  TPictureItem* Items(int index) const;
  void SetItems(int index, const TPictureItem& item);
  void Delete(int index);
  void Clear();
  // Replaces the items by copies of source's.
  void Assign(const TPictureCollection& source);
  TComponent* GetOwner() const { return owner_; }
  int IndexOf(const TPictureItem* item) const;
  bool Animate();

 private:
  TComponent* owner_;
  std::vector<std::unique_ptr<TPictureItem>> items_;
};

class TPictureContainer : public TComponent {
 public:
  explicit TPictureContainer(TComponent* owner);
  ~TPictureContainer() override;

  // The first item whose name matches without regard to case.
  THTMLPicture* FindPicture(const AnsiString& name) const;
  TPictureCollection* Items() const { return items_.get(); }
  // Copies the items of the collection given; the caller keeps it.
  void SetItems(const TPictureCollection* items);
  std::uint32_t GetVersionNr() const;
  AnsiString GetVersion() const;
  void SetVersion(const AnsiString&) {}

 private:
  std::unique_ptr<TPictureCollection> items_;
};

enum TPicturePosition { bpTopLeft, bpTopRight, bpBottomLeft, bpBottomRight, bpCenter, bpTiled, bpStretched };

class THTMLImage : public TGraphicControl {
 public:
  explicit THTMLImage(TComponent* owner);
  ~THTMLImage() override;

  THTMLPicture* HTMLPicture() const { return picture_.get(); }
  void SetHTMLPicture(const THTMLPicture* picture);
  TPicturePosition PicturePosition() const { return position_; }
  void SetPicturePosition(TPicturePosition position);

  TDownLoadProgressEvent OnDownLoadProgress;
  TDownLoadCancelEvent OnDownLoadCancel;
  TNotifyEvent OnDownLoadComplete;
  TDownLoadErrorEvent OnDownLoadError;

 protected:
  void Loaded() override;
  void Paint() override;

 private:
  void DrawPictureAt(int x, int y);

  std::unique_ptr<THTMLPicture> picture_;
  TPicturePosition position_ = bpTopLeft;
};

// The worker of an asynchronous picture download. Fetching is not part of
// this program: the thread ends at once and frees itself.
class TDownLoadThread : public TThread {
 public:
  explicit TDownLoadThread(THTMLPicture* picture);
  THTMLPicture* Picture() const { return picture_; }

 protected:
  void Execute() override {}

 private:
  THTMLPicture* picture_;
};
