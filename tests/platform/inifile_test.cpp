// INI files with the Windows rules, written so that every other line stays.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/inifile.h"
#include "platform/lasterror.h"
#include "platform/textfile.h"

namespace {

namespace fs = std::filesystem;
using platform::IniFile;

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/flashwright-ini-XXXXXX";
    directory_ = ::mkdtemp(pattern);
    path_ = directory_ + "/FORM.INI";
  }
  void TearDown() override { fs::remove_all(directory_); }

  void Write(const std::string& text) const { ASSERT_TRUE(platform::ReplaceFileAtomically(path_, text)); }
  std::string Text() const {
    std::string text;
    platform::ReadWholeFile(path_, &text);
    return text;
  }

  std::string directory_;
  std::string path_;
};

TEST_F(IniFileTest, ReadsByTheWindowsRules) {
  Write(
      "; placement of the windows\n"
      "orphan=before any section\n"
      "  [ Form1 ]  \n"
      "  Left =  12  \n"
      "left=99\n"
      "Caption=\"  quoted  \"\n"
      "Single='x'\n"
      "Half=\"open\n"
      "Empty=\n"
      ";Top=5\n"
      "no equals sign\n"
      "[FORM1]\n"
      "Top=7\n"
      "[Other]\n"
      "Left=1\n");
  IniFile ini(path_);
  struct Case {
    const char* section;
    const char* ident;
    const char* expected;
  };
  const Case cases[] = {
      {"form1", "LEFT", "12"},              // names without regard to case, first match wins
      {" Form1 ", " Left ", "12"},          // names are trimmed
      {"Form1", "Caption", "  quoted  "},   // matching quotes are taken off
      {"Form1", "Single", "x"},
      {"Form1", "Half", "\"open"},
      {"Form1", "Empty", ""},
      {"Form1", "Top", "default"},          // only the first section of a name is read
      {"Form1", ";Top", "default"},         // comments are no keys
      {"Other", "Left", "1"},
      {"Missing", "Left", "default"},
      {"Form1", "orphan", "default"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadString(c.section, c.ident, "default"), c.expected) << c.section << "/" << c.ident;
  }
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Form1", "Other"}));
  EXPECT_EQ(ini.ReadSection("FORM1"), (std::vector<std::string>{"Left", "Caption", "Single", "Half", "Empty"}));
  EXPECT_TRUE(ini.SectionExists("other"));
  EXPECT_FALSE(ini.SectionExists("Missing"));
  EXPECT_TRUE(ini.ValueExists("form1", "empty"));
  EXPECT_FALSE(ini.ValueExists("Form1", "Top"));
}

TEST_F(IniFileTest, IntegersAndBooleansReadTheLeadingNumber) {
  struct Case {
    const char* stored;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"42", 42},         {"-17", -17},        {"+5", 5},     {"0x1F", 31},   {"0XfF", 255},
      {"12abc", 12},      {"0x", 0},           {"0xg", 0},    {"abc", -1},    {"", -1},
      {"-", -1},          {"4294967294", -2},  {"2147483648", INT32_MIN},
  };
  IniFile ini(path_);
  for (const Case& c : cases) {
    ASSERT_TRUE(ini.WriteString("S", "v", c.stored));
    EXPECT_EQ(ini.ReadInteger("S", "v", -1), c.expected) << '"' << c.stored << '"';
  }
  EXPECT_EQ(ini.ReadInteger("S", "missing", 7), 7);

  ASSERT_TRUE(ini.WriteBool("S", "Maximized", true));
  EXPECT_EQ(ini.ReadString("S", "Maximized", ""), "1");
  EXPECT_TRUE(ini.ReadBool("S", "Maximized", false));
  ASSERT_TRUE(ini.WriteInteger("S", "Maximized", 0));
  EXPECT_FALSE(ini.ReadBool("S", "Maximized", true));
  ASSERT_TRUE(ini.WriteString("S", "Maximized", "yes"));
  EXPECT_TRUE(ini.ReadBool("S", "Maximized", true)) << "no number: the default";
  EXPECT_FALSE(ini.ReadBool("S", "Maximized", false));
}

