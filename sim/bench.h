#pragma once
// The bench: one virtual bus and the simulated devices started on it. The
// same object runs inside test processes and behind flashwright-sim.
#include <memory>
#include <string>
#include <vector>

#include "sim/canbus.h"
#include "sim/peerkind.h"

namespace sim {

struct BenchOptions {
  BusOptions bus;
  std::string pcapPath;  // empty: no capture
};

class Bench {
 public:
  // Throws std::runtime_error when the capture file cannot be created.
  explicit Bench(BenchOptions options);

  CanBus& Bus() { return bus_; }
  // Starts a device of the given kind; the kind's errors propagate.
  BenchPeer& AddPeer(const PeerKind& kind, const PeerSettings& settings);
  // The bus settings and every device's connection lines, for the user.
  std::vector<std::string> Describe();

 private:
  BenchOptions options_;
  CanBus bus_;  // declared before the peers, so that it outlives them
  std::vector<std::unique_ptr<BenchPeer>> peers_;
};

}  // namespace sim
