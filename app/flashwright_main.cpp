// The flashwright program: the command line after the program name, as one
// text, decides the bus of the run.
#include <string>

#include "app/Flashwright.h"
#include "framework/application.h"

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  Application->Initialize(argc, argv);
  const int result = WinMain(commandLine);
  Application->Shutdown();
  return result;
}
