// Entry of the window tests: the offscreen platform, the application object,
// and a working folder of their own for the window placement file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "framework/application.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  char folder[] = "/tmp/flashwright-windows-XXXXXX";
  if (mkdtemp(folder) != nullptr) std::filesystem::current_path(folder);
  Application->Initialize(argc, argv);
  const int result = RUN_ALL_TESTS();
  Application->Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return result;
}
