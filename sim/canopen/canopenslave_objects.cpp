// The object dictionary of the simulated CANopen slave: identity, heartbeat,
// the process image and the maker's firmware objects 0x3600 to 0x3611.
#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "platform/clock.h"
#include "sim/canopen/canopenslave.h"

namespace sim {
namespace {

using canopen_detail::Access;
using canopen_detail::Lookup;
using canopen_detail::ObjectShape;

// The command channel takes [02, sector, address x3, n, n data bytes] or
// [03, sector] with any padding.
constexpr std::size_t kWriteHeader = 6;
constexpr std::size_t kEraseLength = 2;
constexpr std::size_t kMaxCommand = kWriteHeader + 255;
constexpr std::uint8_t kMemoryWrite = 0x02;
constexpr std::uint8_t kSectorErase = 0x03;

// The sector texts are cut to what the downloader's record fields hold.
constexpr std::size_t kNameLength = 15;
constexpr std::size_t kDescriptionLength = 31;
constexpr std::size_t kDateLength = 11;
constexpr std::size_t kTimeLength = 11;

constexpr std::uint8_t kIdentityEntries = 4;
constexpr std::uint8_t kDigitalChannels = 8;
constexpr std::uint8_t kAnalogChannels = 4;

constexpr ObjectShape kU8Read{Access::ReadOnly, 1};
constexpr ObjectShape kU8Write{Access::WriteOnly, 1};
constexpr ObjectShape kU8ReadWrite{Access::ReadWrite, 1};
constexpr ObjectShape kU16Read{Access::ReadOnly, 2};
constexpr ObjectShape kU16ReadWrite{Access::ReadWrite, 2};
constexpr ObjectShape kU32Read{Access::ReadOnly, 4};
constexpr ObjectShape kU32Write{Access::WriteOnly, 4};
constexpr ObjectShape kTextRead{Access::ReadOnly, 0xFFFF, true};
constexpr ObjectShape kCommandChannel{Access::WriteOnly, kMaxCommand, true};

Lookup Single(std::uint8_t subIndex, ObjectShape shape) {
  return subIndex == 0 ? Lookup{0, shape} : Lookup{sdo_abort::kNoSubIndex, {}};
}

// Sub-index 0 holds the entry count, sub-indices 1 to count the entries.
Lookup Array(std::uint8_t subIndex, std::uint8_t count, ObjectShape entry) {
  if (subIndex == 0) return {0, kU8Read};
  return subIndex <= count ? Lookup{0, entry} : Lookup{sdo_abort::kNoSubIndex, {}};
}

std::vector<std::uint8_t> LittleEndian(std::uint32_t value, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
  return bytes;
}

std::uint32_t FromLittleEndian(std::span<const std::uint8_t> bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < std::min<std::size_t>(bytes.size(), 4); ++i) {
    value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
  }
  return value;
}

std::vector<std::uint8_t> Text(std::string_view text, std::size_t maxLength = std::string_view::npos) {
  const std::string_view shown = text.substr(0, maxLength);
  return {shown.begin(), shown.end()};
}

bool IsProcessObject(std::uint16_t index) {
  return index == 0x6000 || index == 0x6200 || index == 0x6401 || index == 0x6411;
}

}  // namespace

bool CanopenSlave::IsAbsent(std::uint16_t index) const {
  return std::ranges::find(faults_.absentObjects, index) != faults_.absentObjects.end();
}

std::uint32_t CanopenSlave::ProductCode() const {
  return flash_.Mode() == FlashMode::BootLoader ? 0 : config_.productCode;
}

