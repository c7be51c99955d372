#pragma once
// The operating system's version as the Windows version query answers it:
// the platform family and the major and minor version. Linux answers as the
// NT family, version 10.0. Tests may put another answer in place, so that the
// choices made by family and version can be tried on any machine.
#include <cstdint>
#include <optional>

namespace platform {

inline constexpr std::uint32_t kPlatformWin32Windows = 1;  // the Windows 95 family
inline constexpr std::uint32_t kPlatformWin32Nt = 2;

struct OsVersion {
  std::uint32_t PlatformId = kPlatformWin32Nt;
  std::uint32_t MajorVersion = 10;
  std::uint32_t MinorVersion = 0;
};

OsVersion GetOsVersion();

// Makes GetOsVersion answer `version` in every thread and library of the
// process; nullopt restores the real answer.
void SetOsVersionForTesting(std::optional<OsVersion> version);

}  // namespace platform
