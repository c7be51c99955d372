#pragma once
// The IXXAT VCI library's and its registration library's interface as this
// system uses them: the records they exchange and the types of the entry
// points called. Both libraries are another maker's; the bench offers
// stand-ins of the same shape.
#include <cstdint>

// One CAN object as the VCI library delivers it.
#pragma pack(push, 1)
struct VciCanObject {
  std::uint32_t TimeStamp;
  std::uint32_t Id;
  std::uint8_t Bits;  // bits 0-3 data length (0 to 15 as on the wire), bit 4 remote frame
  std::uint8_t Data[8];
};
#pragma pack(pop)
inline constexpr std::uint8_t kVciLengthMask = 0x0F;
inline constexpr std::uint8_t kVciRemoteBit = 0x10;

// Queue kinds of VCI_ConfigQueue and modes of VCI_AssignRxQueObj.
inline constexpr std::uint8_t kVciTransmitQueue = 0;
inline constexpr std::uint8_t kVciReceiveQueue = 1;
inline constexpr std::uint8_t kVciAccept = 1;
inline constexpr std::uint8_t kVciReject = 0;

// What XAT_SelectHardware fills in.
struct XatSelection {
  std::int32_t BoardType;
  std::int32_t BoardNumber;
  char Name[64];
};

namespace vci {
using MessageCallback = void (*)(const char* text);
using ReceiveCallback = void (*)(std::uint16_t queue, std::uint16_t count, VciCanObject* objects);
using ExceptionCallback = void (*)(std::int32_t code, const char* text);

using PrepareBoard2 = std::int32_t (*)(std::int32_t boardType, std::int32_t boardNumber,
                                       MessageCallback, ReceiveCallback, ExceptionCallback);
using CancelBoard = std::int32_t (*)(std::uint16_t board);
using InitCan = std::int32_t (*)(std::uint16_t board, std::uint8_t can, std::uint8_t btr0,
                                 std::uint8_t btr1, std::uint8_t mode);
using ResetCan = std::int32_t (*)(std::uint16_t board, std::uint8_t can);
using StartCan = std::int32_t (*)(std::uint16_t board, std::uint8_t can);
using ConfigQueue = std::int32_t (*)(std::uint16_t board, std::uint8_t can, std::uint8_t kind,
                                     std::uint16_t size, std::uint16_t limit, std::uint16_t timeMs,
                                     std::uint16_t timeStampResolution, std::uint16_t* queue);
using AssignRxQueObj = std::int32_t (*)(std::uint16_t board, std::uint16_t queue, std::uint8_t mode,
                                        std::uint32_t id, std::uint32_t mask);
using TransmitObj = std::int32_t (*)(std::uint16_t board, std::uint16_t queue, std::uint32_t id,
                                     std::uint8_t length, const std::uint8_t* data);
using RequestObj = std::int32_t (*)(std::uint16_t board, std::uint16_t queue, std::uint32_t id,
                                    std::uint8_t length);
}  // namespace vci

namespace xat {
using GetProductVersion = std::int32_t (*)(char* text, std::int32_t size);
using CheckProductVersion = std::int32_t (*)(const char* library, const char* version);
using SelectHardware = std::int32_t (*)(void* parent, XatSelection* selection);
using InstallHardware = std::int32_t (*)(void* parent);
using GetConfig = std::int32_t (*)(std::int32_t boardNumber, XatSelection* selection);
}  // namespace xat
