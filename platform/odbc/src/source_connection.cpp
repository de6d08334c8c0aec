// Recognising connection strings and choosing the driver that serves them.
#include "source_connection.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "fw_paths.h"
#include "odbc_api.h"
#include "odbc_errors.h"

#include <odbcinst.h>

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The value of key (any letter case), braces removed and "}}" read as
// '}'; empty when missing.
std::string ValueOf(const std::vector<std::pair<CString, CString>>& pairs, const char* key) {
  for (const auto& [name, value] : pairs)
    if (name.CompareNoCase(key) == 0) return UnquotedConnectionValue(static_cast<LPCTSTR>(value));
  return std::string();
}

bool HasKey(const std::vector<std::pair<CString, CString>>& pairs, const char* key) {
  for (const auto& pair : pairs)
    if (pair.first.CompareNoCase(key) == 0) return true;
  return false;
}

ConnectionKind KindOfDriverName(const std::string& driver) {
  std::string name = Lower(driver);
  if (Contains(name, "access") || Contains(name, "*.mdb") || Contains(name, "mdbtools")) return ConnectionKind::Access;
  if (Contains(name, "excel") || Contains(name, "*.xls")) return ConnectionKind::Excel;
  if (Contains(name, "dbase") || Contains(name, "*.dbf")) return ConnectionKind::DBase;
  if (Contains(name, "paradox") || Contains(name, "*.db")) return ConnectionKind::Paradox;
  if (Contains(name, "text") || Contains(name, "*.txt") || Contains(name, "*.csv")) return ConnectionKind::Text;
  return ConnectionKind::PassThrough;
}

// The FIL key names the file type ("MS Access", "excel 8.0", "text",
// "dBase IV", "Paradox 5.X").
ConnectionKind KindOfFileType(const std::string& fil) {
  std::string name = Lower(fil);
  if (Contains(name, "access")) return ConnectionKind::Access;
  if (Contains(name, "excel")) return ConnectionKind::Excel;
  if (Contains(name, "dbase")) return ConnectionKind::DBase;
  if (Contains(name, "paradox")) return ConnectionKind::Paradox;
  if (Contains(name, "text")) return ConnectionKind::Text;
  return ConnectionKind::PassThrough;
}

// The DriverId numbers the Windows drivers give their file types.
ConnectionKind KindOfDriverId(const std::string& id) {
  if (id == "25") return ConnectionKind::Access;
  if (id == "790") return ConnectionKind::Excel;
  if (id == "27") return ConnectionKind::Text;
  if (id == "533") return ConnectionKind::DBase;
  if (id == "538") return ConnectionKind::Paradox;
  return ConnectionKind::PassThrough;
}

ConnectionKind KindOfExtension(const std::string& path) {
  std::string extension = Lower(std::filesystem::path(path).extension().string());
  if (extension == ".mdb") return ConnectionKind::Access;
  if (extension == ".xls") return ConnectionKind::Excel;
  if (extension == ".dbf") return ConnectionKind::DBase;
  if (extension == ".db" || extension == ".mb") return ConnectionKind::Paradox;
  if (extension == ".csv" || extension == ".txt" || extension == ".tab" || extension == ".asc")
    return ConnectionKind::Text;
  return ConnectionKind::PassThrough;
}

std::string NativePath(const std::string& path) {
  std::string native(FwNativePath(path.c_str()));
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  return native;
}

