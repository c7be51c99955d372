// The floating footer settings and the calculation of the footer row, the
// grid's footer and search panels and its handlers of the search panel.
#include "grid/duruzav.h"
#include "grid/footerpanel.h"
#include "grid/searchpanel.h"
#include "grid/vazeri_button.h"

// ---- Settings ----

void TFloatingFooter::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TFloatingFooter*>(source);
  if (!s) return;
  CalculateHiddenRows = s->CalculateHiddenRows;
  Color = s->Color;
  Column = s->Column;
  SetFooterStyle(s->style_);
  ShowHint = s->ShowHint;
  EnableCalculation = true;
}

void TFloatingFooter::SetVisible(bool visible) {
  visible_ = visible;
  TFooterPanel* panel = Grid()->FooterPanel();
  panel->SetHeight(visible ? height_ - 1 : 0);
  panel->SetVisible(visible);
  panel->SetShowHint(ShowHint);
  Grid()->SetFixedFooters(FixedLastRow() ? 1 : 0);
  Grid()->SetLastRowFooter(FixedLastRow());
  RepaintGrid();
}

void TFloatingFooter::SetFooterStyle(TFooterStyle style) {
  style_ = style;
  Grid()->SetLastRowFooter(FixedLastRow());
  RepaintGrid();
  Invalidate();
}

void TFloatingFooter::SetHeight(int height) {
  height_ = height;
  if (height >= 1) Grid()->FooterPanel()->SetHeight(height - 1);
}

void TFloatingFooter::Invalidate() { Grid()->FooterPanel()->Invalidate(); }

TColumnCalcType TFloatingFooter::GetColumnCalc(int col) const {
  const int last = Grid()->RowCount() - 1;
  return Grid()->HasCellProperties(col, last) ? Grid()->GetCellProperties(col, last)->CalcType : acNONE;
}

void TFloatingFooter::SetColumnCalc(int col, TColumnCalcType type) {
  const int last = Grid()->RowCount() - 1;
  Grid()->GetCellProperties(col, last)->CalcType = type;
  Grid()->UpdateCell(col, last);
}

// ---- Calculation ----

// A minimum or maximum starts from the first data cell, which must be a
// number; when it is not, the footer shows nothing rather than failing the
// change that asked for the footer.
void TVudUvizidIzed::WriteFooterExtreme(int col, const std::function<double()>& calc) {
  const int footerRow = RowCount() - 1;
  try {
    SetFloats(col, footerRow, calc());
  } catch (const EDurUzavError&) {
    SetCellEx(col, footerRow, AnsiString());
  }
}

// The data rows lie between the fixed rows and the footer row. With the
// hidden rows counted they are read by real row, the footer row being the
// real row behind them; a range of display rows that reached the footer
// row (one hidden row) would add the footer's own value.
void TVudUvizidIzed::DoCalcFooter(int col) {
  if (!floatingFooter_.FixedLastRow() || !floatingFooter_.EnableCalculation) return;
  const int footerRow = RowCount() - 1;
  const int hidden = floatingFooter_.CalculateHiddenRows ? NumHiddenRows() : 0;
  const int first = FixedRows(), last = RowCount() - 2 + hidden;
  const bool allRows = hidden > 0;
  const auto calc = [&](int c, TRangeCalc how) { return ColumnCalcIn(c, first, last, how, allRows); };
  const int fromCol = col < 0 ? 0 : col, toCol = col < 0 ? TotalColCount() - 1 : col;
  for (int c = fromCol; c <= toCol; ++c) {
    if (!HasCellProperties(c, footerRow)) continue;
    switch (GetCellProperties(c, footerRow)->CalcType) {
      case acNONE: SetCellEx(c, footerRow, AnsiString()); break;
      case acSUM: SetFloats(c, footerRow, calc(c, TRangeCalc::Sum)); break;
      case acAVG: {
        const int count = last - first + 1;
        SetFloats(c, footerRow, count >= 1 ? calc(c, TRangeCalc::Sum) / count : 0);
        break;
      }
      case acCOUNT: SetFloats(c, footerRow, RowCount() - 1 - FixedRows() + hidden); break;
      case acMIN: WriteFooterExtreme(c, [&] { return calc(c, TRangeCalc::Min); }); break;
      case acMAX: WriteFooterExtreme(c, [&] { return calc(c, TRangeCalc::Max); }); break;
      case acCUSTOM: {
        AnsiString value;
        if (floatingFooter_.OnCalcFooter) floatingFooter_.OnCalcFooter(this, c, footerRow + hidden, value);
        SetCellEx(c, footerRow, value);
        break;
      }
      case acSPREAD: break;
    }
  }
}

