#include "sim/bench.h"

#include <stdexcept>

namespace sim {

Bench::Bench(BenchOptions options) : options_(std::move(options)), bus_(options_.bus) {
  if (!options_.pcapPath.empty() && !bus_.StartCapture(options_.pcapPath)) {
    throw std::runtime_error(bus_.CaptureError());
  }
}

BenchPeer& Bench::AddPeer(const PeerKind& kind, const PeerSettings& settings) {
  peers_.push_back(kind.create(bus_, settings));
  return *peers_.back();
}

std::vector<std::string> Bench::Describe() {
  std::vector<std::string> lines;
  lines.push_back("CAN bus: " + std::to_string(bus_.BitRate()) + " bit/s, pacing " +
                  (bus_.Pacing() ? "on" : "off") + ", serial pacing " + (bus_.SerialPacing() ? "on" : "off"));
  if (!options_.pcapPath.empty()) lines.push_back("Capture: " + options_.pcapPath);
  if (peers_.empty()) lines.push_back("No devices on the bus.");
  for (const auto& peer : peers_) {
    for (std::string& line : peer->ConnectionInfo()) lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace sim
