#include "grid/gridxml.h"

#include <QXmlStreamReader>
#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "framework/strings.h"
#include "grid/duruzav.h"
#include "grid/gridfileio.h"

// ---- Escaping ----

AnsiString TGridXml::Escape(const AnsiString& text) {
  AnsiString escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': escaped += "$amp"; break;
      case '>': escaped += "&gt;"; break;
      case '<': escaped += "&lt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\r': escaped += "&#13;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

AnsiString TGridXml::Unescape(const AnsiString& text) {
  if (text.find_first_of("$&") == AnsiString::npos) return text;
  AnsiString plain = StringReplace(text, "$amp", "&");
  plain = StringReplace(plain, "&gt;", ">");
  plain = StringReplace(plain, "&lt;", "<");
  return StringReplace(plain, "&quot;", "\"");
}

// ---- Writing ----

void TGridXml::Save(const AnsiString& fileName, const AnsiString& listName, const AnsiString& recordName,
                    const TStrings* fieldNames) {
  TBufferedFileWriter file(fileName, false);
  // Cells hold UTF-8, and so does the file.
  file.Write("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<" + listName + ">\r\n");
  grid_.ExportNotification(esExportStart, -1);
  const int firstCol = grid_.GetSaveStartCol();
  for (int row = grid_.GetSaveStartRow(); row <= grid_.GetSaveEndRow(); ++row) {
    grid_.ExportNotification(esExportNewRow, row);
    file.Write("<" + recordName + ">\r\n");
    for (int c = firstCol; c <= grid_.GetSaveEndCol(); ++c) {
      const int col = grid_.RemapCol(c);
      if (!grid_.IsBaseCell(col, row)) continue;
      const AnsiString text = grid_.SaveCell(col, row);
      if (text.empty()) continue;
      const int i = c - firstCol;
      const AnsiString field = fieldNames && fieldNames->Count() > i ? fieldNames->Get(i) : "FIELD" + IntToStr(i);
      file.Write("<" + field + ">" + Escape(text) + "</" + field + ">\r\n");
    }
    file.Write("</" + recordName + ">\r\n");
  }
  file.Write("</" + listName + ">\r\n");
  grid_.ExportNotification(esExportDone, -1);
  file.Close();
}

// ---- Reading ----

namespace {

AnsiString ToText(const QString& s) { return s.toUtf8().toStdString(); }

// The document as the reader walks it: elements with their attributes in
// document order, and the text between them; text of white space only is
// left out, as the platform's XML document object does by default.
struct TXmlNode {
  AnsiString name;
  AnsiString text;  // of a text node
  bool isText = false;
  std::vector<std::pair<AnsiString, AnsiString>> attributes;
  std::vector<std::size_t> children;
};

class TXmlDocument {
 public:
  // Raises "XMLDOM Parsing error ..." when the bytes are no well-formed
  // document. Built without recursion: nesting depth costs no stack.
  explicit TXmlDocument(const std::string& bytes) {
    QXmlStreamReader xml(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    // Namespace declarations stay attributes, as the document object has them.
    xml.setNamespaceProcessing(false);
    std::vector<std::size_t> open;
    while (!xml.atEnd()) {
      switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
          const std::size_t index = Add(TXmlNode{ToText(xml.qualifiedName().toString()), {}, false, {}, {}}, open);
          for (const QXmlStreamAttribute& a : xml.attributes())
            nodes_[index].attributes.emplace_back(ToText(a.qualifiedName().toString()), ToText(a.value().toString()));
          open.push_back(index);
          break;
        }
        case QXmlStreamReader::EndElement: open.pop_back(); break;
        case QXmlStreamReader::Characters:
          if (!open.empty() && (xml.isCDATA() || !xml.isWhitespace())) AddText(ToText(xml.text().toString()), open);
          break;
        default: break;
      }
    }
    if (xml.hasError())
      throw Exception("XMLDOM Parsing error " + IntToStr(static_cast<int>(xml.error())) + " on line " +
                      IntToStr(xml.lineNumber()));
  }

  const TXmlNode& Root() const { return nodes_.front(); }
  const TXmlNode& Node(std::size_t index) const { return nodes_[index]; }

  // The text of the node and all below it, in document order.
  AnsiString Text(const TXmlNode& node) const {
    AnsiString text;
    std::vector<const TXmlNode*> pending{&node};
    while (!pending.empty()) {
      const TXmlNode* n = pending.back();
      pending.pop_back();
      text += n->text;
      for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) pending.push_back(&nodes_[*it]);
    }
    return text;
  }

 private:
  std::size_t Add(TXmlNode node, const std::vector<std::size_t>& open) {
    nodes_.push_back(std::move(node));
    const std::size_t index = nodes_.size() - 1;
    if (!open.empty()) nodes_[open.back()].children.push_back(index);
    return index;
  }
  // Text next to text (around an entity or a CDATA section) is one node.
  void AddText(AnsiString text, const std::vector<std::size_t>& open) {
    const std::vector<std::size_t>& siblings = nodes_[open.back()].children;
    if (!siblings.empty() && nodes_[siblings.back()].isText) {
      nodes_[siblings.back()].text += text;
    } else {
      Add(TXmlNode{{}, std::move(text), true, {}, {}}, open);
    }
  }

  std::vector<TXmlNode> nodes_;
};

