#include "app/Form_main.h"

#include <cstring>

#include "app/Class_fw_dnld_copn.h"
#include "app/Class_fw_dnld_dnet.h"
#include "app/Class_qx24xs.h"
#include "app/Form_FW_Download.h"
#include "app/Form_about.h"
#include "bindings/Form_versioninformation_file.h"
#include "app/Thread_nodesonline_file.h"
#include "app/windowfit.h"

namespace {

constexpr int kNodeColumns = 7;
constexpr int kNodeColumnWidths[kNodeColumns] = {35, 60, 75, 75, 60, 75, 100};
const char* const kDeviceNetHeader[kNodeColumns] = {"Node",     "Vendor ID",     "Device Type", "Product Code",
                                                    "Revision", "Serial Number", "Product Name"};
const char* const kCANopenHeader[kNodeColumns] = {"Node ID",  "Vendor ID",     "Device Type", "Product Code",
                                                  "Revision", "Serial Number", "Device Name"};
constexpr TGridOptions kNodeTableOptions =
    goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goColSizing | goRowSelect;

}  // namespace

TForm_FW_Download_Main::TForm_FW_Download_Main(TComponent* owner) : TForm(owner) {
  SetCaption("Flashwright");
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetClientWidth(660);
  SetClientHeight(520);
  rowToNode_.fill(kNoNode);

  BuildInterfaceGroup();
  BuildNodeTable();
  BuildButtons();
  BuildMenus();

  StatusBar1 = new TStatusBar(this);
  StatusBar1->SetParent(this);
  StatusBar1->SetAlign(alBottom);
  StatusBar1->SetHeight(20);
  StatusBar1->AddPanel().Text = "Status: Offline";
  StatusBar1->Panels(0).Width = 200;

  Timer_Browse = new TTimer(this);
  Timer_Browse->SetEnabled(false);
  Timer_Browse->SetInterval(kDefaultBrowseTimeMs);
  Timer_Browse->OnTimer = Method(this, &TForm_FW_Download_Main::Timer_BrowseTimer);

  FormSize1 = new TFormSize(this);
  FormSize1->SaveName = ".\\FORM.INI";
  FormSize1->SaveKey = "Form1";
  FormSize1->MagnetDistance = 32;
  FormSize1->SaveSize = false;
  FormSize1->SaveUser = false;
  FormSize1->SaveMachine = false;

  OnShow = Method(this, &TForm_FW_Download_Main::FormShow);
  OnClose = Method(this, &TForm_FW_Download_Main::FormClose);
}

TForm_FW_Download_Main::~TForm_FW_Download_Main() {
  // The polling thread uses the downloader and this window: it ends first.
  nodeThread_.reset();
}

TStaticText* TForm_FW_Download_Main::AddText(const AnsiString& caption, int left, int top, int width) {
  auto* text = new TStaticText(this);
  text->SetParent(GroupBox_Interface);
  text->SetCaption(caption);
  text->SetBounds(left, top, width, 17);
  return text;
}

void TForm_FW_Download_Main::BuildInterfaceGroup() {
  GroupBox_Interface = new TGroupBox(this);
  GroupBox_Interface->SetParent(this);
  GroupBox_Interface->SetBounds(8, 8, 644, 110);

  Image_Interface = new TImage(this);
  Image_Interface->SetParent(GroupBox_Interface);
  Image_Interface->SetBounds(10, 20, 64, 64);
  Image_Interface->SetHint("Right Click for more options");
  Image_Interface->SetShowHint(true);

  AddText("Interface Type:", 90, 20, 110);
  StaticText_InterfaceType = AddText("None", 200, 20, 200);
  StaticText_InterfaceConfigLabel1 = AddText("Access Point:", 90, 45, 110);
  StaticText_InterfaceConfig1 = AddText("", 200, 45, 200);
  StaticText_InterfaceConfigLabel2 = AddText("Serial Baud:", 90, 70, 110);
  StaticText_InterfaceConfig2 = AddText("", 200, 70, 200);
  StaticText3 = AddText("Baud Rate:", 420, 20, 80);
  StaticText_NetworkBaud = AddText("", 500, 20, 120);
  StaticText_NetworkBaud->OnClick = Method(this, &TForm_FW_Download_Main::About1Click);
  StaticText4 = AddText("MacId:", 420, 45, 80);
  StaticText_Id = AddText("", 500, 45, 120);
}

