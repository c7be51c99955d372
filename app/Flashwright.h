#pragma once
// Start-up: the bus of the run from the command line or the "Select Node
// Type" window, then the main window and the message loop.
#include <cstdint>
#include <string>

// The bus that the first character of the command line names: 1 DeviceNet
// ("d"), 2 CANopen ("c"), 3 QX24X ("u"), either case; 0 for anything else.
std::uint8_t BusFromCommandLine(const std::string& commandLine);

// Asks for the bus in "Select Node Type"; 0 when the window was cancelled.
std::uint8_t AskForBus();

// The program: returns once the main window has closed, or at once when the
// bus selection was cancelled. The application object must be initialised.
int WinMain(const std::string& commandLine);
