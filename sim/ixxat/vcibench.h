#pragma once
// The boards the bench's stand-in for the IXXAT VCI library offers, and the
// board its registration library's selection picks.
#include <cstdint>

namespace sim::vcibench {

// Type 0: the CANopen configuration keeps no board fields, so the program
// opens an IXXAT board as type 0, number 0.
inline constexpr std::int32_t kBoardType = 0;
inline constexpr std::int32_t kBoardCount = 2;  // numbers 0 and 1
inline constexpr const char* kBoardName = "VCI bench board";

}  // namespace sim::vcibench