void TForm_FW_Download_Main::BuildNodeTable() {
  VudUvizidIzed_NodesOnline = new TVudUvizidIzed(this);
  VudUvizidIzed_NodesOnline->SetParent(this);
  VudUvizidIzed_NodesOnline->SetBounds(8, 126, 644, 300);
  VudUvizidIzed_NodesOnline->SetColCount(kNodeColumns);
  VudUvizidIzed_NodesOnline->SetRowCountEx(kNodeRows + 1);
  VudUvizidIzed_NodesOnline->SetFixedRows(1);
  VudUvizidIzed_NodesOnline->SetFixedCols(0);
  VudUvizidIzed_NodesOnline->SetDefaultRowHeight(21);
  VudUvizidIzed_NodesOnline->SetOptions(kNodeTableOptions);
  VudUvizidIzed_NodesOnline->OnClickCell = Method(this, &TForm_FW_Download_Main::VudUvizidIzed_NodesOnlineClickCell);
  VudUvizidIzed_NodesOnline->OnDblClickCell =
      Method(this, &TForm_FW_Download_Main::VudUvizidIzed_NodesOnlineDblClickCell);
}

void TForm_FW_Download_Main::BuildButtons() {
  struct Spec {
    TButton*& button;
    const char* caption;
    bool enabled;
    void (TForm_FW_Download_Main::*onClick)(TObject*);
  };
  const Spec specs[] = {
      {Button_NetworkStart, "Start Network Access", true, &TForm_FW_Download_Main::Button_NetworkStartClick},
      {Button_NetworkStop, "Stop Network Access", false, &TForm_FW_Download_Main::Button_NetworkStopClick},
      {Button_Browse, "Browse", false, &TForm_FW_Download_Main::Button_BrowseClick},
      {Button_DownloadFirmware, "Select Mode/Download Firmware", false,
       &TForm_FW_Download_Main::Button_DownloadFirmwareClick},
  };
  for (const Spec& spec : specs) {
    spec.button = new TButton(this);
    spec.button->SetParent(this);
    spec.button->SetCaption(spec.caption);
    spec.button->SetEnabled(spec.enabled);
    spec.button->SetHeight(25);
    spec.button->OnClick = Method(this, spec.onClick);
  }
  windowfit::PlaceButtonRow({Button_NetworkStart, Button_NetworkStop, Button_Browse, Button_DownloadFirmware}, 8, 436,
                            8);
}

void TForm_FW_Download_Main::BuildMenus() {
  auto item = [this](TMenuItem* parent, const AnsiString& caption, void (TForm_FW_Download_Main::*onClick)(TObject*)) {
    auto* menuItem = new TMenuItem(this);
    menuItem->SetCaption(caption);
    if (onClick != nullptr) menuItem->OnClick = Method(this, onClick);
    parent->Add(menuItem);
    return menuItem;
  };
  MainMenu1 = new TMainMenu(this);
  Network1 = item(MainMenu1->Items(), "Network", nullptr);
  Configuration2 = item(Network1, "Configuration", &TForm_FW_Download_Main::Configuration2Click);
  Help1 = item(MainMenu1->Items(), "Help", nullptr);
  About1 = item(Help1, "About", &TForm_FW_Download_Main::About1Click);
  VersionInfo1 = item(Help1, "Version Information", &TForm_FW_Download_Main::VersionInfo1Click);
  SetMenu(MainMenu1);

  PopupMenu_DNetInterface = new TPopupMenu(this);
  Configuration1 =
      item(PopupMenu_DNetInterface->Items(), "Configuration", &TForm_FW_Download_Main::Configuration1Click);
  VersionInfo2 =
      item(PopupMenu_DNetInterface->Items(), "Version Information", &TForm_FW_Download_Main::VersionInfo2Click);
  Image_Interface->SetPopupMenu(PopupMenu_DNetInterface);
}

