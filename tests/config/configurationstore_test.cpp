// The four configuration libraries' registry store, loaded by name as the
// access libraries load them, against a real registry file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "config/interfaceconfiguration.h"
#include "platform/lasterror.h"
#include "platform/module.h"
#include "platform/registry.h"
#include "platform/textfile.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kBase = "\\Software\\Vorkelt, LLC.\\Flashwright\\";

using GetInterfaceNameFn = int (*)(int, char*);
using GetInterfaceTypeFn = int (*)(int, int);
using ReadWithNetworkFn = int (*)(const char*, InterfaceConfiguration*, void*);
using ReadInterfaceOnlyFn = int (*)(const char*, InterfaceConfiguration*);

// One configuration library, bound by entry-point name.
struct ConfigLibrary {
  explicit ConfigLibrary(const char* fileName) : module(platform::LoadLibrary(fileName)) {
    getInterfaceName = platform::BindEntryPoint<GetInterfaceNameFn>(module, "GetInterfaceName");
    getInterfaceType = platform::BindEntryPoint<GetInterfaceTypeFn>(module, "GetInterfaceType");
    read = platform::BindEntryPoint<ReadWithNetworkFn>(module, "ReadConfiguration");
    save = platform::BindEntryPoint<ReadWithNetworkFn>(module, "SaveConfiguration");
    readInterface = platform::BindEntryPoint<ReadInterfaceOnlyFn>(module, "ReadConfiguration");
    saveInterface = platform::BindEntryPoint<ReadInterfaceOnlyFn>(module, "SaveConfiguration");
  }
  std::string Name(int type, int* result) const {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    *result = getInterfaceName(type, buffer);
    return buffer;
  }
  int Read(InterfaceConfiguration* cfg, void* net, const char* base = kBase) const { return read(base, cfg, net); }
  int Save(InterfaceConfiguration* cfg, void* net, const char* base = kBase) const { return save(base, cfg, net); }
  // The QX24X library takes no network record.
  int ReadInterface(InterfaceConfiguration* cfg) const { return readInterface(kBase, cfg); }
  int SaveInterface(InterfaceConfiguration* cfg) const { return saveInterface(kBase, cfg); }

  platform::ModuleHandle module;
  GetInterfaceNameFn getInterfaceName = nullptr;
  GetInterfaceTypeFn getInterfaceType = nullptr;
  ReadWithNetworkFn read = nullptr;
  ReadWithNetworkFn save = nullptr;
  ReadInterfaceOnlyFn readInterface = nullptr;
  ReadInterfaceOnlyFn saveInterface = nullptr;
};

const ConfigLibrary& CanCfg() {
  static ConfigLibrary library("VRK_CAN_CFG.dll");
  return library;
}
const ConfigLibrary& DnetCfg() {
  static ConfigLibrary library("VRK_DNET_CFG.dll");
  return library;
}
const ConfigLibrary& CopnCfg() {
  static ConfigLibrary library("VRK_COPN_CFG.dll");
  return library;
}
const ConfigLibrary& Qx24xCfg() {
  static ConfigLibrary library("VRK_QX24X_CFG.dll");
  return library;
}

// Records filled with a recognisable pattern, so untouched fields show.
template <typename Record>
Record Filled(std::uint8_t byte) {
  Record record;
  std::memset(&record, byte, sizeof record);
  return record;
}

bool SameBytes(const void* a, const void* b, std::size_t size) { return std::memcmp(a, b, size) == 0; }

class ConfigurationStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/flashwright-config-XXXXXX";
    directory_ = ::mkdtemp(pattern);
    file_ = directory_ + "/registry.reg";
    ::setenv("FLASHWRIGHT_REGISTRY", file_.c_str(), 1);
    for (const ConfigLibrary* library : {&CanCfg(), &DnetCfg(), &CopnCfg(), &Qx24xCfg()}) {
      ASSERT_NE(library->module, nullptr);
      ASSERT_NE(library->read, nullptr);
      ASSERT_NE(library->save, nullptr);
      ASSERT_NE(library->getInterfaceName, nullptr);
    }
  }
  void TearDown() override {
    ::unsetenv("FLASHWRIGHT_REGISTRY");
    fs::remove_all(directory_);
  }

  std::string FileText() const {
    std::string text;
    platform::ReadWholeFile(file_, &text);
    return text;
  }

  // Puts values into a key by hand, as a person or an older version would.
  static void Put(const std::string& key, const char* name, std::int32_t value) {
    platform::Registry registry;
    ASSERT_TRUE(registry.OpenKey(kBase + key, true));
    ASSERT_TRUE(registry.WriteInteger(name, value));
  }
  static void PutText(const std::string& key, const char* name, const std::string& value) {
    platform::Registry registry;
    ASSERT_TRUE(registry.OpenKey(kBase + key, true));
    ASSERT_TRUE(registry.WriteString(name, value));
  }
  static bool Exists(const std::string& key, const char* name) {
    platform::Registry registry;
    return registry.OpenKey(kBase + key, false) && registry.ValueExists(name);
  }

  std::string directory_;
  std::string file_;
};

TEST_F(ConfigurationStoreTest, InterfaceNamesDependOnTheLibrary) {
  struct Case {
    int type;
    const char* can;
    const char* dnet;
    const char* copn;
    const char* qx24x;
  };
  const Case cases[] = {
      {CAN_INTERFACE_QX240, "VRK QX240", "VRK QX240", "VRK QX240", "VRK QX240"},
      {CAN_INTERFACE_SST_CAN2A, "SST CAN2A", "SST CAN2A", "SST CAN2A", ""},
      {CAN_INTERFACE_AB_KFD, "AB 1770-KFD", "AB 1770-KFD", "AB 1770-KFD", ""},
      {CAN_INTERFACE_IXXAT_VCI, "IXXAT VCI", "", "IXXAT VCI", ""},
      {DNET_INTERFACE_QX241, "", "VRK QX241", "", ""},
      {DNET_INTERFACE_SST_DNSCAN, "", "SST DNSCAN", "", ""},
      {COPN_INTERFACE_QX242, "", "", "VRK QX242", ""},
      {INTERFACE_QX262, "", "", "", ""},
      {INTERFACE_QX24X, "", "", "", "VRK QX24X"},
      {0, "", "", "", ""},
      {-1, "", "", "", ""},
  };
  for (const Case& c : cases) {
    const std::pair<const ConfigLibrary*, const char*> expected[] = {
        {&CanCfg(), c.can}, {&DnetCfg(), c.dnet}, {&CopnCfg(), c.copn}, {&Qx24xCfg(), c.qx24x}};
    for (auto [library, name] : expected) {
      int result = -1;
      EXPECT_EQ(library->Name(c.type, &result), name) << std::hex << c.type;
      EXPECT_EQ(result, name[0] != '\0' ? 1 : 0) << std::hex << c.type;
    }
  }
  EXPECT_EQ(CanCfg().getInterfaceType, nullptr);
  for (const ConfigLibrary* library : {&DnetCfg(), &CopnCfg(), &Qx24xCfg()}) {
    ASSERT_NE(library->getInterfaceType, nullptr);
    EXPECT_EQ(library->getInterfaceType(1, 2), 0);
  }
}

