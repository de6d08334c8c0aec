// The import page and its dialog resource.
#include "import_page.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "app_settings.h"
#include "db_type_table.h"
#include "department.h"
#include "dv_cursor.h"
#include "dv_err.h"
#include "import_run.h"
#include "ini_file.h"
#include "localisation.h"
#include "mapping_column.h"
#include "odbc_errors.h"
#include "product.h"
#include "program_version.h"
#include "root.h"
#include "shop_info.h"
#include "shop_session.h"
#include "shop_work_file.h"
#include "transaction_scope.h"
#include "wizard_page_registry.h"
#include "wizard_paths.h"
#include "write_failure.h"

namespace {

const FwControlTemplate kControls[] = {
    {CDataImportPage::IDC_HELP_TEXT, FwControlKind::Edit, "", FALSE, FALSE},
    {CDataImportPage::IDC_SOURCE, FwControlKind::ListCtrl, "", FALSE, FALSE},
    {CDataImportPage::IDC_FIRST, FwControlKind::Button, "|<<,21139", FALSE, FALSE},
    {CDataImportPage::IDC_PREVIOUS, FwControlKind::Button, "<,21140", FALSE, FALSE},
    {CDataImportPage::IDC_NEXT, FwControlKind::Button, ">,21141", FALSE, FALSE},
    {CDataImportPage::IDC_LAST, FwControlKind::Button, ">>|,21142", FALSE, FALSE},
    {CDataImportPage::IDC_POSITION, FwControlKind::Edit, "", FALSE, FALSE},
    {CDataImportPage::IDC_GROUP, FwControlKind::Static, "", FALSE, FALSE},
    {CDataImportPage::IDC_ENTIRE, FwControlKind::Radio, "Enti&re Database", TRUE, FALSE},
    {CDataImportPage::IDC_SELECTED, FwControlKind::Radio, "Selected &Items", FALSE, FALSE},
    {CDataImportPage::IDC_SELECT_ALL, FwControlKind::Button, "&Select All", FALSE, FALSE},
    {CDataImportPage::IDC_SORT_BY_ITEM, FwControlKind::CheckBox, "Sort by Item Number", FALSE, FALSE},
    {CDataImportPage::IDC_BY_PRODUCT, FwControlKind::Button, "Add by &Product", FALSE, FALSE},
    {CDataImportPage::IDC_BY_DEPARTMENT, FwControlKind::CheckBox, "Add by &Department", FALSE, FALSE},
    {CDataImportPage::IDC_TREE, FwControlKind::TreeCtrl, "", FALSE, FALSE},
    {CDataImportPage::IDC_PRODUCTS, FwControlKind::ListCtrl, "", FALSE, FALSE},
    {CDataImportPage::IDC_ADD, FwControlKind::Button, "&Add Product(s)", FALSE, FALSE},
    {CDataImportPage::IDC_PROGRESS, FwControlKind::Progress, "", FALSE, FALSE},
    {CDataImportPage::IDC_PERCENT, FwControlKind::Edit, "", FALSE, FALSE},
};
const FwDialogTemplate kTemplate[] = {
    {CDataImportPage::IDD, "Data Import Tool,20007", kControls, std::size(kControls)},
};
struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplate, std::size(kTemplate)); }
} registered;
const WizardPageRegistration<CDataImportPage> registeredPage(CDataImportPage::IDD);

