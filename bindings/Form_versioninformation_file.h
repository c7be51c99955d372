#pragma once
// "Version Information": the name and version of each level of one loaded
// library stack, then the interface's hardware and firmware revisions.
//
// The window reads the stack through TVersionSource, so that every build that
// shows it (the program and the configuration libraries) hands in its own
// binding class through TBindingVersionSource.
#include <memory>

#include "framework/forms.h"
#include "framework/standardcontrols.h"

// The version calls of a bound library, on the card its binding carries.
class TVersionSource {
 public:
    virtual ~TVersionSource() = default;
  virtual int GetOnline(int* online) = 0;
  // name: a buffer of 256 bytes.
  virtual int DLL_Name(int level, char* name) = 0;
  virtual int DLL_Version(int level, int* major, int* minor) = 0;
  virtual int Hardware_Version(int* major, int* minor) = 0;
  virtual int Firmware_Version(int* major, int* minor) = 0;
};

// Any binding class with the version calls of the library API.
template <class Binding>
class TBindingVersionSource final : public TVersionSource {
 public:
  explicit TBindingVersionSource(Binding& binding) : binding_(binding) {}
  int GetOnline(int* online) override { return binding_.GetOnline(online); }
  int DLL_Name(int level, char* name) override { return binding_.DLL_Name(level, name); }
  int DLL_Version(int level, int* major, int* minor) override { return binding_.DLL_Version(level, major, minor); }
  int Hardware_Version(int* major, int* minor) override { return binding_.Hardware_Version(major, minor); }
  int Firmware_Version(int* major, int* minor) override { return binding_.Firmware_Version(major, minor); }

 private:
  Binding& binding_;
};

class TForm_VersionInformation : public TForm {
 public:
  explicit TForm_VersionInformation(TComponent* owner);

  // The stacks to list (not owned); the first one set is listed.
  TVersionSource* Binding1 = nullptr;
  TVersionSource* Binding2 = nullptr;

  TLabel* Label_Version;
  TListBox* ListBox_Version;

  void FormShow(TObject* Sender);

 private:
  void ListStack(TVersionSource& source);
};
