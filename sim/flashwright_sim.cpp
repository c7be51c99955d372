// flashwright-sim: the bench as a program, for running Flashwright against
// simulated hardware. It prints where to connect and runs until SIGINT or
// SIGTERM, then shuts the bench down cleanly.
#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/module.h"
#include "sim/bench.h"
#include "sim/canbusendpoint.h"
#include "sim/canbuswire.h"
#include "sim/canopen/canopenslavepeerkind.h"
#include "sim/devicenet/devicenetslaveoptions.h"
#include "sim/kfd/kfdpeerkind.h"
#include "sim/peerkind.h"
#include "sim/qx240/qx240peerkind.h"
#include "sim/qx24x/qx24xpeerkind.h"
#include "sim/simoptions.h"

namespace {

constexpr const char* kProgram = "flashwright-sim";

// Blocks the stop signals in every thread (the bench's threads inherit the
// mask), so that main alone takes them with sigwait.
sigset_t BlockStopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  return signals;
}

int Run(const sim::SimOptions& options, const sigset_t& stopSignals) {
  sim::Bench bench(options.bench);
  for (const sim::PeerRequest& request : options.peers) bench.AddPeer(*request.kind, request.settings);
  // The bench's stand-ins for other makers' CAN libraries reach the bus here.
  sim::CanBusEndpoint endpoint(bench.Bus());
  if (!endpoint.Start()) return 1;
  for (const std::string& line : bench.Describe()) std::printf("%s\n", line.c_str());
  std::printf("Bench libraries (SST CAN2A, IXXAT VCI): %s=%s %s=%s/bench-libraries\n",
              sim::buswire::kEndpointVariable, endpoint.SocketPath().c_str(),
              "FLASHWRIGHT_LIBRARY_PATH", platform::ProgramDirectory().c_str());
  std::printf("Running; press Ctrl+C to stop.\n");
  std::fflush(stdout);

  int signal = 0;
  sigwait(&stopSignals, &signal);
  std::printf("Stopping.\n");
  const std::string captureError = bench.Bus().CaptureError();
  if (!captureError.empty()) {
    std::fprintf(stderr, "%s: %s\n", kProgram, captureError.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const sigset_t stopSignals = BlockStopSignals();
  sim::PeerKindRegistry kinds;
  kinds.Add(sim::Qx240PeerKind());
  kinds.Add(sim::KfdPeerKind());
  kinds.Add(sim::Qx24xPeerKind());
  kinds.Add(sim::DeviceNetSlavePeerKind());
  kinds.Add(sim::CanopenSlavePeerKind());
  sim::SimOptions options;
  try {
    options = sim::ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), kinds);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, error.what(), kProgram);
    return 2;
  }
  if (options.help) {
    std::printf("%s", sim::SimHelp(kinds).c_str());
    return 0;
  }
  try {
    return Run(options, stopSignals);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", kProgram, error.what());
    return 1;
  }
}
