#pragma once
// TSearchPanel: the search bar the grid shows below its cells: a text box,
// find-next and find-previous buttons, a highlight toggle, a match-case
// check box and a close button. It only reports what the user does; the
// grid searches (SearchEditChange and the other handlers) and copies its
// SearchFooter settings onto the panel (SearchChanged).
#include "framework/extracontrols.h"
#include "framework/standardcontrols.h"

class TDurUzavButton;

class TSearchPanel : public TPanel {
 public:
  explicit TSearchPanel(TComponent* owner);

  TEdit* SearchEdit() const { return edit_; }
  TDurUzavButton* CloseButton() const { return close_; }
  TDurUzavButton* FindNextButton() const { return forward_; }
  TDurUzavButton* FindPrevButton() const { return backward_; }
  TDurUzavButton* HighlightButton() const { return highlight_; }
  TCheckBox* MatchCaseBox() const { return matchCase_; }

  // The end colour of the panel's gradient; clNone paints it plain Color.
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor value);

  TNotifyEvent OnForwardClick;
  TNotifyEvent OnBackwardClick;
  TNotifyEvent OnEditChange;
  TNotifyEvent OnExitClick;
  TNotifyEvent OnHighlightClick;

 protected:
  void Paint() override;

 private:
  // The three search buttons work while there is text to search for.
  void EditChange();

  TEdit* edit_;
  TDurUzavButton* close_;
  TDurUzavButton* forward_;
  TDurUzavButton* backward_;
  TDurUzavButton* highlight_;
  TCheckBox* matchCase_;
  TColor colorTo_ = clNone;
};
