// Guards the data preview list and its rowset navigator over a real ODBC
// data source: row numbers and status texts while moving first, next,
// previous and last, the end of the result and an empty table, null
// values, stored cells, the item-number column without zero decimals,
// mapped columns only with their own captions and widths, and columns bound and stepped with the same width.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ctl_prompts.h"
#include "odbc_test_support.h"
#include "preview_list.h"
#include "rowset_navigator.h"

namespace {

enum : UINT { kFirst = 101, kPrevious, kNext, kLast, kStatus };

class TestSheet : public PreviewSheet {
 public:
  CDatabase& PreviewDatabase() override { return db; }
  CString PreviewQuery() override { return query; }
  int PreviewRowsetSize() override { return rowsetSize; }
  std::vector<PreviewSourceColumn> PreviewSourceColumns() override { return sources; }
  std::vector<PreviewMappingItem> PreviewMappingItems() override { return items; }

  CDatabase db;
  CString query;
  int rowsetSize = 100;
  std::vector<PreviewSourceColumn> sources;
  std::vector<PreviewMappingItem> items;
};

class Preview : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string sql = "CREATE TABLE products (id INTEGER, name TEXT, price TEXT, note TEXT);"
                      "CREATE TABLE empty (x TEXT); BEGIN;";
    for (int k = 1; k <= 250; ++k)
      sql += "INSERT INTO products VALUES (" + std::to_string(k) + ", 'Item " + std::to_string(k) + "', '" +
             std::to_string(k) + ".50', " + (k == 2 ? std::string("NULL") : "'" + std::string(k % 7 + 1, 'n') + "'") +
             ");";
    sql += "COMMIT;";
    odbc_test::RunSqlite(scratch_ / "p.sqlite", sql);
    std::string dsn = odbc_test::DefineDataSource(scratch_, "Preview", scratch_ / "p.sqlite");
    odbc_test::Connect(sheet_.db, "DSN=" + dsn);
    sheet_.query = "SELECT id, name, price, note FROM products ORDER BY id";
    list_.AttachSheet(&sheet_);
    for (UINT id = kFirst; id <= kStatus; ++id) {
      auto control = std::make_unique<CButton>();
      control->SetDlgCtrlID(id);
      dialog_.AddChild(std::move(control));
    }
    navigator_.Attach(&dialog_, &list_);
    navigator_.SetControls(kFirst, kPrevious, kNext, kLast, kStatus);
    previous_ = FwSetPrompts(&prompts_);
  }
  void TearDown() override {
    FwSetPrompts(previous_);
    EXPECT_EQ(prompts_.PendingAnswers(), 0u);
  }

  std::string Status() const { return std::string(dialog_.GetDlgItemText(kStatus)); }
  BOOL Enabled(UINT id) const { return dialog_.GetDlgItem(id)->IsWindowEnabled(); }
  std::string Cell(int row, int column) const { return std::string(list_.GetItemTextAt(row, column)); }

  dv_test::scratch_dir scratch_;
  TestSheet sheet_;
  CDBaseListVw list_;
  CWnd dialog_;
  CRowsetNavigator navigator_;
  FwScriptedPrompts prompts_;
  FwPrompts* previous_ = nullptr;
};

