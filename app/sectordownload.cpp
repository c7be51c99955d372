#include "app/sectordownload.h"

#include <cstdio>
#include <cstring>

#include "app/Class_intelhexfile.h"
#include "app/userprompt.h"
#include "platform/clock.h"
#include "platform/lasterror.h"

namespace {

constexpr std::uint32_t kEraseRetryDelayMs = 1000;
// How long a node that does not answer the download-mode query is asked
// again, and how often: as long as the mode switch waits for a node to come
// back.
constexpr std::uint32_t kNodeAnswerPatienceMs = 11000;
constexpr std::uint32_t kNodeAnswerRetryMs = 250;
// Left in the last-error value before asking whether a sector's checksum is
// valid: a back-end without the query answers 0 and leaves it untouched.
constexpr std::uint32_t kNoChecksumQuery = 0xFFFFFF02;

const char* const kColumnTitles[] = {"#", "Size", "Status", "Name", "Description", "Build Date", "Build Time",
                                     "Revision"};

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[128];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

// The bytes a sector holds, from the size its node reports. A sector holds
// whole flash words, an even number of bytes: an odd size is the offset of
// its last byte, as the maker's nodes report their 64 and 192 KiB sectors
// (0xFFFF, 0x2FFFF).
std::uint64_t SectorCapacity(std::uint32_t reportedSize) {
  return reportedSize % 2 != 0 ? std::uint64_t{reportedSize} + 1 : reportedSize;
}

// A message with the cause, when known, on its second line.
std::string WithCause(const char* message, const std::string& cause) {
  return cause.empty() ? message : std::string(message) + "\r\n" + cause;
}

std::string FieldText(const char* field, std::size_t capacity) { return std::string(field, strnlen(field, capacity)); }

// A system question without an owner window, as the update steps ask it.
bool AskWarning(const std::string& text) {
  return prompt::AskYes(text, "Warning", prompt::kIconWarning, prompt::Owner::None);
}

bool AskCaution(const std::string& text) { return prompt::AskYes(text, "Caution"); }

}  // namespace

TSectorDownload::TSectorDownload(TSectorDownloadView& view) : view_(view) {
  advanced_.assign(2, Row{});
  standard_.assign(1, HeaderRow());
  ClearSectorGrid();
}

TSectorDownload::Row TSectorDownload::HeaderRow() {
  Row row;
  std::copy(std::begin(kColumnTitles), std::end(kColumnTitles), row.begin());
  return row;
}

void TSectorDownload::Invalidate() { valid_ = false; }

void TSectorDownload::Reset() {
  Invalidate();
  descriptions_ = {};
  status_ = {};
  unfinished_ = {};
  bootSector_ = 0;
  // Nothing is known of the new node yet: not even its first sector number.
  advanced_ = {HeaderRow(), Row{}};
  standard_.assign(1, HeaderRow());
}

void TSectorDownload::ClearSectorGrid() {
  advanced_[0] = HeaderRow();
  for (std::size_t row = 1; row < advanced_.size(); ++row) {
    advanced_[row] = Row{};
    advanced_[row][0] = std::to_string(row - 1);
  }
}

std::uint32_t TSectorDownload::ParsePassword(const std::string& text) {
  unsigned long value = 0;
  if (std::sscanf(text.c_str(), "%lx", &value) != 1) return 0;
  return static_cast<std::uint32_t>(value);
}

int TSectorDownload::EnterDownloadMode(const std::string& passwordText) {
  if (downloader_ == nullptr) return 0;
  int inDownloadMode = 0;
  const int result = ReadDownloadMode(inDownloadMode);
  if (result == 0) {
    prompt::Tell("Could Not Read Download Mode!\r\nNode " + std::to_string(downloader_->NodeNumber()) +
                     " does not answer.",
                 "Error");
    return 0;
  }
  if (inDownloadMode != 0) return result;
  if (!AskWarning("The module is not currently in the download mode.\r\nEntering Download mode will stop current "
                  "Node Application Firmware!\r\nMake sure the Node is in a safe state!\r\nEnter download mode?\r\n")) {
    return 0;
  }
  int entered = 0;
  {
    prompt::BusyCursor busy;
    entered = downloader_->SetDownloadMode(1, ParsePassword(passwordText));
  }
  if (entered == 0) {
    prompt::Tell("Password Not Accepted\r\n", "Warning", prompt::kIconWarning, prompt::Owner::None);
    return 0;
  }
  return entered;
}

