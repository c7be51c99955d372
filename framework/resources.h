#pragma once
// Named bitmap resources of the program: each is registered with its size
// and a routine that draws it, and loaded by name into a TBitmap.
#include <functional>

#include "framework/controls.h"
#include "framework/graphics.h"
#include "framework/sysutils.h"

class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};

// Draws a resource's pixels into a canvas of the registered size.
using TResourcePainter = std::function<void(TCanvas& canvas, int width, int height)>;

// Registers (or replaces) the bitmap resource of that name.
void RegisterBitmapResource(const AnsiString& name, int width, int height, TResourcePainter paint);
bool HasBitmapResource(const AnsiString& name);
// Sizes the bitmap and draws the resource into it; EResNotFound, with the
// bitmap untouched, when no resource has that name.
void LoadBitmapResource(TBitmap& bitmap, const AnsiString& name);

// Cursor resources: numbered cursors of the program, drawn into an image of
// the given size with the hot spot at (hotX, hotY). A loaded cursor is a
// TCursor (its number) that controls and the screen take like the
// standard ones.
void RegisterCursorResource(int id, int width, int height, int hotX, int hotY, TResourcePainter paint);
// EResNotFound when no cursor has that number.
TCursor LoadCursorResource(int id);

class QCursor;
// The Qt cursor of a standard or loaded cursor.
QCursor ToQCursor(TCursor cursor);

// Data resources: raw bytes of the program (pictures, documents), by name;
// a numbered resource is named "#" and its number, as resource numbers are
// written. Names compare without case.
void RegisterDataResource(const AnsiString& name, std::string bytes);
// Null when no data resource has that name.
const std::string* FindDataResource(const AnsiString& name);
