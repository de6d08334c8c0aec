// Guards, through the scripted driver over an SQLite3 data source, the
// record totals a person reads under the previews: the table page counts
// the table chosen last (also for "All items", which is written to
// tallyport.ini), and the SQL page counts the rows its condition keeps.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>

#include "odbc_test_support.h"
#include "wizard_home.h"

namespace {

using wizard_test::RunScript;
using wizard_test::WizardHome;

TEST(ScriptPreview, TotalsFollowTheTableAndTheCondition) {
  WizardHome home;
  std::string sql = "CREATE TABLE few (Name TEXT, Item TEXT); INSERT INTO few VALUES ('Red shoe', 'S1'),"
                    "('Boot', 'S2'), ('Apron', 'S3'); CREATE TABLE many (Name TEXT, Item TEXT); BEGIN;";
  for (int k = 1; k <= 2600; ++k)
    sql += "INSERT INTO many VALUES ('Item " + std::to_string(k) + "', 'M" + std::to_string(k) + "');";
  odbc_test::RunSqlite(home / "catalogue.sqlite", sql + "COMMIT;");
  dv_test::scratch_dir odbcFolder;
  const std::string dsn = odbc_test::DefineDataSource(odbcFolder, "Totals", home / "catalogue.sqlite");
  std::string cfg = dsn + ".cfg";
  for (char& c : cfg) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  home.Write(cfg, "<Options>=0\n<Choices>=0\n<Tables>=Name,Item,,,,,,,\n");
  const auto run = RunScript(
      home, "expect page 20000\npick 1149 ODBC data source (DSN)\nnext\nexpect page 20001\nset 21186 " + dsn +
                "\nnext\nexpect page 20004\npick 21127 few\nexpect text 21161 \" 1 - 3 of 3 records\"\n"
                "pick 21127 many\nexpect text 21161 \" 1 - 100 of 2600 records\"\npick 21209 All items\n"
                "expect text 21161 \" 1 - 2000 of 2600 records\"\npick 21127 few\n"
                "expect text 21161 \" 1 - 3 of 3 records\"\nnext\nexpect page 20009\nnext\nexpect page 20005\n"
                "expect text 21161 \" 1 - 3 of 3 records\"\nset 21193 shoe\nclick 21115\n"
                "expect text 21161 \" 1 - 1 of 1 records\"\nclick 21142\nexpect text 21161 \" 1 - 1 of 1 records\"\n"
                "cancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(home.Read("tallyport.ini").find("RowsetSize=2000"), std::string::npos) << home.Read("tallyport.ini");
}

}  // namespace
