#pragma once
// The graphics a grid cell can hold beside or instead of its text —
// bitmaps, pictures, icons, image-list images, progress bars and pies,
// range indicators, comments, error markers, rotated text, buttons, check
// boxes and radio groups — and the operations that add, query, change and
// remove them. The grid inherits them; they keep their state in the
// grid's cells (duruzav_graphics.cpp).
#include "framework/graphics.h"
#include "framework/strings.h"
#include "grid/cellgraphic.h"

class TVudUvizidIzed;
class TFilePicture;

class TGridCellGraphics {
 public:
  explicit TGridCellGraphics(TVudUvizidIzed& grid) : grid_(grid) {}
  TGridCellGraphics(const TGridCellGraphics&) = delete;
  TGridCellGraphics& operator=(const TGridCellGraphics&) = delete;
  virtual ~TGridCellGraphics() = default;

  // The cell's graphic or null; column 0 answers the shared row check box
  // while HotmailRowSelect is on.
  virtual TCellGraphic* GetCellGraphic(int col, int row);
  virtual TCellType GetCellType(int col, int row);
  // Frees any old graphic and stores a new one of kind ctNone.
  TCellGraphic* CreateCellGraphic(int col, int row);
  bool FreeCellGraphic(int col, int row);
  bool RemoveCellGraphic(int col, int row, TCellType kind);
  // The room the graphic takes beside the cell text, (0, 0) without one.
  TPoint GetCellGraphicSize(int col, int row);
  TPoint GetPrintGraphicSize(int col, int row, int width, int height, double scale);
  TIntList* GetCellImages(int col, int row);
  int GetCellImageIdx(int col, int row);

