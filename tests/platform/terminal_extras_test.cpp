// Guards what the terminal shows beyond the controls' plain lines: a
// progress bar moved by long work inside a handler is drawn while the work
// runs; a read-only text box (a page's help text) is shown as a wrapped
// paragraph and '&' access marks are not shown; F1 asks the dialog for its
// help; and the open-file dialog lists the folder's subfolders and the
// files that fit the filter, picked with the arrow keys and Enter.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "ctl_dialog.h"
#include "ctl_handlers.h"
#include "ctl_prompts.h"
#include "dv_scratch_dir.h"
#include "dv_tmux.h"
#include "term_front_end.h"

namespace {

enum : UINT { kDialog = 54100, kHelp = 501, kBar = 502, kWork = 503, kOpen = 504 };

const FwControlTemplate kControls[] = {
    {kHelp, FwControlKind::Edit, "", FALSE, FALSE},
    {kBar, FwControlKind::Progress, "", FALSE, FALSE},
    {kWork, FwControlKind::Button, "&Work", FALSE, FALSE},
    {kOpen, FwControlKind::Button, "&Open...", FALSE, FALSE},
    {IDOK, FwControlKind::Button, "OK", FALSE, FALSE},
};
const FwDialogTemplate kTemplates[] = {{kDialog, "Extras", kControls, std::size(kControls)}};

class ExtrasDialog : public CDialog {
 public:
  explicit ExtrasDialog(std::string folder) : CDialog(kDialog), folder_(std::move(folder)) {}
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    auto& help = Control<CEdit>(kHelp);
    help.SetReadOnly(TRUE);
    help.SetWindowText(
        "This help text is long enough to need two lines on a terminal of sixty columns, and it ends here.");
    return TRUE;
  }
  BOOL OnCmdMsg(UINT id, UINT code) override {
    static const FwHandler<ExtrasDialog> handlers[] = {
        {kWork, BN_CLICKED, &ExtrasDialog::OnWork},
        {kOpen, BN_CLICKED, &ExtrasDialog::OnOpen},
        {0, 0, nullptr},
    };
    return FwRunHandler(*this, handlers, id, code) || CDialog::OnCmdMsg(id, code);
  }
  BOOL OnHelp() override {
    SetWindowText("Extras (help asked)");
    return TRUE;
  }
  // The bar is moved to half and held there for a while, then to the end.
  void OnWork() {
    auto& bar = Control<CProgressCtrl>(kBar);
    bar.SetRange32(0, 10);
    bar.SetPos(5);
    for (int i = 0; i < 40 && !std::filesystem::exists(folder_ + "/go-on"); ++i) usleep(100000);
    bar.SetPos(10);
  }
  void OnOpen() {
    FwFileRequest request{TRUE, "", "Text (*.csv)|*.csv|All (*.*)|*.*||", "", folder_.c_str(), "*.csv"};
    CString chosen;
    if (FwGetPrompts().AskFileName(request, chosen)) picked = chosen;
  }
  CString picked;

 private:
  std::string folder_;
};

TEST(TerminalExtras, Child) {
  const char* folder = std::getenv("DV_TERMINAL_FOLDER");
  if (folder == nullptr) GTEST_SKIP() << "run by TerminalExtras.ShownInATerminal inside a terminal";
  FwRegisterDialogTemplates(kTemplates, std::size(kTemplates));
  ExtrasDialog dialog(folder);
  {
    FwTerminal terminal;
    terminal.Install();
    dialog.DoModal();
    terminal.Uninstall();
  }
  std::ofstream(std::string(folder) + "/result") << static_cast<LPCTSTR>(dialog.picked) << "\n";
}

std::string SelfPath() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  return std::string(self, n > 0 ? n : 0);
}

TEST(TerminalExtras, ShownInATerminal) {
  if (std::system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  dv_test::scratch_dir scratch;
  std::filesystem::create_directory(scratch / "sub");
  std::ofstream(scratch / "prices.csv") << "a\n";
  std::ofstream(scratch / "notes.txt") << "b\n";
  std::string emulator = DV_TEST_EMULATOR;
  std::string command = "env TERM=xterm DV_TERMINAL_FOLDER=" + scratch.path() + " " +
                        (emulator.empty() ? "" : emulator + " ") + SelfPath() +
                        " --gtest_filter=TerminalExtras.Child; sleep 30";
  dv_test::Tmux tmux;
  ASSERT_EQ(tmux.Run("new-session -d -s wiz -x 60 -y 24 '" + command + "'"), 0);

  std::string screen = tmux.WaitFor("Extras");
  EXPECT_NE(screen.find("This help text is long enough"), std::string::npos) << screen;
  EXPECT_NE(screen.find("ends here."), std::string::npos) << "wrapped, not cut\n" << screen;
  EXPECT_EQ(screen.find("[This help"), std::string::npos) << "no edit brackets\n" << screen;
  EXPECT_NE(screen.find("< Work >"), std::string::npos) << "no access marks\n" << screen;

  tmux.Keys("F1");
  screen = tmux.WaitFor("help asked");
  EXPECT_NE(screen.find("Extras (help asked)"), std::string::npos) << screen;

  // Focus starts on Work: Enter runs the work, which holds the bar at half.
  tmux.Keys("Enter");
  screen = tmux.WaitFor("[####################      ");
  EXPECT_NE(screen.find("[####################                    ]"), std::string::npos)
      << "the bar is drawn while the work runs\n" << screen;
  std::ofstream(scratch / "go-on") << "\n";
  screen = tmux.WaitFor("[########################################]");
  EXPECT_NE(screen.find("[########################################]"), std::string::npos) << screen;

  // Tab to Open: the folder's entries that fit the filter are listed.
  tmux.Keys("Tab Enter");
  screen = tmux.WaitFor("prices.csv");
  EXPECT_NE(screen.find("sub/"), std::string::npos) << screen;
  EXPECT_NE(screen.find("prices.csv"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("notes.txt"), std::string::npos) << "the filter leaves it out\n" << screen;
  // Entries: ../, sub/, prices.csv.
  tmux.Keys("Down Down Down Enter");
  tmux.Keys("Tab Enter");
  std::string picked;
  for (int tries = 0; tries < 600 && picked.empty(); ++tries) {
    std::ifstream in(scratch / "result");
    std::getline(in, picked);
    if (picked.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(picked, scratch / "prices.csv") << tmux.Screen();
}

}  // namespace
