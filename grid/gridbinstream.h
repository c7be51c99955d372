#pragma once
// The grid's binary cell stream: a rectangle of cells with their
// properties and graphics as a sequence of records (grid/gridcellio.h),
// written to a stream or file and read back over the whole grid or placed
// at a cell. The private clipboard format carries the same bytes.
//
// Reading takes data from anyone: the stream is read twice, first to check
// every record, count, size and index against what the stream holds and
// against the grid, then to place the cells. A stream that fails the check
// raises EDurUzavError naming its source and leaves the grid as it was.
#include "framework/streams.h"
#include "framework/types.h"

class TVudUvizidIzed;
class TGridPropIO;

class TGridBinStream {
 public:
  explicit TGridBinStream(TVudUvizidIzed& grid) : grid_(grid) {}

  // The grid from its first body cell (its first cell with
  // ExportFixedCells) to the last one, footer rows and right columns
  // included.
  void Save(TStream& stream);
  // Columns r.Left..r.Right and rows r.Top..r.Bottom at the stream's
  // position.
  void SaveRect(const TRect& r, TStream& stream);
  void SaveToFile(const AnsiString& fileName);

  // Reads from the stream's position to its end and places the cells with
  // the stream's first cell at pt; a stream of the whole grid resizes the
  // grid and places its cells where they were. Cells that would fall
  // outside the grid are left out. source names the data in the error.
  void LoadAtPoint(TPoint pt, TStream& stream, const AnsiString& source);
  void LoadFromFile(const AnsiString& fileName);
  // The stream's first record, read from its start; EDurUzavError naming
  // source when there is none.
  static void ReadHeader(TStream& stream, TGridPropIO& header, const AnsiString& source);

  // The name a stream's errors give: a file stream's file name.
  static AnsiString SourceName(TStream& stream);

 private:
  struct Walk;
  void Read(TStream& stream, Walk& walk);

  TVudUvizidIzed& grid_;
};
