// Guards the wizard sheet: its page list per source type (the file road and
// the source-shop road, rebuilt without ever holding two page sets, a page
// removed made anew when shown again), the rowset size of tallyport.ini,
// the mapping columns' count, captions, codes and places, the import's
// SELECT statement kept until reset, the connection string making a
// file-based type the sheet's, the help context per page and type, the
// opening of the active page's help page (message 51633 when no program opens it), a help
// page delivered for every page, and the sheet's title from the page.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <string>
#include <vector>

#include "app_settings.h"
#include "ctl_prompts.h"
#include "fw_paths.h"
#include "help_page.h"
#include "main_sheet.h"
#include "wizard_home.h"
#include "wizard_page_registry.h"

namespace {

// An empty page in the place of a page another library brings.
template <UINT Id>
std::unique_ptr<CPropertyPage> MakeStandIn(CMainSheet&) {
  return std::make_unique<CPropertyPage>(Id);
}

struct StandIn {
  FwDialogTemplate dialog;
  std::unique_ptr<CPropertyPage> (*make)(CMainSheet&);
};
const StandIn kStandIns[] = {
    {{kTablePage, "Table", nullptr, 0}, MakeStandIn<kTablePage>},
    {{kImportPage, "Import", nullptr, 0}, MakeStandIn<kImportPage>},
    {{kSourceShopSelectPage, "Shop", nullptr, 0}, MakeStandIn<kSourceShopSelectPage>},
    {{kSourceShopImportPage, "Shop import", nullptr, 0}, MakeStandIn<kSourceShopImportPage>},
};

class SheetTest : public ::testing::Test {
 protected:
  SheetTest() : previous_(FwSetPrompts(&prompts)) {
    FwSetProgramFolder(home.path().c_str());
    theDefaultSettings.m_strAppDir = home.path().c_str();
    theDefaultSettings.m_strHelp = "Help";
    // The pages other libraries bring, with their empty templates, where
    // they are not linked here.
    for (const StandIn& standIn : kStandIns)
      if (FindWizardPageFactory(standIn.dialog.id) == nullptr) {
        FwRegisterDialogTemplates(&standIn.dialog, 1);
        RegisterWizardPage(standIn.dialog.id, standIn.make);
      }
  }
  ~SheetTest() override {
    FwSetPrompts(previous_);
    FwSetProgramFolder(nullptr);
  }
  static std::vector<UINT> PageIds(const CMainSheet& sheet) {
    std::vector<UINT> ids;
    for (int i = 0; i < sheet.GetPageCount(); ++i) ids.push_back(sheet.GetPage(i)->GetTemplateId());
    return ids;
  }

  wizard_test::WizardHome home;
  FwScriptedPrompts prompts;

