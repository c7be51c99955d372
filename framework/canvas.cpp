#include "framework/canvas.h"

#include <QFontMetrics>
#include <QHash>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <cmath>
#include <string>
#include <unordered_map>

struct TCanvas::Clip {
  QRegion region;
};

namespace {

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

QPainter::CompositionMode PenRasterOp(TPenMode mode) {
  switch (mode) {
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmBlack: return QPainter::RasterOp_ClearDestination;
    case pmWhite: return QPainter::RasterOp_SetDestination;
    case pmNotMerge: return QPainter::RasterOp_NotSourceOrDestination;
    case pmNotMask: return QPainter::RasterOp_NotSourceAndDestination;
    default: return QPainter::CompositionMode_SourceOver;
  }
}

Qt::BrushStyle QtBrushStyle(TBrushStyle style) {
  switch (style) {
    case bsClear: return Qt::NoBrush;
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::BDiagPattern;
    case bsBDiagonal: return Qt::FDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
  }
}

// On/off run lengths of the cosmetic pen styles.
std::vector<int> DashPattern(TPenStyle style) {
  switch (style) {
    case psDash: return {18, 6};
    case psDot: return {3, 3};
    case psDashDot: return {9, 6, 3, 6};
    case psDashDotDot: return {9, 3, 3, 3, 3, 3};
    default: return {};
  }
}

// Angle in Qt's sixteenths of a degree of the ray from the centre of r
// through p, measured on the ellipse.
int RayAngle(const QRectF& r, int x, int y) {
  const double cx = r.center().x(), cy = r.center().y();
  const double rx = std::max(r.width() / 2, 0.5), ry = std::max(r.height() / 2, 0.5);
  const double angle = std::atan2(-(y - cy) / ry, (x - cx) / rx) * 180.0 / M_PI;
  return static_cast<int>(std::lround(angle * 16));
}

}  // namespace

// A painter on the canvas's device with the mapping and the clip applied:
// the document's painter while one is open (its state restored afterwards),
// else one of its own. Inactive when there is nothing to draw on; a paged
// device is drawn on only through the document's painter, since each new
// painter would start its document again.
class CanvasPainter {
 public:
  explicit CanvasPainter(const TCanvas& canvas) {
    if (!canvas.HandleAllocated()) return;
    if (canvas.Drawing()) {
      painter_ = canvas.document_.get();
      painter_->save();
      restore_ = true;
    } else if (!dynamic_cast<QPagedPaintDevice*>(canvas.device_)) {
      own_.begin(canvas.device_);
      painter_ = &own_;
    }
    if (!Active()) return;
    // The clip is kept in unmirrored coordinates.
    painter_->setTransform(canvas.UnmirroredTransform());
    if (canvas.clip_) painter_->setClipRegion(canvas.clip_->region);
    if (canvas.mirrorWidth_) painter_->setTransform(canvas.DeviceTransform());
  }
  ~CanvasPainter() {
    if (restore_) painter_->restore();
  }
  CanvasPainter(const CanvasPainter&) = delete;
  CanvasPainter& operator=(const CanvasPainter&) = delete;
  bool Active() const { return painter_ && painter_->isActive(); }
  QPainter& operator*() { return *painter_; }
  QPainter* operator->() { return painter_; }

 private:
  QPainter own_;
  QPainter* painter_ = nullptr;
  bool restore_ = false;
};

// Tells OnCall of the outermost drawing call only.
class TCanvas::CallRecord {
 public:
  CallRecord(TCanvas& canvas, const char* name, std::initializer_list<int> args, std::string_view text = {})
      : canvas_(canvas) {
    if (canvas.callDepth_++ == 0 && name && canvas.OnCall) {
      TCanvasCall call;
      call.name = name;
      call.args = args;
      call.text = AnsiString(text);
      call.penColor = canvas.pen_.Color();
      call.penWidth = canvas.pen_.Width();
      call.brushColor = canvas.brush_.Color();
      call.brushStyle = canvas.brush_.Style();
      call.fontName = canvas.font_.Name();
      call.fontSize = canvas.font_.Size();
      call.fontColor = canvas.font_.Color();
      call.fontStyle = canvas.font_.Style();
      call.fontOrientation = canvas.font_.Orientation();
      canvas.OnCall(call);
    }
  }
  ~CallRecord() { --canvas_.callDepth_; }
  CallRecord(const CallRecord&) = delete;
  CallRecord& operator=(const CallRecord&) = delete;

 private:
  TCanvas& canvas_;
};

TCanvas::TCanvas() {
  // Fonts, pens and brushes report their changes as the canvas's.
  font_.OnChange = [this](TObject*) {
    if (!MetricsFitFont()) metrics_.reset();
    Changed();
  };
  pen_.OnChange = [this](TObject*) { Changed(); };
  brush_.OnChange = [this](TObject*) { Changed(); };
}

TCanvas::~TCanvas() { EndDoc(); }

void TCanvas::Attach(QImage* image) {
  AttachDevice(image);
  fontPixelsPerInch_ = 96;
  metrics_.reset();
}

void TCanvas::AttachDevice(QPaintDevice* device) {
  EndDoc();
  metrics_.reset();
  device_ = device;
  image_ = device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
  fontPixelsPerInch_ = device && !(image_ && image_->isNull()) ? device->logicalDpiY() : 96;
  mapMode_ = MM_TEXT;
  mirrorWidth_ = 0;
  clip_.reset();
}

