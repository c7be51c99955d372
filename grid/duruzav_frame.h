#pragma once
// Types of the grid's painting frame: the colour schemes of the visual
// styles, the states the export and import hooks report, the balloon tip of
// a cell and the frame's events.
#include <functional>

#include "framework/strings.h"
#include "framework/types.h"

class TObject;

// The colour schemes of the operating system's visual styles.
enum TXPColorScheme { xpNone, xpBlue, xpGreen, xpGray };

enum TGridExportState { esExportStart, esExportNewRow, esExportDone, esExportSelRow, esExportFail };
enum TGridImportState { isImportStart, isImportNewRow, isImportDone, isImportSelRow };

// What the balloon tool tip shows for a cell: column and row are -1 when
// the point lies outside the cells. Icon 1 is the information icon.
struct TBalloonTip {
  int Col = -1;
  int Row = -1;
  AnsiString Title;
  AnsiString Text;
  int Icon = 1;
};

using TSelectionChangedEvent = std::function<void(TObject* Sender, int ALeft, int ATop, int ARight, int ABottom)>;
using TAutoRowEvent = std::function<void(TObject* Sender, int ARow)>;
using TCellBalloonEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, AnsiString& ATitle, AnsiString& AText, int& AIcon)>;
