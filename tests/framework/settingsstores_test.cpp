#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>

#include "framework/settingsstores.h"

namespace {

TEST(SettingsStores, IniKeysAreFoundWithoutRegardToCase) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("FORM.INI").toStdString();
  TIniFile ini(path);
  ini.WriteInteger("Form1", "Left", 120);
  ini.WriteString("Form1", "Caption", "Flashwright");
  ini.WriteBool("Form1", "Max", true);
  EXPECT_EQ(ini.ReadInteger("FORM1", "left", 0), 120);
  EXPECT_EQ(ini.ReadString("form1", "CAPTION", ""), "Flashwright");
  EXPECT_TRUE(ini.ReadBool("Form1", "max", false));
  EXPECT_EQ(ini.ReadInteger("Form1", "Missing", -1), -1);
  EXPECT_EQ(ini.ReadInteger("Nowhere", "Left", 7), 7);
  TStringList keys;
  ini.ReadSection("form1", &keys);
  EXPECT_EQ(keys.CommaText(), "Left,Caption,Max");
  ini.DeleteKey("Form1", "LEFT");
  EXPECT_FALSE(ini.ValueExists("Form1", "Left"));
  EXPECT_THROW(ini.WriteString("Form1", "bad=key", "x"), EIniFileException);
  TIniFile unwritable("/proc/no/such/FORM.INI");
  EXPECT_THROW(unwritable.WriteInteger("a", "b", 1), EIniFileException);
  EXPECT_EQ(unwritable.ReadInteger("a", "b", 3), 3);
}

TEST(SettingsStores, RegistryReadsWritesAndRefusesMistypedValues) {
  QTemporaryDir dir;
  const std::string file = dir.filePath("registry.reg").toStdString();
  setenv("FLASHWRIGHT_REGISTRY", file.c_str(), 1);
  {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("\\Software\\Vorkelt, LLC.\\Flashwright\\CAN", false));
    ASSERT_TRUE(reg.OpenKey("\\Software\\Vorkelt, LLC.\\Flashwright\\CAN", true));
    reg.WriteInteger("Interface Type", 0x20);
    reg.WriteString("Access Point", "COM1");
    reg.CloseKey();
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\software\\vorkelt, llc.\\flashwright\\can"));
  EXPECT_EQ(reg.ReadInteger("interface type"), 0x20);
  EXPECT_EQ(reg.ReadString("ACCESS POINT"), "COM1");
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger("Access Point"), ERegistryException);
  EXPECT_THROW(reg.ReadString("Interface Type"), ERegistryException);
  TStringList names;
  reg.GetValueNames(&names);
  EXPECT_EQ(names.Count(), 2);
  EXPECT_THROW(reg.SetRootKey(0x80000001), ERegistryException);
  unsetenv("FLASHWRIGHT_REGISTRY");
}

}  // namespace
