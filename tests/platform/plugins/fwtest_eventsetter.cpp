// Sets an event it only knows by handle.
#include <cstdint>

#include "platform/sync.h"

extern "C" std::int32_t SetEventByHandle(std::int32_t event) { return platform::SetEvent(event) ? 1 : 0; }
