#include "config/canwindows.h"

#include <iterator>
#include <string>
#include <type_traits>

namespace {

constexpr const char* kPlacementFile = ".\\WindowPositions.INI";

struct InterfaceItem {
  const char* name;
  std::int32_t type;
};
constexpr InterfaceItem kInterfaces[] = {{"VRK QX240", CAN_INTERFACE_QX240},
                                         {"SST CAN2A", CAN_INTERFACE_SST_CAN2A},
                                         {"AB 1770-KFD", CAN_INTERFACE_AB_KFD},
                                         {"IXXAT VCI", CAN_INTERFACE_IXXAT_VCI}};

struct RateItem {
  const char* name;
  std::int32_t rate;
};
constexpr std::int32_t kUserDefined = 0;
constexpr std::int32_t kRateWithoutSelection = 125000;
constexpr RateItem kAllRates[] = {{"10k", 10000},   {"20k", 20000},   {"50k", 50000},
                                  {"100k", 100000}, {"125k", 125000}, {"250k", 250000},
                                  {"500k", 500000}, {"1M", 1000000},  {"User Defined", kUserDefined}};
constexpr RateItem kSstRates[] = {
    {"125k", 125000}, {"250k", 250000}, {"500k", 500000}, {"User Defined", kUserDefined}};
constexpr RateItem kKfdRates[] = {{"125k", 125000}, {"250k", 250000}, {"500k", 500000}};

struct RateList {
  const RateItem* items;
  std::size_t count;
};

RateList RatesOf(std::int32_t type) {
  switch (type) {
    case CAN_INTERFACE_SST_CAN2A: return {kSstRates, std::size(kSstRates)};
    case CAN_INTERFACE_AB_KFD: return {kKfdRates, std::size(kKfdRates)};
    default: return {kAllRates, std::size(kAllRates)};
  }
}

}  // namespace

// ---- TForm_CAN_CFG ----

TForm_CAN_CFG::TForm_CAN_CFG(TComponent* owner) : TForm(owner), binding_(std::make_unique<TVRK_CAN_Interface>()) {
  using namespace dialogparts;
  MakeDialog(this, "Form_CAN_CFG", "CAN Interface Configuration", 330, 215);
  KeepPlacement(this, kPlacementFile, "VRK_CAN_Configuration", false);

  ComboBox_CANInterface = AddList(this, this, "ComboBox_CANInterface", "Interface Type:", 10, 10, 150);
  for (const InterfaceItem& item : kInterfaces) ComboBox_CANInterface->Items()->Add(item.name);
  ComboBox_CANInterface->SetItemIndex(0);
  ComboBox_CANInterface->OnChange = Method(this, &TForm_CAN_CFG::ComboBox_CANInterfaceChange);

  ComboBox_BaudRate = AddList(this, this, "ComboBox_BaudRate", "Baud Rate:", 10, 55, 150);
  ComboBox_BaudRate->OnChange = Method(this, &TForm_CAN_CFG::ComboBox_BaudRateChange);

  // The bit-timing registers of a user-defined rate, under their labels.
  const auto addEdit = [this](TLabel*& label, TEdit*& edit, const std::string& reg, int left) {
    label = AddLabel(this, this, ("Label_" + reg).c_str(), (reg + ":").c_str(), left, 100);
    edit = new TEdit(this);
    edit->SetName("Edit_" + reg);
    edit->SetParent(this);
    edit->SetBounds(left, 116, 65, 21);
    label->SetVisible(false);
    edit->SetVisible(false);
  };
  addEdit(Label_BTR0, Edit_BTR0, "BTR0", 10);
  addEdit(Label_BTR1, Edit_BTR1, "BTR1", 85);

  GroupBox_StandardExtended = new TGroupBox(this);
  GroupBox_StandardExtended->SetName("GroupBox_StandardExtended");
  GroupBox_StandardExtended->SetParent(this);
  GroupBox_StandardExtended->SetCaption("Standard/Extended:");
  GroupBox_StandardExtended->SetBounds(175, 10, 145, 75);
  const auto addChoice = [this](auto*& control, const char* name, const char* caption, int top) {
    control = new std::remove_reference_t<decltype(*control)>(this);
    control->SetName(name);
    control->SetParent(GroupBox_StandardExtended);
    control->SetCaption(caption);
    control->SetBounds(10, top, 120, 20);
  };
  addChoice(RadioButton_Standard, "RadioButton_Standard", "Standard", 20);
  addChoice(RadioButton_Extended, "RadioButton_Extended", "Extended", 45);
  addChoice(CheckBox_Standard, "CheckBox_Standard", "Standard", 20);
  addChoice(CheckBox_Extended, "CheckBox_Extended", "Extended", 45);

  Button_ConfigureHardware = AddButton(this, "Button_ConfigureHardware", "Configure Hardware", mrNone, 175, 100);
  Button_ConfigureHardware->SetWidth(145);
  Button_ConfigureHardware->SetHint("Apply Hardware Settings");
  Button_ConfigureHardware->SetShowHint(true);
  Button_ConfigureHardware->OnClick = Method(this, &TForm_CAN_CFG::Button_ConfigureHardwareClick);
  Button_Cancel = AddButton(this, "Button_Cancel", "Cancel", mrCancel, 165, 180);
  Button_Ok = AddButton(this, "Button_Ok", "Ok", mrOk, 245, 180);
  Button_Ok->OnClick = Method(this, &TForm_CAN_CFG::Button_OkClick);

  OnShow = Method(this, &TForm_CAN_CFG::FormShow);
}

