// The mark-up label: its text, painting, anchors under the mouse, clicks,
// hints and automatic size, through the real mark-up engine.
#include "grid/rovuveza.h"

#include <gtest/gtest.h>

#include <optional>

#include "framework/hints.h"
#include "framework/testing/harness.h"
#include "tests/support/scratch.h"

namespace {

QRgb RgbOf(TColor color) { return ToQColor(ColorToRGB(color)).rgb() & 0xFFFFFF; }
QRgb PixelOf(const TROVUveza& label, int x, int y) { return label.BackingImage().pixel(x, y) & 0xFFFFFF; }

// The bounding box of the pixels in a colour; nullopt when there are none.
std::optional<TRect> AreaOf(const TROVUveza& label, TColor color) {
  const QImage& image = label.BackingImage();
  std::optional<TRect> box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      if ((image.pixel(x, y) & 0xFFFFFF) != RgbOf(color)) continue;
      if (!box) box = TRect{x, y, x + 1, y + 1};
      box->Left = std::min(box->Left, x);
      box->Top = std::min(box->Top, y);
      box->Right = std::max(box->Right, x + 1);
      box->Bottom = std::max(box->Bottom, y + 1);
    }
  return box;
}

class Label : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetBounds(0, 0, 400, 200);
    label_ = new TROVUveza(form_.get());
    label_->SetParent(form_.get());
    label_->SetColor(clWhite);
    label_->SetBounds(10, 10, 300, 60);
  }
  void SetText(const AnsiString& text) {
    label_->HTMLText()->SetText(text);
    label_->Repaint();
  }
  void MoveTo(int x, int y) { label_->Perform(WM_MOUSEMOVE, 0, MakeLParam(x, y)); }

  std::unique_ptr<TForm> form_;
  TROVUveza* label_ = nullptr;
};

TEST_F(Label, JoinsTheLinesOfItsTextWithoutSeparator) {
  label_->HTMLText()->Add("<B>one");
  label_->HTMLText()->Add("two</B>");
  EXPECT_EQ(label_->GetDisplText(), "<B>onetwo</B>");
  EXPECT_EQ(label_->GetText(), "onetwo");

  TStringList given;
  given.SetText("a\r\nb<BR>c\n");
  label_->SetHTMLText(&given);
  EXPECT_EQ(label_->GetDisplText(), "ab<BR>c");
  EXPECT_EQ(label_->HTMLText()->Count(), 1);
  EXPECT_EQ(label_->GetVersion(), "1.7.1.1");
}

TEST_F(Label, DrawsAnchorsInTheLinkColourAndFindsThemWhereDrawn) {
  // Frames on every side: bevels, a border and a single outline.
  label_->SetBevelOuter(bvLowered);
  label_->SetBevelInner(bvRaised);
  label_->SetBevelWidth(2);
  label_->SetBorderWidth(3);
  label_->SetBorderStyle(bsSingle);
  SetText(R"(plain <A href="target">link</A>)");
  const std::optional<TRect> drawn = AreaOf(*label_, clBlue);
  ASSERT_TRUE(drawn);
  AnsiString anchor;
  TRect rect;
  const int midY = (drawn->Top + drawn->Bottom) / 2;
  EXPECT_TRUE(label_->IsAnchor(drawn->Left + 1, midY, anchor, rect));
  EXPECT_EQ(anchor, "target");
  EXPECT_TRUE(label_->IsAnchor(drawn->Right - 2, midY, anchor, rect));
  EXPECT_LE(rect.Left, drawn->Left);
  EXPECT_GE(rect.Right, drawn->Right - 1);
  EXPECT_FALSE(label_->IsAnchor(drawn->Left - 8, midY, anchor, rect));
  EXPECT_EQ(anchor, "");
  EXPECT_EQ(rect, (TRect{-1, -1, -1, -1}));
  EXPECT_EQ(label_->HoverIndex(), -1);
}