TEST_F(ConfigurationStoreTest, ReadingWithNoKeysLeavesTheRecordsAlone) {
  for (const ConfigLibrary* library : {&CanCfg(), &DnetCfg(), &CopnCfg()}) {
    auto cfg = Filled<InterfaceConfiguration>(0x5A);
    auto net = Filled<CANConfiguration>(0xA5);
    const auto cfgBefore = cfg;
    const auto netBefore = net;
    EXPECT_EQ(library->Read(&cfg, &net), 0);
    EXPECT_TRUE(SameBytes(&cfg, &cfgBefore, sizeof cfg));
    EXPECT_TRUE(SameBytes(&net, &netBefore, sizeof net));
  }
  auto cfg = Filled<InterfaceConfiguration>(0x5A);
  cfg.InterfaceType = INTERFACE_QX24X;
  const auto before = cfg;
  EXPECT_EQ(Qx24xCfg().ReadInterface(&cfg), 0);
  EXPECT_TRUE(SameBytes(&cfg, &before, sizeof cfg));
  EXPECT_FALSE(fs::exists(file_)) << "reading must create nothing";
}

TEST_F(ConfigurationStoreTest, CanLibraryDefaultsApplyWhenItsNetworkKeyLacksValues) {
  struct Case {
    const char* name;
    std::int32_t stored;
    std::int32_t type, baudRate, standard, extended;
  };
  // Each case stores one value in an otherwise empty network key.
  const Case cases[] = {
      {"Comment", 0, CAN_INTERFACE_QX240, 125000, 0, 0},
      {"BaudRate", 500000, CAN_INTERFACE_QX240, 500000, 0, 0},
      {"Standard", 5, CAN_INTERFACE_QX240, 125000, 1, 0},
      {"extended", -1, CAN_INTERFACE_QX240, 125000, 0, 1},
      {"Interface Type", CAN_INTERFACE_AB_KFD, CAN_INTERFACE_AB_KFD, 125000, 0, 0},
  };
  for (const Case& c : cases) {
    platform::Registry().DeleteKey(kBase);
    Put("CAN Configuration", c.name, c.stored);
    auto cfg = Filled<InterfaceConfiguration>(0x11);
    auto net = Filled<CANConfiguration>(0x22);
    EXPECT_EQ(CanCfg().Read(&cfg, &net), 0) << c.name << ": no interface key yet";
    EXPECT_EQ(cfg.InterfaceType, c.type) << c.name;
    EXPECT_EQ(net.BaudRate, c.baudRate) << c.name;
    EXPECT_EQ(net.Standard, c.standard) << c.name;
    EXPECT_EQ(net.Extended, c.extended) << c.name;
    EXPECT_EQ(cfg.Port, 0x11111111) << c.name << ": interface fields stay without key 2";

    // The interface key is the one named after the type read from key 1.
    Put(std::string("Interface Configuration\\") + (c.type == 1 ? "VRK QX240" : "AB 1770-KFD"), "ComPort", 3);
    EXPECT_EQ(CanCfg().Read(&cfg, &net), 1) << c.name;
    EXPECT_EQ(cfg.ComPort, 3);
    EXPECT_EQ(cfg.Port, 0) << "absent interface values read as 0";
    EXPECT_EQ(cfg.Reserved3, 0);
    EXPECT_STREQ(cfg.AccessPoint, "");
  }
}