CanopenSlave::Lookup CanopenSlave::Find(std::uint16_t index, std::uint8_t subIndex) const {
  if (IsAbsent(index)) return {sdo_abort::kNoObject, {}};
  if (std::optional<Lookup> pdo = FindPdoObject(index, subIndex)) return *pdo;
  switch (index) {
    case 0x1000: return Single(subIndex, kU32Read);
    case 0x1001: return Single(subIndex, kU8Read);
    case 0x1008:
    case 0x1009:
    case 0x100A: return Single(subIndex, kTextRead);
    case 0x1017: return Single(subIndex, kU16ReadWrite);
    case 0x1018: return Array(subIndex, kIdentityEntries, kU32Read);
    case 0x3600: return Single(subIndex, kCommandChannel);
    case 0x3604: return Single(subIndex, kU8Write);
    case 0x3605:
    case 0x3606:
    case 0x3607:
    case 0x3608: return Single(subIndex, kTextRead);
    case 0x3609: return Single(subIndex, kU32Read);
    case 0x360A: return Single(subIndex, kU32Write);
    case 0x360B: return Single(subIndex, kU8ReadWrite);
    case 0x360D: return Single(subIndex, kU8Read);
    case 0x360E: return Single(subIndex, kU32Read);
    case 0x360F: return Single(subIndex, kU32Write);
    case 0x3610:
    case 0x3611: return Single(subIndex, kU8Read);
    case 0x6000: return Array(subIndex, kDigitalChannels, kU8Read);
    case 0x6200: return Array(subIndex, kDigitalChannels, kU8ReadWrite);
    case 0x6401: return Array(subIndex, kAnalogChannels, kU16Read);
    case 0x6411: return Array(subIndex, kAnalogChannels, kU16ReadWrite);
    default: return {sdo_abort::kNoObject, {}};
  }
}

SdoRead CanopenSlave::ReadObject(std::uint16_t index, std::uint8_t subIndex) const {
  const Lookup found = Find(index, subIndex);
  if (found.abort != 0) return {found.abort, {}};
  if (found.shape.access == Access::WriteOnly) return {sdo_abort::kReadOfWriteOnly, {}};
  return {0, Value(index, subIndex)};
}

std::uint32_t CanopenSlave::CheckWrite(std::uint16_t index, std::uint8_t subIndex,
                                       std::optional<std::size_t> size) const {
  const Lookup found = Find(index, subIndex);
  if (found.abort != 0) return found.abort;
  if (found.shape.access == Access::ReadOnly) return sdo_abort::kWriteOfReadOnly;
  // Flash is only written while the boot loader runs.
  if (index == 0x3600 && flash_.Mode() != FlashMode::BootLoader) return sdo_abort::kDeviceState;
  if (!size) return 0;
  if (*size > found.shape.size) return sdo_abort::kLengthTooHigh;
  if (*size < found.shape.size && !found.shape.variable) return sdo_abort::kLengthTooLow;
  return 0;
}

std::uint32_t CanopenSlave::WriteObject(std::uint16_t index, std::uint8_t subIndex,
                                        std::span<const std::uint8_t> data, bool sizeIndicated) {
  const Lookup found = Find(index, subIndex);
  if (!sizeIndicated && found.abort == 0 && !found.shape.variable) data = data.first(std::min(data.size(), found.shape.size));
  if (const std::uint32_t refused = CheckWrite(index, subIndex, data.size()); refused != 0) return refused;
  return Store(index, subIndex, data);
}

std::vector<std::uint8_t> CanopenSlave::Value(std::uint16_t index, std::uint8_t subIndex) const {
  if (FindPdo(index) != nullptr) return PdoValue(index, subIndex);
  const std::size_t sector = selectedSector_;
  switch (index) {
    case 0x1000: return LittleEndian(config_.deviceType, 4);
    case 0x1001: return {errorRegister_};
    case 0x1008: return Text(config_.deviceName);
    case 0x1009: return Text(config_.hardwareVersion);
    case 0x100A: return Text(config_.softwareVersion);
    case 0x1017: return LittleEndian(heartbeatMs_, 2);
    case 0x1018: {
      const std::uint32_t identity[] = {kIdentityEntries, config_.vendor, ProductCode(), config_.revision,
                                        config_.serial};
      return LittleEndian(identity[subIndex], subIndex == 0 ? 1 : 4);
    }
    case 0x3605: return Text(flash_.Info(sector).name, kNameLength);
    case 0x3606: return Text(flash_.Info(sector).description, kDescriptionLength);
    case 0x3607: return Text(flash_.Info(sector).buildDate, kDateLength);
    case 0x3608: return Text(flash_.Info(sector).buildTime, kTimeLength);
    case 0x3609: return LittleEndian(flash_.Info(sector).revision, 4);
    case 0x360B: return {flash_.BootSector()};
    case 0x360D: return {static_cast<std::uint8_t>(flash_.SectorCount())};
    case 0x360E: return LittleEndian(flash_.ReportedSize(sector), 4);
    case 0x3610: return {static_cast<std::uint8_t>(flash_.ChecksumValid(sector) ? 1 : 0)};
    case 0x3611: return {static_cast<std::uint8_t>(config_.checksumWidth)};
    case 0x6000: return {subIndex == 0 ? kDigitalChannels : process_.digitalInputs[subIndex - 1]};
    case 0x6200: return {subIndex == 0 ? kDigitalChannels : process_.digitalOutputs[subIndex - 1]};
    case 0x6401:
      return subIndex == 0 ? std::vector{kAnalogChannels} : LittleEndian(process_.analogInputs[subIndex - 1], 2);
    case 0x6411:
      return subIndex == 0 ? std::vector{kAnalogChannels} : LittleEndian(process_.analogOutputs[subIndex - 1], 2);
    default: return {};
  }
}

