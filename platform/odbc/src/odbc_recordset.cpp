// Recordsets: statement, bindings, rowset fetches (by the driver, or from
// the rows kept here when the driver cannot scroll), column descriptions
// and single values.
#include "odbc_recordset.h"

#include <algorithm>
#include <cstring>

#include "odbc_errors.h"
#include "odbc_row_cache.h"

IMPLEMENT_DYNAMIC(CRecordset, CObject)

namespace {

bool IsBinaryType(SWORD type) {
  return type == SQL_BINARY || type == SQL_VARBINARY || type == SQL_LONGVARBINARY;
}

// sql as a statement: a table name alone is completed to a SELECT of all
// its columns.
CString StatementOf(const CString& sql) {
  CString trimmed = sql;
  trimmed.TrimLeft();
  CString head = trimmed.Left(7);
  head.MakeUpper();
  if (head.Left(6) == "SELECT" || head.Left(4) == "CALL" || head.Left(1) == "{" || head.Left(4) == "WITH") return sql;
  return "SELECT * FROM " + trimmed;
}

}  // namespace

CRecordset::CRecordset(CDatabase* database)
    : m_pDatabase(database),
      m_hstmt(SQL_NULL_HSTMT),
      m_nFields(0),
      m_dwOptions(none),
      m_nOpenType(snapshot),
      m_dwRowsetSize(25),
      m_dwRowsFetched(0),
      m_nResultCols(0),
      m_bOpen(FALSE),
      m_bBOF(TRUE),
      m_bEOF(TRUE),
      m_first(0),
      m_count(-1),
      m_driverFirst(0) {}

CRecordset::~CRecordset() { Close(); }

BOOL CRecordset::Open(UINT openType, LPCTSTR sql, DWORD options) {
  Close();
  if (m_pDatabase == nullptr || !m_pDatabase->IsOpen())
    AfxThrowDBExceptionText(SQL_ERROR, "a recordset needs an open database", "08003");
  m_nOpenType = openType;
  m_dwOptions = options;
  CString text = (sql != nullptr && *sql != '\0') ? CString(sql) : GetDefaultSQL();
  m_strSQL = StatementOf(text);
  m_pDatabase->PrepareStatement(m_strSQL);

  HSTMT statement = SQL_NULL_HSTMT;
  m_pDatabase->Check(SQLAllocHandle(SQL_HANDLE_STMT, m_pDatabase->m_hdbc, &statement));
  m_hstmt = statement;
  try {
    const bool scrolls = m_pDatabase->DriverScrolls() && openType != forwardOnly && (options & readAsNeeded) == 0;
    // Rows change only through a recordset opened without readOnly.
    const SQLULEN concurrency = (options & readOnly) != 0 ? SQL_CONCUR_READ_ONLY : SQL_CONCUR_LOCK;
    SQLSetStmtAttr(m_hstmt, SQL_ATTR_CONCURRENCY, reinterpret_cast<SQLPOINTER>(concurrency), 0);
    SQLSetStmtAttr(m_hstmt, SQL_ATTR_CURSOR_TYPE,
                   reinterpret_cast<SQLPOINTER>(scrolls ? SQL_CURSOR_STATIC : SQL_CURSOR_FORWARD_ONLY), 0);
    RETCODE rc = SQLExecDirect(m_hstmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(static_cast<LPCTSTR>(m_strSQL))),
                               SQL_NTS);
    m_pDatabase->Check(rc, m_hstmt);
    DescribeColumns();
    if (!scrolls && openType != forwardOnly) {
      std::vector<bool> binary;
      for (const CODBCFieldInfo& field : m_fields) binary.push_back(IsBinaryType(field.m_nSQLType));
      m_cache = std::make_unique<OdbcRowCache>(m_pDatabase, m_hstmt, std::move(binary));
    }
    BindAndFetchFirst();
  } catch (...) {
    Close();
    throw;
  }
  return TRUE;
}

