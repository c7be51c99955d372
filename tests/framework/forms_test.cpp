#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QShowEvent>
#include <QTabWidget>
#include <atomic>
#include <chrono>
#include <thread>

#include "framework/dialogs.h"
#include "framework/extracontrols.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/standardcontrols.h"
#include "framework/testing/harness.h"
#include "platform/clock.h"

namespace {

using namespace harness;

// A dialog with an edit, OK (default, result 1) and Cancel (cancel,
// result 2).
class OkCancelForm : public TForm {
 public:
  explicit OkCancelForm(TComponent* owner) : TForm(owner) {
    edit = new TEdit(this);
    edit->SetParent(this);
    ok = new TButton(this);
    ok->SetParent(this);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    cancel = new TButton(this);
    cancel->SetParent(this);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    cancel->SetLeft(100);
  }
  TEdit* edit;
  TButton* ok;
  TButton* cancel;
};

TEST(Forms, ShowModalReturnsTheModalResult) {
  struct Case { const char* name; std::function<void(OkCancelForm&)> act; int expected; };
  const Case cases[] = {
      {"OK clicked", [](OkCancelForm& f) { Click(f.ok); }, mrOk},
      {"Return in the edit", [](OkCancelForm& f) { PressKey(f.edit, Qt::Key_Return); }, mrOk},
      {"Escape in the edit", [](OkCancelForm& f) { PressKey(f.edit, Qt::Key_Escape); }, mrCancel},
      {"Cancel clicked", [](OkCancelForm& f) { Click(f.cancel); }, mrCancel},
      {"window closed", [](OkCancelForm& f) { f.Widget()->close(); }, mrCancel},
      {"set from code", [](OkCancelForm& f) { f.SetModalResult(mrYes); }, mrYes},
  };
  for (const Case& k : cases) {
    OkCancelForm form(nullptr);
    WhenIdle([&] { k.act(form); });
    EXPECT_EQ(form.ShowModal(), k.expected) << k.name;
    EXPECT_FALSE(form.Visible()) << k.name;
  }
}

TEST(Forms, AWorkerThreadRetitlesAndEndsAModalForm) {
  // As a download thread does with its progress window.
  OkCancelForm form(nullptr);
  form.SetCaption("Download Progress");
  std::thread worker;
  form.OnShow = [&](TObject*) {
    worker = std::thread([&] {
      form.SetCaption("Verify Progress");
      form.Repaint();
      form.SetModalResult(mrCancel);
    });
  };
  EXPECT_EQ(form.ShowModal(), mrCancel);
  worker.join();
  EXPECT_EQ(form.Caption(), "Verify Progress");
  EXPECT_EQ(form.Widget()->windowTitle().toStdString(), "Verify Progress");
}

// Runs the event loop until the form's window is the active one, for at
// most ten seconds of real time.
bool RunUntilActive(TForm& form) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!form.Widget()->isActiveWindow()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    ProcessEvents();
  }
  return true;
}
// A borderless form that closes itself when it loses the activation, as
// the grid's popup editor forms do: activating another window closes it.
TEST(Forms, ABorderlessPopupClosesWhenAnotherWindowIsActivated) {
  TForm main(nullptr);
  main.SetBounds(10, 10, 300, 200);
  main.Show();
  TForm popup(nullptr);
  popup.SetBorderStyle(bsNone);
  popup.SetBounds(40, 40, 120, 80);
  int deactivations = 0;
  popup.OnDeactivate = [&](TObject*) {
    ++deactivations;
    popup.Close();
  };
  popup.Show();
  ASSERT_TRUE(RunUntilActive(popup));
  EXPECT_TRUE(popup.Visible());
  main.Widget()->activateWindow();
  ASSERT_TRUE(RunUntilActive(main));
  EXPECT_EQ(deactivations, 1);
  EXPECT_FALSE(popup.Visible());
  EXPECT_FALSE(popup.Widget()->isVisible());
}

TEST(Forms, CloseActionsAndCloseQuery) {
  OkCancelForm form(nullptr);
  TCloseAction answer = caNone;
  int closes = 0;
  form.OnClose = [&](TObject*, TCloseAction& action) {
    ++closes;
    action = answer;
  };
  form.Show();
  form.Close();
  EXPECT_TRUE(form.Visible());
  answer = caHide;
  bool allow = false;
  form.OnCloseQuery = [&](TObject*, bool& can) { can = allow; };
  form.Close();
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(closes, 1);  // a refused query asks no further
  allow = true;
  form.Close();
  EXPECT_FALSE(form.Visible());

  // Modal: caNone keeps the form up even after a button set the result.
  answer = caNone;
  int tries = 0;
  form.OnClose = [&](TObject*, TCloseAction& action) {
    action = ++tries < 2 ? caNone : caHide;
  };
  WhenIdle([&] {
    Click(form.cancel);
    WhenIdle([&] { Click(form.ok); });
  });
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(tries, 2);
}

