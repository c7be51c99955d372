// The CANopen front-end and master without a bus: what they answer for
// handles they do not know, the interface type the front-end refuses, and the
// configuration calls it forwards to its dialog library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include "canopen/copnapi.h"
#include "platform/lasterror.h"
#include "platform/module.h"

namespace {

constexpr std::int32_t kUnknownHandle = 0x7777;

class CanopenLibraries : public ::testing::Test {
 protected:
  template <typename Fn>
  static Fn* Entry(platform::ModuleHandle module, const char* name) {
    Fn* entry = platform::BindEntryPoint<Fn*>(module, name);
    EXPECT_NE(entry, nullptr) << name;
    return entry;
  }

  platform::ModuleHandle copn = platform::LoadLibrary("VRK_COPN.dll");
  platform::ModuleHandle cocn = platform::LoadLibrary("VRK_COCN.dll");
};

#define COPN(name) (Entry<decltype(::name)>(copn, #name))
#define COCN(name) (Entry<decltype(::name)>(cocn, #name))

TEST_F(CanopenLibraries, FrontEndRefusesTheQx242AndUnknownHandles) {
  ASSERT_NE(copn, nullptr);
  InterfaceConfiguration qx242{};
  qx242.InterfaceType = COPN_INTERFACE_QX242;
  std::int32_t iface = 5;
  EXPECT_EQ(COPN(OpenInterface)(&iface, &qx242), 0);
  EXPECT_EQ(iface, -1);
  EXPECT_EQ(COPN(OpenCard)(&iface, COPN_INTERFACE_QX242, &qx242), 0);

  char name[32] = {};
  EXPECT_EQ(COPN(DLL_Name)(kUnknownHandle, 0, name), 1);
  EXPECT_STREQ(name, "VRK_COPN");
  std::int32_t major = 0, minor = 0;
  EXPECT_EQ(COPN(DLL_Version)(kUnknownHandle, 0, &major, &minor), 1);
  EXPECT_EQ(major * 10 + minor, 14);
  EXPECT_EQ(COPN(DLL_Name)(kUnknownHandle, 1, name), 0) << "deeper levels need an open interface";

  std::uint32_t length = 4;
  std::uint8_t data[4];
  std::uint8_t state = 0;
  char text[128];
  const std::function<int()> forwarded[] = {
      [&] { return COPN(SetOnline)(kUnknownHandle, 1); },
      [&] { return COPN(SDO_Upload)(kUnknownHandle, 1, 0x1000, 0, &length, data); },
      [&] { return COPN(NMT_ResetNode)(kUnknownHandle, 1); },
      [&] { return COPN(NMT_NodeGuard)(kUnknownHandle, 1, &state); },
      [&] { return COPN(GetErrorString)(kUnknownHandle, 0x06020000, text); },
      [&] { return COPN(CloseCard)(kUnknownHandle); },
      [&] { return COPN(SDO_Block_Upload)(kUnknownHandle, 1, 0x1000, 0, &length, data); },
  };
  for (std::size_t i = 0; i < std::size(forwarded); ++i) EXPECT_EQ(forwarded[i](), 0) << i;
}

bool IsLoaded(const char* windowsName) {
  const std::string path = platform::ProgramDirectory() + "/" + platform::ModuleFileName(windowsName);
  return dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD) != nullptr;
}

// In a fresh copy of this program, which has loaded no CANopen library yet,
// refusing the QX242 loads neither the master nor the CAN layer under it.
TEST(CanopenFrontEndDeathTest, RefusesTheQx242WithoutLoadingTheMaster) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto refuseQx242 = [] {
    auto open = platform::BindEntryPoint<decltype(&::OpenInterface)>(platform::LoadLibrary("VRK_COPN.dll"),
                                                                     "OpenInterface");
    InterfaceConfiguration qx242{};
    qx242.InterfaceType = COPN_INTERFACE_QX242;
    std::int32_t iface = 5;
    if (open == nullptr || open(&iface, &qx242) != 0 || iface != -1) return 1;
    return IsLoaded("VRK_COCN.dll") || IsLoaded("VRK_CAN.dll") ? 2 : 0;
  };
  EXPECT_EXIT(std::exit(refuseQx242()), testing::ExitedWithCode(0), "");
}

TEST_F(CanopenLibraries, MasterAnswersWithoutAnOpenInterface) {
  ASSERT_NE(cocn, nullptr);
  EXPECT_EQ(COCN(LoadDriver)(), 1);
  EXPECT_EQ(COCN(UnloadDriver)(), 1);
  // A port with no device behind it: the open fails and leaves nothing taken.
  setenv("FLASHWRIGHT_COM4", "/nonexistent/flashwright-port", 1);
  InterfaceConfiguration nowhere{};
  nowhere.InterfaceType = CAN_INTERFACE_QX240;
  nowhere.ComPort = 4;
  std::int32_t iface = 5;
  EXPECT_EQ(COCN(OpenInterface)(&iface, &nowhere), 0);
  EXPECT_EQ(iface, -1);
  EXPECT_EQ(COCN(SetOnline)(-1, 1), 0) << "the failed record is free again";

  char text[128];
  EXPECT_EQ(COCN(GetErrorString)(0, 0x05030000, text), 1);
  EXPECT_STREQ(text, "Toggle bit not alternated.");
  EXPECT_EQ(COCN(GetErrorString)(0, 1460, text), 0);
  EXPECT_STREQ(text, "Unknown Error 0x5B4.");
  std::uint8_t never = 0;
  EXPECT_EQ(COCN(GetNodeState)(kUnknownHandle, 3, &never), 0);
}

TEST_F(CanopenLibraries, ConfigurationTravelsThroughTheDialogLibrary) {
  if (!std::filesystem::exists(platform::ProgramDirectory() + "/vrk_copn_cfg.so")) {
    GTEST_SKIP() << "the dialog library is not built";
  }
  const std::string registry = ::testing::TempDir() + "copn_registry.reg";
  std::filesystem::remove(registry);
  setenv("FLASHWRIGHT_REGISTRY", registry.c_str(), 1);
  const char* key = "\\Software\\Vorkelt, LLC.\\Flashwright\\";
  InterfaceConfiguration saved{};
  saved.InterfaceType = CAN_INTERFACE_QX240;
  saved.ComPort = 2;
  saved.ComBaud = 57600;
  std::strcpy(saved.AccessPoint, "bench");
  CANopenConfiguration savedNet{};
  savedNet.NodeID = 9;
  savedNet.BaudRate = 250000;
  ASSERT_EQ(COPN(SaveConfiguration)(key, &saved, &savedNet), 1);
  InterfaceConfiguration read{};
  CANopenConfiguration readNet{};
  ASSERT_EQ(COPN(ReadConfiguration)(key, &read, &readNet), 1);
  EXPECT_EQ(read.InterfaceType, CAN_INTERFACE_QX240);
  EXPECT_EQ(read.ComPort, 2);
  EXPECT_EQ(readNet.NodeID, 9);
  EXPECT_EQ(readNet.BaudRate, 250000);
  char name[16] = {};
  EXPECT_EQ(COPN(GetInterfaceName)(CAN_INTERFACE_QX240, name), 1);
  EXPECT_STREQ(name, "VRK QX240");
  unsetenv("FLASHWRIGHT_REGISTRY");
}

}  // namespace
