#include "app/Form_FW_Download.h"

#include "app/Class_intelhexfile.h"
#include "app/Form_downloadprogress_file.h"
#include "app/Thread_download_runner.h"
#include "app/windowfit.h"
#include "framework/codec.h"

namespace {

constexpr TGridOptions kSectorTableOptions =
    goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goColSizing | goRowSelect;
constexpr int kTableWidth = 600;
constexpr int kTableHeight = 200;

}  // namespace

TForm_FW_Download::TForm_FW_Download(TComponent* owner) : TForm(owner), steps_(*this) {
  SetCaption("Flashwright");
  SetBorderStyle(bsSingle);
  SetClientWidth(kTableWidth + 40);
  SetClientHeight(420);

  StatusBar1 = new TStatusBar(this);
  StatusBar1->SetParent(this);
  StatusBar1->SetSimplePanel(true);
  StatusBar1->SetAlign(alBottom);
  StatusBar1->SetHeight(20);

  BuildTopPanel();
  PageControl1 = new TPageControl(this);
  PageControl1->SetParent(this);
  PageControl1->SetBounds(8, 48, kTableWidth + 24, 340);
  BuildStandardPage();
  BuildAdvancedPage();

  MainMenu1 = new TMainMenu(this);
  MenuItem_SetSerialNumber = new TMenuItem(this);
  MenuItem_SetSerialNumber->SetCaption("Set Serial Number");
  MenuItem_SetSerialNumber->SetVisible(false);
  MainMenu1->Items()->Add(MenuItem_SetSerialNumber);
  SetMenu(MainMenu1);

  OpenDialog_DownloadFile = new TOpenDialog(this);
  OpenDialog_DownloadFile->Title = "Open Hex File";
  OpenDialog_DownloadFile->Filter = "Hex Files  (*.HEX,*.H86)|*.H86;*.HEX";
  OpenDialog_DownloadFile->DefaultExt = "h86";
  OpenDialog_DownloadFile->InitialDir = "c:\\My Documents";

  FormSize1 = new TFormSize(this);
  FormSize1->SaveName = ".\\FORM.INI";
  FormSize1->SaveKey = "Form_Main";
  FormSize1->MagnetDistance = 32;
  FormSize1->SaveSize = false;

  OnCreate = Method(this, &TForm_FW_Download::FormCreate);
  OnShow = Method(this, &TForm_FW_Download::FormShow);
}

TForm_FW_Download::~TForm_FW_Download() {
  if (Application->OnHint) Application->OnHint = nullptr;
}

void TForm_FW_Download::BuildTopPanel() {
  Panel_Top = new TPanel(this);
  Panel_Top->SetParent(this);
  Panel_Top->SetBounds(8, 4, kTableWidth + 24, 40);

  auto* nodeLabel = new TLabel(this);
  nodeLabel->SetParent(Panel_Top);
  nodeLabel->SetCaption("Node #:");
  nodeLabel->SetBounds(8, 12, 50, 16);
  StaticText_NodeNumber = new TStaticText(this);
  StaticText_NodeNumber->SetParent(Panel_Top);
  StaticText_NodeNumber->SetBounds(60, 12, 40, 16);

  auto* passwordLabel = new TLabel(this);
  passwordLabel->SetParent(Panel_Top);
  passwordLabel->SetCaption("Password:");
  passwordLabel->SetBounds(120, 12, 60, 16);
  Edit_Password = new TEdit(this);
  Edit_Password->SetParent(Panel_Top);
  Edit_Password->SetBounds(185, 8, 120, 22);
}

void TForm_FW_Download::BuildStandardPage() {
  TabSheet_Standard = new TTabSheet(this);
  TabSheet_Standard->SetPageControl(PageControl1);
  TabSheet_Standard->SetCaption("Standard Update");
  Button1 = AddButton(TabSheet_Standard, "Upgrade Firmware", 8, 8, Method(this, &TForm_FW_Download::Button1Click));
  auto* sectors = new TLabel(this);
  sectors->SetParent(TabSheet_Standard);
  sectors->SetCaption("Sectors:");
  sectors->SetBounds(8, 44, 60, 16);
  VudUvizidIzed_Standard = AddSectorTable(TabSheet_Standard, 62);
  VudUvizidIzed_Standard->OnGetCellColor = Method(this, &TForm_FW_Download::VudUvizidIzed_StandardGetCellColor);
  AddSwatch(TabSheet_Standard, clLime, "Active Sector On Boot", 8, 270);
}

