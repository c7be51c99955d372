// The mask edit: the framework's mask syntax, typing into the places and
// the check when the focus leaves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/maskedit.h"
#include "framework/testing/harness.h"

namespace {

TEST(MaskEdit, MasksTranslateToTheLineEditsInputMasks) {
  const TFormatSettings saved = FormatSettings;
  FormatSettings.TimeSeparator = '.';
  FormatSettings.DateSeparator = '-';
  struct Case {
    const char* mask;
    const char* qt;
  };
  const Case cases[] = {
      {"!99/99/0000;1;_", "00-00-9999;_"},
      {"LLL-000;0;*", "AAA-999;*"},
      {"aAcC#", "nNxX#;_"},
      {">ll<>l<c", ">aa!a<x;_"},
      {"\\A\\0:90", "\\A\\0.09;_"},   // escaped letters stay literals
      {"x_y", "\\x y;_"},  // a literal x is a place in Qt: escaped
      {"(999) 000-0000;0; ", "(000) 999-9999; "},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(MaskToQtInputMask(c.mask), c.qt) << c.mask;
  std::vector<bool> literals;
  MaskToQtInputMask("00-0\\a", &literals);
  EXPECT_EQ(literals, (std::vector<bool>{false, false, true, false, true}));
  FormatSettings = saved;
}

class MaskEditForm : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.SetBounds(20, 20, 300, 100);
    edit_ = new TCustomMaskEdit(&form_);
    edit_->SetParent(&form_);
    other_ = new TEdit(&form_);
    other_->SetParent(&form_);
    other_->SetBounds(150, 10, 100, 21);
    form_.Show();
    QApplication::setActiveWindow(form_.Widget());
    edit_->SetFocus();
    harness::ProcessEvents();
  }

  TScopedServices services_;
  TForm form_{nullptr};
  TCustomMaskEdit* edit_ = nullptr;
  TEdit* other_ = nullptr;
};

TEST_F(MaskEditForm, TypingFillsThePlacesAndTextFollowsTheSaveField) {
  edit_->SetEditMask("000-000;0;_");
  edit_->SetSelStart(0);
  harness::TypeText(edit_, "12x3456");
  EXPECT_EQ(edit_->EditText(), "123-456");
  EXPECT_EQ(edit_->Text(), "123456");
  edit_->SetEditMask("000-000;1;_");
  EXPECT_EQ(edit_->Text(), "123-456");
  edit_->SetText("12");
  EXPECT_EQ(edit_->EditText(), "12_-___");
  EXPECT_EQ(edit_->Text(), "12 -   ");
  edit_->SetEditMask("");
  edit_->SetText("free text");
  EXPECT_EQ(edit_->Text(), "free text");
}

TEST_F(MaskEditForm, LeavingWithARequiredPlaceEmptyIsRefused) {
  std::vector<AnsiString> reported;
  Application->OnException = [&](TObject*, const std::exception& e) { reported.push_back(e.what()); };
  edit_->SetEditMask("00;1;_");
  edit_->SetText("1");
  other_->SetFocus();
  harness::ProcessEvents();
  Application->OnException = nullptr;
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], "Invalid input value.  Use escape key to abandon changes");
  EXPECT_TRUE(edit_->Focused());
  EXPECT_THROW(edit_->ValidateEdit(), EDBEditError);
  edit_->SetText("12");
  EXPECT_NO_THROW(edit_->ValidateEdit());
}

}  // namespace
