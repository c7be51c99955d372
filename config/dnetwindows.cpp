#include "config/dnetwindows.h"

#include <iterator>
#include <string>

#include "platform/osversion.h"

namespace {

struct InterfaceItem {
  const char* name;
  std::int32_t type;
};
constexpr InterfaceItem kInterfaces[] = {{"VRK QX241", DNET_INTERFACE_QX241},   {"SST DNSCAN", DNET_INTERFACE_SST_DNSCAN},
                                         {"VRK QX240", CAN_INTERFACE_QX240},     {"SST CAN2A", CAN_INTERFACE_SST_CAN2A},
                                         {"AB 1770-KFD", CAN_INTERFACE_AB_KFD}, {"IXXAT VCI", CAN_INTERFACE_IXXAT_VCI}};
constexpr int kQx240Item = 2;
constexpr int kSstCan2aItem = 3;
constexpr int kMacCount = 64;

// The SST card from Windows 95 OSR2 (4.1) and Windows 2000 (NT 5) on, the
// QX240 on the systems before.
int InitialInterface() {
  const platform::OsVersion os = platform::GetOsVersion();
  const bool newer = os.PlatformId == platform::kPlatformWin32Windows
                         ? os.MajorVersion > 4 || (os.MajorVersion == 4 && os.MinorVersion != 0)
                         : os.MajorVersion >= 5;
  return newer ? kSstCan2aItem : kQx240Item;
}

constexpr const char* kPlacementFile = ".\\FORM.INI";

std::unique_ptr<TVRK_DNET_Interface> DialogBinding() {
  return std::make_unique<TVRK_DNET_Interface>(TVRK_DNET_Interface::kLibraryName, binding::Use::kDialogs);
}

}  // namespace

// ---- TForm_DeviceNetInterfaceConfiguration ----

TForm_DeviceNetInterfaceConfiguration::TForm_DeviceNetInterfaceConfiguration(TComponent* owner)
    : TForm(owner), binding_(DialogBinding()) {
  using namespace dialogparts;
  MakeDialog(this, "Form_DeviceNetInterfaceConfiguration", "DeviceNet Interface Configuration", 330, 170);
  KeepPlacement(this, ".\\WindowPositions.INI", "Form_DeviceNetInterfaceConfiguration", false);

  ComboBox_MasterMacID = AddList(this, this, "ComboBox_MasterMacID", "MacID:", 10, 10, 60);
  for (int mac = 0; mac < kMacCount; ++mac) ComboBox_MasterMacID->Items()->Add(std::to_string(mac));
  ComboBox_MasterMacID->SetItemIndex(0);

  ComboBox_DNETInterface = AddList(this, this, "ComboBox_DNETInterface", "Interface Type:", 10, 55, 150);
  for (const InterfaceItem& item : kInterfaces) ComboBox_DNETInterface->Items()->Add(item.name);
  ComboBox_DNETInterface->SetItemIndex(InitialInterface());
  ComboBox_DNETInterface->OnChange = Method(this, &TForm_DeviceNetInterfaceConfiguration::ComboBox_DNETInterfaceChange);

  GroupBox_BaudRate = new TGroupBox(this);
  GroupBox_BaudRate->SetName("GroupBox_BaudRate");
  GroupBox_BaudRate->SetParent(this);
  GroupBox_BaudRate->SetCaption("Baud Rate:");
  GroupBox_BaudRate->SetBounds(175, 10, 145, 95);
  int top = 20;
  for (auto [button, name, caption] : {std::tuple{&RadioButton_125k, "RadioButton_125k", "125k"},
                                       std::tuple{&RadioButton_250k, "RadioButton_250k", "250k"},
                                       std::tuple{&RadioButton_500k, "RadioButton_500k", "500k"}}) {
    *button = new TRadioButton(this);
    (*button)->SetName(name);
    (*button)->SetParent(GroupBox_BaudRate);
    (*button)->SetCaption(caption);
    (*button)->SetBounds(10, top, 120, 20);
    top += 25;
  }
  RadioButton_125k->SetChecked(true);

  Button_ConfigureHardware = AddButton(this, "Button_ConfigureHardware", "Configure Hardware", mrNone, 10, 100);
  Button_ConfigureHardware->SetWidth(150);
  Button_ConfigureHardware->SetHint("Apply Hardware Settings");
  Button_ConfigureHardware->SetShowHint(true);
  Button_ConfigureHardware->OnClick =
      Method(this, &TForm_DeviceNetInterfaceConfiguration::Button_ConfigureHardwareClick);
  Button_Cancel = AddButton(this, "Button_Cancel", "Cancel", mrCancel, 165, 135);
  Button_Ok = AddButton(this, "Button_Ok", "Ok", mrOk, 245, 135);
  Button_Ok->OnClick = Method(this, &TForm_DeviceNetInterfaceConfiguration::Button_OkClick);

  OnShow = Method(this, &TForm_DeviceNetInterfaceConfiguration::FormShow);
}

