#pragma once
// The open and save dialogs as components, over the file dialog service.
#include <memory>

#include "framework/component.h"
#include "framework/strings.h"

enum TOpenOption : unsigned {
  ofOverwritePrompt = 0x2,
  ofAllowMultiSelect = 0x200,
  ofPathMustExist = 0x800,
  ofFileMustExist = 0x1000,
};
using TOpenOptions = unsigned;

class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* owner);
  ~TOpenDialog() override;

  AnsiString Title;
  // "Description|*.A;*.B|..."; patterns match without regard to case.
  AnsiString Filter;
  int FilterIndex = 1;
  AnsiString DefaultExt;
  AnsiString InitialDir;
  AnsiString FileName;
  TOpenOptions Options = 0;
  TStrings* Files() { return files_.get(); }

  // True when the user chose a file: FileName (and Files) then hold it,
  // with DefaultExt added to a name without an extension.
  virtual bool Execute();

 protected:
  virtual bool IsSaveDialog() const { return false; }

 private:
  std::unique_ptr<TStringList> files_;
};

class TSaveDialog : public TOpenDialog {
 public:
  using TOpenDialog::TOpenDialog;

 protected:
  bool IsSaveDialog() const override { return true; }
};
