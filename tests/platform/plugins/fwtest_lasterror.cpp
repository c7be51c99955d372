// Fails on purpose, leaving a code in the caller's last-error value.
#include <cstdint>

#include "platform/lasterror.h"

extern "C" std::int32_t FailWithCode(std::uint32_t code) {
  platform::SetLastError(code);
  return 0;
}