void CRecordset::AdoptExecutedStatement(HSTMT statement) {
  m_hstmt = statement;
  try {
    DescribeColumns();
    if (!m_pDatabase->DriverScrolls()) {
      std::vector<bool> binary;
      for (const CODBCFieldInfo& field : m_fields) binary.push_back(IsBinaryType(field.m_nSQLType));
      m_cache = std::make_unique<OdbcRowCache>(m_pDatabase, m_hstmt, std::move(binary));
    }
    BindAndFetchFirst();
  } catch (...) {
    Close();
    throw;
  }
}

void CRecordset::AdoptRows(const std::vector<CString>& columnNames, const std::vector<std::vector<CString>>& rows) {
  m_fields.clear();
  for (const CString& name : columnNames) {
    CODBCFieldInfo field;
    field.m_strName = name;
    field.m_nSQLType = SQL_VARCHAR;
    field.m_nPrecision = 255;
    field.m_nNullability = SQL_NULLABLE;
    m_fields.push_back(field);
  }
  m_nResultCols = static_cast<short>(m_fields.size());
  std::vector<OdbcRowCache::Row> kept;
  for (const auto& row : rows) {
    OdbcRowCache::Row values;
    for (const CString& value : row) values.emplace_back(std::string(value));
    values.resize(columnNames.size());
    kept.push_back(std::move(values));
  }
  m_cache = std::make_unique<OdbcRowCache>(std::move(kept));
  try {
    BindAndFetchFirst();
  } catch (...) {
    Close();
    throw;
  }
}

void CRecordset::DescribeColumns() {
  SQLSMALLINT count = 0;
  m_pDatabase->Check(SQLNumResultCols(m_hstmt, &count), m_hstmt);
  m_nResultCols = count;
  m_fields.assign(count, CODBCFieldInfo());
  for (SQLSMALLINT c = 0; c < count; ++c) {
    SQLCHAR name[256] = {};
    SQLSMALLINT nameLength = 0, type = 0, scale = 0, nullable = 0;
    SQLULEN size = 0;
    m_pDatabase->Check(
        SQLDescribeCol(m_hstmt, c + 1, name, sizeof name, &nameLength, &type, &size, &scale, &nullable), m_hstmt);
    CODBCFieldInfo& field = m_fields[c];
    field.m_strName = reinterpret_cast<const char*>(name);
    field.m_nSQLType = type;
    field.m_nPrecision = size;
    field.m_nScale = scale;
    field.m_nNullability = nullable;
  }
}

void CRecordset::BindAndFetchFirst() {
  m_bOpen = TRUE;
  const DWORD rowset = Bulk() ? m_dwRowsetSize : 1;
  m_rowStatus.assign(rowset, SQL_ROW_NOROW);
  if (Bulk()) {
    CFieldExchange alloc(CFieldExchange::AllocMultiRowBuffer, this);
    DoBulkFieldExchange(&alloc);
    CFieldExchange bind(CFieldExchange::BindFieldToColumn, this);
    DoBulkFieldExchange(&bind);
  } else {
    CFieldExchange bind(CFieldExchange::BindFieldToColumn, this);
    DoFieldExchange(&bind);
  }
  m_nFields = static_cast<UINT>(m_bound.size());
  if (m_hstmt != SQL_NULL_HSTMT && !m_cache) {
    SQLSetStmtAttr(m_hstmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0);
    m_pDatabase->Check(
        SQLSetStmtAttr(m_hstmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(rowset)), 0),
        m_hstmt);
    SQLSetStmtAttr(m_hstmt, SQL_ATTR_ROW_STATUS_PTR, m_rowStatus.data(), 0);
    SQLSetStmtAttr(m_hstmt, SQL_ATTR_ROWS_FETCHED_PTR, &m_dwRowsFetched, 0);
    for (size_t c = 0; c < m_bound.size(); ++c) {
      BoundColumn& column = m_bound[c];
      m_pDatabase->Check(SQLBindCol(m_hstmt, static_cast<SQLUSMALLINT>(c + 1), SQL_C_CHAR, column.values,
                                    column.width, column.lengths),
                         m_hstmt);
    }
  }
  m_bBOF = m_bEOF = FALSE;
  m_first = 0;
  m_count = -1;
  m_driverFirst = 0;
  Move(1, m_nOpenType == forwardOnly ? SQL_FETCH_NEXT : SQL_FETCH_FIRST);
  if (m_bEOF || m_bBOF) m_bBOF = m_bEOF = TRUE;  // an empty result is both before the start and past the end
}