// A node just restarted (reset into new firmware a moment ago) is listed as
// soon as it is heard again, but its master may need a few seconds more to
// reach it: it is given that time before the user is told it does not answer.
int TSectorDownload::ReadDownloadMode(int& inDownloadMode) {
  int result = downloader_->GetDownloadMode(&inDownloadMode);
  if (result != 0) return result;
  prompt::BusyCursor busy;
  for (std::uint32_t waited = 0; result == 0 && waited < kNodeAnswerPatienceMs; waited += kNodeAnswerRetryMs) {
    platform::Sleep(kNodeAnswerRetryMs);
    result = downloader_->GetDownloadMode(&inDownloadMode);
  }
  return result;
}

int TSectorDownload::EraseSectorAndRefresh(std::uint8_t sector) {
  if (downloader_ == nullptr) {
    ClearSectorGrid();
    Invalidate();
    return 0;
  }
  const int result = EraseWhileBusy(sector);
  if (result != 0 && sector < kMaxSectors) unfinished_[sector] = false;
  RefreshSectorGrid();
  return result;
}

int TSectorDownload::EraseWhileBusy(std::uint8_t sector) {
  // An erase keeps the window thread for seconds.
  prompt::BusyCursor busy;
  return downloader_->EraseSector(sector);
}

int TSectorDownload::EraseAndDownload(std::uint8_t sector) {
  if (downloader_ == nullptr) {
    ClearSectorGrid();
    Invalidate();
    return 0;
  }
  std::string path;
  if (!ChooseDownloadFile(sector, path)) return 0;
  return EraseAndDownloadFile(sector, path);
}

int TSectorDownload::EraseAndDownloadFile(std::uint8_t sector, const std::string& path) {
  if (EraseWhileBusy(sector) == 0) {
    prompt::Tell("Could Not Erase Sector!", "Error");
    return 0;
  }
  return DownloadFile(sector, path);
}

// The file is chosen and read through before anything is erased: a file that
// cannot be downloaded whole must not cost the node what the sector holds.
bool TSectorDownload::ChooseDownloadFile(std::uint8_t sector, std::string& path) {
  if (!view_.ChooseHexFile(path)) return false;
  const std::string problem = FileProblem(sector, path);
  if (problem.empty()) return true;
  prompt::Tell(WithCause("Download Error", problem), "Warning");
  return false;
}

std::string TSectorDownload::FileProblem(std::uint8_t sector, const std::string& path) {
  TIntelHexFile reader;
  if (reader.Open(path) == 0) return reader.ProblemReport();
  std::uint32_t reportedSize = 0;
  // Without a size from the node, the node's own refusal guards the sector's end.
  const bool sized = downloader_->GetSectorSize(sector, &reportedSize) != 0 && reportedSize != 0;
  const std::uint64_t capacity = SectorCapacity(reportedSize);
  bool hasData = false;
  std::uint32_t address = 0;
  std::uint8_t length = 0;
  std::uint8_t data[TIntelHexFile::kMaxRecordBytes];
  while (reader.ReadRecord(&address, &length, data) != 0) {
    if (length == 0) continue;
    hasData = true;
    if (sized && std::uint64_t{address} + length > capacity) {
      return "Line " + std::to_string(reader.LineNumber()) + " of " + path +
             Format(": the data at 0x%06X lie outside sector %u (0x%06llX bytes).", static_cast<unsigned>(address),
                    static_cast<unsigned>(sector), static_cast<unsigned long long>(capacity));
    }
  }
  if (platform::GetLastError() != kHexStatusEndOfData || reader.CutShort()) return reader.ProblemReport();
  if (!hasData) return path + ": the file holds no data to download.";
  return {};
}

