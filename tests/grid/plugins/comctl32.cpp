// A stand-in of the common controls' flat scroll bar functions: it records
// what the grid asks of them.
#include <cstdint>

#include "tests/grid/fakeflatsb.h"

namespace {

constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;

TFakeFlatState& State() {
  static TFakeFlatState state = [] {
    TFakeFlatState s;
    s.Reset();
    return s;
  }();
  return state;
}

}  // namespace

extern "C" TFakeFlatState* FakeFlatState() { return &State(); }

extern "C" int InitializeFlatSB(void*) { return ++State().initCalls; }

extern "C" int UninitializeFlatSB(void*) { return ++State().doneCalls; }

extern "C" int FlatSB_SetScrollInfo(void*, int bar, const TFakeScrollInfo* info, int) {
  if (bar != SB_HORZ && bar != SB_VERT) return 0;
  State().info[bar] = *info;
  return ++State().infoCalls[bar];
}

extern "C" int FlatSB_SetScrollProp(void*, int index, std::intptr_t value, int) {
  if (index < 0 || index > 0x200) return 0;
  State().props[index] = static_cast<int>(value);
  return 1;
}

extern "C" int FlatSB_ShowScrollBar(void*, int bar, int show) {
  if (bar != SB_HORZ && bar != SB_VERT) return 0;
  State().shown[bar] = show;
  return 1;
}
