#pragma once
// The windows of the CAN configuration library: the CAN network window
// (interface type, bit rate, identifier kind) and one hardware window per
// interface kind, each with a Test that opens the interface through VRK_CAN.
#include <cstdint>
#include <memory>

#include "config/Vrk_can_interface.h"
#include "config/dialogparts.h"
#include "config/interfaceconfiguration.h"
#include "framework/forms.h"
#include "framework/standardcontrols.h"

class TForm_CAN_CFG : public TForm {
 public:
  explicit TForm_CAN_CFG(TComponent* owner);

  // The window's copies of the caller's records.
  InterfaceConfiguration Record{};
  CANConfiguration Network{};

  TComboBox* ComboBox_CANInterface;
  TComboBox* ComboBox_BaudRate;
  TLabel* Label_BTR0;
  TLabel* Label_BTR1;
  TEdit* Edit_BTR0;
  TEdit* Edit_BTR1;
  TGroupBox* GroupBox_StandardExtended;
  TRadioButton* RadioButton_Standard;
  TRadioButton* RadioButton_Extended;
  TCheckBox* CheckBox_Standard;
  TCheckBox* CheckBox_Extended;
  TButton* Button_ConfigureHardware;
  TButton* Button_Cancel;
  TButton* Button_Ok;

  void FormShow(TObject* Sender);
  void ComboBox_CANInterfaceChange(TObject* Sender);
  void ComboBox_BaudRateChange(TObject* Sender);
  void Button_ConfigureHardwareClick(TObject* Sender);
  void Button_OkClick(TObject* Sender);

 private:
  std::int32_t SelectedType() const;
  // The bit-rate list and identifier kind of the selected type, the entry of
  // the record's rate selected.
  void ShowSelectedType();
  void ShowUserDefinedFields();
  void TakeValues();

  std::unique_ptr<TVRK_CAN_Interface> binding_;
};

// What the hardware windows share: the window's record, the binding through
// which Test opens it, and the "Test", "Ok" and "Cancel" buttons.
class TCanHardwareForm : public TForm {
 public:
  InterfaceConfiguration Record{};

  TButton* Button_Test;
  TButton* Button_Ok;
  TButton* Button_Cancel;

  void Button_TestClick(TObject* Sender);
  void Button_OkClick(TObject* Sender);

 protected:
  TCanHardwareForm(TComponent* owner, const char* name, const char* caption, const char* placementKey);
  virtual void TakeValues() = 0;
  static constexpr int kButtonLeft = 150;

 private:
  std::unique_ptr<TVRK_CAN_Interface> binding_;
};

class TForm_SST_CAN2A_CFG : public TCanHardwareForm {
 public:
  explicit TForm_SST_CAN2A_CFG(TComponent* owner);
  dialogparts::SstAccessPointList AccessPoints;
  void FormShow(TObject* Sender);

 protected:
  void TakeValues() override;
};

// The KFD and QX240 serial windows differ in caption and type only.
class TCanSerialHardwareForm : public TCanHardwareForm {
 public:
  void FormShow(TObject* Sender);

 protected:
  TCanSerialHardwareForm(TComponent* owner, const char* name, const char* caption, const char* placementKey,
                         std::int32_t interfaceType);
  void TakeValues() override;

 public:
  dialogparts::ComPortLists ComLists;

 private:
  std::int32_t interfaceType_;
};

class TForm_AB_KFD1770_CFG : public TCanSerialHardwareForm {
 public:
  explicit TForm_AB_KFD1770_CFG(TComponent* owner);
};

class TForm_VRK_QX240S_CFG : public TCanSerialHardwareForm {
 public:
  explicit TForm_VRK_QX240S_CFG(TComponent* owner);
};

class TForm_VRK_QX240U_CFG : public TCanHardwareForm {
 public:
  explicit TForm_VRK_QX240U_CFG(TComponent* owner);
  TComboBox* ComboBox_AccessPoint;
  void FormShow(TObject* Sender);

 protected:
  void TakeValues() override;
};
