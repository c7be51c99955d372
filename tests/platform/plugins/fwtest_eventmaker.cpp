// Creates a named event for the other test libraries to use.
#include <cstdint>

#include "platform/sync.h"

extern "C" std::int32_t MakeEvent(const char* name) { return platform::CreateEvent(false, false, name); }
