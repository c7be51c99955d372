#include "sim/qx24x/qx24xmodule.h"

#include <algorithm>

namespace sim {
namespace {

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
         std::uint32_t(bytes[at + 2]) << 16 | std::uint32_t(bytes[at + 3]) << 24;
}

std::vector<std::uint8_t> LittleEndian(std::uint32_t value, std::size_t size) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < size; ++i) bytes.push_back(std::uint8_t(value >> (8 * i)));
  return bytes;
}

// The description record a sector carries at 0x400: name, description,
// build date and build time as NUL-padded texts of 16, 32, 12 and 12 bytes
// (each cut to leave its NUL), then the revision, little-endian.
std::vector<std::uint8_t> DescriptionRecord(const SectorInfo& info) {
  std::vector<std::uint8_t> record;
  for (const auto& [text, size] : {std::pair<const std::string&, std::size_t>{info.name, 16},
                                   {info.description, 32}, {info.buildDate, 12}, {info.buildTime, 12}}) {
    const std::size_t length = std::min(text.size(), size - 1);
    record.insert(record.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
    record.resize(record.size() + size - length, 0);
  }
  const std::vector<std::uint8_t> revision = LittleEndian(info.revision, 4);
  record.insert(record.end(), revision.begin(), revision.end());
  return record;
}

std::vector<FlashSector> Layout(std::uint32_t sectorSize) {
  return std::vector<FlashSector>(Qx24xModule::kSectors, FlashSector{sectorSize, {}});
}

// Bytes a command needs after its code.
std::size_t ArgumentsOf(std::uint8_t code) {
  switch (code) {
    case 0x04: case 0x15: case 0x16: case 0x81: case 0x82: case 0x83: case 0x84: return 1;
    case 0x91: case 0xF0: return 4;
    case 0x90: return 5;
    default: return 0;
  }
}

}  // namespace

Qx24xModule::Qx24xModule(Qx24xModuleOptions options)
    : options_(std::move(options)),
      flash_(Layout(options_.sectorSize), options_.password, FlashMode::Application) {
  options_.productName.resize(std::min<std::size_t>(options_.productName.size(), 7));
  state_.serialNumber = options_.serialNumber;
  // Delivered with its boot loader in sector 0 and an application in
  // sector 1, both checked, running the application.
  const std::uint32_t revision = std::uint32_t(options_.firmwareMajor) << 16 | options_.firmwareMinor;
  InstallFactoryImage(0, {"Boot Loader", "QX24X boot loader", "Nov 04 2026", "09:12:44", revision});
  InstallFactoryImage(1, {"Application", "QX24X application", "Nov 04 2026", "09:14:02", revision});
  flash_.SetBootSector(1);
}

void Qx24xModule::InstallFactoryImage(std::uint8_t sector, const SectorInfo& info) {
  std::vector<std::uint8_t> image(kDescriptionAddress);
  for (std::size_t i = 0; i < kDescriptionAddress; ++i) image[i] = std::uint8_t(i * 7 + sector);
  const std::vector<std::uint8_t> record = DescriptionRecord(info);
  image.insert(image.end(), record.begin(), record.end());
  flash_.Write(sector, 0, image);
  const std::uint32_t sum = SumOf(sector);
  flash_.StoreChecksum(sector, sum, sum);
}

std::optional<std::vector<std::uint8_t>> Qx24xModule::Query(std::span<const std::uint8_t> command) {
  if (command.empty() || command.size() < 1 + ArgumentsOf(command[0])) return std::nullopt;
  const std::uint8_t code = command[0];
  const std::uint8_t sector = command.size() > 1 ? command[1] : 0;
  const bool sectorExists = sector < kSectors;
  std::lock_guard lock(mutex_);
  state_.commands.emplace_back(command.begin(), command.end());
  switch (code) {
    case 0x01: return std::vector<std::uint8_t>{flash_.BootSector()};
    case 0x02: return std::vector<std::uint8_t>{state_.activeSector};
    case 0x04:
      if (!sectorExists) return std::nullopt;
      return LittleEndian(flash_.SectorSize(sector), 4);
    case 0x15:
      if (!sectorExists) return std::nullopt;
      return LittleEndian(flash_.StoredChecksum(sector), 4);
    case 0x16:
      if (!sectorExists) return std::nullopt;
      return std::vector<std::uint8_t>{std::uint8_t(flash_.ChecksumValid(sector) ? 1 : 0)};
    case 0x70:
      return LittleEndian(std::uint32_t(options_.firmwareMajor) << 16 | options_.firmwareMinor, 4);
    case 0x71:
      return LittleEndian(std::uint32_t(options_.hardwareMajor) << 16 | options_.hardwareMinor, 4);
    case 0x75: return std::vector<std::uint8_t>{state_.mode};
    case 0x76: return LittleEndian(state_.serialNumber, 4);
    case 0x77: return LittleEndian(options_.deviceType, 4);
    case 0x78: return LittleEndian(options_.productCode, 4);
    case 0x79: return std::vector<std::uint8_t>(options_.productName.begin(), options_.productName.end());
    default: return std::nullopt;
  }
}

