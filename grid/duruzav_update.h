#pragma once
// What the cell grid's update locking and change notifications share with
// their users: the listener interface, the event and a scope that holds
// painting off for a bulk change.
#include <functional>

#include "framework/types.h"

class TObject;
class TVudUvizidIzed;

// A listener that the grid tells about every changed range of cells
// (register it with RegisterNotifier; the grid does not own it).
class TGridChangeNotifier {
 public:
  virtual ~TGridChangeNotifier() = default;
  // r holds columns in Left/Right and rows in Top/Bottom.
  virtual void CellsChanged(const TRect& r) = 0;
};

using TCellsChangedEvent = std::function<void(TObject* Sender, const TRect& R)>;

// BeginUpdate for its lifetime: EndUpdate runs also when the bulk change
// ends with an exception.
class TGridUpdate {
 public:
  explicit TGridUpdate(TVudUvizidIzed& grid);
  ~TGridUpdate();
  TGridUpdate(const TGridUpdate&) = delete;
  TGridUpdate& operator=(const TGridUpdate&) = delete;

 private:
  TVudUvizidIzed& grid_;
};