TEST_F(ConfigurationStoreTest, CanLibraryRoundTripWritesTheExpectedText) {
  InterfaceConfiguration cfg{};
  cfg.InterfaceType = CAN_INTERFACE_SST_CAN2A;
  cfg.Port = 0x280;
  cfg.Irq = 5;
  cfg.ComPort = 2;
  cfg.ComBaud = 57600;
  cfg.SubType = 7;
  cfg.Number = 1;
  cfg.Reserved0 = -2;
  std::strcpy(cfg.AccessPoint, R"(Card "A" \1)");
  CANConfiguration net{};
  net.BaudRate = 250000;
  net.Standard = 5;
  net.Extended = 0;
  ASSERT_EQ(CanCfg().Save(&cfg, &net), 1);

  EXPECT_EQ(FileText(),
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Vorkelt, LLC.\\Flashwright\\CAN Configuration]\n"
            "\"Interface Type\"=dword:00000010\n"
            "\"BaudRate\"=dword:0003d090\n"
            "\"Standard\"=dword:00000001\n"
            "\"Extended\"=dword:00000000\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Vorkelt, LLC.\\Flashwright\\Interface Configuration\\SST CAN2A]\n"
            "\"Interface Type\"=dword:00000010\n"
            "\"Port\"=dword:00000280\n"
            "\"IRQ\"=dword:00000005\n"
            "\"ComPort\"=dword:00000002\n"
            "\"ComBaud\"=dword:0000e100\n"
            "\"SubType\"=dword:00000007\n"
            "\"Number\"=dword:00000001\n"
            "\"Reserved0\"=dword:fffffffe\n"
            "\"Reserved1\"=dword:00000000\n"
            "\"Reserved2\"=dword:00000000\n"
            "\"Reserved3\"=dword:00000000\n"
            "\"Access Point\"=\"Card \\\"A\\\" \\\\1\"\n");

  auto readCfg = Filled<InterfaceConfiguration>(0x33);
  auto readNet = Filled<CANConfiguration>(0x44);
  ASSERT_EQ(CanCfg().Read(&readCfg, &readNet), 1);
  net.Standard = 1;  // flags come back as 0 or 1
  EXPECT_TRUE(SameBytes(&readCfg, &cfg, offsetof(InterfaceConfiguration, AccessPoint)));
  EXPECT_STREQ(readCfg.AccessPoint, cfg.AccessPoint);
  EXPECT_TRUE(SameBytes(&readNet, &net, 12));
  EXPECT_EQ(readNet.Spare[0], 0x44) << "the rest of the network record is carried unchanged";
}

TEST_F(ConfigurationStoreTest, DeviceNetLibraryKeepsNoStaleValuesAfterSavingZeros) {
  InterfaceConfiguration cfg{};
  cfg.InterfaceType = DNET_INTERFACE_QX241;
  cfg.ComPort = 3;
  cfg.ComBaud = 19200;
  cfg.Reserved2 = 9;
  std::strcpy(cfg.AccessPoint, "old");
  DeviceNetConfiguration net{};
  net.MacId = 5;
  net.BaudRate = 500000;
  net.ScanInterval = 10;
  ASSERT_EQ(DnetCfg().Save(&cfg, &net), 1);

  // Zero and empty fields are not written: their values are removed.
  InterfaceConfiguration cleared{};
  cleared.InterfaceType = DNET_INTERFACE_QX241;
  net.MacId = 0;
  ASSERT_EQ(DnetCfg().Save(&cleared, &net), 1);
  const std::string key = "Interface Configuration\\VRK QX241";
  for (const char* name : {"Port", "IRQ", "ComPort", "ComBaud", "Reserved2", "Access Point"}) {
    EXPECT_FALSE(Exists(key, name)) << name;
  }
  EXPECT_TRUE(Exists(key, "Interface Type"));
  EXPECT_TRUE(Exists("DeviceNet Configuration", "MacId")) << "network values are always written";

  auto readCfg = Filled<InterfaceConfiguration>(0x77);
  auto readNet = Filled<DeviceNetConfiguration>(0x66);
  ASSERT_EQ(DnetCfg().Read(&readCfg, &readNet), 1);
  EXPECT_TRUE(SameBytes(&readCfg, &cleared, offsetof(InterfaceConfiguration, AccessPoint) + 1));
  EXPECT_EQ(readNet.MacId, 0);
  EXPECT_EQ(readNet.BaudRate, 500000);
  EXPECT_EQ(readNet.ScanInterval, 10);
}