// ---- Documents and pages ----

bool TCanvas::BeginDoc() {
  if (Drawing()) return true;
  if (!HandleAllocated()) return false;
  auto painter = std::make_unique<QPainter>();
  if (!painter->begin(device_)) return false;
  document_ = std::move(painter);
  return true;
}

bool TCanvas::NewPage() {
  auto* paged = dynamic_cast<QPagedPaintDevice*>(device_);
  return Drawing() && paged && paged->newPage();
}

void TCanvas::EndDoc() {
  if (document_) document_->end();
  document_.reset();
}

bool TCanvas::Drawing() const { return document_ && document_->isActive(); }

int TCanvas::DeviceCaps(int index) const {
  if (!device_) return 0;
  switch (index) {
    case HORZSIZE: return device_->widthMM();
    case VERTSIZE: return device_->heightMM();
    case HORZRES: return device_->width();
    case VERTRES: return device_->height();
    case LOGPIXELSX: return device_->logicalDpiX();
    case LOGPIXELSY: return device_->logicalDpiY();
    default: return 0;
  }
}

bool TCanvas::PixelExact() const { return mapMode_ == MM_TEXT && !dynamic_cast<QPagedPaintDevice*>(device_); }

QTransform TCanvas::UnmirroredTransform() const {
  if (!Flipped() || !device_) return {};
  return QTransform::fromScale(device_->logicalDpiX() / 254.0, -device_->logicalDpiY() / 254.0);
}

QTransform TCanvas::MirrorTransform() const {
  if (!mirrorWidth_) return {};
  return {-1, 0, 0, 1, static_cast<qreal>(mirrorWidth_), 0};
}

QTransform TCanvas::DeviceTransform() const { return MirrorTransform() * UnmirroredTransform(); }

TRect TCanvas::Upright(const TRect& r) const {
  return Flipped() ? TRect{r.Left, -r.Top, r.Right, -r.Bottom} : r;
}

QRect TCanvas::LogicalRect(const TRect& r) const {
  if (!Flipped()) return ToQRect(r);
  return QRect(std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::abs(r.Width()), std::abs(r.Height()));
}

bool TCanvas::MetricsFitFont() const {
  return metrics_ && font_.Name() == metricsName_ && font_.Size() == metricsSize_ && font_.Style() == metricsStyle_ &&
         font_.Pitch() == metricsPitch_;
}

const QFontMetrics& TCanvas::Metrics() const {
  if (!metrics_) {
    metricsName_ = font_.Name();
    metricsSize_ = font_.Size();
    metricsStyle_ = font_.Style();
    metricsPitch_ = font_.Pitch();
    metricsFont_ = DeviceFont();
    metrics_ = std::make_unique<QFontMetrics>(metricsFont_);
  }
  return *metrics_;
}

QFont TCanvas::DeviceFont() const {
  QFont font = font_.ToQFont();
  // The font's pixel height is at 96 pixels per inch.
  const double unitsPerInch = Flipped() ? 254.0 : fontPixelsPerInch_;
  if (unitsPerInch != 96) font.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() * unitsPerInch / 96))));
  return font;
}

// ---- Lines ----

void TCanvas::DrawPixelLine(QPainter& painter, TPoint from, TPoint to, bool outline) {
  if (!PixelExact()) {
    static const Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                           Qt::DashDotDotLine};
    const int style = pen_.Style();
    painter.setPen(QPen(ToQColor(pen_.Color()), std::max(pen_.Width(), 1),
                        style >= 0 && style < 5 ? kStyles[style] : Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPoint(from.X, from.Y), QPoint(to.X, to.Y));
    return;
  }
  // Bresenham, so the pixels are those Windows sets and the end point is
  // left out; dashed pens run their pattern along the pixels.
  const std::vector<int> pattern = DashPattern(pen_.Style());
  int total = 0;
  for (int run : pattern) total += run;
  QPolygon points;
  int x = from.X, y = from.Y;
  const int dx = std::abs(to.X - x), sx = x < to.X ? 1 : -1;
  const int dy = -std::abs(to.Y - y), sy = y < to.Y ? 1 : -1;
  int error = dx + dy;
  while (true) {
    if (x == to.X && y == to.Y) break;
    bool on = true;
    if (total > 0) {
      int phase = dashPhase_++ % total;
      for (size_t i = 0; i < pattern.size(); ++i) {
        if (phase < pattern[i]) {
          on = i % 2 == 0;
          break;
        }
        phase -= pattern[i];
      }
    }
    if (on) points << QPoint(x, y);
    const int e2 = 2 * error;
    if (e2 >= dy) {
      error += dy;
      x += sx;
    }
    if (e2 <= dx) {
      error += dx;
      y += sy;
    }
  }
  painter.setPen(QPen(ToQColor(pen_.Color()), 1));
  if (!mirrorWidth_) {
    painter.drawPoints(points);
    return;
  }
  // A mirrored line point x is the device pixel width - x, as Windows maps
  // it (one right of where a mirrored fill from x begins); the outline of
  // a shape mirrors with the shape's area.
  const int mirrorOf0 = outline ? mirrorWidth_ - 1 : mirrorWidth_;
  for (QPoint& p : points) p.setX(mirrorOf0 - p.x());
  painter.setTransform(UnmirroredTransform());
  painter.drawPoints(points);
  painter.setTransform(DeviceTransform());
}

void TCanvas::MoveTo(int x, int y) {
  const CallRecord record(*this, "MoveTo", {x, y});
  penPos_ = {x, y};
  dashPhase_ = 0;
}

