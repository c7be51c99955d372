#pragma once
// The mask edit: an edit whose text follows an edit mask in the framework's
// syntax, "mask;save literals;blank":
//   0  a digit, required          9  a digit, optional
//   #  a digit or sign, optional
//   L  a letter, required         l  a letter, optional
//   A  a letter or digit, required a  a letter or digit, optional
//   C  any character, required    c  any character, optional
//   >  upper case from here on    <  lower case    <>  case as typed
//   :  the locale's time separator    /  the locale's date separator
//   _  a space    \x  x itself    !  (accepted, no effect)
//   any other character stands for itself (a literal).
// The second field, "0" or "1" (the default), says whether Text keeps the
// literals; the third (default "_") is shown in the empty places. Typing
// fills the places in turn and steps over the literals (the line edit's
// own masked input does the typing).
#include <string>
#include <string_view>
#include <vector>

#include "framework/standardcontrols.h"

class EDBEditError : public Exception {
 public:
  using Exception::Exception;
};

class TCustomMaskEdit : public TEdit {
 public:
  explicit TCustomMaskEdit(TComponent* owner);

  const AnsiString& EditMask() const { return editMask_; }
  void SetEditMask(const AnsiString& mask);
  bool IsMasked() const { return !editMask_.empty(); }
  // The text as shown: literals, and the blank character in empty places.
  AnsiString EditText() const;
  // Without a mask, as an edit; with one, the shown text with spaces for
  // the empty places, and without the literals when the mask says so.
  AnsiString GetText() const override;
  // Raises EDBEditError, with the focus kept here, while a required place
  // is empty.
  virtual void ValidateEdit();

 protected:
  // Leaving the control checks the mask first.
  void WndProc(TMessage& message) override;

 private:
  AnsiString editMask_;
  bool saveLiterals_ = true;
  char blank_ = '_';
  // Per shown place: whether it holds a literal.
  std::vector<bool> literals_;
};

// An edit mask in the framework's syntax as a Qt input mask; literals
// receives, per shown place, whether it is a literal.
std::string MaskToQtInputMask(std::string_view editMask, std::vector<bool>* literals = nullptr);
