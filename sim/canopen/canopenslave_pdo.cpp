// The PDOs of the simulated CANopen slave: communication and mapping
// parameters (0x1400, 0x1600, 0x1800, 0x1A00 + k), TPDOs answered on remote
// request and RPDOs consumed, both over the process image, while operational.
#include <algorithm>

#include "sim/canopen/canopenslave.h"

namespace sim {
namespace {

using canopen_detail::Access;
using canopen_detail::Lookup;
using canopen_detail::ObjectShape;

constexpr std::uint16_t kRpdoCommunication = 0x1400;
constexpr std::uint16_t kRpdoMapping = 0x1600;
constexpr std::uint16_t kTpdoCommunication = 0x1800;
constexpr std::uint16_t kTpdoMapping = 0x1A00;

constexpr std::uint8_t kCommunicationEntries = 5;
constexpr std::uint32_t kPdoInvalid = 0x80000000;
constexpr std::uint32_t kExtendedFrame = 0x20000000;
constexpr std::uint32_t kMaxPdoBits = 64;

// Sub-indices of the communication parameter, by their value sizes.
constexpr std::size_t kCommunicationSizes[] = {1, 4, 1, 2, 1, 2};

struct PdoObject {
  bool transmit;
  bool mapping;
  std::size_t number;
};

std::optional<PdoObject> Classify(std::uint16_t index) {
  const auto in = [&](std::uint16_t base) { return index >= base && index < base + CanopenSlave::kPdoCount; };
  if (in(kRpdoCommunication)) return PdoObject{false, false, std::size_t(index - kRpdoCommunication)};
  if (in(kRpdoMapping)) return PdoObject{false, true, std::size_t(index - kRpdoMapping)};
  if (in(kTpdoCommunication)) return PdoObject{true, false, std::size_t(index - kTpdoCommunication)};
  if (in(kTpdoMapping)) return PdoObject{true, true, std::size_t(index - kTpdoMapping)};
  return std::nullopt;
}

std::uint16_t MappedIndex(std::uint32_t entry) { return static_cast<std::uint16_t>(entry >> 16); }
std::uint8_t MappedSubIndex(std::uint32_t entry) { return static_cast<std::uint8_t>(entry >> 8); }
std::uint32_t MappedBits(std::uint32_t entry) { return entry & 0xFF; }

std::uint32_t MappedBitsOf(std::span<const std::uint32_t> entries) {
  std::uint32_t bits = 0;
  for (std::uint32_t entry : entries) bits += MappedBits(entry);
  return bits;
}

std::vector<std::uint8_t> LittleEndian(std::uint32_t value, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
  return bytes;
}

}  // namespace

void CanopenSlave::ResetPdos() {
  // TPDO k on 0x180 + 0x100 k + node, RPDO k on 0x200 + 0x100 k + node; the
  // first two of each carry two digital, then two analog channels.
  for (std::size_t k = 0; k < kPdoCount; ++k) {
    tpdos_[k] = Pdo{};
    rpdos_[k] = Pdo{};
    tpdos_[k].cobId = static_cast<std::uint32_t>(0x180 + 0x100 * k + config_.node);
    rpdos_[k].cobId = static_cast<std::uint32_t>(0x200 + 0x100 * k + config_.node);
  }
  tpdos_[0].mappedCount = 2;
  tpdos_[0].mapping[0] = 0x60000108;
  tpdos_[0].mapping[1] = 0x60000208;
  tpdos_[1].mappedCount = 2;
  tpdos_[1].mapping[0] = 0x64010110;
  tpdos_[1].mapping[1] = 0x64010210;
  rpdos_[0].mappedCount = 2;
  rpdos_[0].mapping[0] = 0x62000108;
  rpdos_[0].mapping[1] = 0x62000208;
  rpdos_[1].mappedCount = 2;
  rpdos_[1].mapping[0] = 0x64110110;
  rpdos_[1].mapping[1] = 0x64110210;
}

CanopenSlave::Pdo* CanopenSlave::FindPdo(std::uint16_t index, bool* transmit) {
  const std::optional<PdoObject> object = Classify(index);
  if (!object) return nullptr;
  if (transmit != nullptr) *transmit = object->transmit;
  return &(object->transmit ? tpdos_ : rpdos_)[object->number];
}

const CanopenSlave::Pdo* CanopenSlave::FindPdo(std::uint16_t index) const {
  return const_cast<CanopenSlave*>(this)->FindPdo(index);
}

std::optional<CanopenSlave::Lookup> CanopenSlave::FindPdoObject(std::uint16_t index, std::uint8_t subIndex) const {
  const std::optional<PdoObject> object = Classify(index);
  if (!object) return std::nullopt;
  if (object->mapping) {
    if (subIndex == 0) return Lookup{0, ObjectShape{Access::ReadWrite, 1}};
    if (subIndex <= kMaxMappedObjects) return Lookup{0, ObjectShape{Access::ReadWrite, 4}};
    return Lookup{sdo_abort::kNoSubIndex, {}};
  }
  if (subIndex > kCommunicationEntries) return Lookup{sdo_abort::kNoSubIndex, {}};
  const Access access = subIndex == 0 ? Access::ReadOnly : Access::ReadWrite;
  return Lookup{0, ObjectShape{access, kCommunicationSizes[subIndex]}};
}

std::vector<std::uint8_t> CanopenSlave::PdoValue(std::uint16_t index, std::uint8_t subIndex) const {
  const Pdo& pdo = *FindPdo(index);
  if (Classify(index)->mapping) {
    return subIndex == 0 ? std::vector{pdo.mappedCount} : LittleEndian(pdo.mapping[subIndex - 1], 4);
  }
  const std::uint32_t values[] = {kCommunicationEntries, pdo.cobId, pdo.transmissionType, pdo.inhibitTime,
                                  pdo.compatibility, pdo.eventTimer};
  return LittleEndian(values[subIndex], kCommunicationSizes[subIndex]);
}

std::uint32_t CanopenSlave::StorePdo(std::uint16_t index, std::uint8_t subIndex, std::uint32_t value) {
  bool transmit = false;
  Pdo& pdo = *FindPdo(index, &transmit);
  if (!Classify(index)->mapping) {
    switch (subIndex) {
      case 1: pdo.cobId = value; break;
      case 2: pdo.transmissionType = static_cast<std::uint8_t>(value); break;
      case 3: pdo.inhibitTime = static_cast<std::uint16_t>(value); break;
      case 4: pdo.compatibility = static_cast<std::uint8_t>(value); break;
      default: pdo.eventTimer = static_cast<std::uint16_t>(value); break;
    }
    return 0;
  }
  // The mapping as it would be after the write must fit one frame.
  Pdo changed = pdo;
  if (subIndex == 0) {
    if (value > kMaxMappedObjects) return sdo_abort::kValueRange;
    changed.mappedCount = static_cast<std::uint8_t>(value);
  } else {
    if (const std::uint32_t refused = CheckMapping(transmit, value); refused != 0) return refused;
    changed.mapping[subIndex - 1] = value;
  }
  if (MappedBitsOf(std::span(changed.mapping).first(changed.mappedCount)) > kMaxPdoBits) {
    return sdo_abort::kMappingTooLong;
  }
  pdo = changed;
  return 0;
}

std::uint32_t CanopenSlave::CheckMapping(bool transmit, std::uint32_t entry) const {
  if (entry == 0) return 0;  // an empty entry maps nothing
  const std::uint16_t index = MappedIndex(entry);
  const bool writable = index == 0x6200 || index == 0x6411;
  const bool readable = writable || index == 0x6000 || index == 0x6401;
  const Lookup found = Find(index, MappedSubIndex(entry));
  if (found.abort != 0 || MappedSubIndex(entry) == 0 || !(transmit ? readable : writable) ||
      MappedBits(entry) != found.shape.size * 8) {
    return sdo_abort::kNotMappable;
  }
  return 0;
}

const CanopenSlave::Pdo* CanopenSlave::PdoForFrame(const std::array<Pdo, kPdoCount>& pdos, std::uint32_t id) {
  for (const Pdo& pdo : pdos) {
    if ((pdo.cobId & (kPdoInvalid | kExtendedFrame)) == 0 && (pdo.cobId & CanFrame::kMaxStandardId) == id) return &pdo;
  }
  return nullptr;
}

void CanopenSlave::OnTpdoRequest(const Pdo& pdo, std::uint64_t nowUs) {
  CanFrame frame;
  frame.id = pdo.cobId & CanFrame::kMaxStandardId;
  for (std::uint32_t entry : std::span(pdo.mapping).first(pdo.mappedCount)) {
    if (entry == 0) continue;
    for (std::uint8_t byte : Value(MappedIndex(entry), MappedSubIndex(entry))) frame.data[frame.dlc++] = byte;
  }
  Emit(frame, nowUs);
}

void CanopenSlave::OnRpdo(const Pdo& pdo, std::span<const std::uint8_t> payload) {
  const std::span<const std::uint32_t> entries = std::span(pdo.mapping).first(pdo.mappedCount);
  // A frame shorter than the mapping is not taken (CiA 301 would also report it).
  if (payload.size() * 8 < MappedBitsOf(entries)) return;
  for (std::uint32_t entry : entries) {
    if (entry == 0) continue;
    const std::size_t bytes = MappedBits(entry) / 8;
    Store(MappedIndex(entry), MappedSubIndex(entry), payload.first(bytes));
    payload = payload.subspan(bytes);
  }
}

}  // namespace sim
