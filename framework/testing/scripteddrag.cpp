#include "framework/testing/scripteddrag.h"

int TScriptedDragService::DoDragDrop(TControl* source, const TDragData& data, int allowedEffects) {
  requests.push_back({source, data, allowedEffects});
  if (!target_) return DROPEFFECT_NONE;
  TDropInfo info;
  info.Data = &data;
  info.ScreenPos = target_->ClientToScreen(clientPos_);
  info.KeyState = keyState_;
  info.Allowed = allowedEffects;
  if (SendDropMessage(target_, CM_DRAGENTER, info) == DROPEFFECT_NONE ||
      SendDropMessage(target_, CM_DRAGOVER, info) == DROPEFFECT_NONE) {
    SendDropMessage(target_, CM_DRAGLEAVE, info);
    return DROPEFFECT_NONE;
  }
  return SendDropMessage(target_, CM_DROP, info);
}
