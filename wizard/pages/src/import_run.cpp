// The import run.
#include "import_run.h"

#include <cstdlib>

#include "department.h"
#include "dv_cursor.h"
#include "dv_database.h"
#include "import_text.h"
#include "localisation.h"
#include "mapping_column_code.h"
#include "options.h"
#include "product.h"
#include "root.h"
#include "source_shop_writer.h"
#include "transaction_scope.h"

namespace {

enum MainField : DWORD {
  kName = 0,
  kItemNumber = 1,
  kDepartment = 2,
  kDescription = 3,
  kImage = 4,
  kPrice = 5,
  kSpecialOffer = 6,
  kTax = 7,
  kLink = 8,
};
constexpr int kLogValueLength = 15;
// Longer values are imported whole, and noted in the import log.
constexpr int kLongValueLength = 4096;

std::string LowerKey(const CString& text) {
  std::string key = static_cast<LPCTSTR>(text);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

// An option-name cell's value as the run reads it: "<NULL>" is empty.
CString MappedValue(const CString& raw) { return raw.CompareNoCase("<NULL>") == 0 ? CString() : raw; }

// Whether the row gives its product an option (a non-empty option name).
bool RowNamesOption(const ImportRow& row) {
  for (const ImportCell& cell : row)
    if ((cell.code & MappingColumnCode::kOptionBit) && MappingColumnCode(cell.code).IsOptionName() &&
        !MappedValue(cell.value).IsEmpty())
      return true;
  return false;
}

CString ProductKey(Product* product) {
  CString key = static_cast<LPCSTR>(product->strOrderNumber);
  if (key.IsEmpty()) key.Format("<itemno_%lu>", static_cast<unsigned long>(product->GetID()));
  return key;
}

}  // namespace

CImportRun::CImportRun(dv_qem::dv_database* database, Root* root, int language, CImportLog& log)
    : database_(database), root_(root), language_(language), log_(log) {
  CTransactionScope scope;
  dv_qem::dv_cursor cursor(*root_->GetAllProductsDept()->GetProducts());
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) {
    auto* product = static_cast<Product*>(e);
    byItemNumber_[static_cast<LPCTSTR>(ProductKey(product))] = product;
  }
  scope.Commit();
}

void CImportRun::SelfCheck() { database_->self_check_written(); }

void CImportRun::CheckShop() {
  CTransactionScope scope;
  database_->self_check();
  scope.Commit();
}

void CImportRun::LogProblem(long rowNumber, const CString& line) {
  log_.WriteFailure(line);
  if (rowNumber != lastProblemRow_) ++problemRows_;
  lastProblemRow_ = rowNumber;
}

CImportRun::BatchResult CImportRun::ImportBatch(const std::vector<::ImportRow>& rows, Department* base,
                                                const CString& basePath, BOOL byDepartment, long firstRow) {
  CTransactionScope scope;
  option_ = nullptr;
  choice_ = nullptr;
  long rowNumber = firstRow;
  for (const ::ImportRow& row : rows) {
    Department* department = base;
    if (byDepartment) {
      CString cell;
      for (const ImportCell& c : row)
        if (c.code == kDepartment) cell = CleanDepartmentName(NormaliseCellValue(c.value));
      const CString path = cell.IsEmpty() ? basePath : basePath + "/" + cell;
      if (static_cast<int>(SplitDepartmentPath(path).size()) > kMaxDepartmentLevels) {
        refusedPath_ = path;
        CString line;
        line.Format("Row %ld: department path \"%s\" has more than %d levels; the batch is undone", rowNumber,
                    static_cast<LPCTSTR>(path), kMaxDepartmentLevels);
        LogProblem(rowNumber, line);
        departments_.clear();
        return kPathTooDeep;  // the scope aborts the batch
      }
      department = FindOrCreateDepartment(base, SplitDepartmentPath(cell));
    }
    if (ImportRow(row, department, rowNumber) == 1)
      ++updated_;
    else
      ++created_;
    if (checkEachRow_) SelfCheck();
    ++rowNumber;
  }
  if (checkEachRow_) SelfCheck();
  scope.Commit();
  return kBatchDone;
}

Department* CImportRun::FindChildDepartment(Department* parent, const CString& name) const {
  dv_qem::dv_cursor cursor(*parent->GetChildren());
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) {
    CString childName;
    static_cast<Department*>(e)->GetName(childName, language_);
    if (childName.CompareNoCase(name) == 0) return static_cast<Department*>(e);
  }
  return nullptr;
}

