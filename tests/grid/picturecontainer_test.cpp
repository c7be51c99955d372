// Pictures of mark-up text: decoding, GIF frames and animation, loading by
// address, the cache, the named container and the picture control.
#include "grid/picturecontainer.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <filesystem>
#include <fstream>

#include "framework/canvas.h"
#include "framework/resources.h"
#include "framework/thread.h"
#include "tests/support/eventually.h"
#include "tests/support/giffixture.h"
#include "tests/support/scratch.h"

namespace {

using benchtest::GifFrame;
using benchtest::MakeGif;

std::string EncodeImage(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes.toStdString();
}

QImage SolidImage(int width, int height, Qt::GlobalColor color) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(color);
  return image;
}

void LoadBytes(THTMLPicture& picture, const std::string& bytes) {
  TStringStream stream(bytes);
  picture.LoadFromStream(&stream);
}

// The three frames of the animation most tests use: red over the whole
// screen, then green and blue in smaller rectangles.
std::string ThreeFrameGif(int delay = 50) {
  return MakeGif(20, 10,
                 {GifFrame{0, 0, 20, 10, 1, delay}, GifFrame{2, 3, 5, 4, 2, delay}, GifFrame{8, 1, 6, 6, 3, delay}});
}

QRgb PixelOf(const THTMLPicture& picture, int x, int y) { return picture.Image().pixel(x, y) & 0xFFFFFF; }

// ---- Decoding and GIF frames ----

TEST(HTMLPicture, ReadsEachFormatQtDecodesAndKeepsTheFileBytes) {
  for (const char* format : {"PNG", "BMP", "JPEG", "ICO"}) {
    SCOPED_TRACE(format);
    const std::string bytes = EncodeImage(SolidImage(12, 7, Qt::red), format);
    THTMLPicture picture;
    int changes = 0;
    picture.OnChange = [&](TObject*) { ++changes; };
    LoadBytes(picture, bytes);
    EXPECT_FALSE(picture.GetEmpty());
    EXPECT_EQ(picture.Width(), 12);
    EXPECT_EQ(picture.Height(), 7);
    EXPECT_EQ(picture.GetMaxWidth(), 12);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(picture.GetFrameCount(), -1);
    EXPECT_FALSE(picture.Step());
    TMemoryStream saved;
    picture.SaveToStream(&saved);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(saved.Memory()), saved.Size()), bytes);
  }
}

TEST(HTMLPicture, SelectsAGifFrameWithItsPlaceAndSize) {
  THTMLPicture picture;
  LoadBytes(picture, ThreeFrameGif());
  EXPECT_TRUE(picture.IsGIFFile());
  EXPECT_EQ(picture.GetFrameCount(), 3);
  EXPECT_EQ(PixelOf(picture, 0, 0), benchtest::kGifPalette[1]);

  int frameChanges = 0;
  picture.OnFrameChange = [&](TObject*) { ++frameChanges; };
  picture.SetFrame(2);
  EXPECT_EQ(frameChanges, 1);
  EXPECT_EQ(picture.FrameLeft(), 2);
  EXPECT_EQ(picture.FrameTop(), 3);
  EXPECT_EQ(picture.Width(), 5);
  EXPECT_EQ(picture.Height(), 4);
  EXPECT_EQ(picture.GetMaxWidth(), 20);
  EXPECT_EQ(picture.GetMaxHeight(), 10);
  EXPECT_EQ(PixelOf(picture, 0, 0), benchtest::kGifPalette[2]);

  picture.SetFrame(3);
  EXPECT_EQ(picture.FrameLeft(), 8);
  EXPECT_EQ(picture.Width(), 6);
  EXPECT_EQ(PixelOf(picture, 5, 5), benchtest::kGifPalette[3]);
}

TEST(HTMLPicture, FrameTimesAndStepsWrapAroundTheFrames) {
  THTMLPicture picture;
  LoadBytes(picture, MakeGif(4, 4, {GifFrame{0, 0, 4, 4, 1, 30}, GifFrame{0, 0, 4, 4, 2, 70}}));
  EXPECT_EQ(picture.GetFrameTime(1), 30);
  EXPECT_EQ(picture.GetFrameTime(2), 70);
  EXPECT_EQ(picture.GetFrameTime(3), -1);

  picture.FramePrev();
  EXPECT_EQ(picture.Frame(), 2);
  picture.FrameNext();
  EXPECT_EQ(picture.Frame(), 1);
  picture.FrameNext();
  EXPECT_EQ(picture.Frame(), 2);
}

