#pragma once
// The bench's QX24X interface module, whatever carries its commands: eight
// flash sectors with real flash behaviour (erase before write, a
// description record at 0x400 of each sector, stored checksums checked
// against the contents), boot and active sector, and the restarts that
// executing a sector, the module reset and the upgrade mode cause. Mode 1
// is the application, mode 0 the boot loader, which alone changes flash.
// The serial and USB fronts (qx24xserialport.h, qx24xusbdevice.h) carry it.
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/flash/firmwareflash.h"

namespace sim {

struct Qx24xModuleOptions {
  // The confirmation code the upgrade mode command must carry.
  std::uint32_t password = 0x24F0C0DE;
  std::uint32_t serialNumber = 0x24F00001;
  std::uint32_t deviceType = 0x24F;
  std::uint32_t productCode = 0x24F01;
  std::string productName = "QX24X";  // at most 7 characters
  std::uint16_t firmwareMajor = 3, firmwareMinor = 2;
  std::uint16_t hardwareMajor = 1, hardwareMinor = 0;
  std::uint32_t sectorSize = 0x10000;
};

struct Qx24xModuleState {
  std::uint8_t mode = 1;
  std::uint8_t activeSector = 1;
  std::uint8_t bootSector = 1;
  std::uint32_t serialNumber = 0;
  std::uint32_t restarts = 0;
  std::uint32_t firmwareTransfers = 0;  // writes and reads that reached the module
  // Every command taken, code first (firmware transfers not included).
  std::vector<std::vector<std::uint8_t>> commands;
};

class Qx24xModule {
 public:
  static constexpr std::size_t kSectors = 8;
  static constexpr std::uint32_t kDescriptionAddress = FirmwareFlash::kDescriptionAddress;
  static constexpr std::size_t kDescriptionSize = FirmwareFlash::kDescriptionSize;
  static constexpr std::uint8_t kApplicationMode = 1;
  static constexpr std::uint8_t kBootLoaderMode = 0;

  explicit Qx24xModule(Qx24xModuleOptions options = {});

  // The value bytes of a query (no echoed code), or nothing for a command
  // that is not a query.
  std::optional<std::vector<std::uint8_t>> Query(std::span<const std::uint8_t> command);
  // Carries out a setting; false when it is unknown or refused (a wrong
  // password, a sector out of range, flash changes outside the boot loader).
  bool Apply(std::span<const std::uint8_t> command);
  // The restart that follows an accepted upgrade-mode code (over USB a
  // request of its own; over the serial line the reset command).
  void RestartIntoBootLoader();

  // False when the sector cannot take the bytes; `stored` gets what the
  // flash holds there afterwards.
  bool WriteFirmware(std::uint8_t sector, std::uint32_t address, std::span<const std::uint8_t> data,
                     std::vector<std::uint8_t>* stored);
  std::optional<std::vector<std::uint8_t>> ReadFirmware(std::uint8_t sector, std::uint32_t address,
                                                        std::size_t length);

  // The sum the module checks stored checksums against: the wrapping sum of
  // the sector's little-endian 16-bit words.
  std::uint32_t ContentsSum(std::uint8_t sector) const;
  std::vector<std::uint8_t> SectorImage(std::uint8_t sector) const;
  Qx24xModuleState State() const;

  // Called after each restart, outside the module's lock (the serial front
  // drops its session then).
  void SetRestartListener(std::function<void()> listener);

 private:
  void Restart(std::uint8_t mode);
  bool ChangesFlash() const { return state_.mode == kBootLoaderMode; }
  void InstallFactoryImage(std::uint8_t sector, const SectorInfo& info);
  std::uint32_t SumOf(std::uint8_t sector) const;  // under the lock

  Qx24xModuleOptions options_;
  mutable std::mutex mutex_;
  FirmwareFlash flash_;
  Qx24xModuleState state_;
  std::function<void()> restartListener_;
};

}  // namespace sim
