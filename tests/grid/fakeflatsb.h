#pragma once
// What the stand-in of the common controls' flat scroll bar functions
// (tests/grid/plugins/comctl32.cpp) records, read by the tests through its
// entry point "FakeFlatState".
// The scroll information as the functions receive it (the 28-byte record
// of TScrollInfo).
struct TFakeScrollInfo {
  unsigned cbSize = 0;
  unsigned fMask = 0;
  int nMin = 0;
  int nMax = 0;
  unsigned nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

struct TFakeFlatState {
  int initCalls = 0;
  int doneCalls = 0;
  // The last value of each flat property, -1 while never set.
  int props[0x201];
  // The last shown state per bar (SB_HORZ, SB_VERT), -1 while never set.
  int shown[2] = {-1, -1};
  // The last scroll information per bar and how often it was set.
  TFakeScrollInfo info[2];
  int infoCalls[2] = {0, 0};
  void Reset() {
    *this = TFakeFlatState();
    for (int& p : props) p = -1;
  }
};

using FakeFlatStateFn = TFakeFlatState* (*)();
