#pragma once
// A library of the stack as its callers reach it: loaded by file name from
// the program's directory, entry points bound by name.
#include <type_traits>

#include "platform/module.h"

namespace benchtest {

class BoundLibrary {
 public:
  explicit BoundLibrary(const char* name) : module_(platform::LoadLibrary(name)) {}
  bool Loaded() const { return module_ != nullptr; }

  // The entry point as a pointer to the function type Fn; null when absent.
  template <typename Fn>
  Fn* Entry(const char* name) const {
    return platform::BindEntryPoint<Fn*>(module_, name);
  }

 private:
  platform::ModuleHandle module_;
};

}  // namespace benchtest

// The entry point of a bound library with the declared type of the export.
#define BOUND_ENTRY(library, name) ((library).Entry<decltype(::name)>(#name))

// In a struct derived from BoundLibrary: a member `name` bound at construction
// to the export of that name, with the function type given.
#define BOUND_EXPORT(name, ...) std::add_pointer_t<__VA_ARGS__> name = Entry<__VA_ARGS__>(#name)
