#include "sim/qx24x/qx24xserialport.h"

#include "platform/clock.h"
#include "sim/benchthread.h"

namespace sim {
namespace {

constexpr std::uint8_t kSyncAnswer[] = {0x10, 0x15};
constexpr std::uint8_t kWriteFlag = 0x10;
constexpr std::uint8_t kReadFlag = 0x20;
constexpr std::uint32_t kAddressMask = 0xFFFFFF;
// A host that does not take a frame within this long is gone.
constexpr std::uint32_t kHostWriteTimeoutMs = 200;

bool IsPlainReply(std::uint8_t code) { return code == 0x70 || code == 0x71; }

// Settings the driver sends without waiting for an answer.
bool IsUnanswered(std::uint8_t code) { return code == 0x8F || code == 0xF2; }

// What a confirmed setting echoes after its code: the sector (or first
// argument byte), nothing for the upgrade-mode code and the reset.
std::size_t EchoedArguments(std::uint8_t code) { return code == 0xF0 || code == 0xF1 ? 0 : 1; }

}  // namespace

Qx24xSerialPort::Qx24xSerialPort(Qx24xModule& module) : module_(module) {
  module_.SetRestartListener([this] { restarted_ = true; });
}

Qx24xSerialPort::~Qx24xSerialPort() {
  Stop();
  module_.SetRestartListener(nullptr);
}

bool Qx24xSerialPort::Start() {
  if (!serial_.Open()) return false;
  stopping_ = false;
  thread_ = StartBenchThread("qx24x", [this] { ServeLine(); });
  return true;
}

void Qx24xSerialPort::Stop() {
  stopping_ = true;
  serial_.CancelRead();
  if (thread_.joinable()) thread_.join();
  serial_.Close();
}

void Qx24xSerialPort::ServeLine() {
  ServeHostBytes(serial_, stopping_, [this](std::uint8_t byte) {
    switch (line_.Feed(byte)) {
      case HostLineParser::Event::kSyncRequest: {
        hostPresent_ = true;
        ++syncs_;
        std::size_t written = 0;
        serial_.Write(kSyncAnswer, sizeof kSyncAnswer, &written, kHostWriteTimeoutMs);
        break;
      }
      case HostLineParser::Event::kFrame:
        if (hostPresent_) HandleFrame(line_.Frame());
        break;
      case HostLineParser::Event::kNone:
        break;
    }
  });
}

void Qx24xSerialPort::HandleFrame(const HostFrameBytes& frame) {
  HostFrameFields fields;
  if (!DecodeHostFrame(frame, &fields) || fields.length > 8) return;
  if (fields.id != kSerialCommandId) {
    HandleFirmwareFrame(fields.id, fields.flags, fields.length, fields.data);
  } else if (fields.flags == 0 && fields.length > 0) {
    HandleCommand(std::span(fields.data, fields.length));
  }
  // A restarting module drops the session once its answer is out.
  if (restarted_) {
    restarted_ = false;
    hostPresent_ = false;
  }
}

void Qx24xSerialPort::HandleCommand(std::span<const std::uint8_t> command) {
  const std::uint8_t code = command[0];
  if (auto value = module_.Query(command)) {
    if (IsPlainReply(code)) return Send(kSerialCommandId, 0, *value);
    std::vector<std::uint8_t> reply = {code};
    reply.insert(reply.end(), value->begin(), value->end());
    return Send(kSerialCommandId, kSerialEchoFlag, reply);
  }
  if (module_.Apply(command)) {
    if (IsUnanswered(code)) return;
    std::vector<std::uint8_t> reply(command.begin(),
                                    command.begin() + std::min(command.size(), 1 + EchoedArguments(code)));
    return Send(kSerialCommandId, kSerialEchoFlag, reply);
  }
  // A refused or unknown command: an answer that does not echo.
  const std::uint8_t refusal[] = {code, 0xFF};
  Send(kSerialCommandId, 0, refusal);
}

void Qx24xSerialPort::HandleFirmwareFrame(std::uint32_t id, std::uint8_t flags, std::uint8_t length,
                                          const std::uint8_t* data) {
  const std::uint8_t sector = flags & 0x0F;
  const std::uint32_t address = id & kAddressMask;
  std::vector<std::uint8_t> answer;
  bool done = false;
  if ((flags & 0xF0) == kWriteFlag) {
    done = module_.WriteFirmware(sector, address, std::span(data, length), &answer);
  } else if ((flags & 0xF0) == kReadFlag) {
    auto read = module_.ReadFirmware(sector, address, length);
    done = read.has_value();
    if (done) answer = std::move(*read);
  }
  // A transfer the module refuses is answered with no bytes.
  if (!done) answer.clear();
  if (const std::int64_t delayMs = nextAnswerDelayMs_.exchange(0); delayMs > 0) {
    platform::Sleep(static_cast<std::uint32_t>(delayMs));
  }
  ++firmwareAnswers_;  // before the write, so a host that has the answer sees it counted
  // The answer carries the request's address; its Flags are 0, whatever the
  // request's sector and direction.
  Send(id, 0, answer);
}

void Qx24xSerialPort::Send(std::uint32_t id, std::uint8_t flags, std::span<const std::uint8_t> data) {
  const auto bytes = BuildDeviceFrame(0, 0, id, flags, std::uint8_t(data.size()), data);
  std::size_t written = 0;
  if (!serial_.Write(bytes.data(), bytes.size(), &written, kHostWriteTimeoutMs) ||
      written != bytes.size())
    hostPresent_ = false;  // nobody takes the bytes: the host has gone
}

}  // namespace sim
