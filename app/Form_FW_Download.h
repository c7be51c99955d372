#pragma once
// The sector download window: the per-node window in which firmware is
// brought into a node or module. The steps themselves (download mode, the
// standard update, the advanced sector operations, the sector tables) are
// TSectorDownload's; this window owns the controls, shows the tables, asks
// for the HEX file and runs the download thread under the progress window.
#include "app/sectordownload.h"
#include "framework/dialogs.h"
#include "framework/extracontrols.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/standardcontrols.h"
#include "grid/duruzav.h"
#include "grid/formsize.h"

class TForm_FW_Download : public TForm, private TSectorDownloadView {
 public:
  explicit TForm_FW_Download(TComponent* owner);
  ~TForm_FW_Download() override;

  // The downloader of the run (not owned); its node number says which node.
  void SetDownloader(TFlashwright* downloader) { steps_.SetDownloader(downloader); }
  TFlashwright* Downloader() const { return steps_.Downloader(); }
  const TSectorDownload& Steps() const { return steps_; }

  TStatusBar* StatusBar1;
  TPanel* Panel_Top;
  TStaticText* StaticText_NodeNumber;
  TEdit* Edit_Password;
  TPageControl* PageControl1;
  TTabSheet* TabSheet_Standard;
  TTabSheet* TabSheet_Advanced;
  TButton* Button1;
  TVudUvizidIzed* VudUvizidIzed_Standard;
  TButton* Button_Retrieve;
  TButton* Button_EraseModule;
  TButton* Button_Upgrade;
  TButton* Button_MakeActive;
  TButton* Button_Execute;
  TButton* Button_RebootNode;
  TVudUvizidIzed* VudUvizidIzed_Modules;
  TMainMenu* MainMenu1;
  TMenuItem* MenuItem_SetSerialNumber;
  TOpenDialog* OpenDialog_DownloadFile;
  TFormSize* FormSize1;

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void Button1Click(TObject* Sender);
  void Button_RetrieveClick(TObject* Sender);
  void Button_EraseModuleClick(TObject* Sender);
  void Button_UpgradeClick(TObject* Sender);
  void Button_MakeActiveClick(TObject* Sender);
  void Button_ExecuteClick(TObject* Sender);
  void Button_RebootNodeClick(TObject* Sender);
  void VudUvizidIzed_ModulesGetCellColor(TObject* Sender, int ARow, int ACol, TGridDrawState AState, TBrush* ABrush,
                                         TFont* AFont);
  void VudUvizidIzed_StandardGetCellColor(TObject* Sender, int ARow, int ACol, TGridDrawState AState,
                                          TBrush* ABrush, TFont* AFont);

 private:
  // TSectorDownloadView
  bool ChooseHexFile(std::string& path) override;
  TDownloadVerdict RunDownload(const TDownloadJob& job) override;
  void SectorTablesChanged() override { ShowSectorTables(); }

  void BuildTopPanel();
  void BuildStandardPage();
  void BuildAdvancedPage();
  TButton* AddButton(TWinControl* parent, const AnsiString& caption, int left, int top, TNotifyEvent onClick);
  TVudUvizidIzed* AddSectorTable(TWinControl* parent, int top);
  void AddSwatch(TWinControl* parent, TColor colour, const AnsiString& caption, int left, int top);
  void EnableSectorButtons(bool enabled);
  // The selected sector of the advanced operations: the advanced table's
  // current row less the header.
  std::uint8_t SelectedSector() const;
  // Shows the steps' tables in the two grids.
  void ShowSectorTables();
  static void ShowTable(TVudUvizidIzed* grid, const std::vector<TSectorDownload::Row>& rows);
  void ColourCell(TSectorDownload::Table table, int row, TBrush* brush, TFont* font) const;
  // Runs one step with the tables shown afterwards; closes the window when
  // the step says so.
  void RunStep(const std::function<bool()>& step);
  AnsiString PasswordText() const { return Edit_Password->Text(); }

  TSectorDownload steps_;
};
