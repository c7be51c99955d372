#pragma once
// What the configuration dialogs share: building their labelled lists and
// buttons, the serial port lists, the access points of the SST driver, the
// Test report, window placement, and the pattern of every window export
// (a modal window on copies of the caller's records, copied back on Ok).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/interfaceconfiguration.h"
#include "framework/forms.h"
#include "framework/standardcontrols.h"

class TFormSize;

namespace dialogparts {

// A label ("Label_" + what follows "ComboBox_" in the name) and, below it,
// a drop-down list named `name`, owned by the form, on the parent.
TComboBox* AddList(TForm* form, TWinControl* parent, const char* name, const char* label, int left, int top,
                   int width);
TLabel* AddLabel(TForm* form, TWinControl* parent, const char* name, const char* caption, int left, int top);
// The label AddList made for the list.
TLabel* LabelOf(TComboBox* list);
// A button of the form closing it with `result` (mrNone: a button that acts).
TButton* AddButton(TForm* form, const char* name, const char* caption, TModalResult result, int left, int top);
// Gives the form the Windows dialog look: fixed size, system menu and
// minimise box, a caption and a client size.
void MakeDialog(TForm* form, const char* name, const char* caption, int width, int height);

// Placement of the window in an INI file by TFormSize (magnet distance 32,
// no user- or machine-specific sections).
TFormSize* KeepPlacement(TForm* form, const char* file, const char* key, bool saveSize);

// The "COM Port:" and "COM Baud Rate:" lists of the serial interfaces:
// "COM1" to "COM4" and "9600", "19200", "38400", "57600"; COM1 and 57600 at
// start.
class ComPortLists {
 public:
  ComPortLists(TForm* form, TWinControl* parent, int left, int top);
  // Selects the record's port and rate (a value not in a list leaves it).
  void Show(const InterfaceConfiguration& record);
  // ComPort and ComBaud from the lists, each unchanged with no selection.
  void Take(InterfaceConfiguration& record) const;
  void SetVisible(bool visible);

  TComboBox* Port;
  TComboBox* Baud;
};

// The "Access Point:" list of an SST interface: the driver's access points,
// the first one selected and copied to the record at creation; a user's
// choice is copied to the record at once. The record is the window's own and
// outlives the list.
class SstAccessPointList {
 public:
  SstAccessPointList(TForm* form, InterfaceConfiguration& record, int left, int top);
  // Selects the entry equal to the record's access point.
  void Show();
  // The selected name to the record; without a selection (no access point to
  // choose) the record's stays.
  void Take();

  TComboBox* List;

 private:
  InterfaceConfiguration& record_;
};

// Clears the fields that belong to one kind of interface, so that a new kind
// starts without them.
void ClearHardwareFields(InterfaceConfiguration& record);
// Copies text into the record's AccessPoint, cut to 255 characters and a NUL.
void SetAccessPoint(InterfaceConfiguration& record, const std::string& text);
// Selects the entry equal to text (none: the selection stays).
void SelectText(TComboBox* list, const std::string& text);

// The access points of the SST driver: the names of the subkeys of its
// registry key (which key depends on the operating system); empty when the
// key is not there. Nothing is created.
std::vector<std::string> SstAccessPoints();

// The device names a driver's List_USB_Devices left in its buffer: at most
// `count` NUL-terminated names one after another, taken only as far as they
// lie whole within the buffer's `capacity` bytes, whatever count the driver
// reports; an empty name ends the list.
std::vector<std::string> UsbDeviceNames(const char* buffer, std::size_t capacity, std::uint32_t count);

// Runs work under the hourglass cursor.
template <class Work>
auto Busy(Work work) {
  struct Restore {
    ~Restore() { Screen->SetCursor(crDefault); }
  } restore;
  Screen->SetCursor(crHourGlass);
  return work();
}

// The message box of a Test's outcome.
void ReportSuccess(const char* text, const char* caption);
void ReportFailure(const char* text);
// A Test that could not open the interface of the record: the text, and on
// a second line the cause when it is known (the record's serial port held
// open by this program, which is online on it).
void ReportOpenFailure(const char* text, const InterfaceConfiguration& tested);

// Whether a window can be shown here: the caller runs a window application
// and calls from its window thread. A process without one gets no window,
// and the export reports 0.
bool WindowsAvailable();

// The export pattern of every window: the window gets copies of the caller's
// records (its Record, and its Network when the export has one), is shown
// modally, and on Ok the copies go back and the result is 1; otherwise 0 and
// the caller's records are untouched. The window is destroyed before the
// return.
template <class Window>
int ShowOnCopy(InterfaceConfiguration* cfg) {
  if (cfg == nullptr || !WindowsAvailable()) return 0;
  auto window = std::make_unique<Window>(nullptr);
  window->Record = *cfg;
  if (window->ShowModal() != mrOk) return 0;
  *cfg = window->Record;
  return 1;
}

template <class Window, class Network>
int ShowOnCopies(InterfaceConfiguration* cfg, Network* net) {
  if (cfg == nullptr || net == nullptr || !WindowsAvailable()) return 0;
  auto window = std::make_unique<Window>(nullptr);
  window->Record = *cfg;
  window->Network = *net;
  if (window->ShowModal() != mrOk) return 0;
  *cfg = window->Record;
  *net = window->Network;
  return 1;
}

}  // namespace dialogparts
