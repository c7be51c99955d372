#pragma once
// The records of the grid's binary cell stream: one small component per
// record kind, written and read back through the framework's component
// streaming (framework/filer.h). Each record is the signature, the class
// name, an empty component name, the published properties in a fixed order
// and the two end markers; nested objects go as dotted properties
// ("CellProperties.FontName"), pictures as binary "Data" properties.
//
// A reader instance is reused record after record: reading resets every
// field first, so nothing of the previous record or file is left behind.
#include <memory>

#include "framework/component.h"
#include "framework/filer.h"
#include "framework/graphics.h"
#include "framework/strings.h"
#include "grid/basegrid.h"
#include "grid/cellgraphic.h"
#include "grid/vazeri.h"

class TGridRecordIO : public TComponent {
 public:
  using TComponent::TComponent;
  virtual const char* ClassName() const = 0;
  void WriteRecord(TWriter& writer) const;
  // EReadError when the record is cut short, malformed, holds a property
  // the class does not have or a value out of its range. The stored class
  // name is not compared with this one's.
  void ReadRecord(TReader& reader);

 protected:
  virtual void Reset() = 0;
  virtual void WriteProperties(TWriter& writer) const = 0;
  // False when the class has no property of that name.
  virtual bool ReadProperty(const AnsiString& name, TReader& reader) = 0;
};

// The saved rectangle: its size, widths and heights, whether it is the
// whole grid, and which grid wrote it.
class TGridPropIO : public TGridRecordIO {
 public:
  using TGridRecordIO::TGridRecordIO;
  const char* ClassName() const override { return "TGridPropIO"; }
  int ColCount = 0;
  int RowCount = 0;
  AnsiString ColWidths;
  AnsiString RowHeights;
  bool FullGrid = false;
  int ID = 0;

 protected:
  void Reset() override;
  void WriteProperties(TWriter& writer) const override;
  bool ReadProperty(const AnsiString& name, TReader& reader) override;
};

// One saved cell: where it was, its text, and whether its properties follow.
class TGridCellIO : public TGridRecordIO {
 public:
  using TGridRecordIO::TGridRecordIO;
  const char* ClassName() const override { return "TGridCellIO"; }
  int Col = 0;
  int Row = 0;
  AnsiString Cell;
  bool HasProp = false;

 protected:
  void Reset() override;
  void WriteProperties(TWriter& writer) const override;
  bool ReadProperty(const AnsiString& name, TReader& reader) override;
};

class TGridCellPropIO : public TGridRecordIO {
 public:
  explicit TGridCellPropIO(TBaseGrid* grid);
  const char* ClassName() const override { return "TGridCellPropIO"; }
  TCellProperties& CellProperties() { return *cellProperties_; }
  bool HasGraphic = false;

 protected:
  void Reset() override;
  void WriteProperties(TWriter& writer) const override;
  bool ReadProperty(const AnsiString& name, TReader& reader) override;

 private:
  TBaseGrid* grid_;
  std::unique_ptr<TCellProperties> cellProperties_;
};

class TGridGraphicIO : public TGridRecordIO {
 public:
  using TGridRecordIO::TGridRecordIO;
  const char* ClassName() const override { return "TGridGraphicIO"; }
  TCellGraphic& CellGraphic() { return *cellGraphic_; }

 protected:
  void Reset() override;
  void WriteProperties(TWriter& writer) const override;
  bool ReadProperty(const AnsiString& name, TReader& reader) override;

 private:
  std::unique_ptr<TCellGraphic> cellGraphic_ = std::make_unique<TCellGraphic>();
};

class TGridBMPIO : public TGridRecordIO {
 public:
  using TGridRecordIO::TGridRecordIO;
  const char* ClassName() const override { return "TGridBMPIO"; }
  TBitmap Bitmap;

 protected:
  void Reset() override;
  void WriteProperties(TWriter& writer) const override;
  bool ReadProperty(const AnsiString& name, TReader& reader) override;
};

class TGridIconIO : public TGridRecordIO {
 public:
  using TGridRecordIO::TGridRecordIO;
  const char* ClassName() const override { return "TGridIconIO"; }
  TIcon Icon;

 protected:
  void Reset() override;
  void WriteProperties(TWriter& writer) const override;
  bool ReadProperty(const AnsiString& name, TReader& reader) override;
};

class TGridPicIO : public TGridRecordIO {
 public:
  using TGridRecordIO::TGridRecordIO;
  const char* ClassName() const override { return "TGridPicIO"; }
  TPicture Picture;

 protected:
  void Reset() override;
  void WriteProperties(TWriter& writer) const override;
  bool ReadProperty(const AnsiString& name, TReader& reader) override;
};

class TGridFilePicIO : public TGridRecordIO {
 public:
  using TGridRecordIO::TGridRecordIO;
  const char* ClassName() const override { return "TGridFilePicIO"; }
  TFilePicture Picture;

 protected:
  void Reset() override;
  void WriteProperties(TWriter& writer) const override;
  bool ReadProperty(const AnsiString& name, TReader& reader) override;
};

// Radio texts, or the image indexes of a multi-image cell, one per line.
class TGridSLIO : public TGridRecordIO {
 public:
  using TGridRecordIO::TGridRecordIO;
  const char* ClassName() const override { return "TGridSLIO"; }
  TStringList Strings;

 protected:
  void Reset() override;
  void WriteProperties(TWriter& writer) const override;
  bool ReadProperty(const AnsiString& name, TReader& reader) override;
};

// One instance of each record that follows the header, reused cell after
// cell by a writer or a reader.
struct TGridCellRecords {
  explicit TGridCellRecords(TBaseGrid* grid)
      : cell(grid), props(grid), graphic(grid), bitmap(grid), icon(grid), picture(grid), filePicture(grid),
        strings(grid) {}
  TGridCellIO cell;
  TGridCellPropIO props;
  TGridGraphicIO graphic;
  TGridBMPIO bitmap;
  TGridIconIO icon;
  TGridPicIO picture;
  TGridFilePicIO filePicture;
  TGridSLIO strings;
};
