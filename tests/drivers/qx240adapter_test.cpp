// The bench adapter's own strictness, seen from a host that writes raw bytes.
#include "sim/qx240/qx240adapter.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/serial.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes HostFrame(std::uint32_t id, std::uint8_t flags, std::uint8_t length, Bytes data) {
  Bytes bytes = {0x02, std::uint8_t(id), std::uint8_t(id >> 8), std::uint8_t(id >> 16),
                 std::uint8_t(id >> 24), flags, length};
  data.resize(8);
  bytes.insert(bytes.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (std::size_t i = 1; i < bytes.size(); ++i) sum += bytes[i];
  bytes.push_back(std::uint8_t(-sum));
  return bytes;
}

class RawHost {
 public:
  explicit RawHost(const std::string& path) {
    EXPECT_TRUE(port_.Open(path));
    port_.SetTimeouts({.readIntervalMs = 0, .readTotalMs = 5000, .writeTotalMs = 5000});
  }
  void Write(const Bytes& bytes) {
    std::size_t written = 0;
    ASSERT_TRUE(port_.Write(bytes.data(), bytes.size(), &written));
  }
  Bytes Read(std::size_t size) {
    Bytes bytes(size);
    std::size_t got = 0;
    EXPECT_TRUE(port_.Read(bytes.data(), size, &got));
    bytes.resize(got);
    return bytes;
  }

 private:
  platform::SerialPort port_;
};

TEST(Qx240Adapter, RejectsMalformedHostFramesAndKeepsServing) {
  sim::CanBus bus;
  sim::Qx240Adapter adapter;
  ASSERT_TRUE(adapter.Start());
  adapter.AttachToBus(bus);
  sim::BusPeer node = bus.Attach("node");
  RawHost host(adapter.SlavePath());
  host.Write({0x10, 0x0A});
  ASSERT_EQ(host.Read(2), (Bytes{0x10, 0x15}));
  host.Write(HostFrame(0xFFFFFFFF, 0, 2, {0x81, 1}));  // online

  Bytes badChecksum = HostFrame(0x100, 0, 1, {7});
  badChecksum.back() ^= 1;
  const Bytes malformed[] = {
      badChecksum,
      HostFrame(0x100, 0, 1, {7, 0, 0, 5}),              // junk past the data length
      HostFrame(0x100, 0, 9, {1, 2, 3, 4, 5, 6, 7, 8}),  // a CAN frame of 9 bytes
      HostFrame(0x2FFFFFFF, 0, 0, {}),                   // beyond 29 bits
      HostFrame(0xFFFFFFFF, 0, 1, {0x42}),               // unknown command
      HostFrame(0xFFFFFFFF, 0, 2, {0x76, 0}),            // query with a stray argument
      HostFrame(0xFFFFFFFF, 1, 1, {0x76}),               // command with flags
      HostFrame(0xFFFFFFFF, 0, 2, {0x8E, 3}),            // no time-stamp mode 3
      HostFrame(0xFFFFFFFF, 0, 5, {0xF0, 1, 2, 3, 4}),   // wrong upgrade code
      HostFrame(0xFFFFFFFF, 0, 7, {0xFE, 0, 0, 1, 0, 9}),  // u8 parameter of 2 bytes
  };
  for (const Bytes& frame : malformed) host.Write(frame);
  // The serial-number query still gets its answer, after all of the above.
  host.Write(HostFrame(0xFFFFFFFF, 0, 1, {0x76}));
  const Bytes reply = host.Read(16);
  ASSERT_EQ(reply.size(), 16u);
  EXPECT_EQ(Bytes(reply.begin() + 1, reply.begin() + 11),
            (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0, 4, 0x01, 0x00, 0x24, 0x00}));

  const sim::Qx240AdapterState state = adapter.State();
  EXPECT_EQ(state.rejectedHostFrames, std::size(malformed));
  EXPECT_EQ(state.framesToBus, 0u);
  EXPECT_FALSE(state.firmwareUpgradeRequested);
  EXPECT_EQ(state.timeStampMode, 0);
  EXPECT_EQ(node.Pending(), 0u);
}

}  // namespace