int TSectorDownload::DownloadFile(std::uint8_t sector, const std::string& path) {
  if (downloader_ == nullptr) return 0;
  TIntelHexFile reader;
  if (reader.Open(path) == 0) {
    prompt::Tell(WithCause("Download Error", reader.ProblemReport()), "Warning");
    return 0;
  }
  const TDownloadVerdict verdict = view_.RunDownload(TDownloadJob{&reader, sector, downloader_});
  if (!verdict.downloadPassed || !verdict.verifyPassed) {
    return DownloadFailed(sector, WithCause(verdict.downloadPassed ? "Verify Error" : "Download Error", verdict.cause),
                          "Warning");
  }
  const int result = downloader_->WriteSectorChecksum(sector);
  if (result == 0) return DownloadFailed(sector, "Could Not Write Checksum", "Error");
  const std::string invalid = ChecksumProblem(sector);
  if (!invalid.empty()) return DownloadFailed(sector, WithCause("Download Error", invalid), "Warning");
  RefreshSectorGrid();
  prompt::Tell("Download Successful", "Success");
  return result;
}

// The sector holds part of the file at most, under no checksum the node
// confirmed; its description record may be among the bytes written, and a
// DeviceNet node cannot be asked whether the sector's checksum is valid. It
// is erased again so that nothing of it can pass for firmware; when that
// fails, the window holds it for damaged until it is erased.
int TSectorDownload::DownloadFailed(std::uint8_t sector, std::string message, const char* caption) {
  const bool cleared = EraseWhileBusy(sector) != 0;
  if (sector < kMaxSectors) unfinished_[sector] = !cleared;
  RefreshSectorGrid();
  if (!cleared) {
    message += "\r\nSector " + std::to_string(sector) + " could not be erased again: it holds part of the file.";
  }
  prompt::Tell(message, caption);
  return 0;
}

// On DeviceNet and CANopen the verify pass compares nothing, and the sum the
// node stores is the program's own, computed from what it meant to write:
// only the node can tell whether its flash holds the image. A back-end
// without that query leaves the last-error value alone; its checksum write
// was then the node's check (a DeviceNet node refuses a sum that does not
// match its flash, and the downloader compares the node's own sum then).
std::string TSectorDownload::ChecksumProblem(std::uint8_t sector) {
  switch (AskChecksum(sector)) {
    case ChecksumAnswer::Valid:
    case ChecksumAnswer::NoQuery:
      return {};
    case ChecksumAnswer::Invalid:
      return "The node reports a checksum error in sector " + std::to_string(sector) + ".";
    case ChecksumAnswer::Failed:
      break;
  }
  return "The node did not confirm the checksum of sector " + std::to_string(sector) + ".";
}

TSectorDownload::ChecksumAnswer TSectorDownload::AskChecksum(std::uint8_t sector) {
  std::uint32_t valid = 0;
  platform::SetLastError(kNoChecksumQuery);
  if (downloader_->ChecksumOk(sector, &valid) != 0) return valid != 0 ? ChecksumAnswer::Valid : ChecksumAnswer::Invalid;
  return platform::GetLastError() == kNoChecksumQuery ? ChecksumAnswer::NoQuery : ChecksumAnswer::Failed;
}

