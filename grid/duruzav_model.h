#pragma once
// Types of the grid's row and column model: sorting, filtering and the
// events they fire.
#include <functional>

#include "framework/sysutils.h"

class TObject;

using TCustomCompareEvent = std::function<void(TObject* Sender, const AnsiString& str1, const AnsiString& str2, int& Res)>;
using TRawCompareEvent = std::function<void(TObject* Sender, int ACol, int Row1, int Row2, int& Res)>;
using TRowUpdateEvent = std::function<void(TObject* Sender, int OldRow, int NewRow)>;
using TGridProgressEvent = std::function<void(TObject* Sender, short progress)>;

// How Find searches; a set of these flags.
enum TFindParameter : unsigned {
  fnMatchCase = 1u << 0,
  fnMatchFull = 1u << 1,
  fnMatchRegular = 1u << 2,
  fnDirectionLeftRight = 1u << 3,
  fnMatchStart = 1u << 4,
  fnFindInCurrentRow = 1u << 5,
  fnFindInCurrentCol = 1u << 6,
  fnIncludeFixed = 1u << 7,
  fnAutoGoto = 1u << 8,
  fnIgnoreHTMLTags = 1u << 9,
  fnBackward = 1u << 10,
  fnIncludeHiddenColumns = 1u << 11,
  fnFindInPresetCol = 1u << 12,
  fnFindInPresetRow = 1u << 13,
};
using TFindParameters = unsigned;

// The calculations of a column or a row over a range.
enum class TRangeCalc { Sum, Min, Max };
