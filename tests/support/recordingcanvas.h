#pragma once
// A canvas on an image that keeps every drawing call made on it, with its
// arguments and the tools in force, for exact layout checks; and the fixed
// face that makes text metrics the same on every machine.
#include <QFontDatabase>
#include <QImage>
#include <string_view>
#include <vector>

#include "framework/canvas.h"

namespace benchtest {

// DejaVu Sans from Debian's fonts-dejavu-core (scripts/setup installs it).
inline constexpr const char* kTestFontName = "DejaVu Sans";
inline constexpr const char* kTestFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Registers the fixed face with the text engine (once) and gives it to font;
// false when the face's file is missing.
inline bool UseTestFont(TFont& font, int points = 10) {
  static const bool registered = QFontDatabase::addApplicationFont(kTestFontFile) >= 0;
  font.SetName(kTestFontName);
  font.SetSize(points);
  font.SetStyle(0);
  font.SetColor(clBlack);
  return registered;
}

class RecordingCanvas {
 public:
  explicit RecordingCanvas(int width = 400, int height = 200) : image_(width, height, QImage::Format_RGB32) {
    image_.fill(Qt::white);
    canvas.Attach(&image_);
    canvas.OnCall = [this](const TCanvasCall& call) { calls.push_back(call); };
    fontFound = UseTestFont(*canvas.Font());
  }
  RecordingCanvas(const RecordingCanvas&) = delete;
  RecordingCanvas& operator=(const RecordingCanvas&) = delete;

  // The calls of one method, in order.
  std::vector<TCanvasCall> Named(std::string_view name) const {
    std::vector<TCanvasCall> named;
    for (const TCanvasCall& call : calls)
      if (call.name == name) named.push_back(call);
    return named;
  }
  // The texts drawn, in order.
  std::vector<AnsiString> Texts() const {
    std::vector<AnsiString> texts;
    for (const TCanvasCall& call : calls)
      if (!call.text.empty()) texts.push_back(call.text);
    return texts;
  }
  // The first call that drew exactly this text, or null.
  const TCanvasCall* Text(std::string_view text) const {
    for (const TCanvasCall& call : calls)
      if (call.text == text) return &call;
    return nullptr;
  }
  const QImage& Image() const { return image_; }

  TCanvas canvas;
  std::vector<TCanvasCall> calls;
  bool fontFound = false;

 private:
  QImage image_;
};

}  // namespace benchtest
