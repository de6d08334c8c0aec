// Guards the .xls reader: the sheets listed as "<name>$", column names from
// the first row, column types from the cells, dates as text, rows without
// values left out, and the clear refusal of files that are not .xls
// workbooks. The workbook is written by python3-xlwt when the test runs.
#include "source_staging.h"
#include "staged_table.h"

#include "dv_scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace sources_test;

namespace {

using Rows = std::vector<std::vector<std::string>>;
using Names = std::vector<std::string>;

// Debian's python3, which python3-xlwt installs into.
constexpr const char* kPython = "/usr/bin/python3";

std::string WriteWorkbook(const dv_test::scratch_dir& dir) {
  const std::string path = dir / "book.xls";
  const std::string command = std::string(kPython) + " " + DV_SOURCES_TEST_SUPPORT_DIR "/write_workbook.py " + path;
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return path;
}

StagedTable StageSheet(const dv_test::scratch_dir& dir, const std::string& book, const std::string& sheet) {
  const std::string db = dir / "staged.sqlite";
  StageSourceTable(db, SourceFileKind::Excel, book, sheet, TextFormatOptions{}, {});
  return ReadStagedTable(db, sheet);
}

TEST(ExcelStaging, ListsTheSheetsAndStagesThemWithTheirCellTypes) {
  dv_test::scratch_dir dir;
  const std::string book = WriteWorkbook(dir);
  EXPECT_EQ(ListSourceTables(SourceFileKind::Excel, book), (Names{"Products$", "Price List$", "Empty$"}));

  const auto products = StageSheet(dir, book, "Products$");
  EXPECT_EQ(products.names, (Names{"id", "name", "price", "added", "mixed", "F6"}));
  EXPECT_EQ(products.types, (Names{"INTEGER", "TEXT", "REAL", "DATE", "TEXT", "TEXT"}));
  EXPECT_EQ(products.rows, (Rows{
                               {"1", "\xC3\x84pfel", "1.5", "2024-03-01", "x", "<null>"},
                               {"2", "Birnen, \"gut\"", "2.0", "1999-12-31", "5", "<null>"},
                               {"3", "<null>", "0.25", "<null>", "<null>", "<null>"},
                               {"4", "<null>", "<null>", "<null>", "<null>", "last"},
                           }));

  const auto prices = StageSheet(dir, book, "Price List$");
  EXPECT_EQ(prices.names, (Names{"Artikel", "2024"}));
  EXPECT_EQ(prices.rows, (Rows{{"Nuss", "3"}}));
}

TEST(ExcelStaging, RefusesWhatIsNotAnXlsWorkbookOrSheet) {
  dv_test::scratch_dir dir;
  const std::string book = WriteWorkbook(dir);
  WriteFile(dir / "text.xls", "id,name\n1,Nut\n");
  WriteFile(dir / "zip.xls", std::string("PK\x03\x04", 4) + std::string(600, '\0'));
  WriteFile(dir / "empty.xls", "");
  struct Case {
    std::string path;
    std::string sheet;
    std::string messagePart;
  };
  const std::vector<Case> cases = {
      {dir / "text.xls", "Sheet1$", "not an Excel .xls workbook"},
      {dir / "zip.xls", "Sheet1$", "not an Excel .xls workbook"},
      {dir / "empty.xls", "Sheet1$", "not an Excel .xls workbook"},
      {dir / "missing.xls", "Sheet1$", "cannot read the workbook"},
      {book, "Nowhere$", "no worksheet \"Nowhere\""},
      {book, "Empty$", "has no columns"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " " + c.sheet);
    try {
      StageSourceTable(dir / "s.sqlite", SourceFileKind::Excel, c.path, c.sheet, TextFormatOptions{}, {});
      ADD_FAILURE() << "no error";
    } catch (const SourceFileError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(c.path), std::string::npos) << message;
      EXPECT_NE(message.find(c.messagePart), std::string::npos) << message;
    }
  }
  EXPECT_THROW(ListSourceTables(SourceFileKind::Excel, dir / "text.xls"), SourceFileError);
}

}  // namespace
