#pragma once
// The version window as the configuration libraries show it: over their own
// binding of the library stack, given the caller's card, placed the way each
// library keeps it.
#include "bindings/Form_versioninformation_file.h"

namespace dialogparts {

struct VersionPlacement {
  const char* file = nullptr;  // null: the window's position is not kept
  const char* key = nullptr;
  TFormBorderStyle border = bsDialog;
};

// Lists the stack of `source` (none: an empty list) in a modal window, which
// is destroyed before the return.
void ShowVersionWindow(TVersionSource* source, const VersionPlacement& placement);

}  // namespace dialogparts
