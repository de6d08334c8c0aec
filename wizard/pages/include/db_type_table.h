// The source types the database-type page offers, with the file each one
// remembers, and the entry the person chose there.
#pragma once

#include "fw_string.h"

struct DbTypeEntry {
  int type;            // source type code
  const char* wildcard;
  CString displayText;
  const char* filter;  // the file dialog's filter of the type
  CString file;        // the remembered source file
  const char* iniKey;  // its key in section "Select Database Page" of tallyport.ini
  const char* testFile;  // the file remembered when tallyport.ini names none
};

constexpr int kDbTypeCount = 7;
// Access, delimited text, Excel, the Quillon shop's tables, the MYOB and
// QuickBooks text exports and an ODBC data source, in that order.
extern DbTypeEntry DbTypeTable[kDbTypeCount];
// The index of the entry chosen on the database-type page; -1 until a
// choice is confirmed with Next.
extern int g_nChosenDbType;
// The chosen entry; null before a choice.
const DbTypeEntry* ChosenDbType();
