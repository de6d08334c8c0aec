// Guards, through the scripted driver on real files, what the source-file
// page and the staging of a text source hand on unaltered: item numbers
// such as 1.1 and 1.10 stay two products; a missing dBase or Paradox file
// is refused instead of showing another table of its folder; a .txt file
// is read with tabs also after Next; a folder holding ';' and '}' opens;
// a file read with the wrong delimiter names the delimiter used and the
// one the line seems to use.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dbase_writer.h"
#include "shop_test_kvcdump.h"
#include "wizard_home.h"

namespace {

using wizard_test::RunScript;
using wizard_test::WizardHome;

// From the first page to the table page for source, with type picked first.
std::string ToTablePage(const std::string& source, const std::string& type = "Text (*.csv,*.txt)") {
  return "expect page 20000\npick 1149 " + type + "\nnext\nexpect page 20001\nset 21186 " + source + "\nnext\n";
}

class ScriptSourcePage : public ::testing::Test {
 protected:
  ScriptSourcePage() { std::filesystem::create_directories(folder); }
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
  }

  WizardHome home;
  const std::string folder = home / "src";
};

TEST_F(ScriptSourcePage, ItemNumbersThatOneNumberWouldMergeStayTwoProducts) {
  Write("items.csv", "Name,Item,Price\nSmall Pot,1.1,2.5\nLarge Pot,1.10,4.5\nTray,2,1.25\nLid,3,2\n");
  Write("items_csv.cfg", "<Options>=0\n<Choices>=0\n<Tables>=Name,Item,,,,Price,,,\n");
  const std::string target = home / "shop.kvc";
  const auto run = RunScript(home, ToTablePage(folder + "/items.csv") +
                                       "expect page 20004\nexpect text 21161 \" 1 - 4 of 4 records\"\nnext\n"
                                       "expect page 20009\nnext\nexpect page 20005\nnext\nexpect page 20008\n"
                                       "set 21135 " + target + "\nnext\nexpect page 20007\ntree 21176 My Departments\n"
                                       "click 21118\nfinish\n");
  ASSERT_EQ(run.status, 0) << run.errors;
  const auto dump = shop_test::kvcdump(target);
  ASSERT_EQ(dump.status, 0) << dump.out;
  for (const char* expected : {"item \"1.1\": Small Pot price 2.50", "item \"1.10\": Large Pot price 4.50",
                               "item \"2\": Tray", "item \"3\": Lid price 2.00"})
    EXPECT_NE(dump.out.find(expected), std::string::npos) << expected << " missing from\n" << dump.out;
}

TEST_F(ScriptSourcePage, AMissingDBaseOrParadoxFileIsRefused) {
  sources_test::DbfTable table;
  table.fields.push_back({"Name", 'C', 10});
  table.records.push_back({{"Other"}});
  Write("aaa.dbf", sources_test::DbfBytes(table));
  for (const char* missing : {"nosuch.dbf", "nosuch.db"}) {
    SCOPED_TRACE(missing);
    const std::string path = folder + "/" + missing;
    const auto run = RunScript(home, "expect page 20000\npick 1149 Text (*.csv,*.txt)\nnext\nexpect page 20001\n"
                                     "set 21186 " + path + "\nanswer ok id 51653\nnext\nexpect message 51653\n"
                                     "expect page 20001\ncancel\n");
    EXPECT_EQ(run.status, 0) << run.errors;
  }
  // The file itself, named in another case, is found as its driver finds it.
  const auto run = RunScript(home, ToTablePage(folder + "/AAA.DBF") + "expect page 20004\n"
                                   "expect text 21161 \" 1 - 1 of 1 records\"\ncancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
}

TEST_F(ScriptSourcePage, ATxtFileIsReadWithTabsAfterNext) {
  Write("tabs.txt", "Name\tItem\tPrice\nRake\tR-100\t12.50\nHoe\tH-1\t3\n");
  // The mapping names the file's second column: only a tab-read file has it.
  Write("tabs_txt.cfg", "<Options>=0\n<Choices>=0\n<Tables>=Name,Item,,,,Price,,,\n");
  const auto run = RunScript(home, ToTablePage(folder + "/tabs.txt") +
                                       "expect page 20004\nexpect text 21161 \" 1 - 2 of 2 records\"\nnext\n"
                                       "expect page 20009\nnext\nexpect page 20005\ncancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(home.Read("src/schema.ini").find("Format=TabDelimited"), std::string::npos) << home.Read("src/schema.ini");
}

TEST_F(ScriptSourcePage, AFolderHoldingSemicolonAndBraceOpens) {
  const std::string odd = home / "a;b}c{d";
  std::filesystem::create_directories(odd);
  std::ofstream(odd + "/p.csv") << "Name,Item\nRake,R-100\nHoe,H-1\nCan,C-7\n";
  const auto run = RunScript(home, ToTablePage(odd + "/p.csv") +
                                       "expect page 20004\nexpect text 21161 \" 1 - 3 of 3 records\"\ncancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
}

TEST_F(ScriptSourcePage, AWrongDelimiterNamesTheOneUsedAndTheOneTheLineSeemsToUse) {
  Write("semi.csv", "Name;Item;Price\nRake;R-100;12,50\n");
  const auto run = RunScript(home, ToTablePage(folder + "/semi.csv") + "expect page 20004\ncancel\n");
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.errors.find("line 2: field 2 holds a value, but the table has only 1 columns; the file is read with "
                            "',' as its delimiter, but the line seems to use ';'"),
            std::string::npos)
      << run.errors;
}

}  // namespace
