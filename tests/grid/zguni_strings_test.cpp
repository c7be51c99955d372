#include "grid/zguni_strings.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/codec.h"
#include "framework/streams.h"

namespace {

// The simplest concrete list: items in a vector; it records its update
// state changes.
class TVectorWideStrings : public TWideStrings {
 public:
  TVectorWideStrings() = default;
  explicit TVectorWideStrings(std::initializer_list<WideString> items) {
    for (const auto& item : items) Add(item);
  }
  WideString Get(int index) const override { return items_.at(index).text; }
  int GetCount() const override { return static_cast<int>(items_.size()); }
  void Clear() override { items_.clear(); }
  void Delete(int index) override { items_.erase(items_.begin() + index); }
  void Insert(int index, const WideString& s) override { items_.insert(items_.begin() + index, Item{s, nullptr}); }
  TObject* GetObject(int index) const override { return items_.at(index).object; }
  void PutObject(int index, TObject* object) override { items_.at(index).object = object; }
  void SetUpdateState(bool updating) override { updates.push_back(updating); }

  std::vector<bool> updates;

 private:
  struct Item {
    WideString text;
    TObject* object;
  };
  std::vector<Item> items_;
};

std::vector<WideString> Items(const TWideStrings& list) {
  std::vector<WideString> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list[i]);
  return items;
}

TVectorWideStrings ListOf(std::initializer_list<WideString> items) { return TVectorWideStrings(items); }

TEST(WideStrings, CommaTextQuotesWhatItMustAndDropsEmptyItems) {
  EXPECT_EQ(ListOf({u"a", u"", u"b c"}).CommaText(), u"a,,\"b c\"");
  EXPECT_EQ(ListOf({u"a", u"", u"b c", u"d\"e", u"f,g"}).CommaText(), u"a,,\"b c\",\"d\"\"e\",\"f,g\"");
  EXPECT_EQ(ListOf({u""}).CommaText(), u"\"\"");
  EXPECT_EQ(ListOf({}).CommaText(), u"");
  EXPECT_EQ(ListOf({u"tab\there", u"\u00e9t\u00e9"}).CommaText(), u"\"tab\there\",\u00e9t\u00e9");
}

TEST(WideStrings, CommaTextParsing) {
  const struct {
    WideString text;
    std::vector<WideString> items;
  } cases[] = {
      {u"a,,\"b c\",\"d\"\"e\",\"f,g\"", {u"a", u"b c", u"d\"e", u"f,g"}},
      {u"\"\"", {u""}},
      {u"", {}},
      {u" a , b ", {u"a", u"b"}},
      {u"a b,c", {u"a", u"b", u"c"}},
      {u"a,,b", {u"a", u"b"}},
      {u",a,", {u"a"}},
      {u"a,\"\",b", {u"a", u"", u"b"}},
      // An unterminated quoted item keeps everything up to the end.
      {u"a,\"b c", {u"a", u"b c"}},
      {u"\"x\"\"", {u"x\""}},
      {u"\"q\"r,s", {u"q", u"r", u"s"}},
  };
  for (const auto& c : cases) {
    TVectorWideStrings list;
    list.SetCommaText(c.text);
    EXPECT_EQ(Items(list), c.items) << WideToUtf8(c.text);
  }
}

TEST(WideStrings, TextFormSplitsAtEveryKindOfLineBreak) {
  EXPECT_EQ(ListOf({u"x", u""}).Text(), u"x\r\n\r\n");
  EXPECT_EQ(ListOf({}).Text(), u"");
  const struct {
    WideString text;
    std::vector<WideString> items;
  } cases[] = {
      {u"x\r\n\r\n", {u"x", u""}},
      {u"a\r\nb", {u"a", u"b"}},
      {u"a\n\rb", {u"a", u"", u"b"}},
      {u"1\u20282\u20293\v4\f5", {u"1", u"2", u"3", u"4", u"5"}},
      {u"a\r\n", {u"a"}},
      {u"", {}},
  };
  for (const auto& c : cases) {
    TVectorWideStrings list;
    list.SetTextStr(c.text);
    EXPECT_EQ(Items(list), c.items) << WideToUtf8(c.text);
  }
  const auto copy = ListOf({u"\u4e2d", u"b"}).GetText();
  EXPECT_EQ(WideString(copy.get()), u"\u4e2d\r\nb\r\n");
  EXPECT_EQ(ListOf({}).GetText()[0], u'\0');
}

TEST(WideStrings, NamesAndValues) {
  TVectorWideStrings list = ListOf({u"other", u"key=1", u"=empty name", u"k\u00e9y=2=3"});
  EXPECT_EQ(list.Values(u"Key"), u"1");
  EXPECT_EQ(list.Values(u"K\u00c9Y"), u"2=3");
  EXPECT_EQ(list.Values(u""), u"empty name");
  EXPECT_EQ(list.Values(u"missing"), u"");
  EXPECT_EQ(list.Names(1), u"key");
  EXPECT_EQ(list.Names(0), u"");
  list.SetValue(u"KEY", u"9");
  EXPECT_EQ(list[1], u"KEY=9");
  list.SetValue(u"key", u"");
  EXPECT_EQ(list.IndexOfName(u"key"), -1);
  EXPECT_EQ(list.Count(), 3);
  list.SetValue(u"new", u"v");
  EXPECT_EQ(list[3], u"new=v");
  list.SetValue(u"absent", u"");
  EXPECT_EQ(list.Count(), 4);
}

