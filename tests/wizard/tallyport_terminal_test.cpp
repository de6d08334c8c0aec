// Guards the program as a person meets it in a terminal, keys only, with
// the screen read after every step:
// - the whole wizard at 80x24 on the sample catalogue: type, file, table,
//   the mapping grid's rows set by opening their column lists, the SQL
//   page, a new target shop typed in, the import with its progress bar and
//   percentage in sight, Finish; the shop then holds the products
//   (kvcdump);
// - a catalogue whose names hold ä ö ü ß € Ø, its file name typed in UTF-8:
//   the screen shows the names as they are; Esc asks before cancelling;
// - a resize during a page lays it out again; at 30x10 one line asks for a
//   larger terminal, F1 there does no harm, the page comes back when the
//   terminal grows, and the program's CPU time stays small meanwhile;
// - ./run.sh starts the program on a folder of its own showing the first
//   page, and Esc then Yes ends it with status 0.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "dv_tmux.h"
#include "shop_test_kvcdump.h"
#include "wizard_home.h"

namespace {

// The program in a tmux session of its own at columns x lines; its process
// id and exit status go to files in the folder.
class TerminalRun {
 public:
  TerminalRun(const wizard_test::WizardHome& home, int columns, int lines) : home_(home) {
    std::string emulator = DV_TEST_EMULATOR;
    // TERM stays tmux's own, so that the keys tmux sends are the ones the
    // program expects.
    std::string command = "env LC_ALL=C.UTF-8 DV_FRAME_CONFIG_HOME=" + (home / "config") +
                          " sh -c \"echo \\$\\$ >" + (home / "pid") + "; exec " +
                          (emulator.empty() ? "" : emulator + " ") + TALLYPORT + " --home " + home.path() + "\"; echo $? >" +
                          (home / "exit") + "; sleep 60";
    started_ = tmux.Run("new-session -d -s wiz -x " + std::to_string(columns) + " -y " + std::to_string(lines) + " '" +
                        command + "'") == 0;
  }
  bool Started() const { return started_; }
  // The exit status once the program ended ("" when it did not in time).
  std::string Status() const {
    std::string status;
    for (int tries = 0; tries < 600 && status.empty(); ++tries) {
      std::ifstream in(home_ / "exit");
      std::getline(in, status);
      if (status.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return status;
  }
  // The program's CPU time so far, in clock ticks (-1 when unknown).
  long CpuTicks() const {
    std::string pid = home_.Read("pid");
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
    std::ifstream in("/proc/" + pid + "/stat");
    std::string stat;
    std::getline(in, stat);
    size_t end = stat.rfind(')');
    if (end == std::string::npos) return -1;
    std::istringstream fields(stat.substr(end + 2));
    std::string field;
    long user = 0, system = 0;
    for (int i = 3; fields >> field; ++i) {
      if (i == 14) user = std::stol(field);
      if (i == 15) {
        system = std::stol(field);
        break;
      }
    }
    return user + system;
  }
  // Asks to cancel with Esc and answers Yes.
  void CancelWithEscape() const {
    std::string screen = tmux.KeysThenWait("Escape", "Cancel the import wizard?");
    EXPECT_NE(screen.find("Cancel the import wizard?"), std::string::npos) << screen;
    tmux.Keys("Enter");
  }

  dv_test::Tmux tmux;

 private:
  const wizard_test::WizardHome& home_;
  bool started_ = false;
};

bool HaveTmux() { return std::system("command -v tmux >/dev/null 2>&1") == 0; }

// Opens the focused grid row's column list and picks entry `index` (from
// the top); the screen after.
std::string MapRow(const dv_test::Tmux& tmux, int index) {
  tmux.Keys("Enter");
  EXPECT_TRUE(tmux.PressUntilFooter("", "Enter: take it", 0)) << tmux.Screen();
  std::string keys = "Home";
  for (int i = 0; i < index; ++i) keys += " Down";
  tmux.Keys(keys + " Enter");
  EXPECT_TRUE(tmux.PressUntilFooter("", "Enter: its column", 0)) << tmux.Screen();
  return tmux.Screen();
}

// Empties the focused text box and types text into it.
void Retype(const dv_test::Tmux& tmux, const std::string& text) {
  std::string keys = "End";
  for (int i = 0; i < 120; ++i) keys += " BSpace";
  tmux.Keys(keys);
  tmux.Type(text);
}

TEST(TallyportTerminal, KeysOnlyFromTheFirstPageToFinishAt80x24) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed";
  wizard_test::WizardHome home;
  const std::string target = home / "garden shop.kvc";
  TerminalRun run(home, 80, 24);
  ASSERT_TRUE(run.Started());
  const dv_test::Tmux& tmux = run.tmux;

  std::string screen = tmux.WaitFor("Select the database type:");
  ASSERT_NE(screen.find("Import Wizard - Database Type Seletion"), std::string::npos) << screen;
  EXPECT_NE(screen.find("ODBC data source (DSN)"), std::string::npos) << "every type is in sight\n" << screen;
  EXPECT_NE(screen.find("Tab: next"), std::string::npos) << "the footer names the keys\n" << screen;
  // The list has the focus on its first entry: Down picks the text type.
  tmux.Keys("Down");
  ASSERT_TRUE(tmux.PressUntilFooter("", "Up/Down: choose", 0)) << tmux.Screen();
  screen = tmux.KeysThenWait("M-n", "Select Database Source File");
  ASSERT_NE(screen.find("Select Database Source File"), std::string::npos) << screen;
  EXPECT_NE(screen.find("garden_catalogue.csv"), std::string::npos) << screen;
  EXPECT_NE(screen.find("CSV Delimited"), std::string::npos) << screen;
  screen = tmux.KeysThenWait("M-n", "Garden Trowel");
  ASSERT_NE(screen.find("Select A Table"), std::string::npos) << screen;
  EXPECT_TRUE(tmux.PressUntilFooter("", "open the list", 0)) << "the table box's keys at once\n" << tmux.Screen();
  screen = tmux.KeysThenWait("M-n", "Import Mapping Tool");
  ASSERT_NE(screen.find("Tradeloft Pro Fields"), std::string::npos) << screen;

  // The grid has the focus on its first row; each row's list holds the
  // source columns in file order: Name, Item Number, Department, ...
  ASSERT_TRUE(tmux.PressUntilFooter("Tab", "Enter: its column")) << tmux.Screen();
  screen = MapRow(tmux, 0);
  EXPECT_NE(screen.find("Product Name         Name"), std::string::npos) << screen;
  tmux.Keys("Down");
  screen = MapRow(tmux, 1);
  EXPECT_NE(screen.find("Item Number          Item Number"), std::string::npos) << screen;
  tmux.Keys("Down");
  screen = MapRow(tmux, 2);
  EXPECT_NE(screen.find("Department Name      Department"), std::string::npos) << screen;
  // Esc leaves a row's list without a change.
  tmux.Keys("Down Enter");
  ASSERT_TRUE(tmux.PressUntilFooter("", "Enter: take it", 0)) << tmux.Screen();
  tmux.Keys("Escape");
  ASSERT_TRUE(tmux.PressUntilFooter("", "Enter: its column", 0)) << tmux.Screen();

  screen = tmux.KeysThenWait("M-n", "Mapping Results / Setup SQL");
  ASSERT_NE(screen.find("Mapping Results / Setup SQL"), std::string::npos) << screen;
  screen = tmux.KeysThenWait("M-n", "Select a Tradeloft Pro File");
  ASSERT_NE(screen.find("Select a Tradeloft Pro File"), std::string::npos) << screen;
  // The new shop's file typed into its text box.
  ASSERT_TRUE(tmux.PressUntilFooter("Tab", "Type the text")) << tmux.Screen();
  Retype(tmux, target);
  screen = tmux.KeysThenWait("M-n", "Data Import Tool");
  ASSERT_NE(screen.find("Data Import Tool"), std::string::npos) << screen;

  // The base department, highlighted as the tree gets the focus, is the
  // one chosen; then Add: the bar and its percentage are in sight.
  ASSERT_TRUE(tmux.PressUntilFooter("Tab", "Right/Left: open/close")) << tmux.Screen();
  ASSERT_TRUE(tmux.PressUntilFooter("Tab", "Add Product(s):")) << tmux.Screen();
  screen = tmux.KeysThenWait("Enter", "100 %");
  EXPECT_NE(screen.find("100 %"), std::string::npos) << screen;
  EXPECT_NE(screen.find("\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588"), std::string::npos)
      << "the bar is drawn\n" << screen;
  EXPECT_NE(screen.find("Tools"), std::string::npos) << "the departments made are shown\n" << screen;

  // Finish by its access letter, as Next was pressed on every page.
  tmux.Keys("M-f");
  EXPECT_EQ(run.Status(), "0") << tmux.Screen();

  auto dump = shop_test::kvcdump(target);
  ASSERT_EQ(dump.status, 0) << dump.out;
  for (const char* expected : {"Garden Trowel", "GT-100", "Pruning Shears", "Kneeling Pad", "Tools", "Watering", "Seeds"})
    EXPECT_NE(dump.out.find(expected), std::string::npos) << expected << " missing from\n" << dump.out;
}

TEST(TallyportTerminal, NamesWithUmlautsEuroAndSlashedOAreShownAsTheyAre) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed";
  wizard_test::WizardHome home;
  // UTF-8 with its byte-order mark, fields apart by ';'; the file's own
  // name has an umlaut.
  home.Write("Kätalog.csv", "\xEF\xBB\xBFName;Item Number;Department;Description;Price\n"
                            "Größe Übertopf;GU-1;Töpfe;Maße 30 cm;9,50\n"
                            "Gießkanne Ø 20;GK-2;Gärtnerbedarf;Preis in €;19,00\n");
  TerminalRun run(home, 80, 24);
  ASSERT_TRUE(run.Started());
  const dv_test::Tmux& tmux = run.tmux;