// ---- The panels ----

namespace {

void CopySearchFooter(TVudUvizidIzed& grid, TSearchPanel& panel);

// A panel of the grid: along its bottom, hidden and without height until
// its settings show it.
template <class TGridPanel>
TGridPanel* CreateGridPanel(TVudUvizidIzed* grid) {
  auto* panel = new TGridPanel(grid);
  panel->SetParent(grid);
  panel->SetAlign(alBottom);
  panel->SetHeight(0);
  panel->SetVisible(false);
  return panel;
}

}  // namespace

TFooterPanel* CreateFooterPanel(TVudUvizidIzed* grid) { return CreateGridPanel<TFooterPanel>(grid); }

TSearchPanel* CreateSearchPanel(TVudUvizidIzed* grid) {
  TSearchPanel* panel = CreateGridPanel<TSearchPanel>(grid);
  panel->OnEditChange = [grid](TObject* sender) { grid->SearchEditChange(sender); };
  panel->OnBackwardClick = [grid](TObject* sender) { grid->SearchBackward(sender); };
  panel->OnForwardClick = [grid](TObject* sender) { grid->SearchForward(sender); };
  panel->OnExitClick = [grid](TObject* sender) { grid->SearchExit(sender); };
  panel->OnHighlightClick = [grid](TObject* sender) { grid->SearchHighLight(sender); };
  grid->SearchFooter()->OnChange = [grid](TObject* sender) { grid->SearchChanged(sender); };
  CopySearchFooter(*grid, *panel);
  return panel;
}

int TVudUvizidIzed::FooterPanelHeight() const { return footerPanel_->Visible() ? footerPanel_->Height() : 0; }

int TVudUvizidIzed::SearchPanelHeight() const { return searchPanel_->Visible() ? searchPanel_->Height() : 0; }

void TVudUvizidIzed::FloatFooterUpdate() { footerPanel_->Invalidate(); }

namespace {

// The search footer settings onto the search panel.
void CopySearchFooter(TVudUvizidIzed& grid, TSearchPanel& panel) {
  TSearchFooter& footer = *grid.SearchFooter();
  const TControlStyle style = grid.ControlLook()->ControlStyle();
  panel.SetColor(footer.Color());
  panel.SetColorTo(footer.ColorTo());
  panel.SetVisible(footer.Visible());

  TDurUzavButton* const next = panel.FindNextButton();
  TDurUzavButton* const prev = panel.FindPrevButton();
  TDurUzavButton* const highlight = panel.HighlightButton();
  TDurUzavButton* const close = panel.CloseButton();
  TCheckBox* const matchCase = panel.MatchCaseBox();
  next->SetText(footer.FindNextCaption());
  prev->SetText(footer.FindPrevCaption());
  matchCase->SetText(footer.MatchCaseCaption());
  highlight->SetText(footer.HighLightCaption());
  panel.Font()->Assign(*footer.Font());
  for (TControl* child : std::initializer_list<TControl*>{panel.SearchEdit(), next, prev, highlight, close, matchCase})
    child->Font()->Assign(*footer.Font());

  const bool themed = grid.Props().AutoThemeAdapt;
  for (TDurUzavButton* button : {next, prev, highlight}) {
    if (style == csFlat) {
      button->SetFlat(true);
    } else if ((style == csWinXP && !themed) || style == csClassic) {
      button->SetAutoXPStyle(style == csWinXP);
      button->SetFlat(false);
    }
    if (themed) {
      button->SetAutoThemeAdapt(true);
      button->SetFlat(true);
    }
  }

  highlight->SetVisible(footer.ShowHighLight());
  close->SetVisible(footer.ShowClose());
  matchCase->SetVisible(footer.ShowMatchCase());
  prev->SetVisible(footer.ShowFindPrev());
  next->SetVisible(footer.ShowFindNext());

  const std::pair<TDurUzavButton*, AnsiString> hints[] = {
      {close, footer.HintClose()}, {next, footer.HintFindNext()}, {prev, footer.HintFindPrev()},
      {highlight, footer.HintHighlight()}};
  for (const auto& [button, hint] : hints) {
    button->SetHint(hint);
    button->SetShowHint(!hint.empty());
  }

  matchCase->SetLeft(highlight->Visible() ? 425 : 330);
  for (TDurUzavButton* button : {next, prev, highlight}) button->SetHeight(button->Visible() ? 23 : 0);
  matchCase->SetHeight(matchCase->Visible() ? 17 : 0);
  panel.SetHeight(footer.Visible() ? 32 : 0);
}

}  // namespace

