// Guards what a person meets on the import page across presses and visits,
// driven by scripts through the tallyport program: a press refused for want
// of a department (message 51508) leaves the buttons as they were and the
// row lines of an earlier run of the visit in place; Back after an import
// withholds Finish until the page has run again, so the log never names
// rows the shop does not have; a new shop keeps its sample departments; the
// end of a run with rows that got log lines says how many; an existing
// product without imported options drops its default ones for the
// imported; numbers with both ',' and '.' read the last one as the decimal
// point; the row log cuts a value only between UTF-8 characters.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shop_test_kvcdump.h"
#include "wizard_home.h"

namespace {

using wizard_test::RunScript;
using wizard_test::TextImportScript;
using wizard_test::WizardHome;

const char kHeader[] = "Name,Item,Dept,Notes,Price,Opt,Ch1,Ch1Price,Ch2,Ch2Price\n";
const char kMapping[] =
    "<Options>=1\n<Choices>=2\n"
    "<Tables>=Name,Item,Dept,Notes,,Price,,,,Opt,,Ch1,Ch1Price,,Ch2,Ch2Price,\n";
const char kTreeLine[] = "tree 21176 My Departments\n";

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class ImportPageVisits : public ::testing::Test {
 protected:
  ImportPageVisits() { std::filesystem::create_directory(home / "src"); }
  // The source products.csv (rows after the header) with its mapping file.
  void WriteSource(const std::string& rows) {
    std::ofstream(home / "src/products.csv", std::ios::binary) << kHeader << rows;
    std::ofstream(home / "src/products_csv.cfg") << kMapping;
  }
  // The script to the import page, then atImportPage; without chooseBase
  // no department is chosen in the tree.
  std::string Script(const std::string& atImportPage, bool chooseBase = true) const {
    std::string script = TextImportScript(home / "src/products.csv", target, "", atImportPage);
    if (!chooseBase) script.erase(script.rfind(kTreeLine), sizeof kTreeLine - 1);
    return script;
  }
  std::string Dump() const {
    auto dump = shop_test::kvcdump(target);
    EXPECT_EQ(dump.status, 0) << dump.out;
    return dump.out;
  }

  WizardHome home;
  const std::string target = home / "shop.kvc";
};

TEST_F(ImportPageVisits, ARefusedPressLeavesTheButtonsAndTheRowLinesOfTheVisit) {
  WriteSource("Garden Rake,R-100,Garden/Tools,Ash,12.50,,,,,\n");
  // A first visit: Finish stays disabled, so no empty shop can be written.
  auto run = RunScript(home, Script("answer ok id 51508\nclick 21118\nexpect buttons 9\ncancel\n", false));
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_FALSE(std::filesystem::exists(target));

  // After a run (the tree filled again has no department chosen): the run
  // stays offered, and its row lines reach the import log.
  run = RunScript(home, Script("click 21118\nexpect buttons 5\nanswer ok id 51508\nclick 21118\nexpect buttons 5\n"
                               "finish\n"));
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(Dump().find("R-100"), std::string::npos);
  const std::string log = home.Read("Tallyport.Log");
  EXPECT_NE(log.find("Import Database "), std::string::npos) << log;
  EXPECT_NE(log.find("[ Tools ] - < R-100 >"), std::string::npos) << log;
}

TEST_F(ImportPageVisits, BackAfterAnImportWithholdsFinishUntilThePageRunsAgain) {
  WriteSource("Bench,BT-1,Garden/Tools,Oak,80,,,,,\n");
  // The run is thrown away with the working copy: no Finish, nothing logged.
  auto run = RunScript(home, Script("click 21118\nback\nexpect page 20008\nnext\nexpect page 20007\n"
                                    "expect buttons 9\ncancel\n"));
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_EQ(home.Read("Tallyport.Log").find("BT-1"), std::string::npos);

  // Run again after coming back: the log names the row once, as the shop
  // holds it once.
  run = RunScript(home, Script("click 21118\nback\nnext\nexpect buttons 9\n" + std::string(kTreeLine) +
                               "click 21118\nexpect buttons 5\nfinish\n"));
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(Count(Dump(), "item \"BT-1\""), 1u);
  const std::string log = home.Read("Tallyport.Log");
  EXPECT_EQ(Count(log, "[ Tools ] - < BT-1 >"), 1u) << log;
  EXPECT_EQ(Count(log, "Import Database "), 1u) << log;
}

TEST_F(ImportPageVisits, ANewShopKeepsItsSampleDepartments) {
  WriteSource("Hose,H-200,Garden/Water,30 m,39.90,,,,,\n");
  auto run = RunScript(home, Script("click 21118\nfinish\n"));
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string dump = Dump();
  for (const char* department : {"Department 1 (0 products)", "Department 2", "Department 3", "Water (1 products)"})
    EXPECT_NE(dump.find(department), std::string::npos) << department << " missing from\n" << dump;
}

TEST_F(ImportPageVisits, AnExistingProductTakesTheImportedOptionsInPlaceOfItsDefaultOnes) {
  // The product made without options has the four default ones.
  WriteSource("Hose,H-200,Garden/Water,30 m,39.90,,,,,\n");
  ASSERT_EQ(RunScript(home, Script("click 21118\nfinish\n")).status, 0);
  ASSERT_NE(Dump().find("Hose price 39.90\n  option 0: Size (not offered)"), std::string::npos) << Dump();

  // A later visit names an option "Size" for it.
  WriteSource("Hose,H-200,Garden/Water,30 m,39.90,Size,Small,1,Large,2\n");
  auto run = RunScript(home, Script("click 21118\nfinish\n"));
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string dump = Dump();
  const size_t hose = dump.find("Hose price 39.90\n");
  ASSERT_NE(hose, std::string::npos) << dump;
  const std::string product = dump.substr(hose, dump.find("\nproduct", hose) - hose);
  EXPECT_NE(product.find("  option 1: Size"), std::string::npos) << product;
  EXPECT_NE(product.find("choice 1: Small price 1.00"), std::string::npos) << product;
  EXPECT_EQ(product.find("option 0:"), std::string::npos) << "no default option is left\n" << product;
}

TEST_F(ImportPageVisits, RowsWithProblemsAreCountedAtTheEndOfTheRun) {
  // Two rows with problems: a value over 4,096 characters and a price that
  // is no number; a third row is sound.
  WriteSource("Long,L-1,Misc," + std::string(5000, 'x') + ",1,,,,,\nBad,B-1,Misc,,twelve,,,,,\nGood,G-1,Misc,,3,,,,,\n");
  auto run = RunScript(home, Script("answer ok text 2 of the imported rows had problems; Tallyport.Log names each "
                                    "of them.\nclick 21118\nfinish\n"));
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string log = home.Read("Tallyport.Log");
  EXPECT_NE(log.find("Row 1: a value of 5000 characters"), std::string::npos) << log.substr(0, 400);
  EXPECT_NE(log.find("Row 2: price \"twelve\" is not a number"), std::string::npos) << log.substr(0, 400);
}

TEST_F(ImportPageVisits, NumbersWithBothSeparatorsAndUtf8ValuesInTheRowLog) {
  // The text source is read as Latin-1: its bytes reach the shop in UTF-8.
  WriteSource(
      "Desk,D-1,Office,B\xfcrostuhl Wei\xdf Eiche,\"1.234,56\",,,,,\n"
      "Tray,T-1,Office,Big,\"1,234.50\",,,,,\n"
      "Pot,P-1,Office,Clay,\"2,50\",Glaze,Blue,\"1.000,75\",,\n");
  auto run = RunScript(home, Script("answer ok text 3 of the imported rows had problems; Tallyport.Log names each "
                                    "of them.\nclick 21118\nfinish\n"));
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string dump = Dump();
  for (const char* expected : {"Desk price 1234.56", "Tray price 1234.50", "Pot price 2.50", "Blue price 1000.75"})
    EXPECT_NE(dump.find(expected), std::string::npos) << expected << " missing from\n" << dump;
  const std::string log = home.Read("Tallyport.Log");
  EXPECT_NE(log.find("Row 1: price \"1.234,56\" holds both ',' and '.'; read as 1234.56"), std::string::npos) << log;
  EXPECT_NE(log.find("Row 2: price \"1,234.50\" holds both ',' and '.'; read as 1234.5"), std::string::npos) << log;
  EXPECT_NE(log.find("Row 3: choice price \"1.000,75\" holds both"), std::string::npos) << log;
  EXPECT_NE(log.find("D-1,Office,B\xc3\xbcrostuhl Wei\xc3\x9f ...,"), std::string::npos) << log;
}

}  // namespace