constexpr UINT kIdsHelp = 21256;            // "To add products to the Tradeloft Pro shop departments ..."
constexpr UINT kIdsMyDepartments = 21153;   // "My Departments"
constexpr UINT kIdsImportingBatch = 51647;  // "Importing (%d)... please wait"
constexpr UINT kIdsPercent = 51655;         // "%.f%% completed"
constexpr UINT kIdsNoDepartmentColumn = 51649;
constexpr UINT kIdsNeedField = 7321;        // "[Import Wizard]\r\n\nNeed to import Tradeloft Pro %s field."
constexpr UINT kIdsUnsupportedCode = 7320;  // "[Import Wizard -%s]\r\n\nDo not support data type %d!"
constexpr UINT kIdsTooDeep = 51502;         // "Tradeloft Pro only allows %d  levels of departments below ..."
constexpr UINT kIdsChangesLost = 61579;
constexpr UINT kIdsNotAShopFile = 51488;
constexpr UINT kIdsShopFileLocked = 51524;
constexpr UINT kIdsShopFileMissing = 61858;  // "The Tradeloft Pro file you have selected does not exist. ..."
constexpr UINT kIdsSelectDepartment = 51508;  // "Please select some departments from the Tradeloft Pro list ..."
// The end of a run whose rows got lines in the import log.
constexpr char kProblemRowsText[] = "%ld of the imported rows had problems; Tallyport.Log names each of them.";
constexpr UINT kIdsProductName = 51601, kIdsProductDescription = 51602, kIdsPrice = 51604;
constexpr DWORD kItemNumberCode = 1, kDepartmentCode = 2, kLastMainCode = 8, kNoCode = 0xFFFFFFFF;
constexpr char kSettingsSection[] = "Select Database Page";
// Set (to anything) to self-check the shop after every imported row.
constexpr char kCheckEachRowVariable[] = "TALLYPORT_CHECK_EACH_ROW";

CString Now() {
  char text[64];
  const std::time_t now = std::time(nullptr);
  std::strftime(text, sizeof text, "%H:%M:%S %B/%d/%y", std::localtime(&now));
  return text;
}

std::vector<ImportRow> StoredRows(const CDBaseListVw& source) {
  std::vector<ImportRow> rows;
  for (const PreviewRow& stored : source.GetStoredRows()) {
    ImportRow row;
    for (const PreviewCell& cell : *stored) row.push_back({cell.code, cell.value});
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

CDataImportPage::CDataImportPage(CMainSheet& sheet)
    : CWizardPage(IDD, sheet), options_(4), session_(std::make_unique<CShopSession>()) {
  options_.SetAt(kBitAddByProduct, 1);
  options_.SetAt(kBitSelectedItems, 1);
}

CDataImportPage::~CDataImportPage() { CloseShop(); }

void CDataImportPage::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_HELP_TEXT, helpText_);
  DDX_Control(pDX, IDC_TREE, tree_);
  DDX_Control(pDX, IDC_PRODUCTS, products_);
  DDX_Control(pDX, IDC_SOURCE, source_);
  DDX_Control(pDX, IDC_PROGRESS, progress_);
  DDX_Text(pDX, IDC_PERCENT, percentText_);
}

BOOL CDataImportPage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  LocalizeDialogTexts(*this);
  products_.InsertColumn(0, LoadResString(kIdsProductName), 0, 88);
  products_.InsertColumn(1, LoadResString(kIdsProductDescription), 0, 108);
  products_.InsertColumn(2, LoadResString(kIdsPrice), 0, 45);
  rowsDone_ = 0;
  navigator_.Attach(this, &source_);
  navigator_.SetControls(IDC_FIRST, IDC_PREVIOUS, IDC_NEXT, IDC_LAST, IDC_POSITION);
  // Products are keyed by item number; only the whole result is imported.
  RequireDlgItem(IDC_BY_PRODUCT)->EnableWindow(FALSE);
  RequireDlgItem(IDC_BY_PRODUCT)->ShowWindow(FALSE);
  RequireDlgItem(IDC_SORT_BY_ITEM)->ShowWindow(FALSE);
  options_.SetAt(kBitAddByProduct, 0);
  options_.SetAt(kBitSelectedItems, 0);
  options_.SetAt(kBitSortByItemNumber, 1);
  for (UINT id : {UINT(IDC_SELECTED), UINT(IDC_SELECT_ALL)}) {
    RequireDlgItem(id)->EnableWindow(FALSE);
    RequireDlgItem(id)->ShowWindow(FALSE);
  }
  RequireDlgItem(IDC_GROUP)->ShowWindow(FALSE);
  RequireDlgItem(IDC_ENTIRE)->ShowWindow(FALSE);
  Control<CButton>(IDC_ENTIRE).SetCheck(TRUE);
  progress_.SetRange32(0, 100);
  progress_.SetPos(0);
  finished_ = FALSE;
  UpdateData(FALSE);
  return TRUE;
}

