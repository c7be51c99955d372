// The picture loader's GIF walker: any bytes either load as a picture or are
// refused with an exception; the frames it counts are the frames whose
// delays it reads, each selectable, and none past the last.
//
// Input: the picture file's bytes.
#include <QGuiApplication>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>

#include "framework/streams.h"
#include "grid/picturecontainer.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

// Every frame of a long animation costs a walk over the file: the first few
// and the last stand for the rest.
constexpr int kFramesVisited = 8;

void CheckFrames(THTMLPicture& picture) {
  const int count = picture.GetFrameCount();
  if (!picture.IsGIFFile()) {
    FUZZ_CHECK(count == -1);
    FUZZ_CHECK(picture.GetFrameTime(1) == -1);
    return;
  }
  FUZZ_CHECK(count >= 0);
  FUZZ_CHECK(picture.GetFrameTime(count + 1) == -1);
  for (int frame = 1; frame <= count; frame = frame < kFramesVisited ? frame + 1 : std::max(frame + 1, count)) {
    FUZZ_CHECK(picture.GetFrameTime(frame) >= 0);
    try {
      picture.SetFrame(frame);
    } catch (const std::exception&) {
      continue;  // a frame the decoder cannot read shows nothing
    }
    FUZZ_CHECK(picture.Frame() == frame);
    FUZZ_CHECK(picture.GetMaxWidth() >= 0 && picture.GetMaxHeight() >= 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication application(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream stream;
  stream.Write(data, static_cast<std::int64_t>(size));
  stream.SetPosition(0);
  THTMLPicture picture;
  try {
    picture.LoadFromStream(&stream);
  } catch (const std::exception&) {
    FUZZ_CHECK(picture.GetEmpty());
  }
  CheckFrames(picture);
  return 0;
}
