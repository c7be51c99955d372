#include "grid/gridbinstream.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "framework/filer.h"
#include "grid/duruzav.h"
#include "grid/gridcellio.h"

namespace {

// The greatest column width or row height a stream may set.
constexpr int kMaxSize = 65535;

bool CarriesObject(TCellType type) {
  switch (type) {
    case ctBitmap: case ctIcon: case ctRadio: case ctImages: case ctPicture: case ctFilePicture: case ctBitButton:
      return true;
    default: return false;
  }
}

// "64,20,33" from the sizes of first..last.
template <class Size>
AnsiString JoinSizes(int first, int last, Size size) {
  AnsiString text;
  for (int i = first; i <= last; ++i) {
    if (i > first) text += ',';
    text += std::to_string(size(i));
  }
  return text;
}

// At least count sizes from comma text; EReadError when there are fewer or
// one is not a size.
std::vector<int> SplitSizes(const AnsiString& text, int count) {
  std::vector<int> sizes;
  std::size_t start = 0;
  while (static_cast<int>(sizes.size()) < count && start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    int value = 0;
    if (!TryStrToInt(text.substr(start, comma - start), value) || value < 0 || value > kMaxSize)
      throw EReadError("Invalid property value");
    sizes.push_back(value);
    start = comma + 1;
  }
  if (static_cast<int>(sizes.size()) < count) throw EReadError("Invalid property value");
  return sizes;
}

}  // namespace

// One pass over a stream: the first only checks, the second places what
// the first found sound.
struct TGridBinStream::Walk {
  TPoint pt;
  bool apply = false;
  // Found by the check: the size a whole-grid stream gives the grid.
  bool fullGrid = false;
  int cols = 0;
  int rows = 0;
  std::vector<int> widths;
  std::vector<int> heights;
};

AnsiString TGridBinStream::SourceName(TStream& stream) {
  if (auto* file = dynamic_cast<TFileStream*>(&stream)) return file->FileName();
  return "stream";
}

// ---- Writing ----

void TGridBinStream::Save(TStream& stream) {
  const bool fixed = grid_.ExportFixedCells;
  SaveRect(TRect{fixed ? 0 : grid_.FixedCols(), fixed ? 0 : grid_.FixedRows(), grid_.ColCount() - 1,
                 grid_.RowCount() - 1},
           stream);
}

void TGridBinStream::SaveToFile(const AnsiString& fileName) {
  TMemoryStream stream;
  Save(stream);
  stream.SaveToFile(fileName);
}

