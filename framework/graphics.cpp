#include "framework/graphics.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QImageReader>
#include <QImageWriter>
#include <array>
#include <mutex>

#include "framework/canvas.h"
#include "framework/streams.h"

namespace {

// The classic Windows palette of the system colours.
std::array<TColor, kSystemColorCount>& Palette() {
  static std::array<TColor, kSystemColorCount> palette = {
      0xC8D0D4,  // scroll bar
      0x984E00,  // background
      0x6A240A,  // active caption
      0x808080,  // inactive caption
      0xC8D0D4,  // menu
      0xFFFFFF,  // window
      0x000000,  // window frame
      0x000000,  // menu text
      0x000000,  // window text
      0xFFFFFF,  // caption text
      0xC8D0D4,  // active border
      0xC8D0D4,  // inactive border
      0x808080,  // app work space
      0x6A240A,  // highlight
      0xFFFFFF,  // highlight text
      0xC8D0D4,  // button face
      0x808080,  // button shadow
      0x808080,  // gray text
      0x000000,  // button text
      0xC8D0D4,  // inactive caption text
      0xFFFFFF,  // button highlight
      0x404040,  // 3D dark shadow
      0xC8D0D4,  // 3D light
      0x000000,  // info text
      0xE1FFFF,  // info background
      0xB5B5B5,  // (unused slot 25)
      0x800000,  // hot light
      0xF0CAA6,  // gradient active caption
      0xC0C0C0,  // gradient inactive caption
  };
  return palette;
}

// The palette slot of a system colour; -1 for an index past the table or
// a colour that is not a system colour.
int SystemColorIndex(TColor color) {
  if (!IsSystemColor(color)) return -1;
  const std::uint32_t index = static_cast<std::uint32_t>(color) & 0x00FFFFFFu;
  return index < kSystemColorCount ? static_cast<int>(index) : -1;
}

std::mutex& PaletteMutex() {
  static std::mutex mutex;
  return mutex;
}

void ReadImage(QImageReader& reader, QImage& image, const AnsiString& what) {
  reader.setDecideFormatFromContent(true);
  QImage loaded = reader.read();
  if (loaded.isNull()) throw EInvalidGraphic("Cannot read picture " + what + ": " + reader.errorString().toStdString());
  image = loaded;
}

}  // namespace

TColor ColorToRGB(TColor color) {
  if (color == clNone || color == clDefault) return clBlack;
  if (IsSystemColor(color)) {
    const int index = SystemColorIndex(color);
    if (index < 0) return clBlack;
    std::lock_guard lock(PaletteMutex());
    return Palette()[index];
  }
  return color & 0xFFFFFF;
}

void SetSystemColor(TColor systemColor, TColor rgb) {
  const int index = SystemColorIndex(systemColor);
  if (index < 0) return;
  std::lock_guard lock(PaletteMutex());
  Palette()[index] = rgb & 0xFFFFFF;
}

QColor ToQColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& color) { return RGB(color.red(), color.green(), color.blue()); }

// ---- TFont ----

void TFont::SetName(const AnsiString& name) {
  if (name_ == name) return;
  name_ = name;
  Changed();
}

void TFont::SetSize(int points) {
  if (size_ == points) return;
  size_ = points;
  Changed();
}

int TFont::Height() const { return -((size_ * 96 + 36) / 72); }

void TFont::SetHeight(int pixels) {
  const int magnitude = pixels < 0 ? -pixels : pixels;
  SetSize((magnitude * 72 + 48) / 96);
}

void TFont::SetColor(TColor color) {
  if (color_ == color) return;
  color_ = color;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (style_ == style) return;
  style_ = style;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch_ == pitch) return;
  pitch_ = pitch;
  Changed();
}

void TFont::Assign(const TFont& other) {
  name_ = other.name_;
  size_ = other.size_;
  color_ = other.color_;
  style_ = other.style_;
  pitch_ = other.pitch_;
  charset_ = other.charset_;
  orientation_ = other.orientation_;
  Changed();
}

void TFont::SetOrientation(int tenths) {
  if (orientation_ == tenths) return;
  orientation_ = tenths;
  Changed();
}

QFont TFont::ToQFont() const {
  QFont font(QString::fromStdString(name_));
  // Pixel sizes, so text measures the same on every display and DPI.
  font.setPixelSize(std::max(1, -Height()));
  font.setBold(style_ & fsBold);
  font.setItalic(style_ & fsItalic);
  font.setUnderline(style_ & fsUnderline);
  font.setStrikeOut(style_ & fsStrikeOut);
  if (pitch_ == fpFixed) font.setStyleHint(QFont::TypeWriter);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

int RegisterWindowFonts(const AnsiString& folder) {
  static const char* const kFaces[] = {"ms_sans_serif.ttf", "tahoma.ttf", "tahomabd.ttf"};
  const QDir dir(QString::fromStdString(folder));
  int registered = 0;
  for (const char* face : kFaces) {
    const QString path = dir.filePath(face);
    if (QFile::exists(path) && QFontDatabase::addApplicationFont(path) >= 0) ++registered;
  }
  return registered;
}

// ---- TPen, TBrush ----

void TPen::SetColor(TColor color) {
  if (color_ == color) return;
  color_ = color;
  Changed();
}

void TPen::SetWidth(int width) {
  width = std::max(width, 0);
  if (width_ == width) return;
  width_ = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style_ == style) return;
  style_ = style;
  Changed();
}

