#include "grid/searchfooter.h"

TSearchFooter::TSearchFooter() {
  font_.OnChange = [this](TObject*) { Changed(); };
}

void TSearchFooter::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TSearchFooter*>(source);
  if (!s) return;
  SetColor(s->color_);
  SetColorTo(s->colorTo_);
  SetShowClose(s->showClose_);
  SetShowFindNext(s->showFindNext_);
  SetShowFindPrev(s->showFindPrev_);
  SetShowHighLight(s->showHighLight_);
  SetShowMatchCase(s->showMatchCase_);
  SearchActiveColumnOnly = s->SearchActiveColumnOnly;
  SearchColumn = s->SearchColumn;
  SetVisible(s->visible_);
  SetFindNextCaption(s->findNextCaption_);
  SetFindPrevCaption(s->findPrevCaption_);
  SetHighLightCaption(s->highLightCaption_);
  SetMatchCaseCaption(s->matchCaseCaption_);
  SetHintClose(s->hintClose_);
  SetHintFindNext(s->hintFindNext_);
  SetHintFindPrev(s->hintFindPrev_);
  SetHintHighlight(s->hintHighlight_);
}
