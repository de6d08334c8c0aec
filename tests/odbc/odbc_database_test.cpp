// Guards the database classes over the driver manager: connecting through
// a data source defined by ODBCINI, column descriptions, rowset fetches
// first/next/prior/last both by the driver and from the rows the layer
// keeps itself, single values, WHERE with LIKE, truncation accepted, a
// result read only as far as the moves ask (readAsNeeded), and the errors
// of a bad file, a missing data source and the Access driver.
#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "odbc_errors.h"
#include "odbc_recordset.h"
#include "odbc_test_support.h"

namespace {

using odbc_test::MessageOf;
using odbc_test::TextRowset;

std::vector<std::string> Keys(int from, int to) {
  std::vector<std::string> keys;
  for (int k = from; k <= to; ++k) keys.push_back(std::to_string(k));
  return keys;
}

class OdbcDatabase : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    database_ = scratch_ / "shop.sqlite";
    std::string sql =
        "CREATE TABLE products (id INTEGER PRIMARY KEY, name VARCHAR(40), price REAL, note TEXT);"
        "CREATE TABLE departments (name TEXT);"
        "BEGIN;";
    for (int k = 1; k <= 250; ++k)
      sql += "INSERT INTO products VALUES (" + std::to_string(k) + ", 'Item " + std::to_string(k) + "', " +
             std::to_string(k) + ".5, " + (k % 10 == 0 ? std::string("NULL") : "'note " + std::to_string(k) + "'") +
             ");";
    sql += "INSERT INTO products VALUES (251, 'Long one', 1.0, '" + std::string(300, 'x') + "');COMMIT;";
    odbc_test::RunSqlite(database_, sql);
    std::string dsn = odbc_test::DefineDataSource(scratch_, "TallyportTest", database_);
    odbc_test::Connect(db_, "DSN=" + dsn + ";");
    if (!GetParam()) db_.KeepRowsInRecordsets();
  }

  dv_test::scratch_dir scratch_;
  std::string database_;
  CDatabase db_;
};

TEST_P(OdbcDatabase, DescribesTheColumnsOfAResult) {
  TextRowset set(&db_, 64);
  set.SetRowsetSize(10);
  set.Open(CRecordset::snapshot, "SELECT id, name, price, note FROM products", CRecordset::useMultiRowFetch);
  ASSERT_EQ(set.GetODBCFieldCount(), 4);
  const struct {
    const char* name;
    std::vector<SWORD> types;  // the driver's choice among these
  } expected[] = {{"id", {SQL_INTEGER, SQL_BIGINT}},
                  {"name", {SQL_VARCHAR, SQL_WVARCHAR}},
                  {"price", {SQL_DOUBLE, SQL_FLOAT, SQL_REAL}},
                  {"note", {SQL_LONGVARCHAR, SQL_VARCHAR, SQL_WLONGVARCHAR}}};
  for (short c = 0; c < 4; ++c) {
    CODBCFieldInfo info;
    set.GetODBCFieldInfo(c, info);
    EXPECT_STREQ(info.m_strName, expected[c].name);
    EXPECT_NE(std::find(expected[c].types.begin(), expected[c].types.end(), info.m_nSQLType), expected[c].types.end())
        << expected[c].name << " has type " << info.m_nSQLType;
  }
  EXPECT_EQ(set.m_nFields, 4u);
  try {
    CODBCFieldInfo info;
    set.GetODBCFieldInfo(4, info);
    FAIL() << "a field past the last was described";
  } catch (CDBException* e) {
    EXPECT_NE(MessageOf(e).find("field index 4"), std::string::npos);
  }
}

