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

// The calculations of a column or a row over a range.
enum class TRangeCalc { Sum, Min, Max };
