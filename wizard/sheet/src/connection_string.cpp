// Connection strings from tallyport.ini.
#include "connection_string.h"

#include <cstring>
#include <initializer_list>
#include <vector>

#include "fw_profile.h"
#include "ini_file.h"

namespace {

constexpr const char* kGeneral = "General ConnStr Info";

CString Read(const CString& ini, LPCTSTR section, LPCTSTR key, DWORD size) {
  std::vector<char> buffer(size);
  GetPrivateProfileString(section, key, "", buffer.data(), size, ini);
  return CString(buffer.data());
}

void Append(CString& result, LPCTSTR key, const CString& value) {
  // A value holding ';' (the format "Delimited(;)") goes in braces, unless
  // it is in braces already (a driver's name), so that it stays one value.
  const int length = value.GetLength();
  const bool braced = length >= 2 && value[0] == '{' && value[length - 1] == '}';
  CString entry;
  entry.Format("%s=%s;", key,
               static_cast<LPCTSTR>(value.Find(';') >= 0 && !braced ? QuotedConnectionValue(value) : value));
  result += entry;
}

// Every key with a value, in the order given (the Paradox and dBase
// drivers take their whole string from their own section).
CString NonEmptyKeys(const CString& ini, LPCTSTR section, const std::vector<const char*>& keys) {
  CString result;
  for (const char* key : keys) {
    CString value = Read(ini, section, key, 8192);
    if (!value.IsEmpty()) Append(result, key, value);
  }
  return result;
}

}  // namespace

CString QuotedConnectionValue(const CString& value) {
  const int length = value.GetLength();
  if (value.FindOneOf(";{}") < 0 && (length == 0 || (value[0] != ' ' && value[length - 1] != ' '))) return value;
  CString quoted = "{";
  for (int i = 0; i < length; ++i) {
    quoted += value[i];
    if (value[i] == '}') quoted += '}';
  }
  return quoted + "}";
}

CString UnquotedConnectionValue(const CString& value) {
  CString text = value;
  text.TrimLeft();
  text.TrimRight();
  const int length = text.GetLength();
  if (length < 2 || text[0] != '{' || text[length - 1] != '}') return value;
  CString inner;
  for (int i = 1; i + 1 < length; ++i) {
    inner += text[i];
    if (text[i] == '}' && text[i + 1] == '}') ++i;
  }
  return inner;
}

CString ConnectionSection(int type) {
  switch (type) {
    case 0: return "Access";
    case 1: return "Excel";
    case 2:
    case 4:
    case 5: return "Plain Text";
    case 3: return "DBase";
    case 7: return "Paradox";
    case 8: return "Quillon";
  }
  return CString();
}

CString BuildConnectionString(int type, int currentType, const CString& programFolder, const CString& dataSource) {
  CString ini;
  ini.Format("%s\\%s", static_cast<LPCTSTR>(programFolder), "tallyport.ini");
  CString result;
  CString defaultDir = Read(ini, kGeneral, "DefaultDir", 4096);
  Append(result, "DefaultDir", QuotedConnectionValue(currentType == 8 ? programFolder : defaultDir));
  CString section = ConnectionSection(type);
  switch (type) {
    case 0:
    case 1:
    case 2:
    case 4:
    case 5:
    case 8:
      for (const char* key : {"Driver", "DriverId", "FIL", "Extensions", "ColNameHeader", "Format"})
        Append(result, key, Read(ini, section, key, 4096));
      for (const char* key :
           {"MaxBufferSize", "MaxScanRows", "PageTimeout", "SafeTransactions", "Threads", "UID", "UserCommitSync"})
        Append(result, key, Read(ini, kGeneral, key, 4096));
      return result;
    case 7:
      return NonEmptyKeys(ini, section,
                          {"DRIVER", "UID", "UserCommitSync", "Threads", "SafeTransactions", "ParadoxUserName",
                           "ParadoxNetStyle", "ParadoxNetPath", "PageTimeout", "MaxScanRows", "MaxBufferSize", "FIL",
                           "DriverId", "DefaultDir", "CollatingSequence"});
    case 3:
      return NonEmptyKeys(ini, section,
                          {"DRIVER", "UID", "UserCommitSync", "Threads", "Statistics", "SafeTransactions",
                           "PageTimeout", "MaxScanRows", "MaxBufferSize", "FIL", "DriverId", "Exclusive", "Deleted",
                           "DefaultDir", "CollatingSequence"});
    case 6: return dataSource;
  }
  return result;
}

