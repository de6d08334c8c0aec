// The import page: the last page for every ODBC source. When it becomes
// active it copies the target shop file to the working copy in the program
// folder (a new shop when the target does not exist yet), opens the copy
// and shows its department tree; "Add Product(s)" imports the source's
// rows into the copy batch by batch; Finish puts the copy in the target's
// place and writes the logs; Cancel and Back leave the target as it was.
#pragma once

#include <functional>

#include <memory>

#include "bits_array.h"
#include "import_log.h"
#include "preview_list.h"
#include "rowset_navigator.h"
#include "tinted_edit.h"
#include "wizard_page.h"

class CShopSession;
class Department;

class CDataImportPage : public CWizardPage {
 public:
  enum : UINT {
    IDD = 20007,
    IDC_HELP_TEXT = 21241,
    IDC_POSITION = 21161,
    IDC_PERCENT = 21162,
    IDC_TREE = 21176,
    IDC_PRODUCTS = 21179,
    IDC_SOURCE = 21177,
    IDC_PROGRESS = 1189,
    IDC_FIRST = 21139,
    IDC_PREVIOUS = 21140,
    IDC_NEXT = 21141,
    IDC_LAST = 21142,
    IDC_GROUP = 1169,
    IDC_ENTIRE = 1170,
    IDC_SELECTED = 1171,
    IDC_SELECT_ALL = 21181,
    IDC_SORT_BY_ITEM = 21261,
    IDC_BY_PRODUCT = 21189,
    IDC_BY_DEPARTMENT = 21190,
    IDC_ADD = 21118,
  };
  // Option bits.
  enum : int { kBitAddByProduct = 0, kBitSortByItemNumber = 1, kBitSelectedItems = 2 };

  explicit CDataImportPage(CMainSheet& sheet);
  ~CDataImportPage() override;

  BOOL OnInitDialog() override;
  // Makes the working copy afresh, opens it and fills the tree; Finish
  // waits until an import is done in this visit.
  BOOL OnSetActive() override;
  LRESULT OnWizardBack() override;
  // Closes the copy and puts it in the target's place; stays on the page
  // with a message when that fails. Then the settings and the logs.
  BOOL OnWizardFinish() override;
  // After an import, says that the changes will be lost.
  BOOL OnQueryCancel() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnCmdMsg(UINT id, UINT code) override;

  // The add button: imports the whole result, batch by batch. A run that
  // changed the copy and then failed is undone (the copy goes back to what
  // it was before the press); a refused press changes nothing, the
  // buttons and the row log included. A run whose rows got log lines ends
  // with one message giving their number.
  BOOL OnAddNow();

  BOOL IsShopOpen() const { return shopOpen_; }
  const CString& GetWorkPath() const { return workPath_; }

 private:
  BOOL PrepareShopFile();
  // Opens the working copy and fills the tree; with sortProducts each
  // department's products are put in item-number order first.
  void LoadShopTree(BOOL sortProducts);
  // Fills the tree again from the open working copy (after a run).
  void RefillShopTree();
  void FillShopTree(BOOL sortProducts);
  void AddSubtree(Department* department, HTREEITEM item, BOOL sortProducts);
  // Puts each department's products in item-number order, writing a list
  // back only when its order changes.
  void SortDepartmentProducts(Department* department);
  void RefillProductList();
  void CloseShop();
  // FALSE (with its message) when the run may not start.
  BOOL CheckImportColumns(BOOL byDepartment);
  // 1 when every batch was imported; *changed tells whether a batch was
  // committed.
  BOOL ImportEntireDatabase(BOOL* changed);
  // Runs read (which reads the source rowset of rows firstRow to lastRow);
  // FALSE when the source could not be read, after the failure was logged
  // at once and shown.
  BOOL ReadSourceRows(const std::function<void()>& read, long firstRow, long lastRow);
  // Puts the copy back as it was before the press, with the row log; when
  // that fails, withholds Finish (the copy holds part of the run).
  void DiscardRun();
  // The buttons as they were before a refused or failed press.
  void RestoreButtons();
  CString SnapshotPath() const;
  void ShowPercent(long done, long total);

  CTintedEdit helpText_;
  CTreeCtrl tree_;
  CListCtrl products_;
  CDBaseListVw source_;
  CProgressCtrl progress_;
  CRowsetNavigator navigator_;
  CString percentText_;
  CBitsArray options_;
  std::unique_ptr<CShopSession> session_;
  std::unique_ptr<CImportLog> log_;
  CString targetPath_;
  CString workPath_;
  CString runLogText_;
  int language_ = -1;
  long rowsDone_ = 0;
  BOOL shopOpen_ = FALSE;
  BOOL openFailed_ = FALSE;
  BOOL running_ = FALSE;
  BOOL finished_ = FALSE;          // a run of this visit is in the copy
  BOOL departmentMapped_ = FALSE;  // the mapping names a department column
};
