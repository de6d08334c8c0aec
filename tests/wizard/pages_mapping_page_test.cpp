// Guards the mapping page driven through its grid: nothing mapped writes
// one comma fewer than rows and is refused (51665), product name and item
// number on one column (any case) refused with 7322, a good mapping
// written and passed on; mapping files with 2 options x 3 choices rebuild
// the grid before the names are placed, a list too short leaves the other
// rows, a list too long is refused with 51648 keeping what was read,
// counts out of range refused with 51648 changing nothing; a MYOB source
// without its own file gets the shipped default; the option-count dialog
// offers 0-2 options and keeps what was mapped. Loading a file rebuilds the
// grid with its options and choices, and a column the source lacks is
// named and left unmapped.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ctl_actions.h"
#include "mapping_page.h"
#include "odbc_test_support.h"
#include "pages_support.h"
#include "script_driver.h"

namespace {

class MappingPage : public pages_test::SheetTest {
 protected:
  void Open(int sourceType, std::vector<const char*> names = {"Title", "SKU", "Section", "Notes", "Cost"}) {
    MakeSheet(sourceType);
    sheet->m_nAllFields = 1;
    sheet->m_strTableName = "\"products.csv\"";
    sheet->m_strCfgFilename = (work / "products_csv.cfg").c_str();
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
      auto column = std::make_unique<CSourceColumn>();
      column->m_nIndex = i;
      column->m_strName = names[i];
      column->m_nSize = 10 * (i + 1);
      column->m_nSqlType = 12;
      sheet->m_sourceColumns.push_back(std::move(column));
    }
    sheet->BuildMappingColumns();
    page = &Show<CImpMappingPage>(CImpMappingPage::IDD);
  }
  CMappingListCtrl& Grid() { return page->Control<CMappingListCtrl>(CImpMappingPage::IDC_GRID); }
  // Picks source column name for grid row as a person does.
  void Map(int row, const char* name) {
    FwPickItem(*page, CImpMappingPage::IDC_GRID, row);
    FwPickItemByText(Grid(), 1, name);
  }
  // Row texts of column 1 joined by '|'.
  std::string Mapped() {
    std::string text;
    for (int row = 0; row < Grid().GetItemCount(); ++row)
      text += std::string(row ? "|" : "") + static_cast<LPCTSTR>(Grid().GetItemText(row, 1));
    return text;
  }
  std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void WriteFile(const std::string& text) { std::ofstream(work / "products_csv.cfg") << text; }

  CImpMappingPage* page = nullptr;
};

TEST_F(MappingPage, NothingMappedIsWrittenAndRefused) {
  Open(2);
  EXPECT_EQ(Grid().GetItemCount(), 9);
  EXPECT_STREQ(Grid().GetItemText(0, 0), "Product Name");
  prompts.ExpectMessageBox(IDOK, 51665, "The field Product Name must be mapped to a column of the source before importing.");
  sheet->PressButton(PSBTN_NEXT);
  EXPECT_EQ(sheet->GetActivePage(), page);
  page->WriteMappingFile((work / "empty.cfg").c_str());
  EXPECT_EQ(ReadFile(work / "empty.cfg"), "<Options>=0\n<Choices>=0\n<Tables>=,,,,,,,,\n");
}

TEST_F(MappingPage, OneColumnForNameAndNumberIsRefused) {
  Open(2);
  Map(0, "Title");
  prompts.ExpectMessageBox(IDOK, 61532);
  sheet->PressButton(PSBTN_NEXT);
  Map(1, "Title");
  prompts.ExpectMessageBox(IDOK, 7322, "You can't map \"Product Name\", and \"Item Number\" to the same column!");
  sheet->PressButton(PSBTN_NEXT);
  WriteFile("<Tables>=Title,TITLE\n");
  FwClickButton(*page, CImpMappingPage::IDC_RESET);
  EXPECT_EQ(Mapped(), "||||||||");
  EXPECT_TRUE(page->LoadMappingFile((work / "products_csv.cfg").c_str()));
  prompts.ExpectMessageBox(IDOK, 7322);
  sheet->PressButton(PSBTN_NEXT);
  EXPECT_EQ(sheet->GetActivePage(), page) << "refused in any letter case";
  EXPECT_EQ(prompts.PendingAnswers(), 0u);
}

