#pragma once
// The QX240 adapter as a kind of bench peer: flashwright-sim --peer qx240:com=1
// starts an adapter on a pseudo-terminal and tells which FLASHWRIGHT_COMn
// setting reaches it.
#include "sim/peerkind.h"

namespace sim {

PeerKind Qx240PeerKind();

}  // namespace sim
