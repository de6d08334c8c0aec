// Guards the import as a person runs it: tallyport from a fresh program
// folder, driven by a script through every page, imports a CSV export
// (with departments, an option and its choices) into a new shop; the shop
// read back by the dump tool in another process shows the departments,
// products, prices, options and choices; the logs hold the run lines and
// one line per row; a second import of the same source updates the
// products instead of duplicating them. A semicolon CSV with decimal
// commas reads "2,50" as 2.5; an .xls workbook, a dBase and a Paradox
// table (their folder taken from the chosen file) and an SQLite3 data
// source import the same products. A run killed in the middle of a batch leaves
// the target as it was and the next run succeeds. Hostile rows (a
// 100,000-character field, a price that is no number, thousands of
// choices, a department path deeper than the limit) give log lines and
// leave a shop that opens.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "dbase_writer.h"
#include "odbc_test_support.h"
#include "px_test_table.h"
#include "shop_test_kvcdump.h"
#include "wizard_home.h"

namespace {

using wizard_test::RunScript;
using wizard_test::TextImportScript;
using wizard_test::WizardHome;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The script for a file source of the type picked first (its kind then
// follows the file's extension) into target.
std::string FileImportScript(const std::string& type, const std::string& source, const std::string& target) {
  return "expect page 20000\npick 1149 " + type + "\nnext\nexpect page 20001\nset 21186 " + source +
         "\nnext\nexpect page 20004\nnext\nexpect page 20009\nnext\nexpect page 20005\nnext\n"
         "expect page 20008\nset 21135 " + target + "\nnext\nexpect page 20007\ntree 21176 My Departments\n"
         "click 21118\nfinish\n";
}

// The mapping file: name, item number, department, description, price,
// then option 1 with two choices (name and price each).
const char kMapping[] =
    "<Options>=1\n<Choices>=2\n"
    "<Tables>=Name,Item,Dept,Notes,,Price,,,,Opt,,Ch1,Ch1Price,,Ch2,Ch2Price,\n";

class ImportEndToEnd : public ::testing::Test {
 protected:
  ImportEndToEnd() { std::filesystem::create_directory(home / "src"); }
  void WriteSource(const std::string& name, const std::string& text) {
    std::ofstream(home / ("src/" + name)) << text;
    std::string cfg = name;
    for (char& c : cfg) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    cfg.replace(cfg.rfind('.'), 1, "_");
    std::ofstream(home / ("src/" + cfg + ".cfg")) << kMapping;
  }
  void WriteMapping(const std::string& cfgName) { std::ofstream(home / ("src/" + cfgName)) << kMapping; }
  // The products every file-source test imports, and what the dump must show.
  void ExpectImported(const std::string& target) {
    const std::string dump = Dump(target);
    for (const char* expected : {"Tools", "R-100", "Garden Rake", "12.5", "Material", "Oak", "Steel", "H-200"})
      EXPECT_NE(dump.find(expected), std::string::npos) << expected << " missing from\n" << dump;
  }
  std::string Dump(const std::string& shop) {
    auto dump = shop_test::kvcdump(shop);
    EXPECT_EQ(dump.status, 0) << dump.out;
    return dump.out;
  }

  WizardHome home;
};

TEST_F(ImportEndToEnd, CsvIntoANewShopThenASecondRunUpdates) {
  WriteSource("products.csv",
              "Name,Item,Dept,Notes,Price,Opt,Ch1,Ch1Price,Ch2,Ch2Price\n"
              "Garden Rake,R-100,Garden/Tools,Ash handle,12.50,Material,Oak,1.5,Steel,2.25\n"
              "Hose,H-200,Garden/Water,30 m,39.90,,,,,\n"
              "Can,1234.00,Water,10 l,9,Size,Small,0,Large,3\n");
  const std::string target = home / "shop.kvc";
  auto run = RunScript(home, TextImportScript(home / "src/products.csv", target));
  ASSERT_EQ(run.status, 0) << run.errors;
  std::string dump = Dump(target);
  for (const char* expected : {"Garden", "Tools", "Water", "R-100", "Garden Rake", "12.5", "Material", "Oak", "Steel",
                               "H-200", "1234", "Size", "Large"})
    EXPECT_NE(dump.find(expected), std::string::npos) << expected << " missing from\n" << dump;
  EXPECT_EQ(dump.find("1234.00"), std::string::npos) << dump;
  EXPECT_NE(dump.find("Garden Rake price 12.50\n  option 1: Material (not offered)\n    choice 1: Oak price 1.50"),
            std::string::npos)
      << "the default options make way for the imported ones\n"
      << dump;
  const std::string log = home.Read("Tallyport.Log");
  EXPECT_NE(log.find("Import Database " + (home / "src/products.csv") + " --> " + target), std::string::npos) << log;
  EXPECT_NE(log.find("Start: "), std::string::npos) << log;
  EXPECT_NE(log.find("[ Tools ] - < R-100 >"), std::string::npos) << log;
  EXPECT_FALSE(std::filesystem::exists(home / "tallyport2.log"));
  for (const auto& entry : std::filesystem::directory_iterator(home.path()))
    EXPECT_EQ(entry.path().filename().string().find(".work"), std::string::npos) << entry.path() << " outlived the run";

  // The same source again: the products are updated, not duplicated.
  WriteSource("products.csv",
              "Name,Item,Dept,Notes,Price,Opt,Ch1,Ch1Price,Ch2,Ch2Price\n"
              "Garden Rake,R-100,Garden/Tools,Ash handle,14.00,Material,Oak,1.5,Steel,2.25\n"
              "Hose,H-200,Garden/Water,30 m,39.90,,,,,\n"
              "Can,1234.00,Water,10 l,9,Size,Small,0,Large,3\n");
  run = RunScript(home, TextImportScript(home / "src/products.csv", target));
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string again = Dump(target);
  auto count = [](const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count(again, "Garden Rake"), count(dump, "Garden Rake")) << again;
  EXPECT_EQ(count(again, "Oak"), count(dump, "Oak")) << again;
  EXPECT_NE(again.find("Garden Rake price 14.00\n"), std::string::npos) << again;
  EXPECT_EQ(again.find("Garden Rake price 12.50"), std::string::npos) << again;
}

TEST_F(ImportEndToEnd, SemicolonCsvWithDecimalCommas) {
  WriteSource("semi.csv",
              "Name;Item;Dept;Notes;Price;Opt;Ch1;Ch1Price;Ch2;Ch2Price\n"
              "Pot;P-1;Pots;Clay;2,50;Glaze;Blue;0,75;Red;1,25\n"
              "Tray;T-1;Pots;Big;1,234.50;;;;;\n");
  const std::string target = home / "semi.kvc";
  auto run = RunScript(home, TextImportScript(home / "src/semi.csv", target, ";",
                                              "answer ok text 1 of the imported rows had problems; Tallyport.Log "
                                              "names each of them.\nclick 21118\nfinish\n"));
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string dump = Dump(target);
  EXPECT_NE(dump.find("2.5"), std::string::npos) << dump;
  EXPECT_NE(dump.find("Glaze"), std::string::npos) << dump;
  EXPECT_NE(dump.find("0.75"), std::string::npos) << dump;
  const std::string log = home.Read("Tallyport.Log");
  EXPECT_NE(log.find("Row 2: price \"1,234.50\" holds both ',' and '.'"), std::string::npos) << log;
  EXPECT_NE(dump.find("Tray price 1234.50"), std::string::npos) << "the last separator is the decimal point\n" << dump;
}

TEST_F(ImportEndToEnd, ExcelWorkbook) {
  const std::string book = home / "src/products.xls";
  const std::string program =
      "import sys, xlwt\n"
      "b = xlwt.Workbook()\n"
      "s = b.add_sheet('Products')\n"
      "rows = [['Name','Item','Dept','Notes','Price','Opt','Ch1','Ch1Price','Ch2','Ch2Price'],\n"
      "        ['Garden Rake','R-100','Garden/Tools','Ash',12.5,'Material','Oak',1.5,'Steel',2.25],\n"
      "        ['Hose','H-200','Garden/Water','30 m',39.9,'','','','','']]\n"
      "for r, row in enumerate(rows):\n"
      "    for c, v in enumerate(row):\n"
      "        if v != '': s.write(r, c, v)\n"
      "b.save(sys.argv[1])\n";
  std::ofstream(home / "write_book.py") << program;
  ASSERT_EQ(std::system(("/usr/bin/python3 '" + (home / "write_book.py") + "' '" + book + "'").c_str()), 0);
  WriteMapping("products_xls.cfg");
  const std::string target = home / "xls.kvc";
  auto run = RunScript(home, FileImportScript("Excel (*.xls)", book, target));
  ASSERT_EQ(run.status, 0) << run.errors;
  ExpectImported(target);
}

TEST_F(ImportEndToEnd, DBaseTable) {
  sources_test::DbfTable table;
  for (const char* name : {"Name", "Item", "Dept", "Notes", "Price", "Opt", "Ch1", "Ch1Price", "Ch2", "Ch2Price"})
    table.fields.push_back({name, 'C', 20});
  table.records.push_back({{"Garden Rake", "R-100", "Garden/Tools", "Ash", "12.50", "Material", "Oak", "1.5", "Steel",
                            "2.25"}});
  table.records.push_back({{"Hose", "H-200", "Garden/Water", "30 m", "39.90", "", "", "", "", ""}});
  std::ofstream(home / "src/products.dbf", std::ios::binary) << sources_test::DbfBytes(table);
  WriteMapping("products_dbf.cfg");
  const std::string target = home / "dbf.kvc";
  auto run = RunScript(home, FileImportScript("Text (*.csv,*.txt)", home / "src/products.dbf", target));
  ASSERT_EQ(run.status, 0) << run.errors;
  ExpectImported(target);
}

TEST_F(ImportEndToEnd, ParadoxTable) {
  using Type = dvtest::PxColumn::Type;
  std::vector<dvtest::PxColumn> columns;
  for (const char* name : {"Name", "Item", "Dept", "Notes"}) columns.push_back({name, Type::Alpha, 20});
  columns.push_back({"Price", Type::Number});
  for (const char* name : {"Opt", "Ch1"}) columns.push_back({name, Type::Alpha, 20});
  columns.push_back({"Ch1Price", Type::Number});
  columns.push_back({"Ch2", Type::Alpha, 20});
  columns.push_back({"Ch2Price", Type::Number});
  dvtest::WriteParadoxTable(home / "src/products.db", columns,
                            {{"Garden Rake", "R-100", "Garden/Tools", "Ash", "12.5", "Material", "Oak", "1.5", "Steel",
                              "2.25"},
                             {"Hose", "H-200", "Garden/Water", "30 m", "39.9", std::nullopt, std::nullopt,
                              std::nullopt, std::nullopt, std::nullopt}});
  WriteMapping("products_db.cfg");
  const std::string target = home / "px.kvc";
  auto run = RunScript(home, FileImportScript("Text (*.csv,*.txt)", home / "src/products.db", target));
  ASSERT_EQ(run.status, 0) << run.errors;
  ExpectImported(target);
}

TEST_F(ImportEndToEnd, HostileRowsAreLoggedAndTheShopOpens) {
  std::string rows = "Name,Item,Dept,Notes,Price,Opt,Ch1,Ch1Price,Ch2,Ch2Price\n";
  rows += "Long,L-1,Misc," + std::string(100000, 'x') + ",1,,,,,\n";
  rows += "Bad,B-1,Misc,,twelve,,,,,\n";
  for (int i = 0; i < 2000; ++i) rows += "Many,M-1,Misc,,1,Colour,c" + std::to_string(i) + ",1,,\n";
  WriteSource("hostile.csv", rows);
  const std::string target = home / "hostile.kvc";
  auto run = RunScript(home, TextImportScript(home / "src/hostile.csv", target, "",
                                              "answer ok text 2 of the imported rows had problems; Tallyport.Log "
                                              "names each of them.\nclick 21118\nfinish\n"));
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string dump = Dump(target);
  EXPECT_NE(dump.find("c1999"), std::string::npos) << "thousands of choices on one option";
  const std::string log = home.Read("Tallyport.Log");
  EXPECT_NE(log.find("Row 1: a value of 100000 characters"), std::string::npos) << log.substr(0, 2000);
  EXPECT_NE(log.find("Row 2: price \"twelve\" is not a number"), std::string::npos) << log.substr(0, 2000);

  // A path deeper than the limit: the run is refused with 51502, logged,
  // and the target keeps the earlier import.
  WriteSource("deep.csv",
              "Name,Item,Dept,Notes,Price,Opt,Ch1,Ch1Price,Ch2,Ch2Price\n"
              "Deep,D-1,A/B/C,,1,,,,,\n");
  const std::string before = ReadAll(target);
  run = RunScript(home, TextImportScript(home / "src/deep.csv", target, "",
                                         "answer ok id 51502\nclick 21118\nexpect message 51502\ncancel\n"));
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(ReadAll(target), before);
  EXPECT_NE(home.Read("Tallyport.Log").find("department path \"My Departments/A/B/C\" has more than 3 levels"),
            std::string::npos);
  EXPECT_EQ(shop_test::kvcdump(target).status, 0);
}

TEST_F(ImportEndToEnd, RunKilledInABatchLeavesTheTargetAndTheNextRunSucceeds) {
  std::string rows = "Name,Item,Dept,Notes,Price,Opt,Ch1,Ch1Price,Ch2,Ch2Price\n";
  for (int i = 0; i < 1500; ++i)
    rows += "Product " + std::to_string(i) + ",K-" + std::to_string(i) + ",Kill,,1,Size,S,1,L,2\n";
  WriteSource("kill.csv", "Name,Item,Dept,Notes,Price,Opt,Ch1,Ch1Price,Ch2,Ch2Price\nFirst,F-1,Kill,,1,,,,,\n");
  const std::string target = home / "kill.kvc";
  ASSERT_EQ(RunScript(home, TextImportScript(home / "src/kill.csv", target)).status, 0);
  const std::string before = ReadAll(target);

  WriteSource("kill.csv", rows);
  home.Write("script.txt", TextImportScript(home / "src/kill.csv", target));
  const std::string command = "LC_ALL=C DV_FRAME_CONFIG_HOME='" + (home / "config") + "' " + DV_TEST_EMULATOR + " '" +
                              TALLYPORT + "' --home '" + home.path() + "' --script '" + (home / "script.txt") +
                              "' </dev/null >/dev/null 2>&1";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setpgid(0, 0);
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::setpgid(child, child);
  // Killed once rows of the first batch are being written.
  struct stat st {};
  for (int i = 0; i < 6000 && !(::stat((home / "tallyport2.log").c_str(), &st) == 0 && st.st_size > 0); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ::kill(-child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(ReadAll(target), before) << "the target is only written at Finish";

  auto run = RunScript(home, TextImportScript(home / "src/kill.csv", target));
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(Dump(target).find("K-1499"), std::string::npos);
}

TEST_F(ImportEndToEnd, OdbcDataSource) {
  const std::string database = home / "src/catalogue.sqlite";
  odbc_test::RunSqlite(database,
                       "CREATE TABLE products(Name TEXT, Item TEXT, Dept TEXT, Notes TEXT, Price REAL, Opt TEXT,"
                       " Ch1 TEXT, Ch1Price REAL, Ch2 TEXT, Ch2Price REAL);"
                       "INSERT INTO products VALUES('Garden Rake','R-100','Garden/Tools','Ash',12.5,'Material','Oak',"
                       "1.5,'Steel',2.25);"
                       "INSERT INTO products VALUES('Hose','H-200','Garden/Water','30 m',39.9,NULL,NULL,NULL,NULL,NULL);");
  dv_test::scratch_dir odbcFolder;
  const std::string dsn = odbc_test::DefineDataSource(odbcFolder, "Catalogue", database);
  std::string cfg = dsn + ".cfg";
  for (char& c : cfg) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::ofstream(home / cfg) << kMapping;
  const std::string target = home / "dsn.kvc";
  auto run = RunScript(home, "expect page 20000\npick 1149 ODBC data source (DSN)\nnext\nexpect page 20001\n"
                             "set 21186 " + dsn + "\nnext\nexpect page 20004\nnext\nexpect page 20009\nnext\n"
                             "expect page 20005\nnext\nexpect page 20008\nset 21135 " + target +
                             "\nnext\nexpect page 20007\ntree 21176 My Departments\nclick 21118\nfinish\n");
  ASSERT_EQ(run.status, 0) << run.errors;
  ExpectImported(target);
}

}  // namespace
