#pragma once
// TFormSize: keeps its form's position, size and maximised state in an INI
// file, snaps the form to the work-area edges (the magnet) and lets the user
// drag the form by any point of its client area.
//
// INI layout, one section per form (a stored format shared by every window
// that carries one): the section is SaveKey, then "-" and the user name
// when SaveUser, then "-" and the computer name when SaveMachine; keys
// Left, Top (with SavePosition), Right, Bottom and Maximized (with
// SaveSize; Right and Bottom exclusive, Maximized 1 or 0).
#include "framework/component.h"
#include "framework/controls.h"
#include "framework/types.h"

class TForm;

class EFormSizeError : public Exception {
 public:
  using Exception::Exception;
};

// The record a WM_WINDOWPOSCHANGING message points to through its LParam.
struct WINDOWPOS {
  void* hwnd = nullptr;
  void* hwndInsertAfter = nullptr;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  unsigned flags = 0;
};

inline constexpr LRESULT HTCAPTION = 2;

class TFormSize : public TComponent {
 public:
  // EFormSizeError, before the component joins its owner, when the owner
  // is not a form or already holds a TFormSize.
  explicit TFormSize(TComponent* owner);
  ~TFormSize() override;

  bool DragAlways = false;
  bool Magnet = false;
  int MagnetDistance = 32;
  bool SavePosition = true;
  bool SaveSize = true;
  bool SaveUser = false;
  bool SaveMachine = false;
  AnsiString SaveName = ".\\FORM.INI";
  AnsiString SaveKey;

  AnsiString GetVersion() const;
  int GetVersionNr() const;
  void SetVersion(const AnsiString&) {}

  void LoadPlacement();
  void DoSavePlacement();
  // Load or save whatever SavePosition and SaveSize say.
  void LoadFormSettings();
  void SaveFormSettings();
  // The INI section of this form.
  AnsiString CreateKey() const;

  // The screen's area without the task bar, where the magnet snaps to.
  static TRect WorkArea();

 protected:
  void Loaded() override;

 private:
  static TComponent* CheckOwner(TComponent* owner);
  // The form's message procedure while the component lives.
  void HookWndProc(TMessage& message);
  bool InsideClientArea(LPARAM screenPoint) const;
  void SnapToWorkArea(WINDOWPOS& pos) const;
  void SaveOnce();

  TForm* form_;
  TWndMethod previousWndProc_;
  TNotifyEvent previousOnDestroy_;
  bool saved_ = false;
};