void CRecordset::BindColumn(char* values, SQLLEN* lengths, int width, CString* single) {
  BoundColumn column{values, lengths, width, single, nullptr, nullptr};
  if (single != nullptr) {
    column.ownValues = std::make_unique<char[]>(width);
    column.ownLengths = std::make_unique<SQLLEN[]>(1);
    column.values = column.ownValues.get();
    column.lengths = column.ownLengths.get();
  }
  m_bound.push_back(std::move(column));
}

void CRecordset::Move(long rows, WORD fetchType) {
  if (!m_bOpen) AfxThrowDBExceptionText(SQL_ERROR, "Move on a closed recordset", "24000");
  m_strCacheWarnings.Empty();
  if (m_nOpenType == forwardOnly && fetchType != SQL_FETCH_NEXT)
    AfxThrowDBExceptionText(SQL_ERROR, "a forward-only recordset moves only to the next rowset", "HY106");
  if (fetchType == SQL_FETCH_NEXT && m_bEOF) return;
  const long target = TargetOf(fetchType, rows);
  if (target < 1) {
    m_first = 0;
    m_dwRowsFetched = 0;
    m_bBOF = TRUE;
    m_bEOF = FALSE;
    return;
  }
  RETCODE rc = FetchRowset(target);
  const long size = static_cast<long>(m_rowStatus.size());
  if (rc == SQL_NO_DATA) {
    if (m_count < 0 && m_first >= 1 && target == m_first + size) m_count = target - 1;  // the last rowset was full
    m_dwRowsFetched = 0;
    m_bEOF = TRUE;
    m_bBOF = FALSE;
    return;
  }
  m_first = target;
  if (static_cast<long>(m_dwRowsFetched) < size) m_count = target + static_cast<long>(m_dwRowsFetched) - 1;
  m_bBOF = m_bEOF = FALSE;
  if (rc != SQL_SUCCESS) CheckRowsetError(rc);
  FixupSingleRowFields();
}

long CRecordset::TargetOf(WORD fetchType, long rows) {
  const long size = static_cast<long>(m_rowStatus.size());
  switch (fetchType) {
    case SQL_FETCH_NEXT: return m_first < 1 ? 1 : m_first + size;
    case SQL_FETCH_PRIOR:
      // Past the end: the last rowset. From a rowset that starts within the
      // first rowset's rows: the first rowset.
      if (m_bEOF) return RowCount() == 0 ? 0 : std::max(1L, RowCount() - size + 1);
      if (m_first <= 1) return 0;
      return std::max(1L, m_first - size);
    case SQL_FETCH_FIRST: return 1;
    case SQL_FETCH_LAST: return RowCount() == 0 ? 1 : std::max(1L, RowCount() - size + 1);
    case SQL_FETCH_ABSOLUTE: return rows > 0 ? rows : (rows == 0 ? 0 : RowCount() + rows + 1);
    case SQL_FETCH_RELATIVE: return std::max(m_first, 0L) + rows;
    default: break;
  }
  CString message;
  message.Format("unknown fetch type %u", static_cast<unsigned>(fetchType));
  AfxThrowDBExceptionText(SQL_ERROR, message, "HY106");
}