TEST_F(Preview, NumbersTheRowsShownWhileMoving) {
  list_.SetupColumns(TRUE);
  ASSERT_EQ(list_.GetColumnCount(), 4);
  EXPECT_EQ(list_.GetHeaderTexts(), (std::vector<CString>{"id", "name", "price", "note"}));
  navigator_.First();
  EXPECT_EQ(Status(), " 1 - 100 of 250 records");
  EXPECT_EQ(list_.GetItemCount(), 100);
  EXPECT_FALSE(Enabled(kPrevious));
  EXPECT_TRUE(Enabled(kNext));
  EXPECT_EQ(navigator_.Next(), CRowsetNavigator::kRowsetFetched);
  EXPECT_EQ(Status(), " 101 - 200 of 250 records");
  EXPECT_EQ(Cell(0, 1), "Item 101");
  EXPECT_EQ(navigator_.Next(), CRowsetNavigator::kRowsetFetched);
  EXPECT_EQ(Status(), " 201 - 250 of 250 records");
  EXPECT_EQ(list_.GetItemCount(), 50);
  prompts_.ExpectMessageBox(IDOK, CRowsetNavigator::kEndOfResultString);
  EXPECT_EQ(navigator_.Next(TRUE), CRowsetNavigator::kEndOfResultSet);
  EXPECT_EQ(Status(), " 151 - 250 of 250 records");
  EXPECT_FALSE(Enabled(kNext));
  EXPECT_TRUE(Enabled(kPrevious));
  navigator_.Previous();
  EXPECT_EQ(Status(), " 51 - 150 of 250 records");
  EXPECT_EQ(Cell(0, 0), "51");
  navigator_.First();
  navigator_.Previous();  // from the first rowset: stays on rows 1 to 100
  EXPECT_EQ(Status(), " 1 - 100 of 250 records");
  EXPECT_EQ(Cell(0, 0), "1");
  EXPECT_FALSE(Enabled(kPrevious));
}

TEST_F(Preview, NextAtTheEndWithoutShowingItStaysQuiet) {
  sheet_.rowsetSize = 200;
  list_.SetupColumns(TRUE);
  navigator_.First();
  EXPECT_EQ(navigator_.Next(), CRowsetNavigator::kRowsetFetched);
  EXPECT_EQ(navigator_.Next(), CRowsetNavigator::kEndOfResultSet);
  EXPECT_FALSE(Enabled(kNext));
  EXPECT_EQ(Status(), " 201 - 250 of 250 records");
}

TEST_F(Preview, AnEmptyTableDisablesTheButtonsAndSaysSo) {
  sheet_.query = "SELECT x FROM empty";
  list_.SetupColumns(TRUE);
  prompts_.ExpectMessageBox(IDOK, CRowsetNavigator::kNoDataString);
  navigator_.First();
  for (UINT id = kFirst; id <= kLast; ++id) EXPECT_FALSE(Enabled(id)) << id;
  EXPECT_EQ(list_.GetItemCount(), 0);
}

TEST_F(Preview, CountsTheRecordsOnceUntilForced) {
  list_.SetupColumns(TRUE);
  EXPECT_EQ(list_.GetRecordCount(), 250);
  odbc_test::RunSqlite(scratch_ / "p.sqlite", "INSERT INTO products VALUES (251, 'late', '1', 'x');");
  EXPECT_EQ(list_.GetRecordCount(), 250);
  EXPECT_EQ(list_.GetRecordCount(TRUE), 251);
}

TEST_F(Preview, ShowsNullsAndStoresCellsWithTheirMappedItems) {
  sheet_.items = {{"Product Name", 0, "name", 1, 40}, {"Item Number", 1, "id", 0, 10}};
  list_.SetupColumns(TRUE);
  navigator_.First();
  EXPECT_EQ(Cell(1, 3), CDBaseListVw::kNull);
  list_.FillData(TRUE);
  ASSERT_EQ(list_.GetStoredRows().size(), 100u);
  const std::vector<PreviewCell>& row = *list_.GetStoredRows()[4];
  ASSERT_EQ(row.size(), 4u);
  EXPECT_EQ(row[0].value, "5");
  EXPECT_EQ(row[0].code, 1u);
  EXPECT_EQ(row[0].name, "id");
  EXPECT_EQ(row[1].code, 0u);
  EXPECT_EQ(row[1].columnSize, 40);
  EXPECT_EQ(row[2].code, 0xFFFFFFFFu);  // no item maps "price"
  EXPECT_EQ(row[2].columnIndex, -1);
  EXPECT_EQ(list_.GetStoredFieldCount(), 4);
  EXPECT_EQ(list_.GetStoredFieldCaptions(), (std::vector<CString>{"Item Number", "Product Name", "", ""}));
}

