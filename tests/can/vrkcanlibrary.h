#pragma once
// VRK_CAN as its callers reach it: loaded by name, entry points bound by name.
#include "can/vrk_can.h"
#include "tests/support/boundlibrary.h"

class VrkCanLibrary : public benchtest::BoundLibrary {
 public:
  VrkCanLibrary() : BoundLibrary("VRK_CAN.dll") {}
};

// The entry point of VRK_CAN with the declared type of the export.
#define VRK_CAN(library, name) BOUND_ENTRY(library, name)
