#pragma once
// TCanvas: drawing into an image, a widget or a page (PDF writer, printer)
// with the Windows pixel rules the drawing code of the program assumes: a
// line's end point is not drawn, rectangles cover Left..Right-1 and
// Top..Bottom-1, text backgrounds are filled unless the brush is clear.
// Pages are drawn with vector lines; images keep the exact pixel rules.
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QTransform>
#include <algorithm>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "framework/graphics.h"

class QPainter;
class TCanvas;
using HDC = TCanvas*;

// Text flags of DrawText.
inline constexpr unsigned DT_TOP = 0x0000;
inline constexpr unsigned DT_LEFT = 0x0000;
inline constexpr unsigned DT_CENTER = 0x0001;
inline constexpr unsigned DT_RIGHT = 0x0002;
inline constexpr unsigned DT_VCENTER = 0x0004;
inline constexpr unsigned DT_BOTTOM = 0x0008;
inline constexpr unsigned DT_WORDBREAK = 0x0010;
inline constexpr unsigned DT_SINGLELINE = 0x0020;
inline constexpr unsigned DT_EXPANDTABS = 0x0040;
inline constexpr unsigned DT_NOCLIP = 0x0100;
inline constexpr unsigned DT_EXTERNALLEADING = 0x0200;
inline constexpr unsigned DT_CALCRECT = 0x0400;
inline constexpr unsigned DT_NOPREFIX = 0x0800;
inline constexpr unsigned DT_EDITCONTROL = 0x2000;
inline constexpr unsigned DT_END_ELLIPSIS = 0x8000;

// Edges of DrawEdge.
inline constexpr unsigned BDR_RAISEDOUTER = 0x0001;
inline constexpr unsigned BDR_SUNKENOUTER = 0x0002;
inline constexpr unsigned BDR_RAISEDINNER = 0x0004;
inline constexpr unsigned BDR_SUNKENINNER = 0x0008;
inline constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
inline constexpr unsigned BF_LEFT = 0x0001;
inline constexpr unsigned BF_TOP = 0x0002;
inline constexpr unsigned BF_RIGHT = 0x0004;
inline constexpr unsigned BF_BOTTOM = 0x0008;
inline constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr unsigned BF_MIDDLE = 0x0800;
inline constexpr unsigned BF_SOFT = 0x1000;
inline constexpr unsigned BF_ADJUST = 0x2000;
inline constexpr unsigned BF_FLAT = 0x4000;
inline constexpr unsigned BF_MONO = 0x8000;

// Kinds and states of DrawFrameControl.
inline constexpr unsigned DFC_CAPTION = 1;
inline constexpr unsigned DFC_MENU = 2;
inline constexpr unsigned DFC_SCROLL = 3;
inline constexpr unsigned DFC_BUTTON = 4;
inline constexpr unsigned DFCS_BUTTONCHECK = 0x0000;
inline constexpr unsigned DFCS_BUTTONRADIO = 0x0004;
inline constexpr unsigned DFCS_BUTTON3STATE = 0x0008;
inline constexpr unsigned DFCS_BUTTONPUSH = 0x0010;
inline constexpr unsigned DFCS_SCROLLUP = 0x0000;
inline constexpr unsigned DFCS_SCROLLDOWN = 0x0001;
inline constexpr unsigned DFCS_SCROLLLEFT = 0x0002;
inline constexpr unsigned DFCS_SCROLLRIGHT = 0x0003;
inline constexpr unsigned DFCS_SCROLLCOMBOBOX = 0x0005;
inline constexpr unsigned DFCS_INACTIVE = 0x0100;
inline constexpr unsigned DFCS_PUSHED = 0x0200;
inline constexpr unsigned DFCS_CHECKED = 0x0400;
inline constexpr unsigned DFCS_TRANSPARENT = 0x0800;
inline constexpr unsigned DFCS_HOT = 0x1000;
inline constexpr unsigned DFCS_ADJUSTRECT = 0x2000;
inline constexpr unsigned DFCS_FLAT = 0x4000;
inline constexpr unsigned DFCS_MONO = 0x8000;

// Mapping modes: device pixels, or 0.1 mm per unit with y growing upward.
inline constexpr int MM_TEXT = 1;
inline constexpr int MM_LOMETRIC = 2;

