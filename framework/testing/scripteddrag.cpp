#include "framework/testing/scripteddrag.h"

HRESULT TScriptedDragService::DoDragDrop(TControl* origin, const std::shared_ptr<IDataObject>& data,
                                         IDropSource* source, DWORD allowedEffects, DWORD* effect) {
  requests.push_back({origin, data, allowedEffects});
  std::shared_ptr<IDropTarget> over;
  DWORD current = DROPEFFECT_NONE;
  TPoint at;
  DWORD keys = 0;
  source->GiveFeedback(DROPEFFECT_NONE);
  HRESULT end = S_OK;
  for (std::size_t i = 0; i < steps_.size() && end == S_OK; ++i) {
    const Step& step = steps_[i];
    const bool last = i + 1 == steps_.size();
    keys = step.keyState;
    at = step.over ? step.over->ClientToScreen(step.clientPos) : step.clientPos;
    std::shared_ptr<IDropTarget> target = step.over ? RegisteredDropTarget(step.over) : nullptr;
    if (target != over) {
      if (over) over->DragLeave();
      over = target;
      current = allowedEffects;
      if (over) over->DragEnter(data, keys, at, &current);
    }
    current = allowedEffects;
    if (over) over->DragOver(keys, at, &current);
    current = over ? current & allowedEffects : DROPEFFECT_NONE;
    source->GiveFeedback(current);
    end = source->QueryContinueDrag(last && escape_, last ? keys & ~MK_LBUTTON : keys);
  }
  DWORD chosen = DROPEFFECT_NONE;
  if (end == DRAGDROP_S_DROP && over && current != DROPEFFECT_NONE) {
    chosen = allowedEffects;
    over->Drop(data, keys & ~MK_LBUTTON, at, &chosen);
    chosen &= allowedEffects;
  } else if (over) {
    over->DragLeave();
  }
  if (effect) *effect = chosen;
  return chosen == DROPEFFECT_NONE ? DRAGDROP_S_CANCEL : DRAGDROP_S_DROP;
}
