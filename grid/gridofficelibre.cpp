#include "grid/gridofficelibre.h"

#include <QJsonArray>

#include "grid/gridofficereply.h"

namespace {

QString Q(const AnsiString& text) { return QString::fromStdString(text); }

// What both kinds of server share: the helper and the workbook or document
// operations that have the same request.
class THelperServer {
 public:
  explicit THelperServer(std::unique_ptr<TOfficeHelperProcess> helper) : helper_(std::move(helper)) {}

 protected:
  QJsonValue Call(const char* op, QJsonObject arguments = {}) {
    if (!helper_) throw EAutomationError("The office server has quit");
    arguments.insert("op", op);
    return helper_->Call(arguments);
  }
  QJsonValue CallWithFile(const char* op, const AnsiString& fileName) { return Call(op, {{"file", Q(fileName)}}); }
  QJsonValue CallAt(const char* op, int row, int column, QJsonObject arguments) {
    arguments.insert("row", row);
    arguments.insert("column", column);
    return Call(op, arguments);
  }
  // The helper's quit request ends it; its destructor sends the request.
  void QuitHelper() { helper_.reset(); }

 private:
  std::unique_ptr<TOfficeHelperProcess> helper_;
};

class TLibreSpreadsheet : public TSpreadsheetServer, private THelperServer {
 public:
  using THelperServer::THelperServer;
  int WorkbookCount() override { return ReplyInteger(Call("document_count")); }
  void OpenWorkbook(const AnsiString& fileName) override { CallWithFile("open", fileName); }
  void AddWorkbook() override { Call("add"); }
  void UseActiveWorkbook() override { Call("use_active"); }
  std::vector<AnsiString> SheetNames() override { return ReplyTexts(Call("sheet_names")); }
  void SelectSheet(int index) override { Call("select_sheet", {{"index", index}}); }
  void SelectActiveSheet() override { Call("select_active_sheet"); }
  void AddSheet(const AnsiString& name) override { Call("add_sheet", {{"name", Q(name)}}); }
  int ActiveCellRow() override { return ReplyInteger(Call("active_cell_row")); }
  AnsiString UsedRangeAddress() override { return ReplyText(Call("used_range")); }
  TAutomationValues RangeValues(const AnsiString& address) override {
    return DecodeRangeValues(Call("get_values", {{"address", Q(address)}}));
  }
  void SetRangeValues(const AnsiString& address, const TAutomationTexts& rows) override {
    QJsonArray table;
    for (const std::vector<AnsiString>& row : rows) {
      QJsonArray cells;
      for (const AnsiString& text : row) cells.append(Q(text));
      table.append(cells);
    }
    Call("set_values", {{"address", Q(address)}, {"rows", table}});
  }
  void CloseWorkbook() override { Call("close"); }
  void Save() override { Call("save"); }
  void SaveAs(const AnsiString& fileName) override { CallWithFile("save_as", fileName); }
  void Quit() override { QuitHelper(); }
};

class TLibreWord : public TWordServer, private THelperServer {
 public:
  using THelperServer::THelperServer;
  int DocumentCount() override { return ReplyInteger(Call("document_count")); }
  void OpenDocument(const AnsiString& fileName) override { CallWithFile("open", fileName); }
  void AddDocument() override { Call("add"); }
  void UseActiveDocument() override { Call("use_active"); }
  // A hidden document shows no marks: nothing to switch off.
  void ShowSpellingErrors(bool) override {}
  void TypeText(const AnsiString& text) override { Call("type_text", {{"text", Q(text)}}); }
  void TypeParagraph() override { Call("type_paragraph"); }
  bool BookmarkExists(const AnsiString& name) override {
    return ReplyBoolean(Call("bookmark_exists", {{"name", Q(name)}}));
  }
  void AddTable(TDocumentPlace place, const AnsiString& bookmark, int rows, int columns) override {
    static const char* const kPlaces[] = {"start", "bookmark", "end"};
    Call("add_table", {{"place", kPlaces[place]}, {"bookmark", Q(bookmark)}, {"rows", rows}, {"columns", columns}});
  }
  void InsertAfter(int row, int column, const AnsiString& text) override {
    CallAt("insert_after", row, column, {{"text", Q(text)}});
  }
  void SetAlignment(int row, int column, int alignment) override {
    CallAt("align", row, column, {{"alignment", alignment}});
  }
  void SaveAs(const AnsiString& fileName) override { CallWithFile("save_as", fileName); }
  void Quit() override { QuitHelper(); }
};

std::unique_ptr<TOfficeHelperProcess> StartHelper(const char* kind, TOfficeHelperProcess::TDeadlines deadlines) {
  auto helper = std::make_unique<TOfficeHelperProcess>(TOfficeHelperProcess::DefaultCommand(kind), deadlines);
  if (!helper->Start()) return nullptr;
  return helper;
}

}  // namespace

std::unique_ptr<TSpreadsheetServer> TLibreOfficeAutomation::StartSpreadsheet() {
  auto helper = StartHelper("excel", deadlines_);
  return helper ? std::make_unique<TLibreSpreadsheet>(std::move(helper)) : nullptr;
}

std::unique_ptr<TWordServer> TLibreOfficeAutomation::StartWord() {
  auto helper = StartHelper("word", deadlines_);
  return helper ? std::make_unique<TLibreWord>(std::move(helper)) : nullptr;
}