 private:
  FwPrompts* previous_;
};

const std::vector<UINT> kFileRoad = {kDatabaseTypePage, kSourceFilePage, kTablePage,  kMappingPage,
                                     kSqlConditionPage, kTargetPage,     kImportPage};
const std::vector<UINT> kShopRoad = {kDatabaseTypePage, kSourceShopSelectPage, kTargetPage, kSourceShopImportPage};

TEST_F(SheetTest, PageListPerSourceTypeNeverDoubled) {
  CMainSheet sheet;
  EXPECT_EQ(sheet.m_typDatabase, kSourceNone);
  EXPECT_EQ(PageIds(sheet), kFileRoad);
  for (int type : {kSourceQuillonShop, kSourceText, kSourceQuillonShop, kSourceQuillonShop, kSourceAccess}) {
    sheet.m_typDatabase = type;
    sheet.RebuildPageList(sheet.GetPageListCount());
    EXPECT_EQ(PageIds(sheet), type == kSourceQuillonShop ? kShopRoad : kFileRoad) << type;
    EXPECT_EQ(sheet.GetPageListCount() + 1, sheet.GetPageCount());
  }
}

// The table page's window goes with the rebuilt list and is made again
// when it is shown (each time saying that no source is open yet).
TEST_F(SheetTest, RemovedPageIsMadeAnewWhenShownAgain) {
  CMainSheet sheet;
  CPropertyPage* table = sheet.FindPage(kTablePage);
  ASSERT_NE(table, nullptr);
  for (int shown = 0; shown < 2; ++shown)
    prompts.ExpectMessageBox(IDOK, 0, "Failure in open database 's DSN file!");
  ASSERT_TRUE(sheet.SetActivePage(table));
  EXPECT_TRUE(table->IsCreated());
  ASSERT_TRUE(sheet.SetActivePage(0));
  sheet.RebuildPageList(sheet.GetPageListCount());
  EXPECT_FALSE(table->IsCreated());
  ASSERT_TRUE(sheet.SetActivePage(table));
  EXPECT_TRUE(table->IsCreated());
  EXPECT_EQ(sheet.GetActivePage(), table);
  EXPECT_EQ(prompts.PendingAnswers(), 0u);
}

TEST_F(SheetTest, RowsetSizeFromTheIni) {
  struct Case {
    const char* ini;
    int size;
  } cases[] = {
      {"", 100},
      {"[Wizard Settings]\nRowsetSize=0\n", 100},
      {"[Wizard Settings]\nRowsetSize=abc\n", 100},
      {"[Wizard Settings]\nRowsetSize=250\n", 250},
      {"[Wizard Settings]\nRowsetSize=2001\n", kMaxRowsetRows},
      {"[Wizard Settings]\nRowsetSize=99999999999\n", kMaxRowsetRows},
      {"[Wizard Settings]\nRowsetSize=-5\n", 100},
  };
  for (const Case& c : cases) {
    home.Write("tallyport.ini", c.ini);
    EXPECT_EQ(CMainSheet().m_nRowsetSize, c.size) << c.ini;
  }
}

TEST_F(SheetTest, AdvancedModeFromTheAppFlags) {
  EXPECT_FALSE(CMainSheet(kAppFlagWizardButtons).m_bAdvancedMode);
  EXPECT_TRUE(CMainSheet(kAppFlagAdvancedImport).m_bAdvancedMode);
}

TEST_F(SheetTest, MappingColumnsCountsCaptionsCodesAndPlaces) {
  CMainSheet sheet;
  EXPECT_EQ(sheet.BuildMappingColumns(), 4);
  EXPECT_STREQ(sheet.m_mappingColumns[2]->m_strCaption, "Department Name");

  sheet.m_nAllFields = 1;
  sheet.m_nOptionCount = 2;
  sheet.m_nChoiceCount = 3;
  ASSERT_EQ(sheet.BuildMappingColumns(), 31);
  EXPECT_EQ(sheet.m_nImportingFields, 31);
  EXPECT_EQ(sheet.m_nMainColumns, 9);
  const auto& columns = sheet.m_mappingColumns;
  EXPECT_STREQ(columns[0]->m_strCaption, "Product Name");
  EXPECT_STREQ(columns[8]->m_strCaption, "Link");
  EXPECT_EQ(columns[8]->m_code.Value(), 8u);
  // Option o's columns at 9 + o * 11 + k; choice (o, c) at 9 + (3o + c) * 3 + (o + 1) * 2 + k.
  EXPECT_STREQ(columns[9]->m_strCaption, "Option name 1");
  EXPECT_TRUE(columns[9]->m_code.IsOptionName());
  EXPECT_STREQ(columns[10]->m_strCaption, "Option Status (On/Off) 1");
  EXPECT_TRUE(columns[10]->m_code.IsOptionStatus());
  EXPECT_STREQ(columns[11]->m_strCaption, "Option1 Choice name 1");
  EXPECT_TRUE(columns[11]->m_code.IsChoiceName());
  EXPECT_STREQ(columns[13]->m_strCaption, "Option1 Choice item no 1");
  EXPECT_STREQ(columns[20]->m_strCaption, "Option name 2");
  EXPECT_EQ(columns[20]->m_code.OptionIndex(), 1);
  EXPECT_STREQ(columns[30]->m_strCaption, "Option2 Choice item no 3");
  EXPECT_TRUE(columns[30]->m_code.IsChoiceItemNo());
  EXPECT_EQ(columns[30]->m_code.ChoiceIndex(), 2);
  for (int i = 0; i < 31; ++i) {
    EXPECT_EQ(columns[i]->m_nNumber, i);
    EXPECT_TRUE(columns[i]->m_strSourceField.IsEmpty());
  }
}

TEST_F(SheetTest, ImportStatementKeptUntilReset) {
  CMainSheet sheet;
  sheet.m_strDBName = "/data/products.csv";
  EXPECT_STREQ(sheet.ImportSqlBuilder(FALSE), "SELECT * FROM /data/products.csv");
  EXPECT_STREQ(sheet.ImportSqlBuilder(FALSE), "SELECT * FROM /data/products.csv") << "kept";
  sheet.BuildMappingColumns();
  sheet.m_mappingColumns[1]->m_strSourceField = "Item]No";
  sheet.m_mappingColumns[3]->m_strSourceField = "No\"tes";
  sheet.m_strTableName = "\"products.csv\"";
  EXPECT_STREQ(sheet.ImportSqlBuilder(TRUE), "SELECT \"Item]No\",\"No\"\"tes\" FROM \"products.csv\"");
  EXPECT_STREQ(sheet.m_strSQLQuery, "SELECT \"Item]No\",\"No\"\"tes\" FROM \"products.csv\"");
}

TEST_F(SheetTest, FileBasedConnectionStringMakesTheTypeTheSheets) {
  home.Write("tallyport.ini", "[General ConnStr Info]\nDefaultDir=/srv/Shop Data\n[Excel]\nDriver={Excel}\n");
  CMainSheet sheet;
  sheet.m_typDatabase = kSourceQuillonShop;
  CString excel = sheet.BuildConnectionString(kSourceExcel);
  EXPECT_EQ(sheet.m_typDatabase, kSourceExcel);
  EXPECT_EQ(std::string(static_cast<LPCTSTR>(excel)).rfind("DefaultDir=" + home.path() + ";Driver={Excel};", 0), 0u) << excel;
  CString again = sheet.BuildConnectionString(kSourceExcel);
  EXPECT_EQ(std::string(static_cast<LPCTSTR>(again)).rfind("DefaultDir=/srv/Shop Data;Driver={Excel};", 0), 0u) << again;
  sheet.BuildConnectionString(kSourceParadox);
  EXPECT_EQ(sheet.m_typDatabase, kSourceExcel) << "Paradox leaves the type";
}

TEST_F(SheetTest, DBaseAndParadoxStringsNameTheChosenFilesFolder) {
  home.Write("tallyport.ini",
             "[DBase]\nDRIVER={dBase Driver}\nDefaultDir=/elsewhere\nFIL=dBase IV\n"
             "[Paradox]\nDRIVER={Paradox Driver}\n");
  CMainSheet sheet;
  sheet.m_strDBName = "/srv/Shop Data/Stock.DBF";
  EXPECT_STREQ(sheet.BuildConnectionString(kSourceDBase),
               "DRIVER={dBase Driver};FIL=dBase IV;DefaultDir=/srv/Shop Data;");
  sheet.m_strDBName = "/srv/Old Shop/product.db";
  EXPECT_STREQ(sheet.BuildConnectionString(kSourceParadox), "DRIVER={Paradox Driver};DefaultDir=/srv/Old Shop;");
  sheet.m_strDBName = "product.db";
  EXPECT_STREQ(sheet.BuildConnectionString(kSourceParadox), "DRIVER={Paradox Driver};") << "no folder named: as the ini says";
}

TEST(HelpContexts, PerPageAndType) {
  struct Case {
    int type;
    int page;
    DWORD context;
  } cases[] = {
      {kSourceText, 0, 150401},     {kSourceText, 1, 150402},     {kSourceText, 6, 150407},
      {kSourceText, 7, 150401},     {kSourceText, -1, 150401},    {kSourceReserved, 0, 150401},
      {kSourceReserved, 1, 150501}, {kSourceReserved, 4, 150504}, {kSourceReserved, 5, 150401},
      {kSourceQuillonShop, 0, 150401}, {kSourceQuillonShop, 1, 150501}, {kSourceQuillonShop, 3, 150503},
  };
  for (const Case& c : cases) EXPECT_EQ(HelpContextFor(c.type, c.page), c.context) << c.type << " " << c.page;
}

TEST_F(SheetTest, HelpPageOpenedOrMessage51633) {
  CMainSheet sheet;
  ASSERT_TRUE(sheet.SetActivePage(0));
  SetHelpLanguage("English");
  prompts.ExpectOpenDocument(TRUE);
  EXPECT_TRUE(sheet.OnHelp());
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_STREQ(prompts.asked[0].text, (home / "Help/English/150401.HTML").c_str());
  prompts.ExpectOpenDocument(FALSE);
  prompts.ExpectMessageBox(IDOK, 51633);
  sheet.WinHelp();
  EXPECT_EQ(prompts.PendingAnswers(), 0u);
  EXPECT_EQ(prompts.asked.back().type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
}

// Every page of both roads, and the source file's own help, has its help
// page delivered in the seeded program folder: a titled document that names
// the keys.
TEST_F(SheetTest, HelpPageDeliveredForEveryPage) {
  CMainSheet sheet;
  std::vector<DWORD> ids = {924};
  for (int type : {kSourceText, kSourceQuillonShop}) {
    sheet.m_typDatabase = type;
    sheet.RebuildPageList(sheet.GetPageListCount());
    for (int page = 0; page < sheet.GetPageCount(); ++page) ids.push_back(HelpContextFor(type, page));
  }
  SetHelpLanguage("English");
  for (DWORD id : ids) {
    CString path = FwNativePath(HelpPagePath(id));
    std::ifstream file(static_cast<LPCTSTR>(path));
    ASSERT_TRUE(file.good()) << path;
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("<title>"), std::string::npos) << path;
    EXPECT_NE(text.find("<h2>Keys</h2>"), std::string::npos) << path;
  }
}

TEST_F(SheetTest, TitleFromThePage) {
  CMainSheet sheet;
  EXPECT_STREQ(sheet.GetWindowText(), "Tradeloft Pro - Database Import Wizard");
  ASSERT_TRUE(sheet.SetActivePage(0));
  sheet.GetActivePage()->OnPaint();
  EXPECT_STREQ(sheet.GetTitle(), "Import Wizard - Database Type Seletion");
}

}  // namespace
