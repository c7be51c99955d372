#pragma once
// A drag service for tests: records each drag a control starts and plays it
// out step by step over the targets registered for the controls named in
// its script, asking the drag source on each step as a real drag does.
// Installs itself for its lifetime.
#include <vector>

#include "framework/dragdrop.h"

class TScriptedDragService : public TDragService {
 public:
  struct Request {
    TControl* origin;
    std::shared_ptr<IDataObject> data;
    DWORD allowed;
  };
  // One step of the pointer: over a control (null: over no drop target)
  // at a client point of it, with MK_* keys held.
  struct Step {
    TControl* over;
    TPoint clientPos;
    DWORD keyState;
  };

  TScriptedDragService() { InstallDragService(this); }
  ~TScriptedDragService() override { InstallDragService(nullptr); }

  // The next drags pass over these steps; the button comes up at the last.
  // No steps: the drag ends over no target.
  void Script(std::vector<Step> steps) { steps_ = std::move(steps); }
  // One step over the target, the drop there.
  void DropOn(TControl* target, TPoint clientPos, DWORD keyState = MK_LBUTTON) {
    Script({{target, clientPos, keyState}});
  }
  // The next drags end with Escape at their last step.
  void EscapeAtEnd(bool escape) { escape_ = escape; }

  HRESULT DoDragDrop(TControl* origin, const std::shared_ptr<IDataObject>& data, IDropSource* source,
                     DWORD allowedEffects, DWORD* effect) override;

  std::vector<Request> requests;

 private:
  std::vector<Step> steps_;
  bool escape_ = false;
};
