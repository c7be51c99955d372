// Another instance of the program opening a serial port: exits 0 when the
// port opened (and is closed again), 1 when it was refused as in use, 2 for
// any other failure.
#include "platform/lasterror.h"
#include "platform/serial.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  platform::SerialPort port;
  if (port.Open(argv[1])) return 0;
  return platform::GetLastError() == platform::kErrorAccessDenied ? 1 : 2;
}
