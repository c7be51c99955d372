// The file-backed registry: its .reg text, names without regard to case,
// keys and values, damaged files, and two processes sharing one file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/lasterror.h"
#include "platform/registry.h"
#include "platform/textfile.h"

namespace {

namespace fs = std::filesystem;
using platform::Registry;

constexpr const char* kHeader = "Windows Registry Editor Version 5.00\n";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/flashwright-registry-XXXXXX";
    directory_ = ::mkdtemp(pattern);
    file_ = directory_ + "/settings/registry.reg";
    ::setenv("FLASHWRIGHT_REGISTRY", file_.c_str(), 1);
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
  // Stands for another process or a person changing the file.
  void WriteFileByHand(const std::string& text) const {
    fs::create_directories(fs::path(file_).parent_path());
    ASSERT_TRUE(platform::ReplaceFileAtomically(file_, text));
  }

  std::string directory_;
  std::string file_;
};

TEST_F(RegistryTest, SavesReadableRegText) {
  Registry registry;
  ASSERT_TRUE(registry.OpenKey("\\Software\\Vorkelt, LLC.\\Flashwright\\Interface Configuration\\", true));
  EXPECT_EQ(registry.CurrentPath(), "Software\\Vorkelt, LLC.\\Flashwright\\Interface Configuration");
  ASSERT_TRUE(registry.WriteInteger("Port", 0x280));
  ASSERT_TRUE(registry.WriteInteger("Reserved0", -1));
  ASSERT_TRUE(registry.WriteString("Access Point", R"(C:\dir "quoted")"));
  ASSERT_TRUE(registry.WriteString("", "default"));
  ASSERT_TRUE(registry.OpenKey("\\Software\\Empty", true));

  EXPECT_EQ(FileText(), std::string(kHeader) +
                            "\n"
                            "[HKEY_LOCAL_MACHINE\\Software\\Empty]\n"
                            "\n"
                            "[HKEY_LOCAL_MACHINE\\Software\\Vorkelt, LLC.\\Flashwright\\Interface Configuration]\n"
                            "\"Port\"=dword:00000280\n"
                            "\"Reserved0\"=dword:ffffffff\n"
                            "\"Access Point\"=\"C:\\\\dir \\\"quoted\\\"\"\n"
                            "@=\"default\"\n");

  Registry reader;
  ASSERT_TRUE(reader.OpenKey("Software\\VORKELT, llc.\\Flashwright\\interface configuration", false));
  EXPECT_EQ(reader.ReadInteger("PORT"), 0x280);
  EXPECT_EQ(reader.ReadInteger("reserved0"), -1);
  EXPECT_EQ(reader.ReadString("access point"), R"(C:\dir "quoted")");
  EXPECT_EQ(reader.ReadString(""), "default");
}

TEST_F(RegistryTest, NamesKeepTheCaseTheyWereCreatedWith) {
  Registry registry;
  ASSERT_TRUE(registry.OpenKey("\\Software\\Flashwright", true));
  ASSERT_TRUE(registry.WriteInteger("IRQ", 5));
  ASSERT_TRUE(registry.WriteInteger("Irq", 7));  // the same value
  ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\flashwright\\Sub", true));
  EXPECT_EQ(registry.ReadInteger("irq"), std::nullopt) << "values belong to their own key";

  ASSERT_TRUE(registry.OpenKey("\\software", false));
  EXPECT_EQ(registry.GetKeyNames(), std::vector<std::string>{"Flashwright"});
  ASSERT_TRUE(registry.OpenKey("Flashwright", false)) << "a path without a leading backslash is relative";
  EXPECT_EQ(registry.GetValueNames(), std::vector<std::string>{"IRQ"});
  EXPECT_EQ(registry.ReadInteger("Irq"), 7);
  EXPECT_EQ(registry.GetKeyNames(), std::vector<std::string>{"Sub"});
  EXPECT_NE(FileText().find("[HKEY_LOCAL_MACHINE\\Software\\Flashwright]\n\"IRQ\"=dword:00000007\n"),
            std::string::npos);
  registry.CloseKey();
  EXPECT_EQ(registry.GetKeyNames(), std::vector<std::string>{"Software"});
}