void TCanvas::LineTo(int x, int y) {
  const CallRecord record(*this, "LineTo", {x, y});
  Polyline({penPos_, {x, y}});
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  const CallRecord record(*this, "Polyline", {static_cast<int>(points.size())});
  if (points.empty()) return;
  CanvasPainter painter(*this);
  if (painter.Active() && pen_.Style() != psClear) {
    painter->setCompositionMode(PenRasterOp(pen_.Mode()));
    if (pen_.Width() <= 1) {
      for (size_t i = 1; i < points.size(); ++i) DrawPixelLine(*painter, points[i - 1], points[i]);
    } else {
      QPen pen(ToQColor(pen_.Color()), pen_.Width(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
      painter->setPen(pen);
      QPolygon polygon;
      for (const TPoint& p : points) polygon << QPoint(p.X, p.Y);
      painter->drawPolyline(polygon);
    }
  }
  penPos_ = points.back();
  Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  const CallRecord record(*this, "Polygon", {static_cast<int>(points.size())});
  if (points.size() < 2) return;
  CanvasPainter painter(*this);
  if (painter.Active()) {
    QPolygon polygon;
    for (const TPoint& p : points) polygon << QPoint(p.X, p.Y);
    if (brush_.Style() != bsClear) {
      painter->setPen(Qt::NoPen);
      painter->setBrush(QBrush(ToQColor(brush_.Color()), QtBrushStyle(brush_.Style())));
      painter->drawPolygon(polygon);
    }
    if (pen_.Style() != psClear) {
      painter->setCompositionMode(PenRasterOp(pen_.Mode()));
      // The outline is closed, so every vertex is drawn.
      for (size_t i = 0; i < points.size(); ++i)
        DrawPixelLine(*painter, points[i], points[(i + 1) % points.size()]);
    }
  }
  Changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  const CallRecord record(*this, "Rectangle", {left, top, right, bottom});
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  CanvasPainter painter(*this);
  if (painter.Active()) {
    const int inset = pen_.Style() == psClear ? 0 : std::max(pen_.Width(), 1);
    if (brush_.Style() != bsClear)
      painter->fillRect(QRect(left + inset, top + inset, right - left - 2 * inset, bottom - top - 2 * inset),
                        QBrush(ToQColor(brush_.Color()), QtBrushStyle(brush_.Style())));
    if (pen_.Style() != psClear) {
      painter->setCompositionMode(PenRasterOp(pen_.Mode()));
      if (pen_.Width() <= 1) {
        DrawPixelLine(*painter, {left, top}, {right - 1, top}, true);
        DrawPixelLine(*painter, {right - 1, top}, {right - 1, bottom - 1}, true);
        DrawPixelLine(*painter, {right - 1, bottom - 1}, {left, bottom - 1}, true);
        DrawPixelLine(*painter, {left, bottom - 1}, {left, top}, true);
      } else {
        const int w = pen_.Width();
        const QColor c = ToQColor(pen_.Color());
        painter->fillRect(QRect(left, top, right - left, w), c);
        painter->fillRect(QRect(left, bottom - w, right - left, w), c);
        painter->fillRect(QRect(left, top + w, w, bottom - top - 2 * w), c);
        painter->fillRect(QRect(right - w, top + w, w, bottom - top - 2 * w), c);
      }
    }
  }
  Changed();
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight) {
  const CallRecord record(*this, "RoundRect", {left, top, right, bottom, cornerWidth, cornerHeight});
  CanvasPainter painter(*this);
  if (painter.Active()) {
    painter->setCompositionMode(PenRasterOp(pen_.Mode()));
    painter->setPen(pen_.Style() == psClear ? QPen(Qt::NoPen) : QPen(ToQColor(pen_.Color()), std::max(pen_.Width(), 1)));
    painter->setBrush(brush_.Style() == bsClear ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush_.Color()), QtBrushStyle(brush_.Style())));
    painter->drawRoundedRect(QRect(left, top, right - left - 1, bottom - top - 1), cornerWidth / 2.0,
                             cornerHeight / 2.0);
  }
  Changed();
}

