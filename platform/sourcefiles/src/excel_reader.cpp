// Reading .xls worksheets through FreeXL (see excel_reader.h).
#include "excel_reader.h"

#include "column_typing.h"
#include "source_names.h"

#include <freexl.h>

#include <cstdio>

namespace {

std::string FreeXLReason(int code) {
  std::string detail;
  switch (code) {
    case FREEXL_FILE_NOT_FOUND: return "the file does not exist or cannot be opened";
    case FREEXL_INSUFFICIENT_MEMORY: return "not enough memory";
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE: detail = "no compound-file header"; break;
    case FREEXL_CFBF_READ_ERROR:
    case FREEXL_CFBF_SEEK_ERROR: detail = "the compound file ends early"; break;
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND: detail = "no workbook stream"; break;
    case FREEXL_BIFF_INVALID_BOF: detail = "no valid BIFF start record"; break;
    case FREEXL_CRAFTED_FILE: detail = "severely damaged"; break;
    default: detail = "damaged structure"; break;
  }
  return "it is not an Excel .xls workbook or it is damaged (FreeXL error " + std::to_string(code) + ": " + detail + ")";
}

class Workbook {
 public:
  explicit Workbook(const std::string& path) : path_(path) {
    const int rc = freexl_open(path.c_str(), &handle_);
    if (rc != FREEXL_OK) throw SourceFileError(path + ": cannot read the workbook: " + FreeXLReason(rc));
    unsigned int password = 0;
    if (freexl_get_info(handle_, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK && password == FREEXL_BIFF_OBFUSCATED)
      fail("the workbook is protected by a password");
  }
  ~Workbook() { freexl_close(handle_); }
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  std::vector<std::string> sheetNames() {
    unsigned int count = 0;
    check(freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count), "counting the worksheets");
    std::vector<std::string> names;
    for (unsigned int i = 0; i < count; ++i) {
      const char* name = nullptr;
      check(freexl_get_worksheet_name(handle_, static_cast<unsigned short>(i), &name), "reading a worksheet name");
      names.emplace_back(name != nullptr ? name : "");
    }
    return names;
  }

  // Makes sheet `index` the one read; returns its rows and columns.
  void select(size_t index, unsigned int& rows, unsigned short& columns) {
    check(freexl_select_active_worksheet(handle_, static_cast<unsigned short>(index)), "selecting the worksheet");
    check(freexl_worksheet_dimensions(handle_, &rows, &columns), "reading the worksheet's size");
  }

  FreeXL_CellValue cell(unsigned int row, unsigned short column) {
    FreeXL_CellValue value{};
    const int rc = freexl_get_cell_value(handle_, row, column, &value);
    if (rc != FREEXL_OK)
      fail("cannot read the cell in row " + std::to_string(row + 1) + ", column " + std::to_string(column + 1) +
           " (FreeXL error " + std::to_string(rc) + ")");
    return value;
  }

  [[noreturn]] void fail(const std::string& what) const { throw SourceFileError(path_ + ": " + what); }

 private:
  void check(int rc, const char* doing) {
    if (rc != FREEXL_OK) fail(std::string(doing) + ": " + FreeXLReason(rc));
  }

