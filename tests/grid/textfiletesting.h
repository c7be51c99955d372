#pragma once
// A cell grid on a form with a scratch folder for the files it writes.
#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <string>

#include "framework/forms.h"
#include "grid/duruzav.h"

namespace textfiletesting {

struct GridWithFolder {
  TForm form{nullptr};
  TVudUvizidIzed grid{&form};
  QTemporaryDir dir;

  std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }
  std::string Read(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::string Write(const char* name, const std::string& bytes) const {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  void Size(int cols, int rows) {
    grid.SetColCount(cols);
    grid.SetRowCount(rows);
  }
};

}  // namespace textfiletesting
