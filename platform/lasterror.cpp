#include "platform/lasterror.h"

namespace platform {

namespace {
// Lives in the shared platform library, so every library of the process sees
// the same value for a thread.
thread_local std::uint32_t lastError = kErrorSuccess;
}  // namespace

std::uint32_t GetLastError() { return lastError; }

void SetLastError(std::uint32_t code) { lastError = code; }

}  // namespace platform
