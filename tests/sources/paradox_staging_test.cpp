// Guards the Paradox reader over the table engine: every field type in its
// staged form (binary fields left out), blanks as NULL, memos, Windows-1252
// text, the table list, staging while the engine is already started by
// someone else, and the errors that name the table file.
#include "source_staging.h"
#include "staged_table.h"

#include "dv_scratch_dir.h"
#include "paradox_engine.h"
#include "px_test_table.h"

#include <gtest/gtest.h>

using namespace sources_test;
using T = dvtest::PxColumn::Type;

namespace {

using Rows = std::vector<std::vector<std::string>>;
using Names = std::vector<std::string>;

const std::vector<dvtest::PxColumn> kAllTypes = {
    {"NAME", T::Alpha, 20},  {"SMALL", T::Short},     {"BIG", T::Long},        {"AUTO", T::AutoInc},
    {"PRICE", T::Number},    {"MONEY", T::Currency},  {"FLAG", T::Logical},    {"DAY", T::Date},
    {"AT", T::Time},         {"WHEN", T::Timestamp},  {"EXACT", T::Bcd, 0, 2}, {"NOTE", T::Memo, 15},
    {"RAW", T::Bytes, 4},
};

void WriteProducts(const dv_test::scratch_dir& dir, const std::string& fileName) {
  const std::string longMemo(300, 'm');
  dvtest::WriteParadoxTable(dir / fileName, kAllTypes,
                            {{"K\xF6ln", "-7", "123456", "9", "3.25", "19.99", "1", "2001-02-03", "13:45:07.250",
                              "2001-02-03 04:05:06", "-12.34", "short memo", "abcd"},
                             {},
                             {"B", "0", "0", "10", "0", "0", "0", "1999-12-31", "00:00:00.000", "2024-03-01 23:59:59",
                              "0", longMemo, std::nullopt}});
}

StagedTable StageParadox(const dv_test::scratch_dir& dir, const std::string& fileOrFolder, const std::string& table) {
  const std::string db = dir / "staged.sqlite";
  StageSourceTable(db, SourceFileKind::Paradox, fileOrFolder, table, TextFormatOptions{}, {});
  return ReadStagedTable(db, table);
}

TEST(ParadoxStaging, StagesEveryTextAndNumberFieldType) {
  dv_test::scratch_dir dir;
  WriteProducts(dir, "PRODUCTS.db");
  const auto staged = StageParadox(dir, dir.path(), "PRODUCTS");
  EXPECT_EQ(staged.names,
            (Names{"NAME", "SMALL", "BIG", "AUTO", "PRICE", "MONEY", "FLAG", "DAY", "AT", "WHEN", "EXACT", "NOTE"}));
  EXPECT_EQ(staged.types, (Names{"VARCHAR(20)", "INTEGER", "INTEGER", "INTEGER", "REAL", "REAL", "BIT", "DATE", "TEXT",
                                 "TEXT", "REAL", "TEXT"}));
  ASSERT_EQ(staged.rows.size(), 3u);
  EXPECT_EQ(staged.rows[0], (Names{"K\xC3\xB6ln", "-7", "123456", "9", "3.25", "19.99", "1", "2001-02-03", "13:45:07",
                                   "2001-02-03 04:05:06", "-12.34", "short memo"}));
  Names blankRow(staged.names.size(), "<null>");
  blankRow[3] = staged.rows[1][3];   // the table numbers its AutoInc field itself
  EXPECT_EQ(staged.rows[1], blankRow);
  EXPECT_EQ(staged.rows[2], (Names{"B", "0", "0", "10", "0.0", "0.0", "0", "1999-12-31", "00:00:00",
                                   "2024-03-01 23:59:59", "0.0", std::string(300, 'm')}));
}

TEST(ParadoxStaging, ListsTablesAndFindsOneByFileOrFolder) {
  dv_test::scratch_dir dir;
  WriteProducts(dir, "PRODUCTS.db");
  WriteProducts(dir, "more.DB");
  EXPECT_EQ(ListSourceTables(SourceFileKind::Paradox, dir.path()), (Names{"PRODUCTS", "more"}));
  EXPECT_EQ(ListSourceTables(SourceFileKind::Paradox, dir / "more.DB"), Names{"more"});
  EXPECT_EQ(StageParadox(dir, dir / "more.DB", "more").rows.size(), 3u);
  EXPECT_EQ(StageParadox(dir, dir.path(), "products").rows.size(), 3u);
}

TEST(ParadoxStaging, LeavesAnEngineStartedElsewhereRunning) {
  dv_test::scratch_dir dir;
  WriteProducts(dir, "P.db");
  ASSERT_EQ(dvparadox::kOk, dvparadox::EngineInit(300));
  EXPECT_EQ(StageParadox(dir, dir.path(), "P").rows.size(), 3u);
  EXPECT_EQ(dvparadox::kOk, dvparadox::EngineExit()) << "the engine was stopped by the staging";
  EXPECT_EQ(StageParadox(dir, dir.path(), "P").rows.size(), 3u);
}

TEST(ParadoxStaging, RefusesMissingAndBrokenTablesNamingTheFile) {
  dv_test::scratch_dir dir;
  WriteFile(dir / "junk.db", std::string(3000, 'x'));
  WriteProducts(dir, "cut.db");
  std::filesystem::resize_file(dir / "cut.db", 100);
  struct Case {
    std::string table;
    std::string path;
  };
  for (const Case& c : {Case{"gone", dir / "gone.db"}, Case{"junk", dir / "junk.db"}, Case{"cut", dir / "cut.db"}}) {
    SCOPED_TRACE(c.table);
    try {
      StageParadox(dir, dir.path(), c.table);
      ADD_FAILURE() << "no error";
    } catch (const SourceFileError& e) {
      EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(dvparadox::kErrNotInitialized, dvparadox::EngineExit()) << "a failed staging left the engine running";
}

}  // namespace
