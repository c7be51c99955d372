// The office helper as a process: replies read as foreign data, and
// deadlines that end a helper that hangs or talks nonsense, so that no
// misbehaving office suite stalls the grid. Stand-in helpers are small shell
// scripts; the real helper is run without a suite to start.
#include <gtest/gtest.h>

#include <chrono>

#include "filetesting.h"
#include "grid/gridofficelibre.h"
#include "grid/gridofficeprocess.h"
#include "grid/gridofficereply.h"
#include "tests/support/scratch.h"

namespace {

using namespace std::chrono_literals;

// A stand-in helper's first line; literals follow it in the scripts.
#define READY R"(echo '{"ok": true, "result": "ready"}'; )"

TOfficeHelperProcess Shell(const std::string& script, TOfficeHelperProcess::TDeadlines deadlines = {2s, 500ms}) {
  return TOfficeHelperProcess({"/bin/sh", "-c", script}, deadlines);
}

TEST(OfficeReplies, LinesThatAreNoRepliesAreRecognised) {
  const char* nonsense[] = {"", "garbage", "[1,2]", R"({"result": 1})", R"({"ok": "yes"})", "{\"ok\": true"};
  for (const char* line : nonsense) EXPECT_FALSE(DecodeOfficeReply(line).Wellformed) << line;

  const TOfficeReply failed = DecodeOfficeReply(R"({"ok": false, "error": "Cannot open file x"})");
  EXPECT_TRUE(failed.Wellformed);
  EXPECT_FALSE(failed.Ok);
  EXPECT_EQ(failed.Error, "Cannot open file x");
  EXPECT_FALSE(DecodeOfficeReply(R"({"ok": false})").Error.empty());
}

TEST(OfficeReplies, RangeValuesKeepTheirKinds) {
  const TOfficeReply reply =
      DecodeOfficeReply(R"({"ok": true, "result": [["a", 2, 2.5, null], [{"error": 1}, true], []]})");
  ASSERT_TRUE(reply.Ok);
  const TAutomationValues values = DecodeRangeValues(reply.Result);
  ASSERT_EQ(values.size(), 3u);
  ASSERT_EQ(values[1].size(), 4u);  // padded to the widest row
  EXPECT_EQ(values[0][0].Text, "a");
  EXPECT_EQ(values[0][1].Text, "2");
  EXPECT_EQ(values[0][2].Text, "2.5");
  EXPECT_EQ(values[0][3].Kind, TAutomationValue::avEmpty);
  EXPECT_EQ(values[1][0].Kind, TAutomationValue::avError);
  EXPECT_EQ(values[1][1].Text, "True");
  EXPECT_EQ(values[2][0].Kind, TAutomationValue::avEmpty);

  const char* misshapen[] = {R"("text")", R"([1])", R"([[[1]]])", R"([[{"value": 1}]])"};
  for (const char* result : misshapen) {
    const TOfficeReply odd = DecodeOfficeReply(std::string(R"({"ok": true, "result": )") + result + "}");
    EXPECT_THROW(DecodeRangeValues(odd.Result), EAutomationError) << result;
  }
  EXPECT_THROW(ReplyInteger(QJsonValue(2.5)), EAutomationError);
  EXPECT_THROW(ReplyText(QJsonValue(1)), EAutomationError);
  EXPECT_EQ(ReplyInteger(QJsonValue(7)), 7);
}

TEST(OfficeHelper, RequestsAndRepliesGoThroughThePipes) {
  TOfficeHelperProcess helper =
      Shell(READY R"(read line; echo '{"ok": true, "result": 3}'; read line; )"
                  R"(echo '{"ok": false, "error": "no such sheet"}'; read line)");
  ASSERT_TRUE(helper.Start());
  EXPECT_EQ(helper.Call({{"op", "document_count"}}).toInt(), 3);
  try {
    helper.Call({{"op", "select_sheet"}});
    FAIL();
  } catch (const EAutomationError& e) {
    EXPECT_EQ(e.Message, "no such sheet");
  }
  EXPECT_TRUE(helper.Running());  // a refused request is no reason to stop it
}

TEST(OfficeHelper, HelpersThatMisbehaveAreEndedWithinTheirDeadline) {
  struct Case {
    const char* what;
    const char* script;
    bool starts;
  };
  const Case cases[] = {
      {"silent at start", "sleep 30", false},
      {"refuses at start", R"(echo '{"ok": false, "error": "no suite"}'; sleep 30)", false},
      {"nonsense at start", "echo hello; sleep 30", false},
      {"silent on a request", READY "sleep 30", true},
      {"nonsense on a request", READY "read line; echo '<html>'; sleep 30", true},
      {"ends on a request", READY "read line; exit 3", true},
      {"unending line", READY "read line; printf '{\"ok\": true'; sleep 30", true},
  };
  for (const Case& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    TOfficeHelperProcess helper = Shell(c.script);
    ASSERT_EQ(helper.Start(), c.starts) << c.what;
    if (c.starts) {
      EXPECT_THROW(helper.Call({{"op", "used_range"}}), EAutomationError) << c.what;
      EXPECT_FALSE(helper.Running()) << c.what;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << c.what;
  }
}

TEST(OfficeHelper, MissingProgramOrScriptMeansNoServer) {
  EXPECT_FALSE(TOfficeHelperProcess({"/nonexistent/python"}, {}).Start());
  const benchtest::ScopedEnv script("FLASHWRIGHT_OFFICE_HELPER", "/nonexistent/helper.py");
  TLibreOfficeAutomation automation;
  EXPECT_EQ(automation.StartSpreadsheet(), nullptr);
  EXPECT_EQ(automation.StartWord(), nullptr);
  EXPECT_EQ(automation.AttachSpreadsheet(), nullptr);
}

TEST(OfficeHelper, WithoutAServerTheGridReportsIt) {
  const benchtest::ScopedEnv script("FLASHWRIGHT_OFFICE_HELPER", "/nonexistent/helper.py");
  SetOfficeAutomation(nullptr);
  TForm form(nullptr);
  TVudUvizidIzed grid(&form);
  try {
    grid.LoadFromXLS("any.xls");
    FAIL();
  } catch (const EDurUzavError& e) {
    EXPECT_EQ(e.Message, "Excel OLE server not found");
  }
}

}  // namespace