  std::string path_;
  const void* handle_ = nullptr;
};

bool IsEmpty(const FreeXL_CellValue& cell) {
  const bool text = cell.type == FREEXL_CELL_TEXT || cell.type == FREEXL_CELL_SST_TEXT;
  return cell.type == FREEXL_CELL_NULL || (text && (cell.value.text_value == nullptr || *cell.value.text_value == '\0'));
}

// The cell as it is staged.
void ReadCell(const FreeXL_CellValue& cell, SourceValue& value) {
  if (IsEmpty(cell)) return value.setNull();
  switch (cell.type) {
    case FREEXL_CELL_INT: return value.setInteger(cell.value.int_value);
    case FREEXL_CELL_DOUBLE: return value.setReal(cell.value.double_value);
    default: value.setText().assign(cell.value.text_value != nullptr ? cell.value.text_value : "");
  }
}

std::string CellText(const FreeXL_CellValue& cell) {
  SourceValue value;
  ReadCell(cell, value);
  switch (value.kind) {
    case SourceValue::Kind::Null: return "";
    case SourceValue::Kind::Integer: return std::to_string(value.integer);
    case SourceValue::Kind::Real: {
      char text[32];
      std::snprintf(text, sizeof text, "%.15g", value.real);
      return text;
    }
    case SourceValue::Kind::Text: break;
  }
  return value.text;
}

// A column's type from the cells of the first rows: one kind throughout gives
// that kind (integers and decimals together give REAL), anything else TEXT.
class CellTypeScan {
 public:
  void see(const FreeXL_CellValue& cell) {
    if (IsEmpty(cell)) return;
    SourceColumnType type = SourceColumnType::Text;
    if (cell.type == FREEXL_CELL_INT) type = SourceColumnType::Integer;
    else if (cell.type == FREEXL_CELL_DOUBLE) type = SourceColumnType::Real;
    else if (cell.type == FREEXL_CELL_DATE) type = SourceColumnType::Date;
    if (!sawValue_) {
      type_ = type;
      sawValue_ = true;
    } else if (type_ != type) {
      const bool numbers = (type_ == SourceColumnType::Integer || type_ == SourceColumnType::Real) &&
                           (type == SourceColumnType::Integer || type == SourceColumnType::Real);
      type_ = numbers ? SourceColumnType::Real : SourceColumnType::Text;
    }
  }
  SourceColumnType type() const { return type_; }

 private:
  bool sawValue_ = false;
  SourceColumnType type_ = SourceColumnType::Text;
};

class ExcelTableReader : public SourceTableReader {
 public:
  ExcelTableReader(const std::string& path, const std::string& tableName) : workbook_(path) {
    std::string sheet = tableName;
    if (!sheet.empty() && sheet.back() == '$') sheet.pop_back();
    const std::vector<std::string> sheets = workbook_.sheetNames();
    size_t index = sheets.size();
    for (size_t i = 0; i < sheets.size() && index == sheets.size(); ++i)
      if (sheets[i] == sheet) index = i;
    for (size_t i = 0; i < sheets.size() && index == sheets.size(); ++i)
      if (LowerAscii(sheets[i]) == LowerAscii(sheet)) index = i;
    if (index == sheets.size()) workbook_.fail("the workbook has no worksheet \"" + sheet + "\"");
    workbook_.select(index, rows_, columnCount_);

    std::vector<std::string> names;
    std::vector<CellTypeScan> scans(columnCount_);
    for (unsigned short c = 0; c < columnCount_; ++c) {
      names.push_back(rows_ > 0 ? CellText(workbook_.cell(0, c)) : "");
      for (unsigned int r = 1; r < rows_ && r <= static_cast<unsigned>(kTypeScanRows); ++r)
        scans[c].see(workbook_.cell(r, c));
    }
    const std::vector<std::string> unique = UniqueColumnNames(names);
    for (unsigned short c = 0; c < columnCount_; ++c) columns_.push_back({unique[c], scans[c].type(), 0, true});
  }

  const std::vector<SourceColumn>& columns() const override { return columns_; }

  bool nextRow(std::vector<SourceValue>& row) override {
    row.resize(columns_.size());
    while (nextRow_ < rows_) {
      const unsigned int r = nextRow_++;
      bool anyValue = false;
      for (unsigned short c = 0; c < columnCount_; ++c) {
        ReadCell(workbook_.cell(r, c), row[c]);
        anyValue = anyValue || row[c].kind != SourceValue::Kind::Null;
      }
      if (anyValue) return true;
    }
    return false;
  }

 private:
  Workbook workbook_;
  unsigned int rows_ = 0;
  unsigned short columnCount_ = 0;
  unsigned int nextRow_ = 1;   // row 0 names the columns
  std::vector<SourceColumn> columns_;
};

}  // namespace

std::unique_ptr<SourceTableReader> OpenExcelTable(const std::string& path, const std::string& tableName) {
  return std::make_unique<ExcelTableReader>(path, tableName);
}

std::vector<std::string> ListExcelTables(const std::string& path) {
  Workbook workbook(path);
  std::vector<std::string> tables;
  for (const auto& name : workbook.sheetNames()) tables.push_back(name + "$");
  return tables;
}