std::uint32_t CanopenSlave::Store(std::uint16_t index, std::uint8_t subIndex, std::span<const std::uint8_t> data) {
  if (index == 0x3600) return FirmwareCommand(data);
  const std::uint32_t value = FromLittleEndian(data);
  if (FindPdo(index) != nullptr) return StorePdo(index, subIndex, value);
  switch (index) {
    case 0x1017:
      heartbeatMs_ = static_cast<std::uint16_t>(value);
      if (value == 0) {
        heartbeatDueUs_.reset();
      } else {
        heartbeatDueUs_ = platform::NowMicroseconds() + value * std::uint64_t{1000};
      }
      return 0;
    case 0x3604:
      if (value >= flash_.SectorCount()) return sdo_abort::kValueRange;
      selectedSector_ = static_cast<std::uint8_t>(value);
      return 0;
    case 0x360A:
      flash_.StoreChecksum(selectedSector_, value, flash_.CanopenSum(selectedSector_, config_.checksumWidth));
      return 0;
    case 0x360B:
      return flash_.SetBootSector(value) == FlashStatus::Ok ? 0 : sdo_abort::kValueRange;
    case 0x360F:
      return flash_.OfferPassword(value) ? 0 : sdo_abort::kCannotStore;
    case 0x6000: process_.digitalInputs[subIndex - 1] = static_cast<std::uint8_t>(value); return 0;
    case 0x6200: process_.digitalOutputs[subIndex - 1] = static_cast<std::uint8_t>(value); return 0;
    case 0x6401: process_.analogInputs[subIndex - 1] = static_cast<std::uint16_t>(value); return 0;
    case 0x6411: process_.analogOutputs[subIndex - 1] = static_cast<std::uint16_t>(value); return 0;
    default: return sdo_abort::kWriteOfReadOnly;
  }
}

std::uint32_t CanopenSlave::FirmwareCommand(std::span<const std::uint8_t> payload) {
  if (payload.size() < kEraseLength) return sdo_abort::kLengthTooLow;
  const std::uint8_t sector = payload[1];
  FlashStatus status = FlashStatus::Ok;
  if (payload[0] == kSectorErase) {
    status = flash_.Erase(sector);
  } else if (payload[0] == kMemoryWrite) {
    if (payload.size() < kWriteHeader) return sdo_abort::kLengthTooLow;
    if (payload.size() != kWriteHeader + payload[5]) return sdo_abort::kLength;
    const std::uint32_t address = payload[2] | (payload[3] << 8) | (payload[4] << 16);
    status = flash_.Write(sector, address, payload.subspan(kWriteHeader));
  } else {
    return sdo_abort::kValueRange;
  }
  return status == FlashStatus::Ok ? 0 : sdo_abort::kValueRange;
}

void CanopenSlave::SetProcessValue(std::uint16_t index, std::uint8_t subIndex, std::uint32_t value) {
  std::lock_guard lock(mutex_);
  const Lookup found = Find(index, subIndex);
  if (!IsProcessObject(index) || subIndex == 0 || found.abort != 0) {
    throw std::invalid_argument("not an entry of the process image");
  }
  Store(index, subIndex, LittleEndian(value, found.shape.size));
}

std::uint32_t CanopenSlave::ProcessValue(std::uint16_t index, std::uint8_t subIndex) const {
  std::lock_guard lock(mutex_);
  if (!IsProcessObject(index) || subIndex == 0 || Find(index, subIndex).abort != 0) {
    throw std::invalid_argument("not an entry of the process image");
  }
  return FromLittleEndian(Value(index, subIndex));
}

}  // namespace sim
