#pragma once
// The command line of flashwright-sim.
#include <string>
#include <vector>

#include "sim/bench.h"
#include "sim/peerkind.h"

namespace sim {

struct PeerRequest {
  const PeerKind* kind = nullptr;
  PeerSettings settings;
};

struct SimOptions {
  BenchOptions bench;
  std::vector<PeerRequest> peers;
  bool help = false;
};

// Parses the arguments after the program name. Throws std::invalid_argument
// with a message for the user for anything it cannot accept.
SimOptions ParseSimOptions(const std::vector<std::string>& args, const PeerKindRegistry& kinds);

// The --help text; it lists the peer kinds of the registry and their options.
std::string SimHelp(const PeerKindRegistry& kinds);

}  // namespace sim
