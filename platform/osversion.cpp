#include "platform/osversion.h"

#include <mutex>

namespace platform {

namespace {

std::mutex lock;
std::optional<OsVersion> injected;

}  // namespace

OsVersion GetOsVersion() {
  std::lock_guard guard(lock);
  return injected.value_or(OsVersion{});
}

void SetOsVersionForTesting(std::optional<OsVersion> version) {
  std::lock_guard guard(lock);
  injected = version;
}

}  // namespace platform
