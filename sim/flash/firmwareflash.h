#pragma once
// The flash of a simulated field node as its boot loader exposes it: numbered
// sectors that must be erased before they are written, per-sector build
// information, a stored checksum with a valid flag, a boot sector, and the
// password that arms the boot loader for the next restart.
//
// A sector's build information is what its layout says until the sector is
// first erased; from then on it is the description record that the sector's
// image holds at kDescriptionAddress, as the firmware put it there. An erased
// record reads as empty texts and revision 0xFFFFFFFF: an empty sector.
//
// Writing follows NOR flash: programming can only clear bits, so writing over
// bytes that were not erased leaves the AND of old and new contents. That is
// what a real node does, and a download that skipped its erase shows up as a
// checksum mismatch rather than as an error the protocol never defined.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sim {

struct SectorInfo {
  std::string name;         // at most 15 characters are reported
  std::string description;  // at most 31
  std::string buildDate;    // at most 11
  std::string buildTime;    // at most 11
  std::uint32_t revision = 0;
};

struct FlashSector {
  std::uint32_t size = 0;
  SectorInfo info;
};

enum class FlashMode { Application, BootLoader };

enum class FlashStatus {
  Ok,
  BadSector,   // no such sector
  OutOfRange,  // address and length reach past the sector's end
};

class FirmwareFlash {
 public:
  // The program checksums an image window of this many bytes (its mirror).
  static constexpr std::uint32_t kChecksumWindow = 0x2FFFE;
  // The description record in a sector's image: name (16 bytes), description
  // (32), build date (12), build time (12), each NUL-terminated unless full,
  // then the revision as a little-endian 32-bit word.
  static constexpr std::uint32_t kDescriptionAddress = 0x400;
  static constexpr std::size_t kDescriptionSize = 76;

  // The layout of the maker's nodes: sectors of 64, 192, 192 and 64 KiB.
  static std::vector<FlashSector> StandardLayout();

  // Every sector starts erased. Throws std::invalid_argument for no sectors,
  // more than 256, or a sector of size 0.
  FirmwareFlash(std::vector<FlashSector> sectors, std::uint32_t password, FlashMode mode);

  std::size_t SectorCount() const { return sectors_.size(); }
  // The bytes the sector holds; 0 for a sector that does not exist.
  std::uint32_t SectorSize(std::size_t sector) const;
  // The sector's size as the network nodes report it (and as the program's
  // fixed table for them has it): the offset of its last byte, 0xFFFF for a
  // 64 KiB sector. 0 for a sector that does not exist.
  std::uint32_t ReportedSize(std::size_t sector) const;
  // Throws std::out_of_range for a sector that does not exist.
  SectorInfo Info(std::size_t sector) const;
  void SetInfo(std::size_t sector, SectorInfo info);

  FlashStatus Erase(std::size_t sector);
  FlashStatus Write(std::size_t sector, std::uint32_t address, std::span<const std::uint8_t> data);
  // The sector's bytes (empty for a sector that does not exist).
  std::span<const std::uint8_t> Image(std::size_t sector) const;

  // The DeviceNet rule: the wrapping 32-bit sum of the 0x17FFF little-endian
  // 16-bit words of the first kChecksumWindow bytes of the sector, bytes past
  // its size counting as 0xFF (as in the program's mirror).
  std::uint32_t DeviceNetSum(std::size_t sector) const;
  // The CANopen rule for a node of the given width: over the first
  // min(ReportedSize, kChecksumWindow) bytes, as the program takes the
  // reported size for the count, the byte sum for width 8 and the sum of the
  // whole little-endian 16-bit words for width 16; 0 for any other width.
  std::uint32_t CanopenSum(std::size_t sector, unsigned width) const;

  // Stores a checksum for the sector; it is valid when it equals expected.
  // Any erase or write of the sector makes it invalid again.
  FlashStatus StoreChecksum(std::size_t sector, std::uint32_t value, std::uint32_t expected);
  std::uint32_t StoredChecksum(std::size_t sector) const;
  bool ChecksumValid(std::size_t sector) const;

  std::uint8_t BootSector() const { return bootSector_; }
  FlashStatus SetBootSector(std::size_t sector);

  // True, and the boot loader armed for the next restart, when password is
  // the node's.
  bool OfferPassword(std::uint32_t password);
  bool BootLoaderArmed() const { return armed_; }

  FlashMode Mode() const { return mode_; }
  // The mode the node restarts in: the boot loader when armed since the last
  // start, else the application when the boot sector's checksum is valid,
  // else the boot loader. Disarms.
  FlashMode Restart();

 private:
  struct Sector {
    FlashSector layout;
    std::vector<std::uint8_t> bytes;
    std::uint32_t storedChecksum = 0;
    bool checksumValid = false;
    // Erased since the start: the image's description record tells.
    bool describedByImage = false;
  };

  Sector* Find(std::size_t sector);
  const Sector* Find(std::size_t sector) const;
  // Byte i of the sector image, 0xFF past its end.
  std::uint8_t ByteAt(const Sector& sector, std::size_t i) const;
  std::uint32_t WordSum(const Sector& sector, std::size_t bytes) const;
  SectorInfo RecordInImage(const Sector& sector) const;

  std::vector<Sector> sectors_;
  std::uint32_t password_;
  FlashMode mode_;
  std::uint8_t bootSector_ = 0;
  bool armed_ = false;
};

}  // namespace sim
