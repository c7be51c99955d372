#pragma once
// Small lists the grid keeps everywhere: integer lists that tell their cell
// when they change, the multi-column sort order, and the controls placed in
// cells.
#include <functional>
#include <vector>

#include "framework/component.h"
#include "framework/strings.h"
#include "framework/types.h"

class TCanvas;
class TControl;
class QWidget;

// Fired after a change with the column and row the list belongs to.
using TImageChangeEvent = std::function<void(TObject* Sender, int Acol, int Arow)>;

// A growable list of 32-bit integers in insertion order (duplicates allowed).
// Add, Delete and writing an item fire OnChange once; Insert and Clear do not.
class TIntList : public TObject {
 public:
  TIntList(int col, int row) : col_(col), row_(row) {}

  int Count() const { return static_cast<int>(items_.size()); }
  int Items(int index) const;  // EListError outside 0..Count-1
  void SetItems(int index, int value);
  void Add(int value);
  void Insert(int index, int value);
  void Delete(int index);
  void Clear() { items_.clear(); }

  // The entries as "3,-1,20"; writing splits comma text, clears and Adds each
  // item (EConvertError on an item that is no integer, after the items before it).
  AnsiString StrValue() const;
  void SetStrValue(const AnsiString& text);

  TImageChangeEvent OnChange;

 private:
  void Changed();

  std::vector<int> items_;
  int col_;
  int row_;
};

// Sort keys: bits 0-30 the column, bit 31 set for descending; entry 0 is the
// primary key.
class TSortIndexList : public TIntList {
 public:
  using TIntList::TIntList;
  TSortIndexList() : TIntList(0, 0) {}

  void AddIndex(int col, bool ascending);
  int FindIndex(int col) const;  // first entry of that column, or -1
  int SortColumns(int index) const;
  void SetSortColumns(int index, int col);  // keeps the direction
  bool SortDirections(int index) const;     // true = ascending
  void SetSortDirections(int index, bool ascending);
  void ToggleIndex(int col);  // flips the first entry of that column, if any
};

// One control placed in a cell; the control is referred to, not owned.
class TControlItem : public TObject {
 public:
  TControlItem(int x, int y, TControl* control) : X(x), Y(y), Control(control) {}
  int X;
  int Y;
  TControl* Control;
};

// The controls placed in cells; the list owns its items, never the controls.
class TControlList {
 public:
  TControlList() = default;
  TControlList(const TControlList&) = delete;
  TControlList& operator=(const TControlList&) = delete;
  ~TControlList();

  int Count() const { return static_cast<int>(items_.size()); }
  void AddControl(int x, int y, TControl* control);
  int ControlIndex(int x, int y) const;  // first item of that cell, or -1
  TControlItem* Items(int index) const;  // EListError outside 0..Count-1
  // True when some item's control is a windowed control with this window.
  bool HasHandle(const QWidget* handle) const;
  void RemoveControl(int index);  // frees the item, not its control

 private:
  std::vector<TControlItem*> items_;
};

// A cell picture given by a file name: read from disk whenever it is drawn,
// so that the cell shows the file as it is now. Reading a missing,
// unreadable or unknown file raises the framework's picture error.
class TFilePicture : public TPersistent {
 public:
  const AnsiString& Filename() const { return fileName_; }
  // Keeps the name, then reads the file for its size; the name stays set
  // when the read fails.
  void SetFileName(const AnsiString& name);
  // The picture's size when the name was set.
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Draws the file stretched into rect; an empty name draws nothing and
  // reads no file.
  void DrawPicture(TCanvas* canvas, const TRect& rect) const;
  // Copies name and size of another file picture; other sources are ignored.
  void Assign(const TPersistent* source);
  // Name and size as a saved cell stream kept them, without reading the file.
  void SetStored(const AnsiString& name, int width, int height);

 private:
  AnsiString fileName_;
  int width_ = 0;
  int height_ = 0;
};
