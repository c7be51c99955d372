#include "config/qx24xwindow.h"

#include <vector>

namespace {

constexpr std::uint32_t kListedDevices = 4;
constexpr std::uint32_t kListCapacity = 512;

}  // namespace

TForm_VRK_QX24X_CFG::TForm_VRK_QX24X_CFG(TComponent* owner, const std::string& driverLibrary)
    : TSerialUsbForm(owner, "Form_VRK_QX24X_CFG", "", "Button_TestInterface"), driverLibrary_(driverLibrary) {
  SetBorderIcons(0);
  ComboBox_AccessPoint->OnChange = Method(this, &TForm_VRK_QX24X_CFG::ComboBox_AccessPointChange);
}

void TForm_VRK_QX24X_CFG::BindDriver() {
  if (bound_) return;
  bound_ = true;
  // The library stays loaded for the life of the process: its cards and
  // threads may be the caller's.
  const platform::ModuleHandle library = platform::LoadLibrary(driverLibrary_.c_str());
  if (library == nullptr) return;
  const auto bind = [&](auto& entry, const char* name) {
    entry = platform::BindEntryPoint<std::remove_reference_t<decltype(entry)>>(library, name);
  };
  bind(driver_.OpenInterface, "OpenInterface");
  bind(driver_.CloseInterface, "CloseInterface");
  bind(driver_.UnloadDriver, "UnloadDriver");
  bind(driver_.LoadDriver, "LoadDriver");
  bind(driver_.OpenCard, "OpenCard");
  bind(driver_.CloseCard, "CloseCard");
  bind(driver_.List_USB_Devices, "List_USB_Devices");
  if (driver_.LoadDriver != nullptr) driver_.LoadDriver();
}

void TForm_VRK_QX24X_CFG::ShowUsbMode() {
  BindDriver();
  ComboBox_AccessPoint->SetItemIndex(0);
  ListUsbDevices();
  TSerialUsbForm::ShowUsbMode();
  dialogparts::SelectText(ComboBox_AccessPoint, Record.AccessPoint);
}

void TForm_VRK_QX24X_CFG::ShowRs232Mode() {
  BindDriver();
  TSerialUsbForm::ShowRs232Mode();
}

void TForm_VRK_QX24X_CFG::ListUsbDevices() {
  if (driver_.List_USB_Devices == nullptr) return;
  std::vector<char> buffer(kListCapacity, '\0');
  std::uint32_t count = kListedDevices;
  if (driver_.List_USB_Devices(&count, kListCapacity, buffer.data()) == 0) return;
  ComboBox_AccessPoint->Items()->Clear();
  for (const std::string& name : dialogparts::UsbDeviceNames(buffer.data(), buffer.size(), count)) {
    ComboBox_AccessPoint->Items()->Add(name);
  }
}

void TForm_VRK_QX24X_CFG::ComboBox_AccessPointChange(TObject*) {
  dialogparts::SetAccessPoint(Record, ComboBox_AccessPoint->GetText());
}

void TForm_VRK_QX24X_CFG::TakeValues() {
  Record.Port = Record.Irq = 0;
  TakeComSettings();
  if (!UsbMode()) {
    dialogparts::SetAccessPoint(Record, "");
    return;
  }
  TStrings* names = ComboBox_AccessPoint->Items();
  const int selected = ComboBox_AccessPoint->ItemIndex();
  if (names->Count() > 0) dialogparts::SetAccessPoint(Record, names->Strings(selected >= 0 ? selected : 0));
}

// The settings shown are the ones tested, as Ok would store them; the
// interface type is the caller's.
void TForm_VRK_QX24X_CFG::Button_TestClick(TObject*) {
  BindDriver();
  if (driver_.OpenInterface == nullptr) {
    dialogparts::ReportFailure("Cannot Find Driver");
    return;
  }
  TakeValues();
  std::int32_t card = 0;
  const bool opened = dialogparts::Busy([&] { return driver_.OpenInterface(&card, &Record); }) != 0;
  testedCard_ = card;
  if (!opened) {
    // Nothing was opened: the handle may be another's card, which stays.
    dialogparts::ReportOpenFailure("Cannot Open Interface", Record);
    return;
  }
  dialogparts::ReportSuccess("Interface Opened", "Success");
  if (driver_.CloseInterface != nullptr) driver_.CloseInterface(card);
}

void TForm_VRK_QX24X_CFG::Button_OkClick(TObject*) { TakeValues(); }
