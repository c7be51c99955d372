#include <gtest/gtest.h>

#include <QDir>
#include <cstdio>

#include "framework/codec.h"
#include "framework/streams.h"
#include "framework/strings.h"

namespace {

TEST(StringList, SortedListsAndDuplicates) {
  struct Case { TDuplicates mode; const char* expected; bool throws; };
  for (const Case& k : {Case{dupIgnore, "a,B,c", false}, Case{dupAccept, "a,b,B,c", false}, Case{dupError, "a,B,c", true}}) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(k.mode);
    list.Add("c");
    list.Add("B");
    list.Add("a");
    if (k.throws) EXPECT_THROW(list.Add("b"), EStringListError);
    else list.Add("b");
    EXPECT_EQ(list.CommaText(), k.expected);
    EXPECT_EQ(list.IndexOf("C"), list.Count() - 1);
    EXPECT_THROW(list.Insert(0, "x"), EStringListError);
  }
  TStringList sensitive;
  sensitive.SetCaseSensitive(true);
  sensitive.SetCommaText("b,B,a");
  EXPECT_EQ(sensitive.IndexOf("A"), -1);
  sensitive.SetSorted(true);
  EXPECT_EQ(sensitive.CommaText(), "B,a,b");
  EXPECT_THROW(sensitive.Get(3), EStringListError);
  EXPECT_THROW(sensitive.Delete(-1), EStringListError);
}

TEST(StringList, CommaAndDelimitedText) {
  struct Case { const char* text; std::vector<AnsiString> items; const char* back; };
  const Case cases[] = {
      {"a,b,c", {"a", "b", "c"}, "a,b,c"},
      {"a b,c", {"a", "b", "c"}, "a,b,c"},  // blanks separate outside quotes
      {"\"a b\",\"say \"\"hi\"\"\"", {"a b", "say \"hi\""}, "\"a b\",\"say \"\"hi\"\"\""},
      {"a,,b", {"a", "", "b"}, "a,,b"},
      {"a,", {"a", ""}, "a,"},
      {"  ", {}, ""},
      {"\"\"", {""}, "\"\""},
  };
  for (const Case& k : cases) {
    TStringList list;
    list.SetCommaText(k.text);
    ASSERT_EQ(list.Count(), static_cast<int>(k.items.size())) << k.text;
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list[i], k.items[i]) << k.text;
    EXPECT_EQ(list.CommaText(), k.back) << k.text;
  }
  TStringList strict;
  strict.SetDelimiter(';');
  strict.SetStrictDelimiter(true);
  strict.SetDelimitedText("*.H86; *.HEX;x y");
  EXPECT_EQ(strict.Count(), 3);
  EXPECT_EQ(strict[1], " *.HEX");
  EXPECT_EQ(strict[2], "x y");
}

TEST(StringList, NamesValuesObjectsAndText) {
  TStringList list;
  list.SetText("Port=3\r\nIRQ=5\nName=COM=1\rplain");
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Values("irq"), "5");
  EXPECT_EQ(list.Names(2), "Name");
  EXPECT_EQ(list.Values("Name"), "COM=1");
  EXPECT_EQ(list.Names(3), "");
  list.SetValue("Port", "4");
  list.SetValue("IRQ", "");
  list.SetValue("New", "x");
  EXPECT_EQ(list.Text(), "Port=4\r\nName=COM=1\r\nplain\r\nNew=x\r\n");

  TObject marker;
  list.AddObject("with object", &marker);
  EXPECT_EQ(list.Objects(list.IndexOf("WITH OBJECT")), &marker);
  list.Move(4, 0);
  EXPECT_EQ(list.Objects(0), &marker);
  list.Exchange(0, 1);
  EXPECT_EQ(list.Objects(1), &marker);

  int changes = 0;
  list.OnChange = [&](TObject*) { ++changes; };
  list.BeginUpdate();
  list.Add("1");
  list.Add("2");
  list.EndUpdate();
  EXPECT_EQ(changes, 1);
}

TEST(Streams, MemoryAndFileStreams) {
  TMemoryStream memory;
  memory.WriteBuffer("abcdef", 6);
  EXPECT_EQ(memory.Size(), 6);
  memory.SetPosition(2);
  char buffer[8] = {};
  EXPECT_EQ(memory.Read(buffer, 8), 4);
  EXPECT_STREQ(buffer, "cdef");
  memory.Seek(-1, soEnd);
  EXPECT_THROW(memory.ReadBuffer(buffer, 2), EReadError);
  memory.SetPosition(8);  // past the end: the gap is filled by the write
  memory.WriteBuffer("z", 1);
  EXPECT_EQ(memory.Size(), 9);

  const std::string path = QDir::tempPath().toStdString() + "/fw_stream_test.bin";
  {
    TFileStream file(path, fmCreate);
    memory.SetPosition(0);
    EXPECT_EQ(file.CopyFrom(memory, 0), 9);
  }
  TMemoryStream back;
  back.LoadFromFile(path);
  EXPECT_EQ(back.Size(), 9);
  EXPECT_EQ(back.Memory()[0], 'a');
  {
    TFileStream exclusive(path, fmOpenReadWrite | fmShareExclusive);
    EXPECT_THROW(TFileStream(path, fmOpenRead | fmShareDenyWrite), EFOpenError);
  }
  std::remove(path.c_str());
  EXPECT_THROW(TFileStream(path, fmOpenRead), EFOpenError);
  EXPECT_THROW(TFileStream("/no/such/dir/file", fmCreate), EFCreateError);

  TStringList lines;
  TStringStream text("one\r\ntwo");
  lines.LoadFromStream(text);
  EXPECT_EQ(lines.Count(), 2);
}

TEST(Codec, Windows1252RoundTrips) {
  struct Case { std::string bytes; std::string utf8; };
  const Case cases[] = {
      {"plain", "plain"},
      {"\x80", "\u20AC"},                 // euro sign
      {"caf\xE9", "caf\u00E9"},
      {"\x93quoted\x94", "\u201Cquoted\u201D"},
      {"\x81\x8D", "\u0081\u008D"},       // undefined bytes survive
      {std::string(1, '\0'), std::string(1, '\0')},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(Win1252ToUtf8(k.bytes), k.utf8);
    EXPECT_EQ(Utf8ToWin1252(k.utf8), k.bytes);
  }
  EXPECT_EQ(Utf8ToWin1252("\u4E2D x"), "? x");
  EXPECT_EQ(Utf8ToWin1252("\xC3"), "?");  // truncated sequence
  EXPECT_EQ(Utf8ToWin1252("\xC0\xAF"), "??");  // overlong form
  const WideString wide = Utf8ToWide("a\u00E9\U0001F600");
  EXPECT_EQ(wide.size(), 4u);
  EXPECT_EQ(WideToUtf8(wide), "a\u00E9\U0001F600");
  EXPECT_EQ(WideToUtf8(u"\xD800x"), "\uFFFDx");
}

}  // namespace