void TCanvas::ArcShape(int kind, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  CanvasPainter painter(*this);
  if (painter.Active()) {
    const QRect box(std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1) - 1, std::abs(y2 - y1) - 1);
    const int start = RayAngle(box, x3, y3);
    int span = RayAngle(box, x4, y4) - start;
    while (span <= 0) span += 360 * 16;
    painter->setCompositionMode(PenRasterOp(pen_.Mode()));
    painter->setPen(pen_.Style() == psClear ? QPen(Qt::NoPen) : QPen(ToQColor(pen_.Color()), std::max(pen_.Width(), 1)));
    painter->setBrush(brush_.Style() == bsClear ? QBrush(Qt::NoBrush)
                                                : QBrush(ToQColor(brush_.Color()), QtBrushStyle(brush_.Style())));
    switch (kind) {
      case kArcShape: painter->drawArc(box, start, span); break;
      case kPieShape: painter->drawPie(box, start, span); break;
      case kChordShape: painter->drawChord(box, start, span); break;
      default: painter->drawEllipse(box);
    }
  }
  Changed();
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  const CallRecord record(*this, "Ellipse", {left, top, right, bottom});
  ArcShape(kEllipseShape, left, top, right, bottom, 0, 0, 0, 0);
}
void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  const CallRecord record(*this, "Arc", {x1, y1, x2, y2, x3, y3, x4, y4});
  ArcShape(kArcShape, x1, y1, x2, y2, x3, y3, x4, y4);
}
void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  const CallRecord record(*this, "Pie", {x1, y1, x2, y2, x3, y3, x4, y4});
  ArcShape(kPieShape, x1, y1, x2, y2, x3, y3, x4, y4);
}
void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  const CallRecord record(*this, "Chord", {x1, y1, x2, y2, x3, y3, x4, y4});
  ArcShape(kChordShape, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TCanvas::FillRect(const TRect& r) {
  const CallRecord record(*this, "FillRect", {r.Left, r.Top, r.Right, r.Bottom});
  CanvasPainter painter(*this);
  if (painter.Active() && brush_.Style() != bsClear)
    painter->fillRect(LogicalRect(r), QBrush(ToQColor(brush_.Color()), QtBrushStyle(brush_.Style())));
  Changed();
}

void TCanvas::FrameRect(const TRect& r) {
  const CallRecord record(*this, "FrameRect", {r.Left, r.Top, r.Right, r.Bottom});
  CanvasPainter painter(*this);
  if (painter.Active() && !r.IsEmpty()) {
    const QColor c = ToQColor(brush_.Color());
    painter->fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
    painter->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
    painter->fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
    painter->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
  }
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& r) {
  const CallRecord record(*this, "DrawFocusRect", {r.Left, r.Top, r.Right, r.Bottom});
  CanvasPainter painter(*this);
  if (painter.Active() && !r.IsEmpty()) {
    painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter->setPen(QPen(Qt::white, 1));
    QPolygon dots;
    for (int x = r.Left; x < r.Right; x += 2) dots << QPoint(x, r.Top) << QPoint(x, r.Bottom - 1);
    for (int y = r.Top + 2; y < r.Bottom - 1; y += 2) dots << QPoint(r.Left, y) << QPoint(r.Right - 1, y);
    painter->drawPoints(dots);
  }
  Changed();
}

// ---- Pixels ----

TColor TCanvas::Pixels(int x, int y) const {
  if (!image_ || !HandleAllocated() || !image_->valid(x, y)) return clNone;
  return FromQColor(image_->pixelColor(x, y));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  const CallRecord record(*this, "SetPixel", {x, y, color});
  if (!image_ || !HandleAllocated() || !image_->valid(x, y)) return;
  if (clip_ && !clip_->region.contains(QPoint(x, y))) return;
  image_->setPixelColor(x, y, ToQColor(color));
  Changed();
}

void TCanvas::FloodFill(int x, int y, TColor color, TFillStyle style) {
  const CallRecord record(*this, "FloodFill", {x, y, color, style});
  const TRect clip = ClipRect();
  if (!image_ || !HandleAllocated() || !clip.Contains(Point(x, y))) return;
  const TColor fill = ColorToRGB(brush_.Color());
  const TColor target = style == fsSurface ? Pixels(x, y) : ColorToRGB(color);
  // fsBorder stops at the border colour; fsSurface spreads over the colour.
  auto fillable = [&](TColor pixel) { return (pixel == target) == (style == fsSurface); };
  std::vector<bool> seen(static_cast<size_t>(clip.Width()) * clip.Height());
  std::vector<TPoint> pending{Point(x, y)};
  while (!pending.empty()) {
    const TPoint p = pending.back();
    pending.pop_back();
    if (!clip.Contains(p) || !image_->valid(p.X, p.Y)) continue;
    const size_t index = static_cast<size_t>(p.Y - clip.Top) * clip.Width() + (p.X - clip.Left);
    if (seen[index] || !fillable(Pixels(p.X, p.Y))) continue;
    seen[index] = true;
    if (!clip_ || clip_->region.contains(QPoint(p.X, p.Y))) image_->setPixelColor(p.X, p.Y, ToQColor(fill));
    pending.insert(pending.end(), {Point(p.X + 1, p.Y), Point(p.X - 1, p.Y), Point(p.X, p.Y + 1), Point(p.X, p.Y - 1)});
  }
  Changed();
}

// ---- Text ----

int TCanvas::TextWidth(std::string_view text) const { return TextExtent(text).cx; }
// A line's height does not depend on its characters.
int TCanvas::TextHeight(std::string_view) const { return Metrics().height(); }

namespace {

// Widths of text already measured, per device font. Shaping text is the dear
// part of measuring it, and grids, labels and mark-up measure the same short
// texts in the same few fonts at every paint. A width depends only on the
// device font and the text, so the cache serves every canvas of the thread.
class TextWidthCache {
 public:
  int Width(const QFont& font, const QFontMetrics& metrics, std::string_view text) {
    if (entries_ >= kMaxEntries) {
      widths_.clear();
      entries_ = 0;
    }
    auto& widths = widths_[font];
    auto [it, added] = widths.try_emplace(std::string(text), 0);
    if (added) {
      it->second = metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
      ++entries_;
    }
    return it->second;
  }

 private:
  static constexpr size_t kMaxEntries = 8192;
  QHash<QFont, std::unordered_map<std::string, int>> widths_;
  size_t entries_ = 0;
};

}  // namespace

TSize TCanvas::TextExtent(std::string_view text) const {
  thread_local TextWidthCache cache;
  const QFontMetrics& metrics = Metrics();
  return {cache.Width(metricsFont_, metrics, text), metrics.height()};
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
  const CallRecord record(*this, "TextOut", {x, y}, text);
  const TSize extent = TextExtent(text);
  TextRect(Upright(Bounds(x, Upright(y), extent.cx, extent.cy)), x, y, text);
  penPos_ = {x + extent.cx, y};
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text) {
  const CallRecord record(*this, "TextRect", {rect.Left, rect.Top, rect.Right, rect.Bottom, x, y}, text);
  CanvasPainter painter(*this);
  if (painter.Active()) {
    // Glyphs stand upright when y grows upward.
    if (Flipped()) painter->scale(1, -1);
    const TRect r = Upright(rect);
    painter->setClipRect(ToQRect(r), Qt::IntersectClip);
    if (brush_.Style() != bsClear) painter->fillRect(ToQRect(r), ToQColor(brush_.Color()));
    painter->setFont(DeviceFont());
    painter->setPen(ToQColor(font_.Color()));
    const QFontMetrics metrics(painter->font());
    painter->drawText(QPoint(x, Upright(y) + metrics.ascent()),
                      QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
  Changed();
}

namespace {

struct TextLine {
  QString text;
  int underline = -1;  // index of the prefixed character, or -1
};

// Removes '&' prefixes: "&&" is one ampersand, "&x" underlines x.
TextLine StripPrefix(const QString& text) {
  TextLine line;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != '&') line.underline = static_cast<int>(line.text.size());
    }
    line.text += text[i];
  }
  return line;
}

// Measures and draws the lines of DrawText. With tabs expanded, a tab moves
// the pen in one step to the next multiple of the tab stop (eight average
// character widths) counted from the start of its line, so a line costs one
// measurement of each of its runs between tabs. The average character is
// the letter "x", as Windows defines it: the average that the text engine
// reports for the screen's bitmap faces is far off (611 px for an 8-point
// face).
class LineMetrics {
 public:
  LineMetrics(const QFontMetrics& metrics, bool expandTabs)
      : metrics_(metrics), tabStop_(expandTabs ? 8 * std::max(metrics.horizontalAdvance(QChar('x')), 1) : 0) {}

  // Where a line may break: blanks, and tabs when they are expanded.
  bool IsBlank(QChar c) const { return c == ' ' || (tabStop_ > 0 && c == '\t'); }

  int Advance(const QString& line) const {
    return Walk(line, [](int, const QString&) {});
  }

  // Draws the line with its baseline's start at origin.
  void Draw(QPainter& painter, QPoint origin, const QString& line) const {
    Walk(line, [&](int x, const QString& run) { painter.drawText(origin + QPoint(x, 0), run); });
  }

 private:
  // Calls visit(x, run) for each run of the line between tabs; returns the
  // pen's position after the line.
  template <class Visit>
  int Walk(const QString& line, Visit visit) const {
    if (tabStop_ == 0) {
      visit(0, line);
      return metrics_.horizontalAdvance(line);
    }
    int x = 0;
    qsizetype from = 0;
    for (;;) {
      const qsizetype tab = line.indexOf('\t', from);
      const QString run = line.mid(from, tab < 0 ? -1 : tab - from);
      if (!run.isEmpty()) {
        visit(x, run);
        x += metrics_.horizontalAdvance(run);
      }
      if (tab < 0) return x;
      x = (x / tabStop_ + 1) * tabStop_;
      from = tab + 1;
    }
  }

  const QFontMetrics& metrics_;
  int tabStop_;  // 0: tabs are not expanded
};

// Greedy breaking at blanks; a word wider than the width keeps its own line
// (and, with DT_EDITCONTROL, is broken between characters).
std::vector<QString> WrapParagraph(const QString& paragraph, int width, const LineMetrics& measure, bool breakWords) {
  std::vector<QString> lines;
  QString line;
  auto chopBlanks = [&] {
    while (!line.isEmpty() && measure.IsBlank(line.back())) line.chop(1);
  };
  int i = 0;
  while (i < paragraph.size()) {
    int end = i;
    while (end < paragraph.size() && !measure.IsBlank(paragraph[end])) ++end;
    int spaceEnd = end;
    while (spaceEnd < paragraph.size() && measure.IsBlank(paragraph[spaceEnd])) ++spaceEnd;
    const QString word = paragraph.mid(i, end - i);
    const QString candidate = line + word;
    if (!line.isEmpty() && measure.Advance(candidate) > width) {
      chopBlanks();
      lines.push_back(line);
      line.clear();
      continue;  // the word starts the next line
    }
    if (line.isEmpty() && breakWords && measure.Advance(word) > width) {
      QString piece;
      for (QChar c : word) {
        if (!piece.isEmpty() && measure.Advance(piece + c) > width) {
          lines.push_back(piece);
          piece.clear();
        }
        piece += c;
      }
      line = piece;
    } else {
      line = candidate;
    }
    line += paragraph.mid(end, spaceEnd - end);
    i = spaceEnd;
  }
  chopBlanks();
  lines.push_back(line);
  return lines;
}

QString ElideEnd(const QString& text, int width, const LineMetrics& measure) {
  if (measure.Advance(text) <= width) return text;
  QString head = text;
  while (!head.isEmpty() && measure.Advance(head + "...") > width) head.chop(1);
  return head + "...";
}

}  // namespace