bool IsDirectory(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A folder source's folder: DefaultDir, else the folder DBQ names (or the
// folder of the file it names).
std::string FolderOf(const std::string& dbq, const std::string& defaultDir) {
  if (!dbq.empty()) {
    std::string path = NativePath(dbq);
    if (IsDirectory(path)) return path;
    return std::filesystem::path(path).parent_path().string();
  }
  return NativePath(defaultDir);
}

void ReadTextOptions(const std::vector<std::pair<CString, CString>>& pairs, SourceConnectionSpec& spec) {
  std::string format = Lower(ValueOf(pairs, "Format"));
  if (format == "tabdelimited") {
    spec.delimiter = '\t';
  } else if (format.rfind("delimited(", 0) == 0 && format.size() >= 12 && format.back() == ')') {
    spec.delimiter = ValueOf(pairs, "Format")[10];
  } else {
    spec.delimiter = ',';
  }
  std::string header = Lower(ValueOf(pairs, "ColNameHeader"));
  spec.columnNamesInHeader = !(header == "false" || header == "0" || header == "no");
  std::string charset = Lower(ValueOf(pairs, "CharacterSet"));
  spec.ansiCharacterSet = charset.empty() || charset == "ansi" || charset == "1252";
}

StagedSourceOpener& Opener() {
  static StagedSourceOpener opener = nullptr;
  return opener;
}

[[noreturn]] void ThrowMissingDriver(const char* what) {
  CString message;
  message.Format("the %s ODBC driver is not installed", what);
  AfxThrowDBExceptionText(SQL_ERROR, message, "IM002");
}

}  // namespace

std::string QuotedConnectionValue(const std::string& value) {
  if (value.find_first_of(";{}") == std::string::npos && (value.empty() || (value.front() != ' ' && value.back() != ' ')))
    return value;
  std::string quoted = "{";
  for (char c : value) {
    quoted += c;
    if (c == '}') quoted += '}';
  }
  return quoted + "}";
}

std::string UnquotedConnectionValue(const std::string& value) {
  const size_t first = value.find_first_not_of(" \t");
  const size_t last = value.find_last_not_of(" \t");
  if (first == std::string::npos || last - first < 1 || value[first] != '{' || value[last] != '}') return value;
  std::string inner;
  for (size_t i = first + 1; i < last; ++i) {
    inner += value[i];
    if (value[i] == '}' && i + 1 < last && value[i + 1] == '}') ++i;
  }
  return inner;
}

std::vector<std::pair<CString, CString>> SplitConnectionString(const CString& connect) {
  std::vector<std::pair<CString, CString>> pairs;
  std::string text(connect);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != '=' && text[end] != ';') ++end;
    if (end < text.size() && text[end] == '=') {
      // A value in braces runs to the '}' that is not doubled ("}}" is a
      // '}' of the value) and may hold ';'.
      size_t value = end + 1;
      while (value < text.size() && text[value] == ' ') ++value;
      if (value < text.size() && text[value] == '{') {
        end = value + 1;
        while (end < text.size()) {
          if (text[end] == '}' && !(end + 1 < text.size() && text[end + 1] == '}')) break;
          end += text[end] == '}' ? 2 : 1;
        }
      }
      while (end < text.size() && text[end] != ';') ++end;
    }
    std::string piece = text.substr(start, end - start);
    start = end + 1;
    size_t equals = piece.find('=');
    if (equals == std::string::npos) continue;
    CString key(piece.substr(0, equals).c_str());
    CString value(piece.substr(equals + 1).c_str());
    key.TrimLeft();
    key.TrimRight();
    value.TrimLeft();
    value.TrimRight();
    if (!key.IsEmpty()) pairs.emplace_back(key, value);
  }
  return pairs;
}

