#pragma once
// The main window: the interface of the chosen bus, network access, the
// browse period, the node table kept up to date by the node-polling thread,
// and the way into the sector download window for the selected node.
#include <array>
#include <cstdint>
#include <memory>

#include "app/Class_flashwright.h"
#include "framework/extracontrols.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/standardcontrols.h"
#include "grid/duruzav.h"
#include "grid/formsize.h"

class TAboutBox;
class TForm_FW_Download;
class TThread_NodesOnline;

class TForm_FW_Download_Main : public TForm {
 public:
  enum : std::uint8_t { kDeviceNet = 1, kCANopen = 2, kQx24x = 3 };
  static constexpr int kNodeRows = 64;
  static constexpr std::uint32_t kNoNode = 255;
  static constexpr std::uint32_t kDefaultBrowseTimeMs = 15000;

  explicit TForm_FW_Download_Main(TComponent* owner);
  ~TForm_FW_Download_Main() override;

  // The bus of the run; set by start-up before the window is shown.
  std::uint8_t Mode() const { return mode_; }
  void SetMode(std::uint8_t mode) { mode_ = mode; }
  TFlashwright* Downloader() const { return downloader_.get(); }
  TForm_FW_Download* DownloadWindow() const { return downloadWindow_; }
  // The About window of the program (created by start-up; made on first use
  // otherwise).
  TAboutBox* AboutBox = nullptr;

  TGroupBox* GroupBox_Interface;
  TImage* Image_Interface;
  TStaticText* StaticText_InterfaceType;
  TStaticText* StaticText_InterfaceConfigLabel1;
  TStaticText* StaticText_InterfaceConfig1;
  TStaticText* StaticText_InterfaceConfigLabel2;
  TStaticText* StaticText_InterfaceConfig2;
  TStaticText* StaticText3;
  TStaticText* StaticText_NetworkBaud;
  TStaticText* StaticText4;
  TStaticText* StaticText_Id;
  TVudUvizidIzed* VudUvizidIzed_NodesOnline;
  TButton* Button_NetworkStart;
  TButton* Button_NetworkStop;
  TButton* Button_Browse;
  TButton* Button_DownloadFirmware;
  TStatusBar* StatusBar1;
  TMainMenu* MainMenu1;
  TMenuItem* Network1;
  TMenuItem* Configuration2;
  TMenuItem* Help1;
  TMenuItem* About1;
  TMenuItem* VersionInfo1;
  TPopupMenu* PopupMenu_DNetInterface;
  TMenuItem* Configuration1;
  TMenuItem* VersionInfo2;
  TTimer* Timer_Browse;
  TFormSize* FormSize1;

  void FormShow(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void Button_NetworkStartClick(TObject* Sender);
  void Button_NetworkStopClick(TObject* Sender);
  void Button_BrowseClick(TObject* Sender);
  void Timer_BrowseTimer(TObject* Sender);
  void Button_DownloadFirmwareClick(TObject* Sender);
  void VudUvizidIzed_NodesOnlineClickCell(TObject* Sender, int ARow, int ACol);
  void VudUvizidIzed_NodesOnlineDblClickCell(TObject* Sender, int ARow, int ACol);
  void Configuration1Click(TObject* Sender);
  void Configuration2Click(TObject* Sender);
  void VersionInfo1Click(TObject* Sender);
  void VersionInfo2Click(TObject* Sender);
  void About1Click(TObject* Sender);

  int ShowInterfaceConfiguration();
  int StartNetworkAccess();
  int StopNetworkAccess();
  int EndBrowse();
  int RefreshNodeGrid();
  int OpenDownloadWindow(int node);

  // The node shown in a table row (from 1), or kNoNode.
  std::uint32_t RowNode(int row) const;

 protected:
  // The downloader of the bus; null for an unknown one.
  virtual std::unique_ptr<TFlashwright> CreateDownloader(std::uint8_t mode);

 private:
  void BuildInterfaceGroup();
  void BuildNodeTable();
  void BuildButtons();
  void BuildMenus();
  TStaticText* AddText(const AnsiString& caption, int left, int top, int width);
  void ShowInterfaceLine(const AnsiString& label1, const AnsiString& value1, const AnsiString& label2,
                         const AnsiString& value2, bool secondLine);
  // The row holds a node that is present.
  bool RowHoldsPresentNode(int row) const;
  void SetRowNode(int row, std::uint32_t node);
  void ClearNodeRow(int row);
  // Offline, as a start without the interface leaves the window, with the
  // downloader's report. Runs after the table refresh that found the loss:
  // going offline waits for the polling thread, which waits for that refresh.
  void QueueInterfaceLost();
  void HandleInterfaceLost();

  std::uint8_t mode_ = 0;
  std::unique_ptr<TFlashwright> downloader_;
  std::unique_ptr<TThread_NodesOnline> nodeThread_;
  TForm_FW_Download* downloadWindow_ = nullptr;
  std::array<std::uint32_t, TFlashwright::kNodeEntries> nodePresent_{};
  std::array<std::uint32_t, TFlashwright::kNodeEntries> rowToNode_{};
  // The interface vanished and the window is still to go offline.
  bool interfaceLost_ = false;
  // Calls queued for later hold only a weak reference to it.
  std::shared_ptr<int> lifeToken_ = std::make_shared<int>(0);
};
