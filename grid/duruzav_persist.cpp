// The grid's persistence operations, forwarded to their stores, and the
// attached cell checker.
#include "framework/imglist.h"
#include "grid/columnsizestore.h"
#include "grid/duruzav.h"
#include "grid/visualprops.h"
#include "grid/zgcheck.h"

void TVudUvizidIzed::SaveColSizes() { TColumnSizeStore(*this).SaveSizes(); }
void TVudUvizidIzed::LoadColSizes() { TColumnSizeStore(*this).LoadSizes(); }
void TVudUvizidIzed::SaveColPositions() { TColumnSizeStore(*this).SavePositions(); }
void TVudUvizidIzed::LoadColPositions() { TColumnSizeStore(*this).LoadPositions(); }

void TVudUvizidIzed::SaveVisualProps(const AnsiString& fileName) { TVisualPropsFile(*this).Save(fileName); }
void TVudUvizidIzed::LoadVisualProps(const AnsiString& fileName) { TVisualPropsFile(*this).Load(fileName); }

void TVudUvizidIzed::SetCellChecker(TVudUvizidIzedCheck* checker) {
  if (persist_.CellChecker) RemoveFreeNotification(persist_.CellChecker);
  persist_.CellChecker = checker;
  if (checker) FreeNotification(checker);
}

void TVudUvizidIzed::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == persist_.CellChecker) persist_.CellChecker = nullptr;
  if (operation == opRemove && component == gridImages_) gridImages_ = nullptr;
  TBaseGrid::Notification(component, operation);
}
