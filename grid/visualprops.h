#pragma once
// The grid's look as a text file: one "key=value" line per colour, switch,
// size, font part and style choice of the grid and its settings objects,
// always the same 65 lines in the same order, ended by CR LF.
//
// Reading takes, for each key, the first line whose text before its first
// "=" is the key in any case; other lines are ignored. A colour or number
// that is missing or does not convert (or a size no grid can draw) raises
// EConvertError and ends the load there: the entries before it keep their
// new values. A missing switch reads as off, a missing style as none, a
// style or look name that is missing or unknown leaves the property as it
// is.
#include <functional>
#include <vector>

#include "framework/graphics.h"
#include "framework/strings.h"

class TVudUvizidIzed;

class TVisualPropsFile {
 public:
  explicit TVisualPropsFile(TVudUvizidIzed& grid);

  AnsiString ToText() const;
  void Apply(const AnsiString& text);
  // Exception "Cannot Create " + file name when the file cannot be written.
  void Save(const AnsiString& fileName) const;
  // Exception "Cannot open file " + file name, changing nothing, when it
  // cannot be read.
  void Load(const AnsiString& fileName);

 private:
  struct Entry {
    AnsiString key;
    // The value text; false writes no line.
    std::function<bool(AnsiString&)> write;
    std::function<void(const AnsiString&)> read;
  };
  void AddEntries();
  void AddColor(const AnsiString& key, std::function<TColor()> get, std::function<void(TColor)> set);
  void AddBool(const AnsiString& key, std::function<bool()> get, std::function<void(bool)> set);
  void AddInteger(const AnsiString& key, int min, int max, std::function<int()> get, std::function<void(int)> set);
  void AddEnum(const AnsiString& key, std::vector<AnsiString> names, std::function<int()> get,
               std::function<void(int)> set);
  void AddFont(const AnsiString& key, TFont* font);

  TVudUvizidIzed& grid_;
  std::vector<Entry> entries_;
};
