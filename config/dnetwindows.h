#pragma once
// The windows of the DeviceNet configuration library: the DeviceNet network
// window (interface type, master MAC ID, bit rate) and the hardware windows of
// the QX241 interface (serial and USB) and the SST scanner, whose Test opens
// the interface through VRK_DNET.
#include <cstdint>
#include <memory>

#include "bindings/Vrk_dnet_interface.h"
#include "config/dialogparts.h"
#include "config/interfaceconfiguration.h"
#include "framework/forms.h"
#include "framework/standardcontrols.h"

class TForm_DeviceNetInterfaceConfiguration : public TForm {
 public:
  explicit TForm_DeviceNetInterfaceConfiguration(TComponent* owner);

  InterfaceConfiguration Record{};
  DeviceNetConfiguration Network{};

  TComboBox* ComboBox_MasterMacID;
  TComboBox* ComboBox_DNETInterface;
  TGroupBox* GroupBox_BaudRate;
  TRadioButton* RadioButton_125k;
  TRadioButton* RadioButton_250k;
  TRadioButton* RadioButton_500k;
  TButton* Button_ConfigureHardware;
  TButton* Button_Cancel;
  TButton* Button_Ok;

  void FormShow(TObject* Sender);
  void ComboBox_DNETInterfaceChange(TObject* Sender);
  void Button_ConfigureHardwareClick(TObject* Sender);
  void Button_OkClick(TObject* Sender);

 private:
  void TakeValues();

  std::unique_ptr<TVRK_DNET_Interface> binding_;
};

// What the hardware windows share: the window's record, the binding through
// which Test opens it, and the "Test", "Ok" and "Cancel" buttons.
class TDnetHardwareForm : public TForm {
 public:
  InterfaceConfiguration Record{};

  TButton* Button_Test;
  TButton* Button_Ok;
  TButton* Button_Cancel;

  virtual void Button_TestClick(TObject* Sender) = 0;
  virtual void Button_OkClick(TObject* Sender) = 0;

 protected:
  TDnetHardwareForm(TComponent* owner, const char* name, const char* caption, const char* placementKey,
                    bool saveSize);
  // Opens the window's record under the hourglass; the card of an earlier
  // Test is closed first.
  bool OpenRecord();

 private:
  std::unique_ptr<TVRK_DNET_Interface> binding_;
};

class TForm_VRK_QX241S_CFG : public TDnetHardwareForm {
 public:
  explicit TForm_VRK_QX241S_CFG(TComponent* owner);
  dialogparts::ComPortLists ComLists;
  void FormShow(TObject* Sender);
  void Button_TestClick(TObject* Sender) override;
  void Button_OkClick(TObject* Sender) override;

 private:
  void TakeValues();
};

// Tests the USB interface; it hands no record back.
class TForm_VRK_QX241U_CFG : public TDnetHardwareForm {
 public:
  explicit TForm_VRK_QX241U_CFG(TComponent* owner);
  TComboBox* ComboBox_AccessPoint;
  void FormShow(TObject* Sender);
  void ComboBox_AccessPointChange(TObject* Sender);
  void Button_TestClick(TObject* Sender) override;
  void Button_OkClick(TObject* Sender) override;
};

class TForm_SST_DNSCAN_CFG : public TDnetHardwareForm {
 public:
  explicit TForm_SST_DNSCAN_CFG(TComponent* owner);
  dialogparts::SstAccessPointList AccessPoints;
  void FormShow(TObject* Sender);
  void Button_TestClick(TObject* Sender) override;
  void Button_OkClick(TObject* Sender) override;

 private:
  void TakeValues();
};
