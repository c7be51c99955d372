#pragma once
// The settings of the search bar below the grid (property SearchFooter):
// which of its parts show, their captions and hints, its colours and font,
// and how typing searches. Every change that shows is reported through
// OnChange, which the grid connects to SearchChanged to copy the settings
// onto its search panel.
#include "framework/graphics.h"

class TSearchFooter : public TPersistent {
 public:
  TSearchFooter();
  TSearchFooter(const TSearchFooter&) = delete;
  TSearchFooter& operator=(const TSearchFooter&) = delete;
  // From another TSearchFooter: the colours, the Show switches, the search
  // column settings, Visible and the texts (not Font, not AutoSearch).
  void Assign(const TPersistent* source);

  bool Visible() const { return visible_; }
  void SetVisible(bool value) { Change(visible_, value); }
  TColor Color() const { return color_; }
  void SetColor(TColor value) { Change(color_, value); }
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor value) { Change(colorTo_, value); }

  const AnsiString& FindNextCaption() const { return findNextCaption_; }
  void SetFindNextCaption(const AnsiString& value) { Change(findNextCaption_, value); }
  const AnsiString& FindPrevCaption() const { return findPrevCaption_; }
  void SetFindPrevCaption(const AnsiString& value) { Change(findPrevCaption_, value); }
  const AnsiString& HighLightCaption() const { return highLightCaption_; }
  void SetHighLightCaption(const AnsiString& value) { Change(highLightCaption_, value); }
  const AnsiString& MatchCaseCaption() const { return matchCaseCaption_; }
  void SetMatchCaseCaption(const AnsiString& value) { Change(matchCaseCaption_, value); }
  const AnsiString& HintClose() const { return hintClose_; }
  void SetHintClose(const AnsiString& value) { Change(hintClose_, value); }
  const AnsiString& HintFindNext() const { return hintFindNext_; }
  void SetHintFindNext(const AnsiString& value) { Change(hintFindNext_, value); }
  const AnsiString& HintFindPrev() const { return hintFindPrev_; }
  void SetHintFindPrev(const AnsiString& value) { Change(hintFindPrev_, value); }
  const AnsiString& HintHighlight() const { return hintHighlight_; }
  void SetHintHighlight(const AnsiString& value) { Change(hintHighlight_, value); }

  // Changes of the font itself are reported too.
  TFont* Font() { return &font_; }
  void SetFont(const TFont& value) { font_.Assign(value); }

  bool ShowClose() const { return showClose_; }
  void SetShowClose(bool value) { Change(showClose_, value); }
  bool ShowFindNext() const { return showFindNext_; }
  void SetShowFindNext(bool value) { Change(showFindNext_, value); }
  bool ShowFindPrev() const { return showFindPrev_; }
  void SetShowFindPrev(bool value) { Change(showFindPrev_, value); }
  bool ShowHighLight() const { return showHighLight_; }
  void SetShowHighLight(bool value) { Change(showHighLight_, value); }
  bool ShowMatchCase() const { return showMatchCase_; }
  void SetShowMatchCase(bool value) { Change(showMatchCase_, value); }
  bool AutoThemeAdapt() const { return autoThemeAdapt_; }
  void SetAutoThemeAdapt(bool value) { Change(autoThemeAdapt_, value); }

  // Typing searches at once; without it only the buttons do.
  bool AutoSearch = true;
  bool SearchActiveColumnOnly = false;
  // The one column searched; -1 for all.
  int SearchColumn = -1;
  // The text the buttons searched for last.
  AnsiString LastSearch;
  TNotifyEvent OnChange;

 private:
  template <class T>
  void Change(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
  }
  void Changed() {
    if (OnChange) OnChange(this);
  }

  bool visible_ = false;
  TColor color_ = clWhite;
  TColor colorTo_ = clBtnFace;
  AnsiString findNextCaption_ = "Find next";
  AnsiString findPrevCaption_ = "Find previous";
  AnsiString highLightCaption_ = "Highlight";
  AnsiString matchCaseCaption_ = "Match case";
  AnsiString hintClose_ = "Close";
  AnsiString hintFindNext_ = "Find next occurence";
  AnsiString hintFindPrev_ = "Find previous occurence";
  AnsiString hintHighlight_ = "Highlight occurences";
  TFont font_;
  bool showClose_ = true;
  bool showFindNext_ = true;
  bool showFindPrev_ = true;
  bool showHighLight_ = true;
  bool showMatchCase_ = true;
  bool autoThemeAdapt_ = false;
};