TEST_F(MappingPage, GoodMappingIsWrittenAndPassedOn) {
  Open(2);
  // The next page previews the mapped columns.
  odbc_test::RunSqlite(work / "shop.sqlite",
                       "CREATE TABLE \"products.csv\" (Title TEXT, SKU TEXT, Section TEXT, Notes TEXT, Cost REAL);"
                       "INSERT INTO \"products.csv\" VALUES ('Rake', 'R1', 'Garden', '', 9.5);");
  odbc_test::Connect(sheet->m_database, "DSN=" + odbc_test::DefineDataSource(work, "Mapped", work / "shop.sqlite"));
  Map(0, "Title");
  Map(1, "SKU");
  Map(5, "Cost");
  sheet->PressButton(PSBTN_NEXT);
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(ReadFile(work / "products_csv.cfg"), "<Options>=0\n<Choices>=0\n<Tables>=Title,SKU,,,,Cost,,,\n");
  EXPECT_EQ(sheet->GetActivePage(), sheet->FindPage(kSqlConditionPage));
  EXPECT_STREQ(sheet->m_strSQLQuery, "SELECT \"Title\", \"SKU\", \"Cost\" FROM \"products.csv\";");
  EXPECT_EQ(sheet->m_mappingColumns[5]->m_nNumber, 4) << "the matched source column's index";
  EXPECT_EQ(sheet->m_mappingColumns[5]->m_nColumnSize, 50);
  EXPECT_EQ(sheet->m_mappingColumns[2]->m_nNumber, -1) << "unmapped";
}

TEST_F(MappingPage, FileWithTwoOptionsOfThreeChoices) {
  WriteFile("<Options>=2\n<Choices>=3\n<Tables>=Title,SKU,,,,,,,,Section,,,,Notes\n");
  Open(2);
  EXPECT_EQ(sheet->m_nOptionCount, 2);
  EXPECT_EQ(sheet->m_nChoiceCount, 3);
  EXPECT_EQ(Grid().GetItemCount(), 31);
  EXPECT_STREQ(Grid().GetItemText(9, 0), "Option name 1");
  EXPECT_STREQ(Grid().GetItemText(11, 0), "Option1 Choice name 1");
  EXPECT_STREQ(Grid().GetItemText(20, 0), "Option name 2");
  EXPECT_EQ(Mapped(), "Title|SKU||||||||Section||||Notes|||||||||||||||||");
}

TEST_F(MappingPage, LoadingRebuildsTheGridWithTheFilesOptions) {
  Open(2);
  EXPECT_EQ(Grid().GetItemCount(), 9);
  std::ofstream(work / "template.cfg") << "<Options>=2\n<Choices>=3\n<Tables>=Title,SKU,,,,,,,,Section,,,,Notes\n";
  EXPECT_TRUE(page->LoadMappingFile((work / "template.cfg").c_str()));
  EXPECT_EQ(Grid().GetItemCount(), 31);
  EXPECT_EQ(Mapped(), "Title|SKU||||||||Section||||Notes|||||||||||||||||");
  page->WriteMappingFile((work / "again.cfg").c_str());
  EXPECT_EQ(ReadFile(work / "again.cfg"),
            "<Options>=2\n<Choices>=3\n<Tables>=Title,SKU,,,,,,,,Section,,,,Notes,,,,,,,,,,,,,,,,,\n");
}

TEST_F(MappingPage, AColumnTheSourceLacksIsNamedAndLeftUnmapped) {
  Open(2);
  std::ofstream(work / "other.cfg") << "<Tables>=Title,sku,,Description,,Price\n";
  prompts.ExpectMessageBox(IDOK, 0,
                           "The mapping file names columns this source does not have; these fields are left unmapped: "
                           "Product Description (\"Description\"), Price (\"Price\")");
  EXPECT_TRUE(page->LoadMappingFile((work / "other.cfg").c_str()));
  EXPECT_EQ(Mapped(), "Title|sku|||||||") << "a name in another case is the source's column";
  EXPECT_EQ(prompts.PendingAnswers(), 0u);
}