long CRecordset::RowCount() {
  if (m_count >= 0) return m_count;
  if (m_cache) return m_count = m_cache->ReadAll();
  // Step the driver's cursor rowset by rowset to the end; the caller
  // fetches the rowset it wants afterwards.
  const long size = static_cast<long>(m_rowStatus.size());
  long first = 1;
  m_driverFirst = -1;
  RETCODE rc = SQLFetchScroll(m_hstmt, SQL_FETCH_ABSOLUTE, first);
  for (;;) {
    if (rc == SQL_NO_DATA) return m_count = first - 1;
    if (!SQL_SUCCEEDED(rc)) Check(rc);
    if (static_cast<long>(m_dwRowsFetched) < size) return m_count = first + static_cast<long>(m_dwRowsFetched) - 1;
    first += size;
    rc = SQLFetchScroll(m_hstmt, SQL_FETCH_NEXT, 0);
  }
}

RETCODE CRecordset::FetchRowset(long first) {
  if (m_cache) return CopyKeptRows(first);
  if (m_count >= 0 && first > m_count) return SQL_NO_DATA;
  const long size = static_cast<long>(m_rowStatus.size());
  // The next rowset in order is asked for as such (a forward-only cursor
  // knows no other move).
  const bool inOrder = m_nOpenType == forwardOnly || (m_driverFirst >= 1 && first == m_driverFirst + size) ||
                       (m_driverFirst == 0 && first == 1);
  RETCODE rc = inOrder ? SQLFetchScroll(m_hstmt, SQL_FETCH_NEXT, 0) : SQLFetchScroll(m_hstmt, SQL_FETCH_ABSOLUTE, first);
  m_driverFirst = SQL_SUCCEEDED(rc) ? first : -1;
  return rc;
}

RETCODE CRecordset::CopyKeptRows(long firstRow) {
  const long size = static_cast<long>(m_rowStatus.size());
  const long first = firstRow - 1;
  if (!m_cache->Holds(first)) return SQL_NO_DATA;
  bool truncated = false;
  long fetched = 0;
  for (long r = 0; r < size; ++r) {
    if (!m_cache->Holds(first + r)) {
      m_rowStatus[r] = SQL_ROW_NOROW;
      continue;
    }
    ++fetched;
    m_rowStatus[r] = SQL_ROW_SUCCESS;
    for (size_t c = 0; c < m_bound.size(); ++c) {
      BoundColumn& column = m_bound[c];
      const OdbcRowCache::Value& value = m_cache->At(first + r, static_cast<int>(c));
      char* cell = column.values + static_cast<size_t>(r) * column.width;
      if (!value) {
        column.lengths[r] = SQL_NULL_DATA;
        cell[0] = '\0';
        continue;
      }
      std::string text = *value;
      if (m_cache->IsBinary(static_cast<int>(c))) {
        static const char digits[] = "0123456789ABCDEF";
        std::string hex;
        for (unsigned char byte : *value) hex += {digits[byte >> 4], digits[byte & 15]};
        text = hex;
      }
      size_t room = static_cast<size_t>(column.width) - 1;
      size_t copied = std::min(room, text.size());
      std::memcpy(cell, text.data(), copied);
      cell[copied] = '\0';
      column.lengths[r] = static_cast<SQLLEN>(text.size());
      if (copied < text.size()) truncated = true;
    }
  }
  m_dwRowsFetched = fetched;
  if (truncated) {
    m_strCacheWarnings = "State:01004,Native:0,Origin:\n";
    return SQL_SUCCESS_WITH_INFO;
  }
  return SQL_SUCCESS;
}

void CRecordset::FixupSingleRowFields() {
  for (BoundColumn& column : m_bound) {
    if (column.single == nullptr) continue;
    if (column.lengths[0] == SQL_NULL_DATA)
      column.single->Empty();
    else
      *column.single = column.values;
  }
}

WORD CRecordset::GetRowStatus(WORD row) const {
  if (row == 0 || row > m_rowStatus.size()) return SQL_ROW_NOROW;
  return m_rowStatus[row - 1];
}

