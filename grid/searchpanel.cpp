#include "grid/searchpanel.h"

#include "framework/resources.h"
#include "grid/gridresources.h"
#include "grid/vazeri_button.h"
#include "grid/zgutil.h"

namespace {

// The panel's glyphs are resources of the grid library itself; a program
// that links the grid statically registers them on their first use.
void SetGlyph(TDurUzavButton* button, void (TDurUzavButton::*set)(const TBitmap&), const char* name) {
  static const bool registered = (RegisterGridResources(), true);
  (void)registered;
  TBitmap bitmap;
  LoadBitmapResource(bitmap, name);
  (button->*set)(bitmap);
}

// A search button: glyph and disabled glyph, disabled until there is text.
TDurUzavButton* SearchButton(TSearchPanel* panel, int left, const char* glyph, const char* disabledGlyph) {
  auto* button = new TDurUzavButton(panel);
  button->SetParent(panel);
  button->SetBounds(left, 5, 90, 23);
  SetGlyph(button, &TDurUzavButton::SetGlyph, glyph);
  SetGlyph(button, &TDurUzavButton::SetGlyphDisabled, disabledGlyph);
  button->SetEnabled(false);
  return button;
}

}  // namespace

TSearchPanel::TSearchPanel(TComponent* owner)
    : TPanel(owner),
      edit_(new TEdit(this)),
      close_(new TDurUzavButton(this)),
      forward_(SearchButton(this, 140, "ZGARDOWN", "ZGARDOWND")),
      backward_(SearchButton(this, 235, "ZGARUP", "ZGARUPD")),
      highlight_(SearchButton(this, 330, "ZGHI", "ZGHID")),
      matchCase_(new TCheckBox(this)) {
  SetBevelOuter(bvNone);
  close_->SetParent(this);
  close_->SetBounds(5, 7, 14, 14);
  SetGlyph(close_, &TDurUzavButton::SetGlyph, "ZGCLOSE");
  SetGlyph(close_, &TDurUzavButton::SetGlyphHot, "ZGCLOSEH");
  SetGlyph(close_, &TDurUzavButton::SetGlyphDown, "ZGCLOSED");
  close_->SetShowCaption(false);
  close_->OnClick = [this](TObject*) {
    if (OnExitClick) OnExitClick(this);
  };
  edit_->SetParent(this);
  edit_->SetBounds(25, 6, 110, edit_->Height());
  edit_->OnChange = [this](TObject*) { EditChange(); };
  forward_->OnClick = [this](TObject*) {
    if (OnForwardClick) OnForwardClick(this);
  };
  backward_->OnClick = [this](TObject*) {
    if (OnBackwardClick) OnBackwardClick(this);
  };
  highlight_->SetStyle(tasCheck);
  highlight_->Font()->SetStyle(0);
  highlight_->OnClick = [this](TObject*) {
    if (OnHighlightClick) OnHighlightClick(this);
  };
  matchCase_->SetParent(this);
  matchCase_->SetLeft(425);
  matchCase_->SetTop(8);
}

void TSearchPanel::SetColorTo(TColor value) {
  colorTo_ = value;
  Invalidate();
}

void TSearchPanel::EditChange() {
  const bool any = !edit_->Text().empty();
  for (TDurUzavButton* button : {forward_, backward_, highlight_}) button->SetEnabled(any);
  if (OnEditChange) OnEditChange(this);
}

void TSearchPanel::Paint() {
  TPanel::Paint();
  DrawGradient(Canvas(), Color(), colorTo_, 32, ClientRect(), false);
}
