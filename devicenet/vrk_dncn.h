#pragma once
// Exports of VRK_DNCN beyond the DeviceNet API it shares with the front-end
// (dnetapi.h); VRK_DNET does not forward them.
#include <cstdint>

#include "devicenet/dnetapi.h"

extern "C" {
#pragma GCC visibility push(default)

// Sends a one-byte check request for mac and looks for an answer for about
// 100 ms: 1 and *found = 1 when a station holds that MAC ID.
int Dupicate_MacId_Check(std::int32_t card, std::int32_t mac, std::int32_t* found);
// Closes the node's UCMM explicit connection of that instance.
int UCMM_CloseConnection(std::int32_t card, std::int32_t mac, std::uint16_t instance);
// The Reset service (0x05) to any object of the node, with data.
int Reset(std::int32_t card, std::int32_t mac, std::int32_t cls, std::int32_t instance, std::uint16_t length,
          const std::uint8_t* data);

#pragma GCC visibility pop
}  // extern "C"
