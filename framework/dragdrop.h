#pragma once
// Drag and drop between controls and with other programs. Starting a drag
// goes through a replaceable drag service (Qt's drag in the program, a
// scripted one in tests); a control that accepts drops receives what comes
// over it as CM_DRAGENTER, CM_DRAGOVER, CM_DRAGLEAVE and CM_DROP messages
// whose LParam points at a TDropInfo.
#include <vector>

#include "framework/controls.h"

inline constexpr unsigned CM_DRAGENTER = CM_BASE + 60;
inline constexpr unsigned CM_DRAGOVER = CM_BASE + 61;
inline constexpr unsigned CM_DRAGLEAVE = CM_BASE + 62;
inline constexpr unsigned CM_DROP = CM_BASE + 63;

inline constexpr int DROPEFFECT_NONE = 0;
inline constexpr int DROPEFFECT_COPY = 1;
inline constexpr int DROPEFFECT_MOVE = 2;

// What a drag carries: text, rich text, a grid column (-1: none) and files.
struct TDragData {
  AnsiString Text;
  AnsiString RichText;
  int Column = -1;
  std::vector<AnsiString> Files;
};

// A drag over a control. The control sets Effect (one of Allowed, or
// DROPEFFECT_NONE to refuse); it starts as DROPEFFECT_NONE.
struct TDropInfo {
  const TDragData* Data = nullptr;
  TPoint ScreenPos;
  // MK_* flags of the mouse buttons and modifier keys.
  unsigned KeyState = 0;
  int Allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  int Effect = DROPEFFECT_NONE;
};

// Whether Qt delivers drags over the control's window to it.
void SetAcceptDrops(TControl* control, bool accept);

// Sends one drag message to the control; returns the effect it chose
// (DROPEFFECT_NONE for CM_DRAGLEAVE).
int SendDropMessage(TControl* control, unsigned msg, TDropInfo& info);

class TDragService {
 public:
  virtual ~TDragService() = default;
  // Runs a drag of data from the source control to its end; returns the
  // effect the drop target chose, DROPEFFECT_NONE when the drag was
  // cancelled or refused.
  virtual int DoDragDrop(TControl* source, const TDragData& data, int allowedEffects) = 0;
};

// The drag service in use: Qt's unless another is installed.
TDragService& DragService();
// Installs a drag service (the caller keeps ownership); null restores Qt's.
void InstallDragService(TDragService* service);

// The mime type that carries a grid column index.
inline constexpr const char* kColumnMimeType = "application/x-flashwright-grid-column";
