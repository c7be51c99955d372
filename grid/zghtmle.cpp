// The mark-up layout and drawing engine.
#include "grid/zghtmle.h"

bool IsWinXP = true;

bool HTMLDrawEx(TCanvas*, const AnsiString&, const TRect&, TImageList*, int, int, int, int, int, bool, bool, bool,
                bool, bool, bool, bool, bool, double, TColor, TColor, TColor, TColor, AnsiString&,
                AnsiString& PlainText, AnsiString& FocusAnchor, AnsiString& AnchorTitle, int& XSize, int& YSize,
                int& LinkCount, int& MouseLink, TRect&, TRect& ControlRect, AnsiString& ControlID,
                AnsiString& ControlValue, AnsiString& ControlType, THTMLPictureCache*, TPictureContainer*,
                TWinControl*) {
  PlainText.clear();
  FocusAnchor.clear();
  AnchorTitle.clear();
  ControlID.clear();
  ControlValue.clear();
  ControlType.clear();
  ControlRect = {};
  XSize = YSize = LinkCount = 0;
  MouseLink = -1;
  return false;
}

bool HTMLDrawEx(TCanvas* Canvas, const AnsiString& Text, const TRect& Bounds, TImageList* Images, int PointX,
                int PointY, int FocusLink, int HoverLink, int ShadowOffset, bool HitTestOnly, bool MeasureOnly,
                bool Printing, bool BlinkOn, bool Selected, bool HoverOnly, bool WordWrap, double PrintScale,
                TColor LinkColor, TColor HoverColor, TColor HoverFontColor, TColor ShadowColor,
                AnsiString& AnchorValue, AnsiString& PlainText, AnsiString& FocusAnchor, int& XSize, int& YSize,
                int& LinkCount, int& MouseLink, TRect& HoverRect, THTMLPictureCache* PictureCache,
                TPictureContainer* PictureContainer, int) {
  AnsiString title, id, value, type;
  TRect controlRect;
  return HTMLDrawEx(Canvas, Text, Bounds, Images, PointX, PointY, FocusLink, HoverLink, ShadowOffset, HitTestOnly,
                    MeasureOnly, Printing, BlinkOn, Selected, HoverOnly, WordWrap, false, PrintScale, LinkColor,
                    HoverColor, HoverFontColor, ShadowColor, AnchorValue, PlainText, FocusAnchor, title, XSize,
                    YSize, LinkCount, MouseLink, HoverRect, controlRect, id, value, type, PictureCache,
                    PictureContainer, nullptr);
}

void PrintBitmap(TCanvas* Canvas, const TRect& DestRect, TBitmap* Bitmap) {
  if (Canvas && Bitmap) Canvas->StretchDraw(DestRect, Bitmap);
}
