#pragma once
// Identity values of the maker's own field nodes, shared by the program and
// the bench that simulates those nodes.
#include <cstdint>

// The maker's DeviceNet vendor ID (Identity object attribute 1).
inline constexpr std::uint16_t kMakerDeviceNetVendorId = 0x04D2;
// The product code a maker's DeviceNet node reports while its boot loader runs.
inline constexpr std::uint16_t kMakerBootLoaderProductCode = 0x9FE2;