SourceConnectionSpec RecogniseConnection(const CString& connect) {
  auto pairs = SplitConnectionString(connect);
  SourceConnectionSpec spec;
  if (!ValueOf(pairs, "DSN").empty()) return spec;
  const std::string driver = ValueOf(pairs, "Driver");
  const std::string dbq = ValueOf(pairs, "DBQ");
  const std::string defaultDir = ValueOf(pairs, "DefaultDir");
  ConnectionKind kind = ConnectionKind::PassThrough;
  if (!driver.empty()) {
    kind = KindOfDriverName(driver);
    if (kind == ConnectionKind::PassThrough) return spec;  // a driver of its own
  }
  if (kind == ConnectionKind::PassThrough) kind = KindOfFileType(ValueOf(pairs, "FIL"));
  if (kind == ConnectionKind::PassThrough) kind = KindOfDriverId(ValueOf(pairs, "DriverId"));
  if (kind == ConnectionKind::PassThrough && !dbq.empty()) kind = KindOfExtension(dbq);
  if (kind == ConnectionKind::PassThrough && (!ValueOf(pairs, "Extensions").empty() || !ValueOf(pairs, "Format").empty()))
    kind = ConnectionKind::Text;
  // A text source names its folder and leaves DBQ empty.
  if (kind == ConnectionKind::PassThrough && HasKey(pairs, "DBQ") && dbq.empty() && !defaultDir.empty())
    kind = ConnectionKind::Text;
  spec.kind = kind;
  switch (kind) {
    case ConnectionKind::Access:
    case ConnectionKind::Excel: spec.source = NativePath(dbq); break;
    case ConnectionKind::Text:
      spec.source = FolderOf(dbq, defaultDir);
      ReadTextOptions(pairs, spec);
      break;
    case ConnectionKind::DBase:
    case ConnectionKind::Paradox: spec.source = FolderOf(dbq, defaultDir); break;
    case ConnectionKind::PassThrough: break;
  }
  return spec;
}

std::string FindOdbcDriverLibrary(const char* odbcinstName, const char* fileName) {
  char driver[1024] = {};
  SQLGetPrivateProfileString(odbcinstName, "Driver", "", driver, sizeof driver, "ODBCINST.INI");
  namespace fs = std::filesystem;
  std::error_code error;
  if (driver[0] == '/' && fs::is_regular_file(driver, error)) return driver;
  std::string name = driver[0] != '\0' ? fs::path(driver).filename().string() : std::string(fileName);
  for (const char* folder : {"/usr/lib/i386-linux-gnu/odbc", "/usr/lib/odbc", "/usr/local/lib/odbc",
                             "/usr/lib/i386-linux-gnu", "/usr/lib"}) {
    for (const std::string& candidate : {name, std::string(fileName)}) {
      fs::path path = fs::path(folder) / candidate;
      if (fs::is_regular_file(path, error)) return path.string();
    }
  }
  return std::string();
}

ResolvedConnection ResolveConnection(const CString& connect) {
  SourceConnectionSpec spec = RecogniseConnection(connect);
  ResolvedConnection resolved;
  switch (spec.kind) {
    case ConnectionKind::PassThrough: resolved.driverString = connect; return resolved;
    case ConnectionKind::Access: {
      std::string driver = FindOdbcDriverLibrary("MDBTools", "libmdbodbc.so");
      if (driver.empty()) ThrowMissingDriver("MDBTools (Access)");
      std::error_code error;
      if (!std::filesystem::is_regular_file(spec.source, error)) {
        CString message;
        message.Format("the Access database \"%s\" does not exist", spec.source.c_str());
        AfxThrowDBExceptionText(AFX_SQL_ERROR_SOURCE_FILE, message, "HY000");
      }
      resolved.driverString.Format("DRIVER=%s;DBQ=%s;", driver.c_str(), QuotedConnectionValue(spec.source).c_str());
      return resolved;
    }
    default: break;
  }
  std::string driver = FindOdbcDriverLibrary("SQLite3", "libsqlite3odbc.so");
  if (driver.empty()) ThrowMissingDriver("SQLite3");
  if (Opener() == nullptr)
    AfxThrowDBExceptionText(SQL_ERROR, "no reader of file sources is loaded (the staging library)", "IM002");
  auto staged = Opener()(spec);
  // StepAPI: the driver steps a forward-only statement as its rows are
  // fetched instead of reading the whole result when it executes.
  resolved.driverString.Format("DRIVER=%s;Database=%s;StepAPI=1;", driver.c_str(),
                               QuotedConnectionValue(staged->SqlitePath()).c_str());
  resolved.staged = staged;
  return resolved;
}

void SetStagedSourceOpener(StagedSourceOpener opener) { Opener() = opener; }