CString DataSourceString(const CString& name, const CString& login, const CString& password) {
  CString result;
  if (!name.IsEmpty()) result = "DSN=" + name;
  if (!login.IsEmpty()) result += ";UID=" + login;
  if (!password.IsEmpty()) result += ";PWD=" + password + ";";
  return result;
}

namespace {

// The pieces of a connection string split at ';'; a value in braces runs
// to the '}' that is not doubled and may hold ';'.
std::vector<CString> SplitConnectionString(const CString& text) {
  std::vector<CString> pieces;
  int start = 0;
  int length = text.GetLength();
  while (start < length) {
    int end = start;
    while (end < length && text[end] != '=' && text[end] != ';') ++end;
    if (end < length && text[end] == '=') {
      int value = end + 1;
      while (value < length && text[value] == ' ') ++value;
      if (value < length && text[value] == '{') {
        end = value + 1;
        while (end < length) {
          if (text[end] == '}' && !(end + 1 < length && text[end + 1] == '}')) break;
          end += text[end] == '}' ? 2 : 1;
        }
      }
      while (end < length && text[end] != ';') ++end;
    }
    pieces.push_back(text.Mid(start, end - start));
    start = end + 1;
  }
  return pieces;
}

// Stores the value after the first key of keys found in piece into section;
// FALSE when none is found.
// With unquote, a value in braces is stored as the text it stands for.
BOOL StoreFirstKey(const CString& piece, LPCTSTR section, std::initializer_list<const char*> keys,
                   const CString& ini, bool unquote = false) {
  for (const char* key : keys) {
    int at = piece.Find(key);
    if (at < 0) continue;
    CString value = piece.Mid(at + static_cast<int>(strlen(key)) + 1);
    if (unquote) value = UnquotedConnectionValue(value);
    ReportUnsavedSetting(WritePrivateProfileString(section, key, value, ini), key);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void ParseConnectionString(const CString& text, int type, const CString& iniPath) {
  LPCTSTR section = nullptr;
  switch (type) {
    case 0: section = "Access"; break;
    case 1: section = "Excel"; break;
    case 2:
    case 4:
    case 5: section = "Plain Text"; break;
    default: return;
  }
  bool textType = type == 2 || type == 4 || type == 5;
  for (const CString& piece : SplitConnectionString(text)) {
    if (piece.IsEmpty()) continue;
    if (StoreFirstKey(piece, kGeneral,
                      {"DefaultDir", "MaxBufferSize", "MaxScanRows", "PageTimeout", "SafeTransactions", "Threads",
                       "UID", "UserCommitSync"},
                      iniPath, true))
      continue;
    if (StoreFirstKey(piece, section, {"DriverId", "Driver", "FIL"}, iniPath)) continue;
    if (textType) StoreFirstKey(piece, "Plain Text", {"Extensions"}, iniPath);
  }
}

CString WithDefaultDir(const CString& connection, const CString& folder) {
  CString result;
  for (const CString& piece : SplitConnectionString(connection)) {
    CString key = piece.SpanExcluding("=");
    key.TrimLeft();
    key.TrimRight();
    if (key.CompareNoCase("DefaultDir") != 0 && !piece.IsEmpty()) result += piece + ";";
  }
  Append(result, "DefaultDir", QuotedConnectionValue(folder));
  return result;
}
