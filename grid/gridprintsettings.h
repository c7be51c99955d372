#pragma once
// The grid's print settings in a section of an INI file or of the
// registry: 43 keys, Y/N for switches, ordinals for enumerations, a font as
// name, size, style bits and colour, the title lines as one string with
// "\n" between them. Absent keys and numbers outside an enumeration take
// the reader's defaults (or leave the setting as it was). Errors of
// writing the store propagate.
#include "framework/settingsstores.h"

class TPrintSettings;

class TPrintSettingsStore {
 public:
  explicit TPrintSettingsStore(TPrintSettings& settings) : settings_(settings) {}

  void Save(TCustomIniFile& store, const AnsiString& section) const;
  void Load(const TCustomIniFile& store, const AnsiString& section);

 private:
  TPrintSettings& settings_;
};
