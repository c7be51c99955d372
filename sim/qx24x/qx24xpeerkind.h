#pragma once
// The QX24X module as a kind of bench peer: flashwright-sim --peer qx24x:com=2
// starts a module on a pseudo-terminal (com=0: on the USB provider) and tells
// how to reach it.
#include "sim/peerkind.h"

namespace sim {

PeerKind Qx24xPeerKind();

}  // namespace sim
