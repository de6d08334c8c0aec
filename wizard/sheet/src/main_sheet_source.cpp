// The sheet's services over the source connection: the measured column
// sizes, the source-column descriptors and what the data preview reads.
#include <algorithm>
#include <memory>

#include "bulk_recordset.h"
#include "main_sheet.h"

namespace {

// Strings and binary values longer than this get room to spare.
constexpr DWORD kLongValue = 127;
constexpr DWORD kStringSpare = 100;
constexpr DWORD kBinarySpare = 10;
// Columns above this size all share the largest size.
constexpr DWORD kSharedSizeFloor = 128;

DWORD MeasuredSize(const CDBVariant& value) {
  DWORD length = 0;
  if (value.m_dwType == DBVT_STRING) {
    length = static_cast<DWORD>(value.m_pstring->GetLength());
    return length > kLongValue ? length + kStringSpare : length;
  }
  if (value.m_dwType == DBVT_BINARY) {
    length = value.m_pbinary->m_dwDataLength;
    return length > kLongValue ? length + kBinarySpare : length;
  }
  return 0;
}

}  // namespace

void CMainSheet::DetermineColnSizes(std::vector<DWORD>& sizes) {
  sizes.clear();
  CDatabase source;
  source.OpenEx(m_strConnectionString, CDatabase::noOdbcDialog);
  CString statement = m_strSQLQuery.IsEmpty() ? "SELECT * FROM " + m_strDBName : m_strSQLQuery;
  CRecordset rows(&source);
  rows.Open(CRecordset::forwardOnly, statement, CRecordset::readOnly);
  sizes.assign(static_cast<size_t>(rows.GetODBCFieldCount()), 0);
  for (; !rows.IsEOF(); rows.MoveNext()) {
    for (short column = 0; column < rows.GetODBCFieldCount(); ++column) {
      CDBVariant value;
      rows.GetFieldValue(column, value);
      sizes[column] = std::max(sizes[column], MeasuredSize(value));
    }
  }
  DWORD largest = kSharedSizeFloor;
  for (DWORD size : sizes) largest = std::max(largest, size);
  for (DWORD& size : sizes)
    if (size > kSharedSizeFloor) size = largest;
  rows.Close();
  source.Close();
}

void CMainSheet::BuildSourceColumns() {
  m_sourceColumns.clear();
  m_colnSizes.clear();
  DetermineColnSizes(m_colnSizes);
  CDynamicBulkSet set(&m_database);
  set.Open(CRecordset::snapshot, m_strSQLQuery, CRecordset::readOnly | CRecordset::useMultiRowFetch);
  for (short i = 0; i < set.GetODBCFieldCount(); ++i) {
    CODBCFieldInfo info;
    set.GetODBCFieldInfo(i, info);
    auto column = std::make_unique<CSourceColumn>();
    column->m_nIndex = i;
    column->m_strName = info.m_strName;
    column->m_nSize = static_cast<size_t>(i) < m_colnSizes.size() ? m_colnSizes[i] : 0;
    column->m_nSqlType = info.m_nSQLType;
    m_sourceColumns.push_back(std::move(column));
  }
  set.Close();
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
    items.push_back({column->m_strCaption, column->m_code.Value(), column->m_strSourceField, column->m_nNumber,
                     column->m_nColumnSize});
  return items;
}
