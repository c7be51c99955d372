#pragma once
// A simulated DeviceNet slave on the bench's bus: the duplicate MAC ID check
// at start-up, the Group 2 Only unconnected port, the predefined explicit
// connection with acknowledged fragmentation, optional UCMM, the Identity,
// DeviceNet and Connection objects, the maker's firmware object (class 0xC7)
// over a real flash model, and poll, bit-strobe and change-of-state/cyclic
// I/O. It runs on a thread of its own; every delay follows the process clock,
// so tests speed it up with platform::SetTimeScale.
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "app/makerids.h"
#include "sim/canbus.h"
#include "sim/devicenet/explicitlink.h"
#include "sim/devicenet/iofragments.h"
#include "sim/flash/firmwareflash.h"
#include "sim/nodeoutput.h"

namespace sim {

// Set in the reported product code while the boot loader runs.
inline constexpr std::uint16_t kBootLoaderProductBit = 0x8000;

// Faults a test can switch on while the slave runs. They act on every frame
// the slave sends.
struct SlaveFaults {
  bool silent = false;                      // sends nothing at all
  std::chrono::milliseconds answerDelay{0};  // holds every frame back this long
  unsigned dropFrames = 0;                  // the next n frames are lost
  unsigned duplicateFrames = 0;             // the next n frames go out twice
  unsigned wrongAnswers = 0;                // the next n explicit responses carry a wrong service
  bool refuseChecksum = false;              // firmware attribute 13 Set answers 0x0C
};

struct SlaveIoSizes {
  std::uint16_t pollProduced = 4;  // input bytes of a poll response
  std::uint16_t pollConsumed = 4;  // output bytes of a poll command
  std::uint8_t strobeProduced = 1;  // at most 8
  std::uint16_t cosProduced = 4;
};

struct DeviceNetSlaveConfig {
  std::uint8_t mac = 1;  // 0..63
  std::uint16_t vendor = kMakerDeviceNetVendorId;  // the downloader's fixed sector sizes apply
  std::uint16_t deviceType = 0x0C;
  std::uint16_t productCode = 0x1FE2;  // application; bit 15 clear
  std::uint8_t revisionMajor = 1;
  std::uint8_t revisionMinor = 0;
  std::uint32_t serial = 0x00010001;
  std::string productName = "Flashwright Node";  // at most 32 characters
  std::uint16_t status = 0;
  std::uint32_t password = 0;
  std::vector<FlashSector> sectors = FirmwareFlash::StandardLayout();
  FlashMode mode = FlashMode::Application;
  bool ucmmCapable = false;
  std::size_t explicitCapacity = 64;  // longest request body; at least 41
  SlaveIoSizes io;
  std::chrono::milliseconds bootDelay{100};
  std::chrono::milliseconds resetDropOff{10};  // after answering an Identity Reset
  bool skipDuplicateMacCheck = false;
  // Strict follows the published specification where this master departs
  // from it: check requests must have 7 bytes, a Reset of Connection class
  // instance 0 is refused (0x08), a repeat Allocate of bits already held is
  // refused (0x0B). Permissive (the default) copes as the master needs.
  bool strict = false;
  SlaveFaults faults;
};

// Throws std::invalid_argument when the configuration cannot describe a node.
void Validate(const DeviceNetSlaveConfig& config);

class DeviceNetSlave {
 public:
  enum class State { Off, Booting, CheckingMac, Online, CommunicationFaulted };

  // Attaches to the bus and powers on. Throws std::invalid_argument for a bad
  // configuration.
  DeviceNetSlave(CanBus& bus, DeviceNetSlaveConfig config);
  ~DeviceNetSlave();
  DeviceNetSlave(const DeviceNetSlave&) = delete;
  DeviceNetSlave& operator=(const DeviceNetSlave&) = delete;

  // Power loss and return: off, the slave leaves the bus (its peer detaches)
  // and forgets its connections; on, it starts up as at power-on.
  void PowerOff();
  void PowerOn();

  // Waits (process time) until the slave is in the state; false on time-out.
  bool WaitForState(State state, std::chrono::milliseconds timeout) const;

  State NetworkState() const;
  FlashMode Mode() const;
  std::uint16_t ReportedProductCode() const;
  std::uint8_t AllocatedChoice() const;
  std::uint8_t AllocatorMac() const;  // 0xFF when nothing is allocated
  std::size_t UcmmConnections() const;
  std::size_t Restarts() const;  // start-ups since construction
  // A snapshot of the flash.
  FirmwareFlash Flash() const;

  void SetFaults(const SlaveFaults& faults);
  // The inputs the slave produces (each connection sends its produced size,
  // padded with zeros); a change is produced at once on a COS connection.
  void SetInputData(std::vector<std::uint8_t> data);
  // The last complete poll output received.
  std::vector<std::uint8_t> OutputData() const;

  const DeviceNetSlaveConfig& Config() const { return config_; }
  PeerId BusId() const { return peer_.Id(); }

 private:
  enum class Port { Group2, Predefined, Ucmm };

  // Allocation choice bits.
  static constexpr std::uint8_t kChoiceExplicit = 0x01;
  static constexpr std::uint8_t kChoicePoll = 0x02;
  static constexpr std::uint8_t kChoiceStrobe = 0x04;
  static constexpr std::uint8_t kChoiceCos = 0x10;
  static constexpr std::uint8_t kNoOwner = 0xFF;
  static constexpr std::uint32_t kGroup3Base = 0x600;

