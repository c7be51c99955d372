#pragma once
// A grid on a form with a scratch folder: what the CSV and XML file tests
// share, with the outside programs that check the files.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "framework/forms.h"
#include "grid/duruzav.h"
#include "tests/support/commandoutput.h"
#include "tests/support/scratch.h"

class GridFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.Created());
    grid = new TVudUvizidIzed(&form);
    grid->SetParent(&form);
  }

  // Column by column, row by row.
  void Fill(const std::vector<std::vector<AnsiString>>& rows) {
    grid->SetRowCount(static_cast<int>(rows.size()));
    grid->SetColCount(static_cast<int>(rows.front().size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
      for (std::size_t c = 0; c < rows[r].size(); ++c)
        grid->SetCellEx(static_cast<int>(c), static_cast<int>(r), rows[r][c]);
  }

  std::vector<AnsiString> Row(int row, int fromCol = 0) {
    std::vector<AnsiString> texts;
    for (int c = fromCol; c < grid->ColCount(); ++c) texts.push_back(grid->GetCellEx(c, row));
    return texts;
  }

  std::string File(const std::string& name) { return dir.File(name); }

  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  // The system's Python (a version manager's shim on the path costs seconds
  // a call).
  static std::string Python() { return std::ifstream("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

  // The program's exit status and what it wrote on standard output.
  static std::pair<int, std::string> Run(const std::string& command) { return RunCommand(command); }

  TForm form{nullptr};
  TVudUvizidIzed* grid = nullptr;
  benchtest::TempDir dir{"flashwright-csvxml"};
};
