#pragma once
// The CAN access layer under the masters' fuzz targets: a master's engines
// run on the caller's thread, and every frame they write is kept here for the
// target to answer or check. Every other call of the binding succeeds and
// does nothing; nothing is ever received through it.
#include <vector>

#include "can/canmessage.h"

namespace fuzzsupport {

// The frames written so far, in order; the target empties it between inputs.
std::vector<CanMessage>& WrittenFrames();
// While refused, every write fails, as a full transmit queue does.
void RefuseWrites(bool refuse);

}  // namespace fuzzsupport