std::unique_ptr<TFlashwright> TForm_FW_Download_Main::CreateDownloader(std::uint8_t mode) {
  switch (mode) {
    case kDeviceNet: return std::make_unique<TDNet_Downloader>();
    case kCANopen: return std::make_unique<TCOPN_Downloader>();
    case kQx24x: {
      auto downloader = std::make_unique<TQX24XS_Downloader>();
      downloader->SetMode(kModeQx24x);
      return downloader;
    }
    default: return nullptr;
  }
}

void TForm_FW_Download_Main::FormShow(TObject*) {
  if (mode_ < kDeviceNet || mode_ > kQx24x) return;
  GroupBox_Interface->SetCaption(mode_ == kDeviceNet  ? "DeviceNet Interface:"
                                 : mode_ == kCANopen ? "CANopen Interface:"
                                                     : "QX24X Interface:");
  const char* const* header = mode_ == kCANopen ? kCANopenHeader : kDeviceNetHeader;
  for (int col = 0; col < kNodeColumns; ++col) {
    VudUvizidIzed_NodesOnline->SetCellEx(col, 0, header[col]);
    VudUvizidIzed_NodesOnline->SetColWidths(col, kNodeColumnWidths[col]);
  }
  windowfit::FitColumnsToTexts(VudUvizidIzed_NodesOnline);
  // The downloader lives from the first show until the program ends.
  if (!downloader_) downloader_ = CreateDownloader(mode_);
  if (downloader_) {
    downloader_->ReadConfiguration(kFlashwrightRegistryKey);
    ShowInterfaceConfiguration();
  }
}

void TForm_FW_Download_Main::ShowInterfaceLine(const AnsiString& label1, const AnsiString& value1,
                                               const AnsiString& label2, const AnsiString& value2,
                                               bool secondLine) {
  StaticText_InterfaceConfigLabel1->SetCaption(label1);
  StaticText_InterfaceConfig1->SetCaption(value1);
  StaticText_InterfaceConfigLabel2->SetCaption(label2);
  StaticText_InterfaceConfig2->SetCaption(value2);
  StaticText_InterfaceConfigLabel2->SetVisible(secondLine);
  StaticText_InterfaceConfig2->SetVisible(secondLine);
}

int TForm_FW_Download_Main::ShowInterfaceConfiguration() {
  InterfaceConfiguration record{};
  if (!downloader_ || downloader_->GetInterfaceConfiguration(&record) == 0) return 0;
  char name[256] = {};
  if (downloader_->GetInterfaceName(name) != 0) {
    StaticText_InterfaceType->SetCaption(AnsiString(name, strnlen(name, sizeof name)));
  }
  const AnsiString accessPoint(record.AccessPoint, strnlen(record.AccessPoint, sizeof record.AccessPoint));
  if (!accessPoint.empty()) {
    ShowInterfaceLine("Access Point:", accessPoint, "", "", false);
  } else if (record.Port != 0) {
    ShowInterfaceLine("Port:", std::to_string(record.Port), "IRQ:", std::to_string(record.Irq), record.Irq != 0);
  } else if (record.ComPort != 0) {
    ShowInterfaceLine("COM Port:", "COM" + std::to_string(record.ComPort), "COM Baud:",
                      std::to_string(record.ComBaud), record.ComBaud != 0);
  } else {
    ShowInterfaceLine("Not Configured", "", "", "", false);
  }
  const bool networkLines = mode_ != kQx24x;
  for (TStaticText* text : {StaticText3, StaticText_NetworkBaud, StaticText4, StaticText_Id}) {
    text->SetVisible(networkLines);
  }
  if (networkLines) {
    StaticText_NetworkBaud->SetCaption(downloader_->GetBaudRateText());
    StaticText_Id->SetCaption(downloader_->GetInterfaceAddressText());
  }
  if (mode_ == kCANopen) StaticText4->SetCaption("NodeID:");
  if (mode_ == kDeviceNet) StaticText4->SetCaption("MacId:");
  return 1;
}

