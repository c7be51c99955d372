#pragma once
// A bare DeviceNet master for driving simulated slaves frame by frame: it
// frames explicit requests (fragmenting and waiting for acknowledgements),
// reassembles fragmented responses (acknowledging them), and reads what the
// slave sends.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "sim/canbus.h"
#include "sim/devicenet/devicenetslave.h"

namespace sim::testing {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// Process time; the tests run the clock fast, so this is short in real time
// but generous for a loaded machine.
inline constexpr auto kPatience = 60'000ms;
inline constexpr std::uint8_t kMasterMac = 0;

inline constexpr std::uint32_t Group2Id(std::uint8_t mac, std::uint32_t message) { return 0x400 + mac * 8u + message; }

class RawMaster {
 public:
  explicit RawMaster(CanBus& bus, std::uint8_t slaveMac = 5) : peer_(bus.Attach("master")), slave_(slaveMac) {}

  void Send(std::uint32_t id, const Bytes& bytes) {
    CanFrame frame;
    frame.id = id;
    frame.dlc = static_cast<std::uint8_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), frame.data.begin());
    ASSERT_EQ(peer_.Send(frame), SendResult::Queued);
  }

  // The next frame from the bus, if one comes within the time (process time).
  std::optional<CanFrame> Next(std::chrono::milliseconds timeout = kPatience) {
    BusFrame received;
    if (peer_.Receive(received, timeout) != ReceiveStatus::Received) return std::nullopt;
    return received.frame;
  }

  // The next frame, which must have the identifier; its bytes.
  Bytes Expect(std::uint32_t id) {
    const std::optional<CanFrame> frame = Next();
    if (!frame) {
      ADD_FAILURE() << "no frame on " << std::hex << id;
      return {};
    }
    EXPECT_EQ(frame->id, id) << ToString(*frame);
    const auto payload = frame->Payload();
    return Bytes(payload.begin(), payload.end());
  }

  // True when nothing arrives for the time.
  bool Quiet(std::chrono::milliseconds time) { return !Next(time).has_value(); }

  // An explicit request of [service, body] on txId; the response (reply
  // service first) from rxId, with both directions fragmented as needed.
  Bytes Request(std::uint32_t txId, std::uint32_t rxId, std::uint8_t headerMac, std::uint8_t service, const Bytes& body) {
    Bytes message{service};
    message.insert(message.end(), body.begin(), body.end());
    if (message.size() <= 7) {
      Bytes frame{headerMac};
      frame.insert(frame.end(), message.begin(), message.end());
      Send(txId, frame);
    } else if (!SendFragments(txId, rxId, headerMac, message)) {
      return {};
    }
    return ReceiveResponse(txId, rxId, headerMac);
  }

  // On the predefined explicit connection / the Group 2 Only port.
  Bytes Connected(std::uint8_t service, const Bytes& body) {
    return Request(Group2Id(slave_, 4), Group2Id(slave_, 3), kMasterMac, service, body);
  }
  Bytes Unconnected(std::uint8_t service, const Bytes& body) {
    return Request(Group2Id(slave_, 6), Group2Id(slave_, 3), slave_, service, body);
  }

  Bytes Get(std::uint8_t cls, std::uint8_t instance, std::uint8_t attribute) {
    return Connected(0x0E, {cls, instance, attribute});
  }
  Bytes Set(std::uint8_t cls, std::uint8_t instance, std::uint8_t attribute, const Bytes& value) {
    Bytes body{cls, instance, attribute};
    body.insert(body.end(), value.begin(), value.end());
    return Connected(0x10, body);
  }

  // Allocates the explicit connection (and more) through the Group 2 Only port.
  void Allocate(std::uint8_t choice = 0x01) {
    ASSERT_EQ(Unconnected(0x4B, {0x03, 0x01, choice, kMasterMac}), (Bytes{0xCB, 0x00}));
  }

  // Fragments of [service, body...]: each must be acknowledged before the next.
  bool SendFragments(std::uint32_t txId, std::uint32_t rxId, std::uint8_t headerMac, const Bytes& message) {
    std::size_t position = 0;
    for (std::uint8_t count = 0; position < message.size(); ++count) {
      const std::size_t chunk = std::min<std::size_t>(6, message.size() - position);
      std::uint8_t type = 0x40;
      if (position == 0) type = 0x00;
      else if (position + chunk == message.size()) type = 0x80;
      Bytes frame{static_cast<std::uint8_t>(headerMac | 0x80), static_cast<std::uint8_t>(type | (count & 0x3F))};
      frame.insert(frame.end(), message.begin() + position, message.begin() + position + chunk);
      Send(txId, frame);
      const Bytes ack = Expect(rxId);
      if (ack.size() != 3 || ack[1] != (0xC0 | (count & 0x3F))) {
        ADD_FAILURE() << "fragment " << int(count) << " not acknowledged";
        return false;
      }
      if (ack[2] != 0) return false;  // refused: too much data
      position += chunk;
    }
    return true;
  }

  Bytes ReceiveResponse(std::uint32_t txId, std::uint32_t rxId, std::uint8_t headerMac) {
    Bytes first = Expect(rxId);
    if (first.size() < 2 || (first[0] & 0x80) == 0) return first.empty() ? first : Bytes(first.begin() + 1, first.end());
    EXPECT_EQ(first.size(), 8u) << "a first response fragment always has 8 bytes";
    Bytes message(first.begin() + 2, first.end());
    for (;;) {
      Send(txId, {static_cast<std::uint8_t>(headerMac | 0x80), static_cast<std::uint8_t>(0xC0 | (first[1] & 0x3F)), 0});
      if ((first[1] & 0xC0) == 0x80) return message;
      first = Expect(rxId);
      if (first.size() < 2) return {};
      message.insert(message.end(), first.begin() + 2, first.end());
    }
  }

  BusPeer& Peer() { return peer_; }
  std::uint8_t SlaveMac() const { return slave_; }

 private:
  BusPeer peer_;
  std::uint8_t slave_;
};

// A slave that is on-line at once, for tests that are not about start-up.
inline DeviceNetSlaveConfig QuickSlave(std::uint8_t mac = 5) {
  DeviceNetSlaveConfig config;
  config.mac = mac;
  config.serial = 0x11223344;
  config.password = 0xCAFEBABE;
  config.productName = "Pump";
  config.bootDelay = 0ms;
  config.skipDuplicateMacCheck = true;
  return config;
}

// Runs the process clock fast for the test.
class SlaveTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetTimeScale(20); }
  void TearDown() override { platform::SetTimeScale(1); }
};

}  // namespace sim::testing
