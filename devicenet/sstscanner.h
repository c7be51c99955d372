#pragma once
// The SST scanner adapter: the DeviceNet API served on the SST DeviceNet
// scanner libraries, whose card runs the master itself.
#include "devicenet/dnetbackend.h"

// The adapter's table, once the scanner libraries are bound; null (with the
// reason in the last error) when they cannot be had.
const DnetBackendApi* BindSstScanner();
