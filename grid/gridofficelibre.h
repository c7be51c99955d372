#pragma once
// The office port served by a headless office suite through the helper
// process (gridofficeuno.py): each started server is a helper of its own
// with a suite of its own, quit with it. There is never a server running
// before the grid starts one, so attaching finds none.
#include "grid/gridofficeport.h"
#include "grid/gridofficeprocess.h"

class TLibreOfficeAutomation : public TOfficeAutomation {
 public:
  TLibreOfficeAutomation() = default;
  explicit TLibreOfficeAutomation(TOfficeHelperProcess::TDeadlines deadlines) : deadlines_(deadlines) {}

  std::unique_ptr<TSpreadsheetServer> StartSpreadsheet() override;
  std::unique_ptr<TSpreadsheetServer> AttachSpreadsheet() override { return nullptr; }
  std::unique_ptr<TWordServer> StartWord() override;
  std::unique_ptr<TWordServer> AttachWord() override { return nullptr; }

 private:
  TOfficeHelperProcess::TDeadlines deadlines_;
};
