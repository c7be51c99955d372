#include "framework/settingsstores.h"

#include "platform/lasterror.h"

namespace {
void Fill(TStrings* list, const std::vector<std::string>& names) {
  if (!list) return;
  list->BeginUpdate();
  list->Clear();
  for (const std::string& name : names) list->Add(name);
  list->EndUpdate();
}
}  // namespace

// ---- TIniFile ----

void TIniFile::Check(bool ok) const {
  if (!ok) throw EIniFileException("Unable to write to " + ini_.FileName());
}

AnsiString TIniFile::ReadString(const AnsiString& section, const AnsiString& ident,
                                const AnsiString& defaultValue) const {
  return ini_.ReadString(section, ident, defaultValue);
}

int TIniFile::ReadInteger(const AnsiString& section, const AnsiString& ident, int defaultValue) const {
  return ini_.ReadInteger(section, ident, defaultValue);
}

bool TIniFile::ReadBool(const AnsiString& section, const AnsiString& ident, bool defaultValue) const {
  return ini_.ReadBool(section, ident, defaultValue);
}

void TIniFile::WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value) {
  Check(ini_.WriteString(section, ident, value));
}

void TIniFile::WriteInteger(const AnsiString& section, const AnsiString& ident, int value) {
  Check(ini_.WriteInteger(section, ident, value));
}

void TIniFile::WriteBool(const AnsiString& section, const AnsiString& ident, bool value) {
  Check(ini_.WriteBool(section, ident, value));
}

void TIniFile::ReadSection(const AnsiString& section, TStrings* keys) const { Fill(keys, ini_.ReadSection(section)); }

void TIniFile::ReadSections(TStrings* sections) const { Fill(sections, ini_.ReadSections()); }

void TIniFile::ReadSectionValues(const AnsiString& section, TStrings* values) const {
  if (!values) return;
  values->BeginUpdate();
  values->Clear();
  for (const std::string& key : ini_.ReadSection(section)) values->Add(key + "=" + ini_.ReadString(section, key, ""));
  values->EndUpdate();
}

void TIniFile::EraseSection(const AnsiString& section) { Check(ini_.EraseSection(section)); }

void TIniFile::DeleteKey(const AnsiString& section, const AnsiString& ident) { Check(ini_.DeleteKey(section, ident)); }

// ---- TRegistry ----

void TRegistry::SetRootKey(HKEY root) {
  if (root != HKEY_LOCAL_MACHINE) throw ERegistryException("Only HKEY_LOCAL_MACHINE is available");
}

bool TRegistry::OpenKey(const AnsiString& key, bool canCreate) { return registry_.OpenKey(key, canCreate); }

void TRegistry::GetKeyNames(TStrings* names) const { Fill(names, registry_.GetKeyNames()); }

void TRegistry::GetValueNames(TStrings* names) const { Fill(names, registry_.GetValueNames()); }

int TRegistry::ReadInteger(const AnsiString& name) const {
  const auto value = registry_.ReadInteger(name);
  if (!value) throw ERegistryException("Invalid data type for '" + name + "'");
  return *value;
}

AnsiString TRegistry::ReadString(const AnsiString& name) const {
  const auto value = registry_.ReadString(name);
  if (value) return *value;
  // A missing value reads as empty text; one of another type is an error.
  if (platform::GetLastError() == platform::kErrorFileNotFound) return "";
  throw ERegistryException("Invalid data type for '" + name + "'");
}

void TRegistry::WriteInteger(const AnsiString& name, int value) {
  if (!registry_.WriteInteger(name, value)) throw ERegistryException("Failed to set data for '" + name + "'");
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value) {
  if (!registry_.WriteString(name, value)) throw ERegistryException("Failed to set data for '" + name + "'");
}

// ---- TRegistryIniFile ----

TRegistryIniFile::TRegistryIniFile(const AnsiString& key) : key_(key) {}

bool TRegistryIniFile::OpenSection(const AnsiString& section, bool create) const {
  return registry_.OpenKey("\\" + key_ + "\\" + section, create);
}

void TRegistryIniFile::CheckWrite(bool ok, const AnsiString& ident) const {
  if (!ok) throw ERegistryException("Failed to set data for '" + ident + "'");
}

AnsiString TRegistryIniFile::ReadString(const AnsiString& section, const AnsiString& ident,
                                        const AnsiString& defaultValue) const {
  if (!OpenSection(section, false)) return defaultValue;
  if (const auto text = registry_.ReadString(ident)) return *text;
  if (const auto number = registry_.ReadInteger(ident)) return IntToStr(*number);
  return defaultValue;
}

int TRegistryIniFile::ReadInteger(const AnsiString& section, const AnsiString& ident, int defaultValue) const {
  if (!OpenSection(section, false)) return defaultValue;
  if (const auto number = registry_.ReadInteger(ident)) return *number;
  if (const auto text = registry_.ReadString(ident)) return StrToIntDef(*text, defaultValue);
  return defaultValue;
}

void TRegistryIniFile::WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value) {
  CheckWrite(OpenSection(section, true) && registry_.WriteString(ident, value), ident);
}

void TRegistryIniFile::WriteInteger(const AnsiString& section, const AnsiString& ident, int value) {
  CheckWrite(OpenSection(section, true) && registry_.WriteInteger(ident, value), ident);
}