TEST(HTMLPicture, StepChangesFramesWhenTheirDelaysHaveRunOut) {
  THTMLPicture picture;
  LoadBytes(picture, ThreeFrameGif(50));
  std::vector<int> changedAtTick;
  for (int tick = -1; tick < 16; ++tick)
    if (picture.Step()) changedAtTick.push_back(tick);
  EXPECT_EQ(changedAtTick, (std::vector<int>{0, 5, 10, 15}));
  EXPECT_EQ(picture.Frame(), 2);  // 2, 3, 1, 2
  EXPECT_EQ(PixelOf(picture, 0, 0), benchtest::kGifPalette[2]);
}

TEST(HTMLPicture, NewBytesStartANewAnimation) {
  THTMLPicture picture;
  LoadBytes(picture, ThreeFrameGif());
  picture.SetFrame(3);
  LoadBytes(picture, MakeGif(3, 3, {GifFrame{0, 0, 3, 3, 2, 10}}));
  EXPECT_EQ(picture.GetFrameCount(), 1);
  EXPECT_EQ(picture.Frame(), 1);
  EXPECT_EQ(PixelOf(picture, 1, 1), benchtest::kGifPalette[2]);
}

TEST(HTMLPicture, GarbageAndCutDataFailWithTheMessageAndNeverReadPastTheEnd) {
  const std::string gif = ThreeFrameGif();
  std::vector<std::string> inputs = {"GIF89a", "GIF8", std::string(40, '\x21'), "not a picture at all"};
  // Every prefix of a real animation, cut inside headers, extensions and
  // image data alike.
  for (std::size_t length = 5; length < gif.size(); ++length) inputs.push_back(gif.substr(0, length));
  for (const std::string& bytes : inputs) {
    THTMLPicture picture;
    try {
      LoadBytes(picture, bytes);
      EXPECT_GE(picture.GetFrameCount(), 1);
      for (int frame = 1; frame <= 4; ++frame) picture.GetFrameTime(frame);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, "Could not load image. Invalid format");
      EXPECT_TRUE(picture.GetEmpty());
    }
  }
}

TEST(HTMLPicture, AssignCopiesTheBytesAndNullEmpties) {
  THTMLPicture source;
  LoadBytes(source, ThreeFrameGif());
  source.SetFrame(2);
  THTMLPicture copy;
  copy.Assign(&source);
  EXPECT_FALSE(copy.GetEmpty());
  EXPECT_EQ(copy.Frame(), 1);
  EXPECT_EQ(copy.Width(), 20);
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.GetEmpty());
  EXPECT_EQ(copy.Width(), 0);
  TMemoryStream saved;
  copy.SaveToStream(&saved);
  EXPECT_EQ(saved.Size(), 0);
}

TEST(HTMLPicture, DrawsAtNaturalSizeOrStretched) {
  THTMLPicture picture;
  LoadBytes(picture, EncodeImage(SolidImage(4, 3, Qt::red), "PNG"));
  QImage target(20, 20, QImage::Format_RGB32);
  target.fill(Qt::white);
  TCanvas canvas;
  canvas.Attach(&target);

  picture.Draw(&canvas, Rect(2, 2, 18, 18));
  EXPECT_EQ(canvas.Pixels(5, 4), clRed);
  EXPECT_EQ(canvas.Pixels(6, 4), clWhite);
  EXPECT_EQ(canvas.Pixels(5, 5), clWhite);

  picture.SetStretch(true);
  picture.Draw(&canvas, Rect(2, 2, 18, 18));
  EXPECT_EQ(canvas.Pixels(17, 17), clRed);
  EXPECT_EQ(canvas.Pixels(18, 18), clWhite);
}

// ---- Loading by address ----

class HTMLPictureFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.Created());
    path_ = dir_.File("Chart.png");
    std::ofstream(path_, std::ios::binary) << EncodeImage(SolidImage(6, 5, Qt::blue), "PNG");
  }
  benchtest::TempDir dir_;
  std::string path_;
};

TEST_F(HTMLPictureFiles, FileAddressesLoadThePathAsWritten) {
  THTMLPicture picture;
  picture.LoadFromURL("file://" + path_);
  EXPECT_FALSE(picture.GetEmpty());
  EXPECT_EQ(picture.Width(), 6);
  EXPECT_EQ(picture.ID(), "file://" + path_);

  THTMLPicture upperPrefix;
  upperPrefix.LoadFromURL("FILE://" + path_);
  EXPECT_FALSE(upperPrefix.GetEmpty());

  // File names differ by case on this system.
  THTMLPicture otherCase;
  otherCase.LoadFromURL("file://" + dir_.File("chart.png"));
  EXPECT_TRUE(otherCase.GetEmpty());
}

