// Test entry: the grid tests run on the offscreen platform unless the
// caller chose one.
#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/application.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  Application->Initialize(argc, argv);
  const int result = RUN_ALL_TESTS();
  Application->Shutdown();
  return result;
}
