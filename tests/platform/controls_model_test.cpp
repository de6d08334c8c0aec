// Guards the control model: controls found by id and by class, item lists,
// report-list rows, columns, states and check boxes, tree paths, the
// progress bar, dialogs made from the resource table and localised through
// the framework's window interface, member controls attached by data
// exchange and emptied when the dialog goes, handler tables with a
// framework exception shown and survived, data exchange both ways with a
// failing number, and what a person's actions send.
#include <gtest/gtest.h>

#include <vector>

#include "ctl_actions.h"
#include "ctl_dialog.h"
#include "ctl_handlers.h"
#include "ctl_prompts.h"
#include "fw_exceptions.h"
#include "localisation.h"

namespace {

enum : UINT { kDialog = 51000, kCaption = 1, kName = 101, kCount = 102, kShow = 103, kFirst = 104, kSecond = 105,
              kThird = 106, kList = 107, kCombo = 108, kReport = 109, kTree = 110, kBar = 111, kGo = 112, kLabel = 113 };

const FwControlTemplate kControls[] = {
    {kLabel, FwControlKind::Static, "Select a table,20004", FALSE, FALSE},
    {kName, FwControlKind::Edit, "", FALSE, FALSE},
    {kCount, FwControlKind::Edit, "", FALSE, FALSE},
    {kShow, FwControlKind::CheckBox, "Show", FALSE, FALSE},
    {kFirst, FwControlKind::Radio, "First", TRUE, FALSE},
    {kSecond, FwControlKind::Radio, "Second", FALSE, FALSE},
    {kThird, FwControlKind::Radio, "Third", TRUE, FALSE},
    {kList, FwControlKind::ListBox, "", FALSE, FALSE},
    {kCombo, FwControlKind::ComboBox, "", FALSE, FALSE},
    {kReport, FwControlKind::ListCtrl, "", FALSE, FALSE},
    {kTree, FwControlKind::TreeCtrl, "", FALSE, FALSE},
    {kBar, FwControlKind::Progress, "", FALSE, TRUE},
    {kGo, FwControlKind::Button, "Go", FALSE, FALSE},
};
const FwDialogTemplate kTemplates[] = {{kDialog, "About,20006", kControls, std::size(kControls)}};

struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplates, std::size(kTemplates)); }
} registered;

// A dialog with members bound to its controls and a handler table.
class TestDialog : public CDialog {
 public:
  TestDialog() : CDialog(kDialog) {}
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, kReport, report);
    DDX_Text(pDX, kName, name);
    DDX_Text(pDX, kCount, count);
    DDX_Check(pDX, kShow, show);
    DDX_Radio(pDX, kFirst, choice);
    DDX_LBString(pDX, kList, listText);
    DDX_CBIndex(pDX, kCombo, comboIndex);
  }
  BOOL OnCmdMsg(UINT id, UINT code) override {
    return FwRunHandler(*this, kHandlers, id, code) || CDialog::OnCmdMsg(id, code);
  }
  void OnGo() { events.push_back("go"); }
  void OnNameChange() { events.push_back("name:" + std::string(static_cast<LPCTSTR>(GetDlgItemText(kName)))); }
  void OnReportChanged() { events.push_back("row:" + std::to_string(report.GetChangedItem())); }
  void OnFailingCommand() { throw new CDBException(-1); }

  CListCtrl report;
  CString name = "start";
  int count = 7;
  int show = 1;
  int choice = 1;
  CString listText = "beta";
  int comboIndex = 0;
  std::vector<std::string> events;

 private:
  static const FwHandler<TestDialog> kHandlers[];
};

const FwHandler<TestDialog> TestDialog::kHandlers[] = {
    {kGo, BN_CLICKED, &TestDialog::OnGo},
    {kName, EN_CHANGE, &TestDialog::OnNameChange},
    {kReport, LVN_ITEMCHANGED, &TestDialog::OnReportChanged},
    {kCombo, CBN_SELCHANGE, &TestDialog::OnFailingCommand},
    {0, 0, nullptr},
};

