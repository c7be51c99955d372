#include "config/copnwindows.h"

#include <iterator>
#include <string>

namespace {

struct Item {
  const char* name;
  std::int32_t value;
};
constexpr Item kInterfaces[] = {{"VRK QX242", COPN_INTERFACE_QX242},   {"VRK QX240", CAN_INTERFACE_QX240},
                                {"SST CAN2A", CAN_INTERFACE_SST_CAN2A}, {"AB 1770-KFD", CAN_INTERFACE_AB_KFD},
                                {"IXXAT VCI", CAN_INTERFACE_IXXAT_VCI}};
constexpr int kQx240Item = 1;
constexpr Item kRates[] = {{"10 kb", 10000},     {"20 kb", 20000},     {"50 kb", 50000},
                           {"100 kb", 100000},   {"125 kb", 125000},   {"250 kb", 250000},
                           {"500 kb", 500000},   {"*800 kb*", 800000}, {"1 Mb", 1000000}};
constexpr int k125kItem = 4;
constexpr std::int32_t kRateWithoutSelection = 125000;
constexpr int kHighestNode = 127;

template <std::size_t N>
int IndexOf(const Item (&items)[N], std::int32_t value) {
  for (std::size_t i = 0; i < N; ++i) {
    if (items[i].value == value) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

std::unique_ptr<TVRK_COPN_Interface> CanopenDialogBinding() {
  return std::make_unique<TVRK_COPN_Interface>(TVRK_COPN_Interface::kLibraryName, binding::Use::kDialogs);
}

// ---- TForm_CANopenInterfaceConfiguration ----

TForm_CANopenInterfaceConfiguration::TForm_CANopenInterfaceConfiguration(TComponent* owner)
    : TForm(owner), binding_(CanopenDialogBinding()) {
  using namespace dialogparts;
  MakeDialog(this, "Form_CANopenInterfaceConfiguration", "CANopen Interface Configuration", 330, 170);
  KeepPlacement(this, ".\\FORM.INI", "Form_DeviceNetInterfaceConfiguration", false);

  ComboBox_NodeID = AddList(this, this, "ComboBox_NodeID", "Node ID:", 10, 10, 60);
  for (int node = 1; node <= kHighestNode; ++node) ComboBox_NodeID->Items()->Add(std::to_string(node));

  ComboBox_COPNInterface = AddList(this, this, "ComboBox_COPNInterface", "Interface Type:", 10, 55, 150);
  for (const Item& item : kInterfaces) ComboBox_COPNInterface->Items()->Add(item.name);
  ComboBox_COPNInterface->SetItemIndex(kQx240Item);
  ComboBox_COPNInterface->OnChange = Method(this, &TForm_CANopenInterfaceConfiguration::ComboBox_COPNInterfaceChange);

  ComboBox_BaudRate = AddList(this, this, "ComboBox_BaudRate", "Baud Rate:", 175, 10, 145);
  for (const Item& item : kRates) ComboBox_BaudRate->Items()->Add(item.name);

  Button_ConfigureHardware = AddButton(this, "Button_ConfigureHardware", "Configure Hardware", mrNone, 175, 70);
  Button_ConfigureHardware->SetWidth(145);
  Button_ConfigureHardware->SetHint("Apply Hardware Settings");
  Button_ConfigureHardware->SetShowHint(true);
  Button_ConfigureHardware->OnClick =
      Method(this, &TForm_CANopenInterfaceConfiguration::Button_ConfigureHardwareClick);
  Button_Cancel = AddButton(this, "Button_Cancel", "Cancel", mrCancel, 165, 135);
  Button_Ok = AddButton(this, "Button_Ok", "Ok", mrOk, 245, 135);
  Button_Ok->OnClick = Method(this, &TForm_CANopenInterfaceConfiguration::Button_OkClick);

  OnShow = Method(this, &TForm_CANopenInterfaceConfiguration::FormShow);
}

void TForm_CANopenInterfaceConfiguration::FormShow(TObject*) {
  if (Network.NodeID == 0) Network.NodeID = kHighestNode;
  if (Network.NodeID >= 1 && Network.NodeID <= kHighestNode) ComboBox_NodeID->SetItemIndex(Network.NodeID - 1);
  const int rate = IndexOf(kRates, Network.BaudRate);
  ComboBox_BaudRate->SetItemIndex(rate >= 0 ? rate : k125kItem);
  if (const int type = IndexOf(kInterfaces, Record.InterfaceType); type >= 0) ComboBox_COPNInterface->SetItemIndex(type);
}

void TForm_CANopenInterfaceConfiguration::ComboBox_COPNInterfaceChange(TObject*) {
  dialogparts::ClearHardwareFields(Record);
}

void TForm_CANopenInterfaceConfiguration::TakeValues() {
  const int node = ComboBox_NodeID->ItemIndex();
  Network.NodeID = node >= 0 ? node + 1 : 0;
  const int rate = ComboBox_BaudRate->ItemIndex();
  Network.BaudRate = rate >= 0 ? kRates[rate].value : kRateWithoutSelection;
  const int type = ComboBox_COPNInterface->ItemIndex();
  Record.InterfaceType = type >= 0 ? kInterfaces[type].value : 0;
}

void TForm_CANopenInterfaceConfiguration::Button_ConfigureHardwareClick(TObject*) {
  TakeValues();
  binding_->HardwareConfigurationWindow(&Record);
}

void TForm_CANopenInterfaceConfiguration::Button_OkClick(TObject*) { TakeValues(); }

// ---- TForm_VRK_QX242_CFG ----

TForm_VRK_QX242_CFG::TForm_VRK_QX242_CFG(TComponent* owner)
    : TSerialUsbForm(owner, "Form_VRK_QX242_CFG", "VRK QX242 Configuration", "Button_Test"),
      binding_(CanopenDialogBinding()) {}

void TForm_VRK_QX242_CFG::TakeValues() {
  Record.InterfaceType = COPN_INTERFACE_QX242;
  Record.Port = Record.Irq = 0;
  TakeComSettings();
  dialogparts::SetAccessPoint(Record, "");
}

// The settings shown are the ones tested, as Ok would store them.
void TForm_VRK_QX242_CFG::Button_TestClick(TObject*) {
  TakeValues();
  if (dialogparts::Busy([&] { return binding_->OpenInterface(&Record); }) == 0) {
    dialogparts::ReportOpenFailure("Cannot Open Interface", Record);
  }
}

void TForm_VRK_QX242_CFG::Button_OkClick(TObject*) { TakeValues(); }