TEST_F(ConfigurationStoreTest, DeviceNetAndCANopenLeaveFieldsWhoseValuesAreMissing) {
  struct Case {
    const ConfigLibrary* library;
    const char* networkKey;
    const char* storedName;
  };
  // A network key holding only the type; one holding a value of the wrong kind.
  const Case cases[] = {
      {&DnetCfg(), "DeviceNet Configuration", "Interface Type"},
      {&CopnCfg(), "CANopen Configuration", "Interface Type"},
  };
  for (const Case& c : cases) {
    platform::Registry().DeleteKey(kBase);
    Put(c.networkKey, c.storedName, CAN_INTERFACE_SST_CAN2A);
    PutText(c.networkKey, "BaudRate", "fast");
    Put("Interface Configuration\\SST CAN2A", "Port", 0x300);
    auto cfg = Filled<InterfaceConfiguration>(0x10);
    auto net = Filled<DeviceNetConfiguration>(0x20);
    const auto netBefore = net;
    EXPECT_EQ(c.library->Read(&cfg, &net), 1) << c.networkKey;
    EXPECT_EQ(cfg.InterfaceType, CAN_INTERFACE_SST_CAN2A);
    EXPECT_EQ(cfg.Port, 0x300);
    EXPECT_TRUE(SameBytes(&net, &netBefore, sizeof net)) << c.networkKey;
  }
}

TEST_F(ConfigurationStoreTest, EachLibraryTouchesOnlyItsOwnInterfaceValues) {
  InterfaceConfiguration cfg{};
  cfg.InterfaceType = CAN_INTERFACE_QX240;
  cfg.Port = 1;
  cfg.Irq = 2;
  cfg.ComPort = 3;
  cfg.ComBaud = 38400;
  cfg.SubType = 4;
  cfg.Number = 5;
  cfg.Reserved0 = 6;
  cfg.Reserved1 = 7;
  cfg.Reserved2 = 8;
  cfg.Reserved3 = 9;
  std::strcpy(cfg.AccessPoint, "1");
  CANopenConfiguration net{};
  net.NodeID = 127;
  net.BaudRate = 800000;
  const std::string key = "Interface Configuration\\VRK QX240";

  ASSERT_EQ(CopnCfg().Save(&cfg, &net), 1);
  for (const char* name : {"Interface Type", "Port", "IRQ", "ComPort", "ComBaud", "Access Point"}) {
    EXPECT_TRUE(Exists(key, name)) << name;
  }
  for (const char* name : {"SubType", "Number", "Reserved0", "Reserved3"}) EXPECT_FALSE(Exists(key, name)) << name;

  auto readCfg = Filled<InterfaceConfiguration>(0x55);
  auto readNet = Filled<CANopenConfiguration>(0x55);
  ASSERT_EQ(CopnCfg().Read(&readCfg, &readNet), 1);
  EXPECT_TRUE(SameBytes(&readCfg, &cfg, offsetof(InterfaceConfiguration, SubType)));
  EXPECT_EQ(readCfg.SubType, 0x55555555) << "the CANopen store keeps no board fields";
  EXPECT_EQ(readNet.NodeID, 127);
  EXPECT_EQ(readNet.BaudRate, 800000);

  // QX24X: five values, no network key, and the record's type is the caller's.
  platform::Registry().DeleteKey(kBase);
  cfg.InterfaceType = INTERFACE_QX24X;
  ASSERT_EQ(Qx24xCfg().SaveInterface(&cfg), 1);
  platform::Registry registry;
  ASSERT_TRUE(registry.OpenKey(std::string(kBase) + "Interface Configuration\\VRK QX24X", false));
  EXPECT_EQ(registry.GetValueNames(),
            (std::vector<std::string>{"Port", "IRQ", "ComPort", "ComBaud", "Access Point"}));
  ASSERT_TRUE(registry.OpenKey(kBase, false));
  EXPECT_EQ(registry.GetKeyNames(), std::vector<std::string>{"Interface Configuration"});
  readCfg = Filled<InterfaceConfiguration>(0x55);
  readCfg.InterfaceType = INTERFACE_QX24X;
  ASSERT_EQ(Qx24xCfg().ReadInterface(&readCfg), 1);
  EXPECT_EQ(readCfg.InterfaceType, INTERFACE_QX24X);
  EXPECT_TRUE(SameBytes(&readCfg.Port, &cfg.Port, 16));
  EXPECT_EQ(readCfg.SubType, 0x55555555);
}