// Indices of GetDeviceCaps.
inline constexpr int HORZSIZE = 4;  // millimetres
inline constexpr int VERTSIZE = 6;
inline constexpr int HORZRES = 8;  // pixels
inline constexpr int VERTRES = 10;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

// Fill styles of FloodFill.
enum TFillStyle { fsSurface, fsBorder };

enum TCopyMode { cmSrcCopy, cmSrcAnd, cmSrcPaint, cmSrcInvert, cmDstInvert, cmBlackness, cmWhiteness };

// One drawing call as a recorder sees it, with the tools in force: tests
// check exact layouts with it.
struct TCanvasCall {
  AnsiString name;        // the method: "TextRect", "DrawText", "FillRect", ...
  std::vector<int> args;  // its integer arguments in order, a rectangle as four
  AnsiString text;        // its text, when it has one
  TColor penColor = clBlack;
  int penWidth = 1;
  TColor brushColor = clWhite;
  TBrushStyle brushStyle = bsSolid;
  AnsiString fontName;
  int fontSize = 0;
  TColor fontColor = clBlack;
  TFontStyles fontStyle = 0;
  int fontOrientation = 0;
};

class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;

  // The image drawn into; null detaches. The canvas does not own it. Fonts
  // keep their screen pixel sizes.
  void Attach(QImage* image);
  // Any paint device; fonts are sized by the device's resolution, so an
  // image whose dots per metre are set is a preview at that resolution.
  // Paged devices (PDF writer, printer) draw only between BeginDoc and
  // EndDoc, through one painter kept open for the document.
  void AttachDevice(QPaintDevice* device);
  QImage* Target() const { return image_; }
  QPaintDevice* Device() const { return device_; }
  HDC Handle() { return this; }
  bool HandleAllocated() const { return device_ && (!image_ || !image_->isNull()); }

  // ---- Documents and pages ----
  // Opens the painter kept for every drawing until EndDoc; false when the
  // device cannot be painted on (a PDF file that cannot be written).
  bool BeginDoc();
  // Starts the next page of a paged device; false on other devices.
  bool NewPage();
  void EndDoc();
  bool Drawing() const;
  int MapMode() const { return mapMode_; }
  void SetMapMode(int mode) {
    mapMode_ = mode;
    metrics_.reset();
  }
  int DeviceCaps(int index) const;
  // Mirrors every drawing horizontally within [0, width): x is drawn at
  // width - x, so a rectangle [l, r) covers the device's [width - r,
  // width - l) and right-to-left controls can draw in their own order.
  // Zero restores the normal mapping. Clips keep the device area they
  // covered when they were set; Pixels and SetPixel stay in device pixels.
  void SetHorizontalMirror(int width) { mirrorWidth_ = std::max(width, 0); }
  int HorizontalMirror() const { return mirrorWidth_; }

  TFont* Font() { return &font_; }
  TPen* Pen() { return &pen_; }
  TBrush* Brush() { return &brush_; }
  void SetFont(const TFont& font) { font_.Assign(font); }
  TCopyMode CopyMode() const { return copyMode_; }
  void SetCopyMode(TCopyMode mode) { copyMode_ = mode; }

  // ---- Lines and shapes (pen outlines, brush fills) ----
  TPoint PenPos() const { return penPos_; }
  void SetPenPos(TPoint p) { penPos_ = p; }
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(const std::vector<TPoint>& points);
  void Polygon(const std::vector<TPoint>& points);
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
  void Ellipse(int left, int top, int right, int bottom);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  // Counter-clockwise from the ray through (x3, y3) to the ray through
  // (x4, y4), on the ellipse bounded by the first two points.
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  // Brush only.
  void FillRect(const TRect& r);
  // A one-pixel frame in the brush colour.
  void FrameRect(const TRect& r);
  // A dotted frame that a second call removes (inverting).
  void DrawFocusRect(const TRect& r);

  // ---- Pixels ----
  TColor Pixels(int x, int y) const;  // clNone outside the image
  void SetPixel(int x, int y, TColor color);
  // fsBorder: the 4-connected area around (x, y) up to pixels of `color`;
  // fsSurface: the area of the colour found at (x, y). In the brush colour,
  // inside the clip; images only.
  void FloodFill(int x, int y, TColor color, TFillStyle style);

  // ---- Text ----
  void TextOut(int x, int y, std::string_view text);
  // Text at (x, y), clipped to r; r is filled with the brush first unless
  // it is clear.
  void TextRect(const TRect& r, int x, int y, std::string_view text);
  int TextWidth(std::string_view text) const;
  int TextHeight(std::string_view text) const;
  TSize TextExtent(std::string_view text) const;
  // Windows text layout. Returns the text height (with DT_VCENTER or
  // DT_BOTTOM on a single line: the offset from r.Top to the text's bottom).
  // With DT_CALCRECT nothing is drawn and r is widened or heightened to fit.
  int DrawText(std::string_view text, TRect& r, unsigned flags);

  // ---- Pictures ----
  void Draw(int x, int y, const TGraphic* graphic);
  void StretchDraw(const TRect& r, const TGraphic* graphic);
  // Copies source's srcRect into dest, scaled, through CopyMode.
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& srcRect);

  // ---- Clipping ----
  // The visible part, in canvas coordinates (the whole image when unclipped).
  TRect ClipRect() const;
  void SetClipRect(const TRect& r);
  void IntersectClipRect(const TRect& r);
  void ExcludeClipRect(const TRect& r);
  void ResetClip();

  TNotifyEvent OnChange;
  // Told of every drawing call made on the canvas from outside (the calls a
  // drawing method makes of the canvas's own are not told again).
  std::function<void(const TCanvasCall&)> OnCall;

 private:
  friend class CanvasPainter;
  class CallRecord;
  enum { kEllipseShape, kArcShape, kPieShape, kChordShape };
  // Whether the Windows pixel rules apply (an image or widget in device
  // pixels) rather than vector drawing.
  bool PixelExact() const;
  bool Flipped() const { return mapMode_ == MM_LOMETRIC; }
  QTransform DeviceTransform() const;
  // The horizontal mirror alone (its own inverse), and the mapping without it.
  QTransform MirrorTransform() const;
  QTransform UnmirroredTransform() const;
  // Text is laid out top-down: with y upward, rectangles and y flip.
  TRect Upright(const TRect& r) const;
  int Upright(int y) const { return Flipped() ? -y : y; }
  QRect LogicalRect(const TRect& r) const;
  QFont DeviceFont() const;
  // The device font's metrics, kept until the font, device or mapping mode
  // changes (text is measured far more often than fonts change).
  const QFontMetrics& Metrics() const;
  // Whether the font still has the face, size, style and pitch metrics_ was
  // made of (its colour and orientation do not change the glyphs' sizes).
  bool MetricsFitFont() const;
  void ArcShape(int kind, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  // Windows line pixels from `from` up to, not including, `to`.
  // An outline pixel mirrors as the area it covers.
  void DrawPixelLine(QPainter& painter, TPoint from, TPoint to, bool outline = false);
  void Changed() {
    if (OnChange) OnChange(this);
  }

  QImage* image_ = nullptr;
  QPaintDevice* device_ = nullptr;
  int fontPixelsPerInch_ = 96;
  int mapMode_ = MM_TEXT;
  int mirrorWidth_ = 0;
  std::unique_ptr<QPainter> document_;
  TFont font_;
  TPen pen_;
  TBrush brush_;
  TCopyMode copyMode_ = cmSrcCopy;
  TPoint penPos_;
  struct Clip;
  std::unique_ptr<Clip> clip_;
  int dashPhase_ = 0;
  int callDepth_ = 0;
  mutable std::unique_ptr<QFontMetrics> metrics_;
  mutable QFont metricsFont_;  // the device font metrics_ was made of
  mutable AnsiString metricsName_;
  mutable int metricsSize_ = 0;
  mutable TFontStyles metricsStyle_ = 0;
  mutable TFontPitch metricsPitch_ = fpDefault;
};

// Windows-style entry points over a canvas (HDC is the canvas).
int GetDeviceCaps(HDC canvas, int index);
int SetMapMode(HDC canvas, int mode);  // returns the previous mode
int DrawText(HDC canvas, std::string_view text, TRect* r, unsigned flags);
// Draws the edges and returns true; with BF_ADJUST r shrinks by them.
bool DrawEdge(HDC canvas, TRect* r, unsigned edge, unsigned flags);
// Buttons, check boxes, radio buttons and scroll arrows in the classic look.
bool DrawFrameControl(HDC canvas, TRect* r, unsigned kind, unsigned state);
