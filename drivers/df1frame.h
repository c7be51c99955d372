#pragma once
// The DF1 full-duplex framing spoken with the 1770-KFD module: messages
// between DLE STX and DLE ETX with every DLE among their bytes doubled and a
// block check byte, and the two-byte control symbols (DLE ACK, DLE NAK,
// DLE ENQ) that may come between messages or inside one.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace drivers::df1 {

inline constexpr std::uint8_t kDle = 0x10;
inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint8_t kEnq = 0x05;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;

// The identifier of commands to the module and of its replies.
inline constexpr std::uint16_t kModuleId = 0xFFFF;
// DST, SRC, CMD, STS, TNS (2 bytes), identifier (2 bytes).
inline constexpr std::size_t kHeaderSize = 8;
inline constexpr std::size_t kMaxCanData = 8;
// The most message bytes a receiver holds.
inline constexpr std::size_t kMaxMessageSize = 100;

// Two's complement of the 8-bit sum of the bytes.
std::uint8_t BlockCheck(std::span<const std::uint8_t> bytes);

// A host message: DLE STX, DST 0, SRC 0, CMD 0x0C, STS 0, TNS and identifier
// little-endian, the data, DLE ETX and the block check over the unstuffed
// bytes between STX and ETX.
std::vector<std::uint8_t> EncodeMessage(std::uint16_t tns, std::uint16_t id,
                                        std::span<const std::uint8_t> data);

struct Message {
  std::uint16_t tns = 0;
  std::uint16_t id = 0;
  std::uint8_t length = 0;
  std::array<std::uint8_t, kMaxCanData> data{};
};

// Follows the module's bytes one at a time.
class Parser {
 public:
  enum class Event {
    kNone,
    kAck,
    kNak,
    kEnq,
    kMessage,     // a whole message whose block check holds: message()
    kBadMessage,  // a message to refuse: bad block check, torn or malformed
  };

  Event Feed(std::uint8_t byte);
  const Message& message() const { return message_; }

 private:
  enum class State { kIdle, kIdleDle, kBody, kBodyDle, kCheck };

  void Collect(std::uint8_t byte);
  Event Finish(std::uint8_t check);
  // A control symbol after a DLE, in or between messages.
  static Event ControlSymbol(std::uint8_t byte);

  State state_ = State::kIdle;
  std::array<std::uint8_t, kMaxMessageSize> buffer_{};
  std::size_t count_ = 0;  // bytes of the message so far, held or not
  std::uint8_t sum_ = 0;
  Message message_;
};

}  // namespace drivers::df1
