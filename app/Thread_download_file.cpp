#include "app/Thread_download_file.h"

#include <algorithm>
#include <cstdio>

#include "app/Class_flashwright.h"
#include "app/Class_intelhexfile.h"
#include "platform/lasterror.h"

namespace {

// Left in the last-error value before each read-back: a back-end that keeps
// no read-back answers 0 and leaves it untouched. The verify pass then has
// nothing to compare and does not fail the download; what verifies such a
// download is the node's own answer on the sector checksum afterwards.
constexpr std::uint32_t kNoReadBack = 0xFFFFFF01;

}  // namespace

TDownloadPasses::TDownloadPasses(const TDownloadJob& job, TDownloadObserver* observer)
    : job_(job),
      observer_(observer),
      chunkSize_(job.downloader != nullptr ? std::max<std::uint32_t>(job.downloader->ChunkSize(), 1) : 1) {}

void TDownloadPasses::Execute() {
  passEnd_ = PassEnd::None;
  RunPass(&TDownloadPasses::DownloadRecord);
  downloadStatus_ = platform::GetLastError();
  // A file without a data byte leaves the erased sector as it was: nothing
  // was downloaded, whatever the reader says of its end.
  if (passEnd_ == PassEnd::EndOfData && bytesWritten_ == 0) {
    passEnd_ = PassEnd::Failed;
    cause_ = "The file holds no data to download.";
  }
  downloadPassed_.store(passEnd_ == PassEnd::EndOfData && downloadStatus_ == kHexStatusEndOfData &&
                        !cancelRequested_.load());

  if (downloadPassed_.load() && job_.reader != nullptr) RunVerifyPass();
  if (observer_ != nullptr) observer_->Finished();
}

void TDownloadPasses::RunVerifyPass() {
  // A reader left at the end of the file would end the pass at once with
  // nothing compared.
  if (job_.reader->Rewind() == 0) {
    cause_ = job_.reader->Path() + ": the file cannot be read again.";
    return;
  }
  if (observer_ != nullptr) observer_->VerifyStarted();
  passEnd_ = PassEnd::None;
  verifyMismatch_ = false;
  RunPass(&TDownloadPasses::VerifyRecord);
  verifyStatus_ = platform::GetLastError();
  verifyPassed_.store(passEnd_ == PassEnd::EndOfData && verifyStatus_ == kHexStatusEndOfData && !verifyMismatch_);
}

TDownloadVerdict TDownloadPasses::Verdict() const {
  // A Cancel that came after the last report, even after the passes, still
  // stops what follows them: the user was told the download was cancelled.
  if (cancelRequested_.load()) return {false, false, "Cancelled."};
  return {DownloadPassed(), VerifyPassed(), cause_};
}

void TDownloadPasses::RunPass(bool (TDownloadPasses::*step)()) {
  while ((this->*step)()) {
    if (++reportCounter_ < kRecordsPerReport) continue;
    reportCounter_ = 0;
    if (observer_ != nullptr && job_.reader != nullptr) observer_->Progress(job_.reader->Percent());
    if (cancelRequested_.load()) {
      // The code is set here, on the thread whose status the verdict reads.
      platform::SetLastError(kDownloadCancelled);
      passEnd_ = PassEnd::Failed;
      return;
    }
  }
}

bool TDownloadPasses::TransferFailed(const char* what, std::uint32_t address) {
  const std::uint32_t status = platform::GetLastError();
  char text[160];
  if (status == platform::kErrorTimeout) {
    std::snprintf(text, sizeof text, "The node stopped answering at address 0x%06X.", static_cast<unsigned>(address));
  } else {
    std::snprintf(text, sizeof text, "%s failed at address 0x%06X (code 0x%08X).", what,
                  static_cast<unsigned>(address), static_cast<unsigned>(status));
  }
  cause_ = text;
  passEnd_ = PassEnd::Failed;
  return false;
}

bool TDownloadPasses::NextRecord(std::uint32_t* address, std::uint8_t* length, std::uint8_t* data) {
  if (job_.reader == nullptr || job_.downloader == nullptr) {
    passEnd_ = PassEnd::Failed;
    return false;
  }
  if (job_.reader->ReadRecord(address, length, data) != 0) return true;
  // The end of a file without its end record may be where a copy broke off.
  const bool endOfData = platform::GetLastError() == kHexStatusEndOfData && !job_.reader->CutShort();
  passEnd_ = endOfData ? PassEnd::EndOfData : PassEnd::Failed;
  if (passEnd_ == PassEnd::Failed) cause_ = job_.reader->ProblemReport();
  return false;
}

bool TDownloadPasses::DownloadRecord() {
  std::uint32_t address = 0;
  std::uint8_t length = 0;
  std::uint8_t data[256] = {};
  if (!NextRecord(&address, &length, data)) return false;

  const std::uint32_t fullPieces = length / chunkSize_;
  std::uint32_t offset = 0;
  for (std::uint32_t piece = 0; piece < fullPieces; ++piece, offset += chunkSize_) {
    if (job_.downloader->WriteMemory(job_.sector, address + offset, static_cast<std::uint16_t>(chunkSize_),
                                     data + offset) == 0) {
      return TransferFailed("Writing", address + offset);
    }
  }
  // The closing piece is handed on even when it is empty; the back-ends
  // answer an empty write themselves.
  if (job_.downloader->WriteMemory(job_.sector, address + offset, static_cast<std::uint16_t>(length - offset),
                                   data + offset) == 0) {
    return TransferFailed("Writing", address + offset);
  }
  bytesWritten_ += length;
  return true;
}

bool TDownloadPasses::VerifyRecord() {
  std::uint32_t address = 0;
  std::uint8_t length = 0;
  std::uint8_t data[256] = {};
  if (!NextRecord(&address, &length, data)) return false;

  std::uint32_t offset = 0;
  while (offset < length) {
    const std::uint32_t piece = std::min<std::uint32_t>(chunkSize_, length - offset);
    std::uint8_t readBack[256] = {};
    platform::SetLastError(kNoReadBack);
    if (job_.downloader->ReadMemory(job_.sector, address + offset, static_cast<std::uint16_t>(piece), readBack) ==
        0) {
      if (platform::GetLastError() != kNoReadBack) return TransferFailed("Reading back", address + offset);
      platform::SetLastError(kHexStatusEndOfData);
      passEnd_ = PassEnd::EndOfData;
      return false;
    }
    const auto differing = std::mismatch(readBack, readBack + piece, data + offset);
    if (differing.first != readBack + piece) {
      char text[96];
      std::snprintf(text, sizeof text, "The node holds other data than the file at address 0x%06X.",
                    static_cast<unsigned>(address + offset + (differing.first - readBack)));
      cause_ = text;
      verifyMismatch_ = true;
      passEnd_ = PassEnd::Failed;
      return false;
    }
    offset += piece;
  }
  return true;
}