BOOL CDataImportPage::OnSetActive() {
  progress_.SetPos(0);
  helpText_.SetTextFromString(kIdsHelp);
  source_.AttachSheet(&Sheet());
  // Without a connection (no source chosen) there is nothing to show.
  const BOOL connected = Sheet().m_database.IsOpen();
  if (connected) {
    source_.PrepareMappedItems();
    source_.SetupColumns(FALSE);
    source_.SetDirection(kPreviewFirst);
    source_.Requery(TRUE);
    navigator_.First();
  }
  targetPath_ = Sheet().m_strTargetFile;
  workPath_ = GetWorkShopFilePath();
  log_ = std::make_unique<CImportLog>(GetAppDirectory());
  rowsDone_ = 0;
  // The working copy is made from the target again: runs of an earlier
  // visit are gone with it, and so are their log lines and Finish
  // (DESIGN.md, invariant 4).
  log_->StartVisit();
  runLogText_.Empty();
  finished_ = FALSE;
  PrepareShopFile();
  Sheet().PostWizardButtons(finished_ ? PSWIZB_BACK | PSWIZB_FINISH : PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
  if (connected && source_.GetColumnCount() == 0) AfxMessageBox("You has't mapped any fields!");
  running_ = TRUE;
  BOOL departmentMapped = FALSE;
  for (const auto& column : Sheet().m_mappingColumns)
    if (column->m_code.Value() == kDepartmentCode && !column->m_strSourceField.IsEmpty()) departmentMapped = TRUE;
  departmentMapped_ = departmentMapped;
  RequireDlgItem(IDC_BY_DEPARTMENT)->EnableWindow(departmentMapped);
  Control<CButton>(IDC_BY_DEPARTMENT).SetCheck(departmentMapped);
  options_.SetAt(kBitAddByProduct, !departmentMapped);
  return CWizardPage::OnSetActive();
}

BOOL CDataImportPage::PrepareShopFile() {
  CloseShop();
  openFailed_ = FALSE;
  const int result = PrepareWorkShopFile(*session_, targetPath_, workPath_);
  if (result != kShopFileDone) {
    openFailed_ = TRUE;
    tree_.DeleteAllItems();
    products_.DeleteAllItems();
    return FALSE;
  }
  LoadShopTree(TRUE);
  return shopOpen_;
}

void CDataImportPage::CloseShop() {
  if (session_) session_->Close();
  shopOpen_ = FALSE;
  language_ = -1;
}

void CDataImportPage::LoadShopTree(BOOL sortProducts) {
  tree_.DeleteAllItems();
  products_.DeleteAllItems();
  try {
    session_->Open(workPath_);
    CTransactionScope scope;
    Root* root = session_->GetRoot();
    language_ = root->GetDefLanguage();
    if (CActiveLanguage* active = root->GetShopInfo().GetActiveLanguage())
      if (ShopInfo_Lang* record = active->GetLanguage()) record->SetLangName(Sheet().m_strLanguage);
    FillShopTree(sortProducts);
    scope.Commit();
    shopOpen_ = TRUE;
  } catch (const objsch::shop_err_not_a_shop&) {
    AfxMessageBox(kIdsNotAShopFile, MB_ICONSTOP);
    openFailed_ = TRUE;
  } catch (const dv_qem::dv_err_not_a_database&) {
    AfxMessageBox(kIdsNotAShopFile, MB_ICONSTOP);
    openFailed_ = TRUE;
  } catch (const dv_qem::dv_err_database_is_locked&) {
    AfxMessageBox(kIdsShopFileLocked, MB_ICONSTOP);
    openFailed_ = TRUE;
  } catch (const dv_qem::dv_err_database_not_found&) {
    AfxMessageBox(kIdsShopFileMissing, MB_ICONSTOP);
    openFailed_ = TRUE;
  }
  if (openFailed_) CloseShop();
}

void CDataImportPage::RefillShopTree() {
  tree_.DeleteAllItems();
  products_.DeleteAllItems();
  CTransactionScope scope;
  FillShopTree(FALSE);
  scope.Commit();
}

void CDataImportPage::FillShopTree(BOOL sortProducts) {
  Department* top = session_->GetRoot()->GetMyShopDept();
  HTREEITEM item = tree_.InsertItem(LoadResString(kIdsMyDepartments));
  tree_.SetItemData(item, reinterpret_cast<DWORD_PTR>(top));
  AddSubtree(top, item, sortProducts);
}

void CDataImportPage::AddSubtree(Department* department, HTREEITEM item, BOOL sortProducts) {
  if (sortProducts) SortDepartmentProducts(department);
  dv_qem::dv_cursor cursor(*department->GetChildren());
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) {
    auto* child = static_cast<Department*>(e);
    CString name;
    child->GetName(name, language_);
    HTREEITEM childItem = tree_.InsertItem(name, item);
    tree_.SetItemData(childItem, reinterpret_cast<DWORD_PTR>(child));
    AddSubtree(child, childItem, sortProducts);
  }
}

