// Guards the scripted driver: a script walking a sheet's pages with the
// button masks checked, a page staying and telling why by a message box
// answered in advance and checked by string id, a modal dialog opened from
// a page and driven by the same script, the mapping grid's in-place combo
// and a tree path, and every way a script fails (unknown command, a control
// not on the page, a disabled button, an unexpected box, an answer never
// asked for, words left on a line, a script ending with the sheet open),
// each naming its line.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ctl_handlers.h"
#include "ctl_property_sheet.h"
#include "script_driver.h"

namespace {

enum : UINT { kFirst = 53000, kSecond = 53001, kPicker = 53002, kName = 301, kAsk = 302, kGrid = 303, kCombo = 304,
              kTree = 305, kChoices = 306 };

const FwControlTemplate kFirstControls[] = {
    {kName, FwControlKind::Edit, "", FALSE, FALSE},
    {kAsk, FwControlKind::Button, "Pick...", FALSE, FALSE},
    {kTree, FwControlKind::TreeCtrl, "", FALSE, FALSE},
};
const FwControlTemplate kSecondControls[] = {
    {kGrid, FwControlKind::ListCtrl, "", FALSE, FALSE},
};
const FwControlTemplate kPickerControls[] = {
    {kChoices, FwControlKind::ListBox, "", FALSE, FALSE},
    {IDOK, FwControlKind::Button, "OK", FALSE, FALSE},
    {IDCANCEL, FwControlKind::Button, "Cancel", FALSE, FALSE},
};
const FwDialogTemplate kTemplates[] = {
    {kFirst, "First", kFirstControls, std::size(kFirstControls)},
    {kSecond, "Second", kSecondControls, std::size(kSecondControls)},
    {kPicker, "Picker", kPickerControls, std::size(kPickerControls)},
};

struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplates, std::size(kTemplates)); }
} registered;

// A modal item picker.
class Picker : public CDialog {
 public:
  Picker() : CDialog(kPicker) {}
  BOOL OnInitDialog() override {
    for (const char* item : {"red", "green", "blue"}) Control<CListBox>(kChoices).AddString(item);
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* pDX) override { DDX_LBString(pDX, kChoices, chosen); }
  CString chosen;
};

// Needs a name to go on; Next is offered once one is typed.
class FirstPage : public CPropertyPage {
 public:
  FirstPage() : CPropertyPage(kFirst) {}
  BOOL OnInitDialog() override {
    CPropertyPage::OnInitDialog();
    CTreeCtrl& tree = Control<CTreeCtrl>(kTree);
    tree.InsertItem("Tools", tree.InsertItem("Garden"));
    return TRUE;
  }
  BOOL OnSetActive() override {
    GetSheet()->PostWizardButtons(name.IsEmpty() ? 0u : DWORD(PSWIZB_NEXT));
    return CPropertyPage::OnSetActive();
  }
  void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, kName, name); }
  LRESULT OnWizardNext() override {
    UpdateData(TRUE);
    CTreeCtrl& tree = Control<CTreeCtrl>(kTree);
    treePath = tree.PathOf(tree.GetSelectedItem());
    if (name == "stay") {
      AfxMessageBox(32906, MB_OK);
      return -1;
    }
    return 0;
  }
  BOOL OnCmdMsg(UINT id, UINT code) override {
    return FwRunHandler(*this, kHandlers, id, code) || CPropertyPage::OnCmdMsg(id, code);
  }
  void OnNameChange() { GetSheet()->PostWizardButtons(GetDlgItemText(kName).IsEmpty() ? 0u : DWORD(PSWIZB_NEXT)); }
  void OnAsk() {
    Picker picker;
    if (picker.DoModal() == IDOK) SetDlgItemText(kName, picker.chosen);
  }
  CString name;
  CString treePath;

 private:
  static const FwHandler<FirstPage> kHandlers[];
};

const FwHandler<FirstPage> FirstPage::kHandlers[] = {
    {kName, EN_CHANGE, &FirstPage::OnNameChange},
    {kAsk, BN_CLICKED, &FirstPage::OnAsk},
    {0, 0, nullptr},
};

// A grid whose rows take a source column from its in-place combo.
class MappingGrid : public CListCtrl {
 public:
  BOOL OnCmdMsg(UINT id, UINT code) override {
    if (id == kCombo && code == CBN_SELCHANGE) {
      SetItemText(GetChangedItem(), 1, Control<CComboBox>(kCombo).GetWindowText());
      return TRUE;
    }
    return FALSE;
  }
};

