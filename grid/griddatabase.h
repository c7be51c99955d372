#pragma once
// Database tables read into the grid through ODBC: the result of a query
// fills the data rows, the field names the last fixed row.
#include "framework/sysutils.h"

class TVudUvizidIzed;

// The ODBC connection string of an Access database file.
AnsiString AccessConnectionString(const AnsiString& databaseFile);

class TGridDatabase {
 public:
  explicit TGridDatabase(TVudUvizidIzed& grid) : grid_(grid) {}

  // Raises EAutomationError with the driver's text when the database cannot
  // be opened or the query fails; the cells stored before stay.
  void Load(const AnsiString& connectionString, const AnsiString& sql);

 private:
  TVudUvizidIzed& grid_;
};