void CRecordset::GetODBCFieldInfo(short index, CODBCFieldInfo& info) const {
  if (index < 0 || index >= m_nResultCols) {
    CString message;
    message.Format("field index %d out of range (the result has %d columns)", index, m_nResultCols);
    AfxThrowDBExceptionText(SQL_ERROR, message, "07009");
  }
  info = m_fields[index];
}

void CRecordset::ReadCurrentValue(short index, SQLSMALLINT targetType, std::vector<BYTE>& bytes, BOOL& isNull) {
  if (index < 0 || index >= m_nResultCols) {
    CString message;
    message.Format("field index %d out of range (the result has %d columns)", index, m_nResultCols);
    AfxThrowDBExceptionText(SQL_ERROR, message, "07009");
  }
  if (m_bBOF || m_bEOF || m_dwRowsFetched == 0)
    AfxThrowDBExceptionText(SQL_ERROR, "no current record", "24000");
  bytes.clear();
  isNull = FALSE;
  if (m_cache) {
    const OdbcRowCache::Value& value = m_cache->At(m_first - 1, index);
    if (!value) {
      isNull = TRUE;
      return;
    }
    bytes.assign(value->begin(), value->end());
    return;
  }
  if (m_rowStatus.size() > 1) m_pDatabase->Check(SQLSetPos(m_hstmt, 1, SQL_POSITION, SQL_LOCK_NO_CHANGE), m_hstmt);
  const SQLLEN terminator = targetType == SQL_C_CHAR ? 1 : 0;
  BYTE piece[4096];
  for (;;) {
    SQLLEN length = 0;
    RETCODE rc = SQLGetData(m_hstmt, static_cast<SQLUSMALLINT>(index + 1), targetType, piece, sizeof piece, &length);
    if (rc == SQL_NO_DATA) break;
    m_pDatabase->Check(rc, m_hstmt);
    if (length == SQL_NULL_DATA) {
      isNull = TRUE;
      return;
    }
    const SQLLEN room = static_cast<SQLLEN>(sizeof piece) - terminator;
    if (rc == SQL_SUCCESS_WITH_INFO && (length == SQL_NO_TOTAL || length > room)) {
      bytes.insert(bytes.end(), piece, piece + room);
      continue;
    }
    bytes.insert(bytes.end(), piece, piece + length);
    break;
  }
}

void CRecordset::GetFieldValue(short index, CString& value) {
  std::vector<BYTE> bytes;
  BOOL isNull = FALSE;
  ReadCurrentValue(index, SQL_C_CHAR, bytes, isNull);
  value = isNull ? CString() : CString(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
}

void CRecordset::GetFieldValue(short index, CDBVariant& value) {
  value.Clear();
  if (index < 0 || index >= m_nResultCols) {
    std::vector<BYTE> ignored;
    BOOL isNull;
    ReadCurrentValue(index, SQL_C_CHAR, ignored, isNull);  // throws the range error
  }
  const SWORD type = m_fields[index].m_nSQLType;
  const bool binary = IsBinaryType(type);
  std::vector<BYTE> bytes;
  BOOL isNull = FALSE;
  ReadCurrentValue(index, binary ? SQL_C_BINARY : SQL_C_CHAR, bytes, isNull);
  if (isNull) return;
  std::string text(bytes.begin(), bytes.end());
  switch (type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
      value.m_dwType = DBVT_LONG;
      value.m_lVal = std::strtol(text.c_str(), nullptr, 10);
      return;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      value.m_dwType = DBVT_DOUBLE;
      value.m_dblVal = std::strtod(text.c_str(), nullptr);
      return;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIMESTAMP: {
      auto* date = new TIMESTAMP_STRUCT{};
      int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
      std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second);
      date->year = static_cast<SQLSMALLINT>(year);
      date->month = static_cast<SQLUSMALLINT>(month);
      date->day = static_cast<SQLUSMALLINT>(day);
      date->hour = static_cast<SQLUSMALLINT>(hour);
      date->minute = static_cast<SQLUSMALLINT>(minute);
      date->second = static_cast<SQLUSMALLINT>(second);
      value.m_dwType = DBVT_DATE;
      value.m_pdate = date;
      return;
    }
    default:
      if (binary) {
        auto* data = new CLongBinary;
        data->m_data = std::move(bytes);
        data->m_dwDataLength = static_cast<DWORD>(data->m_data.size());
        value.m_dwType = DBVT_BINARY;
        value.m_pbinary = data;
      } else {
        value.m_dwType = DBVT_STRING;
        value.m_pstring = new CString(text.c_str(), static_cast<int>(text.size()));
      }
  }
}

