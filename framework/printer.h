#pragma once
// TPrinter: the printer object over a paged canvas. Output goes to a
// printer of the system (Qt's print support) or, once a file name is set,
// to a PDF file. Printer() is the one object of the program.
#include <memory>

#include "framework/canvas.h"
#include "framework/strings.h"
#include "framework/sysutils.h"

class QPagedPaintDevice;
class QPrinter;

// Raised for a job that cannot start or a request while a job runs.
class EPrinter : public Exception {
 public:
  using Exception::Exception;
};

class TPrinter : public TObject {
 public:
  TPrinter();
  ~TPrinter() override;

  // The names of the system's printers; the index chooses one (-1: the
  // default printer). Choosing a printer leaves PDF output.
  void Printers(TStrings* names) const;
  int PrinterIndex() const { return printerIndex_; }
  void SetPrinterIndex(int index);
  // A non-empty name sends the next jobs to that PDF file instead.
  const AnsiString& OutputFileName() const { return fileName_; }
  void SetOutputFileName(const AnsiString& fileName);

  const AnsiString& Title() const { return title_; }
  void SetTitle(const AnsiString& title) { title_ = title; }
  // 0 portrait, 1 landscape; not while printing.
  int Orientation() const { return orientation_; }
  void SetOrientation(int orientation);

  // The device canvas: measuring works at any time, drawing between
  // BeginDoc and EndDoc.
  TCanvas* Canvas();
  // The printable page in device pixels and the device's resolution.
  int PageWidth();
  int PageHeight();
  bool Printing() const { return printing_; }
  // EPrinter "Printing in progress" while a job runs, "Cannot start the
  // print job" when the device refuses (a file that cannot be written).
  void BeginDoc();
  void NewPage();
  // Ends the job; called without one, it leaves no file or job behind.
  void EndDoc();
  // Ends the job unfinished; a PDF file begun by it is removed.
  void Abort();

 private:
  QPagedPaintDevice* Device();
  void DropDevice();
  AnsiString fileName_;
  AnsiString title_;
  int printerIndex_ = -1;
  int orientation_ = 0;
  bool printing_ = false;
  std::unique_ptr<QPagedPaintDevice> device_;
  TCanvas canvas_;
};

TPrinter* Printer();