bool TSectorDownload::StandardUpdate(const std::string& passwordText) {
  if (EnterDownloadMode(passwordText) == 0) return false;
  RefreshSectorGrid();
  if (!AskWarning("Are you sure you want to Download New Firmware?\r\n Continue?")) return false;
  std::string path;
  if (!ChooseDownloadFile(kStandardSector, path)) return false;
  if (EraseSectorAndRefresh(kStandardSector) == 0) {
    platform::Sleep(kEraseRetryDelayMs);
    if (EraseSectorAndRefresh(kStandardSector) == 0) {
      prompt::Tell("Could Not Erase Sector!", "Error");
      return false;
    }
  }
  if (EraseAndDownloadFile(kStandardSector, path) == 0) return false;
  if (downloader_->SetBootSector(kStandardSector) == 0) {
    prompt::Tell("Cannot Make Sector Active!", "Warning");
    return false;
  }
  if (!AskCaution("Sector Download Complete\r\nExecute new Firmware?")) return false;
  if (downloader_->ResetNode() == 0) {
    prompt::Tell("Cannot Execute New Firmware!", "Warning");
    return false;
  }
  return true;
}

bool TSectorDownload::Retrieve(const std::string& passwordText) {
  if (EnterDownloadMode(passwordText) == 0) return false;
  RefreshSectorGrid();
  return true;
}

void TSectorDownload::EraseSector(std::uint8_t sector) {
  if (sector >= kMaxSectors) return;
  if (!AskCaution("Erase Sector #" + std::to_string(sector) + "?")) return;
  if (sector == bootSector_ &&
      !AskCaution("Erasing the active page will set the active page to 0...\r\n       Continue?")) {
    return;
  }
  if (EraseSectorAndRefresh(sector) != 0) {
    prompt::Tell("Sector Erased!", "Success");
  } else {
    prompt::Tell("Could Not Erase Sector!", "Error");
  }
}

void TSectorDownload::DownloadSector(std::uint8_t sector) {
  if (sector >= kMaxSectors) return;
  if (!SectorEmpty(sector)) {
    prompt::Tell("Sector Not Empty...\r\n\r\nErase Sector First!", "Error");
    return;
  }
  if (AskCaution("Download Sector #" + std::to_string(sector) + "?")) EraseAndDownload(sector);
}

void TSectorDownload::MakeBootSector(std::uint8_t sector) {
  if (downloader_ == nullptr) {
    ClearSectorGrid();
    Invalidate();
    return;
  }
  if (sector >= kMaxSectors) return;
  if (SectorEmpty(sector)) {
    prompt::Tell("Sector Empty.\r\n Cannot make current sector the Boot Sector!", "Error");
    return;
  }
  // The node would start from a sector whose image it holds damaged.
  if (status_[sector] == kChecksumError) {
    prompt::Tell("Cannot Make Sector Active!\r\nChecksum Error!", "Error");
    return;
  }
  if (!AskCaution("Make current sector the Boot Sector?")) return;
  if (downloader_->SetBootSector(sector) == 0) prompt::Tell("Cannot Make Sector Active!", "Warning");
  RefreshSectorGrid();
}

bool TSectorDownload::ExecuteSector(std::uint8_t sector) {
  if (downloader_ == nullptr || sector >= kMaxSectors) return false;
  if (sector == 0) {
    prompt::Tell("Active Sector already running.\r\n", "Information");
    return false;
  }
  if (status_[sector] == kChecksumError) {
    prompt::Tell("Cannot Execute Sector!\r\nChecksum Error!", "Error");
    return false;
  }
  if (SectorEmpty(sector)) {
    prompt::Tell("Sector Empty!\r\n Cannot make execute an empty sector!", "Error");
    return false;
  }
  if (!AskCaution("Execute Sector #" + std::to_string(sector) + "?")) return false;
  if (sector != bootSector_) {
    const int answer = prompt::Current().Message(
        "Do you want to make this the boot sector?\r\nIf you choose \"No\" this sector will only be active until "
        "power cycle or reset!\r\n",
        "Caution", prompt::kYesNoCancel, prompt::Owner::Application);
    if (answer == prompt::kAnswerCancel) return false;
    // The user chose a lasting start; a node that did not take it is told,
    // not started as if it had.
    if (answer == prompt::kAnswerYes && downloader_->SetBootSector(sector) == 0) {
      prompt::Tell("Cannot Make Sector Active!", "Warning");
      return false;
    }
  }
  if (downloader_->ExecuteSector(sector) == 0) {
    prompt::Tell("Could Not Execute Sector!\r\n Possible Checksum Error", "Error");
    return false;
  }
  ClearSectorGrid();
  Invalidate();
  return true;
}

