#pragma once
// What the sector download window does, without the window: entering the
// download mode, the standard update of sector 2, the file download with its
// verdicts, the two sector tables as texts and colours, and the advanced
// single-sector operations. The window shows the tables, owns the controls
// and the progress window, and calls these steps from its handlers; messages
// and questions go through the prompt service.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/Class_flashwright.h"
#include "app/Thread_download_file.h"

// What the window supplies: the open dialog and the download run.
class TSectorDownloadView {
 public:
  virtual ~TSectorDownloadView() = default;
  // The open dialog ("Open Hex File"); false when cancelled.
  virtual bool ChooseHexFile(std::string& path) = 0;
  // Runs the passes of the job (TDownloadPasses) on the download thread
  // while the progress window is shown, and returns their verdicts only once
  // the thread has ended, after a Cancel too.
  virtual TDownloadVerdict RunDownload(const TDownloadJob& job) = 0;
  // The tables were read afresh from the node, in the middle of a step as
  // well: a window shows them at once, so that the questions and messages
  // that follow have the node's sectors behind them.
  virtual void SectorTablesChanged() {}
};

class TSectorDownload {
 public:
  static constexpr int kMaxSectors = 8;
  static constexpr int kColumns = 8;
  static constexpr std::uint8_t kStandardSector = 2;
  enum SectorStatus : std::uint8_t { kEmpty = 0, kGood = 1, kChecksumError = 2, kUnknown = 3 };
  enum class Table { Advanced, Standard };
  using Row = std::array<std::string, kColumns>;
  // Cell colours as 0x00BBGGRR values.
  static constexpr std::uint32_t kRed = 0x0000FF;
  static constexpr std::uint32_t kLime = 0x00FF00;
  static constexpr std::uint32_t kBlack = 0x000000;
  struct CellColours {
    std::uint32_t brush;
    std::uint32_t font;
  };

  explicit TSectorDownload(TSectorDownloadView& view);

  void SetDownloader(TFlashwright* downloader) { downloader_ = downloader; }
  TFlashwright* Downloader() const { return downloader_; }

  // Showing the window for a node: nothing of the previous node stays.
  void Reset();

  // The password field's text read as hexadecimal; 0 when empty or unreadable.
  static std::uint32_t ParsePassword(const std::string& text);
  // Non-zero when the node is in download mode afterwards.
  int EnterDownloadMode(const std::string& passwordText);
  int EraseSectorAndRefresh(std::uint8_t sector);
  // Asks for the file and checks it before the sector is erased and the file
  // downloaded into it.
  int EraseAndDownload(std::uint8_t sector);
  int DownloadFile(std::uint8_t sector, const std::string& path);

  // "Upgrade Firmware". True when the window is to close (the node was reset
  // into its new firmware).
  bool StandardUpdate(const std::string& passwordText);

  // The advanced operations on the selected sector; each returns true when
  // the window is to close.
  bool Retrieve(const std::string& passwordText);  // true: the sector buttons may be enabled
  void EraseSector(std::uint8_t sector);
  void DownloadSector(std::uint8_t sector);
  void MakeBootSector(std::uint8_t sector);
  bool ExecuteSector(std::uint8_t sector);
  bool RebootNode();

  void RefreshSectorGrid();
  void ClearSectorGrid();

  const std::vector<Row>& Rows(Table table) const { return table == Table::Advanced ? advanced_ : standard_; }
  // The colours of a row, or none for the grid's own.
  std::optional<CellColours> RowColours(Table table, int row) const;

  bool Valid() const { return valid_; }
  std::uint8_t BootSector() const { return bootSector_; }
  SectorStatus Status(std::uint8_t sector) const { return sector < kMaxSectors ? status_[sector] : kUnknown; }
  const SectorDescription& Description(std::uint8_t sector) const { return descriptions_.at(sector); }

 private:
  static Row HeaderRow();
  bool SectorEmpty(std::uint8_t sector) const;
  // The node's download mode, asked again for a while when it does not
  // answer; the last query's result.
  int ReadDownloadMode(int& inDownloadMode);
  int EraseWhileBusy(std::uint8_t sector);
  void Invalidate();
  enum class ChecksumAnswer { Valid, Invalid, NoQuery, Failed };
  // The node's word on the sector's checksum; NoQuery for a back-end that
  // offers no such query (it fails without a code).
  ChecksumAnswer AskChecksum(std::uint8_t sector);
  // Empty when the node holds the sector's checksum valid, or cannot be asked;
  // else what is wrong.
  std::string ChecksumProblem(std::uint8_t sector);
  // The open dialog and the check of the chosen file; false when cancelled or
  // when the file was refused (with its message shown).
  bool ChooseDownloadFile(std::uint8_t sector, std::string& path);
  // Empty when the file can be downloaded into the sector as a whole: it
  // opens, every line is a whole record with its checksum, it ends with its
  // end record, it holds data and all of it lies inside the sector. Else
  // what is wrong with it.
  std::string FileProblem(std::uint8_t sector, const std::string& path);
  int EraseAndDownloadFile(std::uint8_t sector, const std::string& path);
  // Ends a download that did not bring the whole file into the sector under
  // a confirmed checksum: the sector is erased again, the tables refreshed and
  // the message shown. Returns 0.
  int DownloadFailed(std::uint8_t sector, std::string message, const char* caption);
  // Fills the sector's record, status and texts; false when its description
  // could not be read.
  void ReadSector(std::uint8_t sector, Row& texts);

  TSectorDownloadView& view_;
  TFlashwright* downloader_ = nullptr;
  std::array<SectorDescription, kMaxSectors> descriptions_{};
  std::array<SectorStatus, kMaxSectors> status_{};
  // Sectors left holding part of a download that could not be erased again:
  // shown with a checksum error whatever the node says, until erased.
  std::array<bool, kMaxSectors> unfinished_{};
  std::uint8_t bootSector_ = 0;
  bool valid_ = false;
  std::vector<Row> advanced_;
  std::vector<Row> standard_;
};