void TForm_DeviceNetInterfaceConfiguration::FormShow(TObject*) {
  if (Network.MacId >= 0 && Network.MacId < kMacCount) ComboBox_MasterMacID->SetItemIndex(Network.MacId);
  switch (Network.BaudRate) {
    case 125000: RadioButton_125k->SetChecked(true); break;
    case 250000: RadioButton_250k->SetChecked(true); break;
    case 500000: RadioButton_500k->SetChecked(true); break;
    default: break;  // the form's default stays
  }
  for (std::size_t i = 0; i < std::size(kInterfaces); ++i) {
    if (kInterfaces[i].type == Record.InterfaceType) ComboBox_DNETInterface->SetItemIndex(static_cast<int>(i));
  }
}

void TForm_DeviceNetInterfaceConfiguration::ComboBox_DNETInterfaceChange(TObject*) {
  dialogparts::ClearHardwareFields(Record);
}

void TForm_DeviceNetInterfaceConfiguration::TakeValues() {
  Network.MacId = std::max(ComboBox_MasterMacID->ItemIndex(), 0);
  if (RadioButton_125k->Checked()) Network.BaudRate = 125000;
  if (RadioButton_250k->Checked()) Network.BaudRate = 250000;
  if (RadioButton_500k->Checked()) Network.BaudRate = 500000;
  const int type = ComboBox_DNETInterface->ItemIndex();
  Record.InterfaceType = type >= 0 ? kInterfaces[type].type : 0;
}

void TForm_DeviceNetInterfaceConfiguration::Button_ConfigureHardwareClick(TObject*) {
  TakeValues();
  binding_->HardwareConfigurationWindow(&Record);
}

void TForm_DeviceNetInterfaceConfiguration::Button_OkClick(TObject*) { TakeValues(); }

// ---- hardware windows ----

TDnetHardwareForm::TDnetHardwareForm(TComponent* owner, const char* name, const char* caption,
                                     const char* placementKey, bool saveSize)
    : TForm(owner), binding_(DialogBinding()) {
  using namespace dialogparts;
  MakeDialog(this, name, caption, 235, 110);
  KeepPlacement(this, kPlacementFile, placementKey, saveSize);
  Button_Test = AddButton(this, "Button_Test", "Test", mrNone, 150, 10);
  Button_Test->SetDefault(true);
  Button_Test->OnClick = [this](TObject* sender) { Button_TestClick(sender); };
  Button_Ok = AddButton(this, "Button_Ok", "Ok", mrOk, 150, 42);
  Button_Ok->OnClick = [this](TObject* sender) { Button_OkClick(sender); };
  Button_Cancel = AddButton(this, "Button_Cancel", "Cancel", mrCancel, 150, 74);
}

bool TDnetHardwareForm::OpenRecord() {
  return dialogparts::Busy([&] { return binding_->OpenInterface(&Record); }) != 0;
}

