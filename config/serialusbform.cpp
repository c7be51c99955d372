#include "config/serialusbform.h"

#include "grid/formsize.h"

TSerialUsbForm::TSerialUsbForm(TComponent* owner, const char* name, const char* caption, const char* testButton)
    : TForm(owner),
      GroupBox_Mode(new TGroupBox(this)),
      RadioButton_USB(new TRadioButton(this)),
      RadioButton_RS232(new TRadioButton(this)),
      ComboBox_AccessPoint(dialogparts::AddList(this, this, "ComboBox_AccessPoint", "Access Point:", 95, 10, 150)),
      ComLists(this, this, 95, 10) {
  using namespace dialogparts;
  MakeDialog(this, name, caption, 340, 110);
  KeepPlacement(this, ".\\FORM.INI", "Form_VRK_QX242_CFG", true);

  GroupBox_Mode->SetName("GroupBox_Mode");
  GroupBox_Mode->SetParent(this);
  GroupBox_Mode->SetCaption("Mode:");
  GroupBox_Mode->SetBounds(10, 10, 75, 70);
  RadioButton_USB->SetName("RadioButton_USB");
  RadioButton_USB->SetParent(GroupBox_Mode);
  RadioButton_USB->SetCaption("USB");
  RadioButton_USB->SetBounds(8, 20, 60, 20);
  RadioButton_RS232->SetName("RadioButton_RS232");
  RadioButton_RS232->SetParent(GroupBox_Mode);
  RadioButton_RS232->SetCaption("RS232");
  RadioButton_RS232->SetBounds(8, 42, 60, 20);
  ComboBox_AccessPoint->Items()->Add("1");
  ComboBox_AccessPoint->SetItemIndex(0);
  // USB at start.
  RadioButton_USB->SetChecked(true);
  ComLists.SetVisible(false);
  RadioButton_USB->OnClick = Method(this, &TSerialUsbForm::RadioButton_USBClick);
  RadioButton_RS232->OnClick = Method(this, &TSerialUsbForm::RadioButton_RS232Click);

  testButton_ = AddButton(this, testButton, "Test", mrNone, 255, 10);
  testButton_->SetDefault(true);
  testButton_->OnClick = [this](TObject* sender) { Button_TestClick(sender); };
  Button_Ok = AddButton(this, "Button_Ok", "Ok", mrOk, 255, 42);
  Button_Ok->OnClick = [this](TObject* sender) { Button_OkClick(sender); };
  Button_Cancel = AddButton(this, "Button_Cancel", "Cancel", mrCancel, 255, 74);

  OnShow = Method(this, &TSerialUsbForm::FormShow);
}

void TSerialUsbForm::FormShow(TObject*) { ShowMode(Record.ComPort == 0); }

void TSerialUsbForm::RadioButton_USBClick(TObject*) {
  if (RadioButton_USB->Checked()) ShowMode(true);
}

void TSerialUsbForm::RadioButton_RS232Click(TObject*) {
  if (RadioButton_RS232->Checked()) ShowMode(false);
}

void TSerialUsbForm::ShowMode(bool usb) {
  if (switching_) return;
  switching_ = true;
  if (usb) {
    ShowUsbMode();
  } else {
    ShowRs232Mode();
  }
  switching_ = false;
}

void TSerialUsbForm::ShowUsbMode() {
  ComboBox_AccessPoint->SetItemIndex(0);
  RadioButton_USB->SetChecked(true);
  ComboBox_AccessPoint->SetVisible(true);
  dialogparts::LabelOf(ComboBox_AccessPoint)->SetVisible(true);
  ComLists.SetVisible(false);
}

void TSerialUsbForm::ShowRs232Mode() {
  ComLists.Show(Record);
  RadioButton_RS232->SetChecked(true);
  ComLists.SetVisible(true);
  ComboBox_AccessPoint->SetVisible(false);
  dialogparts::LabelOf(ComboBox_AccessPoint)->SetVisible(false);
}

void TSerialUsbForm::TakeComSettings() {
  if (UsbMode()) {
    Record.ComPort = 0;
    Record.ComBaud = 0;
  } else {
    ComLists.Take(Record);
  }
}
