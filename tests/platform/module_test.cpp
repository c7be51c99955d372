#include "platform/module.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/lasterror.h"
#include "tests/support/scratch.h"

namespace {

TEST(Module, WindowsNamesMapToSharedObjectFiles) {
  const struct {
    const char* windowsName;
    const char* file;
  } cases[] = {
      {"X.DLL", "x.so"},
      {"x.dll", "x.so"},
      {"X.dll", "x.so"},
      {"QX24X.DLL", "qx24x.so"},
      {"Vrk_Can.Dll", "vrk_can.so"},
      {".\\QX240.DLL", "qx240.so"},
      {"C:\\Windows\\System32\\QX262.dll", "qx262.so"},
      {"vrk_dnet", "vrk_dnet.so"},
      {"libm.so.6", "libm.so.6"},
      {"archive.dll.bak", "archive.dll.bak"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::ModuleFileName(c.windowsName), c.file) << c.windowsName;
  }
}

TEST(Module, ProgramDirectoryHoldsTheRunningProgram) {
  auto program = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(platform::ProgramDirectory(), program.parent_path().string());
}

TEST(Module, EverySpellingOfANameLoadsTheLibraryBesideTheProgram) {
  auto reference = platform::LoadLibrary("fwtest_lasterror.dll");
  ASSERT_NE(reference, nullptr);
  for (const char* name : {"FWTEST_LASTERROR.DLL", "Fwtest_LastError.dll", "fwtest_lasterror"}) {
    auto module = platform::LoadLibrary(name);
    EXPECT_EQ(module, reference) << name;
    EXPECT_NE(platform::GetProcAddress(module, "FailWithCode"), nullptr) << name;
    platform::FreeLibrary(module);
  }
  platform::FreeLibrary(reference);
}

TEST(Module, NamesNotBesideTheProgramFallBackToTheSystemSearch) {
  auto module = platform::LoadLibrary("libm.so.6");
  ASSERT_NE(module, nullptr);
  EXPECT_NE(platform::GetProcAddress(module, "cos"), nullptr);
  platform::FreeLibrary(module);
}

TEST(Module, MissingLibraryOrEntryPointGivesNullAndACode) {
  platform::SetLastError(0);
  EXPECT_EQ(platform::LoadLibrary("NO_SUCH_LIBRARY.DLL"), nullptr);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorModNotFound);

  auto module = platform::LoadLibrary("FWTEST_LASTERROR.DLL");
  ASSERT_NE(module, nullptr);
  platform::SetLastError(0);
  EXPECT_EQ(platform::GetProcAddress(module, "NoSuchEntry"), nullptr);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorProcNotFound);
  platform::FreeLibrary(module);

  EXPECT_EQ(platform::GetProcAddress(nullptr, "FailWithCode"), nullptr);
  EXPECT_EQ(platform::LoadLibrary(nullptr), nullptr);
  EXPECT_FALSE(platform::FreeLibrary(nullptr));
}

// The folder that FLASHWRIGHT_LIBRARY_PATH names is searched after the
// program's own, and only while it is named.
TEST(Module, TheLibraryPathFolderComesAfterTheProgramsOwn) {
  benchtest::TempDir folder;
  const std::string original = platform::ProgramDirectory() + "/fwtest_lasterror.so";
  std::filesystem::copy_file(original, folder.File("fwtest_elsewhere.so"));
  std::filesystem::copy_file(original, folder.File("fwtest_eventmaker.so"));
  EXPECT_EQ(platform::LoadLibrary("FWTEST_ELSEWHERE.DLL"), nullptr);

  benchtest::ScopedEnv path("FLASHWRIGHT_LIBRARY_PATH", folder.Path().string());
  auto elsewhere = platform::LoadLibrary("FWTEST_ELSEWHERE.DLL");
  ASSERT_NE(elsewhere, nullptr);
  EXPECT_NE(platform::GetProcAddress(elsewhere, "FailWithCode"), nullptr);
  auto own = platform::LoadLibrary("fwtest_eventmaker.dll");
  ASSERT_NE(own, nullptr);
  EXPECT_NE(platform::GetProcAddress(own, "MakeEvent"), nullptr) << "the program's own library";
  platform::FreeLibrary(elsewhere);
  platform::FreeLibrary(own);
}

}  // namespace
