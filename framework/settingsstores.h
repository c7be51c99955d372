#pragma once
// The INI file and registry classes over the platform's stores.
#include <cstdint>

#include "framework/strings.h"
#include "platform/inifile.h"
#include "platform/registry.h"

// The values of named sections that the INI file and the registry-backed
// store share, so that a caller can keep its settings in either. Reads give
// the default on any failure; a failing write raises.
class TCustomIniFile : public TObject {
 public:
  virtual AnsiString ReadString(const AnsiString& section, const AnsiString& ident,
                                const AnsiString& defaultValue) const = 0;
  virtual int ReadInteger(const AnsiString& section, const AnsiString& ident, int defaultValue) const = 0;
  virtual void WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value) = 0;
  virtual void WriteInteger(const AnsiString& section, const AnsiString& ident, int value) = 0;
};

// Windows INI rules: section and key names ignore case. Reads give the
// default on any failure; a failing write raises EIniFileException.
class TIniFile : public TCustomIniFile {
 public:
  explicit TIniFile(const AnsiString& fileName) : ini_(fileName) {}
  const AnsiString& FileName() const { return ini_.FileName(); }

  AnsiString ReadString(const AnsiString& section, const AnsiString& ident,
                        const AnsiString& defaultValue) const override;
  int ReadInteger(const AnsiString& section, const AnsiString& ident, int defaultValue) const override;
  bool ReadBool(const AnsiString& section, const AnsiString& ident, bool defaultValue) const;
  void WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value) override;
  void WriteInteger(const AnsiString& section, const AnsiString& ident, int value) override;
  void WriteBool(const AnsiString& section, const AnsiString& ident, bool value);

  void ReadSection(const AnsiString& section, TStrings* keys) const;
  void ReadSections(TStrings* sections) const;
  // "key=value" lines of the section.
  void ReadSectionValues(const AnsiString& section, TStrings* values) const;
  bool SectionExists(const AnsiString& section) const { return ini_.SectionExists(section); }
  bool ValueExists(const AnsiString& section, const AnsiString& ident) const { return ini_.ValueExists(section, ident); }
  void EraseSection(const AnsiString& section);
  void DeleteKey(const AnsiString& section, const AnsiString& ident);
  // Writes are saved at once; kept for callers that flush.
  void UpdateFile() {}

 private:
  void Check(bool ok) const;
  platform::IniFile ini_;
};

using HKEY = std::uint32_t;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;

// The registry class over the platform's HKEY_LOCAL_MACHINE store. Reading
// a missing or mistyped value raises ERegistryException, as does a failing
// write; OpenKey and the queries answer with their result.
class TRegistry : public TObject {
 public:
  TRegistry() = default;
  HKEY RootKey() const { return HKEY_LOCAL_MACHINE; }
  // Only HKEY_LOCAL_MACHINE is kept; another root raises
  // ERegistryException.
  void SetRootKey(HKEY root);
  bool OpenKey(const AnsiString& key, bool canCreate);
  bool OpenKeyReadOnly(const AnsiString& key) { return OpenKey(key, false); }
  void CloseKey() { registry_.CloseKey(); }
  AnsiString CurrentPath() const { return registry_.CurrentPath(); }
  bool KeyExists(const AnsiString& key) const { return registry_.KeyExists(key); }
  bool DeleteKey(const AnsiString& key) { return registry_.DeleteKey(key); }
  bool ValueExists(const AnsiString& name) const { return registry_.ValueExists(name); }
  bool DeleteValue(const AnsiString& name) { return registry_.DeleteValue(name); }
  void GetKeyNames(TStrings* names) const;
  void GetValueNames(TStrings* names) const;

  int ReadInteger(const AnsiString& name) const;
  AnsiString ReadString(const AnsiString& name) const;
  bool ReadBool(const AnsiString& name) const { return ReadInteger(name) != 0; }
  void WriteInteger(const AnsiString& name, int value);
  void WriteString(const AnsiString& name, const AnsiString& value);
  void WriteBool(const AnsiString& name, bool value) { WriteInteger(name, value ? 1 : 0); }

 private:
  platform::Registry registry_;
};

// INI-style access to the registry: the key named at construction (a path
// below HKEY_LOCAL_MACHINE) stands for the file, each section is a subkey of
// it and each ident a value there. Integers are kept as DWORDs; an integer
// read of a text value converts the text, a text read of a DWORD gives its
// decimal text. A failing write raises ERegistryException.
class TRegistryIniFile : public TCustomIniFile {
 public:
  explicit TRegistryIniFile(const AnsiString& key);
  const AnsiString& FileName() const { return key_; }

  AnsiString ReadString(const AnsiString& section, const AnsiString& ident,
                        const AnsiString& defaultValue) const override;
  int ReadInteger(const AnsiString& section, const AnsiString& ident, int defaultValue) const override;
  void WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value) override;
  void WriteInteger(const AnsiString& section, const AnsiString& ident, int value) override;

 private:
  // The section's key from the root; created when asked for.
  bool OpenSection(const AnsiString& section, bool create) const;
  void CheckWrite(bool ok, const AnsiString& ident) const;
  AnsiString key_;
  mutable platform::Registry registry_;
};
