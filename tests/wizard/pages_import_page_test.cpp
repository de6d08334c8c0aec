// Guards the import page over an SQLite3 data source: the target does not
// exist, so the working copy is a new shop; Add imports every rowset and
// Finish puts the copy in the target's place, which the dump tool reads in
// another process (departments, products, prices, options, choices);
// Cancel after an import leaves the target as it was (message 61579); a
// press refused for want of a department changes nothing and keeps an
// earlier import of the same visit; a run whose second rowset is refused
// (department path too deep) is undone back to what the copy held before
// the press, the earlier run kept; a target that cannot be copied back
// keeps the wizard on the page with its message and the work kept; a copy
// of a file onto itself is refused and leaves it whole; a working copy that
// is gone when the page opens it again is reported as missing (61858); a
// failed run whose copy cannot be put back withholds Finish, so the part of
// it that stays in the copy never reaches the target. A source whose
// driver fails while the third rowset is read leaves the target byte for
// byte, "Tallyport.Log" names the row and the driver's message at once, and
// the next run of the good source succeeds. A batch the shop file refuses
// (its write fails) is logged at once and undone, and the next run
// succeeds.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ctl_actions.h"
#include "file_size_limit.h"
#include "import_page.h"
#include "odbc_test_support.h"
#include "pages_support.h"
#include "shop_test_kvcdump.h"
#include "shop_work_file.h"

