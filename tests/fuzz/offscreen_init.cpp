// The start of a fuzz target over the window layers: the application on
// Qt's offscreen platform.
#include <cstdlib>

#include "framework/application.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize(*argc, *argv);
  return 0;
}
