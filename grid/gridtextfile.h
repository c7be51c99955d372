#pragma once
// The grid text file: a size line, a width line per saved column and a line
// per non-empty saved cell (gridtextlines.h), written from and read into a
// cell grid through its public interface.
#include "framework/strings.h"

class TVudUvizidIzed;

class TGridTextFile {
 public:
  explicit TGridTextFile(TVudUvizidIzed& grid) : grid_(grid) {}
  // EDurUzavError "Cannot Create " + the name when the file cannot be made.
  void SaveToFile(const AnsiString& fileName);
  // Resizes the grid from the size line and stores the cells inside it;
  // cells without a line keep their text. EDurUzavError naming the file
  // when it cannot be opened or its size line is not one the grid can
  // take; the grid is then unchanged.
  void LoadFromFile(const AnsiString& fileName);

 private:
  TVudUvizidIzed& grid_;
};
