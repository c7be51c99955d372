#pragma once
// The USB device-interface classes of the maker's interfaces, one per driver
// library: a library finds its devices by it, and the bench's simulated
// devices offer it.
#include "platform/usb.h"

namespace drivers {

inline constexpr platform::Guid kQx240UsbClass = {
    0x7a3c2400, 0x5e1b, 0x4f60, {0x9a, 0x41, 0x2d, 0x0c, 0x51, 0x24, 0x00, 0x01}};
inline constexpr platform::Guid kQx24xUsbClass = {
    0x7a3c2400, 0x5e1b, 0x4f60, {0x9a, 0x41, 0x2d, 0x0c, 0x51, 0x24, 0x0f, 0x01}};
inline constexpr platform::Guid kQx262UsbClass = {
    0x7a3c2400, 0x5e1b, 0x4f60, {0x9a, 0x41, 0x2d, 0x0c, 0x51, 0x26, 0x20, 0x01}};

}  // namespace drivers
