// Guards the program as a person starts it in a terminal (as ./run.sh does:
// a program folder seeded with the data and the sample catalogue): the
// first page shows the sheet's title, the page's help text, the types and
// Next only once a type is picked; Down picks a type, Tab and Enter go to
// the source-file page showing the sample file; Back returns to the first
// page and Esc ends the program with status 0. The screen is read after
// every step. ./run.sh itself, on this build folder, starts the program on
// a folder of its own showing the first page, and Esc ends it with status 0.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "dv_tmux.h"
#include "wizard_home.h"

namespace {

TEST(TallyportTerminal, WalkToTheSourcePageAndBackThenCancel) {
  if (std::system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  wizard_test::WizardHome home;
  std::string exitFile = home / "exit";
  std::string emulator = DV_TEST_EMULATOR;
  std::string command = "env TERM=xterm LC_ALL=C DV_FRAME_CONFIG_HOME=" + (home / "config") + " " +
                        (emulator.empty() ? "" : emulator + " ") + TALLYPORT + " --home " + home.path() +
                        "; echo $? >" + exitFile + "; sleep 30";
  dv_test::Tmux tmux;
  ASSERT_EQ(tmux.Run("new-session -d -s wiz -x 100 -y 30 '" + command + "'"), 0);

  std::string screen = tmux.WaitFor("Text (*.csv,*.txt)");
  ASSERT_NE(screen.find("Import Wizard - Database Type Seletion"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Select the type of database to be imported"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Select the database type:"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Access (*.mdb)"), std::string::npos) << screen;
  EXPECT_NE(screen.find("[ ] Advanced Setting"), std::string::npos) << screen;
  EXPECT_NE(screen.find("< Cancel >"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("< Next >"), std::string::npos) << "Next waits for a type\n" << screen;

  // The list has the focus: Down twice picks the second type (text).
  tmux.Keys("Down Down");
  screen = tmux.WaitFor("< Next >");
  EXPECT_NE(screen.find("> Text (*.csv,*.txt)"), std::string::npos) << screen;
  // Tab past the check box and About to Next.
  tmux.Keys("Tab Tab Tab Enter");
  screen = tmux.WaitFor("Select Database Source File");
  ASSERT_NE(screen.find("Select Database Source File"), std::string::npos) << screen;
  EXPECT_NE(screen.find("garden_catalogue.csv"), std::string::npos) << screen;
  EXPECT_NE(screen.find("CSV Delimited"), std::string::npos) << screen;
  EXPECT_NE(screen.find("< Back >"), std::string::npos) << screen;

  // Shift-Tab from the file name goes round to Cancel, Next, then Back.
  tmux.Keys("BTab BTab BTab Enter");
  screen = tmux.WaitFor("Select the database type:");
  ASSERT_NE(screen.find("Database Type Seletion"), std::string::npos) << screen;
  EXPECT_NE(screen.find("> Text (*.csv,*.txt)"), std::string::npos) << screen;

  tmux.Keys("Escape");
  std::string status;
  for (int tries = 0; tries < 600 && status.empty(); ++tries) {
    std::ifstream in(exitFile);
    std::getline(in, status);
    if (status.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(status, "0") << tmux.Screen();
}

TEST(TallyportTerminal, RunScriptShowsTheFirstPage) {
  if (std::system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  dv_test::scratch_dir scratch;
  std::string exitFile = scratch / "exit";
  std::string command = std::string("cd ") + DV_SOURCE_DIR + " && env TERM=xterm LC_ALL=C BUILD_DIR=" + DV_BUILD_DIR +
                        " ./run.sh; echo $? >" + exitFile + "; sleep 30";
  dv_test::Tmux tmux;
  ASSERT_EQ(tmux.Run("new-session -d -s wiz -x 100 -y 30 '" + command + "'"), 0);
  std::string screen = tmux.WaitFor("Quillon Shop");
  ASSERT_NE(screen.find("Import Wizard - Database Type Seletion"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Text (*.csv,*.txt)"), std::string::npos) << screen;
  tmux.Keys("Escape");
  std::string status;
  for (int tries = 0; tries < 600 && status.empty(); ++tries) {
    std::ifstream in(exitFile);
    std::getline(in, status);
    if (status.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(status, "0") << tmux.Screen();
}

}  // namespace