TEST_F(ConfigurationStoreTest, TypesALibraryCannotNameLieDirectlyInTheInterfaceKey) {
  // An IXXAT record saved by the DeviceNet library, which has no name for it.
  InterfaceConfiguration cfg{};
  cfg.InterfaceType = CAN_INTERFACE_IXXAT_VCI;
  cfg.SubType = 3;
  DeviceNetConfiguration net{};
  ASSERT_EQ(DnetCfg().Save(&cfg, &net), 1);
  EXPECT_TRUE(Exists("Interface Configuration", "SubType"));

  // The CAN library knows the type and looks for its own subkey.
  auto canCfg = Filled<InterfaceConfiguration>(0);
  CANConfiguration canNet{};
  Put("CAN Configuration", "Interface Type", CAN_INTERFACE_IXXAT_VCI);
  EXPECT_EQ(CanCfg().Read(&canCfg, &canNet), 0);
  Put("Interface Configuration\\IXXAT VCI", "SubType", 8);
  EXPECT_EQ(CanCfg().Read(&canCfg, &canNet), 1);
  EXPECT_EQ(canCfg.SubType, 8);

  // The QX262 driver's type has no name anywhere.
  InterfaceConfiguration qx262{};
  qx262.InterfaceType = INTERFACE_QX262;
  qx262.ComPort = 4;
  ASSERT_EQ(Qx24xCfg().SaveInterface(&qx262), 1);
  EXPECT_TRUE(Exists("Interface Configuration", "ComPort"));
}

TEST_F(ConfigurationStoreTest, AccessPointsNeverOverrunTheField) {
  struct Guarded {
    InterfaceConfiguration cfg;
    char guard[16];
  };
  const std::string longText(300, 'p');
  Put("CAN Configuration", "Interface Type", CAN_INTERFACE_SST_CAN2A);
  PutText("Interface Configuration\\SST CAN2A", "Access Point", longText);
  Guarded record;
  std::memset(&record, 'g', sizeof record);
  CANConfiguration net{};
  ASSERT_EQ(CanCfg().Read(&record.cfg, &net), 1);
  EXPECT_EQ(std::string(record.cfg.AccessPoint), longText.substr(0, 255));
  EXPECT_EQ(std::string(record.guard, sizeof record.guard), std::string(16, 'g'));

  // A caller's field without its NUL is stored as its first 255 characters.
  std::memset(record.cfg.AccessPoint, 'q', sizeof record.cfg.AccessPoint);
  ASSERT_EQ(CanCfg().Save(&record.cfg, &net), 1);
  platform::Registry registry;
  ASSERT_TRUE(registry.OpenKey(std::string(kBase) + "Interface Configuration\\SST CAN2A", false));
  EXPECT_EQ(registry.ReadString("Access Point"), std::string(255, 'q'));
}

TEST_F(ConfigurationStoreTest, BadArgumentsAndADamagedFileFailCleanly) {
  InterfaceConfiguration cfg{};
  CANConfiguration net{};
  EXPECT_EQ(CanCfg().Save(&cfg, &net, nullptr), 0);
  EXPECT_EQ(CanCfg().Save(nullptr, &net), 0);
  EXPECT_EQ(CanCfg().Read(&cfg, nullptr), 0);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  EXPECT_EQ(CanCfg().getInterfaceName(1, nullptr), 0);

  platform::ReplaceFileAtomically(file_, "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\X]\nbroken\n");
  const std::string damaged = FileText();
  cfg.InterfaceType = CAN_INTERFACE_QX240;
  EXPECT_EQ(CanCfg().Save(&cfg, &net), 0);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorRegistryCorrupt);
  EXPECT_EQ(CanCfg().Read(&cfg, &net), 0);
  EXPECT_EQ(FileText(), damaged);
}

}  // namespace
