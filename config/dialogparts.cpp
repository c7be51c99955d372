#include "config/dialogparts.h"

#include <QApplication>
#include <algorithm>
#include <cstring>

#include "framework/application.h"
#include "framework/services.h"
#include "framework/thread.h"
#include "grid/formsize.h"
#include "platform/osversion.h"
#include "platform/registry.h"
#include "platform/serial.h"

namespace dialogparts {

namespace {

constexpr int kListHeight = 21;
constexpr int kLabelGap = 16;

struct Choice {
  const char* text;
  std::int32_t value;
};
constexpr Choice kComPorts[] = {{"COM1", 1}, {"COM2", 2}, {"COM3", 3}, {"COM4", 4}};
constexpr Choice kComBauds[] = {{"9600", 9600}, {"19200", 19200}, {"38400", 38400}, {"57600", 57600}};

template <std::size_t N>
void Fill(TComboBox* list, const Choice (&choices)[N], int selected) {
  for (const Choice& choice : choices) list->Items()->Add(choice.text);
  list->SetItemIndex(selected);
}

template <std::size_t N>
int IndexOfValue(const Choice (&choices)[N], std::int32_t value) {
  for (std::size_t i = 0; i < N; ++i) {
    if (choices[i].value == value) return static_cast<int>(i);
  }
  return -1;
}

std::string LabelName(TComboBox* list) { return "Label_" + list->Name().substr(std::strlen("ComboBox_")); }

}  // namespace

TLabel* AddLabel(TForm* form, TWinControl* parent, const char* name, const char* caption, int left, int top) {
  auto* label = new TLabel(form);
  label->SetName(name);
  label->SetParent(parent);
  label->SetCaption(caption);
  label->SetBounds(left, top, 120, 14);
  return label;
}

TComboBox* AddList(TForm* form, TWinControl* parent, const char* name, const char* label, int left, int top,
                   int width) {
  auto* list = new TComboBox(form);
  list->SetName(name);
  AddLabel(form, parent, LabelName(list).c_str(), label, left, top);
  list->SetParent(parent);
  list->SetStyle(csDropDownList);
  list->SetBounds(left, top + kLabelGap, width, kListHeight);
  return list;
}

TLabel* LabelOf(TComboBox* list) { return static_cast<TLabel*>(list->Owner()->FindComponent(LabelName(list))); }

TButton* AddButton(TForm* form, const char* name, const char* caption, TModalResult result, int left, int top) {
  auto* button = new TButton(form);
  button->SetName(name);
  button->SetParent(form);
  button->SetCaption(caption);
  button->SetModalResult(result);
  button->SetCancel(result == mrCancel);
  button->SetBounds(left, top, 75, 25);
  return button;
}

void MakeDialog(TForm* form, const char* name, const char* caption, int width, int height) {
  form->SetName(name);
  form->SetCaption(caption);
  form->SetBorderStyle(bsSingle);
  form->SetBorderIcons(biSystemMenu | biMinimize);
  form->SetPosition(poScreenCenter);
  form->SetClientWidth(width);
  form->SetClientHeight(height);
}

TFormSize* KeepPlacement(TForm* form, const char* file, const char* key, bool saveSize) {
  auto* placement = new TFormSize(form);
  placement->SetName("FormSize1");
  placement->SaveName = file;
  placement->SaveKey = key;
  placement->MagnetDistance = 32;
  placement->SaveSize = saveSize;
  placement->SaveUser = false;
  placement->SaveMachine = false;
  return placement;
}

ComPortLists::ComPortLists(TForm* form, TWinControl* parent, int left, int top)
    : Port(AddList(form, parent, "ComboBox_ComPort", "COM Port:", left, top, 100)),
      Baud(AddList(form, parent, "ComboBox_ComBaud", "COM Baud Rate:", left, top + 45, 100)) {
  Fill(Port, kComPorts, 0);
  Fill(Baud, kComBauds, 3);
}

void ComPortLists::Show(const InterfaceConfiguration& record) {
  if (const int port = IndexOfValue(kComPorts, record.ComPort); port >= 0) Port->SetItemIndex(port);
  if (const int baud = IndexOfValue(kComBauds, record.ComBaud); baud >= 0) Baud->SetItemIndex(baud);
}

void ComPortLists::Take(InterfaceConfiguration& record) const {
  if (Port->ItemIndex() >= 0) record.ComPort = kComPorts[Port->ItemIndex()].value;
  if (Baud->ItemIndex() >= 0) record.ComBaud = kComBauds[Baud->ItemIndex()].value;
}

void ComPortLists::SetVisible(bool visible) {
  for (TComboBox* list : {Port, Baud}) {
    list->SetVisible(visible);
    LabelOf(list)->SetVisible(visible);
  }
}

void ClearHardwareFields(InterfaceConfiguration& record) {
  record.Port = 0;
  record.Irq = 0;
  record.ComPort = 0;
  record.ComBaud = 0;
  std::memset(record.AccessPoint, 0, sizeof record.AccessPoint);
}

void SetAccessPoint(InterfaceConfiguration& record, const std::string& text) {
  std::memset(record.AccessPoint, 0, sizeof record.AccessPoint);
  std::memcpy(record.AccessPoint, text.data(), std::min(text.size(), sizeof record.AccessPoint - 1));
}

void SelectText(TComboBox* list, const std::string& text) {
  const int index = list->Items()->IndexOf(text);
  if (index >= 0) list->SetItemIndex(index);
}

std::vector<std::string> SstAccessPoints() {
  const platform::OsVersion os = platform::GetOsVersion();
  const char* key = os.PlatformId == platform::kPlatformWin32Windows
                        ? "\\Software\\ssTech\\Cards\\"
                        : "\\System\\CurrentControlSet\\Services\\ssTechDrvr\\Parameters";
  platform::Registry registry;
  if (!registry.OpenKey(key, false)) return {};
  return registry.GetKeyNames();
}

SstAccessPointList::SstAccessPointList(TForm* form, InterfaceConfiguration& record, int left, int top)
    : List(AddList(form, form, "ComboBox_AccessPoint", "Access Point:", left, top, 125)), record_(record) {
  for (const std::string& name : SstAccessPoints()) List->Items()->Add(name);
  if (List->Items()->Count() > 0) {
    List->SetItemIndex(0);
    Take();
  }
  List->OnChange = [this](TObject*) { Take(); };
}

void SstAccessPointList::Show() { SelectText(List, record_.AccessPoint); }

void SstAccessPointList::Take() {
  if (List->ItemIndex() >= 0) SetAccessPoint(record_, List->Items()->Strings(List->ItemIndex()));
}

std::vector<std::string> UsbDeviceNames(const char* buffer, std::size_t capacity, std::uint32_t count) {
  std::vector<std::string> names;
  std::size_t at = 0;
  while (names.size() < count && at < capacity) {
    const std::size_t length = strnlen(buffer + at, capacity - at);
    if (length == 0 || at + length == capacity) break;  // the end, or a name cut by the buffer's end
    names.emplace_back(buffer + at, length);
    at += length + 1;
  }
  return names;
}

bool WindowsAvailable() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr && IsWindowThread(); }

void ReportSuccess(const char* text, const char* caption) {
  Application->MessageBox(text, caption, MB_OK | MB_ICONINFORMATION);
}

void ReportFailure(const char* text) { Application->MessageBox(text, "ERROR", MB_OK | MB_ICONERROR); }

void ReportOpenFailure(const char* text, const InterfaceConfiguration& tested) {
  const int port = IndexOfValue(kComPorts, tested.ComPort);
  if (port < 0 || !platform::SerialPortOpenHere(kComPorts[port].text)) {
    ReportFailure(text);
    return;
  }
  const std::string message = std::string(text) + "\r\n" + kComPorts[port].text + " is in use by this program.";
  ReportFailure(message.c_str());
}

}  // namespace dialogparts
