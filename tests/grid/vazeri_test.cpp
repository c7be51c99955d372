// Integer lists with change events, sort keys and the controls placed in cells.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/standardcontrols.h"
#include "grid/vazeri.h"

namespace {

// Records every OnChange as (col, row).
struct ChangeLog {
  std::vector<std::pair<int, int>> calls;
  void Watch(TIntList& list) {
    list.OnChange = [this](TObject*, int col, int row) { calls.emplace_back(col, row); };
  }
};

TEST(IntList, AddDeleteAndWriteFireOnceInsertAndClearDoNot) {
  TIntList list(4, 9);
  ChangeLog log;
  log.Watch(list);
  list.Add(3);
  list.Add(20);
  list.Insert(1, -1);
  EXPECT_EQ(log.calls.size(), 2u);
  EXPECT_EQ(list.StrValue(), "3,-1,20");
  list.SetItems(2, 7);
  list.Delete(0);
  EXPECT_EQ(list.StrValue(), "-1,7");
  ASSERT_EQ(log.calls.size(), 4u);
  EXPECT_EQ(log.calls.back(), std::make_pair(4, 9));
  list.Clear();
  EXPECT_EQ(log.calls.size(), 4u);
  EXPECT_EQ(list.StrValue(), "");
  EXPECT_THROW(list.Items(0), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.SetItems(0, 1), EListError);
}

TEST(IntList, StrValueParsesCommaTextAndFiresPerItem) {
  TIntList list(0, 0);
  list.Add(99);
  ChangeLog log;
  log.Watch(list);
  list.SetStrValue("5, -2 \"7\"");
  EXPECT_EQ(list.StrValue(), "5,-2,7");
  EXPECT_EQ(log.calls.size(), 3u);

  list.SetStrValue("");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(log.calls.size(), 3u);

  // A bad item raises after the items before it were taken.
  EXPECT_THROW(list.SetStrValue("1,x,3"), EConvertError);
  EXPECT_EQ(list.StrValue(), "1");
}

TEST(SortIndexList, KeysPackColumnAndDirection) {
  TSortIndexList list;
  ChangeLog log;
  log.Watch(list);
  list.AddIndex(2, true);
  list.AddIndex(5, false);
  EXPECT_EQ(static_cast<unsigned>(list.Items(1)), 0x80000005u);
  EXPECT_EQ(list.FindIndex(5), 1);
  EXPECT_FALSE(list.SortDirections(1));
  EXPECT_EQ(list.SortColumns(1), 5);
  EXPECT_EQ(list.FindIndex(3), -1);

  list.ToggleIndex(5);
  EXPECT_TRUE(list.SortDirections(1));
  list.ToggleIndex(2);
  EXPECT_FALSE(list.SortDirections(0));
  const size_t changes = log.calls.size();
  list.ToggleIndex(8);  // absent: nothing changes
  EXPECT_EQ(log.calls.size(), changes);
  EXPECT_EQ(list.StrValue(), IntToStr(static_cast<int>(0x80000002u)) + ",5");

  // A new column keeps the entry's direction, whatever bit 31 of the value.
  list.SetSortColumns(0, static_cast<int>(0x80000009u));
  EXPECT_EQ(list.SortColumns(0), 9);
  EXPECT_FALSE(list.SortDirections(0));
  list.SetSortColumns(1, 4);
  EXPECT_TRUE(list.SortDirections(1));
  list.SetSortDirections(1, false);
  EXPECT_EQ(static_cast<unsigned>(list.Items(1)), 0x80000004u);
}

TEST(SortIndexList, FirstOfRepeatedColumnsWins) {
  TSortIndexList list;
  list.AddIndex(1, true);
  list.AddIndex(1, true);
  list.ToggleIndex(1);
  EXPECT_FALSE(list.SortDirections(0));
  EXPECT_TRUE(list.SortDirections(1));
}

TEST(ControlList, OwnsItemsNotControls) {
  auto edit = std::make_unique<TEdit>(nullptr);
  auto label = std::make_unique<TLabel>(nullptr);
  {
    TControlList list;
    EXPECT_EQ(list.ControlIndex(0, 0), -1);
    EXPECT_FALSE(list.HasHandle(edit->Widget()));
    list.AddControl(1, 2, label.get());
    list.AddControl(3, 4, edit.get());
    list.AddControl(3, 4, label.get());
    EXPECT_EQ(list.ControlIndex(3, 4), 1);
    EXPECT_EQ(list.ControlIndex(4, 3), -1);
    EXPECT_EQ(list.Items(1)->Control, edit.get());
    EXPECT_TRUE(list.HasHandle(edit->Widget()));
    EXPECT_FALSE(list.HasHandle(label->Widget()));  // not a windowed control
    list.RemoveControl(1);
    EXPECT_EQ(list.ControlIndex(3, 4), 1);
    EXPECT_FALSE(list.HasHandle(edit->Widget()));
    EXPECT_THROW(list.Items(2), EListError);
  }
  // The controls outlive the list.
  edit->SetText("alive");
  EXPECT_EQ(edit->GetText(), "alive");
}

}  // namespace
