#pragma once
// The USB link to one of the maker's interfaces, through the platform's USB
// provider: the device is found by its interface class, CAN frames travel as
// packets on two pipes, and commands as device I/O control requests carrying
// the command codes of the serial link.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "drivers/commandlink.h"
#include "drivers/framering.h"
#include "platform/usb.h"

namespace drivers {

// Device I/O control codes of the maker's USB driver.
namespace usbrequest {
inline constexpr std::uint32_t kDescriptor = 0x220000;
inline constexpr std::uint32_t kEnterUpgradeMode = 0x220004;
inline constexpr std::uint32_t kQuery = 0x22000C;
inline constexpr std::uint32_t kSetting = 0x220010;
inline constexpr std::uint32_t kUpgradeCode = 0x220038;
}  // namespace usbrequest

// The sector commands of the QX24X modules over USB. The read shares its code
// with the active-sector query (0x02); the module tells them apart by the
// answer size asked for: a read asks for its 1 to 8 bytes, every value
// query for a whole answer buffer (kAnswerBufferSize).
namespace usbcommand {
inline constexpr std::uint8_t kWriteFirmware = 1;
inline constexpr std::uint8_t kReadFirmware = 2;
}  // namespace usbcommand

// The packet on the pipes: Id, Flags, Length, 8 data bytes, then the stamp
// words of time-stamp modes 1 and 2 (device to host only).
inline constexpr std::size_t kUsbPacketSize = 14;
std::size_t UsbReadPacketSize(int timeStampMode);

inline constexpr const char* kUsbReadPipe = "PIPE00";
inline constexpr const char* kUsbWritePipe = "PIPE01";

struct UsbLinkOptions {
  platform::Guid deviceClass{};
  // "1": the first present device; otherwise the instance text of the one.
  std::string accessPoint;
  // Name of the write event, formatted with the device handle in hex
  // ("QX240U_WriteEventObject%x"); a fixed name for one-device libraries.
  const char* writeEventFormat = "";
  // How many devices the library drives at once.
  int maxOpenDevices = 1;
};

// The instance text of a device path: what follows "pid", then "#" and any
// "_", up to the next "#" (the device's serial number). "" when the path has
// no such part.
std::string UsbInstanceText(const std::string& devicePath);

// List_USB_Devices: the instance texts of at most *count present devices of
// the class, one after another with their NULs, in a buffer of `capacity`
// bytes. *count receives the number listed. Fails with kErrorMoreData when a
// text does not fit (those before it are listed).
bool ListUsbDevices(const platform::Guid& deviceClass, std::uint32_t* count,
                    std::uint32_t capacity, char* buffer);

class UsbLink final : public CommandLink,
                      public ModuleChannel,
                      public std::enable_shared_from_this<UsbLink> {
 public:
  static constexpr std::size_t kReceiveRingSize = 255;
  static constexpr std::uint32_t kWriteSlotWaitMs = 100;
  static constexpr std::uint32_t kWriteTimeoutMs = 1000;
  static constexpr std::uint32_t kStopWaitMs = 1000;
  static constexpr std::uint32_t kDescriptorBlockSize = 256;
  static constexpr std::uint32_t kAnswerBufferSize = 256;

  // Finds, opens and starts the device. Null on failure, code in the last
  // error. A device is driven by one link of the library at a time.
  static std::shared_ptr<UsbLink> Open(const UsbLinkOptions& options);

  ~UsbLink() override;

  std::int32_t handle() const override { return handle_; }
  bool Transmit(const CanMessage& frame) override;
  bool Receive(CanMessage* frame) override;
  void RegisterReceiveEvent(platform::Handle event) override;
  bool Close() override;

  bool Ask(const Query& query, std::vector<std::uint8_t>* value) override;
  bool Tell(std::uint8_t code, std::span<const std::uint8_t> arguments) override;
  bool SetTimeStampMode(std::uint8_t mode) override;
  bool GetParameterArray(std::uint16_t number, std::vector<std::uint8_t>* value) override;
  bool SetParameter(std::uint8_t kind, std::uint16_t number,
                    std::span<const std::uint8_t> value) override;
  bool FirmwareUpgrade() override;

  ModuleChannel* module() override { return this; }
  bool Confirm(std::uint8_t code, std::span<const std::uint8_t> arguments,
               std::size_t echoedArguments, std::uint32_t waitMs) override;
  bool WriteFirmware(std::uint8_t sector, std::uint32_t address,
                     std::span<std::uint8_t> data) override;
  bool ReadFirmware(std::uint8_t sector, std::uint32_t address,
                    std::span<std::uint8_t> data) override;
  bool EnterUpgradeMode(std::uint32_t code) override;

 private:
  UsbLink() = default;

  bool Start(const UsbLinkOptions& options, const std::string& devicePath);
  bool CheckDescriptors();
  void ReadLoop();
  void StorePacket(std::span<const std::uint8_t> packet);

  // A control request with the command code and its arguments; settings
  // and queries carry at least five bytes.
  bool Request(std::uint32_t code, std::span<const std::uint8_t> input,
               std::vector<std::uint8_t>* output, std::size_t outputCapacity);
  bool Setting(std::uint8_t code, std::span<const std::uint8_t> arguments,
               std::size_t minimumSize = 5);

  std::string devicePath_;
  std::shared_ptr<platform::UsbFile> device_;
  std::shared_ptr<platform::UsbFile> readPipe_;
  std::shared_ptr<platform::UsbFile> writePipe_;
  std::int32_t handle_ = 0;
  // Auto-reset and signalled while no transmit is under way.
  platform::Handle writeEvent_ = platform::kNullHandle;
  platform::Handle thread_ = platform::kNullHandle;

  std::mutex mutex_;  // guards what follows
  bool closed_ = false;
  bool stopping_ = false;
  int timeStampMode_ = 0;
  FrameRing<CanMessage, kReceiveRingSize> received_;
  platform::Handle receiveEvent_ = platform::kNullHandle;
};

}  // namespace drivers
