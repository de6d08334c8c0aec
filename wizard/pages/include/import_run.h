// The import run: source rows (cells carrying a mapping-column code and a
// value text) become products of the open shop, keyed by item number, with
// their fields, options and choices, linked to the chosen department or to
// departments named by the row's department cell. One batch is one
// transaction; a batch that cannot be completed leaves nothing behind.
// Everything runs on the open shop's database (CShopSession).
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "fw_string.h"
#include "import_log.h"

class Department;
class Product;
class COption;
class CChoice;
class Root;
namespace dv_qem {
class dv_database;
}

struct ImportCell {
  DWORD code = 0xFFFFFFFF;  // the mapping-column code
  CString value;
};
using ImportRow = std::vector<ImportCell>;

// Department paths below the base may have at most this many levels.
constexpr int kMaxDepartmentLevels = 3;

class CImportRun {
 public:
  enum BatchResult { kBatchDone, kPathTooDeep };

  // root and database: the open shop's; language: the page language.
  // Builds the item-number map over every product of the shop.
  CImportRun(dv_qem::dv_database* database, Root* root, int language, CImportLog& log);

  // Imports rows inside one transaction. byDepartment: each row goes to
  // the department its department cell names below base (made level by
  // level as needed), else every row goes to base. firstRow numbers the
  // rows for the log. A path deeper than kMaxDepartmentLevels aborts the
  // batch's transaction and answers kPathTooDeep (the row is logged).
  BatchResult ImportBatch(const std::vector<ImportRow>& rows, Department* base, const CString& basePath,
                          BOOL byDepartment, long firstRow);

  // With set, the pages a batch writes are self-checked after every row
  // and after the batch (slow; for finding faults).
  void SetCheckEachRow(bool on) { checkEachRow_ = on; }
  // Self-checks the shop once, when the run's batches are committed: its
  // pages, heaps and pointers. Raises the store's error on a fault.
  void CheckShop();
  long RowsCreated() const { return created_; }
  long RowsUpdated() const { return updated_; }
  // Rows that got a line in the import log (a value cut short in its
  // reading, a number that is none, a left-out option, ...).
  long RowsWithProblems() const { return problemRows_; }
  // The department path (below base) of the row refused as too deep.
  const CString& RefusedPath() const { return refusedPath_; }

 private:
  // 1 when an existing product was updated, 0 when one was made.
  int ImportRow(const ::ImportRow& row, Department* department, long rowNumber);
  void SetColumnValue(DWORD code, const CString& value, Product* product, long rowNumber);
  void SetProductField(DWORD code, const CString& value, Product* product, long rowNumber);
  void SetMappedField(DWORD code, const CString& value, Product* product, long rowNumber);
  double ReadNumber(const CString& value, const char* what, long rowNumber);
  COption* FindOption(const CString& name, Product* product) const;
  CChoice* FindChoice(const CString& name, COption* option) const;
  int ImportedOptionCount(Product* product) const;
  Department* FindOrCreateDepartment(Department* base, const std::vector<CString>& levels);
  Department* FindChildDepartment(Department* parent, const CString& name) const;
  void SelfCheck();
  // Writes line to the import log at once and counts row among the rows
  // with problems.
  void LogProblem(long rowNumber, const CString& line);

  dv_qem::dv_database* database_;
  Root* root_;
  int language_;
  CImportLog& log_;
  std::unordered_map<std::string, Product*> byItemNumber_;
  std::unordered_map<std::string, Department*> departments_;  // by lower-case path below the base
  CString rowLog_;
  COption* option_ = nullptr;
  CChoice* choice_ = nullptr;
  DWORD optionCode_ = 0;
  DWORD choiceCode_ = 0;
  CString refusedPath_;
  bool checkEachRow_ = false;
  long created_ = 0;
  long updated_ = 0;
  long problemRows_ = 0;
  long lastProblemRow_ = 0;  // rows are numbered from 1
};