TEST(ControlsItemList, AddInsertDeleteAndSelectionFollow) {
  CListBox list;
  EXPECT_EQ(list.AddString("b"), 0);
  EXPECT_EQ(list.AddString("c"), 1);
  EXPECT_EQ(list.InsertString(0, "a"), 0);
  list.SetItemData(2, reinterpret_cast<DWORD_PTR>(&list));
  EXPECT_EQ(list.SetCurSel(1), 1);
  EXPECT_EQ(list.InsertString(0, "z"), 0);
  EXPECT_EQ(list.GetCurSel(), 2) << "an insert before the selection moves it";
  EXPECT_EQ(list.GetItemData(3), reinterpret_cast<DWORD_PTR>(&list));
  EXPECT_EQ(list.FindStringExact(-1, "C"), 3);
  EXPECT_EQ(list.FindStringExact(-1, "none"), LB_ERR);
  EXPECT_EQ(list.DeleteString(2), 3);
  EXPECT_EQ(list.GetCurSel(), -1) << "deleting the selected item leaves none selected";
  EXPECT_EQ(list.SetCurSel(9), LB_ERR);
  EXPECT_EQ(list.DeleteString(9), LB_ERR);
  EXPECT_TRUE(list.GetItemText(9).IsEmpty());
  CComboBox combo;
  combo.AddString("one");
  EXPECT_TRUE(combo.GetWindowText().IsEmpty());
  combo.SetCurSel(0);
  EXPECT_STREQ(combo.GetWindowText(), "one") << "a drop-down list's text is its selected item";
}

TEST(ControlsListCtrl, ColumnsRowsStatesAndChecks) {
  CListCtrl list;
  list.InsertColumn(0, "Field", 0, 120);
  list.InsertColumn(1, "Source", 0, 80);
  EXPECT_EQ(list.InsertItem(0, "Name"), 0);
  EXPECT_EQ(list.InsertItem(5, "Price"), 1) << "an index past the end appends";
  EXPECT_TRUE(list.SetItemText(1, 1, "PRICE"));
  EXPECT_FALSE(list.SetItemText(1, 2, "x"));
  EXPECT_FALSE(list.SetItemText(2, 0, "x"));
  list.InsertColumn(1, "Middle", 0, 10);
  EXPECT_STREQ(list.GetItemText(1, 2), "PRICE") << "a new column moves the cells after it";
  EXPECT_TRUE(list.GetItemText(1, 1).IsEmpty());
  FwListColumn column{};
  EXPECT_TRUE(list.GetColumn(2, column));
  EXPECT_STREQ(column.text, "Source");
  EXPECT_EQ(list.GetColumnWidth(2), 80);
  EXPECT_TRUE(list.DeleteColumn(1));
  EXPECT_STREQ(list.GetItemText(1, 1), "PRICE");

  EXPECT_FALSE(list.GetCheck(0));
  EXPECT_EQ(list.GetItemState(0, LVIS_STATEIMAGEMASK), 0u) << "no check box until one is set";
  list.SetCheck(0);
  EXPECT_TRUE(list.GetCheck(0));
  EXPECT_EQ(list.GetItemState(0, LVIS_STATEIMAGEMASK), 0x2000u);
  list.SetCheck(0, FALSE);
  EXPECT_EQ(list.GetItemState(0, LVIS_STATEIMAGEMASK), 0x1000u);

  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
  EXPECT_EQ(list.GetNextItem(1, LVNI_SELECTED), -1);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_ALL), 0);
  EXPECT_EQ(list.GetSelectedCount(), 1);
  list.SetItemState(-1, 0, LVIS_SELECTED);
  EXPECT_EQ(list.GetSelectedCount(), 0) << "row -1 means every row";
}

