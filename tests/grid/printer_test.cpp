// The framework's printer object writing PDF files.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/printer.h"
#include "tests/support/scratch.h"

namespace {

class PdfPrinter : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.Created());
    printer.SetOutputFileName(pdf);
  }
  benchtest::TempDir dir{"flashwright-printer"};
  const std::string pdf = dir.File("out.pdf");
  TPrinter printer;
};

TEST_F(PdfPrinter, AJobWritesItsPagesToTheFile) {
  printer.SetTitle("Nodes");
  printer.BeginDoc();
  EXPECT_THROW(printer.BeginDoc(), EPrinter);
  EXPECT_THROW(printer.SetOutputFileName(dir.File("other.pdf")), EPrinter);
  printer.Canvas()->TextOut(100, 100, "first");
  printer.NewPage();
  printer.Canvas()->TextOut(100, 100, "second");
  printer.EndDoc();
  EXPECT_FALSE(printer.Printing());
  EXPECT_GT(std::filesystem::file_size(pdf), 0u);
}

TEST_F(PdfPrinter, NoJobLeavesNoFile) {
  EXPECT_GT(printer.PageWidth(), 0);
  EXPECT_GT(printer.Canvas()->TextWidth("measured"), 0);
  printer.EndDoc();
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(PdfPrinter, AnAbortedJobRemovesItsFile) {
  printer.BeginDoc();
  printer.Canvas()->TextOut(100, 100, "half");
  printer.Abort();
  EXPECT_FALSE(printer.Printing());
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(PdfPrinter, LandscapePagesAreWiderThanHigh) {
  printer.SetOrientation(1);
  EXPECT_GT(printer.PageWidth(), printer.PageHeight());
  printer.SetOrientation(0);
  EXPECT_LT(printer.PageWidth(), printer.PageHeight());
}

}  // namespace