int TCanvas::DrawText(std::string_view utf8, TRect& rect, unsigned flags) {
  // Measuring draws nothing and is not told.
  const CallRecord record(*this, (flags & DT_CALCRECT) ? nullptr : "DrawText",
                          {rect.Left, rect.Top, rect.Right, rect.Bottom, static_cast<int>(flags)}, utf8);
  // Laid out top-down; with y upward the rectangle is flipped and back.
  TRect r = Upright(rect);
  const QFontMetrics& metrics = Metrics();
  const QFont& font = metricsFont_;
  const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  const LineMetrics measure(metrics, flags & DT_EXPANDTABS);

  std::vector<TextLine> lines;
  const bool noPrefix = flags & DT_NOPREFIX;
  auto addLine = [&](const QString& s) { lines.push_back(noPrefix ? TextLine{s, -1} : StripPrefix(s)); };
  if (flags & DT_SINGLELINE) {
    addLine(QString(text).replace("\r\n", " ").replace('\n', ' ').replace('\r', ' '));
  } else {
    const QStringList paragraphs = QString(text).replace("\r\n", "\n").replace('\r', '\n').split('\n');
    for (const QString& paragraph : paragraphs) {
      if (flags & DT_WORDBREAK) {
        for (const QString& line : WrapParagraph(paragraph, r.Width(), measure, flags & DT_EDITCONTROL)) addLine(line);
      } else {
        addLine(paragraph);
      }
    }
  }

  const int lineHeight = metrics.height() + ((flags & DT_EXTERNALLEADING) ? std::max(metrics.leading(), 0) : 0);
  const int textHeight = lineHeight * static_cast<int>(lines.size());
  if (flags & DT_CALCRECT) {
    int widest = 0;
    for (const TextLine& line : lines) widest = std::max(widest, measure.Advance(line.text));
    if (lines.size() == 1 && !(flags & DT_WORDBREAK)) r.Right = r.Left + widest;
    else r.Right = std::max(r.Right, r.Left + widest);
    r.Bottom = r.Top + textHeight;
    rect = Upright(r);
    return textHeight;
  }

  int y = r.Top;
  const bool single = flags & DT_SINGLELINE;
  if (single && (flags & DT_VCENTER)) y = r.Top + (r.Height() - lineHeight) / 2;
  else if (single && (flags & DT_BOTTOM)) y = r.Bottom - lineHeight;

  CanvasPainter painter(*this);
  if (painter.Active()) {
    if (Flipped()) painter->scale(1, -1);
    if (!(flags & DT_NOCLIP)) painter->setClipRect(ToQRect(r), Qt::IntersectClip);
    painter->setFont(font);
    for (size_t i = 0; i < lines.size(); ++i) {
      TextLine line = lines[i];
      if (flags & DT_END_ELLIPSIS) line.text = ElideEnd(line.text, r.Width(), measure);
      // Measured only when placing or filling needs it.
      const bool measured = (flags & (DT_CENTER | DT_RIGHT)) || brush_.Style() != bsClear;
      const int width = measured ? measure.Advance(line.text) : 0;
      int x = r.Left;
      if (flags & DT_CENTER) x = r.Left + (r.Width() - width) / 2;
      else if (flags & DT_RIGHT) x = r.Right - width;
      const int top = y + static_cast<int>(i) * lineHeight;
      painter->setPen(ToQColor(font_.Color()));
      if (font_.Orientation() != 0) {
        // Turned about the start of its baseline, unclipped, on no background.
        painter->save();
        painter->setClipping(false);
        painter->translate(x, top + metrics.ascent());
        painter->rotate(-font_.Orientation() / 10.0);
        measure.Draw(*painter, QPoint(0, 0), line.text);
        painter->restore();
        continue;
      }
      if (brush_.Style() != bsClear) painter->fillRect(QRect(x, top, width, lineHeight), ToQColor(brush_.Color()));
      measure.Draw(*painter, QPoint(x, top + metrics.ascent()), line.text);
      if (line.underline >= 0 && line.underline < line.text.size()) {
        const int ux = x + measure.Advance(line.text.left(line.underline));
        const int uw = x + measure.Advance(line.text.left(line.underline + 1)) - ux;
        painter->fillRect(QRect(ux, top + metrics.ascent() + 1, uw, 1), ToQColor(font_.Color()));
      }
    }
  }
  Changed();
  if (single && (flags & (DT_VCENTER | DT_BOTTOM))) return y - r.Top + lineHeight;
  return textHeight;
}