// Tells whether a component was destroyed.
class Watcher : public TComponent {
 public:
  Watcher() : TComponent(nullptr) {}
  bool gone = false;

 protected:
  void Notification(TComponent*, TOperation op) override { gone |= op == opRemove; }
};

TEST(Forms, CaFreeReleasesTheFormAfterTheEvent) {
  Watcher watcher;
  auto* form = new OkCancelForm(nullptr);
  form->FreeNotification(&watcher);
  form->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  form->Show();
  form->Close();
  EXPECT_FALSE(watcher.gone);
  ProcessEvents();
  EXPECT_TRUE(watcher.gone);
}

TEST(Forms, OnShowRunsOncePerRealShow) {
  OkCancelForm form(nullptr);
  int shows = 0, creates = 0;
  form.OnCreate = [&](TObject*) { ++creates; };
  form.OnShow = [&](TObject*) { ++shows; };
  form.Show();
  // Restoring a minimised window makes Qt send show events again.
  QShowEvent restored;
  QCoreApplication::sendEvent(form.Widget(), &restored);
  form.SetWindowState(wsMinimized);
  form.SetWindowState(wsNormal);
  ProcessEvents();
  form.Show();
  EXPECT_EQ(shows, 1);
  form.Hide();
  form.Show();
  EXPECT_EQ(shows, 2);
  EXPECT_EQ(creates, 1);
}

TEST(Forms, ExceptionInAHandlerIsShownAndTheNextEventWorks) {
  TScopedServices services;
  Application->SetTitle("Flashwright");
  OkCancelForm form(nullptr);
  int clicks = 0;
  form.ok->SetModalResult(mrNone);
  form.ok->OnClick = [&](TObject*) {
    if (++clicks == 1) throw Exception("Cannot open card");
  };
  form.Show();
  Click(form.ok);
  ASSERT_EQ(services->boxes.size(), 1u);
  EXPECT_EQ(services->boxes[0].text, "Cannot open card.");
  EXPECT_EQ(services->boxes[0].caption, "Flashwright");
  EXPECT_EQ(services->boxes[0].flags & 0xF0, MB_ICONSTOP);
  Click(form.ok);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(services->boxes.size(), 1u);

  // A replaced exception handler sees it instead.
  std::string seen;
  Application->OnException = [&](TObject*, const std::exception& e) { seen = e.what(); };
  form.ok->OnClick = [](TObject*) { throw std::runtime_error("plain"); };
  Click(form.ok);
  Application->OnException = nullptr;
  EXPECT_EQ(seen, "plain");
}

// A control whose WndProc takes keys before the edit sees them.
class DigitsOnlyEdit : public TEdit {
 public:
  using TEdit::TEdit;
  std::vector<unsigned> seen;

 protected:
  void WndProc(TMessage& m) override {
    seen.push_back(m.Msg);
    if (m.Msg == WM_CHAR && (m.WParam < '0' || m.WParam > '9')) return;  // swallowed
    TEdit::WndProc(m);
  }
};

TEST(Forms, WndProcSeesInputBeforeTheControl) {
  OkCancelForm form(nullptr);
  auto* edit = new DigitsOnlyEdit(&form);
  edit->SetParent(&form);
  form.Show();
  TypeText(edit, "a1b2");
  EXPECT_EQ(edit->Text(), "12");
  EXPECT_NE(std::find(edit->seen.begin(), edit->seen.end(), WM_KEYDOWN), edit->seen.end());

  // OnKeyPress may change the character; OnKeyDown may swallow the key.
  form.edit->OnKeyPress = [](TObject*, char& key) { key = static_cast<char>(std::toupper(key)); };
  TypeText(form.edit, "ab");
  EXPECT_EQ(form.edit->Text(), "AB");
  form.edit->OnKeyDown = [](TObject*, unsigned short& key, TShiftState) {
    if (key == 'C') key = 0;
  };
  TypeText(form.edit, "cd");
  EXPECT_EQ(form.edit->Text(), "ABD");

  // A replaced WindowProc subclasses from outside.
  int mouseDowns = 0;
  const TWndMethod old = form.ok->WindowProc;
  form.ok->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_LBUTTONDOWN) ++mouseDowns;
    old(m);
  };
  int clicks = 0;
  form.ok->SetModalResult(mrNone);
  form.ok->OnClick = [&](TObject*) { ++clicks; };
  Click(form.ok);
  EXPECT_EQ(mouseDowns, 1);
  EXPECT_EQ(clicks, 1);
}