TEST_F(HTMLPictureFiles, AFileThatCannotBeReadLeavesThePictureEmpty) {
  THTMLPicture picture;
  picture.LoadFromFile(dir_.File("missing.png"));
  EXPECT_TRUE(picture.GetEmpty());
  std::ofstream(dir_.File("bad.png")) << "plain text";
  picture.LoadFromFile(dir_.File("bad.png"));
  EXPECT_TRUE(picture.GetEmpty());
  EXPECT_EQ(picture.Width(), 0);
}

TEST(HTMLPicture, ResourceAddressesLoadTheProgramsDataResources) {
  RegisterDataResource("PictureTestLogo", EncodeImage(SolidImage(3, 2, Qt::green), "PNG"));
  RegisterDataResource("#7001", EncodeImage(SolidImage(2, 2, Qt::green), "BMP"));
  THTMLPicture named;
  named.LoadFromURL("res://PictureTestLogo");
  EXPECT_EQ(named.Width(), 3);
  EXPECT_EQ(named.ID(), "res://PictureTestLogo");

  THTMLPicture missing;
  missing.LoadFromURL("RES://NoSuchResource");
  EXPECT_TRUE(missing.GetEmpty());
  missing.LoadFromResourceID(7001);
  EXPECT_EQ(missing.Width(), 2);
  EXPECT_THROW(missing.LoadFromResourceID(7002), EResNotFound);
}

TEST(HTMLPicture, OtherAddressesAreRecordedButNotLoaded) {
  THTMLPicture synchronous;
  synchronous.SetAsynchronous(false);
  synchronous.LoadFromURL("http://example.invalid/a.gif");
  EXPECT_EQ(synchronous.ID(), "http://example.invalid/a.gif");
  EXPECT_TRUE(synchronous.GetEmpty());
  EXPECT_FALSE(synchronous.Busy());

  const auto threads = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/task"), {}); };
  const auto before = threads();
  THTMLPicture asynchronous;
  asynchronous.LoadFromURL("http://example.invalid/b.gif");
  EXPECT_TRUE(asynchronous.Busy());
  EXPECT_EQ(asynchronous.URL(), "http://example.invalid/b.gif");
  EXPECT_EQ(asynchronous.ID(), "");
  EXPECT_TRUE(asynchronous.GetEmpty());
  // The download thread ends at once and frees itself on the window thread.
  EXPECT_TRUE(benchtest::Eventually([&] {
    QCoreApplication::processEvents();
    CheckSynchronize();
    return threads() <= before;
  }));
  QCoreApplication::processEvents();
  CheckSynchronize();
}

// ---- Cache and container ----

TEST(HTMLPictureCache, FindsBySourceTextInItsExactCase) {
  THTMLPictureCache cache;
  THTMLPicture* first = cache.AddPicture();
  first->SetID("file:///tmp/A.png");
  THTMLPicture* second = cache.AddPicture();
  second->SetID("file:///tmp/b.png");
  EXPECT_EQ(cache.FindPicture("file:///tmp/A.png"), first);
  EXPECT_EQ(cache.FindPicture("file:///tmp/b.png"), second);
  EXPECT_EQ(cache.FindPicture("FILE:///TMP/A.PNG"), nullptr);
  EXPECT_EQ(cache.GetPicture(1), second);
}

TEST(HTMLPictureCache, ClearPicturesLeavesNoEntryBehind) {
  THTMLPictureCache cache;
  cache.AddPicture()->SetID("x://one");
  cache.AddPicture()->SetID("x://two");
  cache.ClearPictures();
  EXPECT_EQ(cache.Count(), 0);
  EXPECT_EQ(cache.FindPicture("x://one"), nullptr);
  EXPECT_THROW(cache.GetPicture(0), EListError);
  EXPECT_FALSE(cache.Animate());
  // Still usable afterwards.
  cache.AddPicture()->SetID("x://three");
  EXPECT_NE(cache.FindPicture("x://three"), nullptr);
}

TEST(HTMLPictureCache, AnimateStepsEveryPicture) {
  THTMLPictureCache cache;
  LoadBytes(*cache.AddPicture(), ThreeFrameGif(10));
  LoadBytes(*cache.AddPicture(), EncodeImage(SolidImage(2, 2, Qt::red), "PNG"));
  EXPECT_FALSE(cache.Animate());
  EXPECT_TRUE(cache.Animate());
  EXPECT_EQ(cache.GetPicture(0)->Frame(), 2);
  cache.SetPicture(0, new THTMLPicture);
  EXPECT_TRUE(cache.GetPicture(0)->GetEmpty());
}

