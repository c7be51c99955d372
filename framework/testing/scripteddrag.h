#pragma once
// A drag service for tests: records each drag a control starts and plays
// it out over a chosen target control through the same drag messages a
// real drag brings. Installs itself for its lifetime.
#include <vector>

#include "framework/dragdrop.h"

class TScriptedDragService : public TDragService {
 public:
  struct Request {
    TControl* source;
    TDragData data;
    int allowed;
  };

  TScriptedDragService() { InstallDragService(this); }
  ~TScriptedDragService() override { InstallDragService(nullptr); }

  // Where the next drags end: over the target at the client point with the
  // key state; a null target (the default) cancels them.
  void DropOn(TControl* target, TPoint clientPos, unsigned keyState = MK_LBUTTON) {
    target_ = target;
    clientPos_ = clientPos;
    keyState_ = keyState;
  }

  int DoDragDrop(TControl* source, const TDragData& data, int allowedEffects) override;

  std::vector<Request> requests;

 private:
  TControl* target_ = nullptr;
  TPoint clientPos_;
  unsigned keyState_ = MK_LBUTTON;
};
