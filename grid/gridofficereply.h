#pragma once
// The office helper's replies: one JSON object per line, {"ok": true,
// "result": ...} or {"ok": false, "error": "..."}. The helper is a program of
// its own driving an outside suite, so its lines are read as foreign data:
// anything that is not such an object is a failed reply, never a crash.
#include <string_view>

#include <QJsonValue>

#include "grid/gridofficeport.h"

struct TOfficeReply {
  // False for a line that is no reply at all.
  bool Wellformed = false;
  bool Ok = false;
  QJsonValue Result;
  // The helper's error text, or what was wrong with the line.
  AnsiString Error;
};

TOfficeReply DecodeOfficeReply(std::string_view line);

// Range values: an array of rows, each an array of cells; a cell is null
// (empty), a string, a number, true/false or {"error": code}. Rows shorter
// than the longest are padded with empty cells. Raises EAutomationError
// when the result has another shape.
TAutomationValues DecodeRangeValues(const QJsonValue& result);

// The result as a text, an integer or a list of texts; each raises
// EAutomationError when the result is of another kind.
AnsiString ReplyText(const QJsonValue& result);
int ReplyInteger(const QJsonValue& result);
bool ReplyBoolean(const QJsonValue& result);
std::vector<AnsiString> ReplyTexts(const QJsonValue& result);