  tmux.WaitFor("Select the database type:");
  tmux.Keys("Down");
  ASSERT_TRUE(tmux.PressUntilFooter("", "Up/Down: choose", 0)) << tmux.Screen();
  std::string screen = tmux.KeysThenWait("M-n", "Select Database Source File");
  ASSERT_TRUE(tmux.PressUntilFooter("Tab", "Type the text")) << tmux.Screen();
  Retype(tmux, home / "Kätalog.csv");
  screen = tmux.WaitFor("Kätalog.csv");
  EXPECT_NE(screen.find("Kätalog.csv"), std::string::npos) << "typed UTF-8 is shown\n" << screen;

  // Enter opens the format's choices; the third is taken. Typing on the
  // box itself changes nothing.
  ASSERT_TRUE(tmux.PressUntilFooter("Tab", "open the list")) << tmux.Screen();
  tmux.Type("x");
  tmux.Keys("Enter");
  ASSERT_TRUE(tmux.PressUntilFooter("", "Enter: take it", 0)) << tmux.Screen();
  tmux.Keys("Down Down Enter");
  screen = tmux.WaitFor("Custom Delimited ");
  EXPECT_NE(screen.find("Custom Delimited "), std::string::npos) << screen;
  EXPECT_EQ(screen.find("Delimitedx"), std::string::npos) << screen;
  ASSERT_TRUE(tmux.PressUntilFooter("Tab", "Type the text")) << tmux.Screen();
  tmux.Type("\\;");
  screen = tmux.KeysThenWait("M-n", "Select A Table");
  screen = tmux.WaitFor("Übertopf");
  // The table by its own name, no SQL quotes; each field in its column.
  EXPECT_NE(screen.find(" Kätalog.csv "), std::string::npos) << screen;
  EXPECT_EQ(screen.find("\"Kätalog.csv\""), std::string::npos) << screen;
  EXPECT_NE(screen.find("9,50"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("Übertopf;"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("[ ]"), std::string::npos) << "the preview's rows have no check boxes\n" << screen;
  for (const char* shown : {"Größe Übertopf", "Töpfe", "Maße 30 cm", "Gießkanne Ø 20", "Gärtnerbedarf", "Preis in €"})
    EXPECT_NE(screen.find(shown), std::string::npos) << shown << " not shown as it is\n" << screen;
  EXPECT_EQ(screen.find("~"), std::string::npos) << "no stray bytes\n" << screen;

  run.CancelWithEscape();
  EXPECT_EQ(run.Status(), "0") << tmux.Screen();
}

TEST(TallyportTerminal, ResizeAndATinyTerminalWithF1EndWell) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed";
  wizard_test::WizardHome home;
  TerminalRun run(home, 80, 24);
  ASSERT_TRUE(run.Started());
  const dv_test::Tmux& tmux = run.tmux;
  std::string screen = tmux.WaitFor("Select the database type:");
  ASSERT_NE(screen.find("Access (*.mdb)"), std::string::npos) << screen;

  // A resize during the page lays it out again.
  tmux.Resize(60, 20);
  screen = tmux.WaitFor("Select the database type:");
  EXPECT_NE(screen.find("Text (*.csv,*.txt)"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Cancel"), std::string::npos) << screen;

  // At 30x10 one line asks for room; F1 there changes nothing.
  tmux.Resize(30, 10);
  screen = tmux.WaitFor("Enlarge the terminal");
  ASSERT_NE(screen.find("Enlarge the terminal"), std::string::npos) << screen;
  EXPECT_NE(screen.find("40 x 12"), std::string::npos) << screen;
  long before = run.CpuTicks();
  tmux.Keys("F1");
  std::this_thread::sleep_for(std::chrono::seconds(2));
  screen = tmux.WaitFor("Enlarge the terminal");
  EXPECT_NE(screen.find("Enlarge the terminal"), std::string::npos) << screen;
  long spent = run.CpuTicks() - before;
  // Waiting for a key takes no CPU time to speak of: a spinning loop would
  // take the whole two seconds.
  EXPECT_LT(spent, 50) << "CPU ticks spent waiting at 30x10";

  tmux.Resize(80, 24);
  screen = tmux.WaitFor("Select the database type:");
  EXPECT_NE(screen.find("ODBC data source (DSN)"), std::string::npos) << "the page is back\n" << screen;
  EXPECT_EQ(screen.find("Enlarge the terminal"), std::string::npos) << screen;

  run.CancelWithEscape();
  EXPECT_EQ(run.Status(), "0") << tmux.Screen();
}

// F1 shows the page's help as text; after Esc closes it the page goes on
// as before: a type chosen with Down enables Next, which Tab reaches; on
// the next page Tab passes the format combo box (its keys in the footer)
// on to the wizard's buttons.
TEST(TallyportTerminal, AfterTheHelpThePageGoesOnByTabAlone) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed";
  wizard_test::WizardHome home;
  TerminalRun run(home, 80, 24);
  ASSERT_TRUE(run.Started());
  const dv_test::Tmux& tmux = run.tmux;
  tmux.WaitFor("Select the database type:");
  std::string screen = tmux.KeysThenWait("F1", "This first page asks");
  ASSERT_NE(screen.find("This first page asks"), std::string::npos) << "the help page is shown\n" << screen;
  screen = tmux.KeysThenWait("Escape", "About...");
  EXPECT_EQ(screen.find("This first page asks"), std::string::npos) << screen;
  tmux.Keys("Down");
  ASSERT_TRUE(tmux.PressUntilFooter("Tab", "Next:", 6)) << tmux.Screen();
  screen = tmux.KeysThenWait("Enter", "Select Database Source File");
  EXPECT_NE(screen.find("Select Database Source File"), std::string::npos) << screen;
  ASSERT_TRUE(tmux.PressUntilFooter("Tab", "open the list", 8)) << tmux.Screen();
  ASSERT_TRUE(tmux.PressUntilFooter("Tab", "Next:", 8)) << tmux.Screen();
  screen = tmux.KeysThenWait("Enter", "Select A Table");
  EXPECT_NE(screen.find("Select A Table"), std::string::npos) << screen;
  run.CancelWithEscape();
  EXPECT_EQ(run.Status(), "0") << tmux.Screen();
}

TEST(TallyportTerminal, RunScriptShowsTheFirstPage) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed";
  dv_test::scratch_dir scratch;
  std::string exitFile = scratch / "exit";
  std::string command = std::string("cd ") + DV_SOURCE_DIR + " && env LC_ALL=C.UTF-8 BUILD_DIR=" +
                        DV_BUILD_DIR + " ./run.sh; echo $? >" + exitFile + "; sleep 30";
  dv_test::Tmux tmux;
  ASSERT_EQ(tmux.Run("new-session -d -s wiz -x 80 -y 24 '" + command + "'"), 0);
  std::string screen = tmux.WaitFor("Quillon Shop");
  ASSERT_NE(screen.find("Import Wizard - Database Type Seletion"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Text (*.csv,*.txt)"), std::string::npos) << screen;
  screen = tmux.KeysThenWait("Escape", "Cancel the import wizard?");
  EXPECT_NE(screen.find("Cancel the import wizard?"), std::string::npos) << screen;
  tmux.Keys("Enter");
  std::string status;
  for (int tries = 0; tries < 600 && status.empty(); ++tries) {
    std::ifstream in(exitFile);
    std::getline(in, status);
    if (status.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(status, "0") << tmux.Screen();
}

}  // namespace
