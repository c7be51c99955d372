#pragma once
// TROVUveza: a label whose text is mark-up. It draws its background (plain
// or a gradient), bevels and border and then the mark-up, and reacts to the
// anchors in it: hand cursor, hover colours, enter and exit events, anchor
// hints, and clicks that open web and mail addresses or go to an event.
#include <functional>
#include <memory>

#include "framework/controls.h"
#include "framework/forms.h"
#include "framework/hints.h"
#include "framework/imglist.h"
#include "framework/strings.h"
#include "grid/picturecontainer.h"

// The label's own types; the grid has types of these names with other
// members, so these live in the label's namespace (their values need no
// qualification).
namespace Rovuveza {
enum TAutoSizeType { asVertical, asHorizontal, asBoth };
enum TGradientType { gtFullHorizontal, gtFullVertical, gtBottomLine, gtCenterLine, gtTopLine };
enum TVAlignment { tvaTop, tvaCenter, tvaBottom };
using TAnchorClick = std::function<void(TObject* Sender, const AnsiString& Anchor)>;
using TAnchorHintEvent = std::function<void(TObject* Sender, AnsiString& Anchor)>;
}  // namespace Rovuveza
using Rovuveza::asBoth;
using Rovuveza::asHorizontal;
using Rovuveza::asVertical;
using Rovuveza::gtBottomLine;
using Rovuveza::gtCenterLine;
using Rovuveza::gtFullHorizontal;
using Rovuveza::gtFullVertical;
using Rovuveza::gtTopLine;
using Rovuveza::tvaBottom;
using Rovuveza::tvaCenter;
using Rovuveza::tvaTop;

// What one pass of the mark-up engine over the label's text gives back.
struct TLabelMarkupResult {
  AnsiString AnchorValue;
  AnsiString StrippedText;
  AnsiString FocusAnchor;
  int XSize = 0;
  int YSize = 0;
  int HyperLinks = 0;
  int MouseLink = -1;
  TRect HoverRect{-1, -1, -1, -1};
};

class TROVUveza : public TGraphicControl {
 public:
  explicit TROVUveza(TComponent* owner);
  ~TROVUveza() override;

  // ---- Text ----
  TStringList* HTMLText() const { return htmlText_.get(); }
  // Takes the list's text without its line ends (breaks are BR tags).
  void SetHTMLText(const TStrings* text);
  // The lines joined without separator.
  virtual AnsiString GetDisplText() const;
  virtual void UpdateDisplText();
  // The text without its mark-up.
  AnsiString GetText() const override;
  void HilightText(const AnsiString& text, bool caseSensitive);
  void UnHilightText();
  void MarkText(const AnsiString& text, bool caseSensitive);
  void UnMarkText();