void TForm_FW_Download::BuildAdvancedPage() {
  TabSheet_Advanced = new TTabSheet(this);
  TabSheet_Advanced->SetPageControl(PageControl1);
  TabSheet_Advanced->SetCaption("Advanced Update");
  auto* sectors = new TLabel(this);
  sectors->SetParent(TabSheet_Advanced);
  sectors->SetCaption("Sectors:");
  sectors->SetBounds(8, 44, 60, 16);
  Button_Retrieve = AddButton(TabSheet_Advanced, "Retrieve Configuration", 8, 8,
                              Method(this, &TForm_FW_Download::Button_RetrieveClick));
  Button_EraseModule =
      AddButton(TabSheet_Advanced, "Erase Sector", 8, 0, Method(this, &TForm_FW_Download::Button_EraseModuleClick));
  Button_Upgrade =
      AddButton(TabSheet_Advanced, "Download/Upgrade", 8, 0, Method(this, &TForm_FW_Download::Button_UpgradeClick));
  Button_MakeActive = AddButton(TabSheet_Advanced, "Make Boot Sector", 8, 0,
                                Method(this, &TForm_FW_Download::Button_MakeActiveClick));
  Button_Execute =
      AddButton(TabSheet_Advanced, "Execute Sector", 8, 0, Method(this, &TForm_FW_Download::Button_ExecuteClick));
  Button_RebootNode =
      AddButton(TabSheet_Advanced, "Reboot Node", 8, 0, Method(this, &TForm_FW_Download::Button_RebootNodeClick));
  Button_RebootNode->SetHint("This will reboot the node using the selected boot sector firmware.");
  Button_RebootNode->SetShowHint(true);
  // The buttons in one row above the table; a row wider than the table
  // widens the window.
  const int rowRight = windowfit::PlaceButtonRow(
      {Button_Retrieve, Button_EraseModule, Button_Upgrade, Button_MakeActive, Button_Execute, Button_RebootNode}, 8,
      8, 4);
  const int excess = rowRight - (8 + kTableWidth);
  if (excess > 0) {
    PageControl1->SetWidth(PageControl1->Width() + excess);
    SetClientWidth(ClientWidth() + excess);
  }
  EnableSectorButtons(false);
  VudUvizidIzed_Modules = AddSectorTable(TabSheet_Advanced, 62);
  VudUvizidIzed_Modules->OnGetCellColor = Method(this, &TForm_FW_Download::VudUvizidIzed_ModulesGetCellColor);
  AddSwatch(TabSheet_Advanced, clActiveCaption, "Current Selection", 8, 270);
  AddSwatch(TabSheet_Advanced, clLime, "Active Sector On Boot", 200, 270);
}

TButton* TForm_FW_Download::AddButton(TWinControl* parent, const AnsiString& caption, int left, int top,
                                      TNotifyEvent onClick) {
  auto* button = new TButton(this);
  button->SetParent(parent);
  button->SetCaption(caption);
  button->SetBounds(left, top, 130, 25);
  button->OnClick = std::move(onClick);
  return button;
}

TVudUvizidIzed* TForm_FW_Download::AddSectorTable(TWinControl* parent, int top) {
  auto* grid = new TVudUvizidIzed(this);
  grid->SetParent(parent);
  grid->SetBounds(8, top, kTableWidth, kTableHeight);
  grid->SetColCount(TSectorDownload::kColumns);
  grid->SetRowCountEx(2);
  grid->SetFixedRows(1);
  grid->SetFixedCols(2);
  grid->SetOptions(kSectorTableOptions);
  return grid;
}

void TForm_FW_Download::AddSwatch(TWinControl* parent, TColor colour, const AnsiString& caption, int left, int top) {
  auto* swatch = new TPanel(this);
  swatch->SetParent(parent);
  swatch->SetColor(colour);
  swatch->SetBounds(left, top, 16, 16);
  auto* label = new TLabel(this);
  label->SetParent(parent);
  label->SetCaption(caption);
  label->SetBounds(left + 22, top, 150, 16);
}

void TForm_FW_Download::FormCreate(TObject*) {
  Application->OnHint = [this](TObject*) { StatusBar1->SetSimpleText(Application->Hint()); };
  for (TVudUvizidIzed* grid : {VudUvizidIzed_Standard, VudUvizidIzed_Modules}) {
    grid->SetColWidths(0, 35);
    grid->SetColWidths(3, 75);
    grid->SetColWidths(4, 125);
    grid->SetColWidths(5, 75);
  }
  ShowSectorTables();
  PageControl1->SetActivePage(TabSheet_Standard);
}

void TForm_FW_Download::FormShow(TObject*) {
  TFlashwright* downloader = Downloader();
  if (downloader != nullptr && downloader->Mode() == kModeQx24x) MenuItem_SetSerialNumber->SetVisible(true);
  // Nothing of the node shown before stays.
  steps_.Reset();
  EnableSectorButtons(false);
  // The node as the main window's table names it (a QX24X module is entry 0, named 1).
  StaticText_NodeNumber->SetCaption(downloader != nullptr ? downloader->GetNodeText(downloader->NodeNumber()) : "");
  ShowSectorTables();
}

