// Bulk rowsets: row operations, the warning check, dynamic binding.
#include "bulk_recordset.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CBulkRecordsetMod, CRecordset)
IMPLEMENT_DYNAMIC(CDynamicBulkSet, CBulkRecordsetMod)

BOOL CBulkRecordsetMod::RowOperation(WORD row, WORD operation, WORD lock, WORD expectedStatus) {
  RETCODE rc;
  do {
    rc = SQLSetPos(m_hstmt, row, operation, lock);
  } while (rc == SQL_STILL_EXECUTING);
  if (!SQL_SUCCEEDED(rc)) ThrowDBException(rc);
  if (row != 0) return GetRowStatus(row) == expectedStatus;
  for (WORD r = 1; r <= GetRowsFetched(); ++r)
    if (GetRowStatus(r) != expectedStatus) return FALSE;
  return TRUE;
}

BOOL CBulkRecordsetMod::UpdateRow(WORD row, WORD lock) { return RowOperation(row, SQL_UPDATE, lock, SQL_ROW_UPDATED); }
BOOL CBulkRecordsetMod::AddRow(WORD row, WORD lock) { return RowOperation(row, SQL_ADD, lock, SQL_ROW_ADDED); }
BOOL CBulkRecordsetMod::DeleteRow(WORD row, WORD lock) { return RowOperation(row, SQL_DELETE, lock, SQL_ROW_DELETED); }

void CBulkRecordsetMod::CheckRowsetError(RETCODE returnCode) {
  if (returnCode == SQL_SUCCESS_WITH_INFO) {
    CDBException e(returnCode);
    BuildErrorString(e);
    if (ClassifyRowsetWarning(e.m_strStateNativeOrigin) == RowsetWarning::RowInError)
      ThrowDBException(AFX_SQL_ERROR_ROW_IN_ERROR);
    return;
  }
  Check(returnCode);
}

void CBulkRecordsetMod::ThrowDBException(RETCODE code, HSTMT statement) {
  auto* e = new CDBException(code);
  if (statement == SQL_NULL_HSTMT || statement == m_hstmt)
    BuildErrorString(*e);
  else
    BuildDBErrorString(*e, m_pDatabase != nullptr ? m_pDatabase->m_hdbc : SQL_NULL_HDBC, statement);
  if (e->m_strError.IsEmpty()) e->m_strError.Format("ODBC rowset error %d\n", code);
  throw e;
}

CDynamicBulkSet::~CDynamicBulkSet() { Close(); }

int CDynamicBulkSet::WidthOf(int column) const {
  if (column >= static_cast<int>(m_columnSizes.size())) return kDefaultColumnWidth;
  return std::max(m_columnSizes[column], kMinimumColumnWidth);
}

void CDynamicBulkSet::DoBulkFieldExchange(CFieldExchange* pFX) {
  if (pFX->m_nOperation == CFieldExchange::AllocMultiRowBuffer && m_values.empty()) {
    const int fields = GetODBCFieldCount();
    m_values.assign(fields, nullptr);
    m_lengths.assign(fields, nullptr);
    m_widths.clear();
    for (int c = 0; c < fields; ++c) m_widths.push_back(WidthOf(c));
    m_nBoundColumns = fields;
  }
  // Columns are addressed by position: one name serves them all.
  for (int c = 0; c < m_nBoundColumns; ++c) RFX_Text_Bulk(pFX, "Dummy", &m_values[c], &m_lengths[c], m_widths[c]);
}

void CDynamicBulkSet::Close() {
  CBulkRecordsetMod::Close();
  m_values.clear();
  m_lengths.clear();
  m_widths.clear();
  m_nBoundColumns = 0;
}
