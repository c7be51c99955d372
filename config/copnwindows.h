#pragma once
// The windows of the CANopen configuration library: the CANopen network
// window (interface type, own node ID, bit rate) and the QX242 hardware
// window, whose Test opens the interface through VRK_COPN.
#include <memory>

#include "bindings/Vrk_copn_interface.h"
#include "config/interfaceconfiguration.h"
#include "config/serialusbform.h"
#include "framework/forms.h"
#include "framework/standardcontrols.h"

class TForm_CANopenInterfaceConfiguration : public TForm {
 public:
  explicit TForm_CANopenInterfaceConfiguration(TComponent* owner);

  InterfaceConfiguration Record{};
  CANopenConfiguration Network{};

  TComboBox* ComboBox_NodeID;
  TComboBox* ComboBox_COPNInterface;
  TComboBox* ComboBox_BaudRate;
  TButton* Button_ConfigureHardware;
  TButton* Button_Cancel;
  TButton* Button_Ok;

  void FormShow(TObject* Sender);
  void ComboBox_COPNInterfaceChange(TObject* Sender);
  void Button_ConfigureHardwareClick(TObject* Sender);
  void Button_OkClick(TObject* Sender);

 private:
  void TakeValues();

  std::unique_ptr<TVRK_COPN_Interface> binding_;
};

class TForm_VRK_QX242_CFG : public TSerialUsbForm {
 public:
  explicit TForm_VRK_QX242_CFG(TComponent* owner);

 protected:
  void Button_TestClick(TObject* Sender) override;
  void Button_OkClick(TObject* Sender) override;

 private:
  void TakeValues();

  std::unique_ptr<TVRK_COPN_Interface> binding_;
};

// The CANopen library's binding as the dialogs use it.
std::unique_ptr<TVRK_COPN_Interface> CanopenDialogBinding();
