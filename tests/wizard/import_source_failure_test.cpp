// Guards the wizard against sources it cannot read, as a person meets them:
// a file whose reading crashes (the staging child ends by a signal, stood
// for by the test switch) is reported by the scripted run with the file's
// path and the reason, and the wizard goes on: back to the file page,
// another file, and its import reaches the shop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "shop_test_kvcdump.h"
#include "wizard_home.h"

namespace {

using wizard_test::RunScript;
using wizard_test::WizardHome;

const char kHeader[] = "Name,Item,Dept,Notes,Price,Opt,Ch1,Ch1Price,Ch2,Ch2Price\n";
const char kMapping[] =
    "<Options>=1\n<Choices>=2\n"
    "<Tables>=Name,Item,Dept,Notes,,Price,,,,Opt,,Ch1,Ch1Price,,Ch2,Ch2Price,\n";

TEST(ImportSourceFailure, AFileWhoseReadingCrashesIsReportedAndTheWizardGoesOn) {
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

}  // namespace
