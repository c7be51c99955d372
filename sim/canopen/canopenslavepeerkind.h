#pragma once
// The simulated CANopen slave as a kind of bench peer:
//   flashwright-sim --peer canopen-slave:node=5,password=0x1234,mode=bootloader
#include "sim/canopen/canopenslave.h"
#include "sim/peerkind.h"

namespace sim {

// Throws std::invalid_argument with a message for the user.
CanopenSlaveConfig CanopenSlaveConfigFrom(const PeerSettings& settings);

// The peer kind "canopen-slave".
PeerKind CanopenSlavePeerKind();

}  // namespace sim
