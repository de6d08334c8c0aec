// Guards names that come from a source on their way into SQL: tables,
// files, workbook sheets and columns named with ']', ';', quotes and "--"
// import their own rows and nothing else (every such name reaches a statement only in the
// driver's identifier quote, the quote doubled inside); and a data source
// name that reads as a path keeps its mapping file in the program folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#include "odbc_test_support.h"
#include "shop_test_kvcdump.h"
#include "wizard_home.h"

namespace {

using wizard_test::RunScript;
using wizard_test::TextImportScript;
using wizard_test::WizardHome;

// The dump of a shop file, and the distinct item numbers in it.
std::string Dump(const std::string& shop) {
  auto dump = shop_test::kvcdump(shop);
  EXPECT_EQ(dump.status, 0) << dump.out;
  return dump.out;
}

std::set<std::string> ItemsOf(const std::string& dump) {
  std::set<std::string> items;
  const std::string mark = "item \"";
  for (size_t at = dump.find(mark); at != std::string::npos; at = dump.find(mark, at + 1)) {
    const size_t start = at + mark.size();
    items.insert(dump.substr(start, dump.find('"', start) - start));
  }
  return items;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The script from the first page to Finish for a data source.
std::string DataSourceScript(const std::string& dsn, const std::string& target) {
  return "expect page 20000\npick 1149 ODBC data source (DSN)\nnext\nexpect page 20001\nset 21186 " + dsn +
         "\nnext\nexpect page 20004\nnext\nexpect page 20009\nnext\nexpect page 20005\nnext\nexpect page 20008\n"
         "set 21135 " + target + "\nnext\nexpect page 20007\ntree 21176 My Departments\nclick 21118\nfinish\n";
}

class SourceNames : public ::testing::Test {
 protected:
  SourceNames() { std::filesystem::create_directory(home / "src"); }
  WizardHome home;
};

TEST_F(SourceNames, FilesAndColumnsWithHostileNamesImportTheirRows) {
  // Columns: the product name in "Na]me", the item number in 'It"em' (a
  // double quote), the department in "De;pt", the price in "Pri -- ce".
  const char kMapping[] = "<Options>=0\n<Choices>=0\n<Tables>=Na]me,It\"em,De;pt,,,Pri -- ce\n";
  const char* const files[] = {"br]acket.csv", "semi;colon.csv", "quo'te.csv", "dq\"uote.csv", "da--sh.csv",
                               "all ]; ' \" --.csv"};
  int n = 0;
  for (const char* file : files) {
    SCOPED_TRACE(file);
    const std::string path = home / (std::string("src/") + file);
    std::ofstream(path) << "Na]me,\"It\"\"em\",De;pt,Pri -- ce\nRake,R-" << n << ",Tools,2.5\nHose,H-" << n
                        << ",Water,4\n";
    std::string cfg = Lower(file);
    cfg.replace(cfg.rfind('.'), 1, "_");
    std::ofstream(home / ("src/" + cfg + ".cfg")) << kMapping;
    const std::string target = home / ("shop" + std::to_string(n) + ".kvc");
    auto run = RunScript(home, TextImportScript(path, target));
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::string dump = Dump(target);
    const std::set<std::string> expected = {"R-" + std::to_string(n), "H-" + std::to_string(n)};
    std::set<std::string> imported;
    for (const std::string& item : ItemsOf(dump))
      if (item.rfind("R-", 0) == 0 || item.rfind("H-", 0) == 0) imported.insert(item);
    EXPECT_EQ(imported, expected) << dump;
    EXPECT_NE(dump.find("Tools"), std::string::npos) << dump;
    EXPECT_NE(dump.find("price 2.50"), std::string::npos) << dump;
    ++n;
  }
}

TEST_F(SourceNames, AFileNoSchemaSectionCanNameIsReadWithTheChosenDelimiter) {
  // "[a]b.csv]" cannot head a section of schema.ini: the file is read with
  // the format the connection string carries.
  const std::string path = home / "src/semi]colon.csv";
  std::ofstream(path) << "Name;Item;Dept;Price\nRake, steel;R-9;Tools;2.5\n";
  std::ofstream(home / "src/semi]colon_csv.cfg") << "<Options>=0\n<Choices>=0\n<Tables>=Name,Item,Dept,,,Price\n";
  const std::string target = home / "semi.kvc";
  auto run = RunScript(home, TextImportScript(path, target, ";"));
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string dump = Dump(target);
  EXPECT_EQ(ItemsOf(dump).count("R-9"), 1u) << dump;
  EXPECT_NE(dump.find("Rake, steel"), std::string::npos) << dump;
}

TEST_F(SourceNames, TableNamesThatWouldEndTheStatementImportEveryRowAndNothingElse) {
  const char kMapping[] = "<Options>=0\n<Choices>=0\n<Tables>=Name,ItemNo,Dept,,,Price\n";
  dv_test::scratch_dir odbcFolder;
  const char* const tables[] = {
      "products] WHERE ItemNo = '800007' --",
      "products] UNION SELECT name, name, 'Injected/Catalogue', 1 FROM sqlite_master --",
      "products\"; DROP TABLE zz; --",
      "products` --",
  };
  int n = 0;
  for (const char* table : tables) {
    SCOPED_TRACE(table);
    const std::string database = home / ("src/source" + std::to_string(n) + ".sqlite");
    std::string quoted = "\"";
    for (const char* c = table; *c; ++c) quoted += *c == '"' ? std::string("\"\"") : std::string(1, *c);
    quoted += "\"";
    // A second table, "zz", comes after the hostile one in name and in
    // creation order: the hostile table is the one the page takes first.
    std::string sql = "CREATE TABLE " + quoted + "(Name TEXT, ItemNo TEXT, Dept TEXT, Price REAL);"
                      "CREATE TABLE zz(a); INSERT INTO zz VALUES(1);";
    for (int k = 0; k < 50; ++k)
      sql += "INSERT INTO " + quoted + " VALUES('Item " + std::to_string(k) + "', '" + std::to_string(800000 + k) +
             "', 'Catalogue', 1);";
    odbc_test::RunSqlite(database, sql);
    const std::string dsn = odbc_test::DefineDataSource(odbcFolder, "Names", database);
    std::ofstream(home / (Lower(dsn) + ".cfg")) << kMapping;
    const std::string target = home / ("dsn" + std::to_string(n) + ".kvc");
    auto run = RunScript(home, DataSourceScript(dsn, target));
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::string dump = Dump(target);
    const std::set<std::string> items = ItemsOf(dump);
    for (int k = 0; k < 50; ++k) EXPECT_EQ(items.count(std::to_string(800000 + k)), 1u) << k << "\n" << dump;
    EXPECT_EQ(dump.find("Injected"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("sqlite_master"), std::string::npos) << dump;
    odbc_test::RunSqlite(database, "SELECT * FROM zz;");  // still there
    ++n;
  }
}

TEST_F(SourceNames, ADataSourceNameThatReadsAsAPathKeepsItsMappingFileInTheProgramFolder) {
  odbc_test::RunSqlite(home / "src/escape.sqlite",
                       "CREATE TABLE products(Name TEXT, ItemNo TEXT, Dept TEXT, Price REAL);"
                       "INSERT INTO products VALUES('Rake', 'E-1', 'Tools', 2);");
  dv_test::scratch_dir odbcFolder;
  const std::string dsn = odbc_test::DefineDataSource(odbcFolder, "../../escape", home / "src/escape.sqlite");
  const std::string target = home / "escape.kvc";
  // The run starts in a folder two below the program folder, so that a
  // name taken as a path would land in the program folder itself.
  std::filesystem::create_directories(home / "a/b");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(home / "a/b");
  std::string script = DataSourceScript(dsn, target);
  script.replace(script.find("expect page 20009\n"), 18, "expect page 20009\nmap 21151 0 Name\nmap 21151 1 ItemNo\n");
  auto run = RunScript(home, script);
  std::filesystem::current_path(before);
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(ItemsOf(Dump(target)).count("E-1"), 1u);
  // The mapping file the mapping page wrote: one, in the program folder.
  std::vector<std::string> written;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home.path()))
    if (entry.path().extension() == ".cfg" && entry.path().filename().string().find("escape") != std::string::npos)
      written.push_back(entry.path().string());
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(std::filesystem::path(written[0]).parent_path(), std::filesystem::path(home.path()));
  EXPECT_FALSE(std::filesystem::exists(home / (Lower(dsn.substr(6)) + ".cfg")))
      << "the name was not taken as a path";
}

TEST_F(SourceNames, AWorkbookSheetNamedWithQuotesAndSeparatorsImportsItsRows) {
  // Sheet names cannot hold brackets; quotes, ';' and "--" they can.
  const std::string book = home / "src/book.xls";
  const std::string program =
      "import sys, xlwt\n"
      "b = xlwt.Workbook()\n"
      "s = b.add_sheet('It\\'s; \"a\" -- x')\n"
      "rows = [['Name', 'It\"em', 'De;pt', 'Pri -- ce'], ['Rake', 'R-7', 'Tools', 2.5], ['Hose', 'H-7', 'Water', 4]]\n"
      "for r, row in enumerate(rows):\n"
      "    for c, v in enumerate(row):\n"
      "        s.write(r, c, v)\n"
      "b.save(sys.argv[1])\n";
  std::ofstream(home / "write_book.py") << program;
  ASSERT_EQ(std::system(("/usr/bin/python3 '" + (home / "write_book.py") + "' '" + book + "'").c_str()), 0);
  std::ofstream(home / "src/book_xls.cfg") << "<Options>=0\n<Choices>=0\n<Tables>=Name,It\"em,De;pt,,,Pri -- ce\n";
  const std::string target = home / "book.kvc";
  auto run = RunScript(home, "expect page 20000\npick 1149 Excel (*.xls)\nnext\nexpect page 20001\nset 21186 " + book +
                                 "\nnext\nexpect page 20004\nnext\nexpect page 20009\nnext\nexpect page 20005\nnext\n"
                                 "expect page 20008\nset 21135 " + target +
                                 "\nnext\nexpect page 20007\ntree 21176 My Departments\nclick 21118\nfinish\n");
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::set<std::string> items = ItemsOf(Dump(target));
  EXPECT_EQ(items.count("R-7"), 1u);
  EXPECT_EQ(items.count("H-7"), 1u);
}

}  // namespace