TEST(PictureContainer, FindsNamesWithoutRegardToCase) {
  TPictureContainer container(nullptr);
  TPictureItem* logo = container.Items()->Add();
  logo->SetName("Logo");
  LoadBytes(*logo->Picture(), EncodeImage(SolidImage(2, 2, Qt::red), "PNG"));
  container.Items()->Insert(0)->SetName("Other");
  EXPECT_EQ(container.FindPicture("LOGO"), logo->Picture());
  EXPECT_EQ(container.FindPicture("logo"), logo->Picture());
  EXPECT_EQ(container.FindPicture("Logos"), nullptr);
  EXPECT_EQ(logo->Index(), 1);
  EXPECT_EQ(container.Items()->GetOwner(), &container);
  EXPECT_EQ(container.GetVersion(), "1.0.0.0");
  EXPECT_THROW(container.Items()->Insert(5), EListError);
}

TEST(PictureContainer, ItemsAreCopiedNotShared) {
  TPictureCollection given(nullptr);
  TPictureItem* item = given.Add();
  item->SetName("Mark");
  item->SetTag(42);
  LoadBytes(*item->Picture(), EncodeImage(SolidImage(3, 3, Qt::red), "PNG"));
  TPictureContainer container(nullptr);
  container.SetItems(&given);
  given.Clear();
  ASSERT_EQ(container.Items()->Count(), 1);
  EXPECT_EQ(container.Items()->Items(0)->Tag(), 42);
  ASSERT_NE(container.FindPicture("mark"), nullptr);
  EXPECT_EQ(container.FindPicture("mark")->Width(), 3);
}

// ---- The picture control ----

struct PlacementCase {
  TPicturePosition position;
  TPoint redAt;       // a pixel of the picture
  TPoint whiteAt;     // a pixel next to it; none when X is -1
};

std::string PositionName(const ::testing::TestParamInfo<PlacementCase>& info) {
  static const char* const kNames[] = {"TopLeft", "TopRight", "BottomLeft", "BottomRight", "Center", "Tiled", "Stretched"};
  return kNames[info.param.position];
}

class HTMLImagePlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(HTMLImagePlacement, DrawsThePictureWhereThePositionSays) {
  THTMLImage image(nullptr);
  image.SetColor(clWhite);
  image.SetBounds(0, 0, 25, 25);
  LoadBytes(*image.HTMLPicture(), EncodeImage(SolidImage(10, 10, Qt::red), "PNG"));
  image.SetPicturePosition(GetParam().position);
  image.Repaint();
  const QImage& shown = image.BackingImage();
  EXPECT_EQ(shown.pixel(GetParam().redAt.X, GetParam().redAt.Y) & 0xFFFFFF, 0xFF0000u);
  if (GetParam().whiteAt.X >= 0) {
    EXPECT_EQ(shown.pixel(GetParam().whiteAt.X, GetParam().whiteAt.Y) & 0xFFFFFF, 0xFFFFFFu);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Positions, HTMLImagePlacement,
    ::testing::Values(PlacementCase{bpTopLeft, {9, 9}, {10, 10}}, PlacementCase{bpTopRight, {15, 0}, {14, 0}},
                      PlacementCase{bpBottomLeft, {0, 15}, {0, 14}}, PlacementCase{bpBottomRight, {24, 24}, {14, 14}},
                      PlacementCase{bpCenter, {7, 7}, {6, 6}}, PlacementCase{bpTiled, {24, 24}, {-1, -1}},
                      PlacementCase{bpStretched, {24, 0}, {-1, -1}}),
    PositionName);

TEST(HTMLImage, TilesCopiesAcrossAndDownAndSkipsAPictureOfNoSize) {
  THTMLImage image(nullptr);
  image.SetColor(clWhite);
  image.SetBounds(0, 0, 25, 25);
  LoadBytes(*image.HTMLPicture(), EncodeImage(SolidImage(10, 10, Qt::red), "PNG"));
  image.SetPicturePosition(bpTiled);
  image.Repaint();
  for (int y = 0; y < 25; y += 5)
    for (int x = 0; x < 25; x += 5) EXPECT_EQ(image.BackingImage().pixel(x, y) & 0xFFFFFF, 0xFF0000u) << x << "," << y;

  // At one pixel per inch the loaded picture measures 0 x 0.
  image.HTMLPicture()->SetPixelsPerInch(1, 1);
  ASSERT_FALSE(image.HTMLPicture()->GetEmpty());
  ASSERT_EQ(image.HTMLPicture()->Width(), 0);
  image.Repaint();
  EXPECT_EQ(image.BackingImage().pixel(12, 12) & 0xFFFFFF, 0xFFFFFFu);
}

}  // namespace
