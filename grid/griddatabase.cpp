#include "grid/griddatabase.h"

#include <atomic>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include "grid/duruzav.h"
#include "grid/gridofficeport.h"

namespace {

const QString kDriver = "QODBC";

AnsiString ToAnsi(const QString& text) { return text.toStdString(); }

[[noreturn]] void Fail(const QSqlError& error) { throw EAutomationError(ToAnsi(error.text())); }

// A connection of the call's own, closed and dropped when it ends.
class TConnection {
 public:
  explicit TConnection(const AnsiString& connectionString) {
    static std::atomic<int> counter;
    name_ = QString("flashwright-grid-%1").arg(++counter);
    {
      QSqlDatabase database = QSqlDatabase::addDatabase(kDriver, name_);
      database.setDatabaseName(QString::fromStdString(connectionString));
    }
  }
  ~TConnection() {
    {
      QSqlDatabase database = QSqlDatabase::database(name_, false);
      database.close();
    }
    QSqlDatabase::removeDatabase(name_);
  }
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;

  QSqlDatabase Open() const {
    QSqlDatabase database = QSqlDatabase::database(name_, false);
    if (!database.open()) Fail(database.lastError());
    return database;
  }

 private:
  QString name_;
};

}  // namespace

AnsiString AccessConnectionString(const AnsiString& databaseFile) {
  return "Driver={Microsoft Access Driver (*.mdb)};DBQ=" + databaseFile;
}

void TGridDatabase::Load(const AnsiString& connectionString, const AnsiString& sql) {
  if (!QSqlDatabase::isDriverAvailable(kDriver)) throw EAutomationError("The ODBC database driver is not installed");
  const TConnection connection(connectionString);
  QSqlQuery query(connection.Open());
  query.setForwardOnly(true);
  if (!query.exec(QString::fromStdString(sql))) Fail(query.lastError());

  const QSqlRecord fields = query.record();
  const int count = fields.count();
  const int fixedCols = grid_.FixedCols(), fixedRows = grid_.FixedRows();
  const TGridUpdate update(grid_);
  grid_.SetColCount(fixedCols + count);
  if (fixedRows > 0)
    for (int i = 0; i < count; ++i) grid_.SetCellEx(fixedCols + i, fixedRows - 1, ToAnsi(fields.fieldName(i)));
  // Most drivers cannot tell the count before the last record: the grid
  // then grows record by record.
  if (query.size() > 0) grid_.SetRowCount(fixedRows + query.size());
  for (int row = fixedRows; query.next(); ++row) {
    if (row >= grid_.RowCount()) grid_.SetRowCount(row + 1);
    for (int i = 0; i < count; ++i) {
      const QVariant value = query.value(i);
      grid_.LoadCell(fixedCols + i, row, value.isNull() ? AnsiString() : ToAnsi(value.toString()));
    }
  }
  if (query.lastError().isValid()) Fail(query.lastError());
}

// ---- The grid's entry points ----

void TVudUvizidIzed::LoadFromMDBSQL(const AnsiString& databaseFile, const AnsiString& sql) {
  TGridDatabase(*this).Load(AccessConnectionString(databaseFile), sql);
}
void TVudUvizidIzed::LoadFromMDBTable(const AnsiString& databaseFile, const AnsiString& table) {
  LoadFromMDBSQL(databaseFile, "SELECT * FROM " + table);
}