void CRecordset::Check(RETCODE returnCode) const {
  if (returnCode == SQL_SUCCESS || returnCode == SQL_SUCCESS_WITH_INFO) return;
  if (!m_strCacheWarnings.IsEmpty() || m_pDatabase == nullptr)
    AfxThrowDBExceptionText(returnCode, "fetch failed", "HY000");
  AfxThrowDBException(returnCode, m_pDatabase->m_hdbc, m_hstmt);
}

void CRecordset::CheckRowsetError(RETCODE returnCode) { Check(returnCode); }

void CRecordset::BuildErrorString(CDBException& e) const {
  if (m_cache) {
    e.m_strError = m_strCacheWarnings.IsEmpty() ? CString() : CString("String data, right truncated\n");
    e.m_strStateNativeOrigin = m_strCacheWarnings;
    return;
  }
  BuildDBErrorString(e, m_pDatabase != nullptr ? m_pDatabase->m_hdbc : SQL_NULL_HDBC, m_hstmt);
}

void CRecordset::ReleaseStatement() {
  if (m_hstmt != SQL_NULL_HSTMT) {
    SQLFreeHandle(SQL_HANDLE_STMT, m_hstmt);
    m_hstmt = SQL_NULL_HSTMT;
  }
}

void CRecordset::Close() {
  if (m_bOpen && Bulk()) {
    CFieldExchange release(CFieldExchange::DeleteMultiRowBuffer, this);
    DoBulkFieldExchange(&release);
  }
  ReleaseStatement();
  m_cache.reset();
  m_bound.clear();
  m_fields.clear();
  m_rowStatus.clear();
  m_nResultCols = 0;
  m_nFields = 0;
  m_dwRowsFetched = 0;
  m_bOpen = FALSE;
  m_bBOF = m_bEOF = TRUE;
  m_first = 0;
  m_count = -1;
  m_driverFirst = 0;
}

void CDBVariant::Clear() {
  switch (m_dwType) {
    case DBVT_DATE: delete m_pdate; break;
    case DBVT_STRING: delete m_pstring; break;
    case DBVT_BINARY: delete m_pbinary; break;
    default: break;
  }
  m_dwType = DBVT_NULL;
}

void RFX_Text(CFieldExchange* pFX, LPCTSTR, CString& value, int maxLength, int) {
  CRecordset& recordset = *pFX->m_prs;
  switch (pFX->m_nOperation) {
    case CFieldExchange::BindFieldToColumn: recordset.BindColumn(nullptr, nullptr, maxLength + 1, &value); break;
    default: break;
  }
}

void RFX_Text_Bulk(CFieldExchange* pFX, LPCTSTR, LPSTR* values, long** lengths, int maxLength) {
  CRecordset& recordset = *pFX->m_prs;
  const size_t rows = recordset.m_rowStatus.size();
  switch (pFX->m_nOperation) {
    case CFieldExchange::AllocMultiRowBuffer:
      *values = new char[static_cast<size_t>(maxLength) * rows]();
      *lengths = new long[rows]();
      break;
    case CFieldExchange::BindFieldToColumn:
      recordset.BindColumn(*values, reinterpret_cast<SQLLEN*>(*lengths), maxLength, nullptr);
      break;
    case CFieldExchange::DeleteMultiRowBuffer:
      delete[] *values;
      delete[] *lengths;
      *values = nullptr;
      *lengths = nullptr;
      break;
    case CFieldExchange::Fixup: break;
  }
}
