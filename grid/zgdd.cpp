#include "grid/zgdd.h"

namespace {
bool rtfAware = false;
}  // namespace

void SetRTFAware(bool aware) { rtfAware = aware; }

bool RTFAware() { return rtfAware; }
