// Guards the table page over an ODBC data source: the source's tables
// listed in the driver's identifier quote, the table the sheet names found without regard to
// brackets or case and the list kept enabled for several tables, a dBase
// source selecting its own file's table, the statement ending in ";" with
// the columns described and the first rows shown, the rows combo (a size
// of 25 selects "25 ", "All items" capped and written so), a connection
// that does not open, and Next making the mapping columns. The record
// total and "All items" follow the table chosen last.
#include <fstream>

#include "ctl_actions.h"
#include "fw_profile.h"
#include "odbc_test_support.h"
#include "pages_support.h"
#include "table_choice.h"
#include "table_page.h"

namespace {

class TablePage : public pages_test::SheetTest {
 protected:
  void SetUp() override {
    std::string sql = "CREATE TABLE customers (id INTEGER, name TEXT); INSERT INTO customers VALUES (1, 'Ann');"
                      "CREATE TABLE products (sku TEXT, title TEXT, price REAL); BEGIN;";
    for (int k = 1; k <= 2500; ++k)
      sql += "INSERT INTO products VALUES ('S" + std::to_string(k) + "', 'Item " + std::to_string(k) + "', 1.5);";
    sql += "COMMIT;";
    odbc_test::RunSqlite(work / "shop.sqlite", sql);
    dsn_ = odbc_test::DefineDataSource(work, "Shop", work / "shop.sqlite");
  }
  void Open(int sourceType, const char* databaseFile, const char* tableName, const std::string& connect = "") {
    MakeSheet(sourceType);
    sheet->m_strConnectionString = (connect.empty() ? "DSN=" + dsn_ : connect).c_str();
    sheet->m_strDBName = databaseFile;
    sheet->m_strTableName = tableName;
    page = &Show<CSelTablePage>(CSelTablePage::IDD);
  }
  CComboBox& Tables() { return page->Control<CComboBox>(CSelTablePage::IDC_TABLES); }
  std::string IniRowsetSize() {
    char value[64] = "";
    GetPrivateProfileString("Wizard Settings", "RowsetSize", "", value, sizeof value, (program / "tallyport.ini").c_str());
    return value;
  }

  std::string dsn_;
  CSelTablePage* page = nullptr;
};

TEST_F(TablePage, FindsTheNamedTableWithoutBracketsOrCase) {
  Open(6, "", "PRODUCTS");
  ASSERT_EQ(Tables().GetCount(), 2);
  EXPECT_STREQ(Tables().GetItemText(0), "customers") << "shown as the table names itself";
  EXPECT_STREQ(Tables().GetWindowText(), "products");
  EXPECT_TRUE(Tables().IsWindowEnabled()) << "several tables: the list stays open";
  EXPECT_STREQ(sheet->m_strTableName, "\"products\"");
  EXPECT_STREQ(sheet->m_strSQLQuery, "SELECT * FROM \"products\";");
  ASSERT_EQ(sheet->m_sourceColumns.size(), 3u);
  EXPECT_STREQ(sheet->m_sourceColumns[1]->m_strName, "title");
  CListCtrl& preview = page->Control<CListCtrl>(CSelTablePage::IDC_PREVIEW);
  EXPECT_EQ(preview.GetItemCount(), 100);
  EXPECT_STREQ(preview.GetItemText(0, 1), "Item 1");
  EXPECT_TRUE(page->RequireDlgItem(CSelTablePage::IDC_NEXT)->IsWindowEnabled());
  FwPickItemByText(*page, CSelTablePage::IDC_TABLES, "customers");
  EXPECT_STREQ(sheet->m_strSQLQuery, "SELECT * FROM \"customers\";");
}

TEST_F(TablePage, DBaseSourceSelectsItsFilesTable) {
  Open(3, "/data/shop/Products.DBF", "");
  EXPECT_STREQ(Tables().GetWindowText(), "products") << "not the first table of the folder";
  Open(2, "/data/shop/missing.csv", "");
  EXPECT_STREQ(Tables().GetWindowText(), "customers") << "no such table: the first";
}

TEST_F(TablePage, RowsCombo) {
  std::ofstream(program / "tallyport.ini") << "[Wizard Settings]\nRowsetSize=25\n";
  Open(6, "", "products");
  EXPECT_STREQ(page->Control<CComboBox>(CSelTablePage::IDC_ROWS).GetWindowText(), "25 ");
  EXPECT_EQ(page->Control<CListCtrl>(CSelTablePage::IDC_PREVIEW).GetItemCount(), 25);
  FwPickItemByText(*page, CSelTablePage::IDC_ROWS, "1000");
  EXPECT_EQ(sheet->m_nRowsetSize, 1000);
  EXPECT_EQ(IniRowsetSize(), "1000");
  FwPickItemByText(*page, CSelTablePage::IDC_ROWS, "All items");
  EXPECT_EQ(sheet->m_nRowsetSize, kMaxRowsetRows) << "2,500 records, capped";
  EXPECT_EQ(IniRowsetSize(), std::to_string(kMaxRowsetRows));
  EXPECT_EQ(page->Control<CListCtrl>(CSelTablePage::IDC_PREVIEW).GetItemCount(), kMaxRowsetRows);
}

TEST_F(TablePage, TheTotalFollowsTheTableChosen) {
  std::ofstream(program / "tallyport.ini") << "[Wizard Settings]\nRowsetSize=25\n";
  Open(6, "", "customers");
  EXPECT_STREQ(page->GetDlgItemText(CSelTablePage::IDC_POSITION), " 1 - 1 of 1 records");
  FwPickItemByText(*page, CSelTablePage::IDC_TABLES, "products");
  EXPECT_STREQ(page->GetDlgItemText(CSelTablePage::IDC_POSITION), " 1 - 25 of 2500 records");
  FwClickButton(*page, CSelTablePage::IDC_LAST);
  EXPECT_STREQ(page->GetDlgItemText(CSelTablePage::IDC_POSITION), " 2476 - 2500 of 2500 records");
  FwPickItemByText(*page, CSelTablePage::IDC_ROWS, "All items");
  EXPECT_EQ(sheet->m_nRowsetSize, kMaxRowsetRows) << "2,500 records, capped; not the first table's 1";
  EXPECT_EQ(IniRowsetSize(), std::to_string(kMaxRowsetRows));
}

TEST_F(TablePage, ConnectionThatDoesNotOpen) {
  prompts.ExpectMessageBox(IDOK, 0, "Failure in open database 's DSN file!");
  Open(6, "", "products", "DSN=NoSuchSource");
  EXPECT_FALSE(Tables().IsWindowEnabled());
  EXPECT_EQ(prompts.PendingAnswers(), 0u);
}

TEST_F(TablePage, NextMakesTheMappingColumns) {
  Open(6, "", "products");
  sheet->m_nAllFields = 1;
  sheet->PressButton(PSBTN_NEXT);
  EXPECT_EQ(sheet->m_mappingColumns.size(), 9u);
  EXPECT_EQ(sheet->GetActivePage(), sheet->FindPage(kMappingPage));
}

}  // namespace
