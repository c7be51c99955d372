#include "framework/resources.h"

#include <QCursor>
#include <QPixmap>
#include <map>

#include "framework/canvas.h"

namespace {

struct BitmapResource {
  int width;
  int height;
  TResourcePainter paint;
};

// Names compare without case, as resource names do.
struct NoCase {
  bool operator()(const AnsiString& a, const AnsiString& b) const { return UpperCase(a) < UpperCase(b); }
};

std::map<AnsiString, BitmapResource, NoCase>& Bitmaps() {
  static std::map<AnsiString, BitmapResource, NoCase> bitmaps;
  return bitmaps;
}

struct CursorResource {
  int width, height, hotX, hotY;
  TResourcePainter paint;
};

std::map<int, CursorResource>& Cursors() {
  static std::map<int, CursorResource> cursors;
  return cursors;
}

}  // namespace

void RegisterBitmapResource(const AnsiString& name, int width, int height, TResourcePainter paint) {
  Bitmaps()[name] = {width, height, std::move(paint)};
}

bool HasBitmapResource(const AnsiString& name) { return Bitmaps().count(name) != 0; }

void LoadBitmapResource(TBitmap& bitmap, const AnsiString& name) {
  const auto it = Bitmaps().find(name);
  if (it == Bitmaps().end()) throw EResNotFound("Resource " + name + " not found");
  const BitmapResource& res = it->second;
  bitmap.SetSize(res.width, res.height);
  if (res.paint) res.paint(*bitmap.Canvas(), res.width, res.height);
}

void RegisterCursorResource(int id, int width, int height, int hotX, int hotY, TResourcePainter paint) {
  Cursors()[id] = {width, height, hotX, hotY, std::move(paint)};
}

TCursor LoadCursorResource(int id) {
  if (id <= 0 || !Cursors().count(id)) throw EResNotFound("Cursor resource " + IntToStr(id) + " not found");
  return id;
}

QCursor ToQCursor(TCursor cursor) {
  const auto it = Cursors().find(cursor);
  if (it == Cursors().end()) return QCursor(static_cast<Qt::CursorShape>(QtCursorShape(cursor)));
  const CursorResource& res = it->second;
  TBitmap image;
  image.SetSize(res.width, res.height);
  // Drawn on the transparent colour: what the painter leaves is see-through.
  image.Canvas()->Brush()->SetColor(clFuchsia);
  image.Canvas()->FillRect({0, 0, res.width, res.height});
  if (res.paint) res.paint(*image.Canvas(), res.width, res.height);
  QPixmap pixmap = QPixmap::fromImage(*image.Canvas()->Target());
  pixmap.setMask(pixmap.createMaskFromColor(QColor(255, 0, 255)));
  return QCursor(pixmap, res.hotX, res.hotY);
}

namespace {
std::map<AnsiString, std::string, NoCase>& DataResources() {
  static std::map<AnsiString, std::string, NoCase> resources;
  return resources;
}
}  // namespace

void RegisterDataResource(const AnsiString& name, std::string bytes) { DataResources()[name] = std::move(bytes); }

const std::string* FindDataResource(const AnsiString& name) {
  const auto it = DataResources().find(name);
  return it == DataResources().end() ? nullptr : &it->second;
}
