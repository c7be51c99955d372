#include "platform/registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <functional>
#include <mutex>

#include "platform/lasterror.h"
#include "platform/registrytree.h"
#include "platform/textfile.h"

namespace platform {

namespace {

// ---- The process's view of the file ----

std::string DefaultRegistryPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string config;
  if (xdg != nullptr && xdg[0] == '/') {
    config = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
      const passwd* user = ::getpwuid(::getuid());
      home = user != nullptr ? user->pw_dir : "/";
    }
    config = std::string(home) + "/.config";
  }
  return config + "/flashwright/registry.reg";
}

enum class Outcome { kUnchanged, kChanged, kFailed };

// A file changed within the file system's time-stamp granularity may change
// again without its stamp changing (same size, same time, a reused inode
// number): such a file is read again rather than trusted.
bool RecentlyModified(const FileStamp& stamp) {
  constexpr std::int64_t kMarginNs = 2'000'000'000;
  timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  std::int64_t nowNs = static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
  return stamp.exists && nowNs - stamp.modifiedNs < kMarginNs;
}

class RegistryStore {
 public:
  static RegistryStore& Instance() {
    static RegistryStore store;
    return store;
  }

  bool Query(const std::function<bool(RegistryTree&)>& query) {
    std::lock_guard<std::mutex> hold(mutex_);
    Refresh();
    if (!Usable()) return false;
    return query(keys_);
  }

  bool Change(const std::function<Outcome(RegistryTree&)>& change) {
    std::lock_guard<std::mutex> hold(mutex_);
    const std::string path = RegistryFilePath();
    if (!MakeDirectories(DirectoryOf(path))) return false;
    DirectoryLock turn(DirectoryOf(path));
    loaded_ = false;  // a change always starts from the file as it stands
    Refresh();
    if (!Usable()) return false;
    Outcome outcome = change(keys_);
    if (outcome != Outcome::kChanged) return outcome == Outcome::kUnchanged;
    if (!ReplaceFileAtomically(path_, keys_.ToText())) {
      loaded_ = false;  // the next operation takes the file as it stands
      if (GetLastError() == kErrorAccessDenied) ReportReadOnly();
      return false;
    }
    stamp_ = StampOfFile(path_);
    return true;
  }

  std::string Error() {
    std::lock_guard<std::mutex> hold(mutex_);
    Refresh();
    return damage_;
  }

 private:
  bool Usable() const {
    if (damage_.empty()) return true;
    SetLastError(kErrorRegistryCorrupt);
    return false;
  }

  void Refresh() {
    std::string path = RegistryFilePath();
    FileStamp stamp = StampOfFile(path);
    if (loaded_ && path == path_ && stamp == stamp_ && !RecentlyModified(stamp)) return;
    path_ = path;
    stamp_ = stamp;
    loaded_ = true;
    std::string damage = Load();
    if (!damage.empty() && damage != damage_) {
      std::fprintf(stderr, "flashwright: registry file damaged, left untouched until mended: %s\n", damage.c_str());
    }
    damage_ = std::move(damage);
  }

  // Loads the file; returns what makes it unusable, or "".
  std::string Load() {
    keys_ = RegistryTree();
    if (!stamp_.exists) return {};
    std::string text;
    if (!ReadWholeFile(path_, &text)) return path_ + ": it cannot be read";
    std::string why;
    std::size_t line = 0;
    if (keys_.FromText(text, &why, &line)) return {};
    return path_ + ":" + std::to_string(line) + ": " + why;
  }

  // A file its owner made read-only is not replaced, as the Windows registry
  // refuses to change a hive it may not write; the caller gets access denied.
  void ReportReadOnly() const {
    std::fprintf(stderr, "flashwright: registry file is read-only, the change is not saved: %s\n", path_.c_str());
    SetLastError(kErrorAccessDenied);
  }

  std::mutex mutex_;
  std::string path_;
  FileStamp stamp_;
  bool loaded_ = false;
  RegistryTree keys_;
  std::string damage_;
};

bool NotFound() {
  SetLastError(kErrorFileNotFound);
  return false;
}

bool InvalidParameter() {
  SetLastError(kErrorInvalidParameter);
  return false;
}

Outcome Missing() {
  SetLastError(kErrorFileNotFound);
  return Outcome::kFailed;
}

// Runs a query or a change on the open key.
bool WithOpenKey(const std::string& current, const std::function<bool(RegistryKey&)>& action) {
  return RegistryStore::Instance().Query([&](RegistryTree& keys) {
    RegistryKey* key = keys.Find(current);
    return key == nullptr ? NotFound() : action(*key);
  });
}

bool ChangeOpenKey(const std::string& current, const std::function<Outcome(RegistryKey&)>& change) {
  return RegistryStore::Instance().Change([&](RegistryTree& keys) {
    RegistryKey* key = keys.Find(current);
    return key == nullptr ? Missing() : change(*key);
  });
}