// ---- Pictures ----

namespace {
QImage WithTransparency(const TGraphic* graphic) {
  const auto* bitmap = dynamic_cast<const TBitmap*>(graphic);
  if (!bitmap || !graphic->Transparent()) return graphic->Image();
  QImage image = graphic->Image().convertToFormat(QImage::Format_ARGB32);
  const QRgb key = ToQColor(bitmap->TransparentColor()).rgb();
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if ((line[x] | 0xFF000000u) == key) line[x] = 0;
  }
  return image;
}
}  // namespace

void TCanvas::Draw(int x, int y, const TGraphic* graphic) {
  const CallRecord record(*this, "Draw", {x, y, graphic ? graphic->Width() : 0, graphic ? graphic->Height() : 0});
  if (!graphic || graphic->Empty()) return;
  StretchDraw(Bounds(x, y, graphic->Width(), graphic->Height()), graphic);
}

void TCanvas::StretchDraw(const TRect& r, const TGraphic* graphic) {
  const CallRecord record(*this, "StretchDraw", {r.Left, r.Top, r.Right, r.Bottom});
  if (!graphic || graphic->Empty()) return;
  CanvasPainter painter(*this);
  if (painter.Active()) painter->drawImage(ToQRect(r), WithTransparency(graphic));
  Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& srcRect) {
  const CallRecord record(*this, "CopyRect", {dest.Left, dest.Top, dest.Right, dest.Bottom, srcRect.Left, srcRect.Top, srcRect.Right, srcRect.Bottom});
  if (!source || !source->image_ || !source->HandleAllocated()) return;
  // Copy first, so a canvas can copy within itself.
  const QImage part = source->image_->copy(ToQRect(srcRect));
  CanvasPainter painter(*this);
  if (painter.Active()) {
    switch (copyMode_) {
      case cmSrcAnd: painter->setCompositionMode(QPainter::RasterOp_SourceAndDestination); break;
      case cmSrcPaint: painter->setCompositionMode(QPainter::RasterOp_SourceOrDestination); break;
      case cmSrcInvert: painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
      case cmDstInvert: painter->setCompositionMode(QPainter::RasterOp_NotDestination); break;
      case cmBlackness: painter->fillRect(ToQRect(dest), Qt::black); return;
      case cmWhiteness: painter->fillRect(ToQRect(dest), Qt::white); return;
      default: break;
    }
    painter->drawImage(ToQRect(dest), part);
  }
  Changed();
}

