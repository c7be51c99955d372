#pragma once
// The link to an Allen-Bradley 1770-KFD DeviceNet module on a serial port,
// spoken in DF1 full duplex: CAN frames travel as messages with a 16-bit
// identifier, each acknowledged by the module before the next goes out, and
// the module's own DeviceNet objects are commanded by explicit-message bodies
// sent to identifier 0xFFFF, which it answers on the same identifier.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "drivers/df1frame.h"
#include "drivers/framering.h"
#include "drivers/link.h"
#include "platform/serial.h"

namespace drivers {

// The module refused to go online.
inline constexpr std::uint32_t kErrorModuleRefused = 0xFFAA;
// A command to the module that got no answer in its time.
inline constexpr std::uint32_t kErrorNoModuleReply = 0xFFFFFFFF;

struct KfdLinkOptions {
  int comPort = 0;  // 1 to 4, or the legacy addresses 0x3F8 and 0x2F8
  std::int32_t comBaud = 0;
};

class KfdLink final : public Link, public std::enable_shared_from_this<KfdLink> {
 public:
  static constexpr std::size_t kReceiveRingSize = 256;
  static constexpr std::size_t kReplyRingSize = 32;
  static constexpr int kLinkCheckAttempts = 10;
  static constexpr std::uint32_t kLinkCheckWaitMs = 500;
  // A message unanswered for this long is asked after with DLE ENQ...
  static constexpr std::uint32_t kAcknowledgeTimerMs = 250;
  static constexpr int kMaxEnquiries = 2;
  // ...a refused one is sent again...
  static constexpr int kMaxRepeats = 2;
  // ...and none counts as sent unless acknowledged within this time.
  static constexpr std::uint32_t kSendDeadlineMs = 750;
  static constexpr std::uint32_t kCommandWaitMs = 500;
  static constexpr std::uint32_t kStartWaitMs = 5000;
  static constexpr std::uint32_t kWriteTimeoutMs = 1000;
  static constexpr std::uint32_t kStopWaitMs = 1000;
  static constexpr std::uint32_t kLineDropMs = 100;

  // The rate the line runs at for ComBaud.
  static std::uint32_t LineRate(std::int32_t comBaud);
  // Whether the module passes the identifier to the host by itself, so that
  // accepting it needs no command: its own duplicate MAC ID check, the
  // group 2 explicit responses and the unconnected responses of group 3.
  static bool ModuleAccepts(std::uint32_t id, std::int32_t macId);

  // Opens the port and checks that a module answers. Null on failure, with
  // the code in the last error.
  static std::shared_ptr<KfdLink> Open(const KfdLinkOptions& options);

  ~KfdLink() override;

  std::int32_t handle() const override { return handle_; }
  bool Transmit(const CanMessage& frame) override;
  bool Receive(CanMessage* frame) override;
  void RegisterReceiveEvent(platform::Handle event) override;
  bool Close() override;

  bool SetOnline(bool on) override;
  bool GetOnline(std::int32_t* on) override;
  bool SetBaud(std::uint32_t bitRate) override;
  bool GetBaud(std::uint32_t* bitRate) override;
  bool SetId(std::int32_t macId) override;
  bool AddFilter(std::uint32_t id) override;
  bool RemoveFilter(std::uint32_t id) override;

 private:
  // What the module last said to a message of ours.
  enum class Answer { kNone, kAck, kNak };

  KfdLink() = default;

  bool Start(const KfdLinkOptions& options, const std::string& portName);
  bool CheckLink();
  void ReceiveLoop();
  bool ReadBurst(std::uint8_t* buffer, std::size_t size, std::size_t* got);
  void OnEvent(df1::Parser::Event event, const df1::Message& message);
  void Deliver(const df1::Message& message);
  // Answers the module's message, and keeps the answer for its enquiries.
  void Respond(std::uint8_t symbol);

  // One message, acknowledged by the module: false (last error set) once
  // the repeats, the enquiries or the deadline are used up.
  bool Send(std::uint16_t id, std::span<const std::uint8_t> data);
  bool SendAcknowledged(std::span<const std::uint8_t> frame);
  // A command body to the module and the wait for its answer.
  bool Command(std::span<const std::uint8_t> body, std::uint32_t waitMs);
  bool AwaitModuleReply(std::uint8_t service, std::uint32_t waitMs, CanMessage* reply);
  // Writes under the port's write mutex (0xFF03 on failure).
  bool Write(std::span<const std::uint8_t> bytes);
  bool WriteControl(std::uint8_t symbol);
  // Waits in process time until the predicate holds (under mutex_), the
  // time runs out or the link stops.
  template <typename Predicate>
  bool WaitUntil(std::unique_lock<std::mutex>& lock, std::uint64_t deadlineUs, Predicate ready);

  platform::SerialPort port_;
  std::int32_t handle_ = 0;
  platform::Handle writeMutex_ = platform::kNullHandle;
  platform::Handle thread_ = platform::kNullHandle;
  df1::Parser parser_;  // receive thread only

  // One message on its way at a time: marking it awaited, writing it and
  // waiting for its acknowledgement all happen under this lock.
  std::mutex send_;
  std::uint16_t tns_ = 0;  // under send_
  // One command exchange at a time, so that no command takes another's reply.
  std::mutex exchange_;

  // Guards everything below.
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  bool closed_ = false;
  bool awaiting_ = false;  // a message of ours awaits its acknowledgement
  Answer answer_ = Answer::kNone;
  std::uint8_t lastResponse_ = df1::kNak;
  FrameRing<CanMessage, kReceiveRingSize> received_;
  FrameRing<CanMessage, kReplyRingSize> replies_;
  platform::Handle receiveEvent_ = platform::kNullHandle;
  std::int32_t macId_ = 0;
  std::uint8_t rateCode_ = 0;
  std::uint32_t bitRate_ = 125000;
  bool online_ = false;
};

}  // namespace drivers
