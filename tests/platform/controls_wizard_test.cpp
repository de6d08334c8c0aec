// Guards the wizard sheet: the button bits and which buttons they enable,
// a page's init at its first activation only, staying on a page with -1
// from Next or Back, Finish refused by FALSE and by -1, jumping to a page
// by its dialog id, a page refusing to be shown passed over, leaving a page
// reading its controls back (and a failing read staying), a page list
// rebuilt by Next, a removed page made again when re-added, buttons posted
// by a handler applied when it returns, Cancel refused and accepted, a
// framework exception from a page handler shown and survived, and the
// modal run through the front end.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ctl_actions.h"
#include "ctl_handlers.h"
#include "ctl_prompts.h"
#include "ctl_property_sheet.h"
#include "fw_exceptions.h"

namespace {

enum : UINT { kPageA = 52000, kPageB = 52001, kPageC = 52002, kPageD = 52003, kEdit = 201, kCheck = 202, kNumber = 203 };

const FwControlTemplate kControls[] = {
    {kEdit, FwControlKind::Edit, "", FALSE, FALSE},
    {kCheck, FwControlKind::CheckBox, "Ready", FALSE, FALSE},
    {kNumber, FwControlKind::Edit, "", FALSE, FALSE},
};
const FwDialogTemplate kTemplates[] = {
    {kPageA, "Page A", kControls, std::size(kControls)},
    {kPageB, "Page B", kControls, std::size(kControls)},
    {kPageC, "Page C", kControls, std::size(kControls)},
    {kPageD, "Page D", kControls, std::size(kControls)},
};

struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplates, std::size(kTemplates)); }
} registered;

// A page that logs what the sheet does to it and answers as told.
class LoggingPage : public CPropertyPage {
 public:
  LoggingPage(UINT id, std::vector<std::string>& log) : CPropertyPage(id), log_(log) {}
  std::string Name() const { return std::string(1, static_cast<char>('A' + GetTemplateId() - kPageA)); }
  BOOL OnInitDialog() override {
    log_.push_back("init " + Name());
    return CPropertyPage::OnInitDialog();
  }
  BOOL OnSetActive() override {
    log_.push_back("set " + Name());
    GetSheet()->PostWizardButtons(buttonsOnSetActive);
    CPropertyPage::OnSetActive();
    return acceptSetActive;
  }
  BOOL OnKillActive() override {
    log_.push_back("kill " + Name());
    return CPropertyPage::OnKillActive();
  }
  LRESULT OnWizardNext() override {
    log_.push_back("next " + Name());
    if (onNext) onNext();
    return nextAnswer;
  }
  LRESULT OnWizardBack() override { return backAnswer; }
  BOOL OnWizardFinish() override { return finishAnswer; }
  BOOL OnQueryCancel() override { return allowCancel; }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, kEdit, text);
    DDX_Check(pDX, kCheck, ready);
    DDX_Text(pDX, kNumber, number);
  }
  BOOL OnCmdMsg(UINT id, UINT code) override {
    return FwRunHandler(*this, kHandlers, id, code) || CPropertyPage::OnCmdMsg(id, code);
  }
  // The check box decides whether Next is offered, posted like the pages do.
  void OnReadyClicked() {
    GetSheet()->PostWizardButtons(Control<CButton>(kCheck).GetCheck() ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
    buttonsInsideHandler = GetSheet()->GetWizardButtons();
  }
  void OnTextChanged() { throw new CDBException(-1); }

  DWORD buttonsOnSetActive = PSWIZB_BACK | PSWIZB_NEXT;
  BOOL acceptSetActive = TRUE;
  LRESULT nextAnswer = 0;
  LRESULT backAnswer = 0;
  BOOL finishAnswer = TRUE;
  BOOL allowCancel = TRUE;
  std::function<void()> onNext;
  CString text;
  int ready = 0;
  int number = 0;
  DWORD buttonsInsideHandler = 0;

 private:
  static const FwHandler<LoggingPage> kHandlers[];
  std::vector<std::string>& log_;
};

const FwHandler<LoggingPage> LoggingPage::kHandlers[] = {
    {kCheck, BN_CLICKED, &LoggingPage::OnReadyClicked},
    {kEdit, EN_CHANGE, &LoggingPage::OnTextChanged},
    {0, 0, nullptr},
};

// Runs the sheet with a step list given by the test.
class StepHost : public FwModalHost {
 public:
  std::function<void(CPropertySheet&)> run;
  void RunDialog(CDialog&) override { FAIL() << "no dialog expected"; }
  void RunSheet(CPropertySheet& sheet) override { run(sheet); }
};

