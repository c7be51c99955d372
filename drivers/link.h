#pragma once
// What the driver core asks of a transport to an interface. There is one link
// class per transport (serial frames, USB pipes, the 1770-KFD's DF1); the card
// table and the exports know only these interfaces.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "drivers/canmessage.h"
#include "platform/handles.h"

namespace drivers {

// Last-error codes of the drivers.
inline constexpr std::uint32_t kErrorComPortNumber = 0xF001;
inline constexpr std::uint32_t kErrorComPortOpen = 0xF002;
inline constexpr std::uint32_t kErrorComPortSettingsRead = 0xF003;
inline constexpr std::uint32_t kErrorComPortSettingsWrite = 0xF004;
inline constexpr std::uint32_t kErrorFrameTooLong = 0xFF01;
inline constexpr std::uint32_t kErrorWriteEventCreate = 0xFF02;
inline constexpr std::uint32_t kErrorWriteFailed = 0xFF03;
inline constexpr std::uint32_t kErrorWriteIncomplete = 0xFF05;
inline constexpr std::uint32_t kErrorNoReply = 0xFFF0;
inline constexpr std::uint32_t kErrorNoFrame = 0xFFFF;
// A reply that does not echo its command, or a bad argument: one code.
inline constexpr std::uint32_t kErrorBadReply = 0x20000000;
inline constexpr std::uint32_t kErrorBadArgument = kErrorBadReply;
inline constexpr std::uint32_t kErrorUsbDeviceOpen = 0xFFFFF;
inline constexpr std::uint32_t kErrorUsbReadPipeOpen = 0xFFFFE;
inline constexpr std::uint32_t kErrorUsbWritePipeOpen = 0xFFFFD;
// A firmware transfer of more than 8 bytes.
inline constexpr std::uint32_t kErrorTransferTooLong = 0xA0000001;
// The transport exists in the driver family but not in this build.
inline constexpr std::uint32_t kErrorNotSupported = 50;

// The command set of the maker's interfaces, carried as serial command frames
// or as USB requests. Values are little-endian.
class CommandChannel {
 public:
  enum class ReplyForm {
    kPlain,  // the value from byte 0
    kEcho,   // Flags 1, byte 0 repeats the code, the value from byte 1
    kTagged, // byte 0 repeats the code, the value from byte 1, any Flags
  };
  static constexpr std::uint32_t kQueryWaitMs = 500;
  struct Query {
    std::uint8_t code;
    std::vector<std::uint8_t> arguments;
    ReplyForm form;
    // Accepted sizes of the value; a reply outside them fails with 0xFFF0.
    std::size_t minValueSize;
    std::size_t maxValueSize;
    std::uint32_t waitMs = kQueryWaitMs;
  };

  virtual ~CommandChannel() = default;

  // A command that answers. On success `value` holds the value bytes.
  virtual bool Ask(const Query& query, std::vector<std::uint8_t>* value) = 0;
  // A command without answer: success once it was sent.
  virtual bool Tell(std::uint8_t code, std::span<const std::uint8_t> arguments) = 0;
  // 0x8E: the link reads stamped frames from the next frame on.
  virtual bool SetTimeStampMode(std::uint8_t mode) = 0;
  // 0x7E kind 7; at most 255 bytes.
  virtual bool GetParameterArray(std::uint16_t number, std::vector<std::uint8_t>* value) = 0;
  // 0xFE with kind 0, 1, 2 (value of 1, 2, 4 bytes) or 7 (an array).
  virtual bool SetParameter(std::uint8_t kind, std::uint16_t number,
                            std::span<const std::uint8_t> value) = 0;
  // Asks the interface to enter its firmware upgrade mode.
  virtual bool FirmwareUpgrade() = 0;
};

// The sector and firmware commands of the QX24X modules, which the serial
// and the USB link carry their own ways.
class ModuleChannel {
 public:
  virtual ~ModuleChannel() = default;

  // A setting the module confirms. On the serial link the reply must echo
  // the code and the first `echoedArguments` argument bytes; the USB link
  // sends a setting request.
  virtual bool Confirm(std::uint8_t code, std::span<const std::uint8_t> arguments,
                       std::size_t echoedArguments, std::uint32_t waitMs) = 0;
  // Writes up to 8 bytes into the sector at the address; on the serial link
  // `data` then holds the bytes the module echoed.
  virtual bool WriteFirmware(std::uint8_t sector, std::uint32_t address,
                             std::span<std::uint8_t> data) = 0;
  // Reads up to 8 bytes of the sector at the address into `data`.
  virtual bool ReadFirmware(std::uint8_t sector, std::uint32_t address,
                            std::span<std::uint8_t> data) = 0;
  // Hands the module the confirmation code of its upgrade mode and makes it
  // restart into its boot loader.
  virtual bool EnterUpgradeMode(std::uint32_t code) = 0;
};

class Link {
 public:
  virtual ~Link() = default;

  // The card handle the caller gets: the port's or the device's handle.
  virtual std::int32_t handle() const = 0;

  virtual bool Transmit(const CanMessage& frame) = 0;
  // The oldest received frame; false (last error set) when none waits.
  virtual bool Receive(CanMessage* frame) = 0;
  // The event to set after each received CAN frame; kNullHandle for none.
  virtual void RegisterReceiveEvent(platform::Handle event) = 0;
  virtual bool Close() = 0;

  // CAN controller operations, which every kind of link carries its own way.
  virtual bool SetOnline(bool on) = 0;
  virtual bool GetOnline(std::int32_t* on) = 0;
  virtual bool SetBaud(std::uint32_t bitRate) = 0;
  virtual bool GetBaud(std::uint32_t* bitRate) = 0;
  virtual bool SetId(std::int32_t macId) = 0;
  virtual bool AddFilter(std::uint32_t id) = 0;
  virtual bool RemoveFilter(std::uint32_t id) = 0;

  // The interface's command set, or null for a link that has none.
  virtual CommandChannel* commands() { return nullptr; }
  // The QX24X module commands, or null for a link that has none.
  virtual ModuleChannel* module() { return nullptr; }

  // True once the interface has vanished (unplugged, its port gone): the link
  // stays open, but nothing reaches the interface or comes from it any more.
  virtual bool DeviceGone() const { return false; }
};

}  // namespace drivers