std::int32_t TForm_CAN_CFG::SelectedType() const {
  const int index = ComboBox_CANInterface->ItemIndex();
  return index >= 0 ? kInterfaces[index].type : 0;
}

void TForm_CAN_CFG::FormShow(TObject*) {
  for (std::size_t i = 0; i < std::size(kInterfaces); ++i) {
    if (kInterfaces[i].type == Record.InterfaceType) ComboBox_CANInterface->SetItemIndex(static_cast<int>(i));
  }
  ShowSelectedType();
}

void TForm_CAN_CFG::ShowSelectedType() {
  const RateList rates = RatesOf(SelectedType());
  ComboBox_BaudRate->Items()->Clear();
  int selected = 0;
  for (std::size_t i = 0; i < rates.count; ++i) {
    ComboBox_BaudRate->Items()->Add(rates.items[i].name);
    if (rates.items[i].rate == Network.BaudRate) selected = static_cast<int>(i);
  }
  ComboBox_BaudRate->SetItemIndex(selected);
  ShowUserDefinedFields();

  const std::int32_t type = SelectedType();
  const bool bothKinds = type == CAN_INTERFACE_QX240;
  CheckBox_Standard->SetVisible(bothKinds);
  CheckBox_Extended->SetVisible(bothKinds);
  RadioButton_Standard->SetVisible(!bothKinds);
  RadioButton_Extended->SetVisible(!bothKinds);
  if (bothKinds) {
    CheckBox_Standard->SetChecked(Network.Standard != 0);
    CheckBox_Extended->SetChecked(Network.Extended != 0);
  } else if (type == CAN_INTERFACE_IXXAT_VCI) {
    RadioButton_Extended->SetEnabled(true);
    (Network.Extended != 0 ? RadioButton_Extended : RadioButton_Standard)->SetChecked(true);
  } else {
    // These interfaces carry 11-bit identifiers only.
    RadioButton_Standard->SetChecked(true);
    RadioButton_Extended->SetEnabled(false);
  }
}

void TForm_CAN_CFG::ShowUserDefinedFields() {
  const int rate = ComboBox_BaudRate->ItemIndex();
  const bool userDefined = rate >= 0 && RatesOf(SelectedType()).items[rate].rate == kUserDefined;
  for (TControl* control : {static_cast<TControl*>(Label_BTR0), static_cast<TControl*>(Label_BTR1),
                            static_cast<TControl*>(Edit_BTR0), static_cast<TControl*>(Edit_BTR1)}) {
    control->SetVisible(userDefined);
  }
}

void TForm_CAN_CFG::ComboBox_CANInterfaceChange(TObject*) { ShowSelectedType(); }

void TForm_CAN_CFG::ComboBox_BaudRateChange(TObject*) { ShowUserDefinedFields(); }

void TForm_CAN_CFG::TakeValues() {
  Record.InterfaceType = SelectedType();
  const int rate = ComboBox_BaudRate->ItemIndex();
  Network.BaudRate = rate >= 0 ? RatesOf(Record.InterfaceType).items[rate].rate : kRateWithoutSelection;
  if (RadioButton_Standard->Visible()) {
    const bool standard = RadioButton_Standard->Checked();
    Network.Standard = standard ? 1 : 0;
    Network.Extended = standard ? 0 : 1;
  } else {
    Network.Standard = CheckBox_Standard->Checked() ? 1 : 0;
    Network.Extended = CheckBox_Extended->Checked() ? 1 : 0;
  }
}

void TForm_CAN_CFG::Button_ConfigureHardwareClick(TObject*) {
  TakeValues();
  binding_->HardwareConfigurationWindow(&Record);
}

void TForm_CAN_CFG::Button_OkClick(TObject*) { TakeValues(); }

