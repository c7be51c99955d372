#include "grid/picturecontainer.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include "framework/canvas.h"
#include "framework/resources.h"

namespace {

// a * b / c rounded to the nearest, as the platform's MulDiv; -1 for c = 0.
int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  const std::int64_t half = (product < 0) != (c < 0) ? -std::abs(c) / 2 : std::abs(c) / 2;
  return static_cast<int>((product + half) / c);
}

std::size_t ByteCount(const TMemoryStream& stream) {
  // Size only seeks, and puts the position back.
  return static_cast<std::size_t>(const_cast<TMemoryStream&>(stream).Size());
}

// The GIF walker. A frame starts where a graphic control extension (0x21
// 0xF9, block size 4) is followed by an image descriptor (0x2C). Every read
// is bounded by the data: a marker near the end counts, but fields past the
// end are never read.
class GifBytes {
 public:
  explicit GifBytes(const TMemoryStream& data) : bytes_(data.Memory()), size_(ByteCount(data)) {}
  std::size_t Size() const { return size_; }
  std::uint8_t At(std::size_t i) const { return bytes_[i]; }
  bool Has(std::size_t i) const { return i < size_; }
  std::uint16_t Word(std::size_t i) const {
    return Has(i + 1) ? static_cast<std::uint16_t>(bytes_[i] | (bytes_[i + 1] << 8)) : 0;
  }
  bool IsFrameMarker(std::size_t i) const {
    return bytes_[i] == 0x21 && Has(i + 8) && bytes_[i + 1] == 0xF9 && bytes_[i + 2] == 4 && bytes_[i + 8] == 0x2C;
  }
  // Calls visit(offset, frameNumber) for each frame, 1-based, in order;
  // stops when visit returns false.
  template <class Visit>
  void ForEachFrame(Visit visit) const {
    int number = 0;
    for (std::size_t i = 0; i < size_; ++i)
      if (IsFrameMarker(i) && !visit(i, ++number)) return;
  }

 private:
  const std::uint8_t* bytes_;
  std::size_t size_;
};

constexpr const char* kInvalidFormat = "Could not load image. Invalid format";

}  // namespace

THTMLPicture::THTMLPicture() = default;
THTMLPicture::~THTMLPicture() = default;

void THTMLPicture::ResetAnimation() {
  frame_ = 1;
  frameCount_ = -1;
  nextChange_ = -1;
  ticks_ = -1;
}

void THTMLPicture::Assign(const THTMLPicture* source) {
  empty_ = true;
  image_ = QImage();
  ResetAnimation();
  data_.Clear();
  if (!source) return;
  data_.Write(source->data_.Memory(), static_cast<std::int64_t>(ByteCount(source->data_)));
  empty_ = false;
  LoadPicture();
  Changed();
}

// New bytes start a new animation: the frame count and frame of the
// previous picture say nothing about these.
void THTMLPicture::TakeBytes(TStream& stream) {
  TMemoryStream bytes;
  bytes.CopyFrom(stream, 0);
  data_.Clear();
  data_.Write(bytes.Memory(), bytes.Size());
  ResetAnimation();
  empty_ = false;
  try {
    LoadPicture();
  } catch (...) {
    // Undecodable bytes are kept (they are what was loaded) but show nothing.
    empty_ = true;
    throw;
  }
}

void THTMLPicture::LoadFromFile(const AnsiString& fileName) {
  try {
    TFileStream file(fileName, fmOpenRead | fmShareDenyNone);
    TakeBytes(file);
    Changed();
  } catch (const std::exception&) {
    empty_ = true;
    image_ = QImage();
  }
}

void THTMLPicture::LoadFromStream(TStream* stream) {
  if (!stream) return;
  TakeBytes(*stream);
  Changed();
}

void THTMLPicture::ReadData(TStream* stream) {
  if (stream) TakeBytes(*stream);
}

void THTMLPicture::SaveToStream(TStream* stream) const {
  if (stream) stream->WriteBuffer(data_.Memory(), static_cast<std::int64_t>(ByteCount(data_)));
}

void THTMLPicture::WriteData(TStream* stream) const { SaveToStream(stream); }

void THTMLPicture::LoadFromResourceName(const AnsiString& name) {
  const std::string* bytes = FindDataResource(name);
  if (!bytes) return;
  TStringStream stream(*bytes);
  LoadFromStream(&stream);
}

void THTMLPicture::LoadFromResourceID(int resourceId) {
  const AnsiString name = "#" + IntToStr(resourceId);
  if (!FindDataResource(name)) throw EResNotFound("Resource " + name + " not found");
  LoadFromResourceName(name);
}

void THTMLPicture::LoadFromURL(const AnsiString& url) {
  const AnsiString upper = UpperCase(url);
  // The rest of the address is used as written: file names are
  // case-sensitive here.
  if (upper.starts_with("RES://")) {
    id_ = url;
    if (url.size() > 6) LoadFromResourceName(url.substr(6));
  } else if (upper.starts_with("FILE://")) {
    id_ = url;
    if (url.size() > 7) LoadFromFile(url.substr(7));
  } else if (asynchronous_) {
    if (busy_) return;
    url_ = url;
    busy_ = true;
    new TDownLoadThread(this);
  } else {
    url_ = url;
    id_ = url;
  }
}

int THTMLPicture::Width() const { return image_.isNull() ? 0 : MulDiv(image_.width(), pixelsPerInchX_, 96); }
int THTMLPicture::Height() const { return image_.isNull() ? 0 : MulDiv(image_.height(), pixelsPerInchY_, 96); }
int THTMLPicture::GetMaxWidth() const { return image_.isNull() ? 0 : screenWidth_ > 0 ? screenWidth_ : Width(); }
int THTMLPicture::GetMaxHeight() const {
  return image_.isNull() ? 0 : screenHeight_ > 0 ? screenHeight_ : Height();
}

