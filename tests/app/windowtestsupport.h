#pragma once
// What the window tests share: the message boxes and file dialogs scripted
// through the framework's services (reached through the program's own
// prompt), an interface settings store of the test's own, and waits that
// keep the window thread's events flowing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Form_FW_Download.h"
#include "app/Form_main.h"
#include "app/windowprompt.h"
#include "framework/testing/harness.h"
#include "platform/clock.h"
#include "tests/app/apptestsupport.h"

namespace windowtest {

// Handles the window thread's events until done() holds, for at most
// `patience` ms of process time.
inline bool PumpUntil(const std::function<bool()>& done, std::uint32_t patience = 120'000) {
  const std::uint64_t deadline = platform::GetTickCount() + patience;
  while (!done()) {
    if (platform::GetTickCount() > deadline) return false;
    harness::ProcessEvents();
    platform::Sleep(5);
  }
  return true;
}

// The texts of the boxes shown, in order.
inline std::vector<std::string> Texts(const TScriptedServices& services) {
  std::vector<std::string> texts;
  for (const auto& box : services.boxes) texts.push_back(box.text);
  return texts;
}

inline bool Shown(const TScriptedServices& services, const std::string& text) {
  const auto texts = Texts(services);
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// An interface kind a mode's window is tested over: its type, its interface
// key as the mode's settings store keeps it, and the name the window shows.
struct InterfaceKind {
  const char* name;
  std::uint32_t type;
  std::string interfaceKey;
  const char* shownType;
};

inline void PrintTo(const InterfaceKind& kind, std::ostream* out) { *out << kind.name; }
inline std::string PrintKind(const ::testing::TestParamInfo<InterfaceKind>& info) { return info.param.name; }

// The node's flash holds the image in the sector under a valid checksum, and
// the sector is the boot sector.
template <typename Flash>
void ExpectBootedImage(const Flash& flash, std::uint8_t sector, const std::vector<std::uint8_t>& image) {
  const auto written = flash.Image(sector);
  ASSERT_GE(written.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
  EXPECT_TRUE(flash.ChecksumValid(sector));
  EXPECT_EQ(flash.BootSector(), sector);
}

// A registry file of the test's own with one interface record, as the bench
// command writes it: the QX240 adapter on COM1 at 57600 Bd.
class SettingsStore {
 public:
  explicit SettingsStore(const apptest::TempDir& dir, const std::string& text) : path_(dir.File("registry.reg")) {
    std::FILE* file = std::fopen(path_.c_str(), "w");
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return;
    std::fprintf(file, "Windows Registry Editor Version 5.00\n\n%s", text.c_str());
    std::fclose(file);
    setenv("FLASHWRIGHT_REGISTRY", path_.c_str(), 1);
  }
  ~SettingsStore() { unsetenv("FLASHWRIGHT_REGISTRY"); }

  static constexpr const char* kBase = "[HKEY_LOCAL_MACHINE\\Software\\Vorkelt, LLC.\\Flashwright\\";

  static std::string DeviceNet() { return DeviceNet(1, Qx240OnCom1()); }
  // On the interface of that type, whose interface key the caller gives
  // (Interface(), below).
  static std::string DeviceNet(std::uint32_t interfaceType, const std::string& interfaceKey) {
    char type[16];
    std::snprintf(type, sizeof type, "%08x", interfaceType);
    return std::string(kBase) + "DeviceNet Configuration]\n\"Interface Type\"=dword:" + type +
           "\n\"BaudRate\"=dword:0001e848\n\"MacId\"=dword:00000000\n\"ScanInterval\"=dword:00000064\n\n" +
           interfaceKey;
  }
  // The interface key of that display name holding these value lines.
  static std::string Interface(const std::string& name, const std::string& values) {
    return std::string(kBase) + "Interface Configuration\\" + name + "]\n" + values + "\n";
  }
  static std::string CANopen() { return CANopen(1, Qx240OnCom1()); }
  // At 500 kbit/s, own node ID 1, on the interface of that type, whose
  // interface key the caller gives (Interface(), above).
  static std::string CANopen(std::uint32_t interfaceType, const std::string& interfaceKey) {
    char type[16];
    std::snprintf(type, sizeof type, "%08x", interfaceType);
    return std::string(kBase) + "CANopen Configuration]\n\"Interface Type\"=dword:" + type +
           "\n\"BaudRate\"=dword:0007a120\n\"NodeID\"=dword:00000001\n\n" + interfaceKey;
  }
  // On a serial line (COM port 1 to 4) or, with COM port 0, on USB.
  static std::string Qx24x(int comPort) {
    const std::string key = std::string(kBase) + "Interface Configuration\\VRK QX24X]\n";
    if (comPort == 0) return key + "\"Access Point\"=\"QX24X-0001\"\n\n";
    return key + "\"ComPort\"=dword:0000000" + std::to_string(comPort) + "\n\"ComBaud\"=dword:0000e100\n\n";
  }

 private:
  static std::string Qx240OnCom1() {
    return Interface("VRK QX240", "\"ComPort\"=dword:00000001\n\"ComBaud\"=dword:0000e100\n");
  }
  std::string path_;
};

// The program's main window in one mode, as a user drives it: settings from
// a store of its own, answers and file choices scripted through the services.
class MainWindowDriver {
 public:
  MainWindowDriver(std::uint8_t mode, const std::string& settings) : store_(dir, settings) {
    window = std::make_unique<TForm_FW_Download_Main>(nullptr);
    window->SetMode(mode);
    window->AfterConstruction();
    window->Show();
  }

  // Fresh scripted services: no answer left over from an earlier step.
  // (The old services go first: their end restores the default ones.)
  void Rescript() {
    scoped_.reset();
    scoped_ = std::make_unique<TScopedServices>();
  }
  TScriptedServices& services() { return **scoped_; }

  // Online, with the given nodes in the first table rows.
  void GoOnline(const std::vector<int>& nodes) {
    services().Answer(IDYES);
    harness::Click(window->Button_NetworkStart);
    ASSERT_TRUE(window->Button_NetworkStop->Enabled());
    ASSERT_TRUE(PumpUntil([&] {
      for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (window->RowNode(static_cast<int>(i) + 1) != static_cast<std::uint32_t>(nodes[i])) return false;
      }
      return true;
    }));
  }

  // Opens the sector download window on a table row, once the row's node is
  // present, and runs act in it; the window is closed afterwards when act did
  // not close it.
  void InSectorWindow(int row, const std::function<void(TForm_FW_Download&)>& act) {
    ASSERT_TRUE(PumpUntil([&] {
      const std::uint32_t node = window->RowNode(row);
      return node != TForm_FW_Download_Main::kNoNode && window->Downloader()->PresentWord(node) != 0;
    })) << "row " << row << " holds no present node";
    auto state = std::make_shared<int>(0);  // 0 waiting, 1 ran, 2 too late
    harness::WhenIdle([&, state] {
      if (*state != 0 || window->DownloadWindow() == nullptr) return;
      *state = 1;
      TForm_FW_Download& sectors = *window->DownloadWindow();
      act(sectors);
      if (sectors.Modal() && sectors.ModalResult() == mrNone) sectors.SetModalResult(mrCancel);
    });
    window->VudUvizidIzed_NodesOnlineDblClickCell(window->VudUvizidIzed_NodesOnline, row, 0);
    EXPECT_EQ(*state, 1) << "the sector download window did not open";
    *state = 2;
  }

  // "Upgrade Firmware" with the typed password and the HEX file chosen, every
  // question answered with Yes.
  void UpgradeFirmware(TForm_FW_Download& sectors, const std::string& password, const std::string& hexFile) {
    sectors.Edit_Password->SetText(password);
    services().Answer(IDYES);  // enter download mode
    services().Answer(IDYES);  // download new firmware
    services().ChooseFiles({hexFile});
    services().Answer(IDOK);   // "Download Successful"
    services().Answer(IDYES);  // execute the new firmware
    harness::Click(sectors.Button1);
  }

  // The standard update of the node in a table row, in one go.
  void UpdateNode(int row, const std::string& password, const std::string& hexFile) {
    InSectorWindow(row, [&](TForm_FW_Download& sectors) { UpgradeFirmware(sectors, password, hexFile); });
  }

  std::string HexFile(const std::vector<std::uint8_t>& image, const char* name = "image.hex") {
    const std::string path = dir.File(name);
    apptest::WriteHexFile(path, image);
    return path;
  }

  // Files that must never reach a node, each with the message that refuses
  // it before anything is erased.
  struct BadFile {
    const char* name;
    std::string path;
    std::string message;
  };
  std::vector<BadFile> BadHexFiles() {
    const auto file = [&](const char* name, const std::string& text) {
      const std::string path = dir.File(name);
      std::FILE* out = std::fopen(path.c_str(), "wb");
      EXPECT_NE(out, nullptr);
      if (out != nullptr) {
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
      }
      return path;
    };
    const std::string cutShort = dir.File("cut_short.hex");
    apptest::WriteHexFile(cutShort, apptest::Image(256), 32, /*endRecord=*/false);
    const std::string empty = file("empty.hex", "");
    const std::string endOnly = file("end_only.hex", ":00000001FF\n");
    const std::string badSum = file("bad_checksum.hex", ":0100000011EF\n:00000001FF\n");
    const std::string nul = file("nul.hex", std::string(64, '\0'));
    const std::string cutShortCause = ": the file ends without its end record: it may be cut short.";
    return {
        {"empty", empty, "Download Error\r\n" + empty + cutShortCause},
        {"end record only", endOnly, "Download Error\r\n" + endOnly + ": the file holds no data to download."},
        {"bad checksum", badSum,
         "Download Error\r\nLine 1 of " + badSum + ": the record's checksum does not match."},
        {"NUL bytes", nul, "Download Error\r\nLine 1 of " + nul + ": the line does not start with \":\"."},
        {"cut short", cutShort, "Download Error\r\n" + cutShort + cutShortCause},
    };
  }

  // Once the interface was lost while online: the window goes offline with
  // the message a start without the interface gives, and a new start gives
  // it again.
  void ExpectLostAsAtStart(const std::string& message) {
    EXPECT_TRUE(PumpUntil([&] { return window->Button_NetworkStart->Enabled(); }));
    EXPECT_FALSE(window->Button_NetworkStop->Enabled());
    EXPECT_EQ(window->RowNode(1), TForm_FW_Download_Main::kNoNode);
    EXPECT_EQ(Texts(services()), std::vector<std::string>{message});
    Rescript();
    services().Answer(IDYES);
    harness::Click(window->Button_NetworkStart);
    EXPECT_TRUE(Shown(message)) << AllTexts();
    EXPECT_TRUE(window->Button_NetworkStart->Enabled());
  }

  bool Shown(const std::string& text) { return windowtest::Shown(services(), text); }
  std::string AllTexts() { return ::testing::PrintToString(Texts(services())); }

  apptest::TempDir dir;

 private:
  SettingsStore store_;
  std::unique_ptr<TScopedServices> scoped_ = std::make_unique<TScopedServices>();
  TWindowPrompt prompt_;

 public:
  std::unique_ptr<TForm_FW_Download_Main> window;
};

}  // namespace windowtest