bool WriteValue(const std::string& current, std::string_view name, RegistryValue value) {
  if (!IsSingleLine(name) || !IsSingleLine(value.text)) return InvalidParameter();
  return ChangeOpenKey(current, [&](RegistryKey& key) {
    RegistryValue* existing = key.FindValue(name);
    if (existing == nullptr) {
      value.name = name;
      key.values.push_back(std::move(value));
      return Outcome::kChanged;
    }
    if (existing->isDword == value.isDword && existing->dword == value.dword && existing->text == value.text) {
      return Outcome::kUnchanged;
    }
    value.name = existing->name;
    *existing = std::move(value);
    return Outcome::kChanged;
  });
}

}  // namespace

std::string RegistryFilePath() {
  const char* configured = std::getenv("FLASHWRIGHT_REGISTRY");
  if (configured != nullptr && configured[0] != '\0') return configured;
  return DefaultRegistryPath();
}

std::string RegistryFileError() { return RegistryStore::Instance().Error(); }

std::string Registry::Resolve(std::string_view path) const {
  std::string full = (!path.empty() && path.front() == '\\') ? std::string(path) : current_ + "\\" + std::string(path);
  return NormalisedRegistryPath(full);
}

bool Registry::OpenKey(std::string_view path, bool create) {
  std::string resolved = Resolve(path);
  bool opened;
  if (create) {
    if (!RegistryTree::CanHoldPath(resolved)) return InvalidParameter();
    opened = RegistryStore::Instance().Change(
        [&](RegistryTree& keys) { return keys.Ensure(resolved) ? Outcome::kChanged : Outcome::kUnchanged; });
  } else {
    opened = KeyExists("\\" + resolved);
  }
  if (opened) current_ = std::move(resolved);
  return opened;
}

void Registry::CloseKey() { current_.clear(); }

bool Registry::KeyExists(std::string_view path) const {
  std::string resolved = Resolve(path);
  return RegistryStore::Instance().Query([&](RegistryTree& keys) { return keys.Contains(resolved) ? true : NotFound(); });
}

bool Registry::DeleteKey(std::string_view path) {
  std::string resolved = Resolve(path);
  if (resolved.empty()) return InvalidParameter();
  return RegistryStore::Instance().Change(
      [&](RegistryTree& keys) { return keys.Erase(resolved) ? Outcome::kChanged : Missing(); });
}

std::vector<std::string> Registry::GetKeyNames() const {
  std::vector<std::string> names;
  RegistryStore::Instance().Query(
      [&](RegistryTree& keys) { return keys.SubkeyNames(current_, &names) ? true : NotFound(); });
  return names;
}

std::vector<std::string> Registry::GetValueNames() const {
  std::vector<std::string> names;
  WithOpenKey(current_, [&](RegistryKey& key) {
    for (const RegistryValue& value : key.values) names.push_back(value.name);
    return true;
  });
  return names;
}

bool Registry::ValueExists(std::string_view name) const {
  return WithOpenKey(current_, [&](RegistryKey& key) { return key.FindValue(name) ? true : NotFound(); });
}

std::optional<std::int32_t> Registry::ReadInteger(std::string_view name) const {
  std::optional<std::int32_t> result;
  WithOpenKey(current_, [&](RegistryKey& key) {
    const RegistryValue* value = key.FindValue(name);
    if (value == nullptr) return NotFound();
    if (!value->isDword) {
      SetLastError(kErrorInvalidData);
      return false;
    }
    result = static_cast<std::int32_t>(value->dword);
    return true;
  });
  return result;
}

std::optional<std::string> Registry::ReadString(std::string_view name) const {
  std::optional<std::string> result;
  WithOpenKey(current_, [&](RegistryKey& key) {
    const RegistryValue* value = key.FindValue(name);
    if (value == nullptr) return NotFound();
    if (value->isDword) {
      SetLastError(kErrorInvalidData);
      return false;
    }
    result = value->text;
    return true;
  });
  return result;
}

bool Registry::WriteInteger(std::string_view name, std::int32_t value) {
  RegistryValue stored;
  stored.isDword = true;
  stored.dword = static_cast<std::uint32_t>(value);
  return WriteValue(current_, name, std::move(stored));
}

bool Registry::WriteString(std::string_view name, std::string_view value) {
  RegistryValue stored;
  stored.text = value;
  return WriteValue(current_, name, std::move(stored));
}

bool Registry::DeleteValue(std::string_view name) {
  return ChangeOpenKey(current_, [&](RegistryKey& key) {
    for (auto it = key.values.begin(); it != key.values.end(); ++it) {
      if (EqualsIgnoringCase(it->name, name)) {
        key.values.erase(it);
        return Outcome::kChanged;
      }
    }
    return Missing();
  });
}

}  // namespace platform