void TVudUvizidIzed::SearchChanged(TObject*) { CopySearchFooter(*this, *searchPanel_); }

// ---- The search panel's handlers ----

namespace {

// The search the panel's switches and the footer's column settings ask for.
TFindParameters PanelFindParameters(TVudUvizidIzed& grid, int& presetCol) {
  const TSearchPanel& panel = *grid.SearchPanel();
  const TSearchFooter& footer = *grid.SearchFooter();
  TFindParameters params = fnAutoGoto;
  if (panel.HighlightButton()->Down()) params |= fnIgnoreHTMLTags;
  if (panel.MatchCaseBox()->Checked()) params |= fnMatchCase;
  if (footer.SearchActiveColumnOnly) params |= fnFindInCurrentCol;
  if (footer.SearchColumn >= 0 && footer.SearchColumn < grid.ColCount()) {
    params |= fnFindInPresetCol;
    presetCol = footer.SearchColumn;
  }
  return params;
}

// The hit is kept clear of the panel: the rows scroll by two when it lies
// in the last two visible rows.
void KeepHitAbovePanel(TVudUvizidIzed& grid) {
  if (grid.Row() > grid.TopRow() + grid.VisibleRowCount() - 2 &&
      grid.VisibleRowCount() + grid.FixedRows() < grid.RowCount())
    grid.SetTopRow(grid.TopRow() + 2);
}

// A find button: on from the last hit, unless the buttons search a new
// text without AutoSearch.
void SearchStep(TVudUvizidIzed& grid, TPoint& lastHit, bool backward) {
  TSearchFooter& footer = *grid.SearchFooter();
  const AnsiString text = grid.SearchPanel()->SearchEdit()->Text();
  if (!footer.AutoSearch && text != footer.LastSearch) lastHit = {-1, -1};
  footer.LastSearch = text;
  lastHit = grid.Find(lastHit, text, backward ? fnAutoGoto | fnBackward : fnAutoGoto);
  KeepHitAbovePanel(grid);
}

}  // namespace

void TVudUvizidIzed::SearchEditChange(TObject*) {
  if (!SearchFooter()->AutoSearch) return;
  TEdit* edit = searchPanel_->SearchEdit();
  const AnsiString text = edit->Text();
  const bool highlight = searchPanel_->HighlightButton()->Down();
  const TFindParameters params = PanelFindParameters(*this, FindPresetCol);
  bool found = false;
  if (!text.empty()) {
    const TPoint hit = FindFirst(text, params);
    found = hit.X >= 0;
    if (found) ScrollInView(hit.X, hit.Y);
  }
  edit->SetColor(text.empty() || found ? clWindow : clRed);
  UnHilightInGrid(false);
  if (found && highlight) HilightInGrid(false, params & fnMatchCase, text);
  KeepHitAbovePanel(*this);
}

void TVudUvizidIzed::SearchForward(TObject*) { SearchStep(*this, lastHit_, false); }

void TVudUvizidIzed::SearchBackward(TObject*) { SearchStep(*this, lastHit_, true); }

void TVudUvizidIzed::SearchExit(TObject*) { SearchFooter()->SetVisible(false); }

void TVudUvizidIzed::SearchHighLight(TObject*) {
  if (searchPanel_->HighlightButton()->Down())
    HilightInGrid(false, searchPanel_->MatchCaseBox()->Checked(), searchPanel_->SearchEdit()->Text());
  else
    UnHilightInGrid(false);
}
