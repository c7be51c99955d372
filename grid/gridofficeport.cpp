#include "grid/gridofficeport.h"

#include "grid/gridofficelibre.h"

namespace {

std::shared_ptr<TOfficeAutomation>& Installed() {
  static std::shared_ptr<TOfficeAutomation> automation;
  return automation;
}

}  // namespace

TOfficeAutomation& OfficeAutomation() {
  if (!Installed()) Installed() = std::make_shared<TLibreOfficeAutomation>();
  return *Installed();
}

void SetOfficeAutomation(std::shared_ptr<TOfficeAutomation> automation) { Installed() = std::move(automation); }
