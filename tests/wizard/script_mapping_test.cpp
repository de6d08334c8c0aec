// Guards, through the scripted driver on real files, that the mapping page
// hands every mapped column on: a template loaded on a source with no
// remembered mapping keeps its options and choices through Next, Back,
// Next into the remembered file and the shop; column names holding ','
// and '<' survive the remembered file; a mapped column the source lacks is
// named on loading and left unmapped, and Next goes on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dbase_writer.h"
#include "shop_test_kvcdump.h"
#include "wizard_home.h"

namespace {

using wizard_test::RunScript;
using wizard_test::WizardHome;

// From the mapping page through the SQL page and the target to Finish.
std::string FromSqlPageToFinish(const std::string& target) {
  return "expect page 20005\nnext\nexpect page 20008\nset 21135 " + target +
         "\nnext\nexpect page 20007\ntree 21176 My Departments\nclick 21118\nfinish\n";
}

class ScriptMapping : public ::testing::Test {
 protected:
  ScriptMapping() { std::filesystem::create_directories(folder); }
  std::string Dump(const std::string& shop) {
    const auto dump = shop_test::kvcdump(shop);
    EXPECT_EQ(dump.status, 0) << dump.out;
    return dump.out;
  }

  WizardHome home;
  const std::string folder = home / "src";
  const std::string target = home / "shop.kvc";
};

TEST_F(ScriptMapping, ALoadedTemplatesOptionsReachTheShop) {
  std::ofstream(folder + "/products.csv") << "Name,Item,Price,Opt,Ch1,Ch1Price,Ch2,Ch2Price\n"
                                             "Garden Rake,R-100,12.50,Material,Oak,1.5,Steel,2.25\n";
  std::ofstream(home / "template.cfg") << "<Options>=1\n<Choices>=2\n"
                                          "<Tables>=Name,Item,,,,Price,,,,Opt,,Ch1,Ch1Price,,Ch2,Ch2Price,\n";
  const auto run = RunScript(home, "expect page 20000\ntoggle 21185\npick 1149 Text (*.csv,*.txt)\nnext\n"
                                   "expect page 20001\nset 21186 " + folder + "/products.csv\nnext\n"
                                   "expect page 20004\nnext\nexpect page 20009\nanswer-open " + (home / "template.cfg") +
                                   "\nclick 21160\nnext\nexpect page 20005\nback\nexpect page 20009\nnext\n" +
                                   FromSqlPageToFinish(target));
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string remembered = home.Read("src/products_csv.cfg");
  EXPECT_EQ(remembered.substr(0, 24), "<Options>=1\n<Choices>=2\n") << remembered;
  EXPECT_NE(remembered.find("Opt,,Ch1,Ch1Price,,Ch2,Ch2Price"), std::string::npos) << remembered;
  const std::string dump = Dump(target);
  EXPECT_NE(dump.find("Garden Rake price 12.50\n  option 1: Material (not offered)\n    choice 1: Oak price 1.50"),
            std::string::npos)
      << dump;
}

TEST_F(ScriptMapping, NamesHoldingCommaAndLessThanSurviveTheRememberedFile) {
  std::ofstream(folder + "/products.csv") << "Name,Item,\"Notes, long\",Size<10,Price\n"
                                             "Garden Rake,R-100,Ash handle,rake.png,12.50\n";
  const auto run = RunScript(home, "expect page 20000\npick 1149 Text (*.csv,*.txt)\nnext\nexpect page 20001\n"
                                   "set 21186 " + folder + "/products.csv\nnext\nexpect page 20004\nnext\n"
                                   "expect page 20009\nmap 21151 0 Name\nmap 21151 1 Item\nmap 21151 3 Notes, long\n"
                                   "map 21151 4 Size<10\nmap 21151 5 Price\nnext\nexpect page 20005\nback\n"
                                   "expect page 20009\nnext\n" + FromSqlPageToFinish(target));
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(home.Read("src/products_csv.cfg").find("<Tables>=Name,Item,,\"Notes, long\",\"Size<10\",Price"),
            std::string::npos)
      << home.Read("src/products_csv.cfg");
  const std::string dump = Dump(target);
  EXPECT_NE(dump.find("item \"R-100\": Garden Rake price 12.50"), std::string::npos) << dump;
}

TEST_F(ScriptMapping, AColumnTheSourceLacksIsNamedAndLeftUnmapped) {
  sources_test::DbfTable table;
  for (const char* name : {"NAME", "ITEM", "DESCR", "PRICE"}) table.fields.push_back({name, 'C', 20});
  table.records.push_back({{"Garden Rake", "R-100", "Ash handle", "12.50"}});
  std::ofstream(folder + "/products.dbf", std::ios::binary) << sources_test::DbfBytes(table);
  std::ofstream(folder + "/products_dbf.cfg") << "<Options>=0\n<Choices>=0\n<Tables>=Name,Item,,Description,,Price,,,\n";
  const auto run = RunScript(
      home, "expect page 20000\npick 1149 Text (*.csv,*.txt)\nnext\nexpect page 20001\nset 21186 " + folder +
                "/products.dbf\nnext\nexpect page 20004\nanswer ok\nnext\nexpect message The mapping file names "
                "columns this source does not have; these fields are left unmapped: Product Description "
                "(\"Description\")\nexpect page 20009\nnext\n" + FromSqlPageToFinish(target));
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string dump = Dump(target);
  EXPECT_NE(dump.find("item \"R-100\": Garden Rake price 12.50"), std::string::npos) << dump;
}

}  // namespace
