#include "sim/qx240/qx240peerkind.h"

#include <memory>
#include <stdexcept>

#include "platform/lasterror.h"
#include "platform/usb.h"
#include "sim/qx240/qx240adapter.h"
#include "sim/qx240/qx240usbadapter.h"

namespace sim {
namespace {

// The adapter models the bench serves on either transport.
struct Model {
  const char* key;   // the option's value and the bus peer's name
  const char* name;  // what the user reads
  Qx240UsbAdapterOptions (*options)(const std::string& instance);
};
constexpr Model kQx240{"qx240", "QX240", &Qx240UsbOptions};
constexpr Model kQx262{"qx262", "QX262", &Qx262UsbOptions};

struct Qx240PeerConfig {
  const Model* model = &kQx240;
  int comPort = 1;  // 0: on USB
  std::string instance;  // empty: the model's first serial number
  bool permissive = false;
};

std::runtime_error StartError(const Model& model, const std::string& what) {
  return std::runtime_error(std::string(model.key) + ": " + what + " (error " +
                            std::to_string(platform::GetLastError()) + ")");
}

Qx240UsbAdapterOptions OptionsFor(const Qx240PeerConfig& config) {
  const std::string instance =
      config.instance.empty() ? std::string(config.model->name) + "-0001" : config.instance;
  Qx240UsbAdapterOptions options = config.model->options(instance);
  options.adapter.permissiveFilters = config.permissive;
  return options;
}

class Qx240Peer final : public BenchPeer {
 public:
  Qx240Peer(CanBus& bus, const Qx240PeerConfig& config) : config_(config) {
    Qx240UsbAdapterOptions options = OptionsFor(config);
    const std::string peerName = std::string(config.model->key) +
                                 (config.comPort == 0 ? "-usb" : "-com" + std::to_string(config.comPort));
    if (config.comPort == 0) {
      instance_ = options.identity.instance;
      usb_ = std::make_unique<Qx240UsbAdapter>(std::move(options));
      if (!usb_->Start()) throw StartError(*config.model, "the USB device could not be made present");
      usb_->AttachToBus(bus, peerName);
    } else {
      options.adapter.pacedLine = bus.SerialPacing();
      serial_ = std::make_unique<Qx240Adapter>(std::move(options.adapter));
      if (!serial_->Start()) throw StartError(*config.model, "no pseudo-terminal could be opened");
      serial_->AttachToBus(bus, peerName);
    }
  }

  std::vector<std::string> ConnectionInfo() const override {
    const std::string model = config_.model->name;
    if (usb_) {
      return {model + " on USB " + usb_->DevicePath() + ": FLASHWRIGHT_USB_DIR=" +
              platform::UsbDirectory() + ", ComPort 0, AccessPoint \"1\" (the first device) or \"" +
              instance_ + "\""};
    }
    return {model + " on " + serial_->SlavePath() + ": FLASHWRIGHT_COM" +
            std::to_string(config_.comPort) + "=" + serial_->SlavePath()};
  }

 private:
  Qx240PeerConfig config_;
  std::string instance_;
  std::unique_ptr<Qx240Adapter> serial_;
  std::unique_ptr<Qx240UsbAdapter> usb_;
};

}  // namespace

PeerKind Qx240PeerKind() {
  return PeerKind{
      .name = "qx240",
      .summary = "QX240 CAN adapter (or QX262 interface) on a pseudo-terminal or on USB",
      .options = {{"com", "the COM port number (1 to 4) the program opens; 0: on USB", "1"},
                  {"model", "qx240: the QX240 adapter; qx262: the QX262 interface", "qx240"},
                  {"instance",
                   "the USB device's instance text (its serial number); empty: QX240-0001 or "
                   "QX262-0001",
                   ""},
                  {"permissive", "1: pass every bus frame whatever the acceptance filters", "0"}},
      .create = [](CanBus& bus, const PeerSettings& settings) -> std::unique_ptr<BenchPeer> {
        Qx240PeerConfig config;
        config.model = settings.Choice<const Model*>("model", {{kQx240.key, &kQx240}, {kQx262.key, &kQx262}});
        config.comPort = int(settings.Number("com", 0, 4));
        config.instance = settings.Text("instance");
        config.permissive = settings.Number("permissive", 0, 1) != 0;
        return std::make_unique<Qx240Peer>(bus, config);
      },
  };
}

}  // namespace sim