TEST_F(MappingPage, ListsTooShortAndTooLong) {
  Open(2);
  sheet->m_mappingColumns[3]->m_strSourceField = "Notes";
  prompts.ExpectMessageBox(IDOK);
  EXPECT_FALSE(page->LoadMappingFile((work / "missing.cfg").c_str()));
  EXPECT_EQ(std::string(static_cast<LPCTSTR>(prompts.asked.back().text)).rfind("Couldn't open source file:  ", 0), 0u);

  std::ofstream(work / "short.cfg") << "<Tables>=Title,SKU\n";
  EXPECT_TRUE(page->LoadMappingFile((work / "short.cfg").c_str()));
  EXPECT_EQ(Mapped(), "Title|SKU||Notes|||||") << "the rows after the list stay as they were";

  std::ofstream(work / "long.cfg") << "<Tables>=a,b,c,d,e,f,g,h,i,j,k\n";
  prompts.ExpectMessageBox(IDOK, 51648);
  EXPECT_FALSE(page->LoadMappingFile((work / "long.cfg").c_str()));
  EXPECT_STREQ(sheet->m_mappingColumns[8]->m_strSourceField, "i") << "the entries read so far are kept";
}

TEST_F(MappingPage, CountsOutOfRangeChangeNothing) {
  Open(2);
  Map(0, "Title");
  for (const char* text : {"<Options>=3\n<Choices>=1\n<Tables>=x\n", "<Options>=1\n<Choices>=4096\n<Tables>=x\n"}) {
    std::ofstream(work / "bad.cfg") << text;
    prompts.ExpectMessageBox(IDOK, 51648);
    EXPECT_FALSE(page->LoadMappingFile((work / "bad.cfg").c_str())) << text;
    EXPECT_EQ(sheet->m_nOptionCount, 0);
    EXPECT_EQ(sheet->m_mappingColumns.size(), 9u);
    EXPECT_STREQ(sheet->m_mappingColumns[0]->m_strSourceField, "") << "the grid's mapping is not stored yet";
  }
}

TEST_F(MappingPage, ExportWithoutItsOwnFileGetsTheDefault) {
  std::filesystem::copy_file(std::filesystem::path(DV_DATA_DIR) / "default_myob.cfg", program / "default_myob.cfg");
  Open(4, {"Item Name", "Item Number", "Custom List 1", "Description", "Selling Price", "Tax Code When Sold"});
  EXPECT_EQ(Mapped(), "Item Name|Item Number|Custom List 1|Description||Selling Price||Tax Code When Sold|");
}

TEST_F(MappingPage, OptionCountDialogKeepsWhatWasMapped) {
  Open(2);
  Map(0, "Title");
  Map(1, "SKU");
  FwScriptDriver driver("options", {"expect dialog 20010", "pick 21149 2", "pick 21150 3", "ok"});
  driver.Install();
  FwClickButton(*page, CImpMappingPage::IDC_OPTIONS);
  driver.Finish();
  driver.Uninstall();
  EXPECT_EQ(sheet->m_nOptionCount, 2);
  EXPECT_EQ(sheet->m_nChoiceCount, 3);
  EXPECT_EQ(Grid().GetItemCount(), 31);
  EXPECT_STREQ(Grid().GetItemText(0, 1), "Title");
  EXPECT_STREQ(Grid().GetItemText(1, 1), "SKU");
  EXPECT_EQ(ReadFile(work / "products_csv.cfg").substr(0, 24), "<Options>=2\n<Choices>=3\n");

  FwScriptDriver refused("options", {"pick 21149 3"});
  refused.Install();
  EXPECT_THROW(FwClickButton(*page, CImpMappingPage::IDC_OPTIONS), FwScriptError) << "no third option is offered";
  refused.Uninstall();
}

}  // namespace
