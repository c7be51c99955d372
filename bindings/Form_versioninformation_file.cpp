#include "bindings/Form_versioninformation_file.h"

#include "bindings/versioninformation.h"

TForm_VersionInformation::TForm_VersionInformation(TComponent* owner) : TForm(owner) {
  SetName("Form_VersionInformation");
  SetCaption("Version Information");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(320);
  SetClientHeight(200);

  Label_Version = new TLabel(this);
  Label_Version->SetName("Label_Version");
  Label_Version->SetParent(this);
  Label_Version->SetCaption("Version:");
  Label_Version->SetBounds(8, 8, 60, 16);

  ListBox_Version = new TListBox(this);
  ListBox_Version->SetName("ListBox_Version");
  ListBox_Version->SetParent(this);
  ListBox_Version->SetItemHeight(13);
  ListBox_Version->SetBounds(8, 28, 304, 164);

  OnShow = Method(this, &TForm_VersionInformation::FormShow);
}

void TForm_VersionInformation::FormShow(TObject*) {
  TVersionSource* source = Binding1 != nullptr ? Binding1 : Binding2;
  if (source != nullptr) ListStack(*source);
}

void TForm_VersionInformation::ListStack(TVersionSource& source) {
  TStrings* lines = ListBox_Version->Items();
  lines->Clear();
  for (const std::string& line : versioninfo::Lines(&source)) lines->Add(line);
}
