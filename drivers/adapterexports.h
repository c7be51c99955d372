#pragma once
// The export set of the CAN adapter drivers (QX240 and QX262) is written once,
// in adapterexports.cpp, and linked into each of them with the exports every
// driver library has (commonexports.cpp).
#include "drivers/libraryexports.h"