TEST_F(RegistryTest, KeysAndValuesCanBeTestedAndDeleted) {
  Registry registry;
  EXPECT_FALSE(registry.OpenKey("\\A", false));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
  EXPECT_FALSE(fs::exists(file_)) << "failed reads create nothing";

  ASSERT_TRUE(registry.OpenKey("\\A\\B\\C", true));
  ASSERT_TRUE(registry.WriteInteger("n", 1));
  ASSERT_TRUE(registry.WriteString("s", "text"));
  EXPECT_TRUE(registry.KeyExists("\\a\\b"));
  EXPECT_TRUE(registry.ValueExists("N"));

  // Values of the other kind do not read as this kind.
  EXPECT_EQ(registry.ReadString("n"), std::nullopt);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidData);
  EXPECT_EQ(registry.ReadInteger("s"), std::nullopt);
  EXPECT_EQ(registry.ReadInteger("missing"), std::nullopt);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);

  // Writing the other kind replaces the value.
  ASSERT_TRUE(registry.WriteInteger("s", 2));
  EXPECT_EQ(registry.ReadInteger("s"), 2);

  EXPECT_TRUE(registry.DeleteValue("S"));
  EXPECT_FALSE(registry.ValueExists("s"));
  EXPECT_FALSE(registry.DeleteValue("s"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);

  EXPECT_FALSE(registry.DeleteKey("\\"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  EXPECT_TRUE(registry.DeleteKey("\\A\\B"));
  EXPECT_FALSE(registry.KeyExists("\\A\\B\\C"));
  EXPECT_TRUE(registry.KeyExists("\\A"));
  EXPECT_FALSE(registry.WriteInteger("n", 3)) << "the open key was deleted";
  EXPECT_FALSE(registry.DeleteKey("\\A\\B"));
  EXPECT_EQ(FileText(), std::string(kHeader) + "\n[HKEY_LOCAL_MACHINE\\A]\n");
}

TEST_F(RegistryTest, RejectsTextThatTheFileCannotHold) {
  Registry registry;
  ASSERT_TRUE(registry.OpenKey("\\K", true));
  ASSERT_TRUE(registry.WriteString("v", "kept"));
  const std::string before = FileText();
  EXPECT_FALSE(registry.WriteString("v", "two\nlines"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  EXPECT_FALSE(registry.WriteInteger("bad\rname", 1));
  EXPECT_FALSE(registry.OpenKey("\\K\\new\nline", true));
  EXPECT_EQ(FileText(), before);
}

// A key that only leads to others has no section of its own in the file; its
// subkeys' sections must still spell it as it was created.
TEST_F(RegistryTest, KeysKeepTheirSpellingThroughSaves) {
  Registry registry;
  ASSERT_TRUE(registry.OpenKey("\\Software\\Vorkelt, LLC.", true));
  ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\VORKELT, llc.\\Flashwright", true));
  ASSERT_TRUE(registry.WriteInteger("Port", 1));
  ASSERT_TRUE(registry.OpenKey("\\software\\vorkelt, llc.\\Flashwright\\Interface Configuration", true));
  EXPECT_EQ(registry.CurrentPath(), "software\\vorkelt, llc.\\Flashwright\\Interface Configuration")
      << "the open key is the path as the caller gave it";
  EXPECT_NE(FileText().find("[HKEY_LOCAL_MACHINE\\Software\\Vorkelt, LLC.\\Flashwright\\Interface Configuration]"),
            std::string::npos);

  Registry reader;
  EXPECT_EQ(reader.GetKeyNames(), std::vector<std::string>{"Software"});
  ASSERT_TRUE(reader.OpenKey("\\software", false));
  EXPECT_EQ(reader.GetKeyNames(), std::vector<std::string>{"Vorkelt, LLC."});
}

// The byte 0x01 separates the parts of a path inside the store: a name holding
// it would collide with the key of the same parts, and is refused.
TEST_F(RegistryTest, RefusesKeyNamesTheStoreCannotHold) {
  Registry registry;
  ASSERT_TRUE(registry.OpenKey("\\A\\B", true));
  ASSERT_TRUE(registry.WriteInteger("kept", 1));
  const std::string before = FileText();
  const std::string collides = std::string("\\A\x01") + "B";
  EXPECT_FALSE(registry.OpenKey(collides, true));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  EXPECT_FALSE(registry.KeyExists(collides));
  EXPECT_FALSE(registry.DeleteKey(collides));
  EXPECT_EQ(FileText(), before);
  EXPECT_TRUE(registry.KeyExists("\\A\\B"));

  WriteFileByHand(std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\A\\B]\n\"x\"=dword:1\n[HKEY_LOCAL_MACHINE\\A\x01" +
                  "B]\n\"y\"=dword:2\n");
  EXPECT_NE(platform::RegistryFileError().find(":4: a key name may not hold"), std::string::npos)
      << platform::RegistryFileError();
}

TEST_F(RegistryTest, ReadOnlyFileIsNotReplaced) {
  Registry registry;
  ASSERT_TRUE(registry.OpenKey("\\K", true));
  ASSERT_TRUE(registry.WriteInteger("v", 1));
  const std::string before = FileText();
  ASSERT_EQ(::chmod(file_.c_str(), 0444), 0);

  testing::internal::CaptureStderr();
  EXPECT_FALSE(registry.WriteInteger("v", 2));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
  EXPECT_NE(said.find("read-only"), std::string::npos) << said;
  EXPECT_NE(said.find(file_), std::string::npos) << said;
  EXPECT_FALSE(registry.OpenKey("\\New", true));
  EXPECT_EQ(FileText(), before);
  EXPECT_EQ(registry.ReadInteger("v"), 1) << "reading goes on";
}

TEST_F(RegistryTest, ReadsFilesWrittenByHand) {
  WriteFileByHand(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "; comment\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\ssTech\\Cards\\Card 1]\r\n"
      "\"Port\" = DWORD:1F\r\n"
      "\r\n"
      "[hkey_local_machine\\Software\\ssTech\\Cards\\Card 2]\r\n"
      "@=\"x\"\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\ssTech\\Cards\\Card 1]\r\n"
      "\"Name\"=\"a]b\"\r\n");
  Registry registry;
  ASSERT_TRUE(registry.OpenKey("\\Software\\ssTech\\Cards\\", false));
  EXPECT_EQ(registry.GetKeyNames(), (std::vector<std::string>{"Card 1", "Card 2"}));
  ASSERT_TRUE(registry.OpenKey("Card 1", false));
  EXPECT_EQ(registry.ReadInteger("port"), 0x1F);
  EXPECT_EQ(registry.ReadString("Name"), "a]b") << "a repeated key section adds to the key";

  WriteFileByHand("");
  EXPECT_FALSE(registry.KeyExists("\\Software")) << "an empty file is an empty registry";
  EXPECT_TRUE(platform::RegistryFileError().empty());
}

TEST_F(RegistryTest, DamagedFilesAreReportedAndNeverReplaced) {
  struct Case {
    const char* text;
    const char* where;
    const char* why;
  };
  const Case cases[] = {
      {"REGEDIT4\n", ":1:", "first line"},
      {"Windows Registry Editor Version 5.00\n\"a\"=dword:1\n", ":2:", "must follow a [key]"},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n", ":2:", "HKEY_LOCAL_MACHINE"},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X\n", ":2:", "end with ']'"},
      {"Windows Registry Editor Version 5.00\n[-HKEY_LOCAL_MACHINE\\X]\n", ":2:", "not supported"},
      {"Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=dword:123456789\n", ":4:",
       "1 to 8 hexadecimal"},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=hex:01,02\n", ":3:", "only dword"},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"c:\\dir\"\n", ":3:", "backslash"},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X]\n\"a=\"b\"\n", ":3:", "expected '='"},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"b\n", ":3:", "closing double quote"},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"b\" c\n", ":3:", "after the closing"},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X]\nstray\n", ":3:", "not a [key]"},
      {"\xFF\xFEW\0i\0", ":1:", "UTF-16"},
  };
  for (const Case& c : cases) {
    const std::string text = c.text[0] == '\xFF' ? std::string(c.text, 6) : std::string(c.text);
    WriteFileByHand(text);
    const std::string error = platform::RegistryFileError();
    EXPECT_NE(error.find(file_ + c.where), std::string::npos) << error;
    EXPECT_NE(error.find(c.why), std::string::npos) << error;

    Registry registry;
    EXPECT_FALSE(registry.KeyExists("\\X"));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorRegistryCorrupt);
    EXPECT_FALSE(registry.OpenKey("\\Y", true));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorRegistryCorrupt);
    EXPECT_EQ(FileText(), text) << "a damaged file is left as it is";
  }

  // Once mended, the file is used again.
  WriteFileByHand("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=dword:00000002\n");
  Registry registry;
  ASSERT_TRUE(registry.OpenKey("\\X", false));
  EXPECT_EQ(registry.ReadInteger("a"), 2);
  EXPECT_TRUE(platform::RegistryFileError().empty());
}