TEST(ControlsTree, PathsSelectionAndDeletion) {
  CTreeCtrl tree;
  HTREEITEM garden = tree.InsertItem("Garden");
  HTREEITEM tools = tree.InsertItem("Tools", garden);
  HTREEITEM seeds = tree.InsertItem("Seeds", garden);
  HTREEITEM kitchen = tree.InsertItem("Kitchen");
  tree.SetItemData(seeds, 42);
  EXPECT_EQ(tree.GetCount(), 4u);
  EXPECT_EQ(tree.FindPath("Garden\\Seeds"), seeds);
  EXPECT_EQ(tree.FindPath("Garden\\Pots"), nullptr);
  EXPECT_EQ(tree.FindPath("Kitchen"), kitchen);
  EXPECT_STREQ(tree.PathOf(seeds), "Garden\\Seeds");
  EXPECT_EQ(tree.GetChildItem(garden), tools);
  EXPECT_EQ(tree.GetNextSiblingItem(tools), seeds);
  EXPECT_EQ(tree.GetNextSiblingItem(seeds), nullptr);
  EXPECT_EQ(tree.GetParentItem(seeds), garden);
  EXPECT_EQ(tree.GetItemData(seeds), 42u);
  EXPECT_TRUE(tree.SelectItem(seeds));
  EXPECT_TRUE(tree.DeleteItem(garden));
  EXPECT_EQ(tree.GetSelectedItem(), nullptr) << "deleting a selected item's ancestor leaves nothing selected";
  EXPECT_EQ(tree.GetCount(), 1u);
  EXPECT_FALSE(tree.SetItemText(seeds, "gone")) << "a deleted item is refused";
}

TEST(ControlsProgress, PositionStaysInRangeAndStepsWrap) {
  CProgressCtrl bar;
  bar.SetRange32(0, 50);
  bar.SetStep(20);
  EXPECT_EQ(bar.SetPos(70), 0);
  EXPECT_EQ(bar.GetPos(), 50);
  bar.SetPos(40);
  bar.StepIt();
  EXPECT_EQ(bar.GetPos(), 10);
}

TEST(ControlsDialog, MadeFromTheTemplateLocalisedAndMembersAttached) {
  TestDialog dialog;
  dialog.Create();
  EXPECT_STREQ(dialog.GetWindowText(), "About,20006");
  LocalizeDialogTexts(dialog);
  EXPECT_STREQ(dialog.GetWindowText(), "About Tallyport");
  EXPECT_STREQ(dialog.GetDlgItemText(kLabel), "Select A Table");
  EXPECT_FALSE(dialog.GetDlgItem(kBar)->IsWindowVisible());
  EXPECT_EQ(&dialog.Control<CListCtrl>(kReport), &dialog.report) << "the member took the control's place";
  EXPECT_EQ(dialog.report.GetParent(), &dialog);
  EXPECT_THROW(dialog.Control<CEdit>(kReport), FwControlError);
  EXPECT_THROW(dialog.Control<CEdit>(999), FwControlError);
  dialog.report.InsertColumn(0, "A");
  dialog.report.InsertItem(0, "row");
  dialog.DestroyWindow();
  EXPECT_EQ(dialog.report.GetParent(), nullptr);
  EXPECT_EQ(dialog.report.GetItemCount(), 0) << "a member is emptied with its dialog";
  EXPECT_EQ(dialog.report.GetColumnCount(), 0);
  dialog.Create();
  EXPECT_EQ(&dialog.Control<CListCtrl>(kReport), &dialog.report) << "and attached again to the next one";
}

TEST(ControlsDialog, DataExchangeBothWaysAndAFailingNumberStays) {
  FwScriptedPrompts prompts;
  FwPrompts* previous = FwSetPrompts(&prompts);
  TestDialog dialog;
  dialog.Create();
  auto& list = dialog.Control<CListBox>(kList);
  list.AddString("alpha");
  list.AddString("beta");
  dialog.Control<CComboBox>(kCombo).AddString("x");
  dialog.UpdateData(FALSE);
  EXPECT_STREQ(dialog.GetDlgItemText(kName), "start");
  EXPECT_STREQ(dialog.GetDlgItemText(kCount), "7");
  EXPECT_EQ(dialog.Control<CButton>(kShow).GetCheck(), BST_CHECKED);
  EXPECT_EQ(dialog.Control<CButton>(kFirst).GetCheck(), BST_UNCHECKED);
  EXPECT_EQ(dialog.Control<CButton>(kSecond).GetCheck(), BST_CHECKED);
  EXPECT_EQ(dialog.Control<CButton>(kThird).GetCheck(), BST_UNCHECKED) << "a group start ends the radio group";
  EXPECT_EQ(list.GetCurSel(), 1);
  EXPECT_EQ(dialog.Control<CComboBox>(kCombo).GetCurSel(), 0);

  FwTypeText(dialog, kName, "typed");
  FwTypeText(dialog, kCount, " 12 ");
  FwClickButton(dialog, kShow);
  FwClickButton(dialog, kFirst);
  FwPickItemByText(dialog, kList, "ALPHA");
  ASSERT_TRUE(dialog.UpdateData(TRUE));
  EXPECT_STREQ(dialog.name, "typed");
  EXPECT_EQ(dialog.count, 12);
  EXPECT_EQ(dialog.show, 0);
  EXPECT_EQ(dialog.choice, 0);
  EXPECT_STREQ(dialog.listText, "alpha");

  const char* bad[] = {"", "12a", "99999999999", "x"};
  for (const char* text : bad) {
    FwTypeText(dialog, kCount, text);
    prompts.ExpectMessageBox(IDOK, 0, "Please enter an integer.");
    EXPECT_FALSE(dialog.UpdateData(TRUE)) << "\"" << text << "\"";
    EXPECT_EQ(dialog.count, 12) << "a failed exchange keeps the member";
  }
  EXPECT_EQ(prompts.PendingAnswers(), 0u);
  FwSetPrompts(previous);
}

