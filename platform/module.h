#pragma once
// Loading libraries by their Windows file name. "QX24X.DLL", "qx24x.dll" and
// "Qx24x.dll" all reach qx24x.so: the base name is lower-cased and ".dll"
// becomes ".so". The program's own directory is searched first, then the
// directory named by FLASHWRIGHT_LIBRARY_PATH (when set), then the system's
// normal library search.
#include <string>

namespace platform {

using ModuleHandle = void*;

ModuleHandle LoadLibrary(const char* name);
// The module of that name when the process has loaded it already, else null;
// never loads one.
ModuleHandle GetModuleHandle(const char* name);
// Null when the module is null or has no such entry point.
void* GetProcAddress(ModuleHandle module, const char* name);
bool FreeLibrary(ModuleHandle module);

// The file name a Windows library name maps to ("X.DLL" -> "x.so").
std::string ModuleFileName(const std::string& windowsName);
// The directory holding the running program.
std::string ProgramDirectory();

// Binds an entry point to a typed function pointer.
template <typename Fn>
Fn BindEntryPoint(ModuleHandle module, const char* name) {
  return reinterpret_cast<Fn>(GetProcAddress(module, name));
}

}  // namespace platform
