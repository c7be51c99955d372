// The balloon tool tip: its window made from the Balloon settings, and its
// text for the cell under the mouse (the cell's text by kind, cut to what
// the tool tip can show, then the user's say). The grid's hint windows.
#include <QTextDocument>

#include "framework/codec.h"
#include "framework/tooltips.h"
#include "grid/duruzav.h"
#include "grid/htmlhintwindow.h"
#include "grid/richtext.h"
#include "grid/zghtmle.h"
#include "grid/zgutil.h"

namespace {

constexpr std::size_t kMaxBalloonText = 1024;
constexpr std::size_t kMaxBalloonTitle = 100;

// Longer texts keep their first max - 3 characters and end in "...".
AnsiString Shortened(const AnsiString& text, std::size_t max) {
  if (text.size() <= max) return text;
  AnsiString kept(text, 0, max - 3);
  kept.append("...");
  return kept;
}

AnsiString PlainCellText(const AnsiString& text, bool markup) {
  switch (TextType(text, markup)) {
    case ttHTML: return HTMLStrip(text);
    case ttRTF: {
      QTextDocument document;
      RichTextToDocument(text, document);
      return document.toPlainText().toStdString();
    }
    case ttUnicode: return WideToUtf8(DecodeWideStr(text));
    default: return text;
  }
}

// Leading tabs and line breaks are dropped, other tabs show as spaces.
AnsiString BalloonText(const AnsiString& text) {
  const auto first = text.find_first_not_of("\t\r\n");
  AnsiString kept = first == AnsiString::npos ? AnsiString() : text.substr(first);
  for (char& c : kept)
    if (c == '\t') c = ' ';
  return Shortened(kept, kMaxBalloonText);
}

}  // namespace

std::optional<TBalloonTip> TVudUvizidIzed::BalloonTipAt(TPoint p) {
  if (!balloon_.Enable()) return std::nullopt;
  TBalloonTip tip;
  MouseToCell(p.X, p.Y, tip.Col, tip.Row);
  if (tip.Col != -1 && tip.Row != -1)
    tip.Text = BalloonText(PlainCellText(GetCellEx(RemapCol(tip.Col), tip.Row), settings_.EnableHTML));
  tip.Title.assign(1, ' ');
  if (OnCellBalloon) OnCellBalloon(this, tip.Col, tip.Row, tip.Title, tip.Text, tip.Icon);
  balloonCell_ = {tip.Col, tip.Row};
  tip.Title = Shortened(tip.Title, kMaxBalloonTitle);
  return tip;
}

// ---- The balloon tool tip's window ----

void TGridHover::CreateToolTip() {
  toolTip_ = std::make_unique<TToolTipWindow>(nullptr, TTS_ALWAYSTIP | TTS_BALLOON);
}

void TGridHover::DestroyToolTip() { toolTip_.reset(); }

// The text is asked for each time the tip shows; nothing without a tool tip.
void TGridHover::AddToolTip(int iconType, const AnsiString&, const AnsiString& title) {
  if (!toolTip_) return;
  toolTip_->AddTool(&grid_, [this](TPoint p) -> std::optional<TToolTipText> {
    const std::optional<TBalloonTip> tip = grid_.BalloonTipAt(p);
    if (!tip) return std::nullopt;
    const TBalloonSettings& balloon = *grid_.Balloon();
    return TToolTipText{tip->Text, tip->Title, tip->Icon, balloon.TextColor, balloon.BackgroundColor};
  });
  toolTip_->SetTitle(iconType, title);
}

void TGridHover::BalloonInit() {
  // Initialising again replaces the tool tip: two would both show.
  DestroyToolTip();
  CreateToolTip();
  AddToolTip(TTI_ERROR, "DurUzav", "ToolTipText");
  const TBalloonSettings& balloon = *grid_.Balloon();
  if (balloon.InitialDelay != -1) toolTip_->SetDelayTime(TTDT_INITIAL, balloon.InitialDelay);
  if (balloon.ReshowDelay != -1) toolTip_->SetDelayTime(TTDT_RESHOW, balloon.ReshowDelay);
  if (balloon.AutoHideDelay != -1) toolTip_->SetDelayTime(TTDT_AUTOPOP, balloon.AutoHideDelay);
  if (balloon.Transparency > 0) toolTip_->SetTransparency(balloon.Transparency);
}

// Also once Enable is off: switching balloons off takes the tool tip away.
void TGridHover::BalloonDone() { DestroyToolTip(); }

void TGridHover::BalloonChange() {
  if (grid_.ComponentState() & csLoading) return;
  if (grid_.Balloon()->Enable()) BalloonInit();
  else BalloonDone();
}

// ---- Hint windows ----

void TVudUvizidIzed::ShowHintProc(AnsiString& hintStr, bool& canShow, THintInfo& hintInfo) {
  hover_.ShowHintProc(hintStr, canShow, hintInfo);
}

void TVudUvizidIzed::AddToolTip(int iconType, const AnsiString& text, const AnsiString& title) {
  hover_.AddToolTip(iconType, text, title);
}

// Stores HTMLHint; on, the application's hints render mark-up.
void TVudUvizidIzed::SetUseHTMLHints(bool on) {
  settings_.HTMLHint = on;
  if (on) SetHintWindowClass([](TComponent* owner) { return new THTMLHintWindow(owner); });
  else SetHintWindowClass(nullptr);
}
