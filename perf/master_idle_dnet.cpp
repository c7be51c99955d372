// The DeviceNet part of master_idle_bench: a card online, scanning, with two
// nodes in the scanlist on explicit connections and no I/O.
#include "devicenet/vrk_dnet.h"
#include "perf/master_idle.h"
#include "sim/devicenet/devicenetslave.h"

#define DNET(name) (perf::EntryOrFail<decltype(::name)>(module, #name))

namespace perf {

void DeviceNetIdle(const BenchSettings& settings) {
  sim::CanBus bus(IdleBusOptions());
  AdapterLink link(bus, settings.usb);
  sim::DeviceNetSlaveConfig first, second;
  first.mac = kIdleFirstNode;
  second.mac = kIdleSecondNode;
  sim::DeviceNetSlave firstSlave(bus, first), secondSlave(bus, second);

  platform::ModuleHandle module = LoadOrFail("VRK_DNET.dll");
  const InterfaceConfiguration cfg = link.Interface();
  std::int32_t card = -1;
  if (DNET(OpenInterface)(&card, &cfg) == 0 || DNET(SetMacID)(card, 0) == 0 ||
      DNET(SetBaud)(card, kIdleBitRate) == 0 || DNET(SetOnline)(card, 1) == 0 || DNET(StartScan)(card) == 0) {
    IdleFail("the DeviceNet master could not go online");
  }
  // As the downloader asks for its nodes.
  DnetScanlistEntry entry{};
  entry.ExplicitProducedSize = entry.ExplicitConsumedSize = 32;
  entry.ExplicitTimerReload = 1000;
  entry.ExplicitPacketRate = 2500;
  const auto connected = [&](std::uint8_t mac) {
    std::int32_t online = 0;
    return DNET(NodeOnline)(card, mac, &online) != 0 && online != 0;
  };
  for (std::uint8_t mac : {kIdleFirstNode, kIdleSecondNode}) {
    if (DNET(AddToScanlist)(card, mac, 1, &entry) == 0) IdleFail("AddToScanlist refused");
  }
  if (!Eventually([&] { return connected(kIdleFirstNode) && connected(kIdleSecondNode); })) {
    IdleFail("the nodes did not connect");
  }
  MeasureIdle("DeviceNet", bus);
  if (!connected(kIdleFirstNode) || !connected(kIdleSecondNode)) IdleFail("a node was lost while idle");
  DNET(CloseCard)(card);
}

}  // namespace perf
