// Guards the tallyport program run from scripts as a real process: the
// first page's buttons follow the chosen type and come back on Back; the
// source-file page shows the chosen type and its remembered file, and after
// a second Next with another type the new type's; a missing source file
// keeps the page with message 51653 and a bad delimiter (or an empty one for
// the custom format) with 51658; leaving
// the file name writes schema.ini beside a text file (by extension, then by
// the chosen custom format) and the format into tallyport.ini; the About
// box shows the version; a bad script (unknown command, control not on the
// page, a message box nobody answered, the script ending with the wizard
// open) and a bad command line end the program with a non-zero status and
// the reason.
#include <gtest/gtest.h>

#include <string>

#include "wizard_home.h"

namespace {

using wizard_test::RunScript;
using wizard_test::WizardHome;

TEST(TallyportProgram, FirstPageButtonsFollowTheChosenType) {
  WizardHome home;
  auto run = RunScript(home,
                       "expect page 20000\n"
                       "expect buttons 0\n"
                       "expect text 21241 Select the type of database to be imported from the following menu.\n"
                       "pick 1149 Text (*.csv,*.txt)\n"
                       "expect buttons 2\n"
                       "next\n"
                       "expect page 20001\n"
                       "expect buttons 3\n"
                       "expect text 1151 Text (*.csv,*.txt)\n"
                       "expect text 21186 " + (home / "garden_catalogue.csv") + "\n"
                       "expect text 60103 File na&me:\n"
                       "back\n"
                       "expect page 20000\n"
                       "expect buttons 2\n"
                       "cancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
}

TEST(TallyportProgram, SecondNextWithAnotherTypeShowsThatType) {
  WizardHome home;
  auto run = RunScript(home,
                       "pick 1149 Text (*.csv,*.txt)\n"
                       "next\n"
                       "expect text 1151 Text (*.csv,*.txt)\n"
                       "back\n"
                       "pick 1149 Access (*.mdb)\n"
                       "next\n"
                       "expect page 20001\n"
                       "expect text 1151 Access (*.mdb)\n"
                       "expect text 21186 " + (home / "test_access.mdb") + "\n"
                       "expect text 21241 Choose the Access database (*.mdb) to import.\n"
                       "cancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
}

TEST(TallyportProgram, MissingSourceFileKeepsThePage) {
  WizardHome home;
  auto run = RunScript(home,
                       "pick 1149 Access (*.mdb)\n"
                       "next\n"
                       "set 21186 no_such_shop.mdb\n"
                       "answer ok id 51653\n"
                       "next\n"
                       "expect page 20001\n"
                       "expect message 51653\n"
                       "expect buttons 3\n"
                       "cancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
}

TEST(TallyportProgram, BadDelimiterKeepsThePage) {
  WizardHome home;
  auto run = RunScript(home,
                       "pick 1149 Text (*.csv,*.txt)\n"
                       "next\n"
                       "pick 21249 Custom Delimited\n"
                       "answer ok id 51658\n"
                       "set 21247 ||\n"
                       "answer ok id 51658\n"
                       "next\n"
                       "expect page 20001\n"
                       "answer ok id 51658\n"
                       "set 21247 \"\n"
                       "cancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
}

TEST(TallyportProgram, EmptyCustomDelimiterKeepsThePage) {
  WizardHome home;
  auto run = RunScript(home,
                       "pick 1149 Text (*.csv,*.txt)\n"
                       "next\n"
                       "set 21186 " + (home / "garden_catalogue.csv") + "\n"
                       "pick 21249 Custom Delimited\n"
                       "answer ok id 51658\n"
                       "next\n"
                       "expect page 20001\n"
                       "expect message 51658\n"
                       "cancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(home.Read("schema.ini").find("Delimited()"), std::string::npos);
}

TEST(TallyportProgram, LeavingTheFileNameWritesSchemaIni) {
  WizardHome home;
  home.Write("prices.txt", "Name\tPrice\nRake\t9.99\n");
  auto run = RunScript(home,
                       "pick 1149 Text (*.csv,*.txt)\n"
                       "next\n"
                       "set 21186 " + (home / "garden_catalogue.csv") + "\n"
                       "set 21186 prices.txt\n"
                       "expect text 21186 prices.txt\n"
                       "cancel\n");
  ASSERT_EQ(run.status, 0) << run.errors;
  std::string schema = home.Read("schema.ini");
  EXPECT_NE(schema.find("[garden_catalogue.csv]\r\nFormat=CSVDelimited"), std::string::npos) << schema;
  EXPECT_NE(schema.find("[prices.txt]\r\nFormat=TabDelimited"), std::string::npos) << schema;

  run = RunScript(home,
                  "pick 1149 Text (*.csv,*.txt)\n"
                  "next\n"
                  "expect text 21186 " + (home / "garden_catalogue.csv") + "\n"
                  "pick 21249 Custom Delimited\n"
                  "set 21247 ;\n"
                  "cancel\n");
  ASSERT_EQ(run.status, 0) << run.errors;
  schema = home.Read("schema.ini");
  EXPECT_NE(schema.find("[garden_catalogue.csv]\r\nFormat=Delimited(;)"), std::string::npos) << schema;
  EXPECT_NE(home.Read("tallyport.ini").find("Format=Delimited(;)"), std::string::npos);
}

TEST(TallyportProgram, AboutBoxShowsTheVersion) {
  WizardHome home;
  auto run = RunScript(home,
                       "click 21001\n"
                       "expect dialog 20006\n"
                       "expect text 1152 Tradeloft Pro Database Import Wizard 1.00\n"
                       "ok\n"
                       "expect page 20000\n"
                       "cancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
}

TEST(TallyportProgram, BadScriptsEndWithTheReason) {
  struct Case {
    const char* script;
    const char* reason;
  };
  const Case cases[] = {
      {"frobnicate 12\n", "script.txt:1: unknown command \"frobnicate\""},
      {"expect page 20000\nset 4242 hello\n", "script.txt:2:"},
      {"pick 1149 Access (*.mdb)\nnext\nset 21186 none.mdb\nnext\n", "message box"},
      {"pick 1149 Access (*.mdb)\n", "was still open"},
      {"expect page 20001\n", "expected page 20001"},
  };
  for (const Case& c : cases) {
    WizardHome home;
    auto run = RunScript(home, c.script);
    EXPECT_NE(run.status, 0) << c.script;
    EXPECT_NE(run.errors.find(c.reason), std::string::npos) << c.script << " said: " << run.errors;
  }
}

TEST(TallyportProgram, BadCommandLine) {
  WizardHome home;
  for (const char* arguments : {"--frob", "--home", "--script"}) {
    auto run = wizard_test::RunProgram(home, arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_NE(run.errors.find("usage: tallyport"), std::string::npos) << run.errors;
  }
  auto missing = RunScript(home, "");
  EXPECT_NE(missing.status, 0);
  missing = wizard_test::RunProgram(home, "--home '" + home.path() + "' --script '" + (home / "absent.txt") + "'");
  EXPECT_NE(missing.status, 0);
  EXPECT_NE(missing.errors.find("cannot read the script"), std::string::npos) << missing.errors;
}

// The column box of a report list's header opens from a script: on the
// table page's preview it asks about the named column; a column the list
// does not have fails the line.
TEST(TallyportProgram, HeaderClickOpensTheColumnBox) {
  WizardHome home;
  auto run = RunScript(home,
                       "pick 1149 Text (*.csv,*.txt)\n"
                       "next\n"
                       "next\n"
                       "expect page 20004\n"
                       "answer no text Change text format in \" Price \" column, and remove decimal points?\n"
                       "header-click 21144 5\n"
                       "cancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
  run = RunScript(home,
                  "pick 1149 Text (*.csv,*.txt)\n"
                  "next\n"
                  "next\n"
                  "header-click 21144 99\n"
                  "cancel\n");
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.errors.find("report list 21144 has no column 99"), std::string::npos) << run.errors;
}

// A program folder that is not there, or is a file, ends the program at once
// with one line naming it; the wizard never runs on it.
TEST(TallyportProgram, UnusableProgramFolderIsRefused) {
  WizardHome home;
  struct Case {
    std::string folder;
    const char* says;
  };
  const Case cases[] = {
      {home / "no such folder", "No such file or directory"},
      {home / "tallyport.ini", "is not a folder"},
  };
  for (const Case& c : cases) {
    auto run = wizard_test::RunProgram(home, "--home '" + c.folder + "' --script '" + (home / "absent.txt") + "'");
    EXPECT_EQ(run.status, 2) << c.folder;
    EXPECT_NE(run.errors.find("tallyport: the program folder \"" + c.folder + "\""), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find(c.says), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find("cannot read the script"), std::string::npos) << run.errors;
  }
}

}  // namespace
