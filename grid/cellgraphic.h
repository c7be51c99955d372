#pragma once
// The graphic a cell can carry beside its text: a bitmap, icon, picture,
// image list entry, check box, radio group, button, progress bar or pie,
// range indicator, comment, rotated text or only an error marker.
//
// What each field holds depends on the kind; the grid's Add... operations
// set them, the cell painters read them.
#include <cstdint>

#include "framework/graphics.h"
#include "framework/strings.h"
#include "grid/vazeri.h"

enum TCellType {
  ctBitmap, ctIcon, ctNone, ctImageList, ctCheckBox, ctDataCheckBox, ctRotated, ctDataImage, ctNode, ctRadio,
  ctEmpty, ctImages, ctPicture, ctFilePicture, ctValue, ctProgress, ctComment, ctButton, ctBitButton,
  ctVirtCheckBox, ctRowCheckBox, ctProgressPie, ctSummary, ctRangeIndicator
};
enum TCellHAlign { haLeft, haRight, haCenter, haBeforeText, haAfterText, haFull };
enum TCellVAlign { vaTop, vaBottom, vaCenter, vaUnderText, vaAboveText, vaFull };
enum TStretchMode { noStretch, Stretch, StretchWithAspectRatio, Shrink, ShrinkWithAspectRatio };

bool IsCheckBoxKind(TCellType kind);

class TCellGraphic : public TPersistent {
 public:
  TCellGraphic() = default;
  TCellGraphic(const TCellGraphic&) = delete;
  TCellGraphic& operator=(const TCellGraphic&) = delete;
  // Frees the attached objects the graphic owns (see Owns...).
  ~TCellGraphic() override;

  // Copies every field but the two references.
  void Assign(const TPersistent* source);

  void SetBitmap(TBitmap* bitmap, bool transparent, TCellHAlign hAlign, TCellVAlign vAlign);
  void SetIcon(TIcon* icon, TCellHAlign hAlign, TCellVAlign vAlign);
  void SetPicture(TPicture* picture, bool transparent, TStretchMode stretchMode, int padding, TCellHAlign hAlign,
                  TCellVAlign vAlign);
  void SetFilePicture(TFilePicture* picture, bool transparent, TStretchMode stretchMode, int padding,
                      TCellHAlign hAlign, TCellVAlign vAlign);
  void SetCheckBox(bool value, bool data, bool flat, TCellHAlign hAlign, TCellVAlign vAlign);
  void SetButton(int width, int height, const AnsiString& caption, TCellHAlign hAlign, TCellVAlign vAlign);
  void SetBitButton(int width, int height, const AnsiString& caption, TBitmap* glyph, TCellHAlign hAlign,
                    TCellVAlign vAlign);
  void SetImageIdx(int index, TCellHAlign hAlign, TCellVAlign vAlign);
  void SetDataImage(int index, TCellHAlign hAlign, TCellVAlign vAlign);
  void SetMultiImage(int col, int row, int dir, TCellHAlign hAlign, TCellVAlign vAlign, TImageChangeEvent notify);
  // Any angle, brought into 0..360 (a multiple of 360 above 0 stays 360).
  void SetAngle(int angle);
  // The size a picture takes in a cell of width x height, by the stretch
  // mode; (0, 0) for other kinds.
  TPoint GetPictureSize(int width, int height, bool flag) const;

  // The attached objects, null when the kind carries another one.
  TBitmap* Bitmap() const;
  TIcon* Icon() const;
  TPicture* Picture() const;
  TFilePicture* FilePicture() const;
  TStringList* RadioStrings() const;
  TIntList* Images() const;
  TBitmap* Glyph() const;
  // The first and second colour of progress kinds and range indicators.
  TColor FirstColor() const { return firstColor_; }
  TColor SecondColor() const { return secondColor_; }
  void SetColors(TColor first, TColor second);
  // Attaches a string list for a radio group (owned when CellCreated).
  void SetRadioStrings(TStringList* list) { first_ = list; }

  // Button size packed in CellIndex: width in the low, height in the high
  // 16 bits.
  int ButtonWidth() const { return CellIndex & 0xFFFF; }
  int ButtonHeight() const { return (CellIndex >> 16) & 0xFFFF; }

  TCellType CellType = ctNone;
  TCellVAlign CellVAlign = vaTop;
  TCellHAlign CellHAlign = haLeft;
  int CellIndex = 0;
  bool CellTransparent = false;
  bool CellCreated = false;
  bool CellBoolean = false;
  int CellAngle = 0;
  double CellValue = 0;
  int CellErrFrom = 0;
  int CellErrLen = 0;
  AnsiString CellText;

 private:
  // Frees the attached objects this graphic owns and forgets them.
  void Release();
  TObject* first_ = nullptr;
  TObject* second_ = nullptr;
  TColor firstColor_ = clNone;
  TColor secondColor_ = clNone;
};
