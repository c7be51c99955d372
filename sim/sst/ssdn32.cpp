// The bench's stand-in for the SST driver that the CAN2A library loads: it
// reports its version.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int SSDN_DriverVersion(std::uint32_t* version) {
  if (version == nullptr) return 0;
  *version = 0x0105;  // 1.5
  return 1;
}
