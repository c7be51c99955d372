#pragma once
// The bench's 1770-KFD DeviceNet module on a pseudo-terminal. It speaks DF1
// full duplex with the host: it acknowledges each host message by its block
// check (ACK) or refuses it (NAK), answers an enquiry (ENQ) with its last
// answer, and sends its own messages one at a time, each repeated until the
// host acknowledges it. Host messages on identifier 0xFFFF command the
// module's DeviceNet object (stop, start, MAC ID, bit rate) and its
// identifier filter, and are answered on 0xFFFF; others are CAN frames for
// the bus. Bus frames reach the host while the module is online and their
// identifier passes the filter.
//
// Fault switches make it refuse messages, lose acknowledgements, fall silent
// or garble its own block checks, so that the driver's recovery shows.
//
//   sim::KfdModule module;
//   module.Start();                      // FLASHWRIGHT_COM1=module.SlavePath()
//   module.AttachToBus(bus);
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "sim/qx240/serialline.h"
#include "sim/canbus.h"

namespace sim {

struct KfdFaults {
  std::uint32_t naks = 0;       // refuse the next n host messages
  std::uint32_t lostAcks = 0;   // take the next n host messages without acknowledging them
  bool silent = false;          // answer nothing at all
  std::uint32_t garbled = 0;    // send the next n messages with a wrong block check
};

// What the module has seen and holds, for tests to inspect.
struct KfdModuleState {
  bool online = false;
  std::uint8_t mac = 63;
  std::uint8_t rateCode = 0;
  std::set<std::uint16_t> filters;
  std::uint64_t hostMessages = 0;   // well-formed, whatever came of them
  std::uint64_t enquiries = 0;      // ENQs from the host, answered or not
  std::uint64_t acksFromHost = 0;
  std::uint64_t naksFromHost = 0;
  std::uint64_t framesToBus = 0;
  std::uint64_t framesToHost = 0;   // acknowledged by the host
  std::uint64_t repliesToHost = 0;  // answers on 0xFFFF acknowledged by the host
  std::uint64_t framesDropped = 0;  // never acknowledged, or no room
  std::uint64_t lineBytesIn = 0;    // every byte the host wrote
  std::uint64_t lineBytesOut = 0;   // every byte the module wrote
  // Every command body from the host, in order.
  std::vector<std::vector<std::uint8_t>> commands;
};

class KfdModule {
 public:
  static constexpr std::uint16_t kModuleId = 0xFFFF;

  // Sees each command body before the module acts on it. Returning a body
  // sends it on 0xFFFF instead of the normal answer (empty: no answer);
  // returning nothing keeps the normal one.
  using CommandInterceptor =
      std::function<std::optional<std::vector<std::uint8_t>>(std::span<const std::uint8_t>)>;

  // pacedLine: the bytes take their line time at the rate the host set
  // (see serialline.h).
  explicit KfdModule(KfdFaults faults = {}, bool pacedLine = false);
  ~KfdModule();
  KfdModule(const KfdModule&) = delete;
  KfdModule& operator=(const KfdModule&) = delete;

  // Opens the pseudo-terminal and starts serving it. False (last error set)
  // when no terminal could be opened.
  bool Start();
  void Stop();
  const std::string& SlavePath() const { return serial_.SlavePath(); }

  void AttachToBus(CanBus& bus, const std::string& peerName = "kfd");
  void DetachFromBus();

  KfdModuleState State() const;
  void SetFaults(const KfdFaults& faults);
  void SetCommandInterceptor(CommandInterceptor interceptor);
  // Queues a message to the host as the module sends its own.
  void SendToHost(std::uint16_t id, std::span<const std::uint8_t> data);
  // Writes raw bytes to the host (hand-made frames).
  bool SendRaw(std::span<const std::uint8_t> bytes);

 private:
  enum class Symbol { kNone, kAck, kNak };
  struct Outgoing {
    std::uint16_t id;
    std::vector<std::uint8_t> data;
  };

  void ServeLine();
  void HandleByte(std::uint8_t byte);
  void HandleControl(std::uint8_t symbol);
  void HandleMessage();
  void Answer(std::uint8_t symbol);
  void Execute(std::span<const std::uint8_t> body);
  std::vector<std::uint8_t> Perform(std::span<const std::uint8_t> body);
  void RelayToBus(std::uint16_t id, std::span<const std::uint8_t> data);
  void OnBusFrame(const BusFrame& frame);
  bool Passes(std::uint16_t id) const;

  void SendLoop();
  bool Deliver(const Outgoing& message);
  bool Write(std::span<const std::uint8_t> bytes);

  KfdFaults faults_;
  SerialLine serial_;
  std::thread lineThread_;
  std::thread sendThread_;
  std::atomic<bool> stopping_{false};
  std::atomic<std::uint64_t> lineBytesIn_{0}, lineBytesOut_{0};

  // Line thread only: the host message being received.
  enum class LineState { kIdle, kIdleDle, kBody, kBodyDle, kCheck };
  LineState line_ = LineState::kIdle;
  std::vector<std::uint8_t> body_;

  mutable std::mutex mutex_;  // guards what follows
  std::condition_variable changed_;
  KfdModuleState state_;
  std::uint8_t lastAnswer_ = 0x15;  // NAK until a message came
  Symbol hostAnswer_ = Symbol::kNone;
  std::deque<Outgoing> outgoing_;
  std::uint16_t tns_ = 0;
  CommandInterceptor interceptor_;

  std::mutex writeMutex_;  // one write at a time onto the line
  std::mutex busMutex_;
  std::optional<BusPeer> peer_;
  CanBus* bus_ = nullptr;
};

}  // namespace sim
