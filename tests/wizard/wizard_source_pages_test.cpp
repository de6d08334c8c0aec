// Guards the database-type and source-file pages in a sheet driven by
// scripts: a text source walked to the next page leaves the sheet's type,
// source file, all-fields flag, mapping columns, connection string and
// mapping file name (the folder's case kept, the name lower-cased) and
// schema.ini beside the file; Next with another type replaces the pages
// behind the first page; the remembered files keep their case, a bare name
// gets the default folder, and a missing default folder is written back; a
// data source name gives the DSN string with its login and shows the login
// controls; the connection-string editor opens on the advanced setting;
// and the page's helpers: types by extension, DSN strings, a typed
// connection string stored in the ini, schema.ini formats per locale and
// the delimiter check.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app_settings.h"
#include "connection_string.h"
#include "ctl_actions.h"
#include "db_type_table.h"
#include "fw_locale.h"
#include "fw_paths.h"
#include "fw_profile.h"
#include "main_sheet.h"
#include "schema_ini.h"
#include "script_driver.h"
#include "source_file_page.h"
#include "wizard_home.h"
#include "wizard_page_registry.h"

namespace {

// Stands in for the pages behind the source-file page, which need a source
// connection.
class StandInPage : public CPropertyPage {
 public:
  explicit StandInPage(UINT id) : CPropertyPage(id) {}
  BOOL OnSetActive() override {
    GetSheet()->PostWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    return CPropertyPage::OnSetActive();
  }
};
template <UINT Id>
std::unique_ptr<CPropertyPage> MakeStandIn(CMainSheet&) {
  return std::make_unique<StandInPage>(Id);
}
const FwDialogTemplate kStandInTemplates[] = {
    {kTablePage, "Table", nullptr, 0},
    {kSourceShopSelectPage, "Shop", nullptr, 0},
};

std::string Str(const CString& text) { return static_cast<LPCTSTR>(text); }

class SourcePagesTest : public ::testing::Test {
 protected:
  SourcePagesTest() {
    FwSetProgramFolder(home.path().c_str());
    theDefaultSettings.m_strAppDir = home.path().c_str();
    FwRegisterDialogTemplates(kStandInTemplates, std::size(kStandInTemplates));
    RegisterWizardPage(kTablePage, MakeStandIn<kTablePage>);
    RegisterWizardPage(kSourceShopSelectPage, MakeStandIn<kSourceShopSelectPage>);
  }
  ~SourcePagesTest() override { FwSetProgramFolder(nullptr); }

  // Runs the sheet from the script's lines.
  void Run(CMainSheet& sheet, const std::vector<std::string>& lines) {
    FwScriptDriver driver("test", lines);
    driver.Install();
    try {
      sheet.DoModal();
      driver.Finish();
    } catch (...) {
      driver.Uninstall();
      throw;
    }
    driver.Uninstall();
  }

  wizard_test::WizardHome home;
};

TEST_F(SourcePagesTest, TextSourceWalkedOnLeavesTheSheetState) {
  std::filesystem::create_directory(home / "Shop Data");
  std::filesystem::copy_file(home / "garden_catalogue.csv", home / "Shop Data/Products.CSV");
  CMainSheet sheet;
  Run(sheet, {"pick 1149 Text (*.csv,*.txt)", "next", "set 21186 " + (home / "Shop Data/Products.CSV"), "next",
              "expect page 20004", "cancel"});
  EXPECT_EQ(sheet.m_typDatabase, kSourceText);
  EXPECT_EQ(Str(sheet.m_strDBName), home / "Shop Data/Products.CSV");
  EXPECT_EQ(sheet.m_nAllFields, 1);
  EXPECT_EQ(sheet.m_nImportingFields, 9);
  EXPECT_EQ(Str(sheet.m_strCfgFilename), home / "Shop Data/products_csv.cfg");
  EXPECT_EQ(Str(sheet.m_strSourceFilePart), "DBQ=");
  std::string connection = Str(sheet.m_strConnectionString);
  EXPECT_EQ(connection.rfind("DefaultDir=" + (home / "Shop Data") + ";", 0), 0u) << connection;
  EXPECT_NE(connection.find(";Format=CSVDelimited;"), std::string::npos) << connection;
  char format[64];
  GetPrivateProfileString("Products.CSV", "Format", "", format, sizeof format, (home / "Shop Data/schema.ini").c_str());
  EXPECT_STREQ(format, "CSVDelimited");
}

TEST_F(SourcePagesTest, NextWithAnotherTypeReplacesThePages) {
  CMainSheet sheet;
  Run(sheet, {"pick 1149 Text (*.csv,*.txt)", "next", "back", "pick 1149 Quillon Shop (www.quillonshop.com)", "next",
              "expect page 20014", "back", "pick 1149 Access (*.mdb)", "next", "expect page 20001",
              "expect text 1151 Access (*.mdb)", "cancel"});
  std::vector<UINT> ids;
  for (int i = 0; i < sheet.GetPageCount(); ++i) ids.push_back(sheet.GetPage(i)->GetTemplateId());
  ASSERT_GE(ids.size(), 3u);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), static_cast<UINT>(kSourceFilePage)), 1);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), static_cast<UINT>(kSourceShopSelectPage)), 0);
  EXPECT_EQ(ids[1], static_cast<UINT>(kSourceFilePage));
  EXPECT_EQ(sheet.GetPageListCount() + 1, sheet.GetPageCount());
  EXPECT_EQ(g_nChosenDbType, 0);
}

