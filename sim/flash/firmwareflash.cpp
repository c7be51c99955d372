#include "sim/flash/firmwareflash.h"

#include <algorithm>
#include <stdexcept>

namespace sim {
namespace {

constexpr std::uint8_t kErased = 0xFF;
constexpr std::size_t kMaxSectors = 256;  // sector numbers travel in one byte

}  // namespace

std::vector<FlashSector> FirmwareFlash::StandardLayout() {
  return {
      {0x10000, {"Boot", "Boot loader", "", "", 0}},
      {0x30000, {"Application", "Application image", "", "", 0}},
      {0x30000, {"Update", "Application update", "", "", 0}},
      {0x10000, {"Data", "Parameter data", "", "", 0}},
  };
}

FirmwareFlash::FirmwareFlash(std::vector<FlashSector> sectors, std::uint32_t password, FlashMode mode)
    : password_(password), mode_(mode) {
  if (sectors.empty() || sectors.size() > kMaxSectors) {
    throw std::invalid_argument("a flash needs 1 to 256 sectors");
  }
  for (FlashSector& layout : sectors) {
    if (layout.size == 0) throw std::invalid_argument("a flash sector cannot be empty");
    Sector sector{std::move(layout), {}, 0, false};
    sector.bytes.assign(sector.layout.size, kErased);
    sectors_.push_back(std::move(sector));
  }
  // A node delivered running its application holds factory firmware in its
  // boot sector: valid, so that a plain restart brings the application back.
  if (mode == FlashMode::Application) {
    sectors_[bootSector_].storedChecksum = DeviceNetSum(bootSector_);
    sectors_[bootSector_].checksumValid = true;
  }
}

FirmwareFlash::Sector* FirmwareFlash::Find(std::size_t sector) {
  return sector < sectors_.size() ? &sectors_[sector] : nullptr;
}

const FirmwareFlash::Sector* FirmwareFlash::Find(std::size_t sector) const {
  return sector < sectors_.size() ? &sectors_[sector] : nullptr;
}

std::uint32_t FirmwareFlash::SectorSize(std::size_t sector) const {
  const Sector* found = Find(sector);
  return found != nullptr ? found->layout.size : 0;
}

std::uint32_t FirmwareFlash::ReportedSize(std::size_t sector) const {
  const std::uint32_t size = SectorSize(sector);
  return size != 0 ? size - 1 : 0;
}

SectorInfo FirmwareFlash::Info(std::size_t sector) const {
  const Sector& found = sectors_.at(sector);
  return found.describedByImage ? RecordInImage(found) : found.layout.info;
}

void FirmwareFlash::SetInfo(std::size_t sector, SectorInfo info) {
  Sector& found = sectors_.at(sector);
  found.layout.info = std::move(info);
  found.describedByImage = false;
}

SectorInfo FirmwareFlash::RecordInImage(const Sector& sector) const {
  std::size_t at = kDescriptionAddress;
  // A text ends at its first NUL, or at an erased byte, or fills its field.
  const auto text = [&](std::size_t field) {
    std::string value;
    for (std::size_t i = 0; i < field; ++i) {
      const std::uint8_t byte = ByteAt(sector, at + i);
      if (byte == 0 || byte == kErased) break;
      value += static_cast<char>(byte);
    }
    at += field;
    return value;
  };
  SectorInfo info;
  info.name = text(16);
  info.description = text(32);
  info.buildDate = text(12);
  info.buildTime = text(12);
  for (std::size_t i = 0; i < 4; ++i) info.revision |= std::uint32_t{ByteAt(sector, at + i)} << (8 * i);
  return info;
}

FlashStatus FirmwareFlash::Erase(std::size_t sector) {
  Sector* found = Find(sector);
  if (found == nullptr) return FlashStatus::BadSector;
  std::ranges::fill(found->bytes, kErased);
  found->checksumValid = false;
  found->describedByImage = true;
  return FlashStatus::Ok;
}

FlashStatus FirmwareFlash::Write(std::size_t sector, std::uint32_t address, std::span<const std::uint8_t> data) {
  Sector* found = Find(sector);
  if (found == nullptr) return FlashStatus::BadSector;
  if (address > found->bytes.size() || data.size() > found->bytes.size() - address) return FlashStatus::OutOfRange;
  for (std::size_t i = 0; i < data.size(); ++i) found->bytes[address + i] &= data[i];
  found->checksumValid = false;
  return FlashStatus::Ok;
}

std::span<const std::uint8_t> FirmwareFlash::Image(std::size_t sector) const {
  const Sector* found = Find(sector);
  if (found == nullptr) return {};
  return found->bytes;
}

std::uint8_t FirmwareFlash::ByteAt(const Sector& sector, std::size_t i) const {
  return i < sector.bytes.size() ? sector.bytes[i] : kErased;
}

std::uint32_t FirmwareFlash::WordSum(const Sector& sector, std::size_t bytes) const {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    sum += static_cast<std::uint32_t>(ByteAt(sector, i) | (ByteAt(sector, i + 1) << 8));
  }
  return sum;
}

std::uint32_t FirmwareFlash::DeviceNetSum(std::size_t sector) const {
  const Sector* found = Find(sector);
  return found != nullptr ? WordSum(*found, kChecksumWindow) : 0;
}

std::uint32_t FirmwareFlash::CanopenSum(std::size_t sector, unsigned width) const {
  const Sector* found = Find(sector);
  if (found == nullptr) return 0;
  const std::size_t bytes = std::min<std::size_t>(ReportedSize(sector), kChecksumWindow);
  if (width == 16) return WordSum(*found, bytes);
  if (width != 8) return 0;
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < bytes; ++i) sum += found->bytes[i];
  return sum;
}

FlashStatus FirmwareFlash::StoreChecksum(std::size_t sector, std::uint32_t value, std::uint32_t expected) {
  Sector* found = Find(sector);
  if (found == nullptr) return FlashStatus::BadSector;
  found->storedChecksum = value;
  found->checksumValid = value == expected;
  return FlashStatus::Ok;
}

std::uint32_t FirmwareFlash::StoredChecksum(std::size_t sector) const {
  const Sector* found = Find(sector);
  return found != nullptr ? found->storedChecksum : 0;
}

bool FirmwareFlash::ChecksumValid(std::size_t sector) const {
  const Sector* found = Find(sector);
  return found != nullptr && found->checksumValid;
}

FlashStatus FirmwareFlash::SetBootSector(std::size_t sector) {
  if (Find(sector) == nullptr) return FlashStatus::BadSector;
  bootSector_ = static_cast<std::uint8_t>(sector);
  return FlashStatus::Ok;
}

bool FirmwareFlash::OfferPassword(std::uint32_t password) {
  if (password != password_) return false;
  armed_ = true;
  return true;
}

FlashMode FirmwareFlash::Restart() {
  if (armed_ || !ChecksumValid(bootSector_)) {
    mode_ = FlashMode::BootLoader;
  } else {
    mode_ = FlashMode::Application;
  }
  armed_ = false;
  return mode_;
}

}  // namespace sim
