#pragma once
// VRK_CAN as its callers reach it: loaded by name, entry points bound by name.
#include "can/vrk_can.h"
#include "platform/module.h"

class VrkCanLibrary {
 public:
  VrkCanLibrary() : module_(platform::LoadLibrary("VRK_CAN.dll")) {}
  bool Loaded() const { return module_ != nullptr; }

  template <typename Fn>
  Fn* Entry(const char* name) const {
    return platform::BindEntryPoint<Fn*>(module_, name);
  }

 private:
  platform::ModuleHandle module_;
};

// The entry point of VRK_CAN with the declared type of the export.
#define VRK_CAN(library, name) ((library).Entry<decltype(::name)>(#name))