void TForm_FW_Download::EnableSectorButtons(bool enabled) {
  for (TButton* button : {Button_EraseModule, Button_Upgrade, Button_MakeActive, Button_Execute}) {
    button->SetEnabled(enabled);
  }
}

std::uint8_t TForm_FW_Download::SelectedSector() const {
  const int row = VudUvizidIzed_Modules->GetRowEx();
  return static_cast<std::uint8_t>(row >= 1 ? row - 1 : 0);
}

void TForm_FW_Download::ShowSectorTables() {
  ShowTable(VudUvizidIzed_Modules, steps_.Rows(TSectorDownload::Table::Advanced));
  ShowTable(VudUvizidIzed_Standard, steps_.Rows(TSectorDownload::Table::Standard));
}

void TForm_FW_Download::ShowTable(TVudUvizidIzed* grid, const std::vector<TSectorDownload::Row>& rows) {
  grid->SetRowCountEx(static_cast<int>(rows.size()));
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    // The sector texts are the node's bytes, one character each as the code page has them.
    for (int col = 0; col < TSectorDownload::kColumns; ++col) grid->SetCellEx(col, row, Win1252ToUtf8(rows[row][col]));
  }
  // Captions and the node's sector texts show whole, on one line.
  windowfit::FitColumnsToTexts(grid);
  grid->Invalidate();
}

void TForm_FW_Download::ColourCell(TSectorDownload::Table table, int row, TBrush* brush, TFont* font) const {
  const auto colours = steps_.RowColours(table, row);
  if (!colours) return;
  brush->SetColor(static_cast<TColor>(colours->brush));
  font->SetColor(static_cast<TColor>(colours->font));
}

void TForm_FW_Download::VudUvizidIzed_ModulesGetCellColor(TObject*, int ARow, int, TGridDrawState, TBrush* ABrush,
                                                          TFont* AFont) {
  ColourCell(TSectorDownload::Table::Advanced, ARow, ABrush, AFont);
}

void TForm_FW_Download::VudUvizidIzed_StandardGetCellColor(TObject*, int ARow, int, TGridDrawState, TBrush* ABrush,
                                                           TFont* AFont) {
  ColourCell(TSectorDownload::Table::Standard, ARow, ABrush, AFont);
}

void TForm_FW_Download::RunStep(const std::function<bool()>& step) {
  const bool close = step();
  ShowSectorTables();
  if (close) Close();
}

void TForm_FW_Download::Button1Click(TObject*) {
  RunStep([this] { return steps_.StandardUpdate(PasswordText()); });
}

void TForm_FW_Download::Button_RetrieveClick(TObject*) {
  RunStep([this] {
    if (steps_.Retrieve(PasswordText())) EnableSectorButtons(true);
    return false;
  });
}

void TForm_FW_Download::Button_EraseModuleClick(TObject*) {
  RunStep([this] {
    steps_.EraseSector(SelectedSector());
    return false;
  });
}

void TForm_FW_Download::Button_UpgradeClick(TObject*) {
  RunStep([this] {
    steps_.DownloadSector(SelectedSector());
    return false;
  });
}

void TForm_FW_Download::Button_MakeActiveClick(TObject*) {
  RunStep([this] {
    steps_.MakeBootSector(SelectedSector());
    return false;
  });
}

void TForm_FW_Download::Button_ExecuteClick(TObject*) {
  RunStep([this] { return steps_.ExecuteSector(SelectedSector()); });
}

void TForm_FW_Download::Button_RebootNodeClick(TObject*) {
  RunStep([this] { return steps_.RebootNode(); });
}

bool TForm_FW_Download::ChooseHexFile(std::string& path) {
  if (!OpenDialog_DownloadFile->Execute()) return false;
  path = OpenDialog_DownloadFile->FileName;
  return true;
}

TDownloadVerdict TForm_FW_Download::RunDownload(const TDownloadJob& job) {
  // The progress window belongs to this window's owner, as the window itself does.
  auto* progress = new TForm_DownloadProgress(Owner());
  progress->AfterConstruction();
  TDownloadVerdict verdict;
  {
    Thread_Download thread(job, progress);
    thread.SetPriority(tpHighest);
    progress->ShowModal();
    // After a Cancel the display has ended while the thread may still be
    // writing: it stops at its next report, and the verdicts are read only
    // once it has ended (its synchronised calls are served meanwhile).
    if (progress->CancelRequested()) thread.Cancel();
    thread.WaitFor();
    verdict = thread.Verdict();
  }
  delete progress;
  return verdict;
}
