// The table list: the driver's catalogue call, or a staged source's
// catalogue.
#include "table_list_set.h"

#include <algorithm>
#include <string>
#include <vector>

#include "odbc_errors.h"

IMPLEMENT_DYNAMIC(CTableListSet, CRecordset)

namespace {

// TRUE when type is one of the quoted types of filter (an empty filter
// takes every type).
bool TypeListed(const CString& filter, const char* type) {
  if (filter.IsEmpty()) return true;
  CString quoted;
  quoted.Format("'%s'", type);
  CString upper = filter;
  upper.MakeUpper();
  return upper.Find(quoted) >= 0;
}

}  // namespace

BOOL CTableListSet::Open(UINT openType, LPCTSTR tableTypes, DWORD options) {
  Close();
  if (m_pDatabase == nullptr || !m_pDatabase->IsOpen())
    AfxThrowDBExceptionText(SQL_ERROR, "the table list needs an open database", "08003");
  m_nOpenType = openType;
  m_dwOptions = options & ~static_cast<DWORD>(useMultiRowFetch);
  const CString filter(tableTypes);
  if (m_pDatabase->IsStagedSource()) {
    std::vector<std::vector<CString>> rows;
    for (const CString& name : m_pDatabase->GetStagedCatalogue()) {
      const char* type = name.Right(1) == "$" ? "SYSTEM TABLE" : "TABLE";
      if (TypeListed(filter, type)) rows.push_back({CString(), CString(), name, CString(type), CString()});
    }
    // In catalogue order: by type, then by name.
    std::sort(rows.begin(), rows.end(), [](const std::vector<CString>& a, const std::vector<CString>& b) {
      return a[3] != b[3] ? a[3] < b[3] : a[2] < b[2];
    });
    AdoptRows({"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "TABLE_TYPE", "REMARKS"}, rows);
    return TRUE;
  }
  SQLUSMALLINT supported = SQL_FALSE;
  m_pDatabase->Check(SQLGetFunctions(m_pDatabase->m_hdbc, SQL_API_SQLTABLES, &supported));
  if (supported != SQL_TRUE) AfxThrowDBExceptionText(SQL_ERROR, "the driver cannot list its tables", "IM001");
  HSTMT statement = SQL_NULL_HSTMT;
  m_pDatabase->Check(SQLAllocStmt(m_pDatabase->m_hdbc, &statement));
  if (m_pDatabase->DriverScrolls())
    SQLSetStmtAttr(statement, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0);
  RETCODE rc = SQLTables(statement, nullptr, 0, nullptr, 0, nullptr, 0,
                         filter.IsEmpty() ? nullptr : reinterpret_cast<SQLCHAR*>(const_cast<char*>(tableTypes)),
                         filter.IsEmpty() ? 0 : SQL_NTS);
  if (!SQL_SUCCEEDED(rc)) {
    try {
      AfxThrowDBException(rc, m_pDatabase->m_hdbc, statement);
    } catch (CDBException*) {
      SQLFreeHandle(SQL_HANDLE_STMT, statement);
      throw;
    }
  }
  AdoptExecutedStatement(statement);
  return TRUE;
}

void CTableListSet::DoFieldExchange(CFieldExchange* pFX) {
  RFX_Text(pFX, "TABLE_QUALIFIER", m_strTableQualifier, 255, SQL_VARCHAR);
  RFX_Text(pFX, "TABLE_OWNER", m_strTableOwner, 255, SQL_VARCHAR);
  RFX_Text(pFX, "TABLE_NAME", m_strTableName, 255, SQL_VARCHAR);
  RFX_Text(pFX, "TABLE_TYPE", m_strTableType, 255, SQL_VARCHAR);
  RFX_Text(pFX, "REMARKS", m_strRemarks, 255, SQL_VARCHAR);
}
