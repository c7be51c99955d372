#pragma once
// "Select Node Type": the start-up dialog that chooses the bus of the run when
// the command line does not.
#include <cstdint>

#include "framework/forms.h"
#include "framework/standardcontrols.h"

class TForm_NetworkSelect : public TForm {
 public:
  explicit TForm_NetworkSelect(TComponent* owner);

  // The chosen bus (1 DeviceNet, 2 CANopen, 3 QX24X); 0 until OK is pressed.
  std::uint8_t NetworkType() const { return networkType_; }

  TGroupBox* GroupBox_NodeType;
  TRadioButton* RadioButton_DeviceNet;
  TRadioButton* RadioButton_CANopen;
  TRadioButton* RadioButton_QX24X;
  TButton* Button_Ok;
  TButton* Button_Cancel;

  void Button_OkClick(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);

 private:
  std::uint8_t networkType_ = 0;
};
