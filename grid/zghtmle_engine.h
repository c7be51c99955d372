#pragma once
// The engine behind HTMLDrawEx, shared by its files: the call's inputs and
// results, the formatting state carried from line to line, and the layout of
// one line in its two passes (measuring, then drawing or hit-testing).
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "grid/zghtmle.h"
#include "grid/zghtmle_language.h"

class THTMLPicture;

namespace markup {

enum class Variant { Grid, Label };

struct Inputs {
  Variant variant = Variant::Grid;
  TCanvas* canvas = nullptr;
  TRect bounds;
  TImageList* images = nullptr;
  int pointX = 0;
  int pointY = 0;
  int focusLink = -1;
  int hoverLink = 0;
  int shadowOffset = 0;
  bool hitTestOnly = false;
  bool measureOnly = false;
  bool printing = false;
  bool blinkOn = true;
  bool selected = false;
  bool hoverOnly = false;
  bool wordWrap = true;
  bool controlDown = false;
  double printScale = 1.0;
  TColor linkColor = clBlue;
  TColor hoverColor = clNone;
  TColor hoverFontColor = clNone;
  TColor shadowColor = clGray;
  THTMLPictureCache* pictureCache = nullptr;
  TPictureContainer* pictureContainer = nullptr;
  TWinControl* ownerWindow = nullptr;
};

struct Results {
  AnsiString& anchorValue;
  AnsiString& plainText;
  AnsiString& focusAnchor;
  AnsiString& anchorTitle;
  int& xSize;
  int& ySize;
  int& linkCount;
  int& mouseLink;
  TRect& hoverRect;
  TRect& controlRect;
  AnsiString& controlID;
  AnsiString& controlValue;
  AnsiString& controlType;
};

// What a font-changing tag found, so that its closing tag restores exactly
// that (nested tags restore the font of the tag around them).
struct SavedFont {
  AnsiString name;
  int size;
  TColor color;
  TColor background;
  TFontStyles style;
};

// Formatting in force; each line's drawing pass starts from the state its
// measuring pass started from, so no flag leaks from one pass to the other.
struct State {
  AnsiString fontName;
  int fontSize = 8;
  TColor fontColor = clBlack;
  TFontStyles fontStyle = 0;
  TColor background = clNone;  // clNone: transparent
  bool inAnchor = false;
  AnsiString href;
  bool anchorUnderPointer = false;
  bool anchorStyled = false;
  TColor backgroundBeforeHover = clNone;
  bool error = false;
  bool shadow = false;
  bool subscript = false;
  bool superscript = false;
  bool hidden = false;
  bool blink = false;
  bool paragraphBackground = false;
  TColor backgroundBeforeParagraph = clNone;
  TColor colorBeforeHighlight = clBlack;
  TColor backgroundBeforeHighlight = clNone;
  std::vector<SavedFont> fonts;      // open FONT tags
  std::vector<int> rotations;        // rotations the open R tags found
  int rotation = 0;                  // tenths of a degree
  bool inFocusAnchor = false;
  int listLevel = 0;
  int alignment = 0;  // 0 left, 1 right, 2 centre
  int indent = 0;
  int linkCounter = 0;
  int pictureCounter = 0;
};

enum class Pass { Measure, Second };

// The geometry of the line being laid out.
struct Line {
  TRect rect;          // left, top, right and the caller's bottom
  int height = 0;      // grows with the pieces, pictures and controls
  int subDepth = 0;
  int supHeight = 0;
  int baselineOffset = 0;
  int width = 0;       // laid out so far
  int x = 0;           // drawing position
  int bottom = 0;      // the line box's bottom (second pass)
  int trailingBlank = 0;
  int pieces = 0;
  bool hadListItem = false;
  bool endsWithBlank = true;  // nothing laid out yet counts as a break
  int anchorStartX = 0;
  int anchorStartTop = 0;
  bool anchorStartedHere = false;
  int focusStartX = 0;
  int focusStartTop = 0;
};

// What the tag at the head of the text did to the line.
enum class TagEffect { Continue, BreakLine, EndLineKeepTag, EndText };

class Engine {
 public:
  Engine(const Inputs& in, Results& out);
  bool Run(const AnsiString& text);

