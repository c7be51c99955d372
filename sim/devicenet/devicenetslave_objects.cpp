// The slave's objects and their explicit services: Identity (class 1),
// DeviceNet (class 3), Connection (class 5), the maker's firmware object
// (class 0xC7), and the UCMM open and close services.
#include <algorithm>

#include "platform/clock.h"
#include "sim/devicenet/devicenetslave.h"

namespace sim {
namespace {

enum Service : std::uint8_t {
  kReset = 0x05,
  kGetAttributeSingle = 0x0E,
  kSetAttributeSingle = 0x10,
  kAllocate = 0x4B,  // Open on the UCMM port
  kRelease = 0x4C,   // Close on the UCMM port
};
constexpr std::uint8_t kReplyBit = 0x80;
constexpr std::uint8_t kErrorResponse = 0x94;

enum GeneralStatus : std::uint8_t {
  kResourceUnavailable = 0x02,
  kServiceNotSupported = 0x08,
  kInvalidAttributeValue = 0x09,
  kAlreadyInRequestedMode = 0x0B,
  kObjectStateConflict = 0x0C,
  kAttributeNotSettable = 0x0E,
  kPrivilegeViolation = 0x0F,
  kNotEnoughData = 0x13,
  kAttributeNotSupported = 0x14,
  kTooMuchData = 0x15,
  kObjectDoesNotExist = 0x16,
};
constexpr std::uint8_t kNoAdditionalCode = 0xFF;
constexpr std::uint8_t kOwnedByAnotherMaster = 0x01;

enum ObjectClass : std::uint8_t { kIdentity = 0x01, kDeviceNet = 0x03, kConnection = 0x05, kFirmware = 0xC7 };

constexpr std::uint8_t kChoiceCyclic = 0x20;
constexpr std::uint8_t kChoiceReserved = 0xC8;
constexpr std::uint8_t kMaxMac = 0x3F;

constexpr std::uint16_t kDefaultExpectedPacketRate = 2500;  // ms
constexpr std::uint16_t kExplicitProducedSize = 48;
constexpr std::size_t kMaxUcmmConnections = 4;
constexpr std::uint8_t kBodyFormat8x8 = 0x00;
constexpr std::uint8_t kGroup3 = 3;
constexpr std::uint8_t kHighestMessageId = 4;  // 5 and 6 are UCMM's, 7 overlaps Group 4
constexpr std::uint8_t kOwnMessageId = 1;

// Firmware object attributes.
enum FirmwareAttribute : std::uint8_t {
  kCommand = 3,
  kSectorSelect = 7,
  kSectorName = 8,
  kSectorDescription = 9,
  kBuildDate = 10,
  kBuildTime = 11,
  kRevision = 12,
  kChecksum = 13,
  kBootSector = 14,
  kSectorCount = 16,
  kSectorSize = 17,
  kPassword = 18,
};
enum FirmwareCommandCode : std::uint8_t { kMemoryWrite = 0x02, kSectorErase = 0x03 };
constexpr std::size_t kMemoryWriteHeader = 6;
constexpr std::size_t kMaxMemoryWrite = 32;
constexpr std::size_t kEraseLength = 2;

std::vector<std::uint8_t> Uint(std::uint16_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
}

std::vector<std::uint8_t> Udint(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::vector<std::uint8_t> ShortString(const std::string& text, std::size_t maxLength) {
  const std::size_t length = std::min(text.size(), maxLength);
  std::vector<std::uint8_t> data(length + 1);
  data[0] = static_cast<std::uint8_t>(length);
  std::copy_n(text.begin(), length, data.begin() + 1);
  return data;
}

std::uint32_t LittleEndian(std::span<const std::uint8_t> bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

using Reply = ExplicitReply;

Reply Success(std::uint8_t service, std::vector<std::uint8_t> data = {}) {
  return {static_cast<std::uint8_t>(service | kReplyBit), std::move(data)};
}

Reply Error(std::uint8_t general, std::uint8_t additional = kNoAdditionalCode) {
  return {kErrorResponse, {general, additional}};
}

// Not enough or too much data for a value of exactly `expected` bytes.
std::optional<Reply> WrongLength(std::size_t actual, std::size_t expected) {
  if (actual < expected) return Error(kNotEnoughData);
  if (actual > expected) return Error(kTooMuchData);
  return std::nullopt;
}

}  // namespace

Reply DeviceNetSlave::Execute(Port port, std::uint8_t service, std::span<const std::uint8_t> body,
                              std::uint64_t nowUs) {
  if (body.size() < 2) return Error(kNotEnoughData);
  const std::uint8_t objectClass = body[0];
  const std::uint8_t instance = body[1];
  const std::span<const std::uint8_t> args = body.subspan(2);
  const bool allocationService = objectClass == kDeviceNet && (service == kAllocate || service == kRelease);
  if (port == Port::Group2 && !allocationService) return Error(kServiceNotSupported);
  if (objectClass == kConnection) return ConnectionService(service, instance, args, nowUs);
  if (instance != 1) return Error(kObjectDoesNotExist);
  switch (objectClass) {
    case kIdentity:
      return IdentityService(service, args, nowUs);
    case kDeviceNet:
      return DeviceNetService(service, args, nowUs);
    case kFirmware:
      return FirmwareService(service, args);
    default:
      return Error(kObjectDoesNotExist);
  }
}

// ---- Identity object ----

Reply DeviceNetSlave::IdentityService(std::uint8_t service, std::span<const std::uint8_t> args, std::uint64_t nowUs) {
  if (service == kReset) {
    // Optional reset type: 0 as a power cycle, 1 back to the out-of-box state;
    // the simulated node restarts the same way for both.
    if (args.size() > 1) return Error(kTooMuchData);
    if (args.size() == 1 && args[0] > 1) return Error(kInvalidAttributeValue);
    // The answer leaves first (after any delay fault holds it), then the node
    // drops off the bus and starts up again.
    resetDueUs_ = nowUs + static_cast<std::uint64_t>((faults_.answerDelay + config_.resetDropOff).count()) * 1000;
    return Success(service);
  }
  if (service != kGetAttributeSingle && service != kSetAttributeSingle) return Error(kServiceNotSupported);
  if (args.empty()) return Error(kNotEnoughData);
  const std::uint8_t attribute = args[0];
  constexpr std::uint8_t kLastAttribute = 7;
  if (attribute < 1 || attribute > kLastAttribute) return Error(kAttributeNotSupported);
  if (service == kSetAttributeSingle) return Error(kAttributeNotSettable);
  if (args.size() > 1) return Error(kTooMuchData);
  switch (attribute) {
    case 1:
      return Success(service, Uint(config_.vendor));
    case 2:
      return Success(service, Uint(config_.deviceType));
    case 3:
      return Success(service, Uint(ProductCode()));
    case 4:
      return Success(service, {config_.revisionMajor, config_.revisionMinor});
    case 5:
      return Success(service, Uint(config_.status));
    case 6:
      return Success(service, Udint(config_.serial));
    default:
      return Success(service, ShortString(config_.productName, config_.productName.size()));
  }
}

std::uint16_t DeviceNetSlave::ProductCode() const {
  if (flash_.Mode() == FlashMode::BootLoader) return config_.productCode | kBootLoaderProductBit;
  return config_.productCode;
}

// ---- DeviceNet object ----

Reply DeviceNetSlave::DeviceNetService(std::uint8_t service, std::span<const std::uint8_t> args,
                                       std::uint64_t nowUs) {
  switch (service) {
    case kAllocate:
      if (auto wrong = WrongLength(args.size(), 2)) return *wrong;
      return Allocate(args[0], args[1], nowUs);
    case kRelease:
      if (auto wrong = WrongLength(args.size(), 1)) return *wrong;
      return Release(args[0]);
    case kGetAttributeSingle: {
      if (auto wrong = WrongLength(args.size(), 1)) return *wrong;
      constexpr std::uint8_t kMacAttribute = 1;
      constexpr std::uint8_t kAllocationAttribute = 5;
      if (args[0] == kMacAttribute) return Success(service, {config_.mac});
      if (args[0] == kAllocationAttribute) return Success(service, {allocated_, owner_});
      return Error(kAttributeNotSupported);
    }
    case kSetAttributeSingle:
      if (args.empty()) return Error(kNotEnoughData);
      return Error(args[0] == 1 || args[0] == 5 ? kAttributeNotSettable : kAttributeNotSupported);
    default:
      return Error(kServiceNotSupported);
  }
}

Reply DeviceNetSlave::Allocate(std::uint8_t choice, std::uint8_t allocator, std::uint64_t nowUs) {
  const bool bothCosAndCyclic = ((choice | allocated_) & (kChoiceCos | kChoiceCyclic)) == (kChoiceCos | kChoiceCyclic);
  if (choice == 0 || (choice & kChoiceReserved) != 0 || bothCosAndCyclic || allocator > kMaxMac) {
    return Error(kInvalidAttributeValue);
  }
  if (owner_ != kNoOwner && owner_ != allocator) return Error(kObjectStateConflict, kOwnedByAnotherMaster);
  if (config_.strict && (choice & allocated_) != 0) return Error(kAlreadyInRequestedMode);
  const std::uint8_t added = choice & ~allocated_;
  const auto open = [&](std::size_t instance, std::uint8_t state, std::uint16_t produced, std::uint16_t consumed,
                        std::uint16_t rate) {
    connections_[instance] = Connection{state, produced, consumed, rate, nowUs};
  };
  if ((added & kChoiceExplicit) != 0) {
    open(1, Connection::kEstablished, kExplicitProducedSize, static_cast<std::uint16_t>(config_.explicitCapacity),
         kDefaultExpectedPacketRate);
  }
  if ((added & kChoicePoll) != 0) open(2, Connection::kConfiguring, config_.io.pollProduced, config_.io.pollConsumed, 0);
  if ((added & kChoiceStrobe) != 0) open(3, Connection::kConfiguring, config_.io.strobeProduced, 8, 0);
  if ((added & (kChoiceCos | kChoiceCyclic)) != 0) open(4, Connection::kConfiguring, config_.io.cosProduced, 0, 0);
  if ((choice & kChoiceExplicit) != 0) connections_[1].lastActivityUs = nowUs;
  allocated_ |= choice;
  owner_ = allocator;
  return Success(kAllocate, {kBodyFormat8x8});
}

Reply DeviceNetSlave::Release(std::uint8_t choice) {
  ReleaseBits(choice & allocated_);
  return Success(kRelease);
}

void DeviceNetSlave::ReleaseBits(std::uint8_t choice) {
  if ((choice & kChoiceExplicit) != 0) {
    connections_[1] = {};
    predefinedLink_.Reset();
  }
  if ((choice & kChoicePoll) != 0) {
    connections_[2] = {};
    pollAssembler_.Reset();
  }
  if ((choice & kChoiceStrobe) != 0) connections_[3] = {};
  if ((choice & (kChoiceCos | kChoiceCyclic)) != 0) connections_[4] = {};
  allocated_ &= static_cast<std::uint8_t>(~choice);
  if (allocated_ == 0) owner_ = kNoOwner;
}

// ---- Connection object ----

DeviceNetSlave::Connection* DeviceNetSlave::FindConnection(std::uint8_t instance) {
  if (instance >= 1 && instance < connections_.size()) {
    Connection& connection = connections_[instance];
    return connection.state == Connection::kNonExistent ? nullptr : &connection;
  }
  const auto found = ucmm_.find(instance);
  return found != ucmm_.end() ? &found->second.connection : nullptr;
}

Reply DeviceNetSlave::ConnectionService(std::uint8_t service, std::uint8_t instance,
                                        std::span<const std::uint8_t> args, std::uint64_t nowUs) {
  if (instance == 0) {
    // The master resets the class to revive a faulted node's I/O; a node that
    // follows the published specification refuses it.
    if (service != kReset || config_.strict) return Error(kServiceNotSupported);
    for (std::size_t io : {2, 3}) {
      if (connections_[io].state == Connection::kTimedOut) {
        connections_[io].state = Connection::kEstablished;
        connections_[io].lastActivityUs = nowUs;
      }
    }
    return Success(service);
  }
  Connection* connection = FindConnection(instance);
  if (connection == nullptr) return Error(kObjectDoesNotExist);
  if (service == kReset) {
    if (connection->state == Connection::kTimedOut) connection->state = Connection::kEstablished;
    connection->lastActivityUs = nowUs;
    return Success(service);
  }
  if (service != kGetAttributeSingle && service != kSetAttributeSingle) return Error(kServiceNotSupported);
  if (args.empty()) return Error(kNotEnoughData);
  constexpr std::uint8_t kState = 1, kProducedSize = 7, kConsumedSize = 8, kExpectedPacketRate = 9;
  const std::uint8_t attribute = args[0];
  const std::span<const std::uint8_t> value = args.subspan(1);
  if (service == kGetAttributeSingle) {
    if (!value.empty()) return Error(kTooMuchData);
    switch (attribute) {
      case kState:
        return Success(service, {connection->state});
      case kProducedSize:
        return Success(service, Uint(connection->produced));
      case kConsumedSize:
        return Success(service, Uint(connection->consumed));
      case kExpectedPacketRate:
        return Success(service, Uint(connection->expectedPacketRate));
      default:
        return Error(kAttributeNotSupported);
    }
  }
  if (attribute == kState || attribute == kProducedSize || attribute == kConsumedSize) {
    return Error(kAttributeNotSettable);
  }
  if (attribute != kExpectedPacketRate) return Error(kAttributeNotSupported);
  if (auto wrong = WrongLength(value.size(), 2)) return *wrong;
  connection->expectedPacketRate = static_cast<std::uint16_t>(LittleEndian(value));
  connection->lastActivityUs = nowUs;
  if (connection->state == Connection::kConfiguring) connection->state = Connection::kEstablished;
  if (connection == &connections_[4]) nextProductionUs_ = nowUs + connection->expectedPacketRate * 1000ull;
  return Success(service);
}

// ---- firmware object ----

Reply DeviceNetSlave::FirmwareService(std::uint8_t service, std::span<const std::uint8_t> args) {
  if (service != kGetAttributeSingle && service != kSetAttributeSingle) return Error(kServiceNotSupported);
  if (args.empty()) return Error(kNotEnoughData);
  if (service == kSetAttributeSingle) return FirmwareSet(args[0], args.subspan(1));
  if (args.size() > 1) return Error(kTooMuchData);
  return FirmwareGet(args[0]);
}

Reply DeviceNetSlave::FirmwareGet(std::uint8_t attribute) {
  constexpr std::uint8_t get = kGetAttributeSingle;
  const SectorInfo info = flash_.Info(selectedSector_);
  switch (attribute) {
    case kSectorSelect:
      return Success(get, {selectedSector_});
    case kSectorName:
      return Success(get, ShortString(info.name, 15));
    case kSectorDescription:
      return Success(get, ShortString(info.description, 31));
    case kBuildDate:
      return Success(get, ShortString(info.buildDate, 11));
    case kBuildTime:
      return Success(get, ShortString(info.buildTime, 11));
    case kRevision:
      return Success(get, Udint(info.revision));
    case kChecksum:
      return Success(get, Udint(flash_.DeviceNetSum(selectedSector_)));
    case kBootSector:
      return Success(get, {flash_.BootSector()});
    case kSectorCount:
      return Success(get, {static_cast<std::uint8_t>(flash_.SectorCount())});
    case kSectorSize:
      return Success(get, Udint(flash_.ReportedSize(selectedSector_)));
    default:
      return Error(kAttributeNotSupported);  // also the write-only command and password
  }
}

Reply DeviceNetSlave::FirmwareSet(std::uint8_t attribute, std::span<const std::uint8_t> value) {
  constexpr std::uint8_t set = kSetAttributeSingle;
  switch (attribute) {
    case kCommand:
      return FirmwareCommand(value);
    case kSectorSelect:
      if (auto wrong = WrongLength(value.size(), 1)) return *wrong;
      if (value[0] >= flash_.SectorCount()) return Error(kInvalidAttributeValue);
      selectedSector_ = value[0];
      return Success(set);
    case kChecksum: {
      if (auto wrong = WrongLength(value.size(), 4)) return *wrong;
      if (faults_.refuseChecksum) return Error(kObjectStateConflict);
      const std::uint32_t own = flash_.DeviceNetSum(selectedSector_);
      flash_.StoreChecksum(selectedSector_, LittleEndian(value), own);
      // A checksum that does not match the sector is stored but marked
      // invalid, and refused, so that the program cannot take a corrupt
      // download for a good one.
      return flash_.ChecksumValid(selectedSector_) ? Success(set) : Error(kInvalidAttributeValue);
    }
    case kBootSector:
      if (auto wrong = WrongLength(value.size(), 1)) return *wrong;
      if (flash_.SetBootSector(value[0]) != FlashStatus::Ok) return Error(kInvalidAttributeValue);
      return Success(set);
    case kPassword:
      if (auto wrong = WrongLength(value.size(), 4)) return *wrong;
      if (!flash_.OfferPassword(LittleEndian(value))) return Error(kPrivilegeViolation);
      return Success(set);
    case kSectorName:
    case kSectorDescription:
    case kBuildDate:
    case kBuildTime:
    case kRevision:
    case kSectorCount:
    case kSectorSize:
      return Error(kAttributeNotSettable);
    default:
      return Error(kAttributeNotSupported);
  }
}

Reply DeviceNetSlave::FirmwareCommand(std::span<const std::uint8_t> payload) {
  constexpr std::uint8_t set = kSetAttributeSingle;
  if (flash_.Mode() != FlashMode::BootLoader) return Error(kObjectStateConflict);
  if (payload.empty()) return Error(kNotEnoughData);
  if (payload[0] == kSectorErase) {
    if (auto wrong = WrongLength(payload.size(), kEraseLength)) return *wrong;
    return flash_.Erase(payload[1]) == FlashStatus::Ok ? Success(set) : Error(kInvalidAttributeValue);
  }
  if (payload[0] != kMemoryWrite) return Error(kInvalidAttributeValue);
  if (payload.size() < kMemoryWriteHeader) return Error(kNotEnoughData);
  const std::size_t length = payload[5];
  if (length < 1 || length > kMaxMemoryWrite) return Error(kInvalidAttributeValue);
  if (auto wrong = WrongLength(payload.size(), kMemoryWriteHeader + length)) return *wrong;
  const std::uint32_t address = LittleEndian(payload.subspan(2, 3));
  const FlashStatus status = flash_.Write(payload[1], address, payload.subspan(kMemoryWriteHeader));
  return status == FlashStatus::Ok ? Success(set) : Error(kInvalidAttributeValue);
}

// ---- UCMM ----

Reply DeviceNetSlave::UcmmOpen(std::uint8_t client, std::span<const std::uint8_t> args, std::uint64_t nowUs) {
  // The master takes any refusal but "object state conflict" as a reason to
  // try again for ever, so every refusal uses it.
  const Reply refuse = Error(kObjectStateConflict);
  if (args.size() != 2) return refuse;
  const std::uint8_t bodyFormat = args[0] & 0x0F;
  const std::uint8_t group = args[1] >> 4;
  const std::uint8_t clientMessageId = args[1] & 0x0F;
  if (bodyFormat != kBodyFormat8x8 || group != kGroup3 || clientMessageId > kHighestMessageId) return refuse;
  // A client opening again has lost its old connection: replace it.
  std::erase_if(ucmm_, [client](const auto& entry) { return entry.second.client == client; });
  if (ucmm_.size() >= kMaxUcmmConnections) return refuse;
  const std::uint16_t instance = nextUcmmInstance_;
  nextUcmmInstance_ = nextUcmmInstance_ == 0xFFFF ? 5 : nextUcmmInstance_ + 1;
  ExplicitLink link(kGroup3Base + kOwnMessageId * 64u + config_.mac, config_.explicitCapacity, true,
                    [this](const CanFrame& frame) { Emit(frame, platform::NowMicroseconds()); });
  const Connection connection{Connection::kEstablished, kExplicitProducedSize,
                              static_cast<std::uint16_t>(config_.explicitCapacity), kDefaultExpectedPacketRate, nowUs};
  ucmm_.emplace(instance, UcmmConnection{client, clientMessageId, connection, std::move(link)});
  return Success(kAllocate, {kBodyFormat8x8, static_cast<std::uint8_t>(clientMessageId << 4 | kOwnMessageId),
                             static_cast<std::uint8_t>(instance), static_cast<std::uint8_t>(instance >> 8)});
}

Reply DeviceNetSlave::UcmmClose(std::uint8_t client, std::span<const std::uint8_t> args) {
  if (auto wrong = WrongLength(args.size(), 2)) return *wrong;
  const auto found = ucmm_.find(static_cast<std::uint16_t>(LittleEndian(args)));
  if (found == ucmm_.end() || found->second.client != client) return Error(kObjectDoesNotExist);
  ucmm_.erase(found);
  return Success(kRelease);
}

}  // namespace sim
