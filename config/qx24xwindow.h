#pragma once
// The hardware window of the maker's USB/RS-232 interfaces: its caption and
// driver library come from the caller (the QX240, QX24X and QX262 drivers,
// and VRK_COPN for the QX242); Test opens the interface through that driver
// library.
#include <cstdint>
#include <string>

#include "config/serialusbform.h"
#include "platform/module.h"

class TForm_VRK_QX24X_CFG : public TSerialUsbForm {
 public:
  // driverLibrary: the file name of the driver library to test with.
  TForm_VRK_QX24X_CFG(TComponent* owner, const std::string& driverLibrary);

  // The card handle the last Test obtained (0 when no Test ran).
  std::int32_t TestedCard() const { return testedCard_; }

  void ComboBox_AccessPointChange(TObject* Sender);

 protected:
  void ShowUsbMode() override;
  void ShowRs232Mode() override;
  void Button_TestClick(TObject* Sender) override;
  void Button_OkClick(TObject* Sender) override;

 private:
  // The driver library's entry points, bound once per window.
  struct Driver {
    int (*OpenInterface)(std::int32_t* card, const InterfaceConfiguration* record) = nullptr;
    int (*CloseInterface)(std::int32_t card) = nullptr;
    int (*UnloadDriver)() = nullptr;
    int (*LoadDriver)() = nullptr;
    int (*OpenCard)(std::int32_t* card, std::int32_t type, const InterfaceSettings* settings) = nullptr;
    int (*CloseCard)(std::int32_t card) = nullptr;
    int (*List_USB_Devices)(std::uint32_t* count, std::uint32_t capacity, char* buffer) = nullptr;
  };

  void BindDriver();
  void ListUsbDevices();
  void TakeValues();

  std::string driverLibrary_;
  bool bound_ = false;
  Driver driver_;
  std::int32_t testedCard_ = 0;
};