bool TSectorDownload::RebootNode() {
  if (downloader_ == nullptr || downloader_->ResetNode() == 0) return false;
  ClearSectorGrid();
  Invalidate();
  return true;
}

bool TSectorDownload::SectorEmpty(std::uint8_t sector) const {
  return sector < kMaxSectors && descriptions_[sector].Revision == kSectorEmpty;
}

void TSectorDownload::RefreshSectorGrid() {
  if (downloader_ == nullptr) return;
  std::uint8_t count = 0;
  if (downloader_->GetSectorCount(&count) == 0) return;
  prompt::BusyCursor busy;
  // The window has room for 8 sectors; a node reporting more shows the first 8.
  count = std::min<std::uint8_t>(count, kMaxSectors);
  advanced_.assign(count + 1u, Row{});
  advanced_[0] = HeaderRow();
  // The standard table leaves sector 0 out; it keeps its header row always.
  standard_.assign(std::max<std::size_t>(count, 1), Row{});
  standard_[0] = HeaderRow();
  for (std::uint8_t sector = 0; sector < count; ++sector) {
    Row& texts = advanced_[sector + 1u];
    ReadSector(sector, texts);
    if (sector >= 1) standard_[sector] = texts;
  }
  std::uint8_t boot = 0;
  if (downloader_->GetBootSector(&boot) != 0) {
    bootSector_ = boot;
    valid_ = true;
  }
  view_.SectorTablesChanged();
}

void TSectorDownload::ReadSector(std::uint8_t sector, Row& texts) {
  texts[0] = std::to_string(sector);
  SectorDescription& description = descriptions_[sector];
  if (downloader_->GetSectorDescription(sector, &description) == 0) {
    // Whatever the record held belongs to no sector of this node.
    description = SectorDescription{};
    status_[sector] = kUnknown;
    std::fill(texts.begin() + 1, texts.end(), "Error");
    return;
  }
  std::uint32_t size = 0;
  texts[1] = downloader_->GetSectorSize(sector, &size) != 0 ? Format("%06X", static_cast<unsigned>(size)) : "<unknown>";
  if (description.Revision == kSectorEmpty) {
    status_[sector] = kEmpty;
    texts[2] = "<empty>";
    return;
  }
  switch (unfinished_[sector] ? ChecksumAnswer::Invalid : AskChecksum(sector)) {
    case ChecksumAnswer::Invalid:
      status_[sector] = kChecksumError;
      texts[2] = "<checksum error>";
      break;
    case ChecksumAnswer::Failed:
      // The node has the query but gave no answer: nothing says the sector is good.
      status_[sector] = kUnknown;
      texts[2] = "<unknown>";
      break;
    case ChecksumAnswer::Valid:
    case ChecksumAnswer::NoQuery:
      status_[sector] = kGood;
      texts[2] = "<ok>";
      break;
  }
  texts[3] = FieldText(description.Name, sizeof description.Name);
  texts[4] = FieldText(description.Description, sizeof description.Description);
  texts[5] = FieldText(description.BuildDate, sizeof description.BuildDate);
  texts[6] = FieldText(description.BuildTime, sizeof description.BuildTime);
  texts[7] = Format("%u.%u", static_cast<unsigned>((description.Revision >> 16) & 0xFF),
                    static_cast<unsigned>(description.Revision & 0xFF));
}

std::optional<TSectorDownload::CellColours> TSectorDownload::RowColours(Table table, int row) const {
  if (!valid_ || row < 1) return std::nullopt;
  const int sector = table == Table::Advanced ? row - 1 : row;
  if (sector >= kMaxSectors) return std::nullopt;
  if (status_[sector] == kChecksumError) return CellColours{kRed, kBlack};
  if (sector == bootSector_) return CellColours{kLime, kBlack};
  return std::nullopt;
}
