// The source query's columns and their measured sizes, read through the
// ODBC layer, and what the data preview reads of the sheet.
#include <algorithm>

#include "bulk_recordset.h"
#include "main_sheet.h"
#include "odbc_recordset.h"

namespace {

// The size a value counts for its column: a text its length (100 more when
// longer than 127), binary data its length (10 more when longer than 127);
// any other value 0.
DWORD ValueSize(const CDBVariant& value) {
  switch (value.m_dwType) {
    case DBVT_STRING: {
      DWORD length = static_cast<DWORD>(value.m_pstring->GetLength());
      return length > 127 ? length + 100 : length;
    }
    case DBVT_BINARY: {
      DWORD length = value.m_pbinary->m_dwDataLength;
      return length > 127 ? length + 10 : length;
    }
  }
  return 0;
}

constexpr DWORD kShortColumn = 128;

}  // namespace

long CMainSheet::DetermineColnSizes(std::vector<DWORD>& sizes, std::vector<CODBCFieldInfo>* fields) {
  sizes.clear();
  CDatabase database;
  database.OpenEx(m_strConnectionString, CDatabase::noOdbcDialog);
  CString statement;
  statement.Format("SELECT * FROM %s", static_cast<LPCTSTR>(m_strDBName));
  if (!m_strSQLQuery.IsEmpty()) statement = m_strSQLQuery;
  CRecordset recordset(&database);
  recordset.Open(CRecordset::forwardOnly, statement, CRecordset::readOnly);
  sizes.assign(static_cast<size_t>(recordset.GetODBCFieldCount()), 0);
  if (fields != nullptr) {
    fields->assign(sizes.size(), CODBCFieldInfo());
    for (size_t i = 0; i < sizes.size(); ++i) recordset.GetODBCFieldInfo(static_cast<short>(i), (*fields)[i]);
  }
  long rows = 0;
  for (; !recordset.IsEOF(); recordset.MoveNext(), ++rows) {
    for (size_t i = 0; i < sizes.size(); ++i) {
      CDBVariant value;
      recordset.GetFieldValue(static_cast<short>(i), value);
      sizes[i] = std::max(sizes[i], ValueSize(value));
    }
  }
  // Every long column gets the room of the longest.
  DWORD longest = kShortColumn;
  for (DWORD size : sizes) longest = std::max(longest, size);
  for (DWORD& size : sizes)
    if (size > kShortColumn) size = longest;
  recordset.Close();
  database.Close();
  return rows;
}

void CMainSheet::BuildSourceColumns() {
  m_sourceColumns.clear();
  m_colnSizes.clear();
  knownCounts_.clear();
  std::vector<CODBCFieldInfo> fields;
  const long rows = DetermineColnSizes(m_colnSizes, &fields);
  CString measured;
  measured.Format("SELECT * FROM %s", static_cast<LPCTSTR>(m_strDBName));
  if (!m_strSQLQuery.IsEmpty()) measured = m_strSQLQuery;
  PreviewCounted(m_strConnectionString, measured, rows);
  // The measuring pass read m_strSQLQuery and described its columns: the
  // source is not asked again.
  if (m_strSQLQuery.IsEmpty()) {
    fields.clear();
    CDynamicBulkSet recordset(&m_database);
    recordset.SetRowsetSize(1);
    recordset.Open(CRecordset::forwardOnly, m_strSQLQuery, CRecordset::readOnly | CRecordset::useMultiRowFetch);
    for (short i = 0; i < recordset.GetODBCFieldCount(); ++i) {
      fields.emplace_back();
      recordset.GetODBCFieldInfo(i, fields.back());
    }
    recordset.Close();
  }
  for (size_t i = 0; i < fields.size(); ++i) {
    auto column = std::make_unique<CSourceColumn>();
    column->m_nIndex = static_cast<int>(i);
    column->m_strName = fields[i].m_strName;
    column->m_nSize = i < m_colnSizes.size() ? m_colnSizes[i] : 0;
    column->m_nSqlType = fields[i].m_nSQLType;
    m_sourceColumns.push_back(std::move(column));
  }
}

std::vector<PreviewSourceColumn> CMainSheet::PreviewSourceColumns() {
  std::vector<PreviewSourceColumn> columns;
  for (const auto& source : m_sourceColumns)
    columns.push_back({source->m_nIndex, source->m_strName, static_cast<int>(source->m_nSize), source->m_nSqlType});
  return columns;
}

std::vector<PreviewMappingItem> CMainSheet::PreviewMappingItems() {
  std::vector<PreviewMappingItem> items;
  for (const auto& column : m_mappingColumns)
    items.push_back({column->m_strCaption, column->m_code.Value(), column->m_strSourceField,
                     column->m_strSourceField.IsEmpty() ? -1 : column->m_nNumber, column->m_nColumnSize});
  return items;
}

long CMainSheet::PreviewKnownCount(const CString& connect, const CString& query) {
  auto found = knownCounts_.find(connect + "\n" + PreviewStatementKey(query));
  return found == knownCounts_.end() ? -1 : found->second;
}

void CMainSheet::PreviewCounted(const CString& connect, const CString& query, long count) {
  knownCounts_[connect + "\n" + PreviewStatementKey(query)] = count;
}
