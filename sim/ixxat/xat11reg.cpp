// The bench's stand-in for the IXXAT registration library: product version
// 1.1, and a selection that picks the bench's first board without asking.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "can/ixxatvci.h"
#include "sim/ixxat/vcibench.h"

#define XAT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
constexpr const char* kProductVersion = "01,01,0,0";

void Describe(std::int32_t number, XatSelection* selection) {
  *selection = XatSelection{};
  selection->BoardType = sim::vcibench::kBoardType;
  selection->BoardNumber = number;
  std::snprintf(selection->Name, sizeof selection->Name, "%s %d", sim::vcibench::kBoardName,
                static_cast<int>(number));
}
}  // namespace

XAT_EXPORT std::int32_t XAT_GetProductVersion(char* text, std::int32_t size) {
  if (text == nullptr || size <= 0) return -1;
  std::snprintf(text, static_cast<std::size_t>(size), "%s", kProductVersion);
  return 0;
}

// 0 when the library named is of the version asked for.
XAT_EXPORT std::int32_t XAT_CheckProductVersion(const char* library, const char* version) {
  if (library == nullptr || version == nullptr) return -1;
  return std::strcmp(version, kProductVersion) == 0 ? 0 : 1;
}

XAT_EXPORT std::int32_t XAT_SelectHardware(void*, XatSelection* selection) {
  if (selection == nullptr) return 0;
  Describe(0, selection);
  return 1;
}

XAT_EXPORT std::int32_t XAT_InstallHardware(void*) { return 0; }

XAT_EXPORT std::int32_t XAT_GetConfig(std::int32_t number, XatSelection* selection) {
  if (selection == nullptr || number < 0 || number >= sim::vcibench::kBoardCount) return 0;
  Describe(number, selection);
  return 1;
}