// ---- Clipping ----

TRect TCanvas::ClipRect() const {
  if (!HandleAllocated()) return {};
  const QRect b = clip_ ? MirrorTransform().mapRect(clip_->region.boundingRect())
                       : DeviceTransform().inverted().mapRect(QRect(0, 0, device_->width(), device_->height()));
  // With y upward the top is the larger y.
  if (Flipped()) return {b.left(), b.top() + b.height(), b.left() + b.width(), b.top()};
  return {b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
}

void TCanvas::SetClipRect(const TRect& r) {
  clip_ = std::make_unique<Clip>();
  clip_->region = MirrorTransform().map(QRegion(LogicalRect(r)));
}

void TCanvas::IntersectClipRect(const TRect& r) {
  if (!clip_) SetClipRect(ClipRect());
  clip_->region &= MirrorTransform().map(QRegion(LogicalRect(r)));
}

void TCanvas::ExcludeClipRect(const TRect& r) {
  if (!clip_) SetClipRect(ClipRect());
  clip_->region -= MirrorTransform().map(QRegion(LogicalRect(r)));
}

void TCanvas::ResetClip() { clip_.reset(); }

// ---- Windows-style entry points ----

int GetDeviceCaps(HDC canvas, int index) { return canvas ? canvas->DeviceCaps(index) : 0; }

int SetMapMode(HDC canvas, int mode) {
  if (!canvas) return 0;
  const int previous = canvas->MapMode();
  canvas->SetMapMode(mode);
  return previous;
}

int DrawText(HDC canvas, std::string_view text, TRect* r, unsigned flags) {
  return canvas && r ? canvas->DrawText(text, *r, flags) : 0;
}

namespace {

void EdgeLines(TCanvas& c, TRect& r, unsigned flags, TColor topLeft, TColor bottomRight) {
  // Top-left first; the bottom-right colour owns the two far corners.
  auto line = [&](int x1, int y1, int x2, int y2, TColor color) {
    c.Pen()->SetColor(color);
    c.MoveTo(x1, y1);
    c.LineTo(x2, y2);
  };
  if (flags & BF_LEFT) line(r.Left, r.Top, r.Left, r.Bottom - 1, topLeft);
  if (flags & BF_TOP) line(r.Left, r.Top, r.Right - 1, r.Top, topLeft);
  if (flags & BF_RIGHT) line(r.Right - 1, r.Top, r.Right - 1, r.Bottom, bottomRight);
  if (flags & BF_BOTTOM) line(r.Left, r.Bottom - 1, r.Right, r.Bottom - 1, bottomRight);
  if (flags & BF_LEFT) ++r.Left;
  if (flags & BF_TOP) ++r.Top;
  if (flags & BF_RIGHT) --r.Right;
  if (flags & BF_BOTTOM) --r.Bottom;
}

}  // namespace

bool DrawEdge(HDC canvas, TRect* rect, unsigned edge, unsigned flags) {
  if (!canvas || !rect) return false;
  TCanvas& c = *canvas;
  const TPen savedPen = [&] { TPen p; p.Assign(*c.Pen()); return p; }();
  const TPoint savedPos = c.PenPos();
  c.Pen()->SetStyle(psSolid);
  c.Pen()->SetWidth(1);
  c.Pen()->SetMode(pmCopy);
  TRect r = *rect;
  const unsigned outer = edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER);
  const unsigned inner = edge & (BDR_RAISEDINNER | BDR_SUNKENINNER);
  if (flags & BF_MONO) {
    if (outer) EdgeLines(c, r, flags, clWindowFrame, clWindowFrame);
    if (inner) EdgeLines(c, r, flags, clWindow, clWindow);
  } else if (flags & BF_FLAT) {
    if (outer) EdgeLines(c, r, flags, clBtnShadow, clBtnShadow);
    if (inner) EdgeLines(c, r, flags, clBtnFace, clBtnFace);
  } else {
    if (outer & BDR_RAISEDOUTER) EdgeLines(c, r, flags, cl3DLight, cl3DDkShadow);
    else if (outer & BDR_SUNKENOUTER) EdgeLines(c, r, flags, clBtnShadow, clBtnHighlight);
    if (inner & BDR_RAISEDINNER) EdgeLines(c, r, flags, clBtnHighlight, clBtnShadow);
    else if (inner & BDR_SUNKENINNER) EdgeLines(c, r, flags, cl3DDkShadow, cl3DLight);
  }
  if (flags & BF_MIDDLE) {
    const TColor savedBrush = c.Brush()->Color();
    const TBrushStyle savedStyle = c.Brush()->Style();
    c.Brush()->SetColor((flags & BF_MONO) ? clWindow : clBtnFace);
    c.FillRect(r);
    c.Brush()->SetColor(savedBrush);
    c.Brush()->SetStyle(savedStyle);
  }
  if (flags & BF_ADJUST) *rect = r;
  c.Pen()->Assign(savedPen);
  c.SetPenPos(savedPos);
  return true;
}