int TForm_FW_Download_Main::StartNetworkAccess() {
  if (!downloader_) return 0;
  if (downloader_->GoOnline() == 0) return 0;
  if (!nodeThread_) {
    nodeThread_ = std::make_unique<TThread_NodesOnline>();
    nodeThread_->SetDownloader(downloader_.get());
    nodeThread_->RefreshNodesSync = [this] { RefreshNodeGrid(); };
    nodeThread_->Resume();
  }
  Button_NetworkStart->SetEnabled(false);
  Button_NetworkStop->SetEnabled(true);
  std::uint32_t browseTime = 0;
  if (downloader_->GetBrowseTime(&browseTime) == 0) browseTime = kDefaultBrowseTimeMs;
  Timer_Browse->SetInterval(browseTime);
  Timer_Browse->SetEnabled(true);
  return 1;
}

int TForm_FW_Download_Main::StopNetworkAccess() {
  Button_Browse->SetEnabled(false);
  Timer_Browse->SetEnabled(false);
  if (nodeThread_) {
    // Taken out first: WaitFor serves the calls the thread has queued (a
    // table refresh it may be waiting in, a lost interface), and a loss
    // handled in there must find the network stopping, not report twice.
    const std::unique_ptr<TThread_NodesOnline> thread = std::move(nodeThread_);
    thread->Stop();
    thread->WaitFor();
  }
  if (downloader_) downloader_->GoOffline();
  RefreshNodeGrid();
  Button_DownloadFirmware->SetEnabled(false);
  Button_NetworkStop->SetEnabled(false);
  Button_NetworkStart->SetEnabled(true);
  Configuration1->SetEnabled(true);
  Configuration2->SetEnabled(true);
  return 1;
}

void TForm_FW_Download_Main::Button_NetworkStartClick(TObject*) { StartNetworkAccess(); }

void TForm_FW_Download_Main::Button_NetworkStopClick(TObject*) { StopNetworkAccess(); }

void TForm_FW_Download_Main::Button_BrowseClick(TObject*) {
  if (!downloader_) return;
  downloader_->StartBrowse();
  Timer_Browse->SetEnabled(true);
  Button_Browse->SetEnabled(false);
}

int TForm_FW_Download_Main::EndBrowse() {
  Timer_Browse->SetEnabled(false);
  if (!downloader_) return 0;
  downloader_->StopBrowse();
  Button_Browse->SetEnabled(true);
  return 1;
}

void TForm_FW_Download_Main::Timer_BrowseTimer(TObject*) { EndBrowse(); }

std::uint32_t TForm_FW_Download_Main::RowNode(int row) const {
  if (row < 1 || row > static_cast<int>(rowToNode_.size())) return kNoNode;
  return rowToNode_[row - 1];
}

void TForm_FW_Download_Main::SetRowNode(int row, std::uint32_t node) { rowToNode_.at(row - 1) = node; }

bool TForm_FW_Download_Main::RowHoldsPresentNode(int row) const {
  const std::uint32_t node = RowNode(row);
  return node < nodePresent_.size() && nodePresent_[node] != 0;
}

void TForm_FW_Download_Main::ClearNodeRow(int row) {
  SetRowNode(row, kNoNode);
  for (int col = 0; col < kNodeColumns; ++col) VudUvizidIzed_NodesOnline->SetCellEx(col, row, "");
}

int TForm_FW_Download_Main::RefreshNodeGrid() {
  if (!downloader_) return 0;
  std::uint16_t count = 0;
  downloader_->GetNodeCount(&count);
  const int nodes = std::min<int>(count, static_cast<int>(nodePresent_.size()));
  TVudUvizidIzed* grid = VudUvizidIzed_NodesOnline;
  int row = 1;
  for (int node = 0; node < nodes; ++node) {
    nodePresent_[node] = downloader_->PresentWord(node);
    if (nodePresent_[node] == 0) continue;
    // More nodes than the table's 64 rows grow it rather than run past it.
    if (row >= grid->GetRowCountEx()) grid->SetRowCountEx(row + 1);
    SetRowNode(row, static_cast<std::uint32_t>(node));
    const AnsiString texts[kNodeColumns] = {
        downloader_->GetNodeText(node),         downloader_->GetVendorText(node),
        downloader_->GetDeviceTypeText(node),   downloader_->GetProductCodeText(node),
        downloader_->GetRevisionText(node),     downloader_->GetSerialNumberText(node),
        downloader_->GetProductNameText(node)};
    for (int col = 0; col < kNodeColumns; ++col) grid->SetCellEx(col, row, texts[col]);
    ++row;
  }
  const bool anyNode = row > 1;
  // Back to the table's own size once the extra nodes have gone.
  const int rows = std::max(row, kNodeRows + 1);
  if (grid->GetRowCountEx() > rows) grid->SetRowCountEx(rows);
  for (int free = row; free < rows; ++free) ClearNodeRow(free);
  // What the nodes report shows whole, on one line.
  windowfit::FitColumnsToTexts(grid);
  if (anyNode) Button_DownloadFirmware->SetEnabled(true);
  grid->Invalidate();
  if (downloader_->TakeInterfaceLost()) QueueInterfaceLost();
  return 1;
}

