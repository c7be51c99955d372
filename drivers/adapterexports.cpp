// The exported API of the CAN adapter drivers. Every call finds the card by
// its handle and passes the work to the card's link; results are 1 for
// success and 0 for failure with the reason in the last error.
#include <algorithm>
#include <vector>

#include "drivers/adapterexports.h"
#include "drivers/commandlink.h"
#include "platform/lasterror.h"

using drivers::CanMessage;
using drivers::CommandChannel;
using drivers::LibraryCards;
using ReplyForm = drivers::CommandChannel::ReplyForm;

namespace {

using drivers::exports::AskInto;
using drivers::exports::Fail;
using drivers::exports::Present;
using drivers::exports::WithCommands;
using drivers::exports::WithLink;

int TellValue(std::int32_t handle, std::uint8_t code, std::uint32_t value, std::size_t size) {
  return WithCommands(handle, [&](CommandChannel& channel) {
    return drivers::TellValue(channel, code, value, size);
  });
}

// A 16-bit value from the first two bytes of a four-byte answer.
int AskLowHalf(std::int32_t handle, std::uint8_t code, std::uint32_t* value,
               std::span<const std::uint8_t> arguments = {}) {
  if (!Present(value)) return 0;
  return WithCommands(handle, [&](CommandChannel& channel) {
    if (!drivers::AskValue(channel, code, ReplyForm::kPlain, 4, value, arguments)) return false;
    *value &= 0xFFFF;
    return true;
  });
}

template <typename Value>
int GetParameter(std::int32_t handle, std::uint8_t kind, std::uint16_t number, Value* value) {
  if (!Present(value)) return 0;
  return WithCommands(handle, [&](CommandChannel& channel) {
    std::uint32_t got = 0;
    if (!drivers::AskParameter(channel, kind, number, &got)) return false;
    *value = Value(got);
    return true;
  });
}

int SetParameter(std::int32_t handle, std::uint8_t kind, std::uint16_t number,
                 std::span<const std::uint8_t> value) {
  return WithCommands(handle, [&](CommandChannel& channel) {
    return channel.SetParameter(kind, number, value);
  });
}

template <typename Value>
int SetScalarParameter(std::int32_t handle, std::uint8_t kind, std::uint16_t number, Value value) {
  std::uint8_t bytes[sizeof(Value)];
  for (std::size_t i = 0; i < sizeof(Value); ++i) bytes[i] = std::uint8_t(value >> (8 * i));
  return SetParameter(handle, kind, number, bytes);
}

}  // namespace

namespace cmd = drivers::command;
namespace param = drivers::parameter;

DRIVER_EXPORT int CAN_Transmit(std::int32_t handle, const CanMessage* frame) {
  if (!Present(frame)) return 0;
  return WithLink(handle, [&](drivers::Link& link) { return link.Transmit(*frame); });
}

DRIVER_EXPORT int CAN_Receive(std::int32_t handle, CanMessage* frame) {
  if (!Present(frame)) return 0;
  return WithLink(handle, [&](drivers::Link& link) { return link.Receive(frame); });
}

DRIVER_EXPORT int CAN_RegisterReceiveEvent(std::int32_t handle, platform::Handle event,
                                           std::int32_t enable) {
  return WithLink(handle, [&](drivers::Link& link) {
    link.RegisterReceiveEvent(enable ? event : platform::kNullHandle);
    return true;
  });
}

DRIVER_EXPORT int CAN_SetOnline(std::int32_t handle, std::int32_t on) {
  return WithLink(handle, [&](drivers::Link& link) { return link.SetOnline(on != 0); });
}

DRIVER_EXPORT int CAN_GetOnline(std::int32_t handle, std::int32_t* on) {
  if (!Present(on)) return 0;
  return WithLink(handle, [&](drivers::Link& link) { return link.GetOnline(on); });
}

DRIVER_EXPORT int CAN_SetBaud(std::int32_t handle, std::uint32_t bitRate) {
  return WithLink(handle, [&](drivers::Link& link) { return link.SetBaud(bitRate); });
}