void TGridBinStream::SaveRect(const TRect& r, TStream& stream) {
  TWriter writer(stream);
  TGridPropIO header(&grid_);
  header.ColCount = std::max(r.Right - r.Left + 1, 0);
  header.RowCount = std::max(r.Bottom - r.Top + 1, 0);
  header.FullGrid = grid_.ExportFixedCells ? grid_.RowCount() == header.RowCount && grid_.ColCount() == header.ColCount
                                           : grid_.RowCount() - grid_.FixedRows() == header.RowCount &&
                                                 grid_.ColCount() - grid_.FixedCols() == header.ColCount;
  header.ID = grid_.TransferState().id;
  header.ColWidths = JoinSizes(r.Left, r.Right, [&](int c) { return grid_.ColWidths(c); });
  header.RowHeights = JoinSizes(r.Top, r.Bottom, [&](int row) { return grid_.RowHeights(row); });
  header.WriteRecord(writer);

  TGridCellRecords records(&grid_);
  auto& [cell, props, graphic, bitmap, icon, picture, filePicture, strings] = records;
  grid_.ExportNotification(esExportStart, -1);
  int lastProgress = -1;
  for (int row = r.Top; row <= r.Bottom; ++row) {
    grid_.ExportNotification(esExportNewRow, row);
    for (int col = r.Left; col <= r.Right; ++col) {
      const bool hasProp = grid_.HasCellProperties(col, row);
      cell.Cell = grid_.GetCellEx(col, row);
      if (cell.Cell.empty() && !hasProp) continue;
      cell.Col = col;
      cell.Row = row;
      cell.HasProp = hasProp;
      cell.WriteRecord(writer);
      if (!hasProp) continue;
      const TCellProperties* source = grid_.GetCellProperties(col, row);
      props.CellProperties().Assign(source);
      props.CellProperties().SetBrushColorTo(source->BrushColorTo());
      const TCellType type = grid_.GetCellType(col, row);
      const TCellGraphic* cellGraphic = grid_.GetCellGraphic(col, row);
      props.HasGraphic = type != ctEmpty && cellGraphic && (!CarriesObject(type) || cellGraphic->CellCreated);
      props.WriteRecord(writer);
      if (!props.HasGraphic) continue;
      graphic.CellGraphic().Assign(cellGraphic);
      graphic.WriteRecord(writer);
      switch (type) {
        case ctBitmap:
        case ctBitButton: {
          const TBitmap* source = type == ctBitmap ? cellGraphic->Bitmap() : cellGraphic->Glyph();
          bitmap.Bitmap.SetImage(source ? source->Image() : QImage());
          bitmap.WriteRecord(writer);
          break;
        }
        case ctIcon:
          icon.Icon.SetImage(cellGraphic->Icon() ? cellGraphic->Icon()->Image() : QImage());
          icon.WriteRecord(writer);
          break;
        case ctRadio:
          strings.Strings.Clear();
          if (cellGraphic->RadioStrings()) strings.Strings.Assign(*cellGraphic->RadioStrings());
          strings.WriteRecord(writer);
          break;
        case ctImages:
          strings.Strings.SetCommaText(cellGraphic->Images() ? cellGraphic->Images()->StrValue() : AnsiString());
          strings.WriteRecord(writer);
          break;
        case ctPicture:
          picture.Picture.SetGraphic(cellGraphic->Picture() ? cellGraphic->Picture()->Graphic() : nullptr);
          picture.WriteRecord(writer);
          break;
        case ctFilePicture:
          filePicture.Picture.SetStored(AnsiString(), 0, 0);
          if (cellGraphic->FilePicture()) filePicture.Picture.Assign(cellGraphic->FilePicture());
          filePicture.WriteRecord(writer);
          break;
        default: break;
      }
    }
    if (grid_.OnFileProgress) {
      // Measured from the first saved row, so that it ends at 100.
      const int progress = static_cast<int>(
          std::lrint(static_cast<double>(row - r.Top) / std::max(1, r.Bottom - r.Top) * 100.0));
      if (progress != lastProgress) grid_.OnFileProgress(&grid_, static_cast<short>(progress));
      lastProgress = progress;
    }
  }
  grid_.ExportNotification(esExportDone, -1);
}

// ---- Reading ----

void TGridBinStream::ReadHeader(TStream& stream, TGridPropIO& header, const AnsiString& source) {
  stream.SetPosition(0);
  TReader reader(stream);
  try {
    header.ReadRecord(reader);
  } catch (const Exception&) {
    throw EDurUzavError("Cannot read cells from " + source);
  }
}

void TGridBinStream::LoadFromFile(const AnsiString& fileName) {
  TMemoryStream stream;
  stream.LoadFromFile(fileName);
  LoadAtPoint(TPoint{0, 0}, stream, fileName);
}

void TGridBinStream::LoadAtPoint(TPoint pt, TStream& stream, const AnsiString& source) {
  const std::int64_t start = stream.Position();
  Walk walk;
  walk.pt = pt;
  try {
    Read(stream, walk);
  } catch (const Exception&) {
    stream.SetPosition(start);
    throw EDurUzavError("Cannot read cells from " + source);
  }
  stream.SetPosition(start);
  walk.apply = true;
  grid_.BeginUpdate();
  try {
    Read(stream, walk);
  } catch (...) {
    grid_.EndUpdate();
    throw;
  }
  grid_.EndUpdate();
}

