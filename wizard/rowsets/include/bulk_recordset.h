// Recordsets that fetch a whole rowset at a time with every column bound
// as text: the row operations and the tolerant warning check
// (CBulkRecordsetMod), and the recordset that binds whatever columns its
// statement returns (CDynamicBulkSet).
#pragma once

#include <vector>

#include "odbc_errors.h"
#include "odbc_recordset.h"

class CBulkRecordsetMod : public CRecordset {
  DECLARE_DYNAMIC(CBulkRecordsetMod)
 public:
  explicit CBulkRecordsetMod(CDatabase* database = nullptr) : CRecordset(database) {}

  BOOL Open(UINT openType = snapshot, LPCTSTR sql = nullptr, DWORD options = none) override {
    return CRecordset::Open(openType, sql, options);
  }
  // Update, add or delete row (from 1; 0: every row of the rowset) through
  // SQLSetPos; TRUE when the row status (of every row, for 0) shows the
  // operation done. A failed call throws CDBException.
  BOOL UpdateRow(WORD row, WORD lock = SQL_LOCK_NO_CHANGE);
  BOOL AddRow(WORD row, WORD lock = SQL_LOCK_NO_CHANGE);
  BOOL DeleteRow(WORD row, WORD lock = SQL_LOCK_NO_CHANGE);
  // With SQL_SUCCESS_WITH_INFO: truncated data ("01004") and other
  // warnings are accepted, a row in error ("01S01") throws code 1022;
  // other codes throw as CRecordset::Check does.
  void CheckRowsetError(RETCODE returnCode) override;
  // Throws a CDBException with code and the diagnostics of statement (this
  // recordset's when none is given).
  [[noreturn]] void ThrowDBException(RETCODE code, HSTMT statement = SQL_NULL_HSTMT);

 private:
  BOOL RowOperation(WORD row, WORD operation, WORD lock, WORD expectedStatus);
};

class CDynamicBulkSet : public CBulkRecordsetMod {
  DECLARE_DYNAMIC(CDynamicBulkSet)
 public:
  // Every column is bound 1,280 characters wide unless a size is set.
  static constexpr int kDefaultColumnWidth = 1280;
  // No column is bound narrower than this.
  static constexpr int kMinimumColumnWidth = 128;

  explicit CDynamicBulkSet(CDatabase* database = nullptr) : CBulkRecordsetMod(database) {}
  ~CDynamicBulkSet() override;

  // The sizes the sheet records per column for the next Open (empty: the
  // default width for all); a column without an entry gets the default
  // width, the others their size raised to the minimum.
  void SetColumnSizes(std::vector<int> sizes) { m_columnSizes = std::move(sizes); }
  void DoBulkFieldExchange(CFieldExchange* pFX) override;
  // Closes the recordset and frees both buffer arrays.
  void Close() override;

  int GetBoundColumnCount() const { return m_nBoundColumns; }
  // Column c's rowset: width bytes per row (the width it was bound with,
  // which is also the step from one row's text to the next) and one length
  // per row.
  const char* GetColumnValues(int c) const { return m_values[c]; }
  const long* GetColumnLengths(int c) const { return m_lengths[c]; }
  int GetColumnWidth(int c) const { return m_widths[c]; }

 private:
  int WidthOf(int column) const;

  int m_nBoundColumns = 0;
  std::vector<LPSTR> m_values;
  std::vector<long*> m_lengths;
  std::vector<int> m_widths;
  std::vector<int> m_columnSizes;
};
