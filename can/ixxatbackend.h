#pragma once
// The back-end for IXXAT boards (interface type 0x30), driven through the
// IXXAT VCI library, bound by name at first use and never freed.
#include "can/canbackend.h"

CanBackend& IxxatVciBackend();

// The board selection of the IXXAT registration library: fills the record
// with the chosen board. 1 on a choice, 0 otherwise.
int IxxatHardwareConfigurationWindow(InterfaceConfiguration* configuration);
