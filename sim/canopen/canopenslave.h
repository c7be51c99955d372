#pragma once
// A simulated CANopen slave on the bench's bus: the NMT state machine with
// boot-up, node guarding answers with the toggle bit, an optional heartbeat
// producer, an SDO server, the identity objects, four TPDOs and four RPDOs
// over a small process image, emergencies on request, and the maker's
// firmware objects 0x3600 to 0x3611 over a real flash model, with download
// mode reached by password and reset node.
//
// SDO is served in pre-operational too (the downloader never starts a node);
// PDOs work while operational only. TPDO k and RPDO k use the predefined
// identifiers; TPDO 0 maps 0x6000 sub 1-2, TPDO 1 0x6401 sub 1-2, RPDO 0
// 0x6200 sub 1-2 and RPDO 1 0x6411 sub 1-2, and the mappings can be changed.
//
// It runs on a thread of its own; every delay follows the process clock, so
// tests speed it up with platform::SetTimeScale.
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "sim/canbus.h"
#include "sim/canopen/sdoserver.h"
#include "sim/flash/firmwareflash.h"
#include "sim/nodeoutput.h"

namespace sim {

// Faults a test can switch on while the slave runs.
struct CanopenSlaveFaults {
  bool silent = false;                        // sends nothing at all
  std::chrono::milliseconds answerDelay{0};  // holds every frame back this long
  unsigned dropFrames = 0;                   // the next n frames are lost
  unsigned duplicateFrames = 0;              // the next n frames go out twice
  // Answers this many more SDO requests, then none (a node that stops in the
  // middle of a transfer) until the faults change. Empty: no limit.
  std::optional<unsigned> sdoAnswersLeft;
  unsigned wrongSubIndexAnswers = 0;  // the next n initiate answers echo sub-index + 1
  // Objects the node does not have (abort 0x06020000), such as 0x360E and
  // 0x3611, whose absence the downloader covers with defaults.
  std::vector<std::uint16_t> absentObjects;
};

struct CanopenSlaveConfig {
  std::uint8_t node = 1;  // 1..127
  std::uint32_t deviceType = 0x00000191;
  std::string deviceName = "Flashwright CANopen Node";
  std::string hardwareVersion = "1.0";
  std::string softwareVersion = "1.00";
  std::uint32_t vendor = 0x000004D2;
  std::uint32_t productCode = 0x00001FE2;  // the application's; the boot loader reports 0
  std::uint32_t revision = 0x00010000;
  std::uint32_t serial = 0x00010001;
  std::uint16_t heartbeatMs = 0;  // 0x1017 at power-on and after a reset; 0: no heartbeat
  std::uint32_t password = 0;
  std::vector<FlashSector> sectors = FirmwareFlash::StandardLayout();
  FlashMode mode = FlashMode::Application;
  unsigned checksumWidth = 16;  // 8: byte sum, 16: word sum
  std::chrono::milliseconds bootDelay{200};  // power-on or reset node to boot-up
  std::chrono::milliseconds latency{0};      // before every frame the node sends
  CanopenSlaveFaults faults;
};

// Throws std::invalid_argument when the configuration cannot describe a node.
void Validate(const CanopenSlaveConfig& config);

namespace canopen_detail {

enum class Access : std::uint8_t { ReadOnly, WriteOnly, ReadWrite };

struct ObjectShape {
  Access access = Access::ReadOnly;
  std::size_t size = 0;   // bytes; for a variable-length object its maximum
  bool variable = false;  // strings and the firmware command channel
};

struct Lookup {
  std::uint32_t abort = 0;  // 0: the object exists with this shape
  ObjectShape shape;
};

}  // namespace canopen_detail

enum class NmtState : std::uint8_t {
  Initialising = 0x00,  // booting: silent until its boot-up
  Stopped = 0x04,
  Operational = 0x05,
  PreOperational = 0x7F,
  Off = 0xFF,  // no power; never on the bus
};

class CanopenSlave {
 public:
  static constexpr std::size_t kPdoCount = 4;
  static constexpr std::size_t kMaxMappedObjects = 64;

  // Attaches to the bus and powers on. Throws std::invalid_argument for a bad
  // configuration.
  CanopenSlave(CanBus& bus, CanopenSlaveConfig config);
  ~CanopenSlave();
  CanopenSlave(const CanopenSlave&) = delete;
  CanopenSlave& operator=(const CanopenSlave&) = delete;

  // Power loss and return: off, the node leaves the bus and forgets its
  // transfers; on, it starts as at power-on (the flash keeps its contents).
  void PowerOff();
  void PowerOn();

  // Wait (process time); false on time-out.
  bool WaitForState(NmtState state, std::chrono::milliseconds timeout) const;
  // Boot-up frames sent since construction.
  bool WaitForBootUps(std::size_t count, std::chrono::milliseconds timeout) const;

  NmtState State() const;
  FlashMode Mode() const;
  std::uint32_t ReportedProductCode() const;  // 0x1018 sub 2
  std::uint16_t HeartbeatTime() const;        // 0x1017
  FirmwareFlash Flash() const;                // a snapshot

  void SetFaults(CanopenSlaveFaults faults);
  // Sends [code, errorRegister, vendorData] on 0x80 + node and keeps the
  // register in 0x1001. Not while stopped or booting; false then.
  bool SendEmergency(std::uint16_t code, std::uint8_t errorRegister, std::array<std::uint8_t, 5> vendorData = {});

