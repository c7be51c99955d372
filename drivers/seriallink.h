#pragma once
// The serial link to one of the maker's interfaces: the port, the
// synchronisation at open, a receive thread that parses the byte stream into
// CAN frames and replies, and the command exchanges.
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "drivers/commandlink.h"
#include "drivers/framering.h"
#include "drivers/serialframe.h"
#include "platform/kernelobject.h"
#include "platform/lasterror.h"
#include "platform/serial.h"

namespace drivers {

// The card handle of a link on a COM port names the open port.
class ComPortObject final : public platform::KernelObject {};

// Closes a link that could not start, keeping the reason in the last error.
void CloseKeepingError(Link& link);

// comBaud when the line runs at that rate (one of rates), else 19200.
std::uint32_t LineRateOf(std::int32_t comBaud, std::initializer_list<std::uint32_t> rates);

struct SerialLinkOptions {
  int comPort = 0;       // 1 to 4, or the legacy addresses 0x3F8 and 0x2F8
  std::int32_t comBaud = 0;
  // printf format of the port's write mutex, formatted with the port index
  // (COM1: 0), e.g. "Mutex_QX240S_CAN_Lock%ld".
  const char* writeMutexFormat = "";
  // The QX24X modules report mode 0 while their boot loader runs, and must
  // still be reachable then; the CAN interfaces must be in mode 1.
  bool acceptAnyMode = false;
  // Unstamped frames get the host time in microseconds instead of raw
  // counter ticks.
  bool microsecondStamps = false;
};

class SerialLink final : public CommandLink,
                         public ModuleChannel,
                         public std::enable_shared_from_this<SerialLink> {
 public:
  static constexpr std::size_t kReceiveRingSize = 256;
  static constexpr std::size_t kReplyRingSize = 32;
  static constexpr int kSyncAttempts = 10;
  static constexpr std::uint32_t kSyncWaitMs = 250;
  static constexpr std::uint32_t kFollowingReplyWaitMs = 100;
  static constexpr std::uint32_t kWriteTimeoutMs = 1000;
  static constexpr std::uint32_t kStopWaitMs = 1000;
  // How long the receive thread holds back while the receive ring is full
  // and nobody takes frames from it.
  static constexpr std::uint32_t kConsumerStallMs = 200;

  // "COM1".."COM4" for ComPort 1 to 4 and the legacy addresses; "" otherwise.
  static std::string PortName(int comPort);
  // The rate the line runs at for ComBaud.
  static std::uint32_t LineRate(std::int32_t comBaud);

  // Opens, synchronises and checks the interface's mode. Null on failure,
  // with the code in the last error. A port can carry one link at a time.
  static std::shared_ptr<SerialLink> Open(const SerialLinkOptions& options);

  ~SerialLink() override;

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
  SerialLink() = default;

  bool Start(const SerialLinkOptions& options, const std::string& portName);
  bool Synchronise();
  bool CheckModeAndReset();
  void ReceiveLoop();
  // False once the link stops; else `wanted` is the size of the next read.
  bool AwaitRoomToRead(std::size_t* wanted);
  bool HasRoomForRead() const;
  // Under mutex_: the consumer made room in the receive ring.
  void FramesTaken();
  void Parse(std::span<const std::uint8_t> bytes);
  void StoreFrame(const DeviceFrame& frame);

  // Writes whole frames under the port's write mutex (0xFF03 on failure).
  bool Write(std::span<const std::uint8_t> bytes);
  bool WriteCommand(std::uint8_t code, std::span<const std::uint8_t> arguments);
  // Waits for the next reply frame (0xFFF0 when none came in time).
  bool AwaitReply(std::uint32_t waitMs, DeviceFrame* reply);
  void FlushReplies();
  // What identifies the module's answer to a firmware frame.
  struct FirmwareAnswerKey {
    std::uint32_t address;
    std::uint8_t length;
    friend bool operator==(const FirmwareAnswerKey&, const FirmwareAnswerKey&) = default;
  };
  // Sends a firmware frame and takes the module's answer: the frame at the
  // same address, which must have the same Length (0x20000000 otherwise);
  // none in time gives 0xFFF0.
  bool ExchangeFirmwareFrame(std::uint32_t address, std::uint8_t flags,
                             std::span<std::uint8_t> data, bool sendData);
  bool AwaitFirmwareAnswer(const FirmwareAnswerKey& key, std::uint32_t waitMs, CanMessage* answer);
  void AwaitStaleAnswer(std::uint32_t waitMs);
  // Waits in process time until the predicate holds (under mutex_) or the
  // time runs out.
  template <typename Predicate>
  bool WaitFor(std::unique_lock<std::mutex>& lock, std::uint32_t waitMs, Predicate ready);

  SerialLinkOptions options_;
  platform::SerialPort port_;
  std::string portName_;
  std::int32_t handle_ = 0;
  platform::Handle writeMutex_ = platform::kNullHandle;
  platform::Handle thread_ = platform::kNullHandle;

  // One command exchange at a time, so no call takes another's reply.
  std::mutex exchange_;
  // Under exchange_: the answer to a firmware frame that was given up on,
  // as long as it may still come.
  std::optional<FirmwareAnswerKey> staleAnswer_;

  // Guards everything below; the receive thread holds it while it parses.
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  bool closed_ = false;
  DeviceFrameParser parser_;
  FrameRing<CanMessage, kReceiveRingSize> received_;
  bool readerWaiting_ = false;    // the receive thread waits for room
  bool consumerStalled_ = false;  // it waited in vain; the ring drops again
  FrameRing<DeviceFrame, kReplyRingSize> replies_;
  platform::Handle receiveEvent_ = platform::kNullHandle;
};

// Opens a link on the COM port numbered comPort: make() builds it, then
// start(link, port name) runs it. Null when the number names no port or the
// link cannot start; a link that cannot start is closed again, and the
// reason stays in the last error.
template <typename LinkType, typename Make, typename Start>
std::shared_ptr<LinkType> OpenOnComPort(int comPort, Make make, Start start) {
  const std::string portName = SerialLink::PortName(comPort);
  if (portName.empty()) {
    platform::SetLastError(kErrorComPortNumber);
    return nullptr;
  }
  std::shared_ptr<LinkType> link = make();
  if (start(*link, portName)) return link;
  CloseKeepingError(*link);
  return nullptr;
}

}  // namespace drivers
