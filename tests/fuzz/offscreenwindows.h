#pragma once
// The start of a fuzz target that builds windows, grids or canvases: the
// application on Qt's offscreen platform unless the caller chose another.
// Included by the target's one source file.
#include <cstdlib>

#include "framework/application.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize(*argc, *argv);
  return 0;
}
