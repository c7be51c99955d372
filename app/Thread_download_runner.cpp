#include "app/Thread_download_runner.h"

#include "app/Form_downloadprogress_file.h"

Thread_Download::Thread_Download(const TDownloadJob& job, TForm_DownloadProgress* progress)
    : TThread(false), progress_(progress), passes_(job, this) {}

Thread_Download::~Thread_Download() {
  // The passes and the progress window are used by Execute: it must be over
  // before they go.
  WaitFor();
}

void Thread_Download::Execute() { passes_.Execute(); }

void Thread_Download::Progress(std::uint8_t percent) {
  Synchronize([this, percent] { UpdateProgress(percent); });
}

void Thread_Download::UpdateProgress(std::uint8_t percent) {
  progress_->CGauge_Progress->SetProgress(percent);
  if (progress_->CancelRequested()) passes_.Cancel();
}

void Thread_Download::VerifyStarted() {
  progress_->SetCaption("Verify Progress");
  progress_->Repaint();
}

void Thread_Download::Finished() { progress_->CloseProgress(); }
