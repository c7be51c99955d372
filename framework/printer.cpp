#include "framework/printer.h"

#include <QFile>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

TPrinter::TPrinter() = default;

TPrinter::~TPrinter() {
  if (printing_) Abort();
}

void TPrinter::Printers(TStrings* names) const {
  names->Clear();
  for (const QString& name : QPrinterInfo::availablePrinterNames()) names->Add(name.toStdString());
}

void TPrinter::SetPrinterIndex(int index) {
  if (printing_) throw EPrinter("Printing in progress");
  printerIndex_ = index;
  fileName_.clear();
  DropDevice();
}

void TPrinter::SetOutputFileName(const AnsiString& fileName) {
  if (printing_) throw EPrinter("Printing in progress");
  fileName_ = fileName;
  DropDevice();
}

void TPrinter::SetOrientation(int orientation) {
  if (printing_) throw EPrinter("Printing in progress");
  orientation_ = orientation == 1 ? 1 : 0;
  if (device_) device_->setPageOrientation(orientation_ ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void TPrinter::DropDevice() {
  canvas_.AttachDevice(nullptr);
  device_.reset();
}

// Made when first needed, so that choosing the output costs nothing and a
// file is only touched by a job.
QPagedPaintDevice* TPrinter::Device() {
  if (!device_) {
    if (!fileName_.empty()) {
      auto writer = std::make_unique<QPdfWriter>(QString::fromStdString(fileName_));
      writer->setResolution(600);
      writer->setPageMargins(QMarginsF(0, 0, 0, 0));
      device_ = std::move(writer);
    } else {
      auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
      const QStringList names = QPrinterInfo::availablePrinterNames();
      if (printerIndex_ >= 0 && printerIndex_ < names.size()) printer->setPrinterName(names[printerIndex_]);
      device_ = std::move(printer);
    }
    device_->setPageOrientation(orientation_ ? QPageLayout::Landscape : QPageLayout::Portrait);
    canvas_.AttachDevice(device_.get());
  }
  return device_.get();
}

TCanvas* TPrinter::Canvas() {
  Device();
  return &canvas_;
}

int TPrinter::PageWidth() { return Device()->width(); }
int TPrinter::PageHeight() { return Device()->height(); }

void TPrinter::BeginDoc() {
  if (printing_) throw EPrinter("Printing in progress");
  QPagedPaintDevice* device = Device();
  if (auto* writer = dynamic_cast<QPdfWriter*>(device)) writer->setTitle(QString::fromStdString(title_));
  if (auto* printer = dynamic_cast<QPrinter*>(device)) printer->setDocName(QString::fromStdString(title_));
  if (!canvas_.BeginDoc()) {
    DropDevice();
    throw EPrinter("Cannot start the print job");
  }
  printing_ = true;
}

void TPrinter::NewPage() {
  if (printing_) canvas_.NewPage();
}

void TPrinter::EndDoc() {
  canvas_.EndDoc();
  printing_ = false;
  // A writer writes its file once: the next job starts a new one. Without
  // a job the device only goes, and nothing was written.
  DropDevice();
}

void TPrinter::Abort() {
  if (!printing_) return;
  if (auto* printer = dynamic_cast<QPrinter*>(device_.get())) printer->abort();
  canvas_.EndDoc();
  printing_ = false;
  DropDevice();
  if (!fileName_.empty()) QFile::remove(QString::fromStdString(fileName_));
}

TPrinter* Printer() {
  static TPrinter printer;
  return &printer;
}
