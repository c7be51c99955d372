// How close a firmware download through the DeviceNet stack comes to the bus
// itself. The bench's bus is paced at 500 kbit/s; the master writes a 64 KiB
// image in 32-byte memory writes on the node's explicit connection, as the
// downloader does. The lower bound is the bus time of exactly the frames the
// exchange needed (request fragments, acknowledgements, responses), taken from
// the bus's own record; the figure is elapsed time over that bound.
//
// Through the 1770-KFD (--interface kfd) the serial line, not the bus, is the
// bound: every frame crosses it as an acknowledged DF1 message, and the
// bench's module holds each byte on the line for its time at 57600 Bd. There
// the figure is elapsed time over the byte time of every byte that crossed the
// line in either direction (10 bits a byte), and there is no target.
//
// Through the bench's SST CAN2A card, IXXAT board or SST scanner the bound is
// the bus, as for the QX240 adapter (the scanner is itself the master: its
// frames are counted the same way).
//
//   dnet_download_bench [--interface qx240|kfd|sst|ixxat|dnscan] [--usb] [--all-cpus]
//                                                (target: 1.3 or better)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "devicenet/vrk_dnet.h"
#include "perf/benchenvironment.h"
#include "perf/exchangetiming.h"
#include "platform/clock.h"
#include "platform/lasterror.h"
#include "platform/module.h"
#include "sim/canbus.h"
#include "sim/devicenet/devicenetslave.h"

namespace {

constexpr std::uint32_t kBitRate = 500'000;
constexpr std::int32_t kNode = 5;
constexpr std::uint8_t kSector = 1;
constexpr std::size_t kImageBytes = 64 * 1024;
constexpr std::size_t kChunk = 32;
constexpr double kLineBaud = 57600;
constexpr double kBitsPerLineByte = 10;  // start, 8 data, stop

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "%s (last error 0x%X)\n", why.c_str(), platform::GetLastError());
  std::exit(1);
}

class Dnet {
 public:
  Dnet() : module_(platform::LoadLibrary("VRK_DNET.dll")) {
    if (module_ == nullptr) Fail("vrk_dnet.so could not be loaded");
  }
  template <typename Fn>
  Fn* Entry(const char* name) const {
    Fn* entry = platform::BindEntryPoint<Fn*>(module_, name);
    if (entry == nullptr) Fail(std::string("vrk_dnet.so lacks ") + name);
    return entry;
  }

 private:
  platform::ModuleHandle module_;
};

#define DNET(name) (dnet.Entry<decltype(::name)>(#name))

// Bytes that crossed the 1770-KFD's serial line so far, both ways; 0 for
// the other links.
std::uint64_t LineBytes(const perf::AdapterLink& link) {
  if (link.Kfd() == nullptr) return 0;
  const sim::KfdModuleState state = link.Kfd()->State();
  return state.lineBytesIn + state.lineBytesOut;
}

}  // namespace

int main(int argc, char** argv) {
  const perf::BenchSettings settings = perf::BenchSettings::Parse(argc, argv, /*interfaceOption=*/true);
  settings.Apply();
  sim::BusOptions options;
  options.bitRate = kBitRate;
  options.pacing = true;
  options.logCapacity = 1 << 20;
  sim::CanBus bus(options);
  perf::DeliveryProbe probe(bus);
  perf::AdapterLink link(bus, settings.usb, settings.interface);

  sim::DeviceNetSlaveConfig config;
  config.mac = kNode;
  config.mode = sim::FlashMode::BootLoader;
  config.skipDuplicateMacCheck = true;
  sim::DeviceNetSlave slave(bus, config);

  Dnet dnet;
  const InterfaceConfiguration cfg = link.Interface();
  std::int32_t card = -1;
  if (DNET(OpenInterface)(&card, &cfg) == 0 || DNET(SetMacID)(card, 0) == 0 ||
      DNET(SetBaud)(card, kBitRate) == 0 || DNET(SetOnline)(card, 1) == 0 || DNET(StartScan)(card) == 0) {
    Fail("the master could not go online");
  }
  DnetScanlistEntry entry{};
  entry.ExplicitProducedSize = entry.ExplicitConsumedSize = 48;
  entry.ExplicitTimerReload = 1000;
  entry.ExplicitPacketRate = 2500;
  DNET(AddToScanlist)(card, kNode, 1, &entry);
  std::int32_t online = 0;
  for (int i = 0; i < 1000 && online == 0; ++i) {
    platform::Sleep(10);
    DNET(NodeOnline)(card, kNode, &online);
  }
  if (online == 0) Fail("the node did not come online");
  const std::uint8_t erase[2] = {0x03, kSector};
  if (DNET(SetAttribute)(card, kNode, 0xC7, 1, 3, 2, erase) == 0) Fail("erase refused");

  std::vector<std::uint8_t> image(kImageBytes);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 31 + 7);

  bus.WaitIdle(std::chrono::seconds(10));
  bus.Log().Clear();
  probe.Clear();
  const std::uint64_t lineBytesBefore = LineBytes(link);
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t offset = 0; offset < image.size(); offset += kChunk) {
    std::uint8_t payload[6 + kChunk] = {0x02, kSector, static_cast<std::uint8_t>(offset),
                                        static_cast<std::uint8_t>(offset >> 8), static_cast<std::uint8_t>(offset >> 16),
                                        static_cast<std::uint8_t>(kChunk)};
    std::copy_n(image.data() + offset, kChunk, payload + 6);
    if (DNET(SetAttribute)(card, kNode, 0xC7, 1, 3, sizeof payload, payload) == 0) {
      Fail("memory write at " + std::to_string(offset) + " failed");
    }
  }
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::uint64_t lineBytes = LineBytes(link) - lineBytesBefore;

  // The bus time of the frames the writes needed: every frame to or from the
  // node's explicit connection identifiers.
  bus.WaitIdle(std::chrono::seconds(10));
  const perf::ExchangeTiming timing =
      perf::TimeExchanges(bus.Log().Entries(), probe, kNode * 8 + 0x404, kNode * 8 + 0x403, kBitRate);
  DNET(CloseCard)(card);

  const sim::FirmwareFlash flash = slave.Flash();  // a copy: the image below points into it
  const auto written = flash.Image(kSector);
  const auto differs = std::mismatch(image.begin(), image.end(), written.begin());
  if (differs.first != image.end()) {
    Fail("the node's flash does not hold the image: it differs from byte " +
         std::to_string(differs.first - image.begin()));
  }
  if (link.Kfd() != nullptr) {
    const double lineSeconds = double(lineBytes) * kBitsPerLineByte / kLineBaud;
    std::printf("64 KiB in %zu writes: %zu frames, %llu bytes on the DF1 line, line byte time at 57600 Bd %.3f s, "
                "elapsed %.3f s, ratio %.2f (no target: the line is the bound)\n",
                image.size() / kChunk, timing.Frames(), static_cast<unsigned long long>(lineBytes), lineSeconds,
                elapsed, elapsed / lineSeconds);
  } else {
    std::printf("64 KiB in %zu writes: %zu frames, bus lower bound %.3f s, elapsed %.3f s, ratio %.2f (target 1.30)\n",
                image.size() / kChunk, timing.Frames(), timing.BusSeconds(), elapsed, elapsed / timing.BusSeconds());
  }
  perf::PrintExchangeTiming(timing);
  return 0;
}
