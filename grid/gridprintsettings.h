#pragma once
// The grid's print settings in a section of an INI file or of the
// registry: 43 keys, Y/N for switches, ordinals for enumerations, a font as
// name, size, style bits and colour, the title lines as one string with
// "\n" between them. Absent keys take the reader's defaults; numbers
// outside an enumeration, lengths beyond 3.2 m and font sizes outside
// 1..1638 points leave the setting as it was. Errors of writing the store
// propagate.
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