  void AddBitmap(int col, int row, TBitmap* bitmap, bool transparent, TCellHAlign hAlign, TCellVAlign vAlign);
  TBitmap* CreateBitmap(int col, int row, bool transparent, TCellHAlign hAlign, TCellVAlign vAlign);
  TBitmap* GetBitmap(int col, int row);
  void AddPicture(int col, int row, TPicture* picture, bool transparent, TStretchMode stretchMode, int padding,
                  TCellHAlign hAlign, TCellVAlign vAlign);
  TPicture* CreatePicture(int col, int row, bool transparent, TStretchMode stretchMode, int padding,
                          TCellHAlign hAlign, TCellVAlign vAlign);
  TPicture* GetPicture(int col, int row);
  // A picture read from its file whenever the cell is drawn.
  void AddFilePicture(int col, int row, TFilePicture* picture, bool transparent, TStretchMode stretchMode,
                      int padding, TCellHAlign hAlign, TCellVAlign vAlign);
  TFilePicture* CreateFilePicture(int col, int row, bool transparent, TStretchMode stretchMode, int padding,
                                  TCellHAlign hAlign, TCellVAlign vAlign);
  TFilePicture* GetFilePicture(int col, int row);
  void AddIcon(int col, int row, TIcon* icon, TCellHAlign hAlign, TCellVAlign vAlign);
  TIcon* CreateIcon(int col, int row, TCellHAlign hAlign, TCellVAlign vAlign);
  void AddImageIdx(int col, int row, int index, TCellHAlign hAlign, TCellVAlign vAlign);
  bool GetImageIdx(int col, int row, int& index);
  void AddDataImage(int col, int row, int index, TCellHAlign hAlign, TCellVAlign vAlign);
  bool HasDataImage(int col, int row);
  void AddMultiImage(int col, int row, int dir, TCellHAlign hAlign, TCellVAlign vAlign);
  void MultiImageChanged(TObject* sender, int col, int row);
  void AddProgress(int col, int row, TColor color1, TColor color2);
  void AddProgressEx(int col, int row, TColor color1, TColor color2, TColor color3, TColor color4);
  void AddProgressFormatted(int col, int row, TColor color1, TColor color2, TColor color3, TColor color4,
                            const AnsiString& format, int min, int max);
  void AddProgressPie(int col, int row, TColor color, int value);
  void SetProgressPie(int col, int row, int value);
  void AddRangeIndicator(int col, int row, int range, TColor color1, TColor color2, bool showValue);
  void AddComment(int col, int row, const AnsiString& comment);
  void AddColorComment(int col, int row, const AnsiString& comment, TColor color);
  bool IsComment(int col, int row, AnsiString& comment);
  void RemoveAllComments();
  void AddMarker(int col, int row, int errFrom, int errLen);
  void GetMarker(int col, int row, int& errFrom, int& errLen);
  void RemoveMarker(int col, int row);
  void RemoveAllMarkers();
  void AddRotated(int col, int row, int angle, const AnsiString& text);
  void SetRotated(int col, int row, int angle);
  bool IsRotated(int col, int row, int& angle);
  void AddButton(int col, int row, int width, int height, const AnsiString& caption, TCellHAlign hAlign,
                 TCellVAlign vAlign);
  void AddBitButton(int col, int row, int width, int height, const AnsiString& caption, TBitmap* glyph,
                    TCellHAlign hAlign, TCellVAlign vAlign);
  TBitmap* CreateBitButton(int col, int row, int width, int height, const AnsiString& caption, TCellHAlign hAlign,
                           TCellVAlign vAlign);
  void SetButtonText(int col, int row, const AnsiString& caption);
  AnsiString GetButtonText(int col, int row);
  void PushButton(int col, int row, bool pushed);
  bool HasButton(int col, int row);
  TRect ButtonRect(int col, int row);
  void AddCheckBox(int col, int row, bool state, bool data);
  bool HasCheckBox(int col, int row);
  bool HasDataCheckBox(int col, int row);
  bool HasDataCell(int col, int row);
  bool HasStaticEdit(int col, int row);
  bool GetCheckBoxState(int col, int row, bool& state);
  void SetCheckBoxState(int col, int row, bool state);
  virtual bool ToggleCheck(int col, int row, bool fromUser);
  bool ToggleCheckBox(int col, int row) { return ToggleCheck(col, row, false); }
  void CheckAll(int col);
  void UnCheckAll(int col);
  bool IsInCheckBox(int col, int row, int x, int y);
  void AddRadio(int col, int row, int dirRadio, int defaultIndex, TStringList* strings);
  TCellGraphic* CreateRadio(int col, int row, int dirRadio, int defaultIndex);
  bool GetRadioIdx(int col, int row, int& index);
  bool SetRadioIdx(int col, int row, int index);
  TStringList* GetRadioStrings(int col, int row);
  bool IsRadio(int col, int row);
  // Moves to the next item, wrapping after the last; true when it moved.
  bool ToggleRadio(int col, int row, bool fromUser);
  bool RemoveBitmap(int col, int row) { return RemoveCellGraphic(col, row, ctBitmap); }
  bool RemovePicture(int col, int row) { return RemoveCellGraphic(col, row, ctPicture); }
  bool RemoveFilePicture(int col, int row) { return RemoveCellGraphic(col, row, ctFilePicture); }
  bool RemoveIcon(int col, int row) { return RemoveCellGraphic(col, row, ctIcon); }
  bool RemoveImageIdx(int col, int row) { return RemoveCellGraphic(col, row, ctImageList); }
  bool RemoveDataImage(int col, int row) { return RemoveCellGraphic(col, row, ctDataImage); }
  bool RemoveMultiImage(int col, int row);
  bool RemoveProgress(int col, int row) { return RemoveCellGraphic(col, row, ctProgress); }
  bool RemoveProgressPie(int col, int row) { return RemoveCellGraphic(col, row, ctProgressPie); }
  bool RemoveRangeIndicator(int col, int row) { return RemoveCellGraphic(col, row, ctRangeIndicator); }
  bool RemoveComment(int col, int row) { return RemoveCellGraphic(col, row, ctComment); }
  bool RemoveRotated(int col, int row) { return RemoveCellGraphic(col, row, ctRotated); }
  bool RemoveRadio(int col, int row) { return RemoveCellGraphic(col, row, ctRadio); }
  void RemoveButton(int col, int row);
  void RemoveCheckBox(int col, int row);

 private:
  TVudUvizidIzed& grid_;
};
