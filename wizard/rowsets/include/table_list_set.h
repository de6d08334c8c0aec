// The tables of a connection, one row each: qualifier, owner, name, type
// and remarks (the catalogue's first five columns). A staged source lists
// its catalogue: its sheets as system tables, its other tables as tables.
#pragma once

#include "odbc_recordset.h"

class CTableListSet : public CRecordset {
  DECLARE_DYNAMIC(CTableListSet)
 public:
  explicit CTableListSet(CDatabase* database = nullptr) : CRecordset(database) {}
  ~CTableListSet() override { Close(); }

  // Lists the tables whose type is one of tableTypes ("'TABLE'",
  // "'TABLE','SYSTEM TABLE'"; null or empty: every type). Throws
  // CDBException when the driver has no catalogue call or it fails.
  BOOL Open(UINT openType = snapshot, LPCTSTR tableTypes = nullptr, DWORD options = readOnly) override;

  CString m_strTableQualifier;
  CString m_strTableOwner;
  CString m_strTableName;
  CString m_strTableType;
  CString m_strRemarks;

 protected:
  void DoFieldExchange(CFieldExchange* pFX) override;
};
