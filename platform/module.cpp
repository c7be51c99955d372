#include "platform/module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/lasterror.h"

namespace platform {

namespace {

std::string ToLower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Splits "dir\\NAME.DLL" or "dir/NAME.DLL" into its directory and file name.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  auto slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return {"", path};
  std::string directory = path.substr(0, slash);
  std::replace(directory.begin(), directory.end(), '\\', '/');
  return {directory.empty() ? "/" : directory, path.substr(slash + 1)};
}

void* OpenFile(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// The folder named by FLASHWRIGHT_LIBRARY_PATH, searched after the program's
// own: the bench offers its stand-ins for libraries of other makers there, so
// they are found only when the bench is in use.
std::string ExtraLibraryDirectory() {
  const char* directory = std::getenv("FLASHWRIGHT_LIBRARY_PATH");
  return directory != nullptr ? directory : "";
}

}  // namespace

std::string ModuleFileName(const std::string& windowsName) {
  std::string file = ToLower(SplitPath(windowsName).second);
  if (EndsWith(file, ".dll")) return file.substr(0, file.size() - 4) + ".so";
  // A name without an extension means a library, as it does on Windows.
  if (file.find('.') == std::string::npos) return file + ".so";
  return file;
}

std::string ProgramDirectory() {
  static const std::string directory = [] {
    std::error_code error;
    auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : program.parent_path().string();
  }();
  return directory;
}

ModuleHandle GetModuleHandle(const char* name) {
  if (name == nullptr || *name == '\0') return nullptr;
  const std::string file = ModuleFileName(name);
  const std::string directory = SplitPath(name).first;
  std::vector<std::string> candidates;
  if (!directory.empty()) {
    candidates.push_back(directory + "/" + file);
  } else {
    candidates.push_back(ProgramDirectory() + "/" + file);
    if (const std::string extra = ExtraLibraryDirectory(); !extra.empty()) candidates.push_back(extra + "/" + file);
    candidates.push_back(file);
  }
  for (const std::string& candidate : candidates) {
    if (void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
      // The look-up took a reference of its own; whoever loaded the module
      // keeps it loaded.
      dlclose(module);
      return module;
    }
  }
  return nullptr;
}

ModuleHandle LoadLibrary(const char* name) {
  if (name == nullptr || *name == '\0') {
    SetLastError(kErrorInvalidParameter);
    return nullptr;
  }
  std::string file = ModuleFileName(name);
  std::string directory = SplitPath(name).first;
  void* module = nullptr;
  if (!directory.empty()) {
    // A name with a directory means that directory only.
    module = OpenFile(directory + "/" + file);
  } else {
    const std::string besideProgram = ProgramDirectory() + "/" + file;
    const std::string extra = ExtraLibraryDirectory();
    if (Exists(besideProgram)) {
      module = OpenFile(besideProgram);
    } else if (!extra.empty() && Exists(extra + "/" + file)) {
      module = OpenFile(extra + "/" + file);
    } else {
      module = OpenFile(file);
    }
  }
  if (module == nullptr) SetLastError(kErrorModNotFound);
  return module;
}

void* GetProcAddress(ModuleHandle module, const char* name) {
  if (module == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return nullptr;
  }
  if (name == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return nullptr;
  }
  dlerror();
  void* entry = dlsym(module, name);
  if (entry == nullptr) SetLastError(kErrorProcNotFound);
  return entry;
}

bool FreeLibrary(ModuleHandle module) {
  if (module == nullptr || dlclose(module) != 0) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  return true;
}

}  // namespace platform