// ---- hardware windows ----

TCanHardwareForm::TCanHardwareForm(TComponent* owner, const char* name, const char* caption,
                                   const char* placementKey)
    : TForm(owner), binding_(std::make_unique<TVRK_CAN_Interface>()) {
  using namespace dialogparts;
  MakeDialog(this, name, caption, 235, 110);
  KeepPlacement(this, kPlacementFile, placementKey, false);
  Button_Test = AddButton(this, "Button_Test", "Test", mrNone, kButtonLeft, 10);
  Button_Test->SetDefault(true);
  Button_Test->OnClick = Method(this, &TCanHardwareForm::Button_TestClick);
  Button_Ok = AddButton(this, "Button_Ok", "Ok", mrOk, kButtonLeft, 42);
  Button_Ok->OnClick = Method(this, &TCanHardwareForm::Button_OkClick);
  Button_Cancel = AddButton(this, "Button_Cancel", "Cancel", mrCancel, kButtonLeft, 74);
}

void TCanHardwareForm::Button_TestClick(TObject*) {
  TakeValues();
  if (dialogparts::Busy([&] { return binding_->OpenInterface(&Record); }) != 0) {
    dialogparts::ReportSuccess("Interface Opened Successfully", "SUCCESS");
  } else {
    dialogparts::ReportOpenFailure("Cannot Open Card", Record);
  }
}

void TCanHardwareForm::Button_OkClick(TObject*) { TakeValues(); }

TForm_SST_CAN2A_CFG::TForm_SST_CAN2A_CFG(TComponent* owner)
    : TCanHardwareForm(owner, "Form_SST_CAN2A_CFG", "SST CAN2A Configuration", "SST_CAN2A"),
      AccessPoints(this, Record, 10, 10) {
  OnShow = Method(this, &TForm_SST_CAN2A_CFG::FormShow);
}

void TForm_SST_CAN2A_CFG::FormShow(TObject*) { AccessPoints.Show(); }

void TForm_SST_CAN2A_CFG::TakeValues() {
  Record.InterfaceType = CAN_INTERFACE_SST_CAN2A;
  Record.Port = Record.Irq = Record.ComPort = Record.ComBaud = 0;
  AccessPoints.Take();
}

TCanSerialHardwareForm::TCanSerialHardwareForm(TComponent* owner, const char* name, const char* caption,
                                               const char* placementKey, std::int32_t interfaceType)
    : TCanHardwareForm(owner, name, caption, placementKey), ComLists(this, this, 10, 10),
      interfaceType_(interfaceType) {
  OnShow = Method(this, &TCanSerialHardwareForm::FormShow);
}

void TCanSerialHardwareForm::FormShow(TObject*) { ComLists.Show(Record); }

void TCanSerialHardwareForm::TakeValues() {
  Record.InterfaceType = interfaceType_;
  Record.Port = Record.Irq = 0;
  ComLists.Take(Record);
  dialogparts::SetAccessPoint(Record, "");
}

TForm_AB_KFD1770_CFG::TForm_AB_KFD1770_CFG(TComponent* owner)
    : TCanSerialHardwareForm(owner, "Form_AB_KFD1770_CFG", "KFD-1770 Configuration", "AB_KFD1770",
                             CAN_INTERFACE_AB_KFD) {}

TForm_VRK_QX240S_CFG::TForm_VRK_QX240S_CFG(TComponent* owner)
    : TCanSerialHardwareForm(owner, "Form_VRK_QX240S_CFG", "VRK QX240S Configuration", "VRK_QX240S",
                             CAN_INTERFACE_QX240) {}

TForm_VRK_QX240U_CFG::TForm_VRK_QX240U_CFG(TComponent* owner)
    : TCanHardwareForm(owner, "Form_VRK_QX240U_CFG", "VRK QX240U Configuration", "VRK_QX240U") {
  ComboBox_AccessPoint = dialogparts::AddList(this, this, "ComboBox_AccessPoint", "Access Point:", 10, 10, 125);
  ComboBox_AccessPoint->Items()->Add("1");
  OnShow = Method(this, &TForm_VRK_QX240U_CFG::FormShow);
}

void TForm_VRK_QX240U_CFG::FormShow(TObject*) { ComboBox_AccessPoint->SetItemIndex(0); }

void TForm_VRK_QX240U_CFG::TakeValues() {
  Record.InterfaceType = CAN_INTERFACE_QX240;
  Record.Port = Record.Irq = Record.ComPort = Record.ComBaud = 0;
  dialogparts::SetAccessPoint(Record, ComboBox_AccessPoint->GetText());
}