TEST_F(Label, ClicksOpenAddressesAndHandPlainTargetsToTheEvent) {
  TScopedServices services;
  std::vector<AnsiString> clicked;
  label_->OnAnchorClick = [&](TObject*, const AnsiString& anchor) { clicked.push_back(anchor); };
  SetText(R"(<A href="https://example.invalid/x">web</A> <A href="mailto:a@b.invalid">mail</A> <A href="help">word</A>)");
  label_->SetURLColor(clRed);
  label_->SetURLColor(clBlue);
  const std::optional<TRect> links = AreaOf(*label_, clBlue);
  ASSERT_TRUE(links);
  const int y = (links->Top + links->Bottom) / 2;
  // Walk along the links and click wherever the anchor changes.
  AnsiString last;
  for (int x = links->Left; x < links->Right; ++x) {
    AnsiString anchor;
    TRect rect;
    if (!label_->IsAnchor(x, y, anchor, rect) || anchor == last) continue;
    last = anchor;
    harness::ClickAt(label_, x, y);
  }
  EXPECT_EQ(services->openedUrls, (std::vector<AnsiString>{"https://example.invalid/x", "mailto:a@b.invalid"}));
  EXPECT_EQ(clicked, std::vector<AnsiString>{"help"});
}

TEST_F(Label, EntersAndLeavesAnchorsAsTheMouseMoves) {
  std::vector<AnsiString> events;
  label_->OnAnchorEnter = [&](TObject*, const AnsiString& a) { events.push_back("enter " + a); };
  label_->OnAnchorExit = [&](TObject*, const AnsiString& a) { events.push_back("exit " + a); };
  SetText(R"(<A href="one">aaaa</A><A href="two">bbbb</A> plain text)");
  const std::optional<TRect> links = AreaOf(*label_, clBlue);
  ASSERT_TRUE(links);
  const int y = (links->Top + links->Bottom) / 2;
  MoveTo(links->Left + 1, y);
  EXPECT_EQ(label_->Cursor(), crHandPoint);
  MoveTo(links->Left + 2, y);  // the same anchor: nothing new
  MoveTo(links->Right - 2, y);
  MoveTo(links->Right + 20, y);
  EXPECT_EQ(label_->Cursor(), crDefault);
  EXPECT_EQ(events, (std::vector<AnsiString>{"enter one", "enter two", "exit "}));

  label_->Perform(CM_MOUSELEAVE);
  EXPECT_EQ(label_->HoverIndex(), -1);
}

TEST_F(Label, AutoSizingFitsTheHeightToTheText) {
  label_->SetAutoSizing(true);
  SetText("one<BR>two<BR>three");
  const TSize text = label_->GetSize();
  label_->Repaint();
  EXPECT_EQ(label_->Height(), text.cy + 6);
  EXPECT_EQ(label_->Width(), 300);

  label_->SetAutoSizeType(asBoth);
  label_->Repaint();
  label_->Repaint();
  EXPECT_EQ(label_->Width(), text.cx + 6);
}

TEST_F(Label, CentreLineGradientIsATwoPixelBand) {
  label_->SetColor(clWhite);
  label_->SetColorTo(clBlack);
  label_->SetGradientType(gtCenterLine);
  SetText("");
  const int middle = 30;
  for (int y = 0; y < 60; ++y) {
    const bool inBand = y == middle || y == middle + 1;
    // The band runs from white at the left to nearly black at the right.
    EXPECT_EQ(PixelOf(*label_, 299, y) != 0xFFFFFFu, inBand) << y;
  }
  EXPECT_EQ(PixelOf(*label_, 0, middle), 0xFFFFFFu);
}

TEST_F(Label, FullGradientRunsFromColourToColourTo) {
  label_->SetColor(clRed);
  label_->SetColorTo(clBlue);
  label_->SetGradientType(gtFullVertical);
  SetText("");
  EXPECT_EQ(PixelOf(*label_, 150, 0), 0xFF0000u);
  const QRgb bottom = PixelOf(*label_, 150, 59);
  EXPECT_GT(qBlue(bottom), 200);
  EXPECT_LT(qRed(bottom), 50);
}

TEST_F(Label, WhileUpdatingOnlyTheBackgroundShows) {
  label_->SetBevelOuter(bvLowered);
  label_->BeginUpdate();
  SetText(R"(<A href="x">link</A>)");
  EXPECT_FALSE(AreaOf(*label_, clBlue));
  EXPECT_EQ(PixelOf(*label_, 0, 0), 0xFFFFFFu);
  label_->EndUpdate();
  label_->EndUpdate();  // no effect below zero
  label_->Repaint();
  EXPECT_TRUE(AreaOf(*label_, clBlue));
  EXPECT_NE(PixelOf(*label_, 0, 0), 0xFFFFFFu);
}

TEST_F(Label, HintsShowTheAnchorOrTheWholeText) {
  SetText(R"(see <A href="place">there</A> now)");
  const std::optional<TRect> link = AreaOf(*label_, clBlue);
  ASSERT_TRUE(link);
  const TPoint onLink{link->Left + 1, (link->Top + link->Bottom) / 2};

  label_->SetHint("own hint");
  THintInfo plain;
  plain.CursorPos = onLink;
  plain.HintStr = label_->Hint();
  EXPECT_EQ(label_->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&plain)), 0);
  EXPECT_EQ(plain.HintStr, "own hint");

  label_->SetAnchorHint(true);
  label_->OnAnchorHint = [](TObject*, AnsiString& anchor) { anchor = "go to " + anchor; };
  THintInfo onAnchor;
  onAnchor.CursorPos = onLink;
  label_->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&onAnchor));
  EXPECT_EQ(onAnchor.HintStr, "go to place");
  const TPoint screen = label_->ClientToScreen(onLink);
  EXPECT_EQ(onAnchor.HintPos, (TPoint{screen.X + 10, screen.Y - 10}));

  label_->SetHintShowFull(true);
  THintInfo offAnchor;
  offAnchor.CursorPos = {1, 1};
  label_->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&offAnchor));
  EXPECT_EQ(offAnchor.HintStr, "see there now");
  label_->SetHTMLHint(true);
  label_->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&offAnchor));
  EXPECT_EQ(offAnchor.HintStr, R"(see <A href="place">there</A> now)");
}

