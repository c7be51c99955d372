#pragma once
// The download thread: runs the two passes of one file download
// (TDownloadPasses) on a framework thread and reports to the progress window.
// The gauge is set on the window thread; the caption and the closing come
// from the thread itself.
#include "app/Thread_download_file.h"
#include "framework/thread.h"

class TForm_DownloadProgress;

class Thread_Download : public TThread, private TDownloadObserver {
 public:
  // Starts at once (from the window thread's next round of events).
  Thread_Download(const TDownloadJob& job, TForm_DownloadProgress* progress);
  ~Thread_Download() override;

  // The verdicts; read them only once the thread has ended.
  TDownloadVerdict Verdict() const { return passes_.Verdict(); }
  // From any thread: the download pass ends at its next progress report.
  void Cancel() { passes_.Cancel(); }

 protected:
  void Execute() override;

 private:
  void Progress(std::uint8_t percent) override;
  void VerifyStarted() override;
  void Finished() override;
  // On the window thread: the gauge, and the user's Cancel handed to the passes.
  void UpdateProgress(std::uint8_t percent);

  TForm_DownloadProgress* progress_;
  TDownloadPasses passes_;
};