namespace {

// The graphic's fields that its painter takes as they are must be in range.
void CheckGraphic(const TCellGraphic& graphic, const TGridSLIO& strings) {
  const auto check = [](bool sound) {
    if (!sound) throw EReadError("Invalid property value");
  };
  switch (graphic.CellType) {
    case ctPicture:
    case ctFilePicture: check(graphic.CellAngle >= noStretch && graphic.CellAngle <= ShrinkWithAspectRatio); break;
    case ctRotated: check(graphic.CellAngle >= 0 && graphic.CellAngle <= 360); break;
    case ctImages:
      for (int i = 0; i < strings.Strings.Count(); ++i) {
        int index = 0;
        check(TryStrToInt(strings.Strings[i], index));
      }
      break;
    default: break;
  }
}

// A merge that would reach outside the grid from the cell becomes a plain cell.
void KeepMergeInside(TCellProperties& props, int col, int row, int cols, int rows) {
  const bool plain = props.IsBaseCell && props.CellSpanX < 0 && props.CellSpanY < 0;
  const bool inside =
      props.IsBaseCell
          ? props.CellSpanX >= 0 && props.CellSpanY >= 0 &&
                static_cast<std::int64_t>(col) + props.CellSpanX < cols &&
                static_cast<std::int64_t>(row) + props.CellSpanY < rows
          : props.CellSpanX >= 0 && props.CellSpanY >= 0 && col - props.CellSpanX >= 0 && row - props.CellSpanY >= 0;
  if (plain || inside) return;
  props.IsBaseCell = true;
  props.CellSpanX = props.CellSpanY = -1;
}

}  // namespace

