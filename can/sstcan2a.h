#pragma once
// The SST CAN2A library's interface as this system uses it: the message
// record it exchanges and its entry points' types. The library itself is
// another maker's; the bench offers a stand-in of the same shape.
#include <cstdint>

#pragma pack(push, 1)
struct SstCanMessage {
  std::uint16_t Id;
  std::uint8_t Length;
  std::uint8_t Data[8];
  std::uint16_t TimeStampLow;   // received messages only
  std::uint16_t TimeStampHigh;
};
#pragma pack(pop)
static_assert(sizeof(SstCanMessage) == 15);

// What C2A_GetModuleHeader fills: kept by the caller, not read.
struct SstModuleHeader {
  std::uint8_t Bytes[64];
};

// The bit-rate codes of C2A_Online.
inline constexpr std::int32_t kSstRate125k = 0;
inline constexpr std::int32_t kSstRate250k = 1;
inline constexpr std::int32_t kSstRate500k = 2;
inline constexpr std::int32_t kSstRateOther = 3;

// Size of the text buffers of C2A_Version and C2A_Driver.
inline constexpr std::int32_t kSstVersionTextSize = 32;

namespace sstcan2a {
using CloseCard = int (*)(std::int32_t handle);
using Driver = int (*)(std::uint32_t* version, char* text, std::int32_t size);
using FreeDriver = int (*)();
using GetBusStatus = int (*)(std::int32_t handle, std::uint32_t* status);
using GetCANCounters = int (*)(std::int32_t handle, std::uint32_t* sent, std::uint32_t* received);
using GetCardStatus = int (*)(std::int32_t handle, std::uint32_t* status);
using GetModuleHeader = int (*)(std::int32_t handle, SstModuleHeader* header);
using LoadDriver = int (*)(const char* driverName);
using ModifyFilter = int (*)(std::int32_t handle, std::uint32_t identifier, std::int32_t add);
using Offline = int (*)(std::int32_t handle);
using Online = int (*)(std::int32_t handle, std::int32_t rateCode, std::int32_t, std::int32_t);
using OpenCard = int (*)(std::int32_t* handle, const char* accessPoint, std::int32_t,
                         std::int32_t, std::int32_t);
using RegisterEvent = int (*)(std::int32_t handle, std::uint32_t threadId, std::uint32_t message,
                              std::int32_t);
using Receive = int (*)(std::int32_t handle, SstCanMessage* message);
using SetEventNotificationInterval = int (*)(std::int32_t handle, std::int32_t milliseconds);
using Send = int (*)(std::int32_t handle, const SstCanMessage* message);
using UnRegisterEvent = int (*)(std::int32_t handle);
using VerifyCardHandle = int (*)(std::int32_t handle);
using Version = int (*)(std::uint32_t* version, char* text, std::int32_t size);
}  // namespace sstcan2a
