// How long the host side takes to answer a frame, layer by layer, on the
// bench's bus paced at 500 kbit/s. A bus peer answers each frame of the host
// at once from the bus thread; the host answers each of those with its next
// frame, through
//   driver  qx240.so alone (CAN_Transmit, its receive event, CAN_Receive),
//   vrk_can qx240.so under VRK_CAN in buffered mode (CAN_Write_Buffered, the
//           caller's receive event, CAN_Read_Buffered), as the masters use it.
// The master's reaction of each is printed with the hops of exchangetiming.h;
// what a master stack adds on top of the vrk_can figure is its own. The
// adapter is on COM1 (a pseudo-terminal), or on USB with --usb, so the two
// links' turnarounds compare. On COM1 the baseline comes first:
//   line    the adapter's frames written and read straight on the port by
//           the measuring thread, no driver: what the pseudo-terminal itself
//           costs (the kernel hands each write to the other end through a
//           worker thread), which the driver figure includes.
//
//   can_reaction_bench [--usb] [--all-cpus]
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "can/vrk_can.h"
#include "perf/benchenvironment.h"
#include "perf/can/onlinecard.h"
#include "perf/exchangetiming.h"
#include "platform/clock.h"
#include "platform/sync.h"
#include "platform/serial.h"
#include "sim/canbus.h"
#include "sim/qx240/serialwire.h"

namespace {

constexpr std::uint32_t kBitRate = 500'000;
constexpr int kExchanges = 4000;
constexpr std::uint32_t kHostId = 0x321, kPeerId = 0x322;
constexpr std::uint32_t kWaitMs = 1000;

CanMessage HostFrame(int i) {
  CanMessage frame{};
  frame.Id = kHostId;
  frame.Length = 8;
  for (int b = 0; b < 8; ++b) frame.Data[b] = static_cast<std::uint8_t>(i + b);
  return frame;
}

// The paced bus with the adapter the host opens (COM1 or USB), a probe, and
// the peer that answers each host frame at once.
struct Rig {
  explicit Rig(bool usb) : bus(Options()), probe(bus), link(bus, usb) {
    echo = bus.Attach("echo", [this](const sim::BusFrame& frame) {
      if (frame.frame.id == kHostId) echo.Send(sim::CanFrame::Standard(kPeerId, {1, 2, 3, 4, 5, 6, 7, 8}));
    });
  }
  static sim::BusOptions Options() {
    sim::BusOptions options;
    options.bitRate = kBitRate;
    options.pacing = true;
    return options;
  }

  // Runs kExchanges exchanges (each sends the host's frame and waits for the
  // answer) and prints where their time went.
  template <typename Exchange>
  void Measure(const char* name, Exchange exchange) {
    bus.WaitIdle(std::chrono::seconds(5));
    bus.Log().Clear();
    probe.Clear();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kExchanges; ++i) {
      if (!exchange(HostFrame(i))) VrkCan::Fail(std::string(name) + ": no answer to exchange " + std::to_string(i));
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    bus.WaitIdle(std::chrono::seconds(5));
    const perf::ExchangeTiming timing = perf::TimeExchanges(bus.Log().Entries(), probe, kHostId, kPeerId, kBitRate);
    std::printf("%s: %d exchanges in %.3f s, bus lower bound %.3f s, ratio %.2f\n", name, kExchanges, elapsed,
                timing.BusSeconds(), elapsed / timing.BusSeconds());
    perf::PrintExchangeTiming(timing);
  }

