// Guards the wizard against failures as a person meets them in scripted
// runs: a file whose reading crashes (the staging child ends by a signal,
// stood for by the test switch) is reported with the file's path and the
// reason, and the wizard goes on: back to the file page, another file, and
// its import reaches the shop. An import whose second rowset the shop file
// refuses (the file may not grow further) leaves the target byte for byte,
// logs the rows and the reason in "Tallyport.Log" at once, and the next
// run succeeds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "file_size_limit.h"
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

TEST(ImportFailure, AFileWhoseReadingCrashesIsReportedAndTheWizardGoesOn) {
  WizardHome home;
  const std::string folder = home / "src";
  ASSERT_EQ(std::system(("mkdir -p '" + folder + "'").c_str()), 0);
  std::ofstream(folder + "/bad.csv") << kHeader << "Broken,B-1,Misc,,1,,,,,\n";
  std::ofstream(folder + "/good.csv") << kHeader << "Garden Rake,R-100,Garden/Tools,Ash,12.50,Material,Oak,1.5,,\n";
  for (const char* cfg : {"/bad_csv.cfg", "/good_csv.cfg"}) std::ofstream(folder + cfg) << kMapping;
  const std::string target = home / "shop.kvc";
  const std::string script =
      "expect page 20000\npick 1149 Text (*.csv,*.txt)\nnext\nexpect page 20001\n"
      "set 21186 " + folder + "/bad.csv\nanswer ok\nnext\n"
      "expect message " + folder + "/bad.csv: cannot read this file: the reading ended by signal 11 (Segmentation fault)\n"
      "back\nexpect page 20001\nset 21186 " + folder + "/good.csv\nnext\nexpect page 20004\nnext\n"
      "expect page 20009\nnext\nexpect page 20005\nnext\nexpect page 20008\nset 21135 " + target +
      "\nnext\nexpect page 20007\ntree 21176 My Departments\nclick 21118\nfinish\n";
  ::setenv("DV_STAGING_TEST_FAULT", "crash:bad.csv", 1);
  const auto run = RunScript(home, script);
  ::unsetenv("DV_STAGING_TEST_FAULT");
  ASSERT_EQ(run.status, 0) << run.errors;
  const auto dump = shop_test::kvcdump(target);
  ASSERT_EQ(dump.status, 0) << dump.out;
  EXPECT_NE(dump.out.find("R-100"), std::string::npos) << dump.out;
  EXPECT_EQ(dump.out.find("B-1"), std::string::npos) << dump.out;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Rows of products first to first + count - 1, each with a long note so
// that a rowset makes the shop file grow markedly.
std::string ProductRows(int first, int count) {
  std::string rows = kHeader;
  for (int i = first; i < first + count; ++i)
    rows += "Product " + std::to_string(i) + ",K-" + std::to_string(i) + ",Grown," + std::string(400, 'n') +
            ",1,Size,S,1,L,2\n";
  return rows;
}

TEST(ImportFailure, ARowsetTheShopRefusesLeavesTheTargetAndTheNextRunSucceeds) {
  WizardHome home;
  const std::string folder = home / "src";
  std::filesystem::create_directory(folder);
  for (const char* cfg : {"/first_csv.cfg", "/rowset_csv.cfg", "/grown_csv.cfg"}) std::ofstream(folder + cfg) << kMapping;
  std::ofstream(folder + "/first.csv") << ProductRows(1, 1);
  const std::string target = home / "shop.kvc", measured = home / "measured.kvc";
  ASSERT_EQ(RunScript(home, TextImportScript(folder + "/first.csv", target)).status, 0);
  const std::string before = ReadAll(target);

  // What one rowset (100 rows) adds to the shop file.
  std::filesystem::copy_file(target, measured);
  std::ofstream(folder + "/rowset.csv") << ProductRows(1000, 100);
  ASSERT_EQ(RunScript(home, TextImportScript(folder + "/rowset.csv", measured)).status, 0);
  const auto rowsetGrowth = std::filesystem::file_size(measured) - before.size();
  ASSERT_GT(rowsetGrowth, 0u);

  // Room for one rowset and a half: the second rowset is refused.
  std::ofstream(folder + "/grown.csv") << ProductRows(2, 300);
  wizard_test::ProgramRun run{};
  {
    wizard_test::FileSizeLimit limit(before.size() + rowsetGrowth * 3 / 2);
    run = RunScript(home, TextImportScript(folder + "/grown.csv", target, "", "answer ok\nclick 21118\ncancel\n"));
  }
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(ReadAll(target), before);
  const std::string log = home.Read("Tallyport.Log");
  // The file that reached the size limit is named.
  EXPECT_NE(log.find("Rows 101 to 200: the import failed: The file " + home.path() + "/Tallyport."), std::string::npos)
      << log;
  EXPECT_NE(log.find(" is too large: it could not be written (the limit is " +
                     std::to_string(before.size() + rowsetGrowth * 3 / 2) + " bytes); the run's changes are undone\n"),
            std::string::npos)
      << log;

  run = RunScript(home, TextImportScript(folder + "/grown.csv", target));
  ASSERT_EQ(run.status, 0) << run.errors;
  const auto dump = shop_test::kvcdump(target);
  ASSERT_EQ(dump.status, 0) << dump.out;
  EXPECT_NE(dump.out.find("K-301"), std::string::npos);
}

}  // namespace