TEST_P(OdbcDatabase, MovesOverRowsetsFirstNextPriorLast) {
  TextRowset set(&db_, 64);
  set.SetRowsetSize(100);
  set.Open(CRecordset::snapshot, "SELECT id, name FROM products WHERE id <= 250 ORDER BY id",
           CRecordset::readOnly | CRecordset::useMultiRowFetch);
  EXPECT_EQ(set.Keys(), Keys(1, 100));
  EXPECT_FALSE(set.IsBOF());
  EXPECT_EQ(set.Text(1, 0), "Item 1");
  set.MoveNext();
  EXPECT_EQ(set.Keys(), Keys(101, 200));
  set.MoveNext();
  EXPECT_EQ(set.Keys(), Keys(201, 250));
  EXPECT_EQ(set.GetRowStatus(50), SQL_ROW_SUCCESS);
  EXPECT_EQ(set.GetRowStatus(51), SQL_ROW_NOROW);
  set.MoveNext();
  EXPECT_TRUE(set.IsEOF());
  EXPECT_EQ(set.GetRowsFetched(), 0u);
  set.MoveFirst();
  EXPECT_EQ(set.Keys(), Keys(1, 100));
  set.MovePrev();
  EXPECT_TRUE(set.IsBOF());
  set.MoveLast();
  EXPECT_EQ(set.Keys(), Keys(151, 250));
  set.MovePrev();
  EXPECT_EQ(set.Keys(), Keys(51, 150));
  set.MovePrev();
  EXPECT_EQ(set.Keys(), Keys(1, 100));  // a partial step back lands on the first rowset
  set.Move(120, SQL_FETCH_ABSOLUTE);
  EXPECT_EQ(set.Keys(), Keys(120, 219));
}

TEST_P(OdbcDatabase, AnEmptyResultIsBeforeTheStartAndPastTheEnd) {
  TextRowset set(&db_, 64);
  set.SetRowsetSize(10);
  set.Open(CRecordset::snapshot, "departments", CRecordset::useMultiRowFetch);
  EXPECT_EQ(set.GetSQL(), CString("SELECT * FROM departments"));
  EXPECT_TRUE(set.IsBOF());
  EXPECT_TRUE(set.IsEOF());
  EXPECT_EQ(set.GetRowsFetched(), 0u);
}

TEST_P(OdbcDatabase, SelectsWithLikeAndReadsNulls) {
  TextRowset set(&db_, 64);
  set.SetRowsetSize(50);
  set.Open(CRecordset::snapshot, "SELECT id, note FROM products WHERE name LIKE 'Item 2_' ORDER BY id",
           CRecordset::useMultiRowFetch);
  EXPECT_EQ(set.Keys(), Keys(20, 29));
  EXPECT_EQ(set.Text(1, 0), "<null>");  // id 20 has no note
  EXPECT_EQ(set.Text(1, 1), "note 21");
}

TEST_P(OdbcDatabase, TruncatedTextIsDeliveredCut) {
  TextRowset set(&db_, 16);
  set.SetRowsetSize(5);
  set.Open(CRecordset::snapshot, "SELECT note FROM products WHERE id = 251", CRecordset::useMultiRowFetch);
  ASSERT_EQ(set.GetRowsFetched(), 1u);
  EXPECT_EQ(set.Text(0, 0), std::string(15, 'x'));
  EXPECT_EQ(set.Length(0, 0), 300);
  CDBException e;
  set.BuildErrorString(e);
  EXPECT_EQ(ClassifyRowsetWarning(e.m_strStateNativeOrigin), RowsetWarning::Accepted);
}

TEST_P(OdbcDatabase, ReadsSingleValuesByTheirType) {
  CRecordset set(&db_);
  set.Open(CRecordset::forwardOnly, "SELECT id, name, price, note FROM products WHERE id = 251");
  CDBVariant id, name, price, note;
  set.GetFieldValue(0, id);
  set.GetFieldValue(1, name);
  set.GetFieldValue(2, price);
  set.GetFieldValue(3, note);
  EXPECT_EQ(id.m_dwType, static_cast<DWORD>(DBVT_LONG));
  EXPECT_EQ(id.m_lVal, 251);
  ASSERT_EQ(name.m_dwType, static_cast<DWORD>(DBVT_STRING));
  EXPECT_STREQ(*name.m_pstring, "Long one");
  EXPECT_EQ(price.m_dwType, static_cast<DWORD>(DBVT_DOUBLE));
  ASSERT_EQ(note.m_dwType, static_cast<DWORD>(DBVT_STRING));
  EXPECT_EQ(note.m_pstring->GetLength(), 300);
  set.MoveNext();
  EXPECT_TRUE(set.IsEOF());
}