TEST(WideStrings, SearchIgnoresCaseButEqualityDoesNot) {
  TVectorWideStrings a = ListOf({u"abc", u"\u00fcber"}), b = ListOf({u"ABC", u"\u00fcber"});
  EXPECT_EQ(a.IndexOf(u"ABC"), 0);
  EXPECT_EQ(a.IndexOf(u"\u00dcBER"), 1);
  EXPECT_EQ(a.IndexOf(u"abcd"), -1);
  EXPECT_FALSE(a.Equals(b));
  EXPECT_TRUE(a.Equals(ListOf({u"abc", u"\u00fcber"})));
  EXPECT_FALSE(a.Equals(ListOf({u"abc"})));
}

TEST(WideStrings, MovingItemsKeepsTheirObjectsAndNestsUpdates) {
  TObject one, two;
  TVectorWideStrings list;
  list.AddObject(u"one", &one);
  list.AddObject(u"two", &two);
  list.Add(u"three");
  list.Exchange(0, 1);
  EXPECT_EQ(Items(list), (std::vector<WideString>{u"two", u"one", u"three"}));
  EXPECT_EQ(list.Objects(0), &two);
  EXPECT_EQ(list.Objects(1), &one);
  list.Move(0, 2);
  EXPECT_EQ(Items(list), (std::vector<WideString>{u"one", u"three", u"two"}));
  EXPECT_EQ(list.IndexOfObject(&two), 2);
  list.Put(0, u"uno");
  EXPECT_EQ(list.Objects(0), &one);
  // Each bulk change told the list once when it started and once when it
  // ended, however deeply it nested.
  list.updates.clear();
  list.BeginUpdate();
  list.Exchange(0, 1);
  list.EndUpdate();
  EXPECT_EQ(list.updates, (std::vector<bool>{true, false}));
}

TEST(WideStrings, AssignsToAndFromStringLists) {
  TObject marker;
  TStringList ansi;
  ansi.AddObject("caf\xc3\xa9", &marker);
  ansi.Add("b");
  TVectorWideStrings wide = ListOf({u"old"});
  wide.Assign(&ansi);
  EXPECT_EQ(Items(wide), (std::vector<WideString>{u"caf\u00e9", u"b"}));
  EXPECT_EQ(wide.Objects(0), &marker);

  wide.Add(u"\u4e2d");
  TStringList back;
  wide.AssignTo(&back);
  EXPECT_EQ(back.Text(), "caf\xc3\xa9\r\nb\r\n\xe4\xb8\xad\r\n");
  EXPECT_EQ(back.Objects(0), &marker);

  TVectorWideStrings copy;
  wide.AssignTo(&copy);
  EXPECT_TRUE(copy.Equals(wide));
  copy.Assign(&copy);
  EXPECT_TRUE(copy.Equals(wide));

  // The TStrings view edits the same list.
  wide.AnsiStrings()->Add("x");
  EXPECT_EQ(wide[3], u"x");
  EXPECT_EQ(wide.AnsiStrings()->Get(2), "\xe4\xb8\xad");

  TPersistent other;
  EXPECT_THROW(wide.Assign(&other), EConvertError);
  EXPECT_THROW(wide.Assign(nullptr), EConvertError);
  EXPECT_THROW(wide.Error(u"Bad index %d", 7), Exception);
}

TEST(WideStrings, StreamsItsItemsAsTheWideStringsProperty) {
  TObject marker;
  TVectorWideStrings list = ListOf({u"a", u"", u"\u4e2d\u6587"});
  list.PutObject(0, &marker);
  TMemoryStream stream;
  TWriter writer(stream);
  list.DefineProperties(writer);

  stream.SetPosition(0);
  TReader reader(stream);
  EXPECT_EQ(reader.ReadPropName(), "WideStrings");
  TVectorWideStrings loaded = ListOf({u"stale"});
  loaded.DefineProperties(reader);
  EXPECT_TRUE(reader.PropertyRead());
  EXPECT_TRUE(loaded.Equals(list));
  EXPECT_EQ(loaded.Objects(0), nullptr);
  EXPECT_EQ(stream.Position(), stream.Size());

  // An empty list writes nothing; one equal to its ancestor neither.
  TMemoryStream empty;
  TWriter emptyWriter(empty);
  TVectorWideStrings none;
  none.DefineProperties(emptyWriter);
  emptyWriter.SetAncestor(&loaded);
  list.DefineProperties(emptyWriter);
  EXPECT_EQ(empty.Size(), 0);
}

TEST(WideStrings, ReadsListsStoredAsEightBitStrings) {
  TMemoryStream stream;
  TWriter writer(stream);
  writer.WritePropName("WideStrings");
  writer.WriteListBegin();
  writer.WriteString("caf\xc3\xa9");
  writer.WriteString(AnsiString(300, 'x'));
  writer.WriteWideString(u"w");
  writer.WriteListEnd();
  stream.SetPosition(0);
  TReader reader(stream);
  reader.ReadPropName();
  TVectorWideStrings list;
  list.DefineProperties(reader);
  EXPECT_EQ(Items(list), (std::vector<WideString>{u"caf\u00e9", WideString(300, u'x'), u"w"}));

  // A stream cut short fails with a read error and leaves the list usable.
  TMemoryStream cut;
  cut.WriteBuffer(stream.Memory(), 20);
  cut.SetPosition(0);
  TReader cutReader(cut);
  cutReader.ReadPropName();
  EXPECT_THROW(list.DefineProperties(cutReader), EReadError);
  list.updates.clear();
  list.BeginUpdate();
  EXPECT_EQ(list.updates, (std::vector<bool>{true}));
}

}  // namespace