Department* CImportRun::FindOrCreateDepartment(Department* base, const std::vector<CString>& levels) {
  Department* department = base;
  std::string path;
  for (const CString& level : levels) {
    path += "/" + LowerKey(level);
    auto known = departments_.find(path);
    if (known != departments_.end()) {
      department = known->second;
      continue;
    }
    Department* child = FindChildDepartment(department, level);
    if (child == nullptr) {
      child = Department::CreateNew(1);
      child->SetName(level, language_);
      child->AddToParent(department);
    }
    departments_[path] = child;
    department = child;
  }
  return department;
}

int CImportRun::ImportRow(const ::ImportRow& row, Department* department, long rowNumber) {
  CString departmentName;
  department->GetName(departmentName, language_);
  rowLog_.Format("\n[ %s ] - ", static_cast<LPCTSTR>(departmentName));
  CString name, key;
  for (const ImportCell& cell : row) {
    if (cell.code == kName) name = NormaliseCellValue(cell.value);
    if (cell.code == kItemNumber) key = CutAtPoint(NormaliseCellValue(cell.value));
  }
  Product* product = nullptr;
  if (!key.IsEmpty()) {
    auto found = byItemNumber_.find(static_cast<LPCTSTR>(key));
    if (found != byItemNumber_.end()) product = found->second;
  }
  const int updated = product != nullptr ? 1 : 0;
  if (product == nullptr) {
    // A product made by the import has the imported options only: when the
    // row names one, the product starts without the default options.
    const bool namesOption = RowNamesOption(row);
    product = Product::CreateNew(1, !namesOption);
    product->SetName(name, language_);
    product->SetFlag22(1);
    if (!key.IsEmpty()) product->SetOrderNumber(key);
    // No look-up order is kept for a new product: it goes to the end.
    product->AddAfter(department, -1);
    rowLog_ += "< " + (key.IsEmpty() ? name : key) + " >\r\n  ";
  } else {
    product->LinkToDepartment(department, -1);
  }
  product->GetLangItem(language_, TRUE);
  option_ = nullptr;
  choice_ = nullptr;
  for (const ImportCell& cell : row) {
    if (cell.value.GetLength() > kLongValueLength) {
      CString line;
      line.Format("Row %ld: a value of %d characters (column code 0x%lx) imported whole", rowNumber,
                  cell.value.GetLength(), static_cast<unsigned long>(cell.code));
      LogProblem(rowNumber, line);
    }
    SetColumnValue(cell.code, cell.value, product, rowNumber);
  }
  const CString itemKey = static_cast<LPCSTR>(product->strOrderNumber);
  CString mapKey = itemKey;
  if (mapKey.IsEmpty()) mapKey.Format("genid_%lu", static_cast<unsigned long>(product->GetID()));
  byItemNumber_[static_cast<LPCTSTR>(mapKey)] = product;
  log_.WriteRowLine(rowLog_ + "\r\n");
  return updated;
}

void CImportRun::SetColumnValue(DWORD code, const CString& value, Product* product, long rowNumber) {
  if (code & MappingColumnCode::kOptionBit)
    SetMappedField(code, value, product, rowNumber);
  else if (code <= 9)
    SetProductField(code, value, product, rowNumber);
}

double CImportRun::ReadNumber(const CString& value, const char* what, long rowNumber) {
  CString line;
  if (!LooksLikeNumber(value)) {
    line.Format("Row %ld: %s \"%s\" is not a number; read as 0", rowNumber, what,
                static_cast<LPCTSTR>(value.Left(64)));
    LogProblem(rowNumber, line);
    return 0.0;
  }
  const double number = StrToDouble(WithoutGroupSeparators(value));
  if (HasBothSeparators(value)) {
    line.Format("Row %ld: %s \"%s\" holds both ',' and '.'; read as %g", rowNumber, what,
                static_cast<LPCTSTR>(value), number);
    LogProblem(rowNumber, line);
  }
  return number;
}

