// Writes a 64 KiB image into a simulated CANopen node in 38-byte SDO
// downloads (the program's memory writes) through VRK_COPN, VRK_COCN, VRK_CAN
// and the QX240 driver, with the bench's bus paced at 500 kbit/s. The
// baseline is the bus time of exactly the SDO frames the writes needed, taken
// from the bus's own record; the ratio says how much the stack adds to it.
//
//   canopen_sdo_download_bench [--usb] [--all-cpus]     (target: 1.3 or better)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "canopen/copnapi.h"
#include "perf/benchenvironment.h"
#include "perf/exchangetiming.h"
#include "platform/lasterror.h"
#include "platform/module.h"
#include "sim/canbus.h"
#include "sim/canopen/canopenslave.h"

namespace {

constexpr std::uint32_t kBitRate = 500'000;
constexpr std::uint8_t kNode = 5;
constexpr std::uint32_t kImageSize = 64 * 1024;
constexpr std::uint32_t kChunk = 32;
constexpr std::uint8_t kSector = 2;

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "%s (last error 0x%X)\n", why.c_str(), platform::GetLastError());
  std::exit(1);
}

template <typename Fn>
Fn* Entry(platform::ModuleHandle module, const char* name) {
  Fn* entry = platform::BindEntryPoint<Fn*>(module, name);
  if (entry == nullptr) Fail(std::string("vrk_copn.so lacks ") + name);
  return entry;
}
#define COPN(name) (Entry<decltype(::name)>(copn, #name))

std::vector<std::uint8_t> MemoryWrite(std::uint32_t address, const std::uint8_t* data) {
  std::vector<std::uint8_t> payload(kChunk + 6);
  payload[0] = 0x02;
  payload[1] = kSector;
  for (int i = 0; i < 3; ++i) payload[2 + i] = static_cast<std::uint8_t>(address >> (8 * i));
  payload[5] = kChunk;
  std::copy(data, data + kChunk, payload.begin() + 6);
  return payload;
}

}  // namespace

int main(int argc, char** argv) {
  const perf::BenchSettings settings = perf::BenchSettings::Parse(argc, argv);
  settings.Apply();
  sim::BusOptions options;
  options.bitRate = kBitRate;
  options.pacing = true;
  sim::CanBus bus(options);
  perf::DeliveryProbe probe(bus);
  perf::AdapterLink link(bus, settings.usb);
  sim::CanopenSlaveConfig config;
  config.node = kNode;
  config.mode = sim::FlashMode::BootLoader;
  sim::CanopenSlave slave(bus, config);
  if (!slave.WaitForState(sim::NmtState::PreOperational, std::chrono::seconds(5))) Fail("the node did not boot");

  platform::ModuleHandle copn = platform::LoadLibrary("VRK_COPN.dll");
  if (copn == nullptr) Fail("vrk_copn.so could not be loaded");
  InterfaceConfiguration interface = link.Interface();
  std::int32_t iface = -1;
  if (COPN(OpenInterface)(&iface, &interface) == 0 || COPN(SetBaud)(iface, kBitRate) == 0 ||
      COPN(AddNode)(iface, kNode) == 0 || COPN(SetOnline)(iface, 1) == 0) {
    Fail("the interface could not be opened and taken online");
  }
  std::vector<std::uint8_t> erase(38, 0);
  erase[0] = 0x03;
  erase[1] = kSector;
  if (COPN(SDO_Download)(iface, kNode, 0x3600, 0, 38, erase.data()) == 0) Fail("the erase failed");

  std::vector<std::uint8_t> image(kImageSize);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
  bus.WaitIdle(std::chrono::seconds(5));
  bus.Log().Clear();
  probe.Clear();
  const auto start = std::chrono::steady_clock::now();
  for (std::uint32_t address = 0; address < kImageSize; address += kChunk) {
    const std::vector<std::uint8_t> payload = MemoryWrite(address, image.data() + address);
    if (COPN(SDO_Download)(iface, kNode, 0x3600, 0, static_cast<std::uint32_t>(payload.size()), payload.data()) == 0) {
      Fail("the write at " + std::to_string(address) + " failed");
    }
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  // The bus time of exactly the SDO frames the writes needed, and where the
  // rest went.
  bus.WaitIdle(std::chrono::seconds(5));
  const perf::ExchangeTiming timing =
      perf::TimeExchanges(bus.Log().Entries(), probe, 0x600u + kNode, 0x580u + kNode, kBitRate);
  COPN(CloseCard)(iface);

  const sim::FirmwareFlash flash = slave.Flash();
  const auto written = flash.Image(kSector);
  if (written.size() < image.size() || !std::equal(image.begin(), image.end(), written.begin())) {
    Fail("the node's flash does not hold the image");
  }
  const double bound = timing.BusSeconds();
  std::printf("64 KiB in %u SDO downloads of 38 bytes at %u bit/s\n", kImageSize / kChunk, kBitRate);
  std::printf("  SDO frames on the bus: %zu, their bus time (lower bound): %.3f s\n", timing.Frames(), bound);
  std::printf("  measured: %.3f s, ratio %.2fx (target 1.3x or better)\n", elapsed.count(), elapsed.count() / bound);
  perf::PrintExchangeTiming(timing);
  return 0;
}
