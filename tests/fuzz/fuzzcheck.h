#pragma once
// The check of a property in a fuzz target: when it fails, the run ends with
// the condition and its place, and libFuzzer keeps the input.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                  \
  do {                                                                                         \
    if (!(condition)) {                                                                        \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);      \
      std::abort();                                                                            \
    }                                                                                          \
  } while (false)
