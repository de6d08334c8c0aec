// Database exceptions from ODBC diagnostics.
#include "odbc_errors.h"

#include <string>

#include "odbc_database.h"

namespace {

// The bracketed components opening a driver message ("[unixODBC][Driver
// Manager]"), which name where the message came from.
CString OriginOf(const std::string& message) {
  size_t end = 0;
  while (end < message.size() && message[end] == '[') {
    size_t close = message.find(']', end);
    if (close == std::string::npos) break;
    end = close + 1;
  }
  return CString(message.substr(0, end).c_str());
}

void AppendDiagnostics(CDBException& e, SQLSMALLINT handleType, SQLHANDLE handle) {
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLCHAR message[SQL_MAX_MESSAGE_LENGTH + 1] = {};
    SQLSMALLINT length = 0;
    RETCODE rc = SQLGetDiagRec(handleType, handle, record, state, &native, message, sizeof message, &length);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) break;
    std::string text(reinterpret_cast<const char*>(message));
    e.m_strError += CString(text.c_str()) + "\n";
    CString line;
    line.Format("State:%s,Native:%ld,Origin:%s\n", reinterpret_cast<const char*>(state), static_cast<long>(native),
                static_cast<LPCTSTR>(OriginOf(text)));
    e.m_strStateNativeOrigin += line;
  }
}

}  // namespace

void BuildDBErrorString(CDBException& e, HDBC connection, HSTMT statement) {
  e.m_strError.Empty();
  e.m_strStateNativeOrigin.Empty();
  if (statement != SQL_NULL_HSTMT) {
    AppendDiagnostics(e, SQL_HANDLE_STMT, statement);
  } else if (connection != SQL_NULL_HDBC) {
    AppendDiagnostics(e, SQL_HANDLE_DBC, connection);
  } else {
    AppendDiagnostics(e, SQL_HANDLE_ENV, AfxGetHENV());
  }
}

void AfxThrowDBException(RETCODE returnCode, HDBC connection, HSTMT statement) {
  auto* e = new CDBException(returnCode);
  BuildDBErrorString(*e, connection, statement);
  if (e->m_strError.IsEmpty()) e->m_strError.Format("ODBC call failed with return code %d\n", returnCode);
  throw e;
}

void AfxThrowDBExceptionText(short code, const CString& message, const CString& state) {
  auto* e = new CDBException(code);
  e->m_strError = message + "\n";
  e->m_strStateNativeOrigin = "State:" + state + ",Native:0,Origin:\n";
  throw e;
}

RowsetWarning ClassifyRowsetWarning(const CString& stateNativeOrigin) {
  if (stateNativeOrigin.Find("State:01004") >= 0) return RowsetWarning::Accepted;
  if (stateNativeOrigin.Find("State:01S01") >= 0) return RowsetWarning::RowInError;
  return RowsetWarning::Accepted;
}
