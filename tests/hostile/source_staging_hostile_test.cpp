// Guards the staging of outside source files against damaged and hostile
// input: mutated text files and schema.ini, dBase tables with their memo
// files, .xls workbooks and Paradox tables are each staged in a child
// process, and every case must end accepted or refused with a message,
// never with a signal, a hang or runaway memory. Workbooks are read as the
// program reads them, in a reading child of their own (the workbook
// library parses a file before our code can check it); the other readers
// are our own code and are met bare.
#include "hostile_expect.h"
#include "hostile_harness.h"

#include "dbase_writer.h"
#include "dv_scratch_dir.h"
#include "px_test_table.h"
#include "reading_child.h"
#include "source_staging.h"
#include "staged_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace sources_test;
using T = dvtest::PxColumn::Type;

namespace {

// Stages table of the source and reads the staged rows back, so a bad
// value in the SQLite file shows as well.
void StageAndRead(const dv_test::scratch_dir& dir, SourceFileKind kind, const std::string& source,
                  const std::string& table) {
  const std::string db = dir / "staged.sqlite";
  std::remove(db.c_str());
  for (const std::string& listed : ListSourceTables(kind, source))
    if (listed.empty()) throw std::runtime_error("an empty table name listed");
  StageSourceTable(db, kind, source, table, TextFormatOptions{}, {});
  ReadStagedTable(db, table);
}

// The same in a reading child, as the program stages every file: a crash of
// the workbook library (which reads a workbook before our code can check
// it) refuses the file with a message instead of ending the program.
void StageAndReadAsTheProgramDoes(const dv_test::scratch_dir& dir, SourceFileKind kind, const std::string& source,
                                  const std::string& table) {
  ReadInChild(
      source,
      [&](const StagingProgress&) {
        StageAndRead(dir, kind, source, table);
        return std::string();
      },
      StagingProgress{}, 20);
}

constexpr int kShortCases = 30;

const char kProductsCsv[] =
    "Code,Name,Price,Department\n"
    "A1,\"Nut, roasted\",1.50,Food/Snacks/Nuts\n"
    "B2,K\xF6ln Wasser,12,Care\n"
    "C3,\"Say \"\"hi\"\"\",0.25,Toys/Small\n";

TEST(SourceStagingHostile, TextFiles) {
  dv_test::scratch_dir dir;
  const auto tally = hostile::RunReader(
      "text file", kProductsCsv, hostile::CaseCount(kShortCases),
      [&](const std::string& bytes) { WriteFile(dir / "products.csv", bytes); },
      [&] { StageAndRead(dir, SourceFileKind::Text, dir.path(), "products.csv"); });
  hostile::ExpectNoBadCase(tally);
}

TEST(SourceStagingHostile, SchemaIni) {
  dv_test::scratch_dir dir;
  WriteFile(dir / "products.txt", "Code;Name;Price\nA1;Nut;1.5\nB2;\"K\xF6ln\";2\n");
  const std::string schema =
      "[products.txt]\nFormat=Delimited(;)\nColNameHeader=True\nCharacterSet=ANSI\n"
      "[other.csv]\nFormat=TabDelimited\nCharacterSet=OEM\n";
  const auto tally = hostile::RunReader(
      "schema.ini", schema, hostile::CaseCount(kShortCases),
      [&](const std::string& bytes) { WriteFile(dir / "schema.ini", bytes); },
      [&] { StageAndRead(dir, SourceFileKind::Text, dir.path(), "products.txt"); });
  hostile::ExpectNoBadCase(tally);
}

TEST(SourceStagingHostile, DBaseTables) {
  dv_test::scratch_dir dir;
  std::vector<uint32_t> blocks;
  WriteFile(dir / "PRODUCTS.DBT", DbtBytes({"first memo", std::string(700, 'm')}, 0, blocks));
  DbfTable table;
  table.version = 0x83;
  table.fields = {{"CODE", 'C', 8}, {"QTY", 'N', 5}, {"PRICE", 'N', 8, 2}, {"ADDED", 'D', 8},
                  {"OK", 'L', 1},   {"NOTE", 'M', 10}};
  table.records = {{{"A1", "3", "1.50", "20240301", "T", std::to_string(blocks[0])}},
                   {{"B2", "", "", "", "F", ""}, true},
                   {{"C\xF6", "-7", "12.00", "19991231", "?", std::to_string(blocks[1])}}};
  const auto tally = hostile::RunReader(
      "dBase table", DbfBytes(table), hostile::CaseCount(kShortCases),
      [&](const std::string& bytes) { WriteFile(dir / "PRODUCTS.DBF", bytes); },
      [&] { StageAndRead(dir, SourceFileKind::DBase, dir / "PRODUCTS.DBF", "PRODUCTS"); });
  hostile::ExpectNoBadCase(tally);
}

TEST(SourceStagingHostile, DBaseMemoFiles) {
  dv_test::scratch_dir dir;
  std::vector<uint32_t> blocks;
  const std::string memos = DbtBytes({"first memo", std::string(700, 'm'), "x"}, 64, blocks);
  DbfTable table;
  table.version = 0x8B;
  table.fields = {{"ID", 'N', 3}, {"NOTE", 'M', 10}};
  for (size_t i = 0; i < blocks.size(); ++i) table.records.push_back({{std::to_string(i), std::to_string(blocks[i])}});
  WriteFile(dir / "NOTES.DBF", DbfBytes(table));
  const auto tally = hostile::RunReader(
      "dBase memo file", memos, hostile::CaseCount(kShortCases),
      [&](const std::string& bytes) { WriteFile(dir / "NOTES.DBT", bytes); },
      [&] { StageAndRead(dir, SourceFileKind::DBase, dir / "NOTES.DBF", "NOTES"); });
  hostile::ExpectNoBadCase(tally);
}

TEST(SourceStagingHostile, ExcelWorkbooks) {
  dv_test::scratch_dir dir;
  const std::string made = dir / "made.xls";
  const std::string command = "/usr/bin/python3 " DV_SOURCES_TEST_SUPPORT_DIR "/write_workbook.py " + made;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const auto tally = hostile::RunReader(
      "xls workbook", hostile::ReadBytes(made), hostile::CaseCount(kShortCases),
      [&](const std::string& bytes) { WriteFile(dir / "book.xls", bytes); },
      [&] { StageAndReadAsTheProgramDoes(dir, SourceFileKind::Excel, dir / "book.xls", "Products$"); });
  hostile::ExpectNoBadCase(tally);
}

TEST(SourceStagingHostile, ParadoxTables) {
  dv_test::scratch_dir dir;
  const std::string made = dir / "made.db";
  dvtest::WriteParadoxTable(made,
                            {{"NAME", T::Alpha, 20}, {"QTY", T::Short}, {"PRICE", T::Number}, {"DAY", T::Date},
                             {"NOTE", T::Memo, 15}},
                            {{"K\xF6ln", "3", "1.5", "2001-02-03", "short"},
                             {},
                             {"B", "-7", "0", "1999-12-31", std::string(300, 'm')}});
  WriteFile(dir / "PRODUCTS.mb", hostile::ReadBytes(dir / "made.mb"));
  const auto tally = hostile::RunReader(
      "Paradox table", hostile::ReadBytes(made), hostile::CaseCount(kShortCases),
      [&](const std::string& bytes) { WriteFile(dir / "PRODUCTS.db", bytes); },
      [&] { StageAndRead(dir, SourceFileKind::Paradox, dir / "PRODUCTS.db", "PRODUCTS"); });
  hostile::ExpectNoBadCase(tally);
}

}  // namespace