void CDataImportPage::SortDepartmentProducts(Department* department) {
  struct Entry {
    CString key;
    Product* product;
  };
  std::vector<Entry> entries;
  dv_qem::dv_cursor cursor(*department->GetProducts());
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) {
    auto* product = static_cast<Product*>(e);
    entries.push_back({static_cast<LPCSTR>(product->strOrderNumber), product});
  }
  std::vector<Entry> sorted = entries;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const Entry& a, const Entry& b) { return a.key.CompareNoCase(b.key) < 0; });
  for (size_t i = 0; i < sorted.size(); ++i)
    if (sorted[i].product != entries[i].product)
      department->GetProducts()->replace_at(sorted[i].product, static_cast<unsigned>(i));
}

void CDataImportPage::RefillProductList() {
  products_.DeleteAllItems();
  HTREEITEM selected = tree_.GetSelectedItem();
  if (!shopOpen_ || selected == nullptr || selected == tree_.GetRootItem()) return;
  auto* department = reinterpret_cast<Department*>(tree_.GetItemData(selected));
  CTransactionScope scope;
  dv_qem::dv_cursor cursor(*department->GetProducts());
  void* e = nullptr;
  int row = 0;
  for (int more = cursor.first(e); more; more = cursor.next(e), ++row) {
    auto* product = static_cast<Product*>(e);
    CString name, price;
    product->GetName(name, language_);
    products_.InsertItem(row, name);
    if (Product_Lang* item = product->GetLangItem(language_, FALSE))
      products_.SetItemText(row, 1, static_cast<LPCSTR>(item->m_strDescription));
    price.Format("%.2f", product->GetPriceWeight().fPrice);
    products_.SetItemText(row, 2, price);
    products_.SetItemData(row, reinterpret_cast<DWORD_PTR>(product));
  }
  scope.Commit();
}

BOOL CDataImportPage::OnCmdMsg(UINT id, UINT code) {
  switch (id) {
    case IDC_FIRST:
      if (code == BN_CLICKED) return navigator_.First(), TRUE;
      break;
    case IDC_PREVIOUS:
      if (code == BN_CLICKED) return navigator_.Previous(), TRUE;
      break;
    case IDC_NEXT:
      if (code == BN_CLICKED) return navigator_.Next(), TRUE;
      break;
    case IDC_LAST:
      if (code == BN_CLICKED) return navigator_.Last(), TRUE;
      break;
    case IDC_TREE:
      if (code == TVN_SELCHANGED) return RefillProductList(), TRUE;
      break;
    case IDC_BY_DEPARTMENT:
      if (code == BN_CLICKED) {
        options_.SetAt(kBitAddByProduct, !Control<CButton>(IDC_BY_DEPARTMENT).GetCheck());
        return TRUE;
      }
      break;
    case IDC_ADD:
      if (code == BN_CLICKED) return OnAddNow(), TRUE;
      break;
  }
  return CWizardPage::OnCmdMsg(id, code);
}

