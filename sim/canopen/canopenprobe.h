#pragma once
// A bare bus peer that plays the CANopen master at frame level, for tests of
// the simulated slaves and for scripted checks: it sends NMT, guarding and
// SDO frames and waits for the frames that answer them. Frames it was not
// waiting for are kept, so a later wait still sees them.
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/canbus.h"

namespace sim {

class CanopenProbe {
 public:
  using SdoFrame = std::array<std::uint8_t, 8>;

  struct Upload {
    std::uint32_t abort = 0;  // 0: data holds the value
    std::vector<std::uint8_t> data;
  };

  explicit CanopenProbe(CanBus& bus, std::string name = "probe");

  // Throws std::runtime_error when the bus refuses the frame.
  void Send(const CanFrame& frame);
  void Nmt(std::uint8_t command, std::uint8_t node);
  // A guarding request: a remote frame on 0x700 + node of the given length.
  void RequestGuard(std::uint8_t node, std::uint8_t dlc = 0);

  // The next frame on the identifier (process time; empty on time-out).
  std::optional<BusFrame> Expect(std::uint32_t id, std::chrono::milliseconds timeout);
  // Every frame received so far and not yet taken by Expect, in bus order.
  std::vector<BusFrame> TakeAll();

  // Sends an SDO request to the node without waiting for its answer.
  void SendSdo(std::uint8_t node, const SdoFrame& request);
  // Sends an SDO request to the node; the node's answer.
  std::optional<SdoFrame> Sdo(std::uint8_t node, const SdoFrame& request);
  // A whole transfer, expedited or segmented as the length asks; an abort
  // code, or 0. Throws std::runtime_error when the node stops answering or
  // answers out of protocol.
  Upload UploadObject(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex);
  std::uint32_t DownloadObject(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                               std::span<const std::uint8_t> data);

 private:
  SdoFrame Exchange(std::uint8_t node, const SdoFrame& request);

  BusPeer peer_;
  std::deque<BusFrame> backlog_;
  // How long Sdo and the transfers wait for an answer (process time): long,
  // since a loaded machine stalls threads; a test of silence does not wait.
  static constexpr std::chrono::milliseconds kPatience{std::chrono::minutes(10)};
};

}  // namespace sim