void CImportRun::SetProductField(DWORD code, const CString& raw, Product* product, long rowNumber) {
  if (code > kLink) return;
  CString value = NormaliseCellValue(raw);
  Product_Lang* item = product->GetLangItem(language_, TRUE);
  switch (code) {
    case kName:
      product->SetName(value, language_);
      break;
    case kItemNumber:
      if (value.IsEmpty()) value.Format("genid_%lu", static_cast<unsigned long>(product->GetID()));
      product->SetOrderNumber(CutAtPoint(value));
      break;
    case kDepartment:
      break;
    case kDescription:
      item->SetDescription(value);
      break;
    case kImage:
      item->SetLogo(value);
      break;
    case kPrice:
      if (value.IsEmpty())
        product->GetPriceWeight().fPrice = 0.0;
      else if (LooksLikeNumber(value))
        product->GetPriceWeight().fPrice = ReadNumber(value, "price", rowNumber);
      else {
        CString line;
        line.Format("Row %ld: price \"%s\" is not a number; the price is left as it was", rowNumber,
                    static_cast<LPCTSTR>(value.Left(64)));
        LogProblem(rowNumber, line);
      }
      break;
    case kSpecialOffer:
      item->m_bSpecial = 1;
      item->m_strSpecial = value;
      break;
    case kTax: {
      const int tax = std::atoi(value);
      if (tax >= 1 && tax <= 3) item->m_nApplyLocalTaxes = tax;
      break;
    }
    case kLink:
      item->m_strMMediaFile = value;
      break;
  }
  rowLog_ += TruncateForLog(value, kLogValueLength);
}

COption* CImportRun::FindOption(const CString& name, Product* product) const {
  dv_qem::dv_cursor cursor(*product->GetCatStruct().m_pOptions);
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) {
    CString optionName;
    static_cast<COption*>(e)->GetName(optionName, language_);
    if (optionName.CompareNoCase(name) == 0) return static_cast<COption*>(e);
  }
  return nullptr;
}

CChoice* CImportRun::FindChoice(const CString& name, COption* option) const {
  dv_qem::dv_cursor cursor(*option->m_aChoices);
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) {
    CString choiceName;
    static_cast<CChoice*>(e)->GetName(choiceName, language_);
    if (choiceName.CompareNoCase(name) == 0) return static_cast<CChoice*>(e);
  }
  return nullptr;
}

int CImportRun::ImportedOptionCount(Product* product) const {
  // The four default options a product starts with are not registered in
  // the shop's option list (they carry no id); imported options are.
  int count = 0;
  dv_qem::dv_cursor cursor(*product->GetCatStruct().m_pOptions);
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e))
    if (static_cast<COption*>(e)->m_nID != 0) ++count;
  return count;
}

void CImportRun::SetMappedField(DWORD rawCode, const CString& raw, Product* product, long rowNumber) {
  const MappingColumnCode code(rawCode);
  const CString value = MappedValue(raw);
  if (value.IsEmpty()) {
    if (code.IsOptionName()) {
      option_ = nullptr;
      optionCode_ = rawCode;
    } else if (code.IsChoiceName()) {
      choice_ = nullptr;
      choiceCode_ = rawCode;
    }
    return;
  }
  if (code.IsOptionName()) {
    optionCode_ = rawCode;
    // An imported product has the imported options only: a product that
    // still has nothing but its default options (made by this run or by an
    // earlier one) drops them at its first option cell.
    if (!product->GetCatStruct().m_pOptions->empty() && ImportedOptionCount(product) == 0)
      EmptyOptionList(product->GetCatStruct().m_pOptions, 1);
    option_ = FindOption(value, product);
    if (option_ == nullptr) {
      if (ImportedOptionCount(product) >= 2) {
        CString line;
        line.Format("Row %ld: option \"%s\" left out with its choices: the product has two options already",
                    rowNumber, static_cast<LPCTSTR>(value.Left(64)));
        LogProblem(rowNumber, line);
      } else {
        option_ = COption::CreateNew(1);
        if (checkEachRow_) SelfCheck();
        option_->SetName(value, language_);
        option_->AddToCatStruct(&product->GetCatStruct());
      }
    }
  } else if (code.IsOptionStatus()) {
    if (option_ != nullptr && code.SameOption(MappingColumnCode(optionCode_))) option_->SetEnable(std::atoi(value) != 0);
  } else if (code.IsChoiceName()) {
    choiceCode_ = rawCode;
    choice_ = nullptr;
    if (option_ != nullptr && code.SameOption(MappingColumnCode(optionCode_))) {
      choice_ = FindChoice(value, option_);
      if (choice_ == nullptr) {
        choice_ = CChoice::CreateNew(1);
        if (checkEachRow_) SelfCheck();
        choice_->SetName(value, language_);
        choice_->AddToOption(option_);
      }
    }
  } else if (choice_ != nullptr && code.SameOptionAndChoice(MappingColumnCode(choiceCode_))) {
    if (code.IsChoiceItemNo())
      choice_->SetOrderNo(CutAtPoint(value));
    else if (code.IsChoicePrice())
      choice_->SetPrice(ReadNumber(value, "choice price", rowNumber));
    else if (code.IsChoiceFourth())
      choice_->SetWeight(ReadNumber(value, "choice weight", rowNumber));
  }
  rowLog_ += TruncateForLog(value, kLogValueLength);
}