TEST_F(RegistryTest, DefaultsToTheUsersConfigurationDirectory) {
  ::unsetenv("FLASHWRIGHT_REGISTRY");
  ::setenv("XDG_CONFIG_HOME", directory_.c_str(), 1);
  const std::string expected = directory_ + "/flashwright/registry.reg";
  EXPECT_EQ(platform::RegistryFilePath(), expected);
  Registry registry;
  ASSERT_TRUE(registry.OpenKey("\\Software", true));
  EXPECT_TRUE(fs::exists(expected)) << "the directory is made on the first save";
  ::unsetenv("XDG_CONFIG_HOME");
}

// Another process's saves are seen, and saves from both interleave without
// losing any: each change re-reads the file under the directory lock.
TEST_F(RegistryTest, TwoProcessesShareTheFile) {
  constexpr int kWritesEach = 20;
  Registry registry;
  ASSERT_TRUE(registry.OpenKey("\\Shared", true));

  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Registry own;
    bool ok = own.OpenKey("\\Shared", false);
    for (int i = 0; i < kWritesEach && ok; ++i) ok = own.WriteInteger("child" + std::to_string(i), i);
    ::_exit(ok ? 0 : 1);
  }
  bool ok = true;
  for (int i = 0; i < kWritesEach; ++i) ok = registry.WriteInteger("parent" + std::to_string(i), i) && ok;
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(ok);

  EXPECT_EQ(registry.GetValueNames().size(), 2u * kWritesEach);
  EXPECT_EQ(registry.ReadInteger("child19"), 19);
  EXPECT_EQ(registry.ReadInteger("parent19"), 19);
}

}  // namespace
