#pragma once
// "Download Progress": the modal window that shows how much of the HEX file
// the download thread has read, and offers Cancel.
#include <atomic>

#include "framework/extracontrols.h"
#include "framework/forms.h"
#include "framework/standardcontrols.h"

class TForm_DownloadProgress : public TForm {
 public:
  explicit TForm_DownloadProgress(TComponent* owner);

  TCGauge* CGauge_Progress;
  TButton* Button_Cancel;

  void Button_CancelClick(TObject* Sender);
  bool CancelRequested() const { return cancel_.load(); }

  // From any thread: ends the modal display. A close that comes before the
  // window is shown still ends the display as soon as it begins.
  void CloseProgress();

 protected:
  void DoShow() override;

 private:
  std::atomic<bool> cancel_{false};
  std::atomic<bool> closed_{false};
};
