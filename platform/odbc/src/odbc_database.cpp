// Connections through the driver manager.
#include "odbc_database.h"

#include "odbc_errors.h"
#include "source_connection.h"

IMPLEMENT_DYNAMIC(CDatabase, CObject)

HENV AfxGetHENV() {
  static HENV environment = [] {
    HENV handle = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle)))
      AfxThrowDBExceptionText(SQL_ERROR, "cannot allocate the ODBC environment", "HY001");
    SQLSetEnvAttr(handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    return handle;
  }();
  return environment;
}

namespace {

// The identifier quote of the standard, for a driver that names none.
constexpr char kStandardIdentifierQuote = '"';

}  // namespace

CString QuoteSqlIdentifier(const CString& name, char quote) {
  CString quoted(quote);
  for (int i = 0; i < name.GetLength(); ++i) {
    quoted += name[i];
    if (name[i] == quote) quoted += quote;
  }
  return quoted + quote;
}

CDatabase::CDatabase() : m_hdbc(SQL_NULL_HDBC), m_bDriverScrolls(TRUE), m_identifierQuote(kStandardIdentifierQuote) {}

CString CDatabase::QuoteIdentifier(const CString& name) const { return QuoteSqlIdentifier(name, m_identifierQuote); }

CDatabase::~CDatabase() { Close(); }

BOOL CDatabase::Open(LPCTSTR dsn, BOOL exclusive, BOOL readOnly, LPCTSTR connect, BOOL useCursorLib) {
  CString text(connect);
  if (text.Left(5).CompareNoCase("ODBC;") == 0) text = text.Mid(5);
  CString full;
  if (dsn != nullptr && *dsn != '\0') full.Format("DSN=%s;", dsn);
  full += text;
  DWORD options = noOdbcDialog;
  if (exclusive) options |= openExclusive;
  if (readOnly) options |= openReadOnly;
  if (useCursorLib) options |= CDatabase::useCursorLib;
  return OpenEx(full, options);
}

BOOL CDatabase::OpenEx(LPCTSTR connect, DWORD options) {
  Close();
  m_strConnect = connect;
  ResolvedConnection resolved = ResolveConnection(m_strConnect);
  Connect(resolved.driverString);
  m_staged = resolved.staged;
  return TRUE;
}

void CDatabase::Connect(const CString& driverString) {
  HDBC connection = SQL_NULL_HDBC;
  RETCODE rc = SQLAllocHandle(SQL_HANDLE_DBC, AfxGetHENV(), &connection);
  if (!SQL_SUCCEEDED(rc)) AfxThrowDBException(rc, SQL_NULL_HDBC, SQL_NULL_HSTMT);
  SQLCHAR out[1024];
  SQLSMALLINT outLength = 0;
  rc = SQLDriverConnect(connection, nullptr,
                        reinterpret_cast<SQLCHAR*>(const_cast<char*>(static_cast<LPCTSTR>(driverString))), SQL_NTS,
                        out, sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    auto* e = new CDBException(rc);
    BuildDBErrorString(*e, connection, SQL_NULL_HSTMT);
    SQLFreeHandle(SQL_HANDLE_DBC, connection);
    // Some drivers refuse without a diagnostic record: the string then
    // says what was refused.
    if (e->m_strError.IsEmpty())
      e->m_strError.Format("the driver refused the connection \"%s\" and gave no reason\n",
                           static_cast<LPCTSTR>(driverString));
    throw e;
  }
  m_hdbc = connection;
  // A driver scrolls a static cursor when it has SQLFetchScroll and says
  // a static cursor moves backwards and absolutely.
  SQLUSMALLINT hasFetchScroll = SQL_FALSE;
  SQLUINTEGER staticCaps = 0;
  SQLGetFunctions(m_hdbc, SQL_API_SQLFETCHSCROLL, &hasFetchScroll);
  SQLGetInfo(m_hdbc, SQL_STATIC_CURSOR_ATTRIBUTES1, &staticCaps, sizeof staticCaps, nullptr);
  const SQLUINTEGER needed = SQL_CA1_NEXT | SQL_CA1_ABSOLUTE | SQL_CA1_RELATIVE;
  m_bDriverScrolls = hasFetchScroll == SQL_TRUE && (staticCaps & needed) == needed;
  // A blank (or nothing) means the driver quotes no identifiers; the
  // standard's quote is then the best guess.
  char quote[8] = "";
  SQLSMALLINT quoteLength = 0;
  const RETCODE quoteRc = SQLGetInfo(m_hdbc, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &quoteLength);
  m_identifierQuote = SQL_SUCCEEDED(quoteRc) && quote[0] != '\0' && quote[0] != ' ' ? quote[0] : kStandardIdentifierQuote;
}

void CDatabase::Close() {
  if (m_hdbc != SQL_NULL_HDBC) {
    SQLDisconnect(m_hdbc);
    SQLFreeHandle(SQL_HANDLE_DBC, m_hdbc);
    m_hdbc = SQL_NULL_HDBC;
  }
  m_staged.reset();
  m_bDriverScrolls = TRUE;
  m_identifierQuote = kStandardIdentifierQuote;
}

void CDatabase::Check(RETCODE returnCode, HSTMT statement) {
  if (returnCode == SQL_SUCCESS || returnCode == SQL_SUCCESS_WITH_INFO) return;
  AfxThrowDBException(returnCode, m_hdbc, statement);
}

std::vector<CString> CDatabase::GetStagedCatalogue() const {
  std::vector<CString> names;
  if (m_staged)
    for (const std::string& name : m_staged->Catalogue()) names.emplace_back(name.c_str());
  return names;
}

void CDatabase::PrepareStatement(const CString& sql) {
  if (m_staged) m_staged->PrepareStatement(sql);
}

void CDatabase::ExecuteSQL(LPCTSTR sql) {
  if (!IsOpen()) AfxThrowDBExceptionText(SQL_ERROR, "ExecuteSQL on a closed connection", "08003");
  PrepareStatement(sql);
  HSTMT statement = SQL_NULL_HSTMT;
  Check(SQLAllocHandle(SQL_HANDLE_STMT, m_hdbc, &statement));
  RETCODE rc = SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS);
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
    try {
      AfxThrowDBException(rc, m_hdbc, statement);
    } catch (CDBException*) {
      SQLFreeHandle(SQL_HANDLE_STMT, statement);
      throw;
    }
  }
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
}