TEST_F(Preview, MappedColumnsShareTheWidthAndItemNumbersLoseZeroDecimals) {
  for (int i = 0; i < 10; ++i)
    sheet_.items.push_back({"Column " + CString(char('0' + i)), static_cast<DWORD>(i == 1 ? 1 : 100 + i),
                            "f" + CString(char('0' + i)), -1, 0});
  list_.SetListWidth(600);
  list_.SetupColumns(FALSE);
  ASSERT_EQ(list_.GetColumnCount(), 10);
  EXPECT_EQ(list_.GetColumnWidth(0), 75);
  // Only the mapped items are selected, and only they get a column, each
  // under its own caption.
  for (auto& item : sheet_.items) item.sourceField.Empty();
  sheet_.items[1].sourceField = "price";
  sheet_.items[3].sourceField = "name";
  list_.SetupColumns(FALSE);
  EXPECT_EQ(list_.GetHeaderTexts(), (std::vector<CString>{"Column 1", "Column 3"}));
  list_.PrepareMappedItems();
  sheet_.query = "SELECT [id] || '.0' AS price, [name] FROM products ORDER BY id";
  list_.Requery(TRUE);
  EXPECT_EQ(Cell(0, 0), "1") << "a point followed by zeros is cut, as the import reads it";
  EXPECT_EQ(Cell(49, 0), "50");
  EXPECT_EQ(Cell(0, 1), "Item 1");
  list_.FillData(TRUE);
  EXPECT_EQ((*list_.GetStoredRows()[0])[0].code, 1u);
  EXPECT_EQ((*list_.GetStoredRows()[0])[0].value, "1.0");
  sheet_.query = "SELECT [price], [name] FROM products ORDER BY id";
  list_.Requery(TRUE);
  EXPECT_EQ(Cell(0, 0), "1.50") << "other decimals are part of the item number";
}

TEST_F(Preview, ColumnsAreSteppedByTheWidthTheyWereBoundWith) {
  // Measured sizes below the 128-character floor: binding raises them, and
  // reading every row's text must step by the raised width.
  sheet_.sources = {{0, "id", 3, SQL_INTEGER}, {1, "name", 8, SQL_VARCHAR}, {2, "price", 6, SQL_VARCHAR},
                    {3, "note", 300, SQL_VARCHAR}};
  list_.SetupColumns(TRUE);
  navigator_.First();
  ASSERT_EQ(list_.GetRecordset()->GetColumnWidth(0), 128);
  ASSERT_EQ(list_.GetRecordset()->GetColumnWidth(3), 300);
  for (int r = 0; r < 100; ++r) {
    ASSERT_EQ(Cell(r, 0), std::to_string(r + 1));
    ASSERT_EQ(Cell(r, 1), "Item " + std::to_string(r + 1));
    if (r != 1) {
      ASSERT_EQ(Cell(r, 3), std::string((r + 1) % 7 + 1, 'n'));
    }
  }
}

TEST_F(Preview, UnmeasuredColumnsAreBoundAtTheDefaultWidth) {
  list_.SetupColumns(TRUE);
  EXPECT_EQ(list_.GetRecordset()->GetColumnWidth(2), CDynamicBulkSet::kDefaultColumnWidth);
  EXPECT_TRUE(list_.IsOpen());
  list_.CloseRowset();
  EXPECT_FALSE(list_.IsOpen());
}

}  // namespace

namespace {

// Row operations of a bulk rowset go to the driver: a read-only rowset's
// delete is refused with the driver's reason, and the row stays.
TEST_F(Preview, ARowOfAReadOnlyRowsetIsNotDeleted) {
  CDynamicBulkSet set(&sheet_.db);
  set.SetRowsetSize(10);
  set.Open(CRecordset::snapshot, "SELECT id FROM products ORDER BY id", CRecordset::readOnly | CRecordset::useMultiRowFetch);
  try {
    set.DeleteRow(1);
    FAIL() << "a read-only rowset deleted a row";
  } catch (CDBException* e) {
    EXPECT_NE(odbc_test::MessageOf(e).find("State:"), std::string::npos);
  }
  set.Close();
  sheet_.query = "SELECT id FROM products WHERE id = 1";
  EXPECT_EQ(list_.GetRecordCount(), 1);
}

}  // namespace