class WizardSheet : public ::testing::Test {
 protected:
  WizardSheet() : a(kPageA, log), b(kPageB, log), c(kPageC, log), d(kPageD, log) {
    previousHost = FwSetModalHost(&host);
    previousPrompts = FwSetPrompts(&prompts);
    sheet.SetWizardMode();
    sheet.AddPage(&a);
    sheet.AddPage(&b);
    sheet.AddPage(&c);
    a.buttonsOnSetActive = PSWIZB_NEXT;
    c.buttonsOnSetActive = PSWIZB_BACK | PSWIZB_FINISH;
  }
  ~WizardSheet() override {
    FwSetModalHost(previousHost);
    FwSetPrompts(previousPrompts);
  }
  // Starts the sheet the way DoModal does and hands it to body.
  int Run(std::function<void(CPropertySheet&)> body) {
    host.run = std::move(body);
    return sheet.DoModal();
  }

  std::vector<std::string> log;
  LoggingPage a, b, c, d;
  CPropertySheet sheet{"Wizard"};
  StepHost host;
  FwScriptedPrompts prompts;
  FwModalHost* previousHost;
  FwPrompts* previousPrompts;
};

TEST(WizardButtons, BitsEnableTheButtons) {
  struct Case {
    DWORD bits;
    BOOL back, next, finish;
  } cases[] = {
      {0, FALSE, FALSE, FALSE},
      {PSWIZB_NEXT, FALSE, TRUE, FALSE},
      {PSWIZB_BACK | PSWIZB_NEXT, TRUE, TRUE, FALSE},
      {PSWIZB_FINISH, FALSE, FALSE, TRUE},
      {PSWIZB_BACK | PSWIZB_FINISH, TRUE, FALSE, TRUE},
      {PSWIZB_BACK | PSWIZB_DISABLEDFINISH, TRUE, FALSE, FALSE},
  };
  CPropertySheet sheet;
  for (const Case& row : cases) {
    sheet.SetWizardButtons(row.bits);
    EXPECT_EQ(sheet.IsButtonEnabled(PSBTN_BACK), row.back) << row.bits;
    EXPECT_EQ(sheet.IsButtonEnabled(PSBTN_NEXT), row.next) << row.bits;
    EXPECT_EQ(sheet.IsButtonEnabled(PSBTN_FINISH), row.finish) << row.bits;
    EXPECT_TRUE(sheet.IsButtonEnabled(PSBTN_CANCEL)) << row.bits;
  }
}

TEST_F(WizardSheet, WalksForwardAndBackWithInitOnlyAtTheFirstActivation) {
  int result = Run([&](CPropertySheet& s) {
    EXPECT_EQ(s.GetActivePage(), &a);
    EXPECT_EQ(s.GetWizardButtons(), DWORD(PSWIZB_NEXT)) << "posted in OnSetActive, applied after it";
    EXPECT_FALSE(s.PressButton(PSBTN_BACK)) << "Back is disabled on the first page";
    EXPECT_TRUE(s.PressButton(PSBTN_NEXT));
    EXPECT_TRUE(s.PressButton(PSBTN_BACK));
    EXPECT_TRUE(s.PressButton(PSBTN_NEXT));
    EXPECT_TRUE(s.PressButton(PSBTN_NEXT));
    EXPECT_EQ(s.GetActivePage(), &c);
    EXPECT_FALSE(s.PressButton(PSBTN_NEXT)) << "Finish replaces Next";
    EXPECT_TRUE(s.PressButton(PSBTN_FINISH));
  });
  EXPECT_EQ(result, ID_WIZFINISH);
  EXPECT_EQ(log, (std::vector<std::string>{"init A", "set A", "next A", "kill A", "init B", "set B", "kill B", "set A",
                                           "next A", "kill A", "set B", "next B", "kill B", "init C", "set C"}));
}

TEST_F(WizardSheet, NextOrBackAnsweringMinusOneStays) {
  Run([&](CPropertySheet& s) {
    a.nextAnswer = -1;
    EXPECT_FALSE(s.PressButton(PSBTN_NEXT));
    EXPECT_EQ(s.GetActivePage(), &a);
    a.nextAnswer = 0;
    s.PressButton(PSBTN_NEXT);
    b.backAnswer = -1;
    EXPECT_FALSE(s.PressButton(PSBTN_BACK));
    EXPECT_EQ(s.GetActivePage(), &b);
    s.PressButton(PSBTN_CANCEL);
  });
}

TEST_F(WizardSheet, FinishAnsweringFalseOrMinusOneStays) {
  int result = Run([&](CPropertySheet& s) {
    s.SetActivePage(&c);
    s.SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    for (BOOL stay : {FALSE, -1}) {
      c.finishAnswer = stay;
      EXPECT_FALSE(s.PressButton(PSBTN_FINISH)) << stay;
      EXPECT_FALSE(s.IsEnded()) << stay;
    }
    c.finishAnswer = TRUE;
    EXPECT_TRUE(s.PressButton(PSBTN_FINISH));
  });
  EXPECT_EQ(result, ID_WIZFINISH);
}

