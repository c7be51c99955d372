#pragma once
// The lines of the version window for one loaded library stack: the name and
// version of each level, then the interface's hardware and firmware
// revisions. Any binding class with the version wrappers (GetOnline,
// DLL_Name, DLL_Version, Hardware_Version, Firmware_Version, each taking the
// binding's card) serves; the window only lists what this returns.
#include <cstddef>
#include <string>
#include <vector>

namespace versioninfo {

inline constexpr int kMaxLevels = 10;
inline constexpr std::size_t kNameCapacity = 256;

inline std::string Revision(bool known, int major, int minor) {
  return known ? std::to_string(major) + "." + std::to_string(minor) : "Not Available";
}

template <typename Binding>
std::vector<std::string> Lines(Binding* binding) {
  std::vector<std::string> lines;
  if (binding == nullptr) return lines;
  int online = 0;
  binding->GetOnline(&online);
  for (int level = 0; level < kMaxLevels; ++level) {
    char name[kNameCapacity] = {};
    if (binding->DLL_Name(level, name) == 0) break;
    name[kNameCapacity - 1] = '\0';
    int major = 0;
    int minor = 0;
    const bool known = binding->DLL_Version(level, &major, &minor) != 0;
    lines.push_back(std::string(name) + ".DLL Version=" + Revision(known, major, minor));
  }
  int major = 0;
  int minor = 0;
  bool known = binding->Hardware_Version(&major, &minor) != 0;
  lines.push_back("Hardware Revision=" + Revision(known, major, minor));
  known = binding->Firmware_Version(&major, &minor) != 0;
  lines.push_back("Firmware Revision=" + Revision(known, major, minor));
  return lines;
}

}  // namespace versioninfo
