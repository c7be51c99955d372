#pragma once
// The two passes of one file download, without the thread or window that run
// them: the download pass writes every data record of the HEX file into the
// target sector through the downloader's WriteMemory, in pieces of at most the
// chunk size and with the closing piece the target expects; the verify pass
// reads the file again and compares what ReadMemory returns.
//
// The passes run on the download thread. Progress goes to an observer every
// 100 records; Cancel may be asked for from any thread and ends the pass
// running at its next report. The status code of a pass is the running thread's
// last-error value, as the HEX reader and the downloader leave it.
//
// A pass counts as passed only when it ended because the reader reached the
// end of the data: a failed write or a Cancel fails it, whatever code a
// library left behind (the CANopen library leaves the reader's end-of-data
// value for a send failure).
#include <atomic>
#include <cstdint>
#include <string>

class TFlashwright;
class TIntelHexFile;

// The status code of a cancelled download pass.
inline constexpr std::uint32_t kDownloadCancelled = 0xFFFFFF;

// What a file download came to, as the sector download window reports it.
struct TDownloadVerdict {
  bool downloadPassed = false;
  bool verifyPassed = false;
  // Why a pass failed, when that is known: the bad line of the file, the
  // address the node did not take or gave back otherwise, or the Cancel.
  std::string cause;
};

class TDownloadObserver {
 public:
  virtual ~TDownloadObserver() = default;
  // Every 100 records: the reader's percent. Runs on the download thread; a
  // window hands it to the window thread.
  virtual void Progress(std::uint8_t percent) = 0;
  // The verify pass begins ("Verify Progress").
  virtual void VerifyStarted() = 0;
  // Both passes are over; the progress display may close.
  virtual void Finished() = 0;
};

struct TDownloadJob {
  TIntelHexFile* reader = nullptr;
  std::uint8_t sector = 0;
  TFlashwright* downloader = nullptr;
};

class TDownloadPasses {
 public:
  static constexpr std::uint32_t kRecordsPerReport = 100;

  // The chunk size is taken from the downloader now, as the thread does when
  // it is created.
  TDownloadPasses(const TDownloadJob& job, TDownloadObserver* observer);

  // Runs the download pass and, when it passed, the verify pass; then tells
  // the observer that it finished.
  void Execute();
  // From any thread: the pass running ends at its next progress report. A
  // download that was cancelled never counts as passed, even when the Cancel
  // came after its last report.
  void Cancel() { cancelRequested_.store(true); }

  // The verdicts, with the cause of a failure; read once the passes are over.
  TDownloadVerdict Verdict() const;

  bool DownloadPassed() const { return downloadPassed_.load(); }
  bool VerifyPassed() const { return verifyPassed_.load(); }
  // The status code each pass ended with.
  std::uint32_t DownloadStatus() const { return downloadStatus_; }
  std::uint32_t VerifyStatus() const { return verifyStatus_; }

 private:
  enum class PassEnd { None, EndOfData, Failed };

  // From the start of the file again, compares what the target reads back.
  void RunVerifyPass();
  // Runs record steps until one fails; reports progress every 100 records
  // (the counter runs on across both passes) and honours Cancel there.
  void RunPass(bool (TDownloadPasses::*step)());
  // One data record each; false ends the pass.
  bool DownloadRecord();
  bool VerifyRecord();
  // Reads the next record; on its end the pass ends, as end of data or not.
  bool NextRecord(std::uint32_t* address, std::uint8_t* length, std::uint8_t* data);
  // Ends the pass as failed at a node transfer, with its cause.
  bool TransferFailed(const char* what, std::uint32_t address);

  TDownloadJob job_;
  TDownloadObserver* observer_;
  std::uint32_t chunkSize_;
  std::uint32_t reportCounter_ = 0;
  std::uint64_t bytesWritten_ = 0;
  PassEnd passEnd_ = PassEnd::None;
  bool verifyMismatch_ = false;
  std::atomic<bool> cancelRequested_{false};
  std::atomic<bool> downloadPassed_{false};
  std::atomic<bool> verifyPassed_{false};
  std::uint32_t downloadStatus_ = 0;
  std::uint32_t verifyStatus_ = 0;
  std::string cause_;
};
