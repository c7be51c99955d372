#include "app/Form_networkselect_file.h"

TForm_NetworkSelect::TForm_NetworkSelect(TComponent* owner) : TForm(owner) {
  SetCaption("Select Node Type");
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetPosition(poScreenCenter);
  SetClientWidth(250);
  SetClientHeight(150);

  GroupBox_NodeType = new TGroupBox(this);
  GroupBox_NodeType->SetParent(this);
  GroupBox_NodeType->SetCaption("Node Type:");
  GroupBox_NodeType->SetBounds(10, 10, 135, 125);

  struct Choice {
    TRadioButton*& button;
    const char* caption;
  };
  const Choice choices[] = {{RadioButton_DeviceNet, "DeviceNet"},
                            {RadioButton_CANopen, "CANopen"},
                            {RadioButton_QX24X, "QX24X"}};
  int top = 25;
  for (const Choice& choice : choices) {
    choice.button = new TRadioButton(this);
    choice.button->SetParent(GroupBox_NodeType);
    choice.button->SetCaption(choice.caption);
    choice.button->SetBounds(15, top, 110, 20);
    top += 30;
  }
  RadioButton_DeviceNet->SetChecked(true);

  Button_Ok = new TButton(this);
  Button_Ok->SetParent(this);
  Button_Ok->SetCaption("OK");
  Button_Ok->SetModalResult(mrOk);
  Button_Ok->SetDefault(true);
  Button_Ok->SetBounds(160, 20, 75, 25);
  Button_Ok->OnClick = Method(this, &TForm_NetworkSelect::Button_OkClick);

  Button_Cancel = new TButton(this);
  Button_Cancel->SetParent(this);
  Button_Cancel->SetCaption("Cancel");
  Button_Cancel->SetModalResult(mrCancel);
  Button_Cancel->SetCancel(true);
  Button_Cancel->SetBounds(160, 55, 75, 25);

  OnClose = Method(this, &TForm_NetworkSelect::FormClose);
}

void TForm_NetworkSelect::Button_OkClick(TObject*) {
  if (RadioButton_DeviceNet->Checked()) {
    networkType_ = 1;
  } else if (RadioButton_CANopen->Checked()) {
    networkType_ = 2;
  } else if (RadioButton_QX24X->Checked()) {
    networkType_ = 3;
  }
}

void TForm_NetworkSelect::FormClose(TObject*, TCloseAction& Action) { Action = caFree; }
