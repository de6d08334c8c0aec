// Guards the file sources read through ODBC by staging: delimited text in
// its forms (comma with quoted delimiters and line breaks, semicolon by
// schema.ini, tab, a byte-order mark, Windows-1252 umlauts), dBase tables
// and Excel workbooks made by the test, each through the table list,
// column descriptions, rowsets first/next/prior/last, a WHERE with LIKE
// and truncation; staging on first use (a file named with quotes and
// separators too), the cache of staged files readable by their owner
// only, and a clear error for a bad file.
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "odbc_test_support.h"
#include "source_files.h"
#include "staged_source_cache.h"
#include "table_list_set.h"

namespace {

using odbc_test::MessageOf;
using odbc_test::TextRowset;

// The tables the connection lists.
std::vector<std::string> TablesOf(CDatabase& db, LPCTSTR types = "'TABLE','SYSTEM TABLE'") {
  CTableListSet list(&db);
  list.Open(CRecordset::snapshot, types);
  std::vector<std::string> names;
  for (; !list.IsEOF(); list.MoveNext()) names.emplace_back(list.m_strTableName);
  return names;
}

// Every row of sql, each value as text ("<null>" for a null).
std::vector<std::vector<std::string>> RowsOf(CDatabase& db, const std::string& sql, int width = 256) {
  TextRowset set(&db, width);
  set.SetRowsetSize(7);
  set.Open(CRecordset::snapshot, sql.c_str(), CRecordset::readOnly | CRecordset::useMultiRowFetch);
  std::vector<std::vector<std::string>> rows;
  for (; !set.IsEOF(); set.MoveNext())
    for (DWORD r = 0; r < set.GetRowsFetched(); ++r) {
      std::vector<std::string> row;
      for (short c = 0; c < set.GetODBCFieldCount(); ++c) row.push_back(set.Text(c, static_cast<int>(r)));
      rows.push_back(row);
    }
  return rows;
}

std::vector<std::string> ColumnNames(CDatabase& db, const std::string& sql) {
  TextRowset set(&db, 64);
  set.Open(CRecordset::snapshot, sql.c_str(), CRecordset::useMultiRowFetch);
  std::vector<std::string> names;
  for (short c = 0; c < set.GetODBCFieldCount(); ++c) {
    CODBCFieldInfo info;
    set.GetODBCFieldInfo(c, info);
    names.emplace_back(info.m_strName);
  }
  return names;
}

// What the staged SQLite file holds now, read past the staging.
std::vector<std::string> StagedTables(CDatabase& db) {
  std::vector<std::string> names;
  for (const auto& row : RowsOf(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"))
    names.push_back(row[0]);
  return names;
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (CDBException* e) {
    return MessageOf(e);
  }
  return "no error";
}

class TextSource : public ::testing::Test {
 protected:
  void SetUp() override {
    odbc_test::WriteBytes(scratch_ / "products.csv",
                          "Name,Price,Description\r\n"
                          "Chair,12.5,\"Oak, with \"\"arms\"\"\"\r\n"
                          "Table,99,\"Two\nlines\"\r\n"
                          "Lamp,7.25,\r\n");
    odbc_test::WriteBytes(scratch_ / "semi.csv", "Name;Price\nSofa;1,5\nBed;200\n");
    odbc_test::WriteBytes(scratch_ / "tabbed.txt", "Name\tQty\nNail\t100\nScrew\t250\n");
    odbc_test::WriteBytes(scratch_ / "bom.csv", "\xEF\xBB\xBFName,Qty\nBolt,3\n");
    odbc_test::WriteBytes(scratch_ / "ansi.csv", "Name,City\nM\xFCller,K\xF6ln\nStra\xDF" "e,\xC4gypten\n");
    odbc_test::WriteBytes(scratch_ / "schema.ini",
                          "[semi.csv]\nFormat=Delimited(;)\n[tabbed.txt]\nFormat=TabDelimited\n");
    odbc_test::Connect(db_, odbc_test::TextConnection(scratch_.path()));
  }

  dv_test::scratch_dir scratch_;
  CDatabase db_;
};

TEST_F(TextSource, ListsTheFolderAndStagesATableOnFirstUse) {
  EXPECT_TRUE(db_.IsStagedSource());
  EXPECT_EQ(TablesOf(db_), (std::vector<std::string>{"ansi.csv", "bom.csv", "products.csv", "semi.csv", "tabbed.txt"}));
  EXPECT_EQ(TablesOf(db_, "'SYSTEM TABLE'"), std::vector<std::string>{});
  EXPECT_EQ(StagedTables(db_), std::vector<std::string>{});
  EXPECT_EQ(ColumnNames(db_, "SELECT * FROM [products.csv]"),
            (std::vector<std::string>{"Name", "Price", "Description"}));
  EXPECT_EQ(StagedTables(db_), std::vector<std::string>{"products.csv"});
}

TEST_F(TextSource, ReadsEachFormOfDelimitedText) {
  const struct {
    const char* sql;
    std::vector<std::vector<std::string>> rows;
  } cases[] = {
      {"SELECT Name, Price, Description FROM [products.csv]",
       {{"Chair", "12.5", "Oak, with \"arms\""}, {"Table", "99", "Two\nlines"}, {"Lamp", "7.25", "<null>"}}},
      {"SELECT * FROM [semi.csv]", {{"Sofa", "1,5"}, {"Bed", "200"}}},
      {"SELECT * FROM [tabbed.txt]", {{"Nail", "100"}, {"Screw", "250"}}},
      {"SELECT Name, Qty FROM [bom.csv]", {{"Bolt", "3"}}},
      {"SELECT * FROM [ansi.csv]", {{"M\xC3\xBCller", "K\xC3\xB6ln"}, {"Stra\xC3\x9F" "e", "\xC3\x84gypten"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(RowsOf(db_, c.sql), c.rows) << c.sql;
}

TEST_F(TextSource, SelectsWithLikeAndTruncatesLongValues) {
  EXPECT_EQ(RowsOf(db_, "SELECT Name FROM [products.csv] WHERE Description LIKE '%arms%'"),
            (std::vector<std::vector<std::string>>{{"Chair"}}));
  EXPECT_EQ(RowsOf(db_, "SELECT Name FROM [products.csv] WHERE Name LIKE 'ta%'"),
            (std::vector<std::vector<std::string>>{{"Table"}}));
  EXPECT_EQ(RowsOf(db_, "SELECT Description FROM [products.csv] WHERE Name = 'Chair'", 5),
            (std::vector<std::vector<std::string>>{{"Oak,"}}));
}

TEST_F(TextSource, MovesOverRowsetsOfALargeFile) {
  std::string text = "Id,Name\n";
  for (int k = 1; k <= 1000; ++k) text += std::to_string(k) + ",Item " + std::to_string(k) + "\n";
  odbc_test::WriteBytes(scratch_ / "large.csv", text);
  long progressRows = 0;
  SetStagingProgressHandler([&](const std::string& table, long rows) {
    EXPECT_EQ(table, "large.csv");
    progressRows = rows;
  });
  TextRowset set(&db_, 32);
  set.SetRowsetSize(300);
  set.Open(CRecordset::snapshot, "SELECT Id FROM [large.csv] ORDER BY Id", CRecordset::useMultiRowFetch);
  SetStagingProgressHandler(nullptr);
  EXPECT_EQ(progressRows, 1000);
  EXPECT_EQ(set.Text(0, 0), "1");
  set.MoveNext();
  EXPECT_EQ(set.Text(0, 0), "301");
  set.MoveLast();
  EXPECT_EQ(set.Text(0, 0), "701");
  set.MovePrev();
  EXPECT_EQ(set.Text(0, 0), "401");
  set.MoveFirst();
  EXPECT_EQ(set.Text(0, 299), "300");
}

TEST_F(TextSource, ReusesTheStagedFileAndStagesAChangedFileAgain) {
  SourceConnectionSpec spec = RecogniseConnection(odbc_test::TextConnection(scratch_.path()).c_str());
  auto first = OpenStagedSource(spec);
  EXPECT_EQ(OpenStagedSource(spec), first);
  CDatabase second;
  odbc_test::Connect(second, odbc_test::TextConnection(scratch_.path()));
  EXPECT_EQ(RowsOf(second, "SELECT Name FROM [semi.csv]").size(), 2u);
  EXPECT_EQ(StagedTables(db_), std::vector<std::string>{"semi.csv"});  // staged through the other connection
  odbc_test::WriteBytes(scratch_ / "semi.csv", "Name;Price\nStool;3\nDesk;40\nShelf;8\n");
  EXPECT_EQ(RowsOf(db_, "SELECT Name FROM [semi.csv]"),
            (std::vector<std::vector<std::string>>{{"Stool"}, {"Desk"}, {"Shelf"}}));
  // Another delimiter is another staged file.
  EXPECT_NE(OpenStagedSource(RecogniseConnection(odbc_test::TextConnection(scratch_.path(), "TabDelimited").c_str())),
            first);
}

TEST_F(TextSource, TheStagedFileIsReadableByItsOwnerOnly) {
  EXPECT_EQ(RowsOf(db_, "SELECT Name FROM \"products.csv\"").size(), 3u);
  auto staged = OpenStagedSource(RecogniseConnection(odbc_test::TextConnection(scratch_.path()).c_str()));
  struct stat st {};
  ASSERT_EQ(::stat(staged->SqlitePath().c_str(), &st), 0) << staged->SqlitePath();
  EXPECT_EQ(st.st_mode & 0777, 0600u) << staged->SqlitePath();
}

TEST_F(TextSource, FilesNamedWithQuotesAndSeparatorsAreStagedAndRead) {
  odbc_test::WriteBytes(scratch_ / "br]ack\"et;--.csv", "Na]me,\"Pri\"\"ce\"\nRake,2\n");
  EXPECT_EQ(RowsOf(db_, "SELECT \"Na]me\", \"Pri\"\"ce\" FROM \"br]ack\"\"et;--.csv\""),
            (std::vector<std::vector<std::string>>{{"Rake", "2"}}));
}

TEST_F(TextSource, ABadFileGivesAnErrorNamingItsFileAndLine) {
  odbc_test::WriteBytes(scratch_ / "nul.csv", std::string("Name\nok\nbad\0byte\n", 18));
  odbc_test::WriteBytes(scratch_ / "open.csv", "Name,Note\nA,\"never closed\nB,x\n");
  std::string text = ErrorOf([&] { RowsOf(db_, "SELECT * FROM [nul.csv]"); });
  EXPECT_NE(text.find("nul.csv"), std::string::npos) << text;
  EXPECT_NE(text.find("3"), std::string::npos) << text;
  text = ErrorOf([&] { RowsOf(db_, "SELECT * FROM [open.csv]"); });
  EXPECT_NE(text.find("open.csv"), std::string::npos) << text;
  // The connection goes on serving the good files.
  EXPECT_EQ(RowsOf(db_, "SELECT Name FROM [bom.csv]").size(), 1u);
  CDatabase missing;
  text = ErrorOf([&] { missing.OpenEx(odbc_test::TextConnection(scratch_ / "no-such-folder").c_str()); });
  EXPECT_NE(text.find("no-such-folder"), std::string::npos) << text;
  EXPECT_FALSE(missing.IsOpen());
}

TEST(StagedDBase, ReadsATableOfItsFolderThroughOdbc) {
  dv_test::scratch_dir scratch;
  std::vector<std::vector<std::string>> rows;
  for (int k = 1; k <= 30; ++k)
    rows.push_back({"Part " + std::to_string(k), std::to_string(k * 3), k % 2 ? "odd" : "even"});
  odbc_test::WriteDBase(scratch / "parts.dbf", {{"NAME", 'C', 20, 0}, {"QTY", 'N', 6, 0}, {"KIND", 'C', 4, 0}},
                        rows);
  odbc_test::WriteDBase(scratch / "other.dbf", {{"X", 'C', 3, 0}}, {{"a"}});
  CDatabase db;
  odbc_test::Connect(db, odbc_test::DBaseConnection(scratch.path()));
  EXPECT_EQ(TablesOf(db, "'TABLE'"), (std::vector<std::string>{"other", "parts"}));
  EXPECT_EQ(ColumnNames(db, "SELECT * FROM parts"), (std::vector<std::string>{"NAME", "QTY", "KIND"}));
  TextRowset set(&db, 130);
  set.SetRowsetSize(8);
  set.Open(CRecordset::snapshot, "SELECT NAME, QTY FROM parts WHERE KIND LIKE 'ev%'", CRecordset::useMultiRowFetch);
  EXPECT_EQ(set.Text(0, 0), "Part 2");
  EXPECT_EQ(set.Text(1, 0), "6");
  set.MoveLast();
  EXPECT_EQ(set.Text(0, 0), "Part 16");
  EXPECT_EQ(set.GetRowsFetched(), 8u);
  set.MovePrev();
  EXPECT_EQ(set.Text(0, 0), "Part 2");
  set.Close();
  EXPECT_EQ(RowsOf(db, "SELECT NAME FROM parts WHERE QTY = 90", 4), (std::vector<std::vector<std::string>>{{"Par"}}));

  // A table cut short in its records names the file.
  std::string bytes;
  {
    std::ifstream in(scratch / "parts.dbf", std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  odbc_test::WriteBytes(scratch / "cut.dbf", bytes.substr(0, bytes.size() / 2));
  std::string text = ErrorOf([&] { RowsOf(db, "SELECT * FROM cut"); });
  EXPECT_NE(text.find("cut.dbf"), std::string::npos) << text;
}

TEST(StagedExcel, ReadsTheSheetsOfAWorkbookThroughOdbc) {
  dv_test::scratch_dir scratch;
  std::vector<std::vector<std::string>> rows = {{"Name", "Price", "Note"}};
  for (int k = 1; k <= 12; ++k) rows.push_back({"Widget " + std::to_string(k), std::to_string(k * 2), "n" + std::to_string(k)});
  const std::string book = scratch / "prices.xls";
  ASSERT_TRUE(odbc_test::WriteWorkbook(book, {{"Sheet1", rows}, {"Extra", {{"A"}, {"x"}}}}))
      << "python3 with xlwt writes the workbook";
  CDatabase db;
  odbc_test::Connect(db, odbc_test::ExcelConnection(book));
  EXPECT_EQ(TablesOf(db), (std::vector<std::string>{"Extra$", "Sheet1$"}));
  EXPECT_EQ(TablesOf(db, "'TABLE'"), std::vector<std::string>{});
  EXPECT_EQ(ColumnNames(db, "SELECT * FROM [Sheet1$]"), (std::vector<std::string>{"Name", "Price", "Note"}));
  TextRowset set(&db, 128);
  set.SetRowsetSize(3);
  set.Open(CRecordset::snapshot, "SELECT Name, Price FROM [Sheet1$] WHERE Name LIKE 'widget 1%'",
           CRecordset::useMultiRowFetch);
  EXPECT_EQ(set.Keys(), (std::vector<std::string>{"Widget 1", "Widget 10", "Widget 11"}));
  EXPECT_EQ(set.Text(1, 0), "2");
  set.MoveNext();
  EXPECT_EQ(set.Keys(), std::vector<std::string>{"Widget 12"});
  set.MovePrev();
  EXPECT_EQ(set.Keys(), (std::vector<std::string>{"Widget 1", "Widget 10", "Widget 11"}));
  set.MoveLast();
  EXPECT_EQ(set.Keys(), (std::vector<std::string>{"Widget 10", "Widget 11", "Widget 12"}));
  set.Close();

  odbc_test::WriteBytes(scratch / "fake.xls", "Name,Price\nthis is text, not a workbook\n");
  CDatabase fake;
  std::string text = ErrorOf([&] { fake.OpenEx(odbc_test::ExcelConnection(scratch / "fake.xls").c_str()); });
  EXPECT_NE(text.find("fake.xls"), std::string::npos) << text;
}

}  // namespace