namespace {

class ImportPage : public pages_test::SheetTest {
 protected:
  // A source of `rows` rows behind a data source; the sheet set as the
  // pages before the import page leave it.
  void Open(int rows) {
    WriteSource(rows);
    ShowPage("DSN=" + odbc_test::DefineDataSource(work, "Import", work / "source.sqlite"),
             "SELECT Name, Item, Dept, Price, Opt, Ch1, Ch1Price FROM products");
  }
  void WriteSource(int rows) {
    std::string sql =
        "CREATE TABLE products (Name TEXT, Item TEXT, Dept TEXT, Price TEXT, Opt TEXT, Ch1 TEXT, Ch1Price TEXT);";
    for (int i = 1; i <= rows; ++i)
      sql += "INSERT INTO products VALUES ('Product " + std::to_string(i) + "', 'P-" + std::to_string(i) + "', '" +
             (i % 2 ? "Garden/Tools" : "Water") + "', '" + std::to_string(i) +
             ",50', 'Material', 'Oak', '1,25');";
    odbc_test::RunSqlite(work / "source.sqlite", sql);
  }
  // A new sheet on the import page, reading query through connect; with
  // rowsAsAsked the rows are read as the import asks for them (the way of
  // a driver that cannot scroll).
  void ShowPage(const std::string& connect, const char* query, bool rowsAsAsked = false) {
    page = nullptr;
    sheet.reset();
    MakeSheet(kSourceDataSourceName);
    odbc_test::Connect(sheet->m_database, connect);
    if (rowsAsAsked) sheet->m_database.KeepRowsInRecordsets();
    sheet->m_nAllFields = 1;
    sheet->m_nOptionCount = 1;
    sheet->m_nChoiceCount = 1;
    sheet->m_strTableName = "products";
    sheet->m_strDBName = "source";
    sheet->BuildMappingColumns();
    const char* fields[] = {"Name", "Item", "Dept", "", "", "Price", "", "", "", "Opt", "", "Ch1", "Ch1Price", ""};
    int index = 0;
    for (size_t row = 0; row < sheet->m_mappingColumns.size() && row < std::size(fields); ++row) {
      CMappingColumn& column = *sheet->m_mappingColumns[row];
      column.m_strSourceField = fields[row];
      column.m_nNumber = *fields[row] ? index++ : -1;
      column.m_nColumnSize = *fields[row] ? 64 : 0;
    }
    sheet->m_strSQLQuery = query;
    sheet->m_strTargetFile = (work / "shop.kvc").c_str();
    page = &Show<CDataImportPage>(CDataImportPage::IDD);
  }
  void Add() {
    FwSelectTreePath(*page, CDataImportPage::IDC_TREE, "My Departments");
    FwClickButton(*page, CDataImportPage::IDC_ADD);
  }
  std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  CDataImportPage* page = nullptr;
};

TEST_F(ImportPage, DataSourceIntoANewShop) {
  Open(250);
  ASSERT_TRUE(page->IsShopOpen());
  EXPECT_FALSE(std::filesystem::exists(work / "shop.kvc")) << "the target is written at Finish only";
  Add();
  ASSERT_TRUE(sheet->PressButton(PSBTN_FINISH));
  auto dump = shop_test::kvcdump(work / "shop.kvc");
  ASSERT_EQ(dump.status, 0) << dump.out;
  for (const char* expected : {"Garden", "Tools", "Water", "P-1", "P-250", "Product 250", "250.5", "Material", "Oak"})
    EXPECT_NE(dump.out.find(expected), std::string::npos) << expected;
  EXPECT_NE(dump.out.find("1.25"), std::string::npos) << "the surcharge read with its decimal comma";
  const std::string log = ReadAll(program / "Tallyport.Log");
  EXPECT_NE(log.find("Import Database source --> " + (work / "shop.kvc")), std::string::npos) << log;
  EXPECT_NE(log.find("[ Tools ] - < P-1 >"), std::string::npos);
  EXPECT_NE(log.find("[ Water ] - < P-250 >"), std::string::npos);
}

TEST_F(ImportPage, CancelAfterAnImportLeavesTheTarget) {
  Open(3);
  Add();
  prompts.ExpectMessageBox(IDOK);
  sheet->PressButton(PSBTN_CANCEL);
  EXPECT_FALSE(std::filesystem::exists(work / "shop.kvc"));
  ASSERT_FALSE(prompts.asked.empty());
  EXPECT_EQ(prompts.asked.back().stringId, 61579u);
}

TEST_F(ImportPage, RefusedPressAndUndoneRunKeepTheEarlierImport) {
  Open(150);
  // The first run.
  odbc_test::RunSqlite(work / "source.sqlite", "UPDATE products SET Dept = 'Kept' WHERE Item = 'P-120';");
  Add();
  // A refused press: no department chosen.
  page->Control<CTreeCtrl>(CDataImportPage::IDC_TREE).SelectItem(nullptr);
  prompts.ExpectMessageBox(IDOK);
  FwClickButton(*page, CDataImportPage::IDC_ADD);
  // A run undone: its first rowset committed, its second refused.
  odbc_test::RunSqlite(work / "source.sqlite",
                       "UPDATE products SET Dept = 'A/B/C' WHERE Item = 'P-120';"
                       "UPDATE products SET Name = 'Renamed' WHERE Item = 'P-1';");
  prompts.ExpectMessageBox(IDOK);
  Add();
  ASSERT_TRUE(sheet->PressButton(PSBTN_FINISH));
  auto dump = shop_test::kvcdump(work / "shop.kvc");
  ASSERT_EQ(dump.status, 0) << dump.out;
  EXPECT_NE(dump.out.find("Kept"), std::string::npos) << "the first run stays";
  EXPECT_NE(dump.out.find("Product 1 "), std::string::npos) << "the undone run's first rowset went";
  EXPECT_EQ(dump.out.find("Renamed"), std::string::npos);
  EXPECT_NE(ReadAll(program / "Tallyport.Log").find("Row 120: department path"), std::string::npos);
}

TEST_F(ImportPage, FailedCopyBackKeepsThePageAndACopyOntoItselfIsRefused) {
  std::filesystem::create_directory(work / "gone");
  Open(3);
  sheet->m_strTargetFile = (work / "gone/shop.kvc").c_str();
  page->OnSetActive();
  Add();
  std::filesystem::remove_all(work / "gone");
  prompts.ExpectMessageBox(IDOK, 21004);
  EXPECT_FALSE(sheet->PressButton(PSBTN_FINISH));
  EXPECT_EQ(sheet->GetActivePage(), page) << "the wizard stays on the page";
  EXPECT_TRUE(std::filesystem::exists(page->GetWorkPath().operator LPCTSTR())) << "the work is kept";

  const std::string before = ReadAll(page->GetWorkPath().operator LPCTSTR());
  EXPECT_EQ(CopyShopFile(page->GetWorkPath(), page->GetWorkPath()), kShopFileSameFile);
  EXPECT_EQ(ReadAll(page->GetWorkPath().operator LPCTSTR()), before);
  prompts.ExpectMessageBox(IDOK, 61579);
  sheet->PressButton(PSBTN_CANCEL);
}

TEST_F(ImportPage, AWorkingCopyThatIsGoneIsReportedAsMissing) {
  std::filesystem::create_directory(work / "gone");
  Open(3);
  sheet->m_strTargetFile = (work / "gone/shop.kvc").c_str();
  page->OnSetActive();
  Add();
  std::filesystem::remove_all(work / "gone");
  std::filesystem::remove(page->GetWorkPath().operator LPCTSTR());
  prompts.ExpectMessageBox(IDOK, 61858);
  EXPECT_FALSE(sheet->PressButton(PSBTN_FINISH));
  EXPECT_EQ(sheet->GetActivePage(), page);
  EXPECT_FALSE(page->IsShopOpen());
  prompts.ExpectMessageBox(IDOK, 61579);
  sheet->PressButton(PSBTN_CANCEL);
  EXPECT_EQ(0u, prompts.PendingAnswers());
}

TEST_F(ImportPage, AFailedRunThatCannotBePutBackWithholdsFinish) {
  Open(150);
  Add();
  ASSERT_EQ(sheet->GetWizardButtons(), static_cast<DWORD>(PSWIZB_BACK | PSWIZB_FINISH));
  // The copy cannot be written any more (its temporary name is taken), and
  // the next run fails in its second rowset, after its first was committed.
  const std::string blocker = std::string(page->GetWorkPath().operator LPCTSTR()) + ".part";
  std::filesystem::create_directory(blocker);
  odbc_test::RunSqlite(work / "source.sqlite",
                       "UPDATE products SET Dept = 'A/B/C' WHERE Item = 'P-120';"
                       "UPDATE products SET Name = 'Renamed' WHERE Item = 'P-1';");
  prompts.ExpectMessageBox(IDOK, 51502);
  prompts.ExpectMessageBox(IDOK, 21004);
  Add();
  EXPECT_EQ(sheet->GetWizardButtons(), static_cast<DWORD>(PSWIZB_BACK | PSWIZB_DISABLEDFINISH));
  EXPECT_FALSE(page->IsShopOpen());
  std::filesystem::remove(blocker);
  sheet->PressButton(PSBTN_CANCEL);
  EXPECT_FALSE(std::filesystem::exists(work / "shop.kvc"));
  EXPECT_EQ(0u, prompts.PendingAnswers());
}

TEST_F(ImportPage, ASourceFailingInALaterRowsetLeavesTheTargetAndTheNextRunSucceeds) {
  // Row 150 fails with "integer overflow" once the switch is on. The driver
  // steps the statement as rows are fetched (StepAPI) and the rows are read
  // as the import asks for them, so the failure comes in the fetch of the
  // second rowset; the switch is turned while the preview reads
  // (write-ahead log).
  WriteSource(400);
  odbc_test::RunSqlite(work / "source.sqlite",
                       "PRAGMA journal_mode=WAL; CREATE TABLE switch (failing INTEGER); INSERT INTO switch VALUES (0);"
                       "CREATE VIEW failing AS SELECT * FROM products WHERE abs(CASE WHEN rowid = 150 AND "
                       "(SELECT failing FROM switch) THEN -9223372036854775808 ELSE 0 END) = 0;");
  const std::string connect = "DSN=" + odbc_test::DefineDataSource(work, "Stepping", work / "source.sqlite");
  std::ofstream(work / "odbc.ini", std::ios::app) << "StepAPI=1\n";
  const char query[] = "SELECT Name, Item, Dept, Price, Opt, Ch1, Ch1Price FROM failing";
  ShowPage(connect, query, true);
  Add();
  ASSERT_TRUE(sheet->PressButton(PSBTN_FINISH));
  const std::string target = work / "shop.kvc", before = ReadAll(target);
  ASSERT_FALSE(before.empty());

  // The next visit: the rows are counted, then the source fails half-way.
  ShowPage(connect, query, true);
  odbc_test::RunSqlite(work / "source.sqlite", "UPDATE switch SET failing = 1; UPDATE products SET Name = 'Renamed';");
  prompts.ExpectMessageBox(IDOK);
  Add();
  EXPECT_NE(ReadAll(program / "Tallyport.Log")
                .find("Rows 101 to 200: reading the source failed: row 150: [SQLite]integer overflow (1); the run's "
                      "changes are undone\n"),
            std::string::npos)
      << ReadAll(program / "Tallyport.Log");
  EXPECT_EQ(sheet->GetWizardButtons(), static_cast<DWORD>(PSWIZB_BACK | PSWIZB_DISABLEDFINISH));
  sheet->PressButton(PSBTN_CANCEL);
  EXPECT_EQ(ReadAll(target), before);

  // The source mended, the next run succeeds.
  odbc_test::RunSqlite(work / "source.sqlite", "UPDATE switch SET failing = 0;");
  ShowPage(connect, query, true);
  Add();
  ASSERT_TRUE(sheet->PressButton(PSBTN_FINISH));
  auto dump = shop_test::kvcdump(target);
  ASSERT_EQ(dump.status, 0) << dump.out;
  EXPECT_NE(dump.out.find("Renamed"), std::string::npos);
  EXPECT_NE(dump.out.find("P-150"), std::string::npos) << "the row that failed is imported now";
}

TEST_F(ImportPage, ABatchTheShopRefusesIsLoggedAndUndoneAndTheNextRunSucceeds) {
  Open(400);
  const std::string copy = page->GetWorkPath().operator LPCTSTR(), before = ReadAll(copy);
  // The working copy may grow by a page at most: the shop file refuses the
  // writes of the first batch.
  {
    wizard_test::FileSizeLimit limit(before.size() + 4096);
    prompts.ExpectMessageBox(IDOK);
    Add();
  }
  // The file that reached the size limit is named.
  const std::string tooLarge = " is too large: it could not be written (the limit is " +
                               std::to_string(before.size() + 4096) + " bytes); the run's changes are undone\n";
  const std::string log = ReadAll(program / "Tallyport.Log");
  EXPECT_TRUE(log.find("Rows 1 to 100: the import failed: The file " + copy + tooLarge) != std::string::npos ||
              log.find("Rows 1 to 100: the import failed: The file " + copy + ".log" + tooLarge) != std::string::npos)
      << log;
  EXPECT_EQ(ReadAll(copy), before) << "the copy is as it was before the press";
  EXPECT_EQ(sheet->GetWizardButtons(), static_cast<DWORD>(PSWIZB_BACK | PSWIZB_DISABLEDFINISH));

  Add();
  ASSERT_TRUE(sheet->PressButton(PSBTN_FINISH));
  auto dump = shop_test::kvcdump(work / "shop.kvc");
  ASSERT_EQ(dump.status, 0) << dump.out;
  EXPECT_NE(dump.out.find("P-400"), std::string::npos);
}

}  // namespace