TEST_F(Label, DropsPictureSourcesThatAreDestroyed) {
  auto* container = new TPictureContainer(nullptr);
  auto* images = new TImageList(nullptr);
  label_->SetPictureContainer(container);
  label_->SetImages(images);
  delete container;
  delete images;
  EXPECT_EQ(label_->PictureContainer(), nullptr);
  EXPECT_EQ(label_->Images(), nullptr);
  SetText("<IMG src=\"gone\">text");
}

TEST_F(Label, ChangingTheTextDropsItsCachedPictures) {
  benchtest::TempDir dir;
  ASSERT_TRUE(dir.Created());
  const std::string path = dir.File("Dot.png");
  QImage dot(4, 4, QImage::Format_RGB32);
  dot.fill(Qt::red);
  ASSERT_TRUE(dot.save(QString::fromStdString(path), "PNG"));
  const AnsiString source = "file://" + path;
  SetText("<IMG src=\"" + source + "\"> text");
  ASSERT_EQ(label_->PictureCache()->Count(), 1);
  ASSERT_NE(label_->PictureCache()->FindPicture(source), nullptr);
  EXPECT_FALSE(label_->PictureCache()->FindPicture(source)->GetEmpty());
  EXPECT_TRUE(AreaOf(*label_, clRed));
  SetText("no picture");
  EXPECT_EQ(label_->PictureCache()->Count(), 0);
  EXPECT_EQ(label_->PictureCache()->FindPicture(source), nullptr);
}

TEST_F(Label, HighlightsAndMarksItsText) {
  label_->HTMLText()->SetText("abcab");
  label_->HilightText("AB", false);
  EXPECT_EQ(label_->GetDisplText(), "<hi>ab</hi>c<hi>ab</hi>");
  label_->UnHilightText();
  label_->MarkText("c", true);
  EXPECT_EQ(label_->GetDisplText(), "ab<e>c</e>ab");
  label_->UnMarkText();
  EXPECT_EQ(label_->GetDisplText(), "abcab");
}

}  // namespace
