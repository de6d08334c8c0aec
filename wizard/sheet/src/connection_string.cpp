// Connection strings from tallyport.ini.
#include "connection_string.h"

#include <cstring>
#include <initializer_list>
#include <vector>

#include "fw_profile.h"
#include "ini_file.h"
#include "source_connection.h"

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
  return QuotedConnectionValue(std::string(static_cast<LPCTSTR>(value))).c_str();
}

CString UnquotedConnectionValue(const CString& value) {
  return UnquotedConnectionValue(std::string(static_cast<LPCTSTR>(value))).c_str();
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

// Stores the value of the pair into section when its key is one of keys
// (any letter case); FALSE when it is none of them. With unquote, a value
// in braces is stored as the text it stands for.
BOOL StoreIfKey(const std::pair<CString, CString>& pair, LPCTSTR section, std::initializer_list<const char*> keys,
                const CString& ini, bool unquote = false) {
  for (const char* key : keys) {
    if (pair.first.CompareNoCase(key) != 0) continue;
    CString value = unquote ? UnquotedConnectionValue(pair.second) : pair.second;
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
  for (const auto& pair : SplitConnectionString(text)) {
    if (StoreIfKey(pair, kGeneral,
                   {"DefaultDir", "MaxBufferSize", "MaxScanRows", "PageTimeout", "SafeTransactions", "Threads", "UID",
                    "UserCommitSync"},
                   iniPath, true))
      continue;
    if (StoreIfKey(pair, section, {"DriverId", "Driver", "FIL"}, iniPath)) continue;
    if (textType) StoreIfKey(pair, "Plain Text", {"Extensions"}, iniPath);
  }
}

CString WithDefaultDir(const CString& connection, const CString& folder) {
  CString result;
  for (const auto& [key, value] : SplitConnectionString(connection))
    if (key.CompareNoCase("DefaultDir") != 0) result += key + "=" + value + ";";
  Append(result, "DefaultDir", QuotedConnectionValue(folder));
  return result;
}
