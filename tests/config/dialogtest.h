#pragma once
// Driving the configuration libraries' windows as their callers do: the
// export is called through the library loaded by name, and the test acts on
// the modal window it opens, finding the controls by their names. Message
// boxes and the cursor go to scripted services.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "config/interfaceconfiguration.h"
#include "framework/forms.h"
#include "framework/standardcontrols.h"
#include "framework/testing/harness.h"
#include "tests/support/boundlibrary.h"

namespace dialogtest {

// Calls `call`, which opens a modal window, runs act on that window once it
// shows, and closes it with Cancel when act left it open; call's result.
inline int WithWindow(const std::function<int()>& call, const std::function<void(TForm&)>& act) {
  bool ran = false;
  harness::WhenIdle([&] {
    TForm* window = harness::ModalForm();
    if (window == nullptr) return;
    ran = true;
    act(*window);
    if (window->Modal() && window->ModalResult() == mrNone) window->SetModalResult(mrCancel);
  });
  const int result = call();
  EXPECT_TRUE(ran) << "no window opened";
  return result;
}

// Acts on the window that a click inside another window opens.
inline void OnNextWindow(const std::function<void(TForm&)>& act) {
  TForm* outer = harness::ModalForm();
  harness::WhenIdle([outer, act] {
    TForm* window = harness::ModalForm();
    if (window == nullptr || window == outer) return;
    act(*window);
    if (window->Modal() && window->ModalResult() == mrNone) window->SetModalResult(mrCancel);
  });
}

template <class Control>
Control* Find(TForm& window, const char* name) {
  auto* control = dynamic_cast<Control*>(window.FindComponent(name));
  EXPECT_NE(control, nullptr) << window.Caption() << " has no " << name;
  return control;
}

// The entries of a combo or list box.
template <class List>
std::vector<std::string> Entries(List* list) {
  std::vector<std::string> entries;
  for (int i = 0; i < list->Items()->Count(); ++i) entries.push_back(list->Items()->Strings(i));
  return entries;
}

inline std::string Selected(TComboBox* list) {
  return list->ItemIndex() >= 0 ? list->Items()->Strings(list->ItemIndex()) : std::string();
}

inline void Choose(TForm& window, const char* list, const std::string& entry) {
  TComboBox* combo = Find<TComboBox>(window, list);
  const int index = combo->Items()->IndexOf(entry);
  ASSERT_GE(index, 0) << entry << " is not in " << list;
  harness::ChooseItem(combo, index);
}

inline void Click(TForm& window, const char* button) { harness::Click(Find<TWinControl>(window, button)); }

inline void Press(TForm& window, const char* button) { Find<TButton>(window, button)->Click(); }

inline std::string Text(const InterfaceConfiguration& record) { return record.AccessPoint; }

}  // namespace dialogtest
