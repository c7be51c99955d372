// The window placement component: its INI layout, restoring a window,
// the magnet and dragging by the client area.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

#include "framework/forms.h"
#include "framework/settingsstores.h"
#include "grid/formsize.h"

namespace {

AnsiString ReadFile(const AnsiString& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class FormSizeTest : public ::testing::Test {
 protected:
  AnsiString Ini() const { return dir.filePath("FORM.INI").toStdString(); }

  // A form as a window's constructor builds it, with its placement
  // component, then loaded.
  std::unique_ptr<TForm> MakeForm(const char* name, std::function<void(TFormSize*)> configure = {}) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName(name);
    form->SetBounds(10, 20, 300, 200);
    auto* placement = new TFormSize(form.get());
    placement->SaveName = Ini();
    if (configure) configure(placement);
    form->AfterConstruction();
    return form;
  }

  static TFormSize* PlacementOf(TForm* form) {
    for (int i = 0; i < form->ComponentCount(); ++i)
      if (auto* p = dynamic_cast<TFormSize*>(form->Components(i))) return p;
    return nullptr;
  }

  QTemporaryDir dir;
};

TEST_F(FormSizeTest, WindowIsSavedAtItsEndAndRestoredToItsPlace) {
  auto form = MakeForm("Form_Main");
  EXPECT_EQ(PlacementOf(form.get())->SaveKey, "Form_Main");
  EXPECT_EQ(PlacementOf(form.get())->MagnetDistance, 32);
  form->SetBounds(40, 50, 320, 210);
  form.reset();
  TIniFile ini(Ini());
  EXPECT_EQ(ini.ReadInteger("Form_Main", "Left", -1), 40);
  EXPECT_EQ(ini.ReadInteger("Form_Main", "Top", -1), 50);
  EXPECT_EQ(ini.ReadInteger("Form_Main", "Right", -1), 360);
  EXPECT_EQ(ini.ReadInteger("Form_Main", "Bottom", -1), 260);
  EXPECT_EQ(ini.ReadInteger("Form_Main", "Maximized", -1), 0);

  auto again = MakeForm("Form_Main");
  EXPECT_EQ(again->BoundsRect(), (TRect{40, 50, 360, 260}));
}

TEST_F(FormSizeTest, WithoutSizeOnlyThePositionIsStoredAndTheDesignedSizeKept) {
  auto configure = [](TFormSize* p) { p->SaveSize = false; };
  auto form = MakeForm("Form1", configure);
  form->SetBounds(70, 80, 250, 150);
  form.reset();
  const AnsiString text = ReadFile(Ini());
  EXPECT_NE(text.find("[Form1]"), AnsiString::npos);
  EXPECT_NE(text.find("Left=70"), AnsiString::npos);
  EXPECT_NE(text.find("Top=80"), AnsiString::npos);
  EXPECT_EQ(text.find("Right"), AnsiString::npos);
  EXPECT_EQ(text.find("Maximized"), AnsiString::npos);

  auto again = MakeForm("Form1", configure);
  EXPECT_EQ(again->BoundsRect(), (TRect{70, 80, 370, 280}));
}

TEST_F(FormSizeTest, StoredPlacementPastTheScreenIsMovedBackAndMaximisedFillsIt) {
  const int w = Screen->Width(), h = Screen->Height();
  {
    TIniFile ini(Ini());
    ini.WriteInteger("Far", "Left", w - 100);
    ini.WriteInteger("Far", "Top", h - 50);
    ini.WriteInteger("Far", "Right", w + 200);
    ini.WriteInteger("Far", "Bottom", h + 150);
    ini.WriteInteger("Big", "Left", 5);
    ini.WriteInteger("Big", "Top", 5);
    ini.WriteBool("Big", "Maximized", true);
  }
  EXPECT_EQ(MakeForm("Far")->BoundsRect(), (TRect{w - 300, h - 200, w, h}));
  auto big = MakeForm("Big", [](TFormSize* p) { p->SaveSize = false; });
  EXPECT_EQ(big->WindowState(), wsMaximized);
  EXPECT_EQ(big->BoundsRect(), (TRect{0, 0, w, h}));
}

TEST_F(FormSizeTest, NumbersNoWindowCanHaveLeaveTheDesignedPlacement) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, const char*>> values;
    bool sized;
  };
  const Case cases[] = {
      {"largest Left", {{"Left", "2147483647"}, {"Top", "20"}}, false},
      {"smallest Top", {{"Left", "10"}, {"Top", "-2147483648"}}, false},
      {"largest Right", {{"Left", "10"}, {"Top", "20"}, {"Right", "2147483647"}, {"Bottom", "220"}}, true},
      {"Left beyond Right", {{"Left", "30000"}, {"Top", "20"}, {"Right", "-30000"}, {"Bottom", "220"}}, true},
      {"too large for an int", {{"Left", "99999999999"}, {"Top", "20"}}, false},
  };
  for (const Case& c : cases) {
    {
      TIniFile ini(Ini());
      ini.EraseSection("Damaged");
      for (const auto& [key, value] : c.values) ini.WriteString("Damaged", key, value);
    }
    auto form = MakeForm("Damaged", [&](TFormSize* p) { p->SaveSize = c.sized; });
    EXPECT_EQ(form->BoundsRect(), (TRect{10, 20, 310, 220})) << c.name;
  }
}

