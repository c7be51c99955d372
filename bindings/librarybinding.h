#pragma once
// What the two network library bindings share: the table of entry points
// bound by name from a library loaded at run time, and the table of node
// identity records that the node-polling thread writes and the window thread
// reads.
#include <array>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <mutex>

#include "platform/module.h"

// Expand an entry-point X-macro list into an enum of indices and into the
// matching array of names.
#define LIBRARY_BINDING_ENUM(name) name,
#define LIBRARY_BINDING_NAME(name) #name,

// A wrapper's call: the entry point of that name, typed by the declaration of
// the function of the same name in the library's header.
#define LIBRARY_BINDING_CALL(table, name, ...) \
  (table).template Call<decltype(::name)>(static_cast<std::size_t>(Entry::name) __VA_OPT__(, ) __VA_ARGS__)

namespace binding {

// Who holds a binding. The program's downloader owns its library for the
// whole run: at the end it closes its card and unloads the driver. A dialog
// of a configuration library lives inside a call of that very library, whose
// cards belong to its caller: it binds fewer names, closes only a card that
// it opened itself, and leaves the driver and the library loaded.
enum class Use { kProgram, kDialogs };

template <std::size_t N>
class EntryPointTable {
 public:
  explicit EntryPointTable(const char* const (&names)[N]) : names_(names) {}

  // Loads the library and looks up every name but the skipped ones; the
  // module, or null when the library could not be loaded (nothing is bound
  // then).
  platform::ModuleHandle Load(const char* libraryName, std::initializer_list<const char*> skipped = {}) {
    address_.fill(nullptr);
    platform::ModuleHandle library = platform::LoadLibrary(libraryName);
    if (library == nullptr) return nullptr;
    for (std::size_t i = 0; i < N; ++i) {
      if (!Skipped(names_[i], skipped)) address_[i] = platform::GetProcAddress(library, names_[i]);
    }
    return library;
  }

  bool Bound(std::size_t entry) const { return address_[entry] != nullptr; }

  // Unbinds every entry point and releases the library, if one is loaded.
  void Release(platform::ModuleHandle& library) {
    if (library == nullptr) return;
    address_.fill(nullptr);
    platform::FreeLibrary(library);
    library = nullptr;
  }

  // Calls the entry point with the type the library declares for it; 0
  // without calling when it is not bound.
  template <typename Fn, typename... Args>
  int Call(std::size_t entry, Args... args) const {
    void* bound = address_[entry];
    if (bound == nullptr) return 0;
    return reinterpret_cast<Fn*>(bound)(args...);
  }

 private:
  static bool Skipped(const char* name, std::initializer_list<const char*> skipped) {
    for (const char* other : skipped) {
      if (std::strcmp(name, other) == 0) return true;
    }
    return false;
  }

  const char* const (&names_)[N];
  std::array<void*, N> address_{};
};

// One identity record per node, only ever handed out as copies taken under
// the lock.
template <typename Identity, std::size_t N>
class IdentityTable {
 public:
  // A copy of the node's record (an empty record for a node outside the table).
  Identity Get(int node) const {
    if (node < 0 || node >= static_cast<int>(N)) return {};
    std::lock_guard lock(lock_);
    return records_[node];
  }

  void Put(std::size_t node, const Identity& record) {
    std::lock_guard lock(lock_);
    records_.at(node) = record;
  }

  // Runs change(record) on every record under the lock.
  template <typename Change>
  void ForEach(Change change) {
    std::lock_guard lock(lock_);
    for (Identity& record : records_) change(record);
  }

 private:
  mutable std::mutex lock_;
  std::array<Identity, N> records_{};
};

}  // namespace binding
