#include "sim/qx240/qx240peerkind.h"

#include <stdexcept>

#include "platform/lasterror.h"
#include "sim/qx240/qx240adapter.h"

namespace sim {
namespace {

Qx240AdapterOptions OptionsFor(bool permissive) {
  Qx240AdapterOptions options;
  options.permissiveFilters = permissive;
  return options;
}

class Qx240Peer final : public BenchPeer {
 public:
  Qx240Peer(CanBus& bus, int comPort, bool permissive)
      : comPort_(comPort), adapter_(OptionsFor(permissive)) {
    if (!adapter_.Start()) {
      throw std::runtime_error("qx240: no pseudo-terminal could be opened (error " +
                               std::to_string(platform::GetLastError()) + ")");
    }
    adapter_.AttachToBus(bus, "qx240-com" + std::to_string(comPort));
  }

  std::vector<std::string> ConnectionInfo() const override {
    return {"QX240 adapter on " + adapter_.SlavePath() + ": FLASHWRIGHT_COM" +
            std::to_string(comPort_) + "=" + adapter_.SlavePath()};
  }

 private:
  int comPort_;
  Qx240Adapter adapter_;
};

}  // namespace

PeerKind Qx240PeerKind() {
  return PeerKind{
      .name = "qx240",
      .summary = "QX240 CAN adapter on a pseudo-terminal (the serial frame protocol)",
      .options = {{"com", "the COM port number (1 to 4) the program opens", "1"},
                  {"permissive", "1: pass every bus frame whatever the acceptance filters", "0"}},
      .create = [](CanBus& bus, const PeerSettings& settings) -> std::unique_ptr<BenchPeer> {
        return std::make_unique<Qx240Peer>(bus, int(settings.Number("com", 1, 4)),
                                           settings.Number("permissive", 0, 1) != 0);
      },
  };
}

}  // namespace sim