void TGridBinStream::Read(TStream& stream, Walk& walk) {
  TReader reader(stream);
  TGridPropIO header(&grid_);
  header.ReadRecord(reader);
  if (!walk.apply) {
    walk.fullGrid = header.FullGrid;
    if (walk.fullGrid) {
      walk.widths = SplitSizes(header.ColWidths, header.ColCount);
      walk.heights = SplitSizes(header.RowHeights, header.RowCount);
      walk.cols = header.ColCount;
      walk.rows = header.RowCount;
    }
  } else if (walk.fullGrid) {
    grid_.Clear();
    grid_.SetRowCount(walk.rows);
    grid_.SetColCount(walk.cols);
    for (int i = 0; i < std::min<int>(grid_.ColCount(), static_cast<int>(walk.widths.size())); ++i)
      grid_.SetColWidths(i, walk.widths[i]);
    for (int i = 0; i < std::min<int>(grid_.RowCount(), static_cast<int>(walk.heights.size())); ++i)
      grid_.SetRowHeights(i, walk.heights[i]);
  }
  // A whole grid saved without its fixed cells starts past them: its cells
  // may reach that far beyond the saved size, and the grid grows to hold them.
  const std::int64_t colLimit = static_cast<std::int64_t>(header.ColCount) + grid_.FixedCols();
  const std::int64_t rowLimit = static_cast<std::int64_t>(header.RowCount) + grid_.FixedRows();

  TGridCellRecords records(&grid_);
  auto& [cell, props, graphic, bitmap, icon, picture, filePicture, strings] = records;
  bool originKnown = walk.fullGrid;
  std::int64_t originCol = 0, originRow = 0;
  const std::int64_t size = stream.Size();
  while (stream.Position() < size - 1) {
    cell.ReadRecord(reader);
    if (!originKnown) {
      originCol = cell.Col;
      originRow = cell.Row;
      originKnown = true;
    }
    if (walk.fullGrid && !walk.apply) {
      if (cell.Col >= colLimit || cell.Row >= rowLimit) throw EReadError("Cell outside the saved grid");
      walk.cols = std::max(walk.cols, cell.Col + 1);
      walk.rows = std::max(walk.rows, cell.Row + 1);
    }
    const std::int64_t col = walk.fullGrid ? cell.Col : cell.Col + walk.pt.X - originCol;
    const std::int64_t row = walk.fullGrid ? cell.Row : cell.Row + walk.pt.Y - originRow;
    const bool place = walk.apply && col >= 0 && row >= 0 && col < grid_.ColCount() && row < grid_.RowCount();
    const int c = static_cast<int>(col), r = static_cast<int>(row);
    if (place) grid_.SetCellEx(c, r, cell.Cell);
    if (!cell.HasProp) continue;
    props.ReadRecord(reader);
    if (place) {
      TCellProperties* target = grid_.GetCellProperties(c, r);
      target->Assign(&props.CellProperties());
      target->SetBrushColorTo(props.CellProperties().BrushColorTo());
      target->OwnerCol = c;
      target->OwnerRow = r;
      KeepMergeInside(*target, c, r, grid_.ColCount(), grid_.RowCount());
    }
    if (!props.HasGraphic) continue;
    graphic.ReadRecord(reader);
    const TCellType type = graphic.CellGraphic().CellType;
    switch (type) {
      case ctBitmap: case ctBitButton: bitmap.ReadRecord(reader); break;
      case ctIcon: icon.ReadRecord(reader); break;
      case ctRadio: case ctImages: strings.ReadRecord(reader); break;
      case ctPicture: picture.ReadRecord(reader); break;
      case ctFilePicture: filePicture.ReadRecord(reader); break;
      default: break;
    }
    if (!walk.apply) CheckGraphic(graphic.CellGraphic(), strings);
    if (!place) continue;
    TCellGraphic* target = grid_.CreateCellGraphic(c, r);
    target->Assign(&graphic.CellGraphic());
    const TCellHAlign h = target->CellHAlign;
    const TCellVAlign v = target->CellVAlign;
    switch (type) {
      case ctBitmap: {
        auto* copy = new TBitmap;
        copy->SetImage(bitmap.Bitmap.Image());
        target->SetBitmap(copy, target->CellTransparent, h, v);
        break;
      }
      case ctBitButton: {
        auto* glyph = new TBitmap;
        glyph->SetImage(bitmap.Bitmap.Image());
        const bool pushed = target->CellBoolean;
        target->SetBitButton(target->ButtonWidth(), target->ButtonHeight(), target->CellText, glyph, h, v);
        target->CellBoolean = pushed;
        break;
      }
      case ctIcon: {
        auto* copy = new TIcon;
        copy->SetImage(icon.Icon.Image());
        target->SetIcon(copy, h, v);
        break;
      }
      case ctRadio: {
        auto* copy = new TStringList;
        copy->Assign(strings.Strings);
        target->SetRadioStrings(copy);
        target->CellAngle = copy->Count();
        break;
      }
      case ctImages:
        target->SetMultiImage(c, r, target->CellBoolean ? 0 : 1, h, v,
                              [grid = &grid_](TObject* sender, int ic, int ir) { grid->MultiImageChanged(sender, ic, ir); });
        target->Images()->SetStrValue(strings.Strings.CommaText());
        break;
      case ctPicture: {
        auto* copy = new TPicture;
        copy->Assign(picture.Picture);
        target->SetPicture(copy, target->CellTransparent, static_cast<TStretchMode>(target->CellAngle),
                           target->CellIndex, h, v);
        break;
      }
      case ctFilePicture: {
        auto* copy = new TFilePicture;
        copy->Assign(&filePicture.Picture);
        target->SetFilePicture(copy, target->CellTransparent, static_cast<TStretchMode>(target->CellAngle),
                               target->CellIndex, h, v);
        break;
      }
      default: break;
    }
    // The graphic owns what was made for it.
    if (CarriesObject(type)) target->CellCreated = true;
  }
}
