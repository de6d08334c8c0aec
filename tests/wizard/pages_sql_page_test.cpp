// Guards the SQL condition page driven through its controls: it follows
// the mapping page; the Name box on an Access source and on delimited text
// (LIKE forms, '*' as '%'), the boxes of unmapped fields disabled, the
// Department and Description terms joined by " AND " with Name empty; the
// advanced criteria list (WHERE, AND, Del) over a numeric and a text
// column, a numeric column's value refused unless it is a number; the
// statement edited in the item picker; and Next passing the statement on
// untouched. The record total follows the condition, and with a field
// unmapped each heading still names what its column holds.
#include "ctl_actions.h"
#include "odbc_test_support.h"
#include "pages_support.h"
#include "script_driver.h"
#include "preview_list.h"
#include "sql_page.h"

namespace {

class SqlPage : public pages_test::SheetTest {
 protected:
  void Open(int sourceType, DWORD appFlags = 0) {
    odbc_test::RunSqlite(work / "shop.sqlite",
                         "CREATE TABLE Products (Title TEXT, SKU TEXT, Section TEXT, Notes TEXT, Cost REAL);"
                         "INSERT INTO Products VALUES ('Red shoe', 'S1', 'Garden', 'red', 12);"
                         "INSERT INTO Products VALUES ('Boot', 'S2', 'Shoes', 'brown', 8);"
                         "INSERT INTO Products VALUES ('Apron', 'S3', 'Garden', 'red', 15);");
    std::string dsn = odbc_test::DefineDataSource(work, "Conditions", work / "shop.sqlite");
    MakeSheet(sourceType, appFlags);
    odbc_test::Connect(sheet->m_database, "DSN=" + dsn);
    sheet->m_nAllFields = 1;
    sheet->m_strTableName = "\"Products\"";
    const struct {
      const char* name;
      short type;
    } sources[] = {{"Title", 12}, {"SKU", 12}, {"Section", 12}, {"Notes", 12}, {"Cost", 8}};
    for (int i = 0; i < 5; ++i) {
      auto column = std::make_unique<CSourceColumn>();
      column->m_nIndex = i;
      column->m_strName = sources[i].name;
      column->m_nSqlType = sources[i].type;
      sheet->m_sourceColumns.push_back(std::move(column));
    }
    sheet->BuildMappingColumns();
    sheet->m_mappingColumns[0]->m_strSourceField = "Title";
    sheet->m_mappingColumns[1]->m_strSourceField = "SKU";
    sheet->m_mappingColumns[2]->m_strSourceField = "Section";
    page = &Show<CSqlPreviewPage2>(CSqlPreviewPage2::IDD);
  }
  CString Select() {
    FwClickButton(*page, CSqlPreviewPage2::IDC_SELECT);
    EXPECT_STREQ(page->GetDlgItemText(CSqlPreviewPage2::IDC_STATEMENT), sheet->m_strSQLQuery);
    return sheet->m_strSQLQuery;
  }
  // The preview's rows: the first column of each, joined by '|'.
  std::string Shown() {
    CListCtrl& preview = page->Control<CListCtrl>(CSqlPreviewPage2::IDC_PREVIEW);
    std::string text;
    for (int row = 0; row < preview.GetItemCount(); ++row)
      text += std::string(row ? "|" : "") + static_cast<LPCTSTR>(preview.GetItemText(row, 0));
    return text;
  }

