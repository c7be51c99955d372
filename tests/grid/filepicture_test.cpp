// Cell pictures kept by file name: read from disk on every paint, and a file
// that cannot be read leaves the cell empty and is reported once.
#include <QImage>
#include <filesystem>
#include <fstream>

#include "../support/recordingcanvas.h"
#include "../support/scratch.h"
#include "framework/sysutils.h"
#include "gridscreen.h"

namespace {

void WritePicture(const std::string& file, int width, int height, Qt::GlobalColor color) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(color);
  ASSERT_TRUE(image.save(QString::fromStdString(file), "PNG"));
}

void WriteText(const std::string& file, const char* text) { std::ofstream(file) << text; }

TEST(FilePicture, NameSizeAndErrors) {
  benchtest::TempDir dir;
  const std::string file = dir.File("wide.png");
  WritePicture(file, 200, 100, Qt::red);

  TFilePicture picture;
  picture.SetFileName(file);
  EXPECT_EQ(picture.Width(), 200);
  EXPECT_EQ(picture.Height(), 100);

  TFilePicture copy;
  copy.Assign(&picture);
  EXPECT_EQ(copy.Filename(), file);
  EXPECT_EQ(copy.Width(), 200);

  const std::string missing = dir.File("missing.png");
  EXPECT_THROW(picture.SetFileName(missing), Exception);
  EXPECT_EQ(picture.Filename(), missing) << "the name stays set";
  const std::string text = dir.File("notes.png");
  WriteText(text, "not a picture");
  EXPECT_THROW(picture.SetFileName(text), EInvalidGraphic);

  benchtest::RecordingCanvas canvas;
  EXPECT_THROW(picture.DrawPicture(&canvas.canvas, Bounds(0, 0, 10, 10)), EInvalidGraphic);
  TFilePicture empty;
  empty.DrawPicture(&canvas.canvas, Bounds(0, 0, 10, 10));
  EXPECT_TRUE(canvas.calls.empty()) << "an empty name draws nothing and reads no file";
}

class FilePictureCells : public GridOnScreen {
 protected:
  void SetUp() override {
    MakeGrid(4, 4);
    grid->SetColWidths(1, 100);
    grid->SetRowHeights(1, 100);
    file = dir.File("cell.png");
    WritePicture(file, 200, 100, Qt::red);
    grid->OnCellDrawProblem = [this](TObject*, int col, int row, const AnsiString& problem) {
      problems.push_back(IntToStr(col) + "," + IntToStr(row) + ": " + problem);
    };
  }

  benchtest::TempDir dir;
  std::string file;
  std::vector<AnsiString> problems;
};

TEST_F(FilePictureCells, IsReadFromDiskWhenDrawnAndFitsTheCell) {
  TFilePicture* picture = grid->CreateFilePicture(1, 1, false, StretchWithAspectRatio, 0, haLeft, vaTop);
  picture->SetFileName(file);
  ASSERT_EQ(grid->GetFilePicture(1, 1), picture);
  EXPECT_EQ(grid->GetCellType(1, 1), ctFilePicture);

  int w = 0, h = 0;
  bool displayText = false;
  TCellHAlign ha;
  TCellVAlign va;
  grid->GetGraphicDetails(1, 1, w, h, displayText, ha, va);
  const TRect cell = grid->CellRect(1, 1);
  EXPECT_EQ(w, cell.Width()) << "200 x 100 fitted with its aspect ratio";
  EXPECT_EQ(h, (cell.Width() + 1) / 2);

  grid->Repaint();
  const TRect r = grid->CellRect(1, 1);
  EXPECT_EQ(harness::PixelAt(grid->BackingImage(), r.Left + 20, r.Top + 10), clRed);

  WritePicture(file, 200, 100, Qt::blue);
  grid->Repaint();
  EXPECT_EQ(harness::PixelAt(grid->BackingImage(), r.Left + 20, r.Top + 10), clBlue) << "the file as it is now";
  EXPECT_TRUE(problems.empty());

  EXPECT_FALSE(grid->RemovePicture(1, 1));
  EXPECT_TRUE(grid->RemoveFilePicture(1, 1));
  EXPECT_EQ(grid->GetCellType(1, 1), ctEmpty);
}

TEST_F(FilePictureCells, AFileThatCannotBeReadDrawsNothingAndIsReportedOnce) {
  TFilePicture picture;
  picture.SetFileName(file);
  grid->AddFilePicture(2, 2, &picture, false, Stretch, 0, haLeft, vaTop);
  std::filesystem::remove(file);

  EXPECT_NO_THROW(grid->Repaint());
  EXPECT_NO_THROW(grid->Repaint());
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].rfind("2,2: ", 0), 0u) << problems[0];
  EXPECT_NE(problems[0].find(file), AnsiString::npos) << "the message names the file";
  EXPECT_EQ(Centre(2, 2), ColorToRGB(grid->Color()));

  WriteText(file, "garbage");
  grid->Repaint();
  EXPECT_EQ(problems.size(), 2u) << "another problem of the same cell is reported too";
  grid->RemoveFilePicture(2, 2);
  EXPECT_EQ(picture.Filename(), file) << "a caller's picture outlives its cell";
}

}  // namespace
