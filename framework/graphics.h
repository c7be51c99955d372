#pragma once
// Colours, drawing tools and pictures. Colours are 0x00BBGGRR; a system
// colour is 0x80000000 | index (the value stored in colour tables and
// property files) and resolves through one palette table.
#include <QImage>
#include <QColor>
#include <QFont>
#include <cstdint>
#include <memory>

#include "framework/component.h"
#include "framework/types.h"

class TCanvas;
class TStream;

using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

inline constexpr TColor clSystemColor = static_cast<TColor>(0x80000000);
inline constexpr TColor clScrollBar = clSystemColor | 0;
inline constexpr TColor clBackground = clSystemColor | 1;
inline constexpr TColor clActiveCaption = clSystemColor | 2;
inline constexpr TColor clInactiveCaption = clSystemColor | 3;
inline constexpr TColor clMenu = clSystemColor | 4;
inline constexpr TColor clWindow = clSystemColor | 5;
inline constexpr TColor clWindowFrame = clSystemColor | 6;
inline constexpr TColor clMenuText = clSystemColor | 7;
inline constexpr TColor clWindowText = clSystemColor | 8;
inline constexpr TColor clCaptionText = clSystemColor | 9;
inline constexpr TColor clActiveBorder = clSystemColor | 10;
inline constexpr TColor clInactiveBorder = clSystemColor | 11;
inline constexpr TColor clAppWorkSpace = clSystemColor | 12;
inline constexpr TColor clHighlight = clSystemColor | 13;
inline constexpr TColor clHighlightText = clSystemColor | 14;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnShadow = clSystemColor | 16;
inline constexpr TColor clGrayText = clSystemColor | 17;
inline constexpr TColor clBtnText = clSystemColor | 18;
inline constexpr TColor clInactiveCaptionText = clSystemColor | 19;
inline constexpr TColor clBtnHighlight = clSystemColor | 20;
inline constexpr TColor cl3DDkShadow = clSystemColor | 21;
inline constexpr TColor cl3DLight = clSystemColor | 22;
inline constexpr TColor clInfoText = clSystemColor | 23;
inline constexpr TColor clInfoBk = clSystemColor | 24;
inline constexpr TColor clHotLight = clSystemColor | 26;
inline constexpr TColor clGradientActiveCaption = clSystemColor | 27;
inline constexpr TColor clGradientInactiveCaption = clSystemColor | 28;
inline constexpr int kSystemColorCount = 29;

inline bool IsSystemColor(TColor color) {
  return (static_cast<std::uint32_t>(color) & 0xFF000000u) == static_cast<std::uint32_t>(clSystemColor);
}
// A plain 0x00BBGGRR value; system colours through the palette table,
// clNone, clDefault and unknown system indices as black.
TColor ColorToRGB(TColor color);
// Changes one entry of the palette table (theme adaptation, tests).
void SetSystemColor(TColor systemColor, TColor rgb);
inline int GetRValue(TColor c) { return c & 0xFF; }
inline int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
inline int GetBValue(TColor c) { return (c >> 16) & 0xFF; }
inline TColor RGB(int r, int g, int b) { return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16); }
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

// ---- Drawing tools ----

class TGraphicsObject : public TPersistent {
 public:
  TNotifyEvent OnChange;

 protected:
  void Changed() {
    if (OnChange) OnChange(this);
  }
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

class TFont : public TGraphicsObject {
 public:
  const AnsiString& Name() const { return name_; }
  void SetName(const AnsiString& name);
  // Points at 96 pixels per inch; Height is the matching pixel height
  // (negative: character height without internal leading, as stored).
  int Size() const { return size_; }
  void SetSize(int points);
  int Height() const;
  void SetHeight(int pixels);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch pitch);
  int Charset() const { return charset_; }
  void SetCharset(int charset) { charset_ = charset; }
  // Tenths of a degree counter-clockwise: text drawn with DrawText turns
  // about the start of its baseline (the platform font's escapement).
  int Orientation() const { return orientation_; }
  void SetOrientation(int tenths);
  void Assign(const TFont& other);
  QFont ToQFont() const;

 private:
  AnsiString name_ = "MS Sans Serif";
  int size_ = 8;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
  TFontPitch pitch_ = fpDefault;
  int charset_ = 1;
  int orientation_ = 0;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

// The folder of TrueType faces named "MS Sans Serif" and "Tahoma" with the
// metrics of the fonts the windows were laid out for (Debian's fonts-wine).
inline constexpr const char* kWindowFontFolder = "/usr/share/wine/fonts";
// Makes those faces known to the text engine, so that fonts of those names
// measure as designed rather than falling back to a wider face. Returns the
// number of faces registered; a missing folder or file registers nothing.
int RegisterWindowFonts(const AnsiString& folder = kWindowFontFolder);

class TPen : public TGraphicsObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode mode);
  void Assign(const TPen& other);

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);
  void Assign(const TBrush& other);

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

// ---- Pictures ----

// A raster picture. Every kind the framework reads (BMP, PNG, JPEG, GIF, ICO)
// is held as an image; the class says how it was loaded and is saved.
class TGraphic : public TPersistent {
 public:
  virtual int Width() const { return image_.width(); }
  virtual int Height() const { return image_.height(); }
  bool Empty() const { return image_.isNull(); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  // EInvalidGraphic when the data is not a picture the readers know, or
  // EFOpenError when the file cannot be read.
  void LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName) const;
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  const QImage& Image() const { return image_; }
  void SetImage(const QImage& image);

  TNotifyEvent OnChange;

 protected:
  virtual const char* SaveFormat() const = 0;
  void Changed() {
    if (OnChange) OnChange(this);
  }
  QImage image_;
  bool transparent_ = false;
};

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;
  // Each side as last set, even while the other is 0 and the image empty.
  int Width() const override { return image_.isNull() ? width_ : image_.width(); }
  int Height() const override { return image_.isNull() ? height_ : image_.height(); }
  void SetWidth(int width);
  void SetHeight(int height);
  void SetSize(int width, int height);
  // Draws into the bitmap; created on first use.
  TCanvas* Canvas();
  // The colour that is not drawn when Transparent is set: the bottom-left
  // pixel unless set.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);

 protected:
  const char* SaveFormat() const override { return "BMP"; }

 private:
  std::unique_ptr<TCanvas> canvas_;
  TColor transparentColor_ = clDefault;
  int width_ = 0;
  int height_ = 0;
};

class TIcon : public TGraphic {
 protected:
  const char* SaveFormat() const override { return "ICO"; }
};

class TPicture : public TPersistent {
 public:
  TPicture();
  ~TPicture() override;
  // The picture's graphic, or null when empty.
  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(const TGraphic* graphic);
  // The picture as a bitmap (converted when it holds another kind).
  TBitmap* Bitmap();
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }
  // Reads BMP, PNG, JPEG, GIF and ICO by content; EInvalidGraphic otherwise.
  void LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName) const;
  void Assign(const TPicture& other);
  void Clear();

  TNotifyEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  std::unique_ptr<TGraphic> graphic_;
};