void TPen::SetMode(TPenMode mode) {
  if (mode_ == mode) return;
  mode_ = mode;
  Changed();
}

void TPen::Assign(const TPen& other) {
  color_ = other.color_;
  width_ = other.width_;
  style_ = other.style_;
  mode_ = other.mode_;
  Changed();
}

void TBrush::SetColor(TColor color) {
  if (color_ == color && style_ != bsClear) return;
  color_ = color;
  // Giving a clear brush a colour makes it solid again.
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style_ == style) return;
  style_ = style;
  Changed();
}

void TBrush::Assign(const TBrush& other) {
  color_ = other.color_;
  style_ = other.style_;
  Changed();
}

// ---- TGraphic ----

void TGraphic::SetTransparent(bool on) {
  if (transparent_ == on) return;
  transparent_ = on;
  Changed();
}

void TGraphic::SetImage(const QImage& image) {
  image_ = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  Changed();
}

void TGraphic::LoadFromFile(const AnsiString& fileName) {
  TMemoryStream stream;
  stream.LoadFromFile(fileName);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const AnsiString& fileName) const {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TGraphic::LoadFromStream(TStream& stream) {
  const std::int64_t size = stream.Size() - stream.Position();
  QByteArray bytes(static_cast<qsizetype>(std::max<std::int64_t>(size, 0)), '\0');
  stream.ReadBuffer(bytes.data(), bytes.size());
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  QImage image;
  ReadImage(reader, image, "data");
  SetImage(image);
}

void TGraphic::SaveToStream(TStream& stream) const {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, SaveFormat());
  if (image_.isNull() || !writer.write(image_)) throw EInvalidGraphic("Cannot write an empty picture");
  stream.WriteBuffer(bytes.constData(), bytes.size());
}

// ---- TBitmap ----

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == Width() && height == Height()) return;
  width_ = width;
  height_ = height;
  QImage resized(width, height, QImage::Format_RGB32);
  resized.fill(Qt::white);
  if (!image_.isNull()) {
    // Keep what was drawn where it still fits.
    for (int y = 0; y < std::min(height, image_.height()); ++y)
      for (int x = 0; x < std::min(width, image_.width()); ++x) resized.setPixel(x, y, image_.pixel(x, y));
  }
  image_ = width && height ? resized : QImage();
  if (canvas_) canvas_->Attach(&image_);
  Changed();
}

void TBitmap::SetWidth(int width) { SetSize(width, Height()); }
void TBitmap::SetHeight(int height) { SetSize(Width(), height); }

TCanvas* TBitmap::Canvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<TCanvas>();
    canvas_->Attach(&image_);
  }
  return canvas_.get();
}

TColor TBitmap::TransparentColor() const {
  if (transparentColor_ != clDefault || image_.isNull()) return transparentColor_;
  return FromQColor(image_.pixelColor(0, image_.height() - 1));
}

void TBitmap::SetTransparentColor(TColor color) {
  transparentColor_ = color;
  Changed();
}

// ---- TPicture ----

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::SetGraphic(const TGraphic* graphic) {
  if (!graphic || graphic->Empty()) {
    Clear();
    return;
  }
  std::unique_ptr<TGraphic> copy;
  if (dynamic_cast<const TIcon*>(graphic)) copy = std::make_unique<TIcon>();
  else copy = std::make_unique<TBitmap>();
  copy->SetImage(graphic->Image());
  copy->SetTransparent(graphic->Transparent());
  graphic_ = std::move(copy);
  Changed();
}

TBitmap* TPicture::Bitmap() {
  auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get());
  if (!bitmap) {
    auto converted = std::make_unique<TBitmap>();
    if (graphic_) converted->SetImage(graphic_->Image());
    bitmap = converted.get();
    graphic_ = std::move(converted);
  }
  return bitmap;
}

void TPicture::LoadFromFile(const AnsiString& fileName) {
  TMemoryStream stream;
  stream.LoadFromFile(fileName);
  QByteArray bytes(reinterpret_cast<const char*>(stream.Memory()), static_cast<qsizetype>(stream.Size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  QImage image;
  ReadImage(reader, image, "\"" + fileName + "\"");
  std::unique_ptr<TGraphic> graphic;
  if (reader.format() == "ico") graphic = std::make_unique<TIcon>();
  else graphic = std::make_unique<TBitmap>();
  graphic->SetImage(image);
  graphic_ = std::move(graphic);
  Changed();
}

void TPicture::SaveToFile(const AnsiString& fileName) const {
  if (!graphic_) throw EInvalidGraphic("Cannot write an empty picture");
  graphic_->SaveToFile(fileName);
}

void TPicture::Assign(const TPicture& other) {
  if (&other != this) SetGraphic(other.graphic_.get());
}

void TPicture::Clear() {
  graphic_.reset();
  Changed();
}
