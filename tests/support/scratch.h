#pragma once
// Places of a test's own: a temporary folder, environment variables set for a
// scope, and the registry file and USB device folder redirected there.
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

namespace benchtest {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "flashwright-test") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool Created() const { return !path_.empty(); }
  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The descriptor this process holds open on `path`; -1 when none.
inline int DescriptorOf(const std::filesystem::path& path) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error) == path) return std::stoi(entry.path().filename());
  }
  return -1;
}

// Sets an environment variable and puts back what it was, also when a test
// leaves early on a failed assertion.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = getenv(name)) previous_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (previous_) {
      setenv(name_.c_str(), previous_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

// The registry in a file of the test's own for the life of the object.
class RedirectedRegistry {
 public:
  RedirectedRegistry() : variable_("FLASHWRIGHT_REGISTRY", File()) {}
  std::string File() const { return dir_.File("registry.reg"); }

 private:
  TempDir dir_{"flashwright-registry"};
  ScopedEnv variable_;
};

// Points the USB provider at a folder of this test binary's own, so that its
// tests see only the devices they start. The folder goes when the binary ends.
inline void UseOwnUsbDirectory() {
  static const TempDir directory("flashwright-usb");
  setenv("FLASHWRIGHT_USB_DIR", directory.Path().c_str(), 1);
}

}  // namespace benchtest
