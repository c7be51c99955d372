#include "app/Flashwright.h"

#include <exception>

#include "app/Form_about.h"
#include "app/Form_main.h"
#include "app/Form_networkselect_file.h"
#include "app/windowprompt.h"
#include "framework/application.h"

std::uint8_t BusFromCommandLine(const std::string& commandLine) {
  if (commandLine.empty()) return 0;
  switch (commandLine.front()) {
    case 'd':
    case 'D': return TForm_FW_Download_Main::kDeviceNet;
    case 'c':
    case 'C': return TForm_FW_Download_Main::kCANopen;
    case 'u':
    case 'U': return TForm_FW_Download_Main::kQx24x;
    default: return 0;
  }
}

std::uint8_t AskForBus() {
  // The window frees itself when it closes (after ShowModal has returned).
  auto* select = new TForm_NetworkSelect(Application);
  select->AfterConstruction();
  const bool chosen = select->ShowModal() == mrOk;
  return chosen ? select->NetworkType() : 0;
}

int WinMain(const std::string& commandLine) {
  try {
    Application->SetTitle("Flashwright");
    TWindowPrompt prompt;
    std::uint8_t bus = BusFromCommandLine(commandLine);
    if (bus == 0) bus = AskForBus();
    if (bus == 0) return 0;
    TForm_FW_Download_Main* main = nullptr;
    Application->CreateForm(main);
    Application->CreateForm(main->AboutBox);
    main->SetMode(bus);
    Application->Run();
  } catch (const std::exception& error) {
    Application->ShowException(error.what());
  }
  return 0;
}
