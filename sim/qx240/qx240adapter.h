#pragma once
// The bench's QX240 CAN adapter on a pseudo-terminal. It answers the maker's
// serial frame protocol as the adapter does (synchronisation, commands and
// their replies, parameters, time-stamp modes) and relays CAN frames between
// the line and the virtual bus. It is strict on purpose: malformed host
// frames are dropped and counted, and acceptance filters are applied, so
// that faults of the driver and of the masters above it show.
//
//   sim::Qx240Adapter adapter;
//   adapter.Start();                      // FLASHWRIGHT_COM1=adapter.SlavePath()
//   adapter.AttachToBus(bus);
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "sim/canbus.h"
#include "sim/qx240/serialwire.h"

namespace sim {

struct Qx240AdapterOptions {
  // Pass every bus frame to the host whatever the filters say (diagnosis).
  bool permissiveFilters = false;
  std::uint8_t mode = 1;  // answered to the mode query; 1 = application
  // Leaves this many synchronisation requests unanswered (a slow start-up).
  std::uint32_t unansweredSyncs = 0;
  std::uint32_t serialNumber = 0x00240001;
  std::uint32_t deviceType = 0x240;
  std::uint32_t productCode = 0x24001;
  std::string productName = "QX240";  // at most 7 characters
  std::uint16_t firmwareMajor = 2, firmwareMinor = 5;
  std::uint16_t hardwareMajor = 1, hardwareMinor = 3;
  std::uint32_t bitRate = 125'000;
  // Holds the bytes on the pseudo-terminal for the line time at the rate the
  // host set (see serialline.h).
  bool pacedLine = false;
  // Time stamps of stamped frames in microseconds; process time by default.
  std::function<std::uint64_t()> clock;
};

// What the adapter has seen and holds, for tests to inspect.
struct Qx240AdapterState {
  bool hostPresent = false;
  bool online = false;
  std::uint32_t bitRate = 0;
  std::uint8_t timeStampMode = 0;
  bool filtering = false;  // a filter command has been seen
  std::set<std::uint32_t> filters;
  bool firmwareUpgradeRequested = false;
  std::uint64_t syncs = 0;
  std::uint64_t rejectedHostFrames = 0;
  std::uint64_t framesToBus = 0;
  std::uint64_t framesToHost = 0;
  std::uint64_t framesFiltered = 0;
  // Every command accepted, as its data bytes (code first).
  std::vector<std::vector<std::uint8_t>> commands;
};

class Qx240Adapter {
 public:
  // Sees each accepted command (code and arguments) before the adapter
  // answers. Returning bytes sends them to the host instead of the normal
  // answer (empty: no answer); returning nothing keeps the normal one.
  using CommandInterceptor =
      std::function<std::optional<std::vector<std::uint8_t>>(std::span<const std::uint8_t>)>;

  explicit Qx240Adapter(Qx240AdapterOptions options = {});
  ~Qx240Adapter();
  Qx240Adapter(const Qx240Adapter&) = delete;
  Qx240Adapter& operator=(const Qx240Adapter&) = delete;

  // Opens the pseudo-terminal and starts serving it. False (last error set)
  // when no terminal could be opened.
  bool Start();
  void Stop();
  // The port a driver opens, e.g. through FLASHWRIGHT_COMn.
  const std::string& SlavePath() const { return serial_.SlavePath(); }

  // Bridges to a bus; frames flow only while the host has set it online.
  void AttachToBus(CanBus& bus, const std::string& peerName = "qx240");
  void DetachFromBus();

  Qx240AdapterState State() const;
  void SetCommandInterceptor(CommandInterceptor interceptor);
  // Writes raw bytes to the host (garbage, hand-made frames).
  bool SendRaw(std::span<const std::uint8_t> bytes);
  // A device frame as the adapter builds it in its current time-stamp mode.
  std::vector<std::uint8_t> BuildDeviceFrame(std::uint32_t id, std::uint8_t flags,
                                             std::uint8_t length,
                                             std::span<const std::uint8_t> data) const;

  // The same adapter behind another transport (USB), which carries the
  // commands (code first) and CAN frames its own way. The adapter is not
  // started on its line then.
  //
  // The value bytes a query answers (no echoed code), or nothing for a
  // command that is not a query.
  std::optional<std::vector<std::uint8_t>> AnswerQuery(std::span<const std::uint8_t> command);
  // Applies a setting or a parameter; false for an unknown command.
  bool ApplySettingCommand(std::span<const std::uint8_t> command);
  void RelayFromHost(std::uint32_t id, std::uint8_t flags, std::uint8_t length,
                     const std::uint8_t* data);
  // Bus frames the host accepts go to the sink, with their stamp and the
  // current time-stamp mode; false when the host did not take it.
  using HostSink = std::function<bool(const CanFrame&, std::uint64_t stamp, std::uint8_t mode)>;
  void SetHostSink(HostSink sink);
  void SetHostPresent(bool present);

 private:
  struct PendingParameter {
    std::uint8_t kind = 0;
    std::uint16_t number = 0;
    std::size_t total = 0;
    std::vector<std::uint8_t> value;
  };

  void ServeLine();
  void HandleByte(std::uint8_t byte);
  void Synchronise();
  void HandleHostFrame(const HostFrameBytes& frame);
  void Record(std::span<const std::uint8_t> command);
  bool HandleContinuation(std::uint32_t id, std::uint8_t flags, std::uint8_t length,
                          const std::uint8_t* data);
  void RelayToBus(std::uint32_t id, std::uint8_t flags, std::uint8_t length,
                  const std::uint8_t* data);
  bool HandleCommand(std::span<const std::uint8_t> command, std::uint8_t length);
  // The reply to a query, or nothing for a setting.
  std::optional<std::vector<std::uint8_t>> Answer(std::span<const std::uint8_t> command) const;
  bool ApplySetting(std::span<const std::uint8_t> command);
  bool HandleParameterGet(std::span<const std::uint8_t> command);
  bool HandleParameterSet(std::span<const std::uint8_t> command, std::uint8_t length);
  void OnBusFrame(const BusFrame& frame);

  void Reply(std::uint8_t flags, std::span<const std::uint8_t> data);
  void ReplyEcho(std::uint8_t code, std::span<const std::uint8_t> value);
  bool SendToHost(std::span<const std::uint8_t> bytes);
  std::uint64_t Now() const;
  void Reject();

  Qx240AdapterOptions options_;
  SerialLine serial_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};

  // Line thread only.
  HostLineParser line_;
  std::optional<PendingParameter> pending_;

  mutable std::mutex mutex_;  // guards the adapter state below
  Qx240AdapterState state_;
  std::uint16_t globalMaskShort_ = 0;
  std::uint32_t globalMaskLong_ = 0, lastMessageMask_ = 0;
  std::map<std::uint8_t, std::uint32_t> arbitration_;
  std::array<std::uint8_t, 4> bitTiming_{};  // BRP, SJW, TSEG1, TSEG2
  std::map<std::uint16_t, std::vector<std::uint8_t>> parameters_;
  CommandInterceptor interceptor_;
  HostSink hostSink_;

  std::mutex writeMutex_;  // one frame at a time onto the line
  std::mutex busMutex_;
  std::optional<BusPeer> peer_;
};

}  // namespace sim