DRIVER_EXPORT int CAN_GetBaud(std::int32_t handle, std::uint32_t* bitRate) {
  if (!Present(bitRate)) return 0;
  return WithLink(handle, [&](drivers::Link& link) { return link.GetBaud(bitRate); });
}

DRIVER_EXPORT int CAN_SetId(std::int32_t handle, std::int32_t macId) {
  return WithLink(handle, [&](drivers::Link& link) { return link.SetId(macId); });
}

DRIVER_EXPORT int CAN_AddFilter(std::int32_t handle, std::uint32_t id) {
  return WithLink(handle, [&](drivers::Link& link) { return link.AddFilter(id); });
}

DRIVER_EXPORT int CAN_RemoveFilter(std::int32_t handle, std::uint32_t id) {
  return WithLink(handle, [&](drivers::Link& link) { return link.RemoveFilter(id); });
}

// The mask queries fill a 32-bit out-value, as their callers pass one, with
// a 16-bit value: the short mask's answer is those two bytes, the others
// answer four bytes of which the first two hold the value.
DRIVER_EXPORT int CAN_GetGlobalMaskShort(std::int32_t handle, std::uint32_t* mask) {
  if (!Present(mask)) return 0;
  return WithCommands(handle, [&](CommandChannel& channel) {
    return drivers::AskValue(channel, cmd::kGetGlobalMaskShort, ReplyForm::kPlain, 2, mask);
  });
}
DRIVER_EXPORT int CAN_GetGlobalMaskLong(std::int32_t handle, std::uint32_t* mask) {
  return AskLowHalf(handle, cmd::kGetGlobalMaskLong, mask);
}
DRIVER_EXPORT int CAN_GetLastMessageMask(std::int32_t handle, std::uint32_t* mask) {
  return AskLowHalf(handle, cmd::kGetLastMessageMask, mask);
}
DRIVER_EXPORT int CAN_GetMessageArbitration(std::int32_t handle, std::int32_t object,
                                            std::uint32_t* arbitration) {
  const std::uint8_t argument[] = {std::uint8_t(object)};
  return AskLowHalf(handle, cmd::kGetMessageArbitration, arbitration, argument);
}

DRIVER_EXPORT int CAN_GetBrp(std::int32_t handle, std::uint8_t* value) {
  return AskInto(handle, cmd::kGetBrp, ReplyForm::kPlain, value);
}
DRIVER_EXPORT int CAN_GetSjw(std::int32_t handle, std::uint8_t* value) {
  return AskInto(handle, cmd::kGetBrp + 1, ReplyForm::kPlain, value);
}
DRIVER_EXPORT int CAN_GetTSeg1(std::int32_t handle, std::uint8_t* value) {
  return AskInto(handle, cmd::kGetBrp + 2, ReplyForm::kPlain, value);
}
DRIVER_EXPORT int CAN_GetTSeg2(std::int32_t handle, std::uint8_t* value) {
  return AskInto(handle, cmd::kGetBrp + 3, ReplyForm::kPlain, value);
}
DRIVER_EXPORT int CAN_GetStatus(std::int32_t handle, std::uint8_t* status) {
  return AskInto(handle, cmd::kGetStatus, ReplyForm::kEcho, status);
}

