// CDatabase: one connection through the ODBC driver manager. A connection
// string that names a file source no Linux driver reads (delimited text,
// Excel, dBase, Paradox) is served from a staged SQLite copy of the source
// (source_connection.h); every other string goes to the driver manager as
// given (Access files and data source names pass through).
#pragma once

#include <memory>
#include <vector>

#include "fw_exceptions.h"
#include "fw_string.h"
#include "odbc_api.h"

class CRecordset;
class StagedConnection;

class CDatabase : public CObject {
  DECLARE_DYNAMIC(CDatabase)
 public:
  enum DbOpenOptions : DWORD {
    openExclusive = 0x0001,
    openReadOnly = 0x0002,
    useCursorLib = 0x0004,
    noOdbcDialog = 0x0008,
    forceOdbcDialog = 0x0010,
  };

  CDatabase();
  ~CDatabase() override;

  // Connects with connect (never prompting: there is no driver dialog
  // here). FALSE is never returned; failures throw CDBException with the
  // driver's diagnostics, or with the source file's reading error.
  BOOL OpenEx(LPCTSTR connect, DWORD options = 0);
  // The framework's older form: dsn (may be null or empty) and connect
  // ("ODBC;" prefix accepted) make one string.
  BOOL Open(LPCTSTR dsn, BOOL exclusive = FALSE, BOOL readOnly = FALSE, LPCTSTR connect = "ODBC;",
            BOOL useCursorLib = TRUE);
  void Close();
  BOOL IsOpen() const { return m_hdbc != SQL_NULL_HDBC; }
  // The string as the caller gave it.
  const CString& GetConnect() const { return m_strConnect; }
  // Runs a statement that returns no rows.
  void ExecuteSQL(LPCTSTR sql);

  // The character the driver quotes identifiers with (SQLGetInfo
  // SQL_IDENTIFIER_QUOTE_CHAR, read at connect); '"' when no connection
  // is open or the driver reports none.
  char GetIdentifierQuote() const { return m_identifierQuote; }
  // name as an identifier of this connection: in its quote, every quote
  // inside doubled.
  CString QuoteIdentifier(const CString& name) const;

  // TRUE when the driver moves a static cursor backwards and to the end
  // itself; otherwise recordsets keep the rows they read (odbc_row_cache).
  BOOL DriverScrolls() const { return m_bDriverScrolls; }
  // Makes recordsets opened from now on keep their own rows even on a
  // driver that scrolls (the path drivers without scrolling take).
  void KeepRowsInRecordsets() { m_bDriverScrolls = FALSE; }

  // A staged source's tables (named as the Windows drivers name them),
  // staged or not; empty for a connection served by a driver directly.
  BOOL IsStagedSource() const { return m_staged != nullptr; }
  std::vector<CString> GetStagedCatalogue() const;
  // Stages every table of the source that sql names and is not staged yet
  // (nothing for a driver's own connection). Recordsets call it before
  // they execute.
  void PrepareStatement(const CString& sql);

  // Throws CDBException for a failed call on this connection (statement
  // may be SQL_NULL_HSTMT); does nothing for SQL_SUCCESS and
  // SQL_SUCCESS_WITH_INFO.
  void Check(RETCODE returnCode, HSTMT statement = SQL_NULL_HSTMT);

  HDBC m_hdbc;

 private:
  void Connect(const CString& driverString);
  CString m_strConnect;
  BOOL m_bDriverScrolls;
  char m_identifierQuote;
  std::shared_ptr<StagedConnection> m_staged;
};

// name in quote, every quote inside doubled: "Na""me" for Na"me with '"'.
CString QuoteSqlIdentifier(const CString& name, char quote);

// The process's one ODBC environment (ODBC 3 behaviour), made at first use.
HENV AfxGetHENV();
