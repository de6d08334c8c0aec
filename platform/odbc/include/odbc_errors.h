// The framework's database exception filled from ODBC diagnostics, and the
// tolerant check of a rowset fetch's warnings.
#pragma once

#include "fw_exceptions.h"
#include "odbc_api.h"

class CDatabase;

// Error code of a rowset with a row in error (state "01S01").
constexpr short AFX_SQL_ERROR_ROW_IN_ERROR = 1022;
// Error code our layer gives a source file that cannot be read or staged.
constexpr short AFX_SQL_ERROR_SOURCE_FILE = 1023;

// Fills e.m_strError with the diagnostic messages of statement (or, when
// it is null, of the connection, or of the environment), one a line, and
// e.m_strStateNativeOrigin with one "State:%s,Native:%ld,Origin:%s" line
// each.
void BuildDBErrorString(CDBException& e, HDBC connection, HSTMT statement);
// Throws a CDBException with returnCode and the diagnostics of the handles.
[[noreturn]] void AfxThrowDBException(RETCODE returnCode, HDBC connection, HSTMT statement);
// Throws a CDBException with code and the given message (no ODBC state).
[[noreturn]] void AfxThrowDBExceptionText(short code, const CString& message, const CString& state);

// What a fetch's warnings mean for a bulk rowset: truncated data ("01004")
// and other warnings are accepted, a row in error ("01S01") is raised.
enum class RowsetWarning { Accepted, RowInError };
RowsetWarning ClassifyRowsetWarning(const CString& stateNativeOrigin);