TEST_F(FormSizeTest, NothingIsLoadedOrSavedWithoutSavePositionButExplicitCallsWork) {
  {
    TIniFile ini(Ini());
    ini.WriteInteger("Quiet", "Left", 99);
  }
  auto form = MakeForm("Quiet", [](TFormSize* p) { p->SavePosition = false; });
  EXPECT_EQ(form->Left(), 10);
  TFormSize* placement = PlacementOf(form.get());
  placement->LoadFormSettings();
  EXPECT_EQ(form->Left(), 99);
  EXPECT_FALSE(placement->SavePosition);
  EXPECT_TRUE(placement->SaveSize);
  form->SetBounds(33, 44, 300, 200);
  form.reset();
  EXPECT_EQ(TIniFile(Ini()).ReadInteger("Quiet", "Left", -1), 99);
}

TEST_F(FormSizeTest, SectionNameCarriesUserAndMachine) {
  auto form = MakeForm("Form1", [](TFormSize* p) {
    p->SaveUser = true;
    p->SaveMachine = true;
  });
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  const AnsiString user = getpwuid(getuid())->pw_name;
  EXPECT_EQ(PlacementOf(form.get())->CreateKey(), "Form1-" + user + "-" + host);
  EXPECT_EQ(PlacementOf(form.get())->GetVersion(), "1.1.0.1");
}

TEST_F(FormSizeTest, ConstructorRefusesBeforeJoiningTheOwner) {
  TComponent notAForm(nullptr);
  EXPECT_THROW(TFormSize{&notAForm}, EFormSizeError);
  EXPECT_EQ(notAForm.ComponentCount(), 0);

  TForm form(nullptr);
  new TFormSize(&form);
  try {
    new TFormSize(&form);
    FAIL() << "a second component was accepted";
  } catch (const EFormSizeError& e) {
    EXPECT_EQ(e.Message, "The form already contains a TFormSize component");
  }
  EXPECT_EQ(form.ComponentCount(), 1);
}

TEST_F(FormSizeTest, MagnetSnapsToTheWorkAreaEdges) {
  auto form = MakeForm("Snap", [](TFormSize* p) { p->Magnet = true; });
  const TRect w = TFormSize::WorkArea();
  struct Case {
    const char* name;
    TPoint asked;
    TPoint placed;
  };
  const Case cases[] = {
      {"near the left edge", {w.Left + 20, w.Top + 100}, {w.Left, w.Top + 100}},
      {"near the top edge", {w.Left + 100, w.Top + 31}, {w.Left + 100, w.Top}},
      {"near the bottom edge", {w.Left + 100, w.Bottom - 200 - 20}, {w.Left + 100, w.Bottom - 200}},
      {"near the right edge", {w.Right - 300 - 10, w.Top + 100}, {w.Right - 300, w.Top + 100}},
      {"far from every edge", {w.Left + 100, w.Top + 100}, {w.Left + 100, w.Top + 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WINDOWPOS pos;
    pos.x = c.asked.X;
    pos.y = c.asked.Y;
    form->Perform(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    EXPECT_EQ(pos.x, c.placed.X);
    EXPECT_EQ(pos.y, c.placed.Y);
  }
  PlacementOf(form.get())->Magnet = false;
  WINDOWPOS pos;
  pos.x = w.Left + 5;
  form->Perform(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  EXPECT_EQ(pos.x, w.Left + 5);
}

TEST_F(FormSizeTest, DragAnywhereAnswersCaptionInsideTheClientArea) {
  auto form = MakeForm("Drag", [](TFormSize* p) { p->DragAlways = true; });
  const TPoint inside = form->ClientToScreen({50, 50});
  const TPoint outside = form->ClientToScreen({-5, 50});
  EXPECT_EQ(form->Perform(WM_NCHITTEST, 0, MakeLParam(inside.X, inside.Y)), HTCAPTION);
  EXPECT_NE(form->Perform(WM_NCHITTEST, 0, MakeLParam(outside.X, outside.Y)), HTCAPTION);
  PlacementOf(form.get())->DragAlways = false;
  EXPECT_NE(form->Perform(WM_NCHITTEST, 0, MakeLParam(inside.X, inside.Y)), HTCAPTION);
}

}  // namespace
