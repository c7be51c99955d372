#include "grid/gridofficereply.h"

#include <cmath>
#include <limits>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

AnsiString ToAnsi(const QString& text) { return text.toStdString(); }

[[noreturn]] void Unexpected(const char* what) {
  throw EAutomationError(AnsiString("The office helper answered with ") + what);
}

// A number as a cell shows it: integers without a decimal point, others in
// the shortest form that reads back to the same value.
AnsiString NumberText(double value) {
  if (std::isfinite(value) && std::floor(value) == value && std::fabs(value) < 1e15)
    return std::to_string(static_cast<long long>(value));
  return QString::number(value, 'g', std::numeric_limits<double>::max_digits10 - 2).toStdString();
}

TAutomationValue DecodeCell(const QJsonValue& cell) {
  TAutomationValue value;
  switch (cell.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
      break;
    case QJsonValue::String:
      value.Kind = TAutomationValue::avText;
      value.Text = ToAnsi(cell.toString());
      break;
    case QJsonValue::Double:
      value.Kind = TAutomationValue::avNumber;
      value.Number = cell.toDouble();
      value.Text = NumberText(value.Number);
      break;
    case QJsonValue::Bool:
      value.Kind = TAutomationValue::avText;
      value.Text = cell.toBool() ? "True" : "False";
      break;
    case QJsonValue::Object:
      if (!cell.toObject().contains("error")) Unexpected("an unknown cell value");
      value.Kind = TAutomationValue::avError;
      break;
    case QJsonValue::Array:
      Unexpected("a list in a cell");
  }
  return value;
}

}  // namespace

TOfficeReply DecodeOfficeReply(std::string_view line) {
  TOfficeReply reply;
  QJsonParseError parse{};
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray(line.data(), static_cast<qsizetype>(line.size())), &parse);
  if (parse.error != QJsonParseError::NoError || !document.isObject()) {
    reply.Error = "The office helper sent a line that is not a reply";
    return reply;
  }
  const QJsonObject object = document.object();
  if (!object.value("ok").isBool()) {
    reply.Error = "The office helper sent a reply without its outcome";
    return reply;
  }
  reply.Wellformed = true;
  reply.Ok = object.value("ok").toBool();
  if (reply.Ok) {
    reply.Result = object.value("result");
  } else {
    const QJsonValue error = object.value("error");
    reply.Error = error.isString() && !error.toString().isEmpty() ? ToAnsi(error.toString())
                                                                   : AnsiString("The office helper reported a failure");
  }
  return reply;
}

TAutomationValues DecodeRangeValues(const QJsonValue& result) {
  if (!result.isArray()) Unexpected("values that are not rows");
  const QJsonArray rows = result.toArray();
  TAutomationValues values;
  values.reserve(static_cast<std::size_t>(rows.size()));
  std::size_t widest = 0;
  for (const QJsonValue& row : rows) {
    if (!row.isArray()) Unexpected("a row that is not a list");
    std::vector<TAutomationValue>& cells = values.emplace_back();
    for (const QJsonValue& cell : row.toArray()) cells.push_back(DecodeCell(cell));
    widest = std::max(widest, cells.size());
  }
  for (std::vector<TAutomationValue>& cells : values) cells.resize(widest);
  return values;
}

AnsiString ReplyText(const QJsonValue& result) {
  if (!result.isString()) Unexpected("something other than a text");
  return ToAnsi(result.toString());
}

int ReplyInteger(const QJsonValue& result) {
  const double value = result.toDouble(std::nan(""));
  if (!result.isDouble() || value != std::floor(value) || std::fabs(value) > std::numeric_limits<int>::max())
    Unexpected("something other than an integer");
  return static_cast<int>(value);
}

bool ReplyBoolean(const QJsonValue& result) {
  if (!result.isBool()) Unexpected("something other than yes or no");
  return result.toBool();
}

std::vector<AnsiString> ReplyTexts(const QJsonValue& result) {
  if (!result.isArray()) Unexpected("something other than a list of texts");
  std::vector<AnsiString> texts;
  for (const QJsonValue& text : result.toArray()) texts.push_back(ReplyText(text));
  return texts;
}
