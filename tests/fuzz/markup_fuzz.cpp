// The mark-up engine and its text utilities: any text is laid out, drawn,
// measured and hit-tested in both variants without running away, and the
// utilities keep their promises: escaped text holds no mark-up, and
// highlighting plain text adds tags and nothing else.
//
// Input: a byte that chooses the call (bits 0-1: draw, measure, hit test;
// bit 2: the label's variant), a byte whose bit 0 turns word wrap on, a byte
// for the rectangle's width, then the text; the highlight searches for the
// text's last few characters.
#include <fuzzer/FuzzedDataProvider.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>

#include "framework/application.h"
#include "framework/canvas.h"
#include "grid/zghtmle.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

enum class Call { Draw, Measure, HitTest };

struct Choice {
  Call call = Call::Draw;
  bool label = false;
  bool wordWrap = false;
  TRect bounds;
};

void LayOut(TCanvas& canvas, const AnsiString& text, const Choice& c) {
  const bool hitTest = c.call == Call::HitTest;
  const bool measure = c.call == Call::Measure;
  const int x = c.bounds.Width() / 2, y = 5;
  AnsiString anchor, plain, focus, title, controlID, controlValue, controlType;
  int xSize = -1, ySize = -1, links = 0, mouseLink = 0;
  TRect hover, control;
  bool hit = false;
  if (c.label) {
    hit = HTMLDrawEx(&canvas, text, c.bounds, nullptr, x, y, 0, 1, 2, hitTest, measure, false, true, false, false,
                     c.wordWrap, 1.0, clBlue, clYellow, clRed, clGray, anchor, plain, focus, xSize, ySize, links,
                     mouseLink, hover, nullptr, nullptr, 0);
  } else {
    hit = HTMLDrawEx(&canvas, text, c.bounds, nullptr, x, y, 0, 1, 2, hitTest, measure, false, true, false, false,
                     c.wordWrap, false, 1.0, clBlue, clYellow, clRed, clGray, anchor, plain, focus, title, xSize,
                     ySize, links, mouseLink, hover, control, controlID, controlValue, controlType, nullptr, nullptr,
                     nullptr);
  }
  FUZZ_CHECK(xSize >= 0 && ySize > 0);
  FUZZ_CHECK(links >= 0);
  if (measure) FUZZ_CHECK(!hit);
}

void CheckUtilities(const AnsiString& text, const AnsiString& search) {
  const AnsiString escaped = FixMarkup(text);
  FUZZ_CHECK(escaped.find_first_of("<>\"") == AnsiString::npos);
  FUZZ_CHECK(HTMLStrip(escaped) == escaped);
  FUZZ_CHECK(HiLight(text, "", "hl", true) == text);
  if (text.find_first_of("<>") == AnsiString::npos) {
    for (bool caseSensitive : {true, false}) {
      const AnsiString marked = HiLight(text, search, "hl", caseSensitive);
      FUZZ_CHECK(HTMLStrip(marked) == text);
      FUZZ_CHECK(UnHiLight(marked, "hl") == text);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::uint8_t how = input.ConsumeIntegral<std::uint8_t>();
  Choice choice;
  choice.call = static_cast<Call>((how & 3) % 3);
  choice.label = how & 4;
  choice.wordWrap = input.ConsumeIntegral<std::uint8_t>() & 1;
  choice.bounds = {0, 0, 2 * input.ConsumeIntegral<std::uint8_t>(), 120};
  const AnsiString text = input.ConsumeRemainingBytesAsString();

  static QImage image(520, 120, QImage::Format_RGB32);
  TCanvas canvas;
  canvas.Attach(&image);
  LayOut(canvas, text, choice);
  CheckUtilities(text, text.substr(text.size() - std::min<std::size_t>(text.size(), 2)));
  return 0;
}