CString CDataImportPage::SnapshotPath() const { return workPath_ + ".run"; }

void CDataImportPage::ShowPercent(long done, long total) {
  percentText_.Format(kIdsPercent, total > 0 ? 100.0 * static_cast<double>(done) / static_cast<double>(total) : 100.0);
  SetDlgItemText(IDC_PERCENT, percentText_);
}

BOOL CDataImportPage::CheckImportColumns(BOOL byDepartment) {
  BOOL hasKey = FALSE, hasDepartment = FALSE;
  if (!source_.GetStoredRows().empty()) {
    for (const PreviewCell& cell : *source_.GetStoredRows().front()) {
      if (cell.code != kNoCode && !(cell.code & MappingColumnCode::kOptionBit) && cell.code > kLastMainCode) {
        CString text;
        text.Format(kIdsUnsupportedCode, static_cast<LPCTSTR>(ProgramVersionText()), static_cast<int>(cell.code));
        FwMessageBoxFromString(kIdsUnsupportedCode, text);
      }
      if (cell.code == kItemNumberCode) hasKey = TRUE;
      if (cell.code == kDepartmentCode) hasDepartment = TRUE;
    }
  }
  if (byDepartment && !hasDepartment) {
    AfxMessageBox(kIdsNoDepartmentColumn);
    return FALSE;
  }
  if (!hasKey) {
    CString text;
    text.Format(kIdsNeedField, static_cast<LPCTSTR>(LoadResString(kFieldNameTable[kItemNumberCode].stringId)));
    FwMessageBoxFromString(kIdsNeedField, text);
    return FALSE;
  }
  return TRUE;
}

BOOL CDataImportPage::OnAddNow() {
  if (!shopOpen_ || !source_.IsOpen()) return FALSE;
  running_ = TRUE;
  log_->BeginRun();
  BOOL changed = FALSE;
  const BOOL done = ImportEntireDatabase(&changed);
  if (!done && changed) DiscardRun();
  ::unlink(SnapshotPath());
  // The tree shows the departments the run made (read from the open copy).
  if (shopOpen_) RefillShopTree();
  // The source list shows the first rowset again: each press reads the
  // query afresh in one pass to the end; a pass that cannot move back (a
  // staged source's) and a failed run have the list open it again (the
  // first rowset is all a preview reads).
  if (!done || !source_.CanMoveBack()) {
    source_.SetDirection(kPreviewFirst);
    source_.Requery(TRUE);
  }
  navigator_.First();
  return done;
}

void CDataImportPage::DiscardRun() {
  CloseShop();
  log_->DiscardRun();
  ::unlink(workPath_ + ".log");
  const int result = CopyShopFile(SnapshotPath(), workPath_);
  ReportCopyResult(result, SnapshotPath(), workPath_);
  if (result == kShopFileDone) {
    LoadShopTree(FALSE);
    return;
  }
  // The copy still holds part of the failed run: nothing of it may reach
  // the target, so Finish is withheld and the copy stays closed
  // (invariant 4).
  tree_.DeleteAllItems();
  products_.DeleteAllItems();
  finished_ = FALSE;
  runLogText_.Empty();
  log_->StartVisit();
  RestoreButtons();
}