  CSqlPreviewPage2* page = nullptr;
};

TEST_F(SqlPage, FollowsTheMappingPage) {
  MakeSheet(2);
  std::vector<UINT> ids;
  for (int i = 0; i < sheet->GetPageCount(); ++i) ids.push_back(sheet->GetPage(i)->GetTemplateId());
  auto mapping = std::find(ids.begin(), ids.end(), UINT(kMappingPage));
  ASSERT_NE(mapping, ids.end());
  ASSERT_NE(mapping + 1, ids.end());
  EXPECT_EQ(*(mapping + 1), UINT(kSqlConditionPage));
}

TEST_F(SqlPage, SimpleBoxesInTheSourcesDialect) {
  Open(0);
  EXPECT_STREQ(sheet->m_strSQLQuery, "SELECT \"Title\", \"SKU\", \"Section\" FROM \"Products\";");
  EXPECT_FALSE(page->RequireDlgItem(CSqlPreviewPage2::IDC_DESCRIPTION)->IsWindowEnabled()) << "not mapped";
  FwTypeText(*page, CSqlPreviewPage2::IDC_NAME, "shoe");
  EXPECT_EQ(Shown(), "Red shoe|Boot|Apron");
  EXPECT_STREQ(Select(), "SELECT \"Title\", \"SKU\", \"Section\" FROM \"Products\" WHERE ( (\"Products\".\"Title\") LIKE '%shoe%');");
  EXPECT_EQ(Shown(), "Red shoe");
  FwTypeText(*page, CSqlPreviewPage2::IDC_NAME, "");
  FwTypeText(*page, CSqlPreviewPage2::IDC_DEPARTMENT, "Gar*");
  sheet->m_mappingColumns[3]->m_strSourceField = "Notes";
  sheet->SetActivePage(page);
  FwTypeText(*page, CSqlPreviewPage2::IDC_DESCRIPTION, "red");
  EXPECT_STREQ(Select(),
               "SELECT \"Title\", \"SKU\", \"Section\", \"Notes\" FROM \"Products\" WHERE ( (\"Products\".\"Section\") LIKE 'Gar%') "
               "AND ( (\"Products\".\"Notes\") LIKE '%red%');");
  EXPECT_EQ(Shown(), "Red shoe|Apron");
}

TEST_F(SqlPage, TheTotalFollowsTheCondition) {
  Open(0);
  auto Status = [&] { return std::string(page->GetDlgItemText(CSqlPreviewPage2::IDC_POSITION)); };
  EXPECT_EQ(Status(), " 1 - 3 of 3 records");
  FwTypeText(*page, CSqlPreviewPage2::IDC_NAME, "shoe");
  Select();
  EXPECT_EQ(Status(), " 1 - 1 of 1 records");
  FwClickButton(*page, CSqlPreviewPage2::IDC_LAST);
  EXPECT_EQ(Status(), " 1 - 1 of 1 records");
  FwTypeText(*page, CSqlPreviewPage2::IDC_NAME, "");
  Select();
  EXPECT_EQ(Status(), " 1 - 3 of 3 records");
}

TEST_F(SqlPage, HeadingsNameWhatTheColumnsHold) {
  Open(0);
  sheet->m_mappingColumns[2]->m_strSourceField = "";       // no department
  sheet->m_mappingColumns[3]->m_strSourceField = "Notes";  // the description
  sheet->SetActivePage(page);
  auto& preview = page->Control<CDBaseListVw>(CSqlPreviewPage2::IDC_PREVIEW);
  const std::vector<CString> headings = preview.GetHeaderTexts();
  ASSERT_EQ(headings.size(), 3u);
  EXPECT_STREQ(headings[0], sheet->m_mappingColumns[0]->m_strCaption);
  EXPECT_STREQ(headings[1], sheet->m_mappingColumns[1]->m_strCaption);
  EXPECT_STREQ(headings[2], sheet->m_mappingColumns[3]->m_strCaption);
  EXPECT_STREQ(preview.GetItemText(0, 2), "red") << "the description under its own heading";
}

TEST_F(SqlPage, TextDialectIsAPrefixMatch) {
  Open(2);
  FwTypeText(*page, CSqlPreviewPage2::IDC_NAME, "shoe");
  prompts.ExpectMessageBox(IDOK, 51481);
  EXPECT_STREQ(Select(), "SELECT \"Title\", \"SKU\", \"Section\" FROM \"Products\" WHERE ( \"Title\" LIKE 'shoe%');");
  EXPECT_EQ(Shown(), "") << "a prefix match";
  FwTypeText(*page, CSqlPreviewPage2::IDC_NAME, "Red*");
  Select();
  EXPECT_EQ(Shown(), "Red shoe");
  sheet->PressButton(PSBTN_NEXT);
  EXPECT_STREQ(sheet->m_strSQLQuery, "SELECT \"Title\", \"SKU\", \"Section\" FROM \"Products\" WHERE ( \"Title\" LIKE 'Red%');")
      << "Next passes the statement on untouched";
}

TEST_F(SqlPage, AdvancedCriteria) {
  Open(0, kAppFlagAdvancedImport);
  FwClickButton(*page, CSqlPreviewPage2::IDC_ADVANCE);
  EXPECT_FALSE(page->RequireDlgItem(CSqlPreviewPage2::IDC_AND)->IsWindowEnabled());
  FwPickItemByText(*page, CSqlPreviewPage2::IDC_FIELD, "Cost");
  FwPickItemByText(*page, CSqlPreviewPage2::IDC_OPERATOR, ">=");
  FwTypeText(*page, CSqlPreviewPage2::IDC_VALUE, "10");
  EXPECT_STREQ(page->GetDlgItemText(CSqlPreviewPage2::IDC_CRITERION), "\"Products\".\"Cost\" >= 10");
  FwClickButton(*page, CSqlPreviewPage2::IDC_WHERE);
  FwPickItemByText(*page, CSqlPreviewPage2::IDC_FIELD, "Title");
  FwPickItemByText(*page, CSqlPreviewPage2::IDC_OPERATOR, "LIKE");
  FwTypeText(*page, CSqlPreviewPage2::IDC_VALUE, "a*");
  EXPECT_STREQ(page->GetDlgItemText(CSqlPreviewPage2::IDC_CRITERION), "\"Products\".\"Title\" LIKE 'a*'");
  FwClickButton(*page, CSqlPreviewPage2::IDC_AND);
  EXPECT_STREQ(Select(),
               "SELECT \"Products\".\"Title\", \"Products\".\"SKU\", \"Products\".\"Section\" FROM \"Products\" WHERE  "
               "\"Products\".\"Cost\" >= 10  AND \"Products\".\"Title\" LIKE 'a%';");
  EXPECT_EQ(Shown(), "Apron");
  FwPickItem(*page, CSqlPreviewPage2::IDC_CRITERIA, 1);
  FwClickButton(*page, CSqlPreviewPage2::IDC_DELETE);
  FwPickItem(*page, CSqlPreviewPage2::IDC_CRITERIA, 0);
  FwClickButton(*page, CSqlPreviewPage2::IDC_DELETE);
  EXPECT_TRUE(page->RequireDlgItem(CSqlPreviewPage2::IDC_WHERE)->IsWindowEnabled()) << "an empty list takes WHERE again";
}

TEST_F(SqlPage, ANumericColumnsValueMustBeANumber) {
  Open(0, kAppFlagAdvancedImport);
  FwClickButton(*page, CSqlPreviewPage2::IDC_ADVANCE);
  FwPickItemByText(*page, CSqlPreviewPage2::IDC_FIELD, "Cost");
  FwPickItemByText(*page, CSqlPreviewPage2::IDC_OPERATOR, "=");
  FwTypeText(*page, CSqlPreviewPage2::IDC_VALUE, "0 OR 1=1");
  EXPECT_STREQ(page->GetDlgItemText(CSqlPreviewPage2::IDC_CRITERION), "") << "no criterion from a value no number";
  prompts.ExpectMessageBox(IDOK, 0, "The column Cost holds numbers: \"0 OR 1=1\" is not a number.");
  FwClickButton(*page, CSqlPreviewPage2::IDC_WHERE);
  EXPECT_TRUE(prompts.asked.size() == 1u);
  EXPECT_EQ(page->Control<CListBox>(CSqlPreviewPage2::IDC_CRITERIA).GetCount(), 0);
  EXPECT_TRUE(page->RequireDlgItem(CSqlPreviewPage2::IDC_WHERE)->IsWindowEnabled()) << "nothing was added";
  EXPECT_STREQ(Select(), "SELECT \"Products\".\"Title\", \"Products\".\"SKU\", \"Products\".\"Section\" FROM "
                         "\"Products\";");
  EXPECT_EQ(Shown(), "Red shoe|Boot|Apron");
  FwTypeText(*page, CSqlPreviewPage2::IDC_VALUE, "8");
  FwClickButton(*page, CSqlPreviewPage2::IDC_WHERE);
  EXPECT_STREQ(Select(), "SELECT \"Products\".\"Title\", \"Products\".\"SKU\", \"Products\".\"Section\" FROM "
                         "\"Products\" WHERE  \"Products\".\"Cost\" = 8;");
  EXPECT_EQ(Shown(), "Boot");
}

TEST_F(SqlPage, StatementEditedInThePicker) {
  Open(0);
  FwScriptDriver driver("sql", {"expect dialog 20011", "pick-index 21101 2",
                                "set 21113 \" [Section] FROM [Products] WHERE [SKU] > '5';\"",
                                "click 21235", "click 1"});
  driver.Install();
  FwClickButton(*page, CSqlPreviewPage2::IDC_EDIT_SQL);
  driver.Finish();
  driver.Uninstall();
  EXPECT_STREQ(sheet->m_strSQLQuery, "SELECT \"Title\", \"SKU\", [Section] FROM [Products] WHERE [SKU] > '5';");
}

}  // namespace