DRIVER_EXPORT int CAN_SetGlobalMaskShort(std::int32_t handle, std::uint32_t mask) {
  return TellValue(handle, cmd::kSetGlobalMaskShort, mask, 2);
}
DRIVER_EXPORT int CAN_SetGlobalMaskLong(std::int32_t handle, std::uint32_t mask) {
  return TellValue(handle, cmd::kSetGlobalMaskLong, mask, 4);
}
DRIVER_EXPORT int CAN_SetLastMessageMask(std::int32_t handle, std::uint32_t mask) {
  return TellValue(handle, cmd::kSetLastMessageMask, mask, 4);
}
DRIVER_EXPORT int CAN_SetMessageArbitration(std::int32_t handle, std::int32_t object,
                                            std::uint32_t arbitration) {
  return WithCommands(handle, [&](CommandChannel& channel) {
    const std::uint8_t leading[] = {std::uint8_t(object)};
    return drivers::TellValue(channel, cmd::kSetMessageArbitration, arbitration, 4, leading);
  });
}
DRIVER_EXPORT int CAN_SetBrp(std::int32_t handle, std::int32_t value) {
  return TellValue(handle, cmd::kSetBrp, std::uint32_t(value), 1);
}
DRIVER_EXPORT int CAN_SetSjw(std::int32_t handle, std::int32_t value) {
  return TellValue(handle, cmd::kSetBrp + 1, std::uint32_t(value), 1);
}
DRIVER_EXPORT int CAN_SetTSeg1(std::int32_t handle, std::int32_t value) {
  return TellValue(handle, cmd::kSetBrp + 2, std::uint32_t(value), 1);
}
DRIVER_EXPORT int CAN_SetTSeg2(std::int32_t handle, std::int32_t value) {
  return TellValue(handle, cmd::kSetBrp + 3, std::uint32_t(value), 1);
}

DRIVER_EXPORT int CAN_Set_TimeStampMode(std::int32_t handle, std::int32_t mode) {
  if (mode < 0 || mode > 2) return Fail(drivers::kErrorBadArgument);
  return WithCommands(handle, [&](CommandChannel& channel) {
    return channel.SetTimeStampMode(std::uint8_t(mode));
  });
}

DRIVER_EXPORT int CAN_Reset(std::int32_t handle) {
  return WithCommands(handle, [](CommandChannel& channel) { return channel.Tell(cmd::kReset, {}); });
}

DRIVER_EXPORT int FirmwareUpgrade(std::int32_t handle) {
  return WithCommands(handle, [](CommandChannel& channel) { return channel.FirmwareUpgrade(); });
}

DRIVER_EXPORT int Get_Serial_Number(std::int32_t handle, std::uint32_t* serial) {
  return AskInto(handle, cmd::kSerialNumber, ReplyForm::kPlain, serial);
}

DRIVER_EXPORT int Parameter_Get_USIGN8(std::int32_t handle, std::uint16_t number,
                                       std::uint8_t* value) {
  return GetParameter(handle, param::kU8, number, value);
}
DRIVER_EXPORT int Parameter_Get_USIGN16(std::int32_t handle, std::uint16_t number,
                                        std::uint16_t* value) {
  return GetParameter(handle, param::kU16, number, value);
}
DRIVER_EXPORT int Parameter_Get_USIGN32(std::int32_t handle, std::uint16_t number,
                                        std::uint32_t* value) {
  return GetParameter(handle, param::kU32, number, value);
}

// The buffer must hold 255 bytes, the most an answer can carry.
DRIVER_EXPORT int Parameter_Get_ARRAY(std::int32_t handle, std::uint16_t number,
                                      std::uint8_t* length, std::uint8_t* buffer) {
  if (!Present(length, buffer)) return 0;
  return WithCommands(handle, [&](CommandChannel& channel) {
    std::vector<std::uint8_t> value;
    if (!channel.GetParameterArray(number, &value)) return false;
    std::copy(value.begin(), value.end(), buffer);
    *length = std::uint8_t(value.size());
    return true;
  });
}

DRIVER_EXPORT int Parameter_Set_USIGN8(std::int32_t handle, std::uint16_t number,
                                       std::uint8_t value) {
  return SetScalarParameter(handle, param::kU8, number, value);
}
DRIVER_EXPORT int Parameter_Set_USIGN16(std::int32_t handle, std::uint16_t number,
                                        std::uint16_t value) {
  return SetScalarParameter(handle, param::kU16, number, value);
}
DRIVER_EXPORT int Parameter_Set_USIGN32(std::int32_t handle, std::uint16_t number,
                                        std::uint32_t value) {
  return SetScalarParameter(handle, param::kU32, number, value);
}
DRIVER_EXPORT int Parameter_Set_ARRAY(std::int32_t handle, std::uint16_t number,
                                      std::uint32_t length, const std::uint8_t* buffer) {
  if (length > 0 && !Present(buffer)) return 0;
  return SetParameter(handle, param::kArray, number, std::span(buffer, length));
}
