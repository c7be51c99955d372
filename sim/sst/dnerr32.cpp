// The bench's stand-in for the SST scanner's error-text library, which the
// scanner adapter loads alongside the scanner library.
#include <cstdint>
#include <cstdio>

extern "C" __attribute__((visibility("default"))) int DNE_ErrorText(std::uint32_t code, char* text, int size) {
  if (text == nullptr || size <= 0) return 0;
  std::snprintf(text, static_cast<std::size_t>(size), "scanner error 0x%08X", code);
  return 1;
}
