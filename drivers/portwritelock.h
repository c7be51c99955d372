#pragma once
// Holds a port's named write mutex for one write and releases it on every
// path out: the serial links' frames and control bytes never interleave.
#include "platform/handles.h"
#include "platform/sync.h"

namespace drivers {

class PortWriteLock {
 public:
  explicit PortWriteLock(platform::Handle mutex) : mutex_(mutex) {
    const std::uint32_t result = platform::WaitForSingleObject(mutex_, platform::kInfinite);
    owned_ = result == platform::kWaitObject0 || result == platform::kWaitAbandoned0;
  }
  ~PortWriteLock() {
    if (owned_) platform::ReleaseMutex(mutex_);
  }
  PortWriteLock(const PortWriteLock&) = delete;
  PortWriteLock& operator=(const PortWriteLock&) = delete;
  bool owned() const { return owned_; }

 private:
  platform::Handle mutex_;
  bool owned_ = false;
};

}  // namespace drivers
