// Guards the wizard's own window classes: a column moved to every place
// with its heading and cells (and the header drag's rule that dropping a
// column onto itself or the next one moves nothing), the header
// right-click's question and the decimals cut on yes only, the row check
// box toggled by a click, the mapping grid's combo shown over the selected
// row with the cell's entry selected (none when the cell is no entry) and
// writing a picked entry back marking the page changed, the tinted text
// box's string, the file test, and the About dialog's version line.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "about_dlg.h"
#include "ctl_actions.h"
#include "ctl_property_sheet.h"
#include "dv_scratch_dir.h"
#include "file_test.h"
#include "list_view_base.h"
#include "mapping_list_ctrl.h"
#include "script_driver.h"
#include "tinted_edit.h"

namespace {

// The headings of the list in order, and row 0's cells.
std::string Layout(const CListCtrl& list) {
  std::string text;
  for (int column = 0; column < list.GetColumnCount(); ++column) {
    FwListColumn info{};
    list.GetColumn(column, info);
    text += std::string(static_cast<LPCTSTR>(info.text)) + "=" + static_cast<LPCTSTR>(list.GetItemText(0, column)) + " ";
  }
  return text;
}

void Fill(CListViewBase& list) {
  list.DeleteAllItems();
  while (list.GetColumnCount() > 0) list.DeleteColumn(0);
  for (const char* heading : {"A", "B", "C", "D"}) list.InsertColumn(list.GetColumnCount(), heading);
  list.InsertItem(0, "a");
  for (int column = 1; column < 4; ++column) list.SetItemText(0, column, std::string(1, 'a' + column).c_str());
}

TEST(ListViewBase, MoveColumnToEveryPlace) {
  struct Case {
    int from, to;
    BOOL moved;
    const char* layout;
  } cases[] = {
      {0, 2, TRUE, "B=b A=a C=c D=d "},   {0, 4, TRUE, "B=b C=c D=d A=a "},   {3, 0, TRUE, "D=d A=a B=b C=c "},
      {2, 1, TRUE, "A=a C=c B=b D=d "},   {1, 1, FALSE, "A=a B=b C=c D=d "},  {1, 2, FALSE, "A=a B=b C=c D=d "},
      {4, 0, FALSE, "A=a B=b C=c D=d "},  {0, 5, FALSE, "A=a B=b C=c D=d "},
  };
  CListViewBase list;
  for (const Case& row : cases) {
    Fill(list);
    EXPECT_EQ(list.MoveColumn(row.from, row.to), row.moved) << row.from << "->" << row.to;
    EXPECT_EQ(Layout(list), row.layout) << row.from << "->" << row.to;
  }
  Fill(list);
  EXPECT_FALSE(list.DropHeaderColumn(2, 2)) << "dropped onto itself";
  EXPECT_FALSE(list.DropHeaderColumn(2, 3)) << "dropped onto the column right after it";
  EXPECT_TRUE(list.DropHeaderColumn(2, 0));
  EXPECT_EQ(Layout(list), "C=c A=a B=b D=d ");
}

const FwControlTemplate kPageControls[] = {
    {500, FwControlKind::ListCtrl, "", FALSE, FALSE},
    {501, FwControlKind::Edit, "", FALSE, FALSE},
};
const FwDialogTemplate kPage[] = {{55000, "Grid page", kPageControls, std::size(kPageControls)}};
struct Registered {
  Registered() { FwRegisterDialogTemplates(kPage, std::size(kPage)); }
} registered;

class GridPage : public CPropertyPage {
 public:
  GridPage() : CPropertyPage(55000) {}
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, 500, grid);
    DDX_Control(pDX, 501, note);
  }
  BOOL OnInitDialog() override {
    CPropertyPage::OnInitDialog();
    grid.InsertColumn(0, "Field");
    grid.InsertColumn(1, "Source");
    for (const char* field : {"Name", "Price", "Code"}) grid.InsertItem(grid.GetItemCount(), field);
    grid.SetItemText(0, 1, "TITLE");
    grid.SetItemText(1, 1, "gone");
    grid.SetItemText(0, 0, "Name");
    auto combo = std::make_unique<CInPlaceCombo>();
    for (const char* column : {"TITLE", "COST", "SKU"}) combo->AddString(column);
    grid.AttachCombo(std::move(combo), 1);
    return TRUE;
  }
  CMappingListCtrl grid;
  CTintedEdit note;
};

class WizardControls : public ::testing::Test {
 protected:
  WizardControls() : previous(FwSetPrompts(&prompts)) {
    sheet.AddPage(&page);
    sheet.SetActivePage(0);
  }
  ~WizardControls() override { FwSetPrompts(previous); }
  FwScriptedPrompts prompts;
  FwPrompts* previous;
  GridPage page;
  CPropertySheet sheet;
};