  // ---- Look ----
  bool AutoSizing() const { return autoSizing_; }
  void SetAutoSizing(bool on);
  Rovuveza::TAutoSizeType AutoSizeType() const { return autoSizeType_; }
  void SetAutoSizeType(Rovuveza::TAutoSizeType type);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut cut);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut cut);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int width);
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style);
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor color);
  Rovuveza::TGradientType GradientType() const { return gradientType_; }
  void SetGradientType(Rovuveza::TGradientType type);
  int LineWidth() const { return lineWidth_; }
  void SetLineWidth(int width);
  bool Ellipsis() const { return ellipsis_; }
  void SetEllipsis(bool on);
  bool Hover() const { return hover_; }
  void SetHover(bool on);
  TColor HoverColor() const { return hoverColor_; }
  void SetHoverColor(TColor color);
  TColor HoverFontColor() const { return hoverFontColor_; }
  void SetHoverFontColor(TColor color);
  TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(TColor color);
  int ShadowOffset() const { return shadowOffset_; }
  void SetShadowOffset(int offset);
  TColor URLColor() const { return urlColor_; }
  void SetURLColor(TColor color);
  Rovuveza::TVAlignment VAlignment() const { return vAlignment_; }
  void SetVAlignment(Rovuveza::TVAlignment alignment);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);

  // ---- Hints ----
  bool AnchorHint() const { return anchorHint_; }
  void SetAnchorHint(bool on) { anchorHint_ = on; }
  bool HintShowFull() const { return hintShowFull_; }
  void SetHintShowFull(bool on) { hintShowFull_ = on; }
  bool HTMLHint() const { return htmlHint_; }
  void SetHTMLHint(bool on) { htmlHint_ = on; }

  // ---- Pictures ----
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* images);
  TPictureContainer* PictureContainer() const { return pictureContainer_; }
  void SetPictureContainer(TPictureContainer* container);
  THTMLPictureCache* PictureCache() const { return pictureCache_.get(); }

  // ---- Drawing and hit test ----
  // While an update is open only the background is painted.
  void BeginUpdate();
  void EndUpdate();
  // The one call into the mark-up engine: draws, or with checkOnly only
  // lays out and hit-tests, text in r. True when an anchor lies at (x, y).
  // measureOnly, selected and blinkHidden are the engine's, unused by the
  // label itself; hoverStyle styles only the anchor under the mouse.
  virtual bool HTMLPaint(TCanvas* canvas, const AnsiString& text, TRect r, TImageList* images, int x, int y,
                         int focusLink, int hoverLink, int shadowOffset, bool checkOnly, bool measureOnly, bool print,
                         bool selected, bool blinkHidden, bool hoverStyle, double scale, TColor urlColor,
                         TColor hoverColor, TColor hoverFontColor, TColor shadowColor, TLabelMarkupResult& result);
  // The text's size laid out without limits.
  TSize GetSize();
  // Draws the text into r with fixed colours, for printing.
  void HTMLPrint(TCanvas* canvas, const TRect& r);
  // The anchor at (x, y) and its rectangle; empty and (-1, -1, -1, -1) when
  // there is none.
  bool IsAnchor(int x, int y, AnsiString& anchor, TRect& rect);
  // The rectangle the text is laid out in, shared by painting and the hit
  // test so that anchors are found where they are drawn.
  TRect TextRect();
  void Doit() { Paint(); }
  // The anchor index the engine reports under the mouse; -1 for none.
  int HoverIndex() const { return hoverIndex_; }
  int TextWidth() const { return textWidth_; }
  int TextHeight() const { return textHeight_; }

  virtual std::uint32_t GetVersionNr() const;
  AnsiString GetVersion() const;
  void SetVersion(const AnsiString&) {}

  Rovuveza::TAnchorClick OnAnchorClick;
  Rovuveza::TAnchorClick OnAnchorEnter;
  Rovuveza::TAnchorClick OnAnchorExit;
  Rovuveza::TAnchorHintEvent OnAnchorHint;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

 protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void WndProc(TMessage& message) override;

 private:
  void HTMLChanged();
  void PaintBackground(TRect r);
  void PaintFrames();
  // Lays r's top down for a centred or bottom-aligned text of that height.
  void AlignVertically(TRect& r, const AnsiString& text, TPoint mouse);
  void RepaintRect(TRect r);
  void HintShow(THintInfo& info);
  bool GrowsHorizontally() const;
  bool GrowsVertically() const;

  std::unique_ptr<THTMLPictureCache> pictureCache_;
  std::unique_ptr<TStringList> htmlText_;
  bool autoSizing_ = false;
  Rovuveza::TAutoSizeType autoSizeType_ = asVertical;
  bool anchorHint_ = false;
  bool hintShowFull_ = false;
  bool htmlHint_ = false;
  TBevelCut bevelInner_ = bvNone;
  TBevelCut bevelOuter_ = bvNone;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  TFormBorderStyle borderStyle_ = bsNone;
  TColor colorTo_ = clNone;
  Rovuveza::TGradientType gradientType_ = gtFullHorizontal;
  int lineWidth_ = 0;
  bool ellipsis_ = false;
  bool hover_ = false;
  TColor hoverColor_ = clNone;
  TColor hoverFontColor_ = clNone;
  TColor shadowColor_ = clGray;
  int shadowOffset_ = 2;
  TColor urlColor_ = clBlue;
  Rovuveza::TVAlignment vAlignment_ = tvaTop;
  bool transparent_ = false;
  TImageList* images_ = nullptr;
  TPictureContainer* pictureContainer_ = nullptr;

  AnsiString lastAnchor_;
  int hoverIndex_ = -1;
  int previousHoverIndex_ = -1;
  TRect hoverRect_{-1, -1, -1, -1};
  int updateCount_ = 0;
  int textWidth_ = 0;
  int textHeight_ = 0;
};
