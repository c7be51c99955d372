#include "drivers/commandlink.h"

#include <algorithm>

#include "platform/iochannel.h"
#include "platform/lasterror.h"

namespace drivers {
namespace {

std::vector<std::uint8_t> LittleEndian(std::uint32_t value, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = std::uint8_t(value >> (8 * i));
  return bytes;
}

std::uint32_t FromLittleEndian(std::span<const std::uint8_t> bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < bytes.size() && i < 4; ++i) value |= std::uint32_t(bytes[i]) << (8 * i);
  return value;
}

}  // namespace

bool CommandLink::SetOnline(bool on) { return TellValue(*this, command::kSetOnline, on ? 1 : 0, 1); }

bool CommandLink::GetOnline(std::int32_t* on) {
  std::uint32_t value = 0;
  if (!AskValue(*this, command::kGetOnline, ReplyForm::kPlain, 1, &value)) return false;
  *on = std::int32_t(value);
  return true;
}

bool CommandLink::SetBaud(std::uint32_t bitRate) { return TellValue(*this, command::kSetBaud, bitRate, 4); }

bool CommandLink::GetBaud(std::uint32_t* bitRate) {
  return AskValue(*this, command::kGetBaud, ReplyForm::kPlain, 4, bitRate);
}

bool CommandLink::SetId(std::int32_t) {
  platform::SetLastError(kErrorNotSupported);
  return false;
}

void CommandLink::NoteReadEnded() {
  if (platform::GetLastError() == platform::kErrorDeviceNotConnected) deviceGone_ = true;
}

bool CommandLink::FailEmptyReceive() const {
  platform::SetLastError(DeviceGone() ? platform::kErrorDeviceNotConnected : kErrorNoFrame);
  return false;
}

bool CommandLink::AddFilter(std::uint32_t id) { return TellValue(*this, command::kAddFilter, id, 4); }

bool CommandLink::RemoveFilter(std::uint32_t id) {
  return TellValue(*this, command::kRemoveFilter, id, 4);
}

bool AskValue(CommandChannel& channel, std::uint8_t code, CommandChannel::ReplyForm form,
              std::size_t size, std::uint32_t* value, std::span<const std::uint8_t> arguments) {
  const CommandChannel::Query query{code, {arguments.begin(), arguments.end()}, form, size, size};
  std::vector<std::uint8_t> bytes;
  if (!channel.Ask(query, &bytes)) return false;
  *value = FromLittleEndian(bytes);
  return true;
}

bool AskVersion(CommandChannel& channel, std::uint8_t code, std::int32_t* major,
                std::int32_t* minor) {
  std::uint32_t value = 0;
  if (!AskValue(channel, code, CommandChannel::ReplyForm::kPlain, 4, &value)) return false;
  *major = std::int32_t(value >> 16);
  *minor = std::int32_t(value & 0xFFFF);
  return true;
}

bool AskProductName(CommandChannel& channel, char* name) {
  const CommandChannel::Query query{command::kProductName, {}, CommandChannel::ReplyForm::kEcho, 0, 7};
  std::vector<std::uint8_t> bytes;
  if (!channel.Ask(query, &bytes)) return false;
  std::copy(bytes.begin(), bytes.end(), name);
  name[bytes.size()] = '\0';
  return true;
}

bool AskParameter(CommandChannel& channel, std::uint8_t kind, std::uint16_t number,
                  std::uint32_t* value) {
  static constexpr std::size_t kSizeOfKind[] = {1, 2, 4};
  if (kind > parameter::kU32) {
    platform::SetLastError(kErrorBadArgument);
    return false;
  }
  const std::uint8_t arguments[] = {0, kind, std::uint8_t(number), std::uint8_t(number >> 8)};
  return AskValue(channel, command::kParameterGet, CommandChannel::ReplyForm::kEcho,
                  kSizeOfKind[kind], value, arguments);
}

bool TellValue(CommandChannel& channel, std::uint8_t code, std::uint32_t value, std::size_t size,
               std::span<const std::uint8_t> leading) {
  std::vector<std::uint8_t> arguments(leading.begin(), leading.end());
  const auto bytes = LittleEndian(value, size);
  arguments.insert(arguments.end(), bytes.begin(), bytes.end());
  return channel.Tell(code, arguments);
}

}  // namespace drivers