TEST_F(IniFileTest, WritesKeepEveryOtherLine) {
  Write(
      "; window positions\r\n"
      "[Form1]\r\n"
      "LEFT=10\r\n"
      "; keep me\r\n"
      "\r\n"
      "[Form_Main]\r\n"
      "Top=3\r\n");
  IniFile ini(path_);
  ASSERT_TRUE(ini.WriteInteger("form1", "Left", -20));  // replaces, keeping the stored spelling
  ASSERT_TRUE(ini.WriteInteger("Form1", "Top", 30));    // goes after the section's last line
  ASSERT_TRUE(ini.WriteString("New", "Right", "640"));  // a new section at the end
  EXPECT_EQ(Text(),
            "; window positions\r\n"
            "[Form1]\r\n"
            "LEFT=-20\r\n"
            "; keep me\r\n"
            "Top=30\r\n"
            "\r\n"
            "[Form_Main]\r\n"
            "Top=3\r\n"
            "\r\n"
            "[New]\r\n"
            "Right=640\r\n");

  ASSERT_TRUE(ini.DeleteKey("FORM1", "left"));
  ASSERT_TRUE(ini.DeleteKey("Form1", "Absent"));
  ASSERT_TRUE(ini.EraseSection("form_main"));
  ASSERT_TRUE(ini.EraseSection("Absent"));
  EXPECT_EQ(Text(),
            "; window positions\r\n"
            "[Form1]\r\n"
            "; keep me\r\n"
            "Top=30\r\n"
            "\r\n"
            "[New]\r\n"
            "Right=640\r\n");
}

// A file edited on both systems mixes line endings; a write changes only its
// own line and leaves every other line's ending, and a missing last one, alone.
TEST_F(IniFileTest, WritesKeepEachLinesOwnEnding) {
  Write("[Form1]\r\nLeft=1\nTop=2\r\n; note\n[Form_Main]\r\nLeft=3");
  IniFile ini(path_);
  ASSERT_TRUE(ini.WriteInteger("Form1", "Top", 20));
  EXPECT_EQ(Text(), "[Form1]\r\nLeft=1\nTop=20\r\n; note\n[Form_Main]\r\nLeft=3");
  ASSERT_TRUE(ini.WriteInteger("Form_Main", "Top", 4));
  EXPECT_EQ(Text(), "[Form1]\r\nLeft=1\nTop=20\r\n; note\n[Form_Main]\r\nLeft=3\r\nTop=4\r\n")
      << "added lines take the ending of the file's first line";
}

TEST_F(IniFileTest, ReadOnlyFilesAreNotReplaced) {
  Write("[S]\nk=v\n");
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  IniFile ini(path_);
  EXPECT_FALSE(ini.WriteString("S", "k", "changed"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
  EXPECT_EQ(Text(), "[S]\nk=v\n");
  EXPECT_EQ(ini.ReadString("S", "k", ""), "v");
}

TEST_F(IniFileTest, EraseSectionRemovesEveryCopy) {
  Write("[A]\nx=1\n[B]\ny=2\n[a]\nz=3\n");
  IniFile ini(path_);
  ASSERT_TRUE(ini.EraseSection("A"));
  EXPECT_FALSE(ini.SectionExists("A"));
  EXPECT_EQ(Text(), "[B]\ny=2\n");
}

TEST_F(IniFileTest, WindowsNamesAreRelativeToTheWorkingDirectory) {
  fs::create_directory(directory_ + "/sub");
  const fs::path previous = fs::current_path();
  fs::current_path(directory_);
  IniFile ini(".\\sub\\WindowPositions.INI");
  EXPECT_EQ(ini.FileName(), "./sub/WindowPositions.INI");
  const bool written = ini.WriteInteger("VRK_CAN_Configuration", "Left", 5);
  fs::current_path(previous);
  ASSERT_TRUE(written);
  EXPECT_EQ(IniFile(directory_ + "/sub/WindowPositions.INI").ReadInteger("VRK_CAN_Configuration", "Left", 0), 5);
}

TEST_F(IniFileTest, BadWritesFailAndChangeNothing) {
  Write("[S]\nk=v\n");
  IniFile ini(path_);
  struct Case {
    const char* section;
    const char* ident;
    const char* value;
  };
  const Case cases[] = {
      {"S", "k", "two\nlines"}, {"S", "a=b", "v"}, {"", "k", "v"},   {"S", "", "v"},
      {"S]", "k", "v"},         {"S", ";k", "v"},  {"S\nT", "k", "v"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(ini.WriteString(c.section, c.ident, c.value)) << c.section << "/" << c.ident;
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  }
  EXPECT_EQ(Text(), "[S]\nk=v\n");

  IniFile nowhere(directory_ + "/missing/FORM.INI");
  EXPECT_FALSE(nowhere.WriteInteger("S", "k", 1));
  EXPECT_NE(platform::GetLastError(), platform::kErrorSuccess);
  EXPECT_EQ(nowhere.ReadInteger("S", "k", 9), 9);
}

}  // namespace