 private:
  // ---- Lines and pieces (zghtmle.cpp) ----
  // Lays out the head of text as one line; returns how much of it the line
  // took. endText: the rest of the text is not shown.
  size_t LayoutLine(std::string_view text, State& state, Line& line, Pass pass, bool& endText);
  // False when the piece does not fit and goes to the next line.
  bool LayoutPiece(const AnsiString& piece, State& state, Line& line, Pass pass, bool& endText);
  bool Drawing(Pass pass) const { return pass == Pass::Second && !in_.hitTestOnly && !in_.measureOnly; }
  void SelectFont(const State& state);
  int PieceWidth(const AnsiString& piece) const;
  int BlankWidth(const State& state);
  void DrawPiece(const AnsiString& piece, const State& state, TRect rect, int width);
  void DrawErrorZigzag(int left, int right, int baseline);
  void PlaceLine(const State& state, Line& line) const;
  TRect PieceRect(const State& state, const Line& line) const;
  int BaselineBottom(const Line& line) const;

  // ---- Tags (zghtmle_tags.cpp) ----
  TagEffect ApplyTag(std::string_view tag, State& state, Line& line, Pass pass);
  TagEffect ApplyClosingTag(std::string_view upper, State& state, Line& line, Pass pass);
  void OpenAnchor(std::string_view tag, State& state, Line& line, Pass pass);
  void CloseAnchor(State& state, Line& line, Pass pass);
  void DrawFocusPart(const Line& line, int right);
  void OpenFont(std::string_view tag, State& state, Pass pass);
  void CloseFont(State& state);
  void ApplyBody(std::string_view tag, State& state, Pass pass);
  void ApplyParagraph(std::string_view tag, State& state, Line& line, Pass pass);
  TagEffect ApplyListItem(State& state, Line& line, Pass pass);
  void DrawRule(const Line& line);
  void FillLineBackground(const State& state, const Line& line);

  // ---- Pictures and controls (zghtmle_objects.cpp) ----
  TagEffect ApplyImage(std::string_view tag, State& state, Line& line, Pass pass);
  TagEffect ApplyControl(std::string_view tag, State& state, Line& line, Pass pass);
  THTMLPicture* FindPicture(const AnsiString& source) const;
  void DrawListImage(int index, int x, int top);
  void DrawScaledBitmap(TBitmap& bitmap, int x, int top, int width, int height);
  void DrawPicture(THTMLPicture& picture, int x, int top);
  void DrawControl(const ControlTag& control, int x, int width, int height, int bottom, int lineHeight);
  // Whether an object of this width goes to the next line (measuring pass).
  bool MovesToNextLine(const Line& line, int width, Pass pass) const;
  void TileBackground(const AnsiString& source);
  void DrawBodyGradient(TColor from, TColor to, bool horizontal);

  const Inputs& in_;
  Results& out_;
  TCanvas& canvas_;
  TColor callBackground_;  // the canvas's background at the call
  TColor baseColor_;
  AnsiString baseName_;
  int baseSize_;
  TFontStyles baseStyle_;
  unsigned textFlags_;
  bool themed_;
  int lastObjectWidth_ = 0;  // of the call's last picture or control
  int lastObjectHeight_ = 0;
  int pictureUnderPointer_ = -1;
  bool anchorHit_ = false;
  bool objectHit_ = false;
  bool lineHadAnchorHit_ = false;
  std::vector<int> measuredWidths_;  // of the current line's pieces
  size_t replayed_ = 0;
  AnsiString blankFontName_;  // the font blankWidth_ was measured in
  int blankFontSize_ = -1;
  TFontStyles blankFontStyle_ = 0;
  int blankWidth_ = 0;
};

}  // namespace markup
