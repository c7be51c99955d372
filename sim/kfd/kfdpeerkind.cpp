#include "sim/kfd/kfdpeerkind.h"

#include <memory>
#include <stdexcept>

#include "platform/lasterror.h"
#include "sim/kfd/kfdmodule.h"

namespace sim {
namespace {

class KfdPeer final : public BenchPeer {
 public:
  KfdPeer(CanBus& bus, int comPort, const KfdFaults& faults)
      : comPort_(comPort), module_(faults, bus.SerialPacing()) {
    if (!module_.Start()) {
      throw std::runtime_error("kfd: no pseudo-terminal could be opened (error " +
                               std::to_string(platform::GetLastError()) + ")");
    }
    module_.AttachToBus(bus, "kfd-com" + std::to_string(comPort));
  }

  std::vector<std::string> ConnectionInfo() const override {
    return {"1770-KFD on " + module_.SlavePath() + ": FLASHWRIGHT_COM" + std::to_string(comPort_) + "=" +
            module_.SlavePath()};
  }

 private:
  int comPort_;
  KfdModule module_;
};

}  // namespace

PeerKind KfdPeerKind() {
  return PeerKind{
      .name = "kfd",
      .summary = "1770-KFD DeviceNet module (DF1 full duplex) on a pseudo-terminal",
      .options = {{"com", "the COM port number (1 to 4) the program opens", "1"},
                  {"naks", "refuse the first n messages from the host", "0"},
                  {"lost-acks", "take the first n messages from the host without acknowledging them", "0"},
                  {"silent", "1: answer nothing at all", "0"},
                  {"garbled", "send the first n messages with a wrong block check", "0"}},
      .create = [](CanBus& bus, const PeerSettings& settings) -> std::unique_ptr<BenchPeer> {
        KfdFaults faults;
        faults.naks = std::uint32_t(settings.Number("naks", 0, 1'000'000));
        faults.lostAcks = std::uint32_t(settings.Number("lost-acks", 0, 1'000'000));
        faults.silent = settings.Number("silent", 0, 1) != 0;
        faults.garbled = std::uint32_t(settings.Number("garbled", 0, 1'000'000));
        return std::make_unique<KfdPeer>(bus, int(settings.Number("com", 1, 4)), faults);
      },
  };
}

}  // namespace sim
