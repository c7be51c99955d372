#pragma once
// The 1770-KFD module as a kind of bench peer: flashwright-sim --peer kfd:com=1
// starts a module on a pseudo-terminal and tells which FLASHWRIGHT_COMn
// setting reaches it.
#include "sim/peerkind.h"

namespace sim {

PeerKind KfdPeerKind();

}  // namespace sim