class SecondPage : public CPropertyPage {
 public:
  SecondPage() : CPropertyPage(kSecond) {}
  BOOL OnInitDialog() override {
    CPropertyPage::OnInitDialog();
    grid.InsertColumn(0, "Field");
    grid.InsertColumn(1, "Source");
    grid.InsertItem(0, "Name");
    grid.InsertItem(1, "Price");
    auto combo = std::make_unique<CComboBox>();
    combo->SetDlgCtrlID(kCombo);
    for (const char* column : {"TITLE", "COST"}) combo->AddString(column);
    grid.AddChild(std::move(combo));
    return TRUE;
  }
  BOOL OnSetActive() override {
    GetSheet()->PostWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    return CPropertyPage::OnSetActive();
  }
  void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kGrid, grid); }
  BOOL OnWizardFinish() override {
    mapped = grid.GetItemText(1, 1);
    return TRUE;
  }
  MappingGrid grid;
  CString mapped;
};

struct Outcome {
  int result = 0;
  std::string error;
  std::string name;
  std::string tree;
  std::string mapped;
};

Outcome RunScript(const std::vector<std::string>& lines) {
  Outcome outcome;
  FirstPage first;
  SecondPage second;
  CPropertySheet sheet("Test");
  sheet.SetWizardMode();
  sheet.AddPage(&first);
  sheet.AddPage(&second);
  FwScriptDriver driver("test.script", lines);
  driver.Install();
  try {
    outcome.result = sheet.DoModal();
    driver.Finish();
  } catch (const FwScriptError& e) {
    outcome.error = e.what();
  }
  driver.Uninstall();
  outcome.name = static_cast<LPCTSTR>(first.name);
  outcome.tree = static_cast<LPCTSTR>(first.treePath);
  outcome.mapped = static_cast<LPCTSTR>(second.mapped);
  return outcome;
}

TEST(ScriptDriver, WalksThePagesWithMasksStayingAndAModalDialog) {
  Outcome outcome = RunScript({
      "# the first page needs a name",
      "expect page 53000",
      "expect buttons 0",
      "set 301 stay",
      "expect buttons 2",
      "answer ok id 32906",
      "next",
      "expect page 53000",
      "expect message 32906",
      "click 302",
      "expect dialog 53002",
      "pick 306 Green",
      "ok",
      "expect text 301 green",
      "tree 305 Garden\\Tools",
      "next",
      "expect page 53001",
      "expect buttons 5",
      "map 303 1 COST",
      "finish",
  });
  EXPECT_EQ(outcome.error, "");
  EXPECT_EQ(outcome.result, ID_WIZFINISH);
  EXPECT_EQ(outcome.name, "green");
  EXPECT_EQ(outcome.tree, "Garden\\Tools");
  EXPECT_EQ(outcome.mapped, "COST");
}

TEST(ScriptDriver, CancelEndsTheRun) {
  Outcome outcome = RunScript({"set 301 \" padded \"", "cancel"});
  EXPECT_EQ(outcome.error, "");
  EXPECT_EQ(outcome.result, IDCANCEL);
  EXPECT_EQ(outcome.name, "") << "Cancel reads nothing back";
}

TEST(ScriptDriver, FailuresNameTheLineAndTheReason) {
  struct Case {
    std::vector<std::string> lines;
    std::string error;
  } cases[] = {
      {{"jump"}, "test.script:1: unknown command \"jump\""},
      {{"set 999 x"}, "test.script:1: no control 999 on window \"First\""},
      {{"set abc x"}, "test.script:1: \"abc\" is no control id"},
      {{"next"}, "test.script:1: Next is disabled on page 53000"},
      {{"set 301 stay", "next"}, "test.script:2: unexpected message box 32906 \"Size\": no answer was given for it"},
      {{"answer yes id 32906", "cancel"}, "test.script:1: the answer given here was never asked for"},
      {{"set 301 x", "expect page 53001"}, "test.script:2: expected page 53001, the sheet shows page 53000"},
      {{"click 302 now"}, "test.script:1: more on the line than click takes: \" now\""},
      {{"set 301 x"}, "test.script:1: the script ended while dialog 53000 was still open"},
      {{"expect colour red"}, "test.script:1: expect what? \"colour\" is none of page, dialog, buttons, text, message"},
      {{"answer maybe"}, "test.script:1: \"maybe\" is no message-box button"},
      {{"click 302", "pick 306 red"}, "test.script:2: the script ended while dialog 53002 was still open"},
      {{"click 302", "pick 306 red", "ok", "expect text 301 red", "cancel"}, ""},
      {{"click 302", "ok", "expect text 301 \"\"", "cancel"}, ""},
      {{"click 302", "next"}, "test.script:2: next needs the wizard sheet in front"},
  };
  for (const Case& row : cases) EXPECT_EQ(RunScript(row.lines).error, row.error) << row.lines.front();
}

}  // namespace