TEST_F(WizardControls, MappingGridShowsItsComboOverTheSelectedRow) {
  CInPlaceCombo& combo = *page.grid.GetCombo();
  EXPECT_FALSE(combo.IsWindowVisible()) << "no row selected yet";
  FwPickItem(page, 500, 0);
  EXPECT_TRUE(combo.IsWindowVisible());
  EXPECT_EQ(page.grid.GetCurrentRow(), 0);
  EXPECT_STREQ(combo.GetWindowText(), "TITLE") << "the cell's entry is selected";
  FwPickItem(page, 500, 1);
  EXPECT_EQ(combo.GetCurSel(), -1) << "a cell that is no entry selects none";
  EXPECT_FALSE(page.IsModified());
  FwPickItemByText(page.grid, 1, "COST");
  EXPECT_STREQ(page.grid.GetItemText(1, 1), "COST");
  EXPECT_TRUE(page.IsModified());
  page.grid.SetItemState(-1, 0, LVIS_SELECTED);
  FwNotifyDialog(page, 500, LVN_ITEMCHANGED);
  EXPECT_FALSE(combo.IsWindowVisible()) << "no row: the combo hides";
}

TEST_F(WizardControls, RowCheckBoxToggles) {
  for (BOOL expected : {TRUE, FALSE, TRUE}) {
    FwToggleRowCheck(page, 500, 2);
    EXPECT_EQ(page.grid.GetCheck(2), expected);
  }
}

TEST_F(WizardControls, HeaderRightClickCutsDecimalsOnYesOnly) {
  page.grid.SetItemText(0, 1, "12.50");
  page.grid.SetItemText(1, 1, "7");
  page.grid.SetItemText(2, 1, "3.1.4");
  const char* question = "Change text format in \" Source \" column, and remove decimal points?";
  prompts.ExpectMessageBox(IDNO, 0, question);
  FwRightClickHeader(page, 500, 1);
  EXPECT_STREQ(page.grid.GetItemText(0, 1), "12.50");
  prompts.ExpectMessageBox(IDYES, 0, question);
  FwRightClickHeader(page, 500, 1);
  EXPECT_STREQ(page.grid.GetItemText(0, 1), "12");
  EXPECT_STREQ(page.grid.GetItemText(1, 1), "7");
  EXPECT_STREQ(page.grid.GetItemText(2, 1), "3");
  EXPECT_EQ(prompts.asked.back().type, UINT(MB_YESNO | MB_ICONERROR));
  prompts.ExpectMessageBox(IDNO, 0, "Change text format in \" Unknown \" column, and remove decimal points?");
  FwRightClickHeader(page, 500, -1);
  EXPECT_EQ(prompts.PendingAnswers(), 0u);
}

TEST_F(WizardControls, TintedEditShowsAStringAndIsReadOnly) {
  page.note.SetTextFromString(32906);
  EXPECT_STREQ(page.note.GetWindowText(), "Size");
  EXPECT_THROW(FwTypeText(page, 501, "x"), FwControlError);
  sheet.RemovePage(0);
  sheet.AddPage(&page);
  sheet.SetActivePage(0);
  EXPECT_TRUE(page.note.IsReadOnly()) << "still read-only on the page made again";
  EXPECT_NE(page.grid.GetCombo(), nullptr) << "the grid's combo was made again";
}

TEST(FileTest, ReadableFilesOnly) {
  dv_test::scratch_dir scratch;
  std::ofstream(scratch / "Catalogue.CSV") << "a,b\n";
  EXPECT_TRUE(FileExists((scratch / "Catalogue.CSV").c_str()));
  EXPECT_FALSE(FileExists((scratch / "missing.csv").c_str()));
  EXPECT_FALSE(FileExists(""));
}

class ScriptHost : public FwModalHost {
 public:
  CString versionLine, caption;
  void RunDialog(CDialog& dialog) override {
    caption = dialog.GetWindowText();
    versionLine = dialog.GetDlgItemText(CAboutDlg::IDC_VERSION_LINE);
    FwNotifyDialog(dialog, IDOK, BN_CLICKED);
  }
  void RunSheet(CPropertySheet&) override {}
};

TEST(AboutDialog, ShowsTheVersionLine) {
  ScriptHost host;
  FwModalHost* previous = FwSetModalHost(&host);
  CAboutDlg about("2.1.0");
  EXPECT_EQ(about.DoModal(), IDOK);
  FwSetModalHost(previous);
  EXPECT_STREQ(host.caption, "About Tallyport");
  EXPECT_STREQ(host.versionLine, "Tradeloft Pro Database Import Wizard 2.1.0");
}

}  // namespace
