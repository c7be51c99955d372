// Column widths and row heights with their running offsets, against a plain
// walk over the same sizes.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "framework/forms.h"
#include "framework/gridaxis.h"
#include "framework/grids.h"

namespace {

// What the offsets are by definition: a walk over every entry.
struct WalkedAxis {
  std::vector<int> sizes;
  int line = 0;
  std::int64_t Offset(int count) const {
    std::int64_t sum = 0;
    for (int i = 0; i < count; ++i) sum += sizes[i] + line;
    return sum;
  }
  int CountWithin(std::int64_t position) const {
    int count = 0;
    while (count < static_cast<int>(sizes.size()) && Offset(count + 1) <= position) ++count;
    return position < 0 ? 0 : count;
  }
  int FirstReaching(std::int64_t position) const {
    int count = 0;
    while (count < static_cast<int>(sizes.size()) && Offset(count) < position) ++count;
    return count;
  }
};

void ExpectSameAsWalk(const TGridAxis& axis, const WalkedAxis& walked, const std::string& step) {
  SCOPED_TRACE(step);
  ASSERT_EQ(axis.Count(), static_cast<int>(walked.sizes.size()));
  const std::int64_t end = walked.Offset(axis.Count());
  for (int i = 0; i <= axis.Count(); ++i) {
    ASSERT_EQ(axis.Offset(i), walked.Offset(i)) << "offset of " << i;
    if (i < axis.Count()) {
      ASSERT_EQ(axis.Size(i), walked.sizes[i]);
    }
  }
  for (std::int64_t pos = -2; pos <= end + 2; ++pos) {
    ASSERT_EQ(axis.CountWithin(pos), walked.CountWithin(pos)) << "count within " << pos;
    ASSERT_EQ(axis.FirstReaching(pos), walked.FirstReaching(pos)) << "first reaching " << pos;
  }
}

// Sizes changed, hidden (0), restored to the default, entries added, dropped
// and moved, the default changed: after every step the axis answers as the
// walk does, with and without lines between the entries.
TEST(GridAxisTest, OffsetsAndSearchesMatchAWalkThroughEveryChange) {
  for (int line : {0, 1, 3}) {
    TGridAxis axis;
    WalkedAxis walked;
    axis.Reset(5);
    axis.SetLineWidth(line);
    walked.line = line;
    std::mt19937 random(1234u + line);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int step = 0; step < 300; ++step) {
      const int count = axis.Count();
      switch (count == 0 ? 0 : pick(6)) {
        case 0: {
          const int next = pick(40);
          axis.Resize(next);
          walked.sizes.resize(next, axis.DefaultSize());
          break;
        }
        case 1:
        case 2: {
          const int index = pick(count), size = pick(3) == 0 ? 0 : pick(12);
          axis.SetSize(index, size);
          walked.sizes[index] = size;
          break;
        }
        case 3: {
          const int index = pick(count);
          axis.SetSize(index, axis.DefaultSize());
          walked.sizes[index] = axis.DefaultSize();
          break;
        }
        case 4: {
          const int from = pick(count), to = pick(count);
          axis.Move(from, to);
          const int size = walked.sizes[from];
          walked.sizes.erase(walked.sizes.begin() + from);
          walked.sizes.insert(walked.sizes.begin() + to, size);
          break;
        }
        default: {
          if (pick(4) != 0) continue;
          const int size = pick(8);
          axis.Reset(size);
          walked.sizes.assign(walked.sizes.size(), size);
          break;
        }
      }
      ExpectSameAsWalk(axis, walked, "line " + std::to_string(line) + ", step " + std::to_string(step));
    }
  }
}

// A grid of rows of several heights, some hidden: going to the last row
// shows it wholly at the bottom with as many rows above as fit, and every
// point hits the row whose rectangle (with its line) holds it; without
// lines a hidden row is never hit.
TEST(GridGeometryTest, MixedAndHiddenRowsScrollAndHitAsLaidOut) {
  for (int line : {1, 0}) {
    SCOPED_TRACE(line);
    TForm form{nullptr};
    auto* grid = new TStringGrid(&form);
    grid->SetParent(&form);
    grid->SetColCount(3);
    grid->SetRowCount(500);
    grid->SetDefaultRowHeight(20);
    grid->SetGridLineWidth(line);
    grid->SetBounds(0, 0, 300, 200);
    for (int row = 1; row < 500; ++row) {
      if (row % 7 == 0) grid->SetRowHeights(row, 0);
      else if (row % 5 == 0) grid->SetRowHeights(row, 33);
    }

    grid->SetRow(499);
    const int clientHeight = grid->ClientRect().Height();
    const TRect last = grid->CellRect(1, 499);
    ASSERT_FALSE(last.IsEmpty());
    EXPECT_LE(last.Bottom + line, clientHeight);
    // One row less scrolled would push the last row out.
    const int above = grid->RowHeights(grid->TopRow() - 1) + line;
    EXPECT_GT(last.Bottom + line + above, clientHeight);

    for (int y = 0; y < clientHeight; ++y) {
      const TGridCoord hit = grid->MouseCoord(5 + grid->ColWidths(0), y);
      if (hit.Y < 0) {
        EXPECT_GE(y, last.Bottom + line) << "a miss above the last row";
        continue;
      }
      if (line == 0) {
        EXPECT_GT(grid->RowHeights(hit.Y), 0) << y;
      }
      const TRect r = grid->CellRect(1, hit.Y);
      EXPECT_LE(r.Top, y);
      EXPECT_LT(y, r.Bottom + line);
    }
  }
}

}  // namespace