void CDataImportPage::RestoreButtons() {
  Sheet().PostWizardButtons(finished_ ? PSWIZB_BACK | PSWIZB_FINISH : PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
}

BOOL CDataImportPage::ImportEntireDatabase(BOOL* changed) {
  Sheet().PostWizardButtons(PSWIZB_FINISH);
  const CString start = Now();
  const BOOL byDepartment = !options_.GetAt(kBitAddByProduct);
  HTREEITEM selected = tree_.GetSelectedItem();
  if (selected == nullptr) {
    // Without a department column only a chosen department can take the
    // rows; with one, adding by product still needs the department chosen.
    if (byDepartment || !departmentMapped_)
      AfxMessageBox(kIdsSelectDepartment, MB_ICONINFORMATION);
    else
      AfxMessageBox(kIdsHelp);
    running_ = FALSE;
    RestoreButtons();
    return FALSE;
  }
  const long rowsetSize = std::max(Sheet().m_nRowsetSize, 1);
  const BOOL read = ReadSourceRows(
      [&] {
        source_.SetDirection(kPreviewFirst);
        source_.OpenForOnePass();
        source_.FillData(TRUE);
      },
      1, rowsetSize);
  if (!read || !CheckImportColumns(byDepartment)) {
    running_ = FALSE;
    RestoreButtons();
    return FALSE;
  }
  auto* base = reinterpret_cast<Department*>(tree_.GetItemData(selected));
  CString basePath;
  for (HTREEITEM item = selected; item != nullptr; item = tree_.GetParentItem(item))
    basePath = tree_.GetItemText(item) + (basePath.IsEmpty() ? CString() : "/" + basePath);
  // What the copy was before this press: a failed run goes back to it.
  const int saved = CopyShopFile(workPath_, SnapshotPath());
  if (saved != kShopFileDone) {
    ReportCopyResult(saved, workPath_, SnapshotPath());
    running_ = FALSE;
    RestoreButtons();
    return FALSE;
  }
  CImportRun run(session_->GetDatabase(), session_->GetRoot(), language_, *log_);
  run.SetCheckEachRow(std::getenv(kCheckEachRowVariable) != nullptr);
  const long total = source_.GetRecordCount();
  CDynamicBulkSet& set = *source_.GetRecordset();
  BOOL result = TRUE;
  long firstRow = 1;
  for (int batch = 1;; ++batch) {
    CString status;
    status.Format(kIdsImportingBatch, batch);
    SetDlgItemText(IDC_POSITION, status);
    std::vector<ImportRow> rows = StoredRows(source_);
    CImportRun::BatchResult batchResult = CImportRun::kBatchDone;
    CString refusal;
    try {
      batchResult = run.ImportBatch(rows, base, basePath, byDepartment, firstRow);
    } catch (const dv_qem::dv_err& error) {
      refusal = WriteFailureText(workPath_);  // a full disk is said so, with the file
      if (refusal.Right(1) == ".") refusal = refusal.Left(refusal.GetLength() - 1);
      if (refusal.IsEmpty()) refusal = error.get_report() != nullptr ? error.get_report() : "an error of the shop file";
    } catch (const std::exception& error) {
      refusal = error.what();
    }
    if (!refusal.IsEmpty()) {
      // The shop refused the batch (its transaction is undone): the run
      // goes back to the copy saved before it.
      CString line;
      line.Format("Rows %ld to %ld: the import failed: %s; the run's changes are undone", firstRow,
                  firstRow + static_cast<long>(rows.size()) - 1, static_cast<LPCTSTR>(refusal));
      log_->WriteFailure(line);
      AfxMessageBox(line, MB_ICONSTOP);
      *changed = TRUE;  // what the refused batch left in the copy goes as well
      result = FALSE;
      break;
    }
    if (batchResult != CImportRun::kBatchDone) {
      CString text;
      text.Format(kIdsTooDeep, kMaxDepartmentLevels - 1, static_cast<LPCTSTR>(LoadResString(kIdsMyDepartments)));
      FwMessageBoxFromString(kIdsTooDeep, text);
      result = FALSE;
      break;
    }
    *changed = TRUE;
    firstRow += static_cast<long>(rows.size());
    rowsDone_ += static_cast<long>(rows.size());
    progress_.SetRange32(0, static_cast<int>(std::max(total, 1L)));
    progress_.SetPos(static_cast<int>(firstRow - 1));
    ShowPercent(firstRow - 1, total);
    BOOL atEnd = FALSE;
    if (!ReadSourceRows(
            [&] {
              set.MoveNext();
              atEnd = set.IsEOF();
              if (!atEnd) source_.FillData(TRUE);
            },
            firstRow, firstRow + rowsetSize - 1)) {
      result = FALSE;
      break;
    }
    if (atEnd) break;
  }
  if (result) {
    // The pages the run wrote are checked once, before Finish is offered;
    // a fault found undoes the run as a refused batch does.
    CString fault;
    try {
      run.CheckShop();
    } catch (const dv_qem::dv_err& error) {
      fault = error.get_report() != nullptr ? error.get_report() : "an error of the shop file";
    }
    if (!fault.IsEmpty()) {
      CString line;
      line.Format("Rows 1 to %ld: the self-check of the shop failed: %s; the run's changes are undone", firstRow - 1,
                  static_cast<LPCTSTR>(fault));
      log_->WriteFailure(line);
      AfxMessageBox(line, MB_ICONSTOP);
      result = FALSE;
    }
  }
  if (!result) {
    running_ = FALSE;
    RestoreButtons();
    return FALSE;
  }
  finished_ = TRUE;
  Sheet().PostWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
  progress_.SetPos(static_cast<int>(std::max(total, 1L)));
  ShowPercent(1, 1);
  CString lines;
  lines.Format("Import Database %s --> %s\nStart: %s , Fini: %s \n", static_cast<LPCTSTR>(Sheet().m_strDBName),
               static_cast<LPCTSTR>(targetPath_), static_cast<LPCTSTR>(start), static_cast<LPCTSTR>(Now()));
  runLogText_ += lines;
  if (run.RowsWithProblems() > 0) {
    CString text;
    text.Format(kProblemRowsText, run.RowsWithProblems());
    AfxMessageBox(text, MB_ICONINFORMATION);
  }
  return TRUE;
}

BOOL CDataImportPage::ReadSourceRows(const std::function<void()>& read, long firstRow, long lastRow) {
  try {
    read();
    return TRUE;
  } catch (CDBException* e) {
    CString reason = e->m_strError;
    reason.TrimRight();
    reason.Replace("\n", "; ");
    CString line;
    line.Format("Rows %ld to %ld: reading the source failed: %s; the run's changes are undone", firstRow, lastRow,
                static_cast<LPCTSTR>(reason));
    log_->WriteFailure(line);
    e->ReportError();
    e->Delete();
    return FALSE;
  }
}

LRESULT CDataImportPage::OnWizardBack() {
  if (!openFailed_) CloseShop();
  source_.CloseRowset();
  return CWizardPage::OnWizardBack();
}

BOOL CDataImportPage::OnWizardFinish() {
  CloseShop();
  const int result = FinishWorkShopFile(workPath_, targetPath_);
  if (result != kShopFileDone) {
    ReportCopyResult(result, workPath_, targetPath_);
    LoadShopTree(FALSE);
    return FALSE;
  }
  if (const DbTypeEntry* chosen = ChosenDbType())
    ReportUnsavedSetting(CIniFile(JoinPath(GetAppDirectory(), "tallyport.ini"))
                             .WriteString(kSettingsSection, chosen->iniKey, Sheet().m_strDBName),
                         chosen->iniKey);
  log_->MergeAtFinish(runLogText_);
  runLogText_.Empty();
  source_.CloseRowset();
  return CWizardPage::OnWizardFinish();
}

BOOL CDataImportPage::OnQueryCancel() {
  if (finished_) AfxMessageBox(kIdsChangesLost);
  CloseShop();
  if (!workPath_.IsEmpty()) ReleaseWorkShopFile(workPath_);
  source_.CloseRowset();
  return CWizardPage::OnQueryCancel();
}
