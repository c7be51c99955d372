// Waits for an event, by handle, on a thread of its own.
#include <cstdint>

#include "platform/sync.h"
#include "platform/thread.h"

extern "C" std::int32_t StartWaiter(std::int32_t event, std::uint32_t timeoutMs) {
  return platform::CreateThread([=] { return platform::WaitForSingleObject(event, timeoutMs); }, false, nullptr);
}