bool Qx24xModule::Apply(std::span<const std::uint8_t> command) {
  if (command.empty() || command.size() < 1 + ArgumentsOf(command[0])) return false;
  const std::uint8_t code = command[0];
  const std::uint8_t sector = command.size() > 1 ? command[1] : 0;
  // Sector 0 holds the boot loader, which the boot loader does not change.
  const bool writable = sector >= 1 && sector < kSectors;
  std::optional<std::uint8_t> restartMode;
  {
    std::lock_guard lock(mutex_);
    state_.commands.emplace_back(command.begin(), command.end());
    switch (code) {
      case 0x81:
        if (!writable || !ChangesFlash()) return false;
        flash_.Erase(sector);
        break;
      case 0x82:
        if (sector >= kSectors || !ChangesFlash()) return false;
        flash_.SetBootSector(sector);
        break;
      case 0x83:
        if (sector >= kSectors) return false;
        state_.activeSector = sector;
        restartMode = flash_.ChecksumValid(sector) ? kApplicationMode : kBootLoaderMode;
        break;
      case 0x84:
        if (sector >= kSectors) return false;
        state_.activeSector = sector;
        break;
      case 0x90:
        if (sector >= kSectors || !ChangesFlash()) return false;
        flash_.StoreChecksum(sector, ReadU32(command, 2), SumOf(sector));
        break;
      case 0x91: state_.serialNumber = ReadU32(command, 1); break;
      case 0xF0:
        if (!flash_.OfferPassword(ReadU32(command, 1))) return false;
        break;
      case 0xF1:
        restartMode = flash_.Restart() == FlashMode::Application ? kApplicationMode : kBootLoaderMode;
        break;
      case 0x8F: case 0xF2: break;  // controller reset at open, link closing
      default: return false;
    }
  }
  if (restartMode) Restart(*restartMode);
  return true;
}

void Qx24xModule::RestartIntoBootLoader() {
  std::uint8_t mode;
  {
    std::lock_guard lock(mutex_);
    mode = flash_.Restart() == FlashMode::Application ? kApplicationMode : kBootLoaderMode;
  }
  Restart(mode);
}

void Qx24xModule::Restart(std::uint8_t mode) {
  std::function<void()> listener;
  {
    std::lock_guard lock(mutex_);
    state_.mode = mode;
    ++state_.restarts;
    listener = restartListener_;
  }
  if (listener) listener();
}

bool Qx24xModule::WriteFirmware(std::uint8_t sector, std::uint32_t address,
                                std::span<const std::uint8_t> data, std::vector<std::uint8_t>* stored) {
  std::lock_guard lock(mutex_);
  ++state_.firmwareTransfers;
  if (sector < 1 || sector >= kSectors || !ChangesFlash()) return false;
  if (flash_.Write(sector, address, data) != FlashStatus::Ok) return false;
  const auto image = flash_.Image(sector);
  stored->assign(image.begin() + address, image.begin() + address + data.size());
  return true;
}

std::optional<std::vector<std::uint8_t>> Qx24xModule::ReadFirmware(std::uint8_t sector,
                                                                   std::uint32_t address,
                                                                   std::size_t length) {
  std::lock_guard lock(mutex_);
  ++state_.firmwareTransfers;
  const auto image = flash_.Image(sector);
  if (address > image.size() || length > image.size() - address) return std::nullopt;
  return std::vector<std::uint8_t>(image.begin() + address, image.begin() + address + length);
}

std::uint32_t Qx24xModule::ContentsSum(std::uint8_t sector) const {
  std::lock_guard lock(mutex_);
  return SumOf(sector);
}

std::uint32_t Qx24xModule::SumOf(std::uint8_t sector) const {
  const auto image = flash_.Image(sector);
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < image.size(); i += 2) sum += std::uint32_t(image[i] | image[i + 1] << 8);
  return sum;
}

std::vector<std::uint8_t> Qx24xModule::SectorImage(std::uint8_t sector) const {
  std::lock_guard lock(mutex_);
  const auto image = flash_.Image(sector);
  return {image.begin(), image.end()};
}

Qx24xModuleState Qx24xModule::State() const {
  std::lock_guard lock(mutex_);
  Qx24xModuleState state = state_;
  state.bootSector = flash_.BootSector();
  return state;
}

void Qx24xModule::SetRestartListener(std::function<void()> listener) {
  std::lock_guard lock(mutex_);
  restartListener_ = std::move(listener);
}

}  // namespace sim