TEST_F(SourcePagesTest, RememberedFilesKeepTheirCase) {
  home.Write("tallyport.ini",
             "[Select Database Page]\n"
             "Access_file=Shop.MDB\n"
             "PlainText_file=/Srv/Data/Products.CSV\n"
             "Excel_file=Books/Prices.xls\n");
  CMainSheet sheet;
  Run(sheet, {"expect page 20000", "cancel"});
  EXPECT_EQ(Str(DbTypeTable[0].file), home.path() + "/Shop.MDB");
  EXPECT_EQ(Str(DbTypeTable[1].file), "/Srv/Data/Products.CSV");
  EXPECT_EQ(Str(DbTypeTable[2].file), "Books/Prices.xls");
  EXPECT_EQ(Str(DbTypeTable[3].file), home.path() + "/product.db");
  char folder[1024];
  GetPrivateProfileString("Select Database Page", "DefaultDir", "", folder, sizeof folder,
                          (home / "tallyport.ini").c_str());
  EXPECT_EQ(std::string(folder), home.path()) << "the missing default folder is written back";
}

TEST_F(SourcePagesTest, EverySourceKindIsOffered) {
  home.Write("tallyport.ini",
             "[Select Database Page]\n"
             "MYOB_file=Exports/myob.txt\n"
             "DataSource_name=ShopDSN\n");
  CMainSheet sheet;
  Run(sheet, {"pick 1149 MYOB export (*.csv,*.txt)", "next", "expect page 20001",
              "expect text 21186 Exports/myob.txt", "back", "pick 1149 QuickBooks export (*.csv,*.txt)", "next",
              "expect page 20001", "expect text 21186 " + home.path() + "/quickbooks_export.csv", "back",
              "pick 1149 ODBC data source (DSN)", "next", "expect page 20001", "expect text 21186 ShopDSN",
              "expect text 60103 DSN", "cancel"});
  EXPECT_EQ(sheet.m_typDatabase, kSourceDataSourceName);
  EXPECT_EQ(Str(DbTypeTable[6].file), "ShopDSN") << "a data source name gets no folder";
}

TEST_F(SourcePagesTest, DataSourceNameWithLogin) {
  CMainSheet sheet;
  FwScriptDriver driver("test", {});
  driver.Install();
  sheet.m_typDatabase = kSourceDataSourceName;
  sheet.RebuildPageList(sheet.GetPageListCount());
  ASSERT_TRUE(sheet.SetActivePage(1));
  CWnd& page = *sheet.GetActivePage();
  EXPECT_TRUE(page.RequireDlgItem(CDbfetchDlg::IDC_LOGIN)->IsWindowVisible());
  EXPECT_FALSE(page.RequireDlgItem(CDbfetchDlg::IDC_BROWSE)->IsWindowVisible());
  EXPECT_STREQ(page.GetDlgItemText(CDbfetchDlg::IDC_FILE_LABEL), "DSN");
  FwTypeText(page, CDbfetchDlg::IDC_FILE_NAME, "Shop");
  FwLeaveEdit(page, CDbfetchDlg::IDC_FILE_NAME);
  FwTypeText(page, CDbfetchDlg::IDC_LOGIN, "ann");
  EXPECT_TRUE(sheet.PressButton(PSBTN_NEXT));
  EXPECT_STREQ(sheet.m_strConnectionString, "DSN=Shop;UID=ann");
  EXPECT_EQ(sheet.GetActivePage()->GetTemplateId(), static_cast<UINT>(kTablePage));
  driver.Uninstall();
}

TEST_F(SourcePagesTest, ConnectionStringEditorOnTheAdvancedSetting) {
  CMainSheet sheet(kAppFlagAdvancedImport);
  Run(sheet, {"pick 1149 Access (*.mdb)", "next", "click 21232", "expect dialog 20011", "cancel", "expect page 20001",
              "cancel"});
  CMainSheet plain;
  EXPECT_THROW(Run(plain, {"pick 1149 Access (*.mdb)", "next", "click 21232"}), FwScriptError)
      << "hidden without the advanced setting";
}

