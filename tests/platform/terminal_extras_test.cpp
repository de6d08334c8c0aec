// Guards what the terminal shows beyond the controls' plain lines: a
// progress bar moved by long work inside a handler is drawn with its
// percentage while the work runs; a read-only text box (a page's help text)
// is shown as a wrapped paragraph and '&' access marks are not shown; F1
// asks the dialog for its help; the open-file dialog (the toolkit's) lists
// the folder's subfolders and the files that fit the filter and takes the
// one chosen in its list; and an HTML document opens as text in a box, tags
// dropped, with nothing started.
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

enum : UINT { kDialog = 54100, kHelp = 501, kBar = 502, kWork = 503, kOpen = 504, kDocument = 505 };

const FwControlTemplate kControls[] = {
    {kHelp, FwControlKind::Edit, "", FALSE, FALSE},
    {kBar, FwControlKind::Progress, "", FALSE, FALSE},
    {kWork, FwControlKind::Button, "&Work", FALSE, FALSE},
    {kOpen, FwControlKind::Button, "&Open...", FALSE, FALSE},
    {kDocument, FwControlKind::Button, "&Document", FALSE, FALSE},
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
        {kDocument, BN_CLICKED, &ExtrasDialog::OnDocument},
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
  void OnDocument() { opened = FwGetPrompts().OpenDocument((folder_ + "/page.html").c_str()); }
  CString picked;
  BOOL opened = FALSE;

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
  std::ofstream(std::string(folder) + "/result") << static_cast<LPCTSTR>(dialog.picked) << " " << dialog.opened << "\n";
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
  std::ofstream(scratch / "page.html") << "<html><head><title>x</title></head><body><h1>Mapping help</h1>"
                                          "<p>Choose &amp; map.</p><ul><li>Tab: next</li></ul></body></html>";
  std::string emulator = DV_TEST_EMULATOR;
  std::string command = "env LC_ALL=C.UTF-8 DV_TERMINAL_FOLDER=" + scratch.path() + " " +
                        (emulator.empty() ? "" : emulator + " ") + SelfPath() +
                        " --gtest_filter=TerminalExtras.Child; sleep 30";
  dv_test::Tmux tmux;
  ASSERT_EQ(tmux.Run("new-session -d -s wiz -x 60 -y 24 '" + command + "'"), 0);

  std::string screen = tmux.WaitFor("ends here.");
  EXPECT_NE(screen.find("This help text is long enough"), std::string::npos) << screen;
  EXPECT_NE(screen.find("ends here."), std::string::npos) << "wrapped, not cut\n" << screen;
  EXPECT_NE(screen.find("Work"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("&Work"), std::string::npos) << "no access marks\n" << screen;

  tmux.Keys("F1");
  screen = tmux.WaitFor("help asked");
  EXPECT_NE(screen.find("Extras (help asked)"), std::string::npos) << screen;

  // Focus starts on Work: Enter runs the work, which holds the bar at half.
  ASSERT_TRUE(tmux.PressUntilFooter("", "Work: Enter", 0)) << tmux.Screen();
  screen = tmux.KeysThenWait("Enter", "50 %");
  EXPECT_NE(screen.find("50 %"), std::string::npos) << "the bar is drawn while the work runs\n" << screen;
  std::ofstream(scratch / "go-on") << "\n";
  screen = tmux.WaitFor("100 %");
  EXPECT_NE(screen.find("100 %"), std::string::npos) << screen;

  // Tab to Open: the folder's entries that fit the filter are listed; the
  // file chosen in the list is taken.
  tmux.Keys("Tab");
  ASSERT_TRUE(tmux.PressUntilFooter("", "Open...: Enter", 0)) << tmux.Screen();
  screen = tmux.KeysThenWait("Enter", "prices.csv");
  EXPECT_NE(screen.find("[sub]"), std::string::npos) << screen;
  EXPECT_NE(screen.find("prices.csv"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("notes.txt"), std::string::npos) << "the filter leaves it out\n" << screen;
  // The entries: [..], [sub], prices.csv.
  tmux.Keys("Tab");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  tmux.Keys("Down Down");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  tmux.Keys("Enter");
  for (int tries = 0; tries < 100 && tmux.Screen().find("Filename") != std::string::npos; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_EQ(tmux.Screen().find("Filename"), std::string::npos) << "the file dialog closed\n" << tmux.Screen();

  // The document opens as text in a box; Esc closes it.
  tmux.Keys("Tab");
  ASSERT_TRUE(tmux.PressUntilFooter("", "Document: Enter", 0)) << tmux.Screen();
  screen = tmux.KeysThenWait("Enter", "Mapping help");
  EXPECT_NE(screen.find("Mapping help"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Choose & map."), std::string::npos) << screen;
  EXPECT_NE(screen.find("  * Tab: next"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("<h1>"), std::string::npos) << "tags dropped\n" << screen;
  tmux.Keys("Escape");
  for (int tries = 0; tries < 100 && tmux.Screen().find("Mapping help") != std::string::npos; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_EQ(tmux.Screen().find("Mapping help"), std::string::npos) << "the document closed\n" << tmux.Screen();
  tmux.Keys("Tab");
  ASSERT_TRUE(tmux.PressUntilFooter("", "OK: Enter", 0)) << tmux.Screen();
  tmux.Keys("Enter");
  std::string picked;
  for (int tries = 0; tries < 600 && picked.empty(); ++tries) {
    std::ifstream in(scratch / "result");
    std::getline(in, picked);
    if (picked.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(picked, scratch / "prices.csv" + " 1") << tmux.Screen();
}

}  // namespace