// One text the walk stores: a caption goes to row 0 of its column only when
// that cell is empty by then.
struct TXmlPlacement {
  long long col;
  long long row;
  AnsiString text;
  bool caption;
};

// Walks the document's tree into placements, with one column, row and
// depth shared by the whole walk below a child of the document element.
class TXmlWalk {
 public:
  TXmlWalk(const TXmlDocument& document, bool attributeRows, bool captions)
      : document_(document), attributeRows_(attributeRows), captions_(captions) {}

  std::vector<TXmlPlacement> Run() {
    const std::vector<std::size_t>& records = document_.Root().children;
    for (std::size_t i = 0; i < records.size(); ++i) {
      const TXmlNode& record = document_.Node(records[i]);
      col_ = 0;
      depth_ = 1;
      if (attributeRows_ && i == 0 && record.attributes.empty()) row_ = -1;
      Walk(record);
      if (!attributeRows_) ++row_;
    }
    return std::move(placements_);
  }

 private:
  // Pre-order with a stack of its own: nothing happens after a node's
  // children, so the order is the recursive walk's.
  void Walk(const TXmlNode& top) {
    std::vector<const TXmlNode*> pending{&top};
    while (!pending.empty()) {
      const TXmlNode& node = *pending.back();
      pending.pop_back();
      const bool startedRow = Attributes(node);
      if (node.children.size() == 1) {
        Place(node.name, document_.Text(node));
      } else if (node.children.size() > 1) {
        if (attributeRows_ && !startedRow) ++row_;
        ++depth_;
        for (auto it = node.children.rbegin(); it != node.children.rend(); ++it)
          pending.push_back(&document_.Node(*it));
      }
    }
  }

  // True when the attributes started a row of their own.
  bool Attributes(const TXmlNode& node) {
    for (const auto& [name, value] : node.attributes) Place(name, value);
    if (!attributeRows_ || node.attributes.empty()) return false;
    ++row_;
    col_ = depth_;
    return true;
  }

  void Place(const AnsiString& name, const AnsiString& value) {
    if (captions_) placements_.push_back({col_, 0, name, true});
    placements_.push_back({col_, row_, TGridXml::Unescape(value), false});
    ++col_;
  }

  const TXmlDocument& document_;
  bool attributeRows_;
  bool captions_;
  long long col_ = 0;
  long long row_ = 0;
  long long depth_ = 1;
  std::vector<TXmlPlacement> placements_;
};

}  // namespace

void TGridXml::Load(const AnsiString& fileName, bool attributeRows) {
  std::error_code ignored;
  const std::optional<std::string> bytes =
      std::filesystem::is_regular_file(fileName, ignored) ? ReadWholeFile(fileName) : std::nullopt;
  if (!bytes) throw Exception("XML file not found");
  const TXmlDocument document(*bytes);
  std::vector<TXmlPlacement> placements = TXmlWalk(document, attributeRows, grid_.ExportFixedCells).Run();

  const long long fc = grid_.FixedCols(), fr = grid_.FixedRows();
  long long cols = fc + 1, rows = fr + 1;
  for (TXmlPlacement& p : placements) {
    p.col += fc;
    if (!p.caption) p.row += fr;
    cols = std::max(cols, p.col + 1);
    rows = std::max(rows, p.row + 1);
  }
  CheckGridGrowth(grid_, cols, rows, bytes->size(), fileName);

  grid_.SetColCount(static_cast<int>(fc + 1));
  grid_.SetRowCount(static_cast<int>(fr + 1));
  grid_.SetColCount(static_cast<int>(cols));
  grid_.SetRowCount(static_cast<int>(rows));
  for (TXmlPlacement& p : placements) {
    const int col = static_cast<int>(p.col), row = static_cast<int>(p.row);
    // A row before the first (an attribute row that never started) is no
    // cell of the grid.
    if (row < 0) continue;
    if (p.caption && !grid_.GetCellEx(col, 0).empty()) continue;
    grid_.LoadCell(col, row, std::move(p.text));
  }
}