TEST(Forms, ComboBoxChangeFiresOnUserChangesOnly) {
  OkCancelForm form(nullptr);
  auto* combo = new TComboBox(&form);
  combo->SetParent(&form);
  combo->SetStyle(csDropDownList);
  combo->Items()->SetCommaText("10k,20k,50k");
  int changes = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  combo->SetItemIndex(1);
  combo->SetText("50k");
  combo->Items()->Add("1M");
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(combo->ItemIndex(), 2);
  form.Show();
  combo->SetFocus();
  PressKey(combo, Qt::Key_Down);
  EXPECT_EQ(combo->ItemIndex(), 3);
  EXPECT_EQ(changes, 1);

  auto* editable = new TComboBox(&form);
  editable->SetParent(&form);
  editable->OnChange = [&](TObject*) { ++changes; };
  editable->SetText("typed from code");
  EXPECT_EQ(changes, 1);
  editable->SetText("");
  editable->SetFocus();
  TypeText(editable, "x");
  EXPECT_EQ(editable->Text(), "x");
  EXPECT_EQ(changes, 2);
}

TEST(Forms, ControlsKeepTheirState) {
  OkCancelForm form(nullptr);
  auto* list = new TListBox(&form);
  list->SetParent(&form);
  list->Items()->Add("b");
  list->Items()->Add("a");
  list->SetSorted(true);
  EXPECT_EQ(list->Items()->Text(), "a\r\nb\r\n");
  list->SetItemIndex(1);
  EXPECT_EQ(list->ItemIndex(), 1);

  auto* memo = new TMemo(&form);
  memo->SetParent(&form);
  memo->Lines()->Add("first");
  memo->Lines()->Add("second");
  EXPECT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Text(), "first\r\nsecond");

  auto* check = new TCheckBox(&form);
  check->SetParent(&form);
  int checkClicks = 0;
  check->OnClick = [&](TObject*) { ++checkClicks; };
  check->SetChecked(true);
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ(checkClicks, 1);

  auto* group = new TGroupBox(&form);
  group->SetParent(&form);
  auto* usb = new TRadioButton(&form);
  usb->SetParent(group);
  auto* serial = new TRadioButton(&form);
  serial->SetParent(group);
  usb->SetChecked(true);
  serial->SetChecked(true);
  EXPECT_FALSE(usb->Checked());

  auto* gauge = new TCGauge(&form);
  gauge->SetProgress(250);
  EXPECT_EQ(gauge->Progress(), 100);

  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetAlign(alBottom);
  panel->SetHeight(30);
  form.SetBounds(0, 0, 300, 200);
  EXPECT_EQ(panel->BoundsRect(), (TRect{0, 170, 300, 200}));

  auto* pages = new TPageControl(&form);
  pages->SetParent(&form);
  auto* standard = new TTabSheet(&form);
  standard->SetPageControl(pages);
  standard->SetCaption("Standard Update");
  auto* advanced = new TTabSheet(&form);
  advanced->SetPageControl(pages);
  advanced->SetCaption("Advanced Update");
  auto* inner = new TButton(&form);
  inner->SetParent(advanced);
  inner->SetModalResult(mrOk);
  pages->SetActivePage(advanced);
  EXPECT_EQ(pages->ActivePageIndex(), 1);
  EXPECT_EQ(inner->ParentForm(), &form);
  WhenIdle([&] { inner->Click(); });
  EXPECT_EQ(form.ShowModal(), mrOk);
}

TEST(Forms, ADeletedTabSheetTakesItsTabAlong) {
  TForm form(nullptr);
  auto* pages = new TPageControl(&form);
  pages->SetParent(&form);
  TTabSheet* sheets[3];
  for (const char* caption : {"Standard Update", "Advanced Update", "Log"}) {
    auto* sheet = new TTabSheet(&form);
    sheet->SetPageControl(pages);
    sheet->SetCaption(caption);
    sheets[pages->PageCount() - 1] = sheet;
  }
  delete sheets[1];
  ASSERT_EQ(pages->PageCount(), 2);
  ASSERT_EQ(pages->TabWidget()->count(), 2);
  EXPECT_EQ(sheets[2]->PageIndex(), 1);
  EXPECT_EQ(pages->TabWidget()->tabText(1).toStdString(), "Log");
  EXPECT_EQ(pages->ControlCount(), 2);
}

