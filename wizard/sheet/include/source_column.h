// A column of the source query: its index, name, measured size and ODBC
// SQL type.
#pragma once

#include "fw_string.h"

struct CSourceColumn {
  int m_nIndex = 0;
  CString m_strName;
  DWORD m_nSize = 0;
  short m_nSqlType = 0;
};