  sim::CanBus bus;
  perf::DeliveryProbe probe;
  perf::AdapterLink link;
  sim::BusPeer echo;
};

template <typename Fn>
Fn* Bind(platform::ModuleHandle module, const char* name) {
  Fn* entry = platform::BindEntryPoint<Fn*>(module, name);
  if (entry == nullptr) VrkCan::Fail(std::string("qx240.so lacks ") + name);
  return entry;
}

using OpenInterfaceFn = int(std::int32_t*, const InterfaceConfiguration*);
using CardFn = int(std::int32_t);
using SetFn = int(std::int32_t, std::uint32_t);
using FrameFn = int(std::int32_t, CanMessage*);
using ConstFrameFn = int(std::int32_t, const CanMessage*);
using EventFn = int(std::int32_t, platform::Handle, std::int32_t);

// 02, Id, Flags, Length, 8 data bytes, checksum: a frame in the adapter's
// host framing.
std::array<std::uint8_t, 16> LineFrame(std::uint32_t id, std::span<const std::uint8_t> data) {
  std::array<std::uint8_t, 16> bytes{{0x02, std::uint8_t(id), std::uint8_t(id >> 8), std::uint8_t(id >> 16),
                                      std::uint8_t(id >> 24), 0, std::uint8_t(data.size())}};
  std::copy(data.begin(), data.end(), bytes.begin() + 7);
  bytes[15] = sim::SerialChecksum(std::span(bytes).subspan(1, 14));
  return bytes;
}

void MeasureLine() {
  Rig rig(/*usb=*/false);
  platform::SerialPort port;
  if (!port.Open("COM1")) VrkCan::Fail("COM1 could not be opened");
  const auto exchange = [&port](std::span<const std::uint8_t> bytes, std::size_t answer) {
    std::size_t done = 0;
    std::uint8_t in[16];
    return port.Write(bytes.data(), bytes.size(), &done) && done == bytes.size() &&
           port.Read(in, answer, &done) && done == answer;
  };
  const std::uint8_t sync[] = {0x10, 0x0A}, online[] = {0x81, 1};
  if (!exchange(sync, 2) || !exchange(LineFrame(sim::kSerialCommandId, online), 0)) {
    VrkCan::Fail("the adapter did not answer on COM1");
  }
  rig.Measure("line", [&](const CanMessage& frame) {
    return exchange(LineFrame(frame.Id, std::span(frame.Data, frame.Length)), 16);
  });
}

void MeasureDriver(bool usb) {
  Rig rig(usb);
  platform::ModuleHandle qx240 = platform::LoadLibrary("qx240.dll");
  if (qx240 == nullptr) VrkCan::Fail("qx240.so could not be loaded");
  const InterfaceConfiguration configuration = rig.link.Interface();
  std::int32_t card = 0;
  const platform::Handle event = platform::CreateEvent(false, false, nullptr);
  if (Bind<OpenInterfaceFn>(qx240, "OpenInterface")(&card, &configuration) == 0 ||
      Bind<SetFn>(qx240, "CAN_SetBaud")(card, kBitRate) == 0 ||
      Bind<SetFn>(qx240, "CAN_SetOnline")(card, 1) == 0 ||
      Bind<EventFn>(qx240, "CAN_RegisterReceiveEvent")(card, event, 1) == 0) {
    VrkCan::Fail("qx240.so: the card could not be taken online");
  }
  auto* transmit = Bind<ConstFrameFn>(qx240, "CAN_Transmit");
  auto* receive = Bind<FrameFn>(qx240, "CAN_Receive");
  rig.Measure("driver", [&](const CanMessage& frame) {
    if (transmit(card, &frame) == 0) return false;
    CanMessage answer{};
    for (;;) {
      if (receive(card, &answer) != 0) return true;
      if (platform::WaitForSingleObject(event, kWaitMs) != platform::kWaitObject0) return false;
    }
  });
  Bind<CardFn>(qx240, "CloseCard")(card);
  platform::CloseHandle(event);
}

void MeasureVrkCan(bool usb) {
  Rig rig(usb);
  VrkCan can;
  const std::int32_t card = can.OpenOnlineCard(rig.link.Interface());
  const platform::Handle event = platform::CreateEvent(false, false, nullptr);
  if (can.Entry<decltype(::CAN_RegisterBufferedReceiveEvent)>("CAN_RegisterBufferedReceiveEvent")(card, event, 1) ==
      0) {
    VrkCan::Fail("vrk_can.so: the receive event could not be registered");
  }
  auto* write = can.Entry<decltype(::CAN_Write_Buffered)>("CAN_Write_Buffered");
  auto* read = can.Entry<decltype(::CAN_Read_Buffered)>("CAN_Read_Buffered");
  rig.Measure("vrk_can", [&](CanMessage frame) {
    if (write(card, &frame) == 0) return false;
    CanMessage answer{};
    for (;;) {
      if (read(card, &answer) != 0) return true;
      if (platform::WaitForSingleObject(event, kWaitMs) != platform::kWaitObject0) return false;
    }
  });
  can.Entry<decltype(::CloseCard)>("CloseCard")(card);
  platform::CloseHandle(event);
}

}  // namespace

int main(int argc, char** argv) {
  const perf::BenchSettings settings = perf::BenchSettings::Parse(argc, argv);
  settings.Apply();
  if (!settings.usb) MeasureLine();
  MeasureDriver(settings.usb);
  MeasureVrkCan(settings.usb);
  return 0;
}
