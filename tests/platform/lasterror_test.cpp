#include "platform/lasterror.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include "platform/module.h"

namespace {

using platform::GetLastError;
using platform::SetLastError;

TEST(LastError, EachThreadHasItsOwnValue) {
  SetLastError(0x1234);
  std::uint32_t seenByOther = 0xFFFFFFFF;
  std::thread other([&] {
    seenByOther = GetLastError();
    SetLastError(0x5678);
  });
  other.join();
  EXPECT_EQ(seenByOther, 0u);
  EXPECT_EQ(GetLastError(), 0x1234u);
}

TEST(LastError, CodeSetInsideALoadedLibraryReachesTheCaller) {
  auto module = platform::LoadLibrary("FWTEST_LASTERROR.DLL");
  ASSERT_NE(module, nullptr);
  auto failWithCode = platform::BindEntryPoint<std::int32_t (*)(std::uint32_t)>(module, "FailWithCode");
  ASSERT_NE(failWithCode, nullptr);

  SetLastError(0);
  EXPECT_EQ(failWithCode(0x20000000), 0);
  EXPECT_EQ(GetLastError(), 0x20000000u);
  EXPECT_TRUE(platform::FreeLibrary(module));
}

}  // namespace
