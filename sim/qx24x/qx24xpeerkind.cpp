#include "sim/qx24x/qx24xpeerkind.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "platform/lasterror.h"
#include "platform/usb.h"
#include "sim/qx24x/qx24xmodule.h"
#include "sim/qx24x/qx24xserialport.h"
#include "sim/qx24x/qx24xusbdevice.h"

namespace sim {
namespace {

std::runtime_error StartError(const std::string& what) {
  return std::runtime_error("qx24x: " + what + " (error " + std::to_string(platform::GetLastError()) + ")");
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// The module is not on the CAN bus; it only needs a line or a USB device.
class Qx24xPeer final : public BenchPeer {
 public:
  Qx24xPeer(int comPort, const std::string& instance) : comPort_(comPort) {
    if (comPort_ == 0) {
      usb_ = std::make_unique<Qx24xUsbDevice>(module_, instance);
      if (!usb_->Start()) throw StartError("the USB device could not be made present");
    } else {
      serial_ = std::make_unique<Qx24xSerialPort>(module_);
      if (!serial_->Start()) throw StartError("no pseudo-terminal could be opened");
    }
  }

  std::vector<std::string> ConnectionInfo() const override {
    const std::string password = "upgrade-mode confirmation code " + Hex(Qx24xModuleOptions{}.password);
    if (usb_) {
      return {"QX24X module on USB " + usb_->DevicePath() + ": FLASHWRIGHT_USB_DIR=" +
                  platform::UsbDirectory() + ", ComPort 0, AccessPoint \"1\"",
              password};
    }
    return {"QX24X module on " + serial_->SlavePath() + ": FLASHWRIGHT_COM" +
                std::to_string(comPort_) + "=" + serial_->SlavePath(),
            password};
  }

 private:
  int comPort_;
  Qx24xModule module_;
  std::unique_ptr<Qx24xSerialPort> serial_;
  std::unique_ptr<Qx24xUsbDevice> usb_;
};

}  // namespace

PeerKind Qx24xPeerKind() {
  return PeerKind{
      .name = "qx24x",
      .summary = "QX24X interface module with eight flash sectors, on a pseudo-terminal or on USB",
      .options = {{"com", "the COM port number (1 to 4) the program opens; 0: on USB", "0"},
                  {"instance", "the USB device's instance text (its serial number)", "QX24X-0001"}},
      .create = [](CanBus&, const PeerSettings& settings) -> std::unique_ptr<BenchPeer> {
        return std::make_unique<Qx24xPeer>(int(settings.Number("com", 0, 4)), settings.Text("instance"));
      },
  };
}

}  // namespace sim
