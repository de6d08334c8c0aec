// Guards the terminal front end as a person meets it: a two-page wizard run
// in a real terminal (tmux) shows the first page with its caption, text box,
// check box and Next, the footer naming the focused control's keys;
// typing, Space and Enter on Next reach the second page, whose list is
// picked with the arrow keys; Back returns to the first page showing what
// was typed; Esc asks before it cancels, and the program ends with the
// sheet cancelled and the typed values read back. The screen is read after
// every step.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "ctl_property_sheet.h"
#include "dv_scratch_dir.h"
#include "dv_tmux.h"
#include "term_front_end.h"

namespace {

enum : UINT { kOne = 54000, kTwo = 54001, kName = 401, kKeen = 402, kFruit = 403, kLabel = 404 };

const FwControlTemplate kOneControls[] = {
    {kLabel, FwControlKind::Static, "Your name:", FALSE, FALSE},
    {kName, FwControlKind::Edit, "", FALSE, FALSE},
    {kKeen, FwControlKind::CheckBox, "Keen", FALSE, FALSE},
};
const FwControlTemplate kTwoControls[] = {
    {kFruit, FwControlKind::ListBox, "", FALSE, FALSE},
};
const FwDialogTemplate kTemplates[] = {
    {kOne, "Page One", kOneControls, std::size(kOneControls)},
    {kTwo, "Page Two", kTwoControls, std::size(kTwoControls)},
};

class PageOne : public CPropertyPage {
 public:
  PageOne() : CPropertyPage(kOne) {}
  BOOL OnSetActive() override {
    GetSheet()->PostWizardButtons(PSWIZB_NEXT);
    return CPropertyPage::OnSetActive();
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, kName, name);
    DDX_Check(pDX, kKeen, keen);
  }
  CString name;
  int keen = 0;
};

class PageTwo : public CPropertyPage {
 public:
  PageTwo() : CPropertyPage(kTwo) {}
  BOOL OnInitDialog() override {
    for (const char* fruit : {"Apple", "Pear", "Plum"}) Control<CListBox>(kFruit).AddString(fruit);
    return CPropertyPage::OnInitDialog();
  }
  BOOL OnSetActive() override {
    GetSheet()->PostWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    return CPropertyPage::OnSetActive();
  }
  void DoDataExchange(CDataExchange* pDX) override { DDX_LBString(pDX, kFruit, fruit); }
  CString fruit;
};

// The wizard the terminal shows; writes how it ended to the result file.
TEST(Terminal, WizardChild) {
  const char* resultFile = std::getenv("DV_TERMINAL_RESULT");
  if (resultFile == nullptr) GTEST_SKIP() << "run by Terminal.WalkTwoPagesAndCancel inside a terminal";
  FwRegisterDialogTemplates(kTemplates, std::size(kTemplates));
  PageOne one;
  PageTwo two;
  CPropertySheet sheet("Terminal test wizard");
  sheet.SetWizardMode();
  sheet.AddPage(&one);
  sheet.AddPage(&two);
  int result = 0;
  {
    FwTerminal terminal;
    terminal.Install();
    result = sheet.DoModal();
    terminal.Uninstall();
  }
  std::ofstream(resultFile) << result << " " << static_cast<LPCTSTR>(one.name) << " " << one.keen << " "
                            << static_cast<LPCTSTR>(two.fruit) << "\n";
}

std::string SelfPath() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  return std::string(self, n > 0 ? n : 0);
}

TEST(Terminal, WalkTwoPagesAndCancel) {
  if (std::system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  dv_test::scratch_dir scratch;
  std::string result = scratch / "result";
  std::string emulator = DV_TEST_EMULATOR;
  std::string command = "env LC_ALL=C.UTF-8 DV_TERMINAL_RESULT=" + result + " " + (emulator.empty() ? "" : emulator + " ") +
                        SelfPath() + " --gtest_filter=Terminal.WizardChild; sleep 30";
  dv_test::Tmux tmux;
  ASSERT_EQ(tmux.Run("new-session -d -s wiz -x 100 -y 30 '" + command + "'"), 0);

  std::string screen = tmux.WaitFor("Your name:");
  ASSERT_NE(screen.find("Page One"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Terminal test wizard"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Your name:"), std::string::npos) << screen;
  EXPECT_NE(screen.find("[ ] Keen"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Next >"), std::string::npos) << screen;
  EXPECT_TRUE(tmux.PressUntilFooter("", "Type the text", 0)) << "the text box has the focus\n" << tmux.Screen();

  // Focus starts in the text box: type, Tab to the check box, Space, Tab to
  // Next (Back is disabled and left out), Enter.
  tmux.Keys("A n n Tab Space Tab");
  ASSERT_TRUE(tmux.PressUntilFooter("", "Next: Enter", 0)) << tmux.Screen();
  tmux.Keys("Enter");
  screen = tmux.WaitFor("Plum");
  ASSERT_NE(screen.find("Page Two"), std::string::npos) << screen;
  EXPECT_NE(screen.find("< Back"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Finish"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Plum"), std::string::npos) << screen;

  // The list has the focus on Apple: Down picks Pear; then Shift-Tab goes
  // round to Cancel, Shift-Tab again to Finish, again to Back.
  ASSERT_TRUE(tmux.PressUntilFooter("", "Up/Down: choose", 0)) << tmux.Screen();
  tmux.Keys("Down BTab BTab BTab");
  ASSERT_TRUE(tmux.PressUntilFooter("", "Back: Enter", 0)) << tmux.Screen();
  tmux.Keys("Enter");
  screen = tmux.WaitFor("Page One");
  ASSERT_NE(screen.find("Page One"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Ann"), std::string::npos) << "the page shows what was typed\n" << screen;
  EXPECT_NE(screen.find("[×] Keen"), std::string::npos) << screen;

  screen = tmux.KeysThenWait("Escape", "Cancel the import wizard?");
  ASSERT_NE(screen.find("Cancel the import wizard?"), std::string::npos) << screen;
  tmux.Keys("Enter");
  std::string outcome;
  for (int tries = 0; tries < 600 && outcome.empty(); ++tries) {
    std::ifstream in(result);
    std::getline(in, outcome);
    if (outcome.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(outcome, std::to_string(IDCANCEL) + " Ann 1 Pear") << tmux.Screen();
}

}  // namespace
