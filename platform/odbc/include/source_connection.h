// Connection strings of file sources that no Linux ODBC driver reads
// (delimited text, Excel .xls, dBase .dbf, Paradox .db): recognised by
// their driver name, their FIL or DriverId key, or the extension of the
// file they name, and served from a staged SQLite copy through the SQLite3
// ODBC driver. Access files go to the MDBTools driver; any other string
// (a data source name, a driver of its own) goes to the driver manager
// unchanged.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fw_string.h"

enum class ConnectionKind { PassThrough, Access, Text, Excel, DBase, Paradox };

// What a connection string names, as far as our layer cares.
struct SourceConnectionSpec {
  ConnectionKind kind = ConnectionKind::PassThrough;
  // Text, dBase and Paradox: the folder of the tables; Excel and Access: the
  // file. A native path.
  std::string source;
  // Text options: "CSVDelimited", "TabDelimited", "Delimited(c)";
  // ColNameHeader; CharacterSet "ANSI" (Windows-1252) or another set.
  char delimiter = ',';
  bool columnNamesInHeader = true;
  bool ansiCharacterSet = true;
};

// A value as a connection string holds it: in braces, each '}' doubled,
// when it holds ';', '{' or '}' or begins or ends with a blank; else as is.
std::string QuotedConnectionValue(const std::string& value);
// A value read back: one in braces (blanks around them ignored) without
// them, each "}}" inside read as '}'; any other value as it is.
std::string UnquotedConnectionValue(const std::string& value);
// The "key=value;" pieces of a connection string (a value in braces may
// hold ';', and "}}" inside braces is a '}'); keys as written, values
// trimmed, braces kept.
std::vector<std::pair<CString, CString>> SplitConnectionString(const CString& connect);
// Recognises a connection string.
SourceConnectionSpec RecogniseConnection(const CString& connect);

// One connection's view of a staged source: its SQLite file, its
// catalogue, and the staging of the tables a statement names.
class StagedConnection {
 public:
  virtual ~StagedConnection() = default;
  virtual const std::string& SqlitePath() const = 0;
  // The source's tables, named as the Windows drivers name them.
  virtual std::vector<std::string> Catalogue() = 0;
  // Stages every table sql names that is not staged yet or whose file
  // changed since. Throws CDBException naming the file and the line or
  // record when one cannot be read.
  virtual void PrepareStatement(const CString& sql) = 0;
};

// The string for the driver manager and, for a staged source, the staging
// behind it. Throws CDBException when a needed driver is not installed or
// the source cannot be listed.
struct ResolvedConnection {
  CString driverString;
  std::shared_ptr<StagedConnection> staged;
};
ResolvedConnection ResolveConnection(const CString& connect);

// Opens the staged copy of spec's source (the staging library installs it
// when it is loaded). Without one, a file source fails with a clear error.
using StagedSourceOpener = std::shared_ptr<StagedConnection> (*)(const SourceConnectionSpec& spec);
void SetStagedSourceOpener(StagedSourceOpener opener);

// The path of an installed ODBC driver library: the odbcinst.ini entry's
// Driver when it names an existing file, else fileName in the usual driver
// folders. Empty when none exists.
std::string FindOdbcDriverLibrary(const char* odbcinstName, const char* fileName);