TEST(ControlsDialog, ActionsSendNotificationsThroughTheHandlerTable) {
  FwScriptedPrompts prompts;
  FwPrompts* previous = FwSetPrompts(&prompts);
  TestDialog dialog;
  dialog.Create();
  dialog.report.InsertColumn(0, "A");
  dialog.report.InsertItem(0, "one");
  dialog.report.InsertItem(1, "two");
  FwClickButton(dialog, kGo);
  FwTypeText(dialog, kName, "abc");
  FwPickItemByText(dialog, kReport, "two");
  FwToggleRowCheck(dialog, kReport, 0);
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"go", "name:abc", "row:1", "row:0"}));
  EXPECT_EQ(dialog.report.GetSelectedCount(), 1);
  EXPECT_TRUE(dialog.report.GetCheck(0));

  // A framework exception from a handler is shown and the dialog goes on.
  dialog.Control<CComboBox>(kCombo).AddString("x");
  prompts.ExpectMessageBox(IDOK);
  FwPickItem(dialog, kCombo, 0);
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].kind, FwPromptKind::MessageBox);

  dialog.GetDlgItem(kGo)->EnableWindow(FALSE);
  EXPECT_THROW(FwClickButton(dialog, kGo), FwControlError);
  EXPECT_THROW(FwPickItem(dialog, kReport, 5), FwControlError);
  EXPECT_THROW(FwPickItemByText(dialog, kList, "none"), FwControlError);
  EXPECT_THROW(FwTypeText(dialog, 999, "x"), FwControlError);
  EXPECT_THROW(FwSelectTreePath(dialog, kTree, "Nowhere"), FwControlError);
  FwSetPrompts(previous);
}

// Runs a modal dialog by acting on it as a person would.
class ActingHost : public FwModalHost {
 public:
  std::function<void(CDialog&)> act;
  void RunDialog(CDialog& dialog) override { act(dialog); }
  void RunSheet(CPropertySheet&) override { FAIL() << "no sheet expected"; }
};

TEST(ControlsDialog, ModalRunEndsWithOkOrCancel) {
  ActingHost host;
  FwModalHost* previous = FwSetModalHost(&host);
  TestDialog dialog;
  host.act = [](CDialog& d) {
    EXPECT_STREQ(d.GetDlgItemText(kName), "start") << "OnInitDialog wrote the members";
    FwTypeText(d, kName, "changed");
    FwNotifyDialog(d, IDOK, BN_CLICKED);
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_STREQ(dialog.name, "changed");
  EXPECT_FALSE(dialog.IsCreated());
  host.act = [](CDialog& d) {
    FwTypeText(d, kName, "dropped");
    FwNotifyDialog(d, IDCANCEL, BN_CLICKED);
  };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_STREQ(dialog.name, "changed") << "Cancel reads nothing back";
  FwSetModalHost(previous);
  EXPECT_THROW(dialog.DoModal(), FwControlError) << "no front end installed";
}

}  // namespace
