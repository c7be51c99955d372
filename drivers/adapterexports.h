#pragma once
// The export set of the CAN adapter drivers (QX240 and QX262) is written once,
// in adapterexports.cpp, and linked into each of them; a library supplies
// its own card table and profile through this function.
#include "drivers/drivercore.h"

namespace drivers {

CardTable& LibraryCards();

}  // namespace drivers