TEST_F(WizardSheet, NextJumpsToAPageByItsDialogIdAndPassesARefusingPage) {
  Run([&](CPropertySheet& s) {
    a.nextAnswer = kPageC;
    s.PressButton(PSBTN_NEXT);
    EXPECT_EQ(s.GetActivePage(), &c);
    b.acceptSetActive = FALSE;
    s.PressButton(PSBTN_BACK);
    EXPECT_EQ(s.GetActivePage(), &a) << "B refused to be shown and was passed over";
    s.PressButton(PSBTN_CANCEL);
  });
}

TEST_F(WizardSheet, LeavingReadsTheControlsBackAndAFailingReadStays) {
  Run([&](CPropertySheet& s) {
    FwClickButton(*s.GetActivePage(), kCheck);
    s.GetActivePage()->SetDlgItemText(kNumber, "41");
    s.PressButton(PSBTN_NEXT);
    EXPECT_EQ(a.ready, 1);
    EXPECT_EQ(a.number, 41);
    b.SetDlgItemText(kNumber, "four");
    prompts.ExpectMessageBox(IDOK, 0, "Please enter an integer.");
    EXPECT_FALSE(s.PressButton(PSBTN_NEXT));
    EXPECT_EQ(s.GetActivePage(), &b);
    s.PressButton(PSBTN_CANCEL);
  });
  EXPECT_EQ(prompts.PendingAnswers(), 0u);
}

TEST_F(WizardSheet, NextRebuildsThePageListAndARemovedPageIsMadeAgain) {
  // A's Next replaces the pages after it, as a source-type choice does.
  a.onNext = [&] {
    a.UpdateData(TRUE);
    while (sheet.GetPageCount() > 1) sheet.RemovePage(1);
    if (a.ready) {
      sheet.AddPage(&d);
    } else {
      sheet.AddPage(&b);
      sheet.AddPage(&c);
    }
  };
  Run([&](CPropertySheet& s) {
    s.PressButton(PSBTN_NEXT);
    EXPECT_EQ(s.GetActivePage(), &b);
    b.SetDlgItemText(kEdit, "kept in the member");
    s.PressButton(PSBTN_BACK);
    a.Control<CButton>(kCheck).SetCheck(BST_CHECKED);
    s.PressButton(PSBTN_NEXT);
    EXPECT_EQ(s.GetPageCount(), 2);
    EXPECT_EQ(s.GetActivePage(), &d);
    EXPECT_FALSE(b.IsCreated()) << "a removed page's window is destroyed";
    s.PressButton(PSBTN_BACK);
    a.Control<CButton>(kCheck).SetCheck(BST_UNCHECKED);
    s.PressButton(PSBTN_NEXT);
    EXPECT_EQ(s.GetActivePage(), &b);
    EXPECT_STREQ(b.text, "kept in the member") << "read back when B was left";
    EXPECT_STREQ(b.GetDlgItemText(kEdit), "kept in the member") << "the new window shows the members";
    s.PressButton(PSBTN_CANCEL);
  });
  int initsOfB = 0;
  for (const std::string& entry : log) initsOfB += entry == "init B";
  EXPECT_EQ(initsOfB, 2) << "B's init ran again after it was removed and added";
}

TEST_F(WizardSheet, ButtonsPostedByAHandlerApplyWhenItReturns) {
  Run([&](CPropertySheet& s) {
    s.PressButton(PSBTN_NEXT);
    FwClickButton(b, kCheck);
    EXPECT_EQ(b.buttonsInsideHandler, DWORD(PSWIZB_BACK | PSWIZB_NEXT)) << "still the old mask inside the handler";
    EXPECT_EQ(s.GetWizardButtons(), DWORD(PSWIZB_BACK | PSWIZB_NEXT));
    FwClickButton(b, kCheck);
    EXPECT_EQ(s.GetWizardButtons(), DWORD(PSWIZB_BACK));
    EXPECT_FALSE(s.PressButton(PSBTN_NEXT));
    s.PressButton(PSBTN_CANCEL);
  });
}

TEST_F(WizardSheet, CancelCanBeRefusedAndAFrameworkExceptionIsSurvived) {
  int result = Run([&](CPropertySheet& s) {
    prompts.ExpectMessageBox(IDOK);
    FwTypeText(a, kEdit, "x");
    EXPECT_EQ(prompts.asked.size(), 1u) << "the exception was shown";
    a.allowCancel = FALSE;
    EXPECT_FALSE(s.PressButton(PSBTN_CANCEL));
    EXPECT_FALSE(s.IsEnded());
    a.allowCancel = TRUE;
    EXPECT_TRUE(s.PressButton(PSBTN_CANCEL));
    EXPECT_FALSE(s.PressButton(PSBTN_NEXT)) << "an ended sheet takes no more buttons";
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_FALSE(a.IsCreated());
}

}  // namespace
