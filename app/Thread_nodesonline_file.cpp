#include "app/Thread_nodesonline_file.h"

#include "app/Class_flashwright.h"
#include "platform/sync.h"

TThread_NodesOnline::TThread_NodesOnline() : TThread(true), wake_(platform::CreateEvent(true, false, nullptr)) {}

TThread_NodesOnline::~TThread_NodesOnline() {
  Stop();
  if (!Suspended()) WaitFor();
  platform::CloseHandle(wake_);
}

void TThread_NodesOnline::Stop() {
  Terminate();
  platform::SetEvent(wake_);
}

void TThread_NodesOnline::Execute() {
  while (!Terminated()) {
    if (downloader_ != nullptr) {
      int changed = 0;
      if (downloader_->PollNodeChanges(&changed) != 0 && changed != 0 && RefreshNodesSync) {
        Synchronize(RefreshNodesSync);
      }
    }
    // The pause between polls ends at once when the thread is stopped.
    platform::WaitForSingleObject(wake_, kPollIntervalMs);
  }
}
