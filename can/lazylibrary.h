#pragma once
// A library that is loaded by its file name at its first use and never freed.
// A failed load leaves it unloaded, so the next use tries again.
#include <atomic>
#include <mutex>
#include <type_traits>

#include "platform/module.h"

class LazyLibrary {
 public:
  explicit LazyLibrary(const char* fileName) : fileName_(fileName) {}

  // Loads the library and runs bindAll(module) once; true while it is loaded.
  // A bindAll that returns false leaves the library unloaded.
  template <typename BindAll>
  bool Ensure(BindAll bindAll) {
    if (loaded_.load(std::memory_order_acquire)) return true;
    std::lock_guard lock(mutex_);
    if (loaded_.load(std::memory_order_relaxed)) return true;
    platform::ModuleHandle module = platform::LoadLibrary(fileName_);
    if (module == nullptr) return false;
    if constexpr (std::is_same_v<decltype(bindAll(module)), bool>) {
      if (!bindAll(module)) return false;
    } else {
      bindAll(module);
    }
    loaded_.store(true, std::memory_order_release);
    return true;
  }

  bool Loaded() const { return loaded_.load(std::memory_order_acquire); }

 private:
  const char* fileName_;
  std::atomic<bool> loaded_{false};
  std::mutex mutex_;
};

// Looks an entry point up by name into a typed pointer (null when missing).
template <typename Fn>
void BindEntry(platform::ModuleHandle module, const char* name, Fn& entry) {
  entry = platform::BindEntryPoint<Fn>(module, name);
}
