#pragma once
// A link to one of the maker's own interfaces (serial or USB), which carry the
// same command set: the CAN controller operations become commands, and every
// query decodes its value the same way whatever the transport.
#include <atomic>
#include <cstdint>
#include <span>
#include <string>

#include "drivers/link.h"

namespace drivers {

// Command codes of the maker's interfaces.
namespace command {
inline constexpr std::uint8_t kGetOnline = 0x01;
inline constexpr std::uint8_t kGetGlobalMaskShort = 0x02;
inline constexpr std::uint8_t kGetGlobalMaskLong = 0x03;
inline constexpr std::uint8_t kGetLastMessageMask = 0x04;
inline constexpr std::uint8_t kGetMessageArbitration = 0x05;
inline constexpr std::uint8_t kGetBaud = 0x06;
inline constexpr std::uint8_t kGetBrp = 0x07;  // 0x08 SJW, 0x09 TSEG1, 0x0A TSEG2
inline constexpr std::uint8_t kGetStatus = 0x0F;
inline constexpr std::uint8_t kFirmwareVersion = 0x70;
inline constexpr std::uint8_t kHardwareVersion = 0x71;
inline constexpr std::uint8_t kMode = 0x75;
inline constexpr std::uint8_t kSerialNumber = 0x76;
inline constexpr std::uint8_t kDeviceType = 0x77;
inline constexpr std::uint8_t kProductCode = 0x78;
inline constexpr std::uint8_t kProductName = 0x79;
inline constexpr std::uint8_t kParameterGet = 0x7E;
inline constexpr std::uint8_t kSetOnline = 0x81;
inline constexpr std::uint8_t kSetGlobalMaskShort = 0x82;
inline constexpr std::uint8_t kSetGlobalMaskLong = 0x83;
inline constexpr std::uint8_t kSetLastMessageMask = 0x84;
inline constexpr std::uint8_t kSetMessageArbitration = 0x85;
inline constexpr std::uint8_t kSetBaud = 0x86;
inline constexpr std::uint8_t kSetBrp = 0x87;  // 0x88 SJW, 0x89 TSEG1, 0x8A TSEG2
inline constexpr std::uint8_t kAddFilter = 0x8C;
inline constexpr std::uint8_t kRemoveFilter = 0x8D;
inline constexpr std::uint8_t kSetTimeStampMode = 0x8E;
inline constexpr std::uint8_t kReset = 0x8F;
inline constexpr std::uint8_t kParameterSet = 0xFE;
inline constexpr std::uint8_t kFirmwareUpgrade = 0xF0;
// The QX24X modules' own commands.
inline constexpr std::uint8_t kBootSector = 0x01;
inline constexpr std::uint8_t kActiveSector = 0x02;
inline constexpr std::uint8_t kSectorSize = 0x04;
inline constexpr std::uint8_t kSectorChecksum = 0x15;
inline constexpr std::uint8_t kChecksumOk = 0x16;
inline constexpr std::uint8_t kEraseSector = 0x81;
inline constexpr std::uint8_t kSetBootSector = 0x82;
inline constexpr std::uint8_t kExecuteSector = 0x83;
inline constexpr std::uint8_t kSetActiveSector = 0x84;
inline constexpr std::uint8_t kSetSectorChecksum = 0x90;
inline constexpr std::uint8_t kSetSerialNumber = 0x91;
inline constexpr std::uint8_t kModuleReset = 0xF1;
// Sent over USB as a link closes.
inline constexpr std::uint8_t kClose = 0xF2;
}  // namespace command

// Parameter kinds of 0x7E and 0xFE.
namespace parameter {
inline constexpr std::uint8_t kU8 = 0;
inline constexpr std::uint8_t kU16 = 1;
inline constexpr std::uint8_t kU32 = 2;
inline constexpr std::uint8_t kArray = 7;
inline constexpr std::size_t kMaxArrayLength = 255;
}  // namespace parameter

// The 4-byte code that 0xF0 carries so that a stray frame cannot start a
// firmware upgrade.
inline constexpr std::uint8_t kFirmwareUpgradeCode[4] = {0x46, 0x57, 0x55, 0x50};

class CommandLink : public Link, public CommandChannel {
 public:
  CommandChannel* commands() override { return this; }
  bool DeviceGone() const override { return deviceGone_; }

  bool SetOnline(bool on) override;
  bool GetOnline(std::int32_t* on) override;
  bool SetBaud(std::uint32_t bitRate) override;
  bool GetBaud(std::uint32_t* bitRate) override;
  // The maker's interfaces have no MAC id of their own.
  bool SetId(std::int32_t macId) override;
  bool AddFilter(std::uint32_t id) override;
  bool RemoveFilter(std::uint32_t id) override;

 protected:
  // The receive side's read of the interface failed for good: tells whether
  // that was the interface vanishing (rather than the link closing).
  void NoteReadEnded();
  // Fails a receive that found no frame: once the interface has vanished,
  // with kErrorDeviceNotConnected, since none will ever come.
  bool FailEmptyReceive() const;

 private:
  std::atomic<bool> deviceGone_{false};
};

// Query helpers shared by the exports of every driver library.
// An unsigned little-endian value of `size` bytes (1, 2 or 4).
bool AskValue(CommandChannel& channel, std::uint8_t code, CommandChannel::ReplyForm form,
              std::size_t size, std::uint32_t* value,
              std::span<const std::uint8_t> arguments = {});
// Two 16-bit halves of a 4-byte plain reply: major from bytes 2-3, minor from 0-1.
bool AskVersion(CommandChannel& channel, std::uint8_t code, std::int32_t* major,
                std::int32_t* minor);
// The product name, at most 7 characters; `name` gets them and a NUL.
bool AskProductName(CommandChannel& channel, char* name);
// A scalar parameter of kind kU8, kU16 or kU32.
bool AskParameter(CommandChannel& channel, std::uint8_t kind, std::uint16_t number,
                  std::uint32_t* value);
// Sends a little-endian value of `size` bytes as the command's argument,
// after the optional leading bytes.
bool TellValue(CommandChannel& channel, std::uint8_t code, std::uint32_t value, std::size_t size,
               std::span<const std::uint8_t> leading = {});

}  // namespace drivers
