// The CANopen part of master_idle_bench: an interface online with two nodes,
// one guarded by remote frames, the other by heartbeat, every 1000 ms.
#include "canopen/copnapi.h"
#include "perf/master_idle.h"
#include "sim/canopen/canopenslave.h"

#define COPN(name) (perf::EntryOrFail<decltype(::name)>(module, #name))

namespace perf {

void CanopenIdle(const BenchSettings& settings) {
  sim::CanBus bus(IdleBusOptions());
  AdapterLink link(bus, settings.usb);
  sim::CanopenSlaveConfig first, second;
  first.node = kIdleFirstNode;
  second.node = kIdleSecondNode;
  sim::CanopenSlave firstSlave(bus, first), secondSlave(bus, second);
  for (const sim::CanopenSlave* slave : {&firstSlave, &secondSlave}) {
    if (!slave->WaitForState(sim::NmtState::PreOperational, std::chrono::seconds(5))) IdleFail("a node did not boot");
  }

  platform::ModuleHandle module = LoadOrFail("VRK_COPN.dll");
  InterfaceConfiguration cfg = link.Interface();
  std::int32_t iface = -1;
  if (COPN(OpenInterface)(&iface, &cfg) == 0 || COPN(SetNodeID)(iface, 1) == 0 ||
      COPN(SetBaud)(iface, kIdleBitRate) == 0 || COPN(AddNode)(iface, kIdleFirstNode) == 0 ||
      COPN(AddNode)(iface, kIdleSecondNode) == 0 || COPN(SetOnline)(iface, 1) == 0) {
    IdleFail("the CANopen interface could not go online");
  }
  // The downloader's guarding (remote frames every 1000 ms), and heartbeat.
  if (COPN(NMT_StartGuarding)(iface, kIdleFirstNode, kCopnGuardRemoteFrames, 1000) == 0 ||
      COPN(NMT_StartGuarding)(iface, kIdleSecondNode, kCopnGuardHeartbeat, 1000) == 0) {
    IdleFail("guarding could not start");
  }
  if (secondSlave.HeartbeatTime() != 1000) IdleFail("the node did not take the heartbeat time");
  const auto alive = [&](std::uint8_t node) {
    std::int32_t on = 0;
    return COPN(GetNodeOnline)(iface, node, &on) != 0 && on != 0;
  };
  if (!Eventually([&] { return alive(kIdleFirstNode) && alive(kIdleSecondNode); })) {
    IdleFail("the nodes did not answer");
  }
  MeasureIdle("CANopen", bus);
  if (!alive(kIdleFirstNode) || !alive(kIdleSecondNode)) IdleFail("a node was lost while idle");
  COPN(CloseInterface)(iface);
}

}  // namespace perf
