#pragma once
// The node-polling thread: while network access is on it asks the downloader
// for node changes every 100 ms and, when there are any, has the main window
// refresh its node table on the window thread.
#include <functional>

#include "framework/thread.h"
#include "platform/handles.h"

class TFlashwright;

class TThread_NodesOnline : public TThread {
 public:
  static constexpr unsigned kPollIntervalMs = 100;

  // Created suspended; Resume starts it.
  TThread_NodesOnline();
  ~TThread_NodesOnline() override;

  void SetDownloader(TFlashwright* downloader) { downloader_ = downloader; }
  // Runs on the window thread after a poll that reported a change.
  std::function<void()> RefreshNodesSync;

  // Sets the stop flag and wakes the thread from its pause between polls.
  void Stop();

 protected:
  void Execute() override;

 private:
  TFlashwright* downloader_ = nullptr;
  platform::Handle wake_;
};