  struct Connection {
    enum StateCode : std::uint8_t { kNonExistent = 0, kConfiguring = 1, kEstablished = 3, kTimedOut = 4 };
    std::uint8_t state = kNonExistent;
    std::uint16_t produced = 0;
    std::uint16_t consumed = 0;
    std::uint16_t expectedPacketRate = 0;  // ms; 0: no watchdog
    std::uint64_t lastActivityUs = 0;
    std::optional<std::uint64_t> WatchdogDue() const;
  };

  struct UcmmConnection {
    std::uint8_t client = 0;
    std::uint8_t messageId = 0;  // the client's: it sends on 0x600 + messageId x 64 + client
    Connection connection;
    ExplicitLink link;
  };

  using Reply = ExplicitReply;

  // Thread and timing (devicenetslave.cpp).
  void Run();
  std::optional<std::uint64_t> NextDeadline() const;
  void OnTime(std::uint64_t nowUs);
  void BeginStartup(std::uint64_t nowUs);
  void LosePower();  // off the bus: connections and held frames are gone
  void EnterFaulted();
  void DropConnections();
  void Transmit(const CanFrame& frame);
  void Emit(const CanFrame& frame, std::uint64_t nowUs);
  void SendCheck(bool response);
  void NotifyState(State state);

  // Frame routing (devicenetslave.cpp).
  void OnFrame(const CanFrame& frame, std::uint64_t nowUs);
  void OnDuplicateMacCheck(std::span<const std::uint8_t> payload);
  void OnGroup2Request(std::span<const std::uint8_t> payload, std::uint64_t nowUs);
  void OnPredefinedFrame(std::span<const std::uint8_t> payload, std::uint64_t nowUs);
  void OnUcmmRequest(std::uint8_t client, std::span<const std::uint8_t> payload, std::uint64_t nowUs);
  void OnUcmmConnectionFrame(std::uint32_t id, std::span<const std::uint8_t> payload, std::uint64_t nowUs);
  void Answer(ExplicitLink& link, const ExplicitRequest& request, std::uint8_t replyMac, Reply reply,
              std::uint64_t nowUs);

  // I/O (devicenetslave.cpp).
  void OnPollCommand(std::span<const std::uint8_t> payload, std::uint64_t nowUs);
  void OnStrobeCommand(std::uint64_t nowUs);
  void Produce(std::uint32_t id, std::size_t size, std::uint64_t nowUs);
  void ProduceCos(std::uint64_t nowUs);

  // Objects and services (devicenetslave_objects.cpp).
  Reply Execute(Port port, std::uint8_t service, std::span<const std::uint8_t> body, std::uint64_t nowUs);
  Reply IdentityService(std::uint8_t service, std::span<const std::uint8_t> args, std::uint64_t nowUs);
  Reply DeviceNetService(std::uint8_t service, std::span<const std::uint8_t> args, std::uint64_t nowUs);
  Reply Allocate(std::uint8_t choice, std::uint8_t allocator, std::uint64_t nowUs);
  Reply Release(std::uint8_t choice);
  Reply ConnectionService(std::uint8_t service, std::uint8_t instance, std::span<const std::uint8_t> args,
                          std::uint64_t nowUs);
  Reply FirmwareService(std::uint8_t service, std::span<const std::uint8_t> args);
  Reply FirmwareGet(std::uint8_t attribute);
  Reply FirmwareSet(std::uint8_t attribute, std::span<const std::uint8_t> value);
  Reply FirmwareCommand(std::span<const std::uint8_t> payload);
  Reply UcmmOpen(std::uint8_t client, std::span<const std::uint8_t> args, std::uint64_t nowUs);
  Reply UcmmClose(std::uint8_t client, std::span<const std::uint8_t> args);
  Connection* FindConnection(std::uint8_t instance);
  void ReleaseBits(std::uint8_t choice);
  std::uint16_t ProductCode() const;

  const DeviceNetSlaveConfig config_;
  BusPeer peer_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stop_ = false;
  bool powered_ = true;
  State state_ = State::Off;
  std::size_t restarts_ = 0;
  std::uint64_t phaseDueUs_ = 0;  // end of the boot delay or of a check wait
  int checksSent_ = 0;
  std::optional<std::uint64_t> resetDueUs_;  // drop-off after an Identity Reset
  SlaveFaults faults_;
  FrameOutbox outbox_;  // frames held back by the delay fault

  FirmwareFlash flash_;
  std::uint8_t selectedSector_ = 0;
  std::uint8_t allocated_ = 0;
  std::uint8_t owner_ = 0xFF;
  std::array<Connection, 5> connections_{};  // instances 1..4 of the predefined set
  ExplicitLink group2Link_;
  ExplicitLink predefinedLink_;
  ExplicitLink ucmmPortLink_;
  std::map<std::uint16_t, UcmmConnection> ucmm_;  // by connection instance
  std::uint16_t nextUcmmInstance_ = 5;
  IoAssembler pollAssembler_;
  std::vector<std::uint8_t> inputs_;
  std::vector<std::uint8_t> outputs_;
  std::uint64_t nextProductionUs_ = 0;

  std::thread thread_;
};

}  // namespace sim