TEST_P(OdbcDatabase, ABadStatementNamesTheDriversComplaint) {
  TextRowset set(&db_, 16);
  try {
    set.Open(CRecordset::snapshot, "SELECT * FROM no_such_table", CRecordset::useMultiRowFetch);
    FAIL() << "a missing table was opened";
  } catch (CDBException* e) {
    std::string text = MessageOf(e);
    EXPECT_NE(text.find("no_such_table"), std::string::npos) << text;
    EXPECT_NE(text.find("State:"), std::string::npos) << text;
  }
  EXPECT_FALSE(set.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(ByDriverAndKept, OdbcDatabase, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "DriverScrolls" : "RowsKeptHere"; });

TEST(OdbcConnection, TheSqliteDriverScrollsItself) {
  dv_test::scratch_dir scratch;
  odbc_test::RunSqlite(scratch / "a.sqlite", "CREATE TABLE t (x);");
  std::string dsn = odbc_test::DefineDataSource(scratch, "Scrolls", scratch / "a.sqlite");
  CDatabase db;
  odbc_test::Connect(db, "DSN=" + dsn);
  EXPECT_TRUE(db.DriverScrolls());
  db.Close();
  EXPECT_FALSE(db.IsOpen());
}

TEST(OdbcConnection, ARecordsetOpenedToReadAsNeededReadsNoFurtherThanItsMoves) {
  // Row 150 cannot be read (an integer overflow in the view). A driver
  // that steps as rows are fetched (StepAPI, as a staged source's
  // connection asks) gives a recordset opened with readAsNeeded its first
  // rowset, and the failure only when a move reaches the row; its static
  // cursor reads the whole result when the statement executes.
  dv_test::scratch_dir scratch;
  std::string sql = "CREATE TABLE t (x INTEGER); BEGIN;";
  for (int k = 1; k <= 300; ++k) sql += "INSERT INTO t VALUES (" + std::to_string(k) + ");";
  sql += "COMMIT; CREATE VIEW failing AS SELECT x FROM t WHERE abs(CASE WHEN x = 150 THEN -9223372036854775808 "
         "ELSE 0 END) = 0;";
  odbc_test::RunSqlite(scratch / "a.sqlite", sql);
  std::string dsn = odbc_test::DefineDataSource(scratch, "Stepping", scratch / "a.sqlite");
  std::ofstream(scratch / "odbc.ini", std::ios::app) << "StepAPI=1\n";
  CDatabase db;
  odbc_test::Connect(db, "DSN=" + dsn);
  ASSERT_TRUE(db.DriverScrolls());
  const DWORD options = CRecordset::readOnly | CRecordset::useMultiRowFetch;

  TextRowset asNeeded(&db, 16);
  asNeeded.SetRowsetSize(100);
  asNeeded.Open(CRecordset::snapshot, "SELECT x FROM failing", options | CRecordset::readAsNeeded);
  EXPECT_EQ(asNeeded.GetRowsFetched(), 100u);
  asNeeded.MoveFirst();
  EXPECT_EQ(asNeeded.GetRowsFetched(), 100u);
  try {
    asNeeded.MoveNext();
    FAIL() << "the rowset holding row 150 was fetched";
  } catch (CDBException* e) {
    EXPECT_NE(MessageOf(e).find("row 150: "), std::string::npos);
  }

  TextRowset whole(&db, 16);
  whole.SetRowsetSize(100);
  try {
    whole.Open(CRecordset::snapshot, "SELECT x FROM failing", options);
    FAIL() << "the static cursor did not read the whole result when it executed";
  } catch (CDBException* e) {
    EXPECT_NE(MessageOf(e).find("integer overflow"), std::string::npos);
  }
}

TEST(OdbcConnection, AFileThatIsNoDatabaseGivesAClearError) {
  dv_test::scratch_dir scratch;
  {
    std::ofstream junk(scratch / "junk.sqlite");
    junk << "this is not a database file, only some text that is long enough to fill a header page";
  }
  std::string dsn = odbc_test::DefineDataSource(scratch, "Junk", scratch / "junk.sqlite");
  CDatabase db;
  try {
    db.OpenEx(("DSN=" + dsn).c_str());
    CRecordset set(&db);
    set.Open(CRecordset::forwardOnly, "SELECT name FROM sqlite_master");
    FAIL() << "a text file was read as a database";
  } catch (CDBException* e) {
    std::string text = MessageOf(e);
    EXPECT_NE(text.find("not a database"), std::string::npos) << text;
  }
}

TEST(OdbcConnection, AMissingDataSourceIsNamedByTheDriverManager) {
  dv_test::scratch_dir scratch;
  odbc_test::DefineDataSource(scratch, "Other", scratch / "a.sqlite");
  CDatabase db;
  try {
    db.OpenEx("DSN=NoSuchSource;UID=me");
    FAIL() << "a missing data source connected";
  } catch (CDBException* e) {
    std::string text = MessageOf(e);
    EXPECT_NE(text.find("State:IM002"), std::string::npos) << text;
  }
  EXPECT_FALSE(db.IsOpen());
}

// No Access file can be made here: the Access road is checked as far as
// the MDBTools driver's connection.
TEST(OdbcConnection, AnAccessFileGoesToTheMdbToolsDriver) {
  dv_test::scratch_dir scratch;
  const std::string missing = scratch / "missing.mdb";
  CString connect;
  connect.Format("DefaultDir=%s;Driver={Microsoft Access Driver (*.mdb)};DriverId=25;FIL=MS Access;DBQ=%s;",
                 scratch.path().c_str(), missing.c_str());
  CDatabase db;
  try {
    db.OpenEx(connect);
    FAIL() << "a missing Access file connected";
  } catch (CDBException* e) {
    std::string text = MessageOf(e);
    EXPECT_NE(text.find("missing.mdb"), std::string::npos) << text;
  }
  const std::string junk = scratch / "junk.mdb";
  std::ofstream(junk) << std::string(4096, 'j');
  connect.Format("Driver={Microsoft Access Driver (*.mdb)};DBQ=%s;", junk.c_str());
  try {
    db.OpenEx(connect);
    FAIL() << "a junk Access file connected";
  } catch (CDBException* e) {
    std::string text = MessageOf(e);
    EXPECT_NE(text.find("libmdbodbc"), std::string::npos) << text;  // the driver was reached
    EXPECT_NE(text.find("junk.mdb"), std::string::npos) << text;
  }
}

TEST(OdbcWarnings, TruncationIsAcceptedARowInErrorIsNot) {
  const struct {
    const char* states;
    RowsetWarning verdict;
  } cases[] = {
      {"State:01004,Native:0,Origin:[SQLite]\n", RowsetWarning::Accepted},
      {"State:01S01,Native:0,Origin:\n", RowsetWarning::RowInError},
      {"State:01004,Native:0,Origin:\nState:01S01,Native:0,Origin:\n", RowsetWarning::Accepted},
      {"State:01S07,Native:0,Origin:\n", RowsetWarning::Accepted},
      {"", RowsetWarning::Accepted},
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyRowsetWarning(c.states), c.verdict) << c.states;
}

}  // namespace
