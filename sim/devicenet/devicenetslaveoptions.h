#pragma once
// Simulated DeviceNet slaves from text, for flashwright-sim and tests:
//   mac=5,vendor=0x1234,product=0x1FE2,name="Pump"
// Options: mac (required, 0..63), vendor, product, type, serial, password
// (numbers, decimal or 0x hex), revision (MAJOR.MINOR), name (at most 32
// characters; double quotes allow commas), ucmm (on|off), mode
// (application|bootloader), skipcheck (on|off: skip the duplicate MAC ID check).
#include <string_view>

#include "sim/devicenet/devicenetslave.h"
#include "sim/peerkind.h"

namespace sim {

// Throws std::invalid_argument with a message for the user.
DeviceNetSlaveConfig ParseDeviceNetSlaveOption(std::string_view text);

// The peer kind "devicenet-slave" with the same options.
PeerKind DeviceNetSlavePeerKind();

}  // namespace sim
