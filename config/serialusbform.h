#pragma once
// The window of an interface that the maker's modules offer both on USB and
// on a serial line: a "Mode:" group with "USB" and "RS232", the "Access
// Point:" list of the USB mode and the serial port lists of the RS232 mode,
// one set shown at a time, and "Test", "Ok" and "Cancel".
#include "config/dialogparts.h"
#include "config/interfaceconfiguration.h"
#include "framework/forms.h"
#include "framework/standardcontrols.h"

class TSerialUsbForm : public TForm {
 public:
  InterfaceConfiguration Record{};

  TGroupBox* GroupBox_Mode;
  TRadioButton* RadioButton_USB;
  TRadioButton* RadioButton_RS232;
  TComboBox* ComboBox_AccessPoint;
  dialogparts::ComPortLists ComLists;
  TButton* Button_Ok;
  TButton* Button_Cancel;

  void FormShow(TObject* Sender);
  void RadioButton_USBClick(TObject* Sender);
  void RadioButton_RS232Click(TObject* Sender);

  bool UsbMode() const { return RadioButton_USB->Checked(); }

 protected:
  // testButton: the name of the window's Test button.
  TSerialUsbForm(TComponent* owner, const char* name, const char* caption, const char* testButton);
  TButton* TestButton() const { return testButton_; }

  // Shows the mode's controls; the USB mode may first fill its list.
  virtual void ShowUsbMode();
  virtual void ShowRs232Mode();
  virtual void Button_TestClick(TObject* Sender) = 0;
  virtual void Button_OkClick(TObject* Sender) = 0;
  // The record's ComPort and ComBaud by mode: the lists in RS232 mode, 0 and
  // 0 (the mark of USB) in USB mode.
  void TakeComSettings();

 private:
  void ShowMode(bool usb);

  TButton* testButton_;
  bool switching_ = false;  // checking a radio button from code fires its click
};