TEST(Forms, HintsMenusAndDialogsGoThroughTheirServices) {
  TScopedServices services;
  OkCancelForm form(nullptr);
  AnsiString shown;
  Application->OnHint = [&](TObject*) { shown = Application->Hint(); };
  form.ok->SetHint("Apply|Apply Hardware Settings");
  form.ok->Perform(CM_MOUSEENTER);
  EXPECT_EQ(shown, "Apply Hardware Settings");
  form.ok->Perform(CM_MOUSELEAVE);
  EXPECT_EQ(shown, "");
  Application->OnHint = nullptr;

  auto* menu = new TMainMenu(&form);
  auto* network = new TMenuItem(&form);
  network->SetCaption("Network");
  auto* configuration = new TMenuItem(&form);
  configuration->SetCaption("Configuration");
  int chosen = 0;
  configuration->OnClick = [&](TObject*) { ++chosen; };
  network->Add(configuration);
  menu->Items()->Add(network);
  form.SetMenu(menu);
  ASSERT_NE(configuration->Action(), nullptr);
  configuration->Action()->trigger();
  EXPECT_EQ(chosen, 1);
  EXPECT_GT(form.ClientHeight(), 0);
  EXPECT_LT(form.ClientHeight(), form.Height());

  TOpenDialog open(&form);
  open.Filter = "Hex Files  (*.HEX,*.H86)|*.H86;*.HEX";
  open.DefaultExt = "h86";
  services->ChooseFiles({"/tmp/firmware"});
  ASSERT_TRUE(open.Execute());
  EXPECT_EQ(open.FileName, "/tmp/firmware.h86");
  services->CancelFileDialog();
  EXPECT_FALSE(open.Execute());
  EXPECT_EQ(services->fileRequests.back().filter, open.Filter);

  struct Match { const char* name; bool matches; };
  for (const Match& m : {Match{"a.hex", true}, {"A.H86", true}, {"b.Hex", true}, {"c.txt", false}, {"hex", false}})
    EXPECT_EQ(MatchesFilter(m.name, FilterPatterns(open.Filter, 1)), m.matches) << m.name;

  for (const char* bad : {"calc.exe; rm -rf /", "javascript:alert(1)", "", "not a url"})
    EXPECT_FALSE(Services().OpenUrl(bad)) << bad;
  EXPECT_TRUE(Services().OpenUrl("https://example.com/"));
  EXPECT_EQ(services->openedUrls, std::vector<AnsiString>{"https://example.com/"});

  EXPECT_EQ(MessageBox(nullptr, "Enter download mode?", "Warning", MB_YESNOCANCEL | MB_ICONWARNING), IDCANCEL);
  services->Answer(IDYES);
  EXPECT_EQ(MessageBox(nullptr, "Again?", "Warning", MB_YESNOCANCEL), IDYES);
  Screen->SetCursor(crHourGlass);
  Screen->SetCursor(crDefault);
  EXPECT_EQ(services->cursors, (std::vector<TCursor>{crHourGlass, crDefault}));
}

TEST(Forms, ComponentsOwnAndNotify) {
  auto* owner = new TComponent(nullptr);
  auto* a = new TComponent(owner);
  a->SetName("Button_Ok");
  auto* b = new TComponent(owner);
  EXPECT_EQ(owner->FindComponent("button_ok"), a);
  EXPECT_THROW(b->SetName("BUTTON_OK"), EInvalidOperation);
  Watcher watcher;
  b->FreeNotification(&watcher);
  delete b;
  EXPECT_TRUE(watcher.gone);
  EXPECT_EQ(owner->ComponentCount(), 1);
  Watcher second;
  a->FreeNotification(&second);
  delete owner;
  EXPECT_TRUE(second.gone);

  // Loaded runs once the form is built.
  struct Loading : TComponent {
    using TComponent::TComponent;
    bool loaded = false;
    void Loaded() override {
      TComponent::Loaded();
      loaded = true;
    }
  };
  TForm form(nullptr);
  auto* part = new Loading(&form);
  EXPECT_FALSE(part->loaded);
  form.AfterConstruction();
  EXPECT_TRUE(part->loaded);
}

}  // namespace

namespace {

TEST(Timers, FireAtTheIntervalOfProcessTime) {
  // A 15 s browse period, sped up a thousand times.
  platform::SetTimeScale(1000);
  TTimer timer(nullptr);
  timer.SetEnabled(false);
  timer.SetInterval(15000);
  int fired = 0;
  timer.OnTimer = [&](TObject*) {
    ++fired;
    timer.SetEnabled(false);
  };
  timer.SetEnabled(true);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (fired == 0 && std::chrono::steady_clock::now() < deadline) Application->HandleMessage();
  platform::SetTimeScale(1);
  EXPECT_EQ(fired, 1);
  harness::ProcessEvents();
  EXPECT_EQ(fired, 1);  // disabled in its handler: fires no more
}

}  // namespace