void TForm_FW_Download_Main::QueueInterfaceLost() {
  QueueOnWindowThread([this, alive = std::weak_ptr<int>(lifeToken_)] {
    if (alive.expired()) return;
    interfaceLost_ = true;
    // The sector download window uses the link while it is open: the loss
    // is dealt with once it has closed.
    if (downloadWindow_ == nullptr || !downloadWindow_->Visible()) HandleInterfaceLost();
  });
}

void TForm_FW_Download_Main::HandleInterfaceLost() {
  if (!interfaceLost_) return;
  interfaceLost_ = false;
  if (!nodeThread_) return;
  StopNetworkAccess();
  downloader_->ReportInterfaceLost();
}

void TForm_FW_Download_Main::VudUvizidIzed_NodesOnlineClickCell(TObject*, int ARow, int) {
  Button_DownloadFirmware->SetEnabled(RowHoldsPresentNode(ARow));
}

void TForm_FW_Download_Main::VudUvizidIzed_NodesOnlineDblClickCell(TObject*, int ARow, int) {
  if (RowHoldsPresentNode(ARow)) OpenDownloadWindow(static_cast<int>(RowNode(ARow)));
}

void TForm_FW_Download_Main::Button_DownloadFirmwareClick(TObject*) {
  const int row = VudUvizidIzed_NodesOnline->GetRowEx();
  if (RowHoldsPresentNode(row)) OpenDownloadWindow(static_cast<int>(RowNode(row)));
}

int TForm_FW_Download_Main::OpenDownloadWindow(int node) {
  if (downloadWindow_ == nullptr) Application->CreateForm(downloadWindow_);
  downloadWindow_->SetDownloader(downloader_.get());
  if (downloader_) downloader_->SetNodeNumber(static_cast<std::uint16_t>(node));
  EndBrowse();
  downloadWindow_->ShowModal();
  HandleInterfaceLost();
  return 1;
}

void TForm_FW_Download_Main::Configuration1Click(TObject* Sender) {
  if (downloader_) Configuration2Click(Sender);
}

void TForm_FW_Download_Main::Configuration2Click(TObject*) {
  if (!downloader_ || downloader_->ConfigurationWindow() == 0) return;
  downloader_->SaveConfiguration(kFlashwrightRegistryKey);
  ShowInterfaceConfiguration();
}

void TForm_FW_Download_Main::VersionInfo1Click(TObject*) {
  if (!downloader_) return;
  // The module driver brings no version window: the program lists its levels.
  if (auto* modules = dynamic_cast<TQX24XS_Downloader*>(downloader_.get())) {
    TBindingVersionSource<TQX24XS_Downloader> source(*modules);
    const auto window = std::make_unique<TForm_VersionInformation>(nullptr);
    window->Binding1 = &source;
    window->ShowModal();
    return;
  }
  downloader_->VersionInformationWindow();
}

void TForm_FW_Download_Main::VersionInfo2Click(TObject* Sender) { VersionInfo1Click(Sender); }

void TForm_FW_Download_Main::About1Click(TObject*) {
  if (AboutBox == nullptr) Application->CreateForm(AboutBox);
  AboutBox->ShowModal();
}

void TForm_FW_Download_Main::FormClose(TObject*, TCloseAction& Action) {
  StopNetworkAccess();
  Action = caFree;
}