TForm_VRK_QX241S_CFG::TForm_VRK_QX241S_CFG(TComponent* owner)
    : TDnetHardwareForm(owner, "Form_VRK_QX241S_CFG", "VRK QX241S Configuration", "Form_VRK_QX241S_CFG", true),
      ComLists(this, this, 10, 10) {
  OnShow = Method(this, &TForm_VRK_QX241S_CFG::FormShow);
}

void TForm_VRK_QX241S_CFG::FormShow(TObject*) { ComLists.Show(Record); }

void TForm_VRK_QX241S_CFG::TakeValues() {
  Record.InterfaceType = DNET_INTERFACE_QX241;
  Record.Port = Record.Irq = 0;
  ComLists.Take(Record);
  dialogparts::SetAccessPoint(Record, "");
}

// The port and rate shown are the ones tested, as Ok would store them.
void TForm_VRK_QX241S_CFG::Button_TestClick(TObject*) {
  TakeValues();
  if (!OpenRecord()) dialogparts::ReportOpenFailure("Cannot Open Card", Record);
}

void TForm_VRK_QX241S_CFG::Button_OkClick(TObject*) { TakeValues(); }

TForm_VRK_QX241U_CFG::TForm_VRK_QX241U_CFG(TComponent* owner)
    : TDnetHardwareForm(owner, "Form_VRK_QX241U_CFG", "VRK QX241U Configuration", "Form_VRK_QX241U_CFG", false) {
  Record.InterfaceType = DNET_INTERFACE_QX241;
  ComboBox_AccessPoint = dialogparts::AddList(this, this, "ComboBox_AccessPoint", "Access Point:", 10, 10, 125);
  ComboBox_AccessPoint->Items()->Add("1");
  ComboBox_AccessPoint->OnChange = Method(this, &TForm_VRK_QX241U_CFG::ComboBox_AccessPointChange);
  // Ok tests the interface; only Cancel closes the window.
  Button_Ok->SetModalResult(mrNone);
  OnShow = Method(this, &TForm_VRK_QX241U_CFG::FormShow);
}

void TForm_VRK_QX241U_CFG::FormShow(TObject*) {
  ComboBox_AccessPoint->SetItemIndex(0);
  ComboBox_AccessPointChange(this);
}

void TForm_VRK_QX241U_CFG::ComboBox_AccessPointChange(TObject*) {
  dialogparts::SetAccessPoint(Record, ComboBox_AccessPoint->GetText());
}

void TForm_VRK_QX241U_CFG::Button_TestClick(TObject*) {
  if (!OpenRecord()) {
    dialogparts::ReportOpenFailure("Cannot Open Card", Record);
    return;
  }
  Button_Test->SetEnabled(false);
  Button_Test->SetDefault(false);
}

void TForm_VRK_QX241U_CFG::Button_OkClick(TObject* sender) { Button_TestClick(sender); }

TForm_SST_DNSCAN_CFG::TForm_SST_DNSCAN_CFG(TComponent* owner)
    : TDnetHardwareForm(owner, "Form_SST_DNSCAN_CFG", "SST DNSCAN Configuration", "Form_SST_DNSCAN_CFG", false),
      AccessPoints(this, Record, 10, 10) {
  OnShow = Method(this, &TForm_SST_DNSCAN_CFG::FormShow);
}

void TForm_SST_DNSCAN_CFG::FormShow(TObject*) { AccessPoints.Show(); }

void TForm_SST_DNSCAN_CFG::TakeValues() {
  Record.InterfaceType = DNET_INTERFACE_SST_DNSCAN;
  AccessPoints.Take();
}

void TForm_SST_DNSCAN_CFG::Button_TestClick(TObject*) {
  TakeValues();
  if (OpenRecord()) {
    dialogparts::ReportSuccess("Interface Opened Successfully", "SUCCESS");
  } else {
    dialogparts::ReportOpenFailure("Cannot Open Interface", Record);
  }
}

void TForm_SST_DNSCAN_CFG::Button_OkClick(TObject*) { TakeValues(); }