void THTMLPicture::SetPixelsPerInch(int x, int y) {
  if (x > 0) pixelsPerInchX_ = x;
  if (y > 0) pixelsPerInchY_ = y;
}

void THTMLPicture::Draw(TCanvas* canvas, const TRect& rect) const {
  if (!canvas || empty_ || image_.isNull()) return;
  if (stretch_) {
    canvas->StretchDraw(rect, this);
    return;
  }
  const int dpiX = canvas->DeviceCaps(LOGPIXELSX) > 0 ? canvas->DeviceCaps(LOGPIXELSX) : 96;
  const int dpiY = canvas->DeviceCaps(LOGPIXELSY) > 0 ? canvas->DeviceCaps(LOGPIXELSY) : 96;
  canvas->StretchDraw(Bounds(rect.Left, rect.Top, MulDiv(image_.width(), dpiX, 96), MulDiv(image_.height(), dpiY, 96)),
                      this);
}

bool THTMLPicture::IsGIFFile() const {
  const GifBytes gif(data_);
  return gif.Size() > 4 && gif.At(0) == 'G' && gif.At(1) == 'I' && gif.At(2) == 'F' && gif.At(3) == '8';
}

int THTMLPicture::GetFrameCount() {
  if (frameCount_ != -1) return frameCount_;
  if (!IsGIFFile()) return -1;
  int count = 0;
  GifBytes(data_).ForEachFrame([&](std::size_t, int number) {
    count = number;
    return true;
  });
  frameCount_ = count;
  return count;
}

int THTMLPicture::GetFrameTime(int frame) {
  if (!IsGIFFile()) return -1;
  const GifBytes gif(data_);
  int delay = -1;
  gif.ForEachFrame([&](std::size_t at, int number) {
    if (number != frame) return true;
    delay = gif.Word(at + 4);
    frameTransparent_ = (gif.At(at + 3) & 1) != 0;
    return false;
  });
  return delay;
}

void THTMLPicture::SetFrame(int value) {
  frame_ = value;
  if (ByteCount(data_) == 0) return;
  LoadPicture();
  if (OnFrameChange) OnFrameChange(this);
}

void THTMLPicture::FrameNext() { frame_ = frame_ >= frameCount_ ? 1 : frame_ + 1; }
void THTMLPicture::FramePrev() { frame_ = frame_ < 2 ? frameCount_ : frame_ - 1; }

bool THTMLPicture::Step() {
  if (frameCount_ < 2 || empty_) return false;
  if (nextChange_ == -1) GetFrameTime(frame_);
  bool changed = false;
  if (ticks_ * 10 >= nextChange_) {
    FrameNext();
    LoadPicture();
    nextChange_ += GetFrameTime(frame_);
    changed = true;
  }
  ++ticks_;
  return changed;
}

std::vector<std::uint8_t> THTMLPicture::SelectedFrameData() {
  const GifBytes gif(data_);
  screenWidth_ = gif.Word(6);
  screenHeight_ = gif.Word(8);
  std::vector<std::uint8_t> copy;
  copy.reserve(gif.Size());
  int number = 1;
  bool skipping = false;
  for (std::size_t i = 0; i < gif.Size(); ++i) {
    if (gif.IsFrameMarker(i)) {
      if (number == frame_ && gif.Has(i + 16)) {
        frameLeft_ = gif.Word(i + 9);
        frameTop_ = gif.Word(i + 11);
        frameWidth_ = gif.Word(i + 13);
        frameHeight_ = gif.Word(i + 15);
      }
      ++number;
      skipping = frame_ >= number;
    }
    if (!skipping) copy.push_back(gif.At(i));
  }
  return copy;
}

void THTMLPicture::LoadPicture() {
  frameLeft_ = frameTop_ = 0;
  screenWidth_ = screenHeight_ = 0;
  const bool gif = IsGIFFile() && GetFrameCount() >= 1;
  std::vector<std::uint8_t> selected;
  if (gif) selected = SelectedFrameData();
  const auto* bytes = gif ? selected.data() : data_.Memory();
  const auto size = gif ? static_cast<qsizetype>(selected.size()) : static_cast<qsizetype>(ByteCount(data_));
  image_ = QImage();
  const QByteArray raw = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), size);
  QBuffer buffer;
  buffer.setData(raw);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  QImage decoded;
  if (size == 0 || !reader.read(&decoded)) throw Exception(kInvalidFormat);
  if (decoded.isNull()) throw Exception("Could not load image");
  // The reader composes a frame on the GIF's logical screen; the picture is
  // the frame itself, which callers place at its left and top.
  const QRect frameRect(frameLeft_, frameTop_, frameWidth_, frameHeight_);
  if (gif && !frameRect.isEmpty() && decoded.rect().contains(frameRect) && frameRect != decoded.rect())
    decoded = decoded.copy(frameRect);
  image_ = decoded;
}

void THTMLPicture::DownLoadProgress(std::uint32_t dwSize, std::uint32_t dwTotSize) {
  if (OnDownLoadProgress) OnDownLoadProgress(this, dwSize, dwTotSize);
}
void THTMLPicture::DownLoadCancel(bool& Cancel) {
  if (OnDownLoadCancel) OnDownLoadCancel(this, Cancel);
}
void THTMLPicture::DownLoadComplete() {
  if (OnDownLoadComplete) OnDownLoadComplete(this);
}
void THTMLPicture::DownLoadError(const AnsiString& err) {
  if (OnDownLoadError) OnDownLoadError(this, err);
}

TDownLoadThread::TDownLoadThread(THTMLPicture* picture) : TThread(false), picture_(picture) {
  SetFreeOnTerminate(true);
}
