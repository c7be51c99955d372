#pragma once
// The back-end for the QX240 adapter (interface type 1) and the Allen-Bradley
// 1770-KFD (type 0x20): both are served by the QX240 driver library, bound by
// name at first use and never freed.
#include "can/canbackend.h"

// The driver library is loaded on first need; a failed load is tried again at
// the next need. False while the library cannot be loaded.
bool EnsureQx240Loaded();

// The driver's own hardware window for a QX240 record. Without the window's
// entry point the load result (1) stands for the window's.
int Qx240HardwareConfigurationWindow(InterfaceConfiguration* configuration);

CanBackend& Qx240AdapterBackend();  // type 1: parameters allowed
CanBackend& AbKfdBackend();         // type 0x20: the 1770-KFD has no parameters
