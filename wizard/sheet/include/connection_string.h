// The ODBC connection string of a source type, from the sections of
// tallyport.ini in the program folder ("General ConnStr Info" and one
// section per source kind). A missing file or key gives empty values.
#pragma once

#include "fw_string.h"

// The connection string of source type (0 Access, 1 Excel, 2 delimited
// text, 3 dBase, 4 MYOB, 5 QuickBooks, 6 data source name, 7 Paradox, 8
// the Quillon shop's tables). currentType is the sheet's source type before
// the call (8 puts the program folder in DefaultDir); dataSource is the
// data-source string used for type 6. Types 9, 10 and above give the
// DefaultDir entry alone.
CString BuildConnectionString(int type, int currentType, const CString& programFolder, const CString& dataSource);
// connection with its "DefaultDir" entries replaced by one naming folder
// (the dBase and Paradox drivers read the tables of that folder).
CString WithDefaultDir(const CString& connection, const CString& folder);
// The connection layer's quoting of a value (a file or folder) and its
// reading back (source_connection.h), for the wizard's strings.
CString QuotedConnectionValue(const CString& value);
CString UnquotedConnectionValue(const CString& value);
// The tallyport.ini section of a source type; empty when it has none.
CString ConnectionSection(int type);

// The data-source string of a data source name with its login and password:
// "DSN=" + name when name is not empty, then ";UID=" + login when login is
// not empty, then ";PWD=" + password + ";" when password is not empty.
CString DataSourceString(const CString& name, const CString& login, const CString& password);
// Stores the keys of a connection string typed by the person into the ini
// file iniPath (types 0, 1, 2, 4 and 5; others store nothing): the general
// keys ("DefaultDir", "MaxBufferSize", ...) into "General ConnStr Info",
// "DriverId", "Driver", "FIL" (and for text "Extensions") into the type's
// section. A value in braces may hold ';'.
void ParseConnectionString(const CString& text, int type, const CString& iniPath);