namespace {

void FillWith(TCanvas& c, const TRect& r, TColor color) {
  const TColor saved = c.Brush()->Color();
  const TBrushStyle style = c.Brush()->Style();
  c.Brush()->SetColor(color);
  c.FillRect(r);
  c.Brush()->SetColor(saved);
  c.Brush()->SetStyle(style);
}

// A solid triangle pointing in `direction` (0 up, 1 down, 2 left, 3 right)
// centred in r.
void DrawArrow(TCanvas& c, const TRect& r, unsigned direction, TColor color) {
  const int size = std::max(2, std::min(r.Width(), r.Height()) / 4);
  const int cx = r.Left + r.Width() / 2, cy = r.Top + r.Height() / 2;
  c.Pen()->SetColor(color);
  for (int i = 0; i < size; ++i) {
    switch (direction) {
      case DFCS_SCROLLUP: c.MoveTo(cx - i, cy - size / 2 + i); c.LineTo(cx + i + 1, cy - size / 2 + i); break;
      case DFCS_SCROLLLEFT: c.MoveTo(cx - size / 2 + i, cy - i); c.LineTo(cx - size / 2 + i, cy + i + 1); break;
      case DFCS_SCROLLRIGHT: c.MoveTo(cx + size / 2 - i, cy - i); c.LineTo(cx + size / 2 - i, cy + i + 1); break;
      default: c.MoveTo(cx - i, cy + size / 2 - i); c.LineTo(cx + i + 1, cy + size / 2 - i); break;
    }
  }
}

void DrawCheckMark(TCanvas& c, const TRect& box, TColor color) {
  c.Pen()->SetColor(color);
  const int x = box.Left + (box.Width() - 7) / 2, y = box.Top + (box.Height() - 7) / 2;
  for (int i = 0; i < 3; ++i) {
    c.MoveTo(x, y + 2 + i);
    c.LineTo(x + 3, y + 5 + i);
    c.LineTo(x + 8, y + i);
  }
}

}  // namespace

bool DrawFrameControl(HDC canvas, TRect* rect, unsigned kind, unsigned state) {
  if (!canvas || !rect) return false;
  TCanvas& c = *canvas;
  TRect r = *rect;
  const TPoint savedPos = c.PenPos();
  const TColor savedPenColor = c.Pen()->Color();
  const bool pushed = state & DFCS_PUSHED, flat = state & DFCS_FLAT, inactive = state & DFCS_INACTIVE;
  if (kind == DFC_BUTTON && (state & 0x1F) == DFCS_BUTTONPUSH) {
    DrawEdge(&c, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE | (flat ? BF_FLAT : 0));
  } else if (kind == DFC_BUTTON) {
    // Check box or radio button: a square (or circle) of 13 pixels.
    const int size = std::min({13, r.Width(), r.Height()});
    TRect box = Bounds(r.Left + (r.Width() - size) / 2, r.Top + (r.Height() - size) / 2, size, size);
    const TColor face = pushed || inactive ? clBtnFace : clWindow;
    if (state & DFCS_BUTTONRADIO) {
      c.Pen()->SetColor(clBtnShadow);
      c.Brush()->SetColor(face);
      c.Ellipse(box);
      if (state & DFCS_CHECKED) {
        c.Brush()->SetColor(inactive ? clGrayText : clWindowText);
        c.Pen()->SetColor(inactive ? clGrayText : clWindowText);
        c.Ellipse(box.Left + 4, box.Top + 4, box.Right - 4, box.Bottom - 4);
      }
    } else {
      DrawEdge(&c, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST | (flat ? BF_FLAT : 0));
      FillWith(c, box, face);
      if (state & DFCS_CHECKED) DrawCheckMark(c, box, inactive ? clGrayText : clWindowText);
    }
    r = box;
  } else if (kind == DFC_SCROLL) {
    DrawEdge(&c, &r, pushed && !flat ? EDGE_SUNKEN : EDGE_RAISED,
             BF_RECT | BF_ADJUST | BF_MIDDLE | (flat || pushed ? BF_FLAT : 0));
    TRect arrow = r;
    if (pushed) OffsetRect(arrow, 1, 1);
    const unsigned direction = (state & 0x0F) == DFCS_SCROLLCOMBOBOX ? DFCS_SCROLLDOWN : (state & 0x0F);
    DrawArrow(c, arrow, direction, inactive ? clGrayText : clBtnText);
  } else {
    DrawEdge(&c, &r, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE);
  }
  if (state & DFCS_ADJUSTRECT) *rect = r;
  c.Pen()->SetColor(savedPenColor);
  c.SetPenPos(savedPos);
  return true;
}