  // The process image: 0x6000 sub 1-8 (U8 inputs), 0x6200 sub 1-8 (U8
  // outputs), 0x6401 sub 1-4 (U16 inputs), 0x6411 sub 1-4 (U16 outputs).
  // Both throw std::invalid_argument for anything else.
  void SetProcessValue(std::uint16_t index, std::uint8_t subIndex, std::uint32_t value);
  std::uint32_t ProcessValue(std::uint16_t index, std::uint8_t subIndex) const;

  const CanopenSlaveConfig& Config() const { return config_; }
  PeerId BusId() const { return peer_.Id(); }

 private:
  using Lookup = canopen_detail::Lookup;

  struct Pdo {
    std::uint32_t cobId = 0;
    std::uint8_t transmissionType = 0xFF;
    std::uint16_t inhibitTime = 0;
    std::uint8_t compatibility = 0;
    std::uint16_t eventTimer = 0;
    std::uint8_t mappedCount = 0;
    std::array<std::uint32_t, kMaxMappedObjects> mapping{};
  };

  struct ProcessImage {
    std::array<std::uint8_t, 8> digitalInputs{};
    std::array<std::uint8_t, 8> digitalOutputs{};
    std::array<std::uint16_t, 4> analogInputs{};
    std::array<std::uint16_t, 4> analogOutputs{};
  };

  class Objects;  // the SDO server's view of the dictionary

  // Thread, timing and frames (canopenslave.cpp).
  void Run();
  std::optional<std::uint64_t> NextDeadline() const;
  void OnTime(std::uint64_t nowUs);
  void Boot(std::uint64_t nowUs);
  void SendBootUp(std::uint64_t nowUs);
  void ResetCommunication();
  void Emit(const CanFrame& frame, std::uint64_t nowUs);
  void Transmit(const CanFrame& frame);
  void Wake();
  void OnFrame(const CanFrame& frame, std::uint64_t nowUs);
  void OnNmt(std::span<const std::uint8_t> payload, std::uint64_t nowUs);
  void OnGuardRequest(std::uint64_t nowUs);
  void OnSdoRequest(std::span<const std::uint8_t> payload, std::uint64_t nowUs);
  std::uint8_t StateByte() const { return static_cast<std::uint8_t>(state_); }
  bool Talks() const;

  // The object dictionary (canopenslave_objects.cpp).
  Lookup Find(std::uint16_t index, std::uint8_t subIndex) const;
  SdoRead ReadObject(std::uint16_t index, std::uint8_t subIndex) const;
  std::uint32_t CheckWrite(std::uint16_t index, std::uint8_t subIndex, std::optional<std::size_t> size) const;
  std::uint32_t WriteObject(std::uint16_t index, std::uint8_t subIndex, std::span<const std::uint8_t> data,
                            bool sizeIndicated);
  std::vector<std::uint8_t> Value(std::uint16_t index, std::uint8_t subIndex) const;
  std::uint32_t Store(std::uint16_t index, std::uint8_t subIndex, std::span<const std::uint8_t> data);
  std::uint32_t FirmwareCommand(std::span<const std::uint8_t> payload);
  std::uint32_t ProductCode() const;
  bool IsAbsent(std::uint16_t index) const;

  // PDOs (canopenslave_pdo.cpp).
  void ResetPdos();
  // Empty for an index outside the PDO parameters.
  std::optional<Lookup> FindPdoObject(std::uint16_t index, std::uint8_t subIndex) const;
  std::vector<std::uint8_t> PdoValue(std::uint16_t index, std::uint8_t subIndex) const;
  std::uint32_t StorePdo(std::uint16_t index, std::uint8_t subIndex, std::uint32_t value);
  std::uint32_t CheckMapping(bool transmit, std::uint32_t entry) const;
  Pdo* FindPdo(std::uint16_t index, bool* transmit = nullptr);
  const Pdo* FindPdo(std::uint16_t index) const;
  void OnTpdoRequest(const Pdo& pdo, std::uint64_t nowUs);
  void OnRpdo(const Pdo& pdo, std::span<const std::uint8_t> payload);
  static const Pdo* PdoForFrame(const std::array<Pdo, kPdoCount>& pdos, std::uint32_t id);

  const CanopenSlaveConfig config_;
  BusPeer peer_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stop_ = false;
  bool powered_ = true;
  NmtState state_ = NmtState::Initialising;
  std::uint64_t bootDueUs_ = 0;
  std::optional<std::uint64_t> heartbeatDueUs_;
  std::uint8_t guardToggle_ = 0;
  std::size_t bootUps_ = 0;
  CanopenSlaveFaults faults_;
  FrameOutbox outbox_;  // frames held back by latency or the delay fault

  FirmwareFlash flash_;
  std::uint8_t selectedSector_ = 0;
  std::uint8_t errorRegister_ = 0;
  std::uint16_t heartbeatMs_ = 0;
  std::array<Pdo, kPdoCount> tpdos_{};
  std::array<Pdo, kPdoCount> rpdos_{};
  ProcessImage process_;
  std::unique_ptr<Objects> objects_;
  SdoServer sdo_;

  std::thread thread_;
};

}  // namespace sim