TEST(SourceFileHelpers, TypeFromExtension) {
  struct Case {
    const char* extension;
    int current;
    int type;
  } cases[] = {
      {"", kSourceDataSourceName, kSourceDataSourceName}, {"", kSourceText, kSourceNone},
      {".MDB", kSourceText, kSourceAccess},                {"dbf", kSourceNone, kSourceDBase},
      {".db", kSourceNone, kSourceParadox},                {"MB", kSourceNone, kSourceParadox},
      {".xls", kSourceNone, kSourceExcel},                 {".csv", kSourceAccess, kSourceText},
      {".TXT", kSourceMyob, kSourceMyob},                  {"csv", kSourceQuickBooks, kSourceQuickBooks},
      {".xlsx", kSourceExcel, kSourceNone},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CDbfetchDlg::TypeFromExtension(c.extension, c.current), c.type) << c.extension << " " << c.current;
}

TEST(SourceFileHelpers, DataSourceStrings) {
  EXPECT_STREQ(DataSourceString("Shop", "ann", ""), "DSN=Shop;UID=ann");
  EXPECT_STREQ(DataSourceString("Shop", "ann", "pw"), "DSN=Shop;UID=ann;PWD=pw;");
  EXPECT_STREQ(DataSourceString("Shop", "", ""), "DSN=Shop");
  EXPECT_STREQ(DataSourceString("", "", ""), "");
}

TEST(SourceFileHelpers, TypedConnectionStringStoredInTheIni) {
  dv_test::scratch_dir scratch;
  std::string ini = scratch / "tallyport.ini";
  auto read = [&](const char* section, const char* key) {
    char value[256];
    GetPrivateProfileString(section, key, "(none)", value, sizeof value, ini.c_str());
    return std::string(value);
  };
  ParseConnectionString("DefaultDir=/d;Driver={Text Driver (*.txt; *.csv)};DriverId=27;Extensions=txt,csv;UID=admin;X=1",
                        kSourceText, ini.c_str());
  EXPECT_EQ(read("General ConnStr Info", "DefaultDir"), "/d");
  EXPECT_EQ(read("General ConnStr Info", "UID"), "admin");
  EXPECT_EQ(read("Plain Text", "Driver"), "{Text Driver (*.txt; *.csv)}");
  EXPECT_EQ(read("Plain Text", "DriverId"), "27");
  EXPECT_EQ(read("Plain Text", "Extensions"), "txt,csv");
  EXPECT_EQ(read("Plain Text", "X"), "(none)");
  ParseConnectionString("Driver={Excel};FIL=excel 8.0", kSourceExcel, ini.c_str());
  EXPECT_EQ(read("Excel", "FIL"), "excel 8.0");
  ParseConnectionString("DRIVER={dBase};DefaultDir=/elsewhere", kSourceDBase, ini.c_str());
  EXPECT_EQ(read("General ConnStr Info", "DefaultDir"), "/d") << "dBase strings are not stored";
}

TEST(SourceFileHelpers, SchemaFormats) {
  struct Case {
    BOOL byExtension;
    const char* extension;
    int format;
    const char* delimiter;
    const char* separator;
    const char* value;
  } cases[] = {
      {TRUE, ".csv", kSchemaCustom, "|", ",", "CSVDelimited"},
      {TRUE, ".csv", kSchemaCsv, "", ";", "Delimited(;)"},
      {TRUE, ".TXT", kSchemaCsv, "", ",", "TabDelimited"},
      {FALSE, ".txt", kSchemaCsv, "", ",", "CSVDelimited"},
      {FALSE, ".csv", kSchemaCsv, "", ";", "Delimited(;)"},
      {FALSE, ".csv", kSchemaTab, "", ",", "TabDelimited"},
      {FALSE, ".csv", kSchemaCustom, "|", ",", "Delimited(|)"},
      {FALSE, ".csv", kSchemaCustom, "", ";", "Delimited(;)"},
      {FALSE, ".csv", 7, "|", ",", ""},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(SchemaFormatValue(c.byExtension, c.extension, c.format, c.delimiter, c.separator), c.value)
        << c.extension << " " << c.format << " " << c.delimiter;
}

TEST(SourceFileHelpers, ListSeparatorOfTheLocale) {
  FwSetLocaleOverride("de_DE");
  EXPECT_STREQ(LocaleListSeparator(), ";");
  FwSetLocaleOverride("en_US");
  EXPECT_STREQ(LocaleListSeparator(), ",");
  FwSetLocaleOverride(nullptr);
}

TEST(SourceFileHelpers, Delimiters) {
  for (const char* good : {"", ";", "|", "\t"}) EXPECT_TRUE(IsValidDelimiter(good)) << good;
  for (const char* bad : {"||", "\"", ";;"}) EXPECT_FALSE(IsValidDelimiter(bad)) << bad;
}

}  // namespace
