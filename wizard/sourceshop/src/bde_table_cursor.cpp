// The table reader: opening, closing and moving, and the engine's start.
#include "bde_table_cursor.h"

#include <cstring>
#include <vector>

#include "paradox_engine.h"

namespace {

constexpr std::uint16_t kEngineInterfaceVersion = 300;
bool g_engineStarted = false;

void CopyCut(char* dest, std::size_t size, LPCTSTR text) {
  std::size_t n = text ? std::strlen(text) : 0;
  if (n > size - 1) n = size - 1;
  if (n) std::memcpy(dest, text, n);
  dest[n] = '\0';
}

const char* DriverOf(int tableType) {
  switch (tableType) {
    case CBdeTableCursor::kAscii: return "ASCIIDRV";
    case CBdeTableCursor::kDBase: return "DBASE";
    default: return "PARADOX";
  }
}

}  // namespace

CBdeTableCursor::CBdeTableCursor()
    : m_hDatabase(nullptr),
      m_hCursor(nullptr),
      m_pRecordBuffer(nullptr),
      m_wEditMode(0),
      m_nTableType(kClosed),
      m_nRecordBufferSize(0) {
  m_szTableName[0] = '\0';
  m_szDatabasePath[0] = '\0';
  m_szPrivateFolder[0] = '\0';
}

CBdeTableCursor::~CBdeTableCursor() {
  if (m_hDatabase) Close();
  delete[] m_pRecordBuffer;
}

BOOL CBdeTableCursor::InitEngine() {
  if (g_engineStarted) return TRUE;
  if (ShowEngineError(dvparadox::EngineInit(kEngineInterfaceVersion), "Failed to initialize Borland Database Engine."))
    return FALSE;
  g_engineStarted = true;
  return TRUE;
}

void CBdeTableCursor::ExitEngine() {
  if (g_engineStarted) dvparadox::EngineExit();
  g_engineStarted = false;
}

BOOL CBdeTableCursor::IsEngineStarted() { return g_engineStarted; }

unsigned short CBdeTableCursor::ShowEngineError(unsigned short result, LPCTSTR context) {
  if (result == 0) return 0;
  CString text;
  if (context)
    text.Format("%s\n\nBorland Database Engine returned the following error:\n%s", context,
                static_cast<LPCTSTR>(GetBdeEngineErrorText(result)));
  else
    text.Format("Borland Database Engine Error:\n%s", static_cast<LPCTSTR>(GetBdeEngineErrorText(result)));
  AfxMessageBox(text, MB_ICONEXCLAMATION);
  return result;
}

void CBdeTableCursor::Throw(unsigned short engineError, int appError, const CString& message) const {
  throw new CBdeException(engineError, appError, m_szTableName, m_szDatabasePath, message);
}

void CBdeTableCursor::ThrowOnFailure(unsigned short result, const CString& message) const {
  if (result != dvparadox::kOk) Throw(result, kBdeAppNone, message);
}

void CBdeTableCursor::CheckEngine(LPCTSTR context) const {
  if (!g_engineStarted) Throw(0, kBdeAppEngineNotStarted, CString(context));
}

void CBdeTableCursor::CheckOpen(LPCTSTR context) const {
  if (!m_hDatabase || !m_hCursor) Throw(0, kBdeAppTableClosed, CString(context));
}

void CBdeTableCursor::CheckNotEditing(LPCTSTR context) const {
  if (m_wEditMode != 0) Throw(0, kBdeAppInEditMode, CString(context));
}

void CBdeTableCursor::Open(LPCTSTR databasePath, LPCTSTR tableName, int tableType, BOOL readOnly, BOOL exclusive,
                           LPCTSTR privateFolder) {
  CheckEngine(nullptr);
  if (m_hDatabase || m_hCursor) Throw(0, kBdeAppTableOpen, CString());
  CopyCut(m_szTableName, sizeof m_szTableName, tableName);
  CopyCut(m_szDatabasePath, sizeof m_szDatabasePath, databasePath);
  CopyCut(m_szPrivateFolder, sizeof m_szPrivateFolder, privateFolder);
  CString message;
  message.Format("Failed to open database %s.", m_szDatabasePath);
  ThrowOnFailure(dvparadox::OpenDatabase(nullptr, nullptr,
                                         readOnly ? dvparadox::OpenMode::kReadOnly : dvparadox::OpenMode::kReadWrite,
                                         exclusive ? dvparadox::ShareMode::kExclusive : dvparadox::ShareMode::kShared,
                                         nullptr, &m_hDatabase),
                 message);
  OpenTable(tableType, readOnly, exclusive, m_szPrivateFolder);
}

void CBdeTableCursor::OpenTable(int tableType, BOOL readOnly, BOOL exclusive, LPCTSTR privateFolder) {
  m_nTableType = tableType;
  CString message;
  message.Format("Failed to open database %s.", m_szDatabasePath);
  ThrowOnFailure(dvparadox::SetDirectory(m_hDatabase, m_szDatabasePath), message);
  if (privateFolder && *privateFolder) {
    message.Format("Failed to set private directory %s.", privateFolder);
    ThrowOnFailure(dvparadox::SetPrivateDirectory(privateFolder), message);
  }
  message.Format("Failed to open table %s in database %s.", m_szTableName, m_szDatabasePath);
  ThrowOnFailure(dvparadox::OpenTable(m_hDatabase, m_szTableName, DriverOf(tableType), nullptr,
                                      readOnly ? dvparadox::OpenMode::kReadOnly : dvparadox::OpenMode::kReadWrite,
                                      exclusive ? dvparadox::ShareMode::kExclusive : dvparadox::ShareMode::kShared,
                                      &m_hCursor),
                 message);
  dvparadox::CursorProps props{};
  message.Format("Failed to get database cursor properties in table %s.", m_szTableName);
  ThrowOnFailure(dvparadox::GetCursorProps(m_hCursor, &props), message);
  if (props.fieldCount > 0) First();
}

BOOL CBdeTableCursor::Close() {
  if (!m_hDatabase) return TRUE;
  if (g_engineStarted) {
    FreeRecordBuffer();
  } else {
    // The engine's end closed table and database already.
    m_hCursor = nullptr;
    m_hDatabase = nullptr;
  }
  CString context;
  if (m_hCursor) {
    context.Format("Failed to close table %s", m_szTableName);
    if (ShowEngineError(dvparadox::CloseCursor(&m_hCursor), context)) return FALSE;
  }
  context.Format("Failed to close database %s", m_szDatabasePath);
  if (m_hDatabase && ShowEngineError(dvparadox::CloseDatabase(&m_hDatabase), context)) return FALSE;
  m_nTableType = kClosed;
  m_hCursor = nullptr;
  m_hDatabase = nullptr;
  m_szTableName[0] = '\0';
  m_szDatabasePath[0] = '\0';
  return TRUE;
}

void CBdeTableCursor::First() {
  CheckOpen(nullptr);
  CheckNotEditing(nullptr);
  dvparadox::Result result = dvparadox::SetToBegin(m_hCursor);
  if (result != dvparadox::kOk && result != dvparadox::kErrBeginOfTable) {
    CString message;
    message.Format("Failed to move to the beginning of table %s.", m_szTableName);
    Throw(result, kBdeAppNone, message);
  }
  dvparadox::GetNextRecord(m_hCursor, nullptr);
}

void CBdeTableCursor::Next() {
  CheckOpen(nullptr);
  CheckNotEditing(nullptr);
  dvparadox::Result result = dvparadox::GetNextRecord(m_hCursor, nullptr);
  if (result == dvparadox::kErrEndOfTable) {
    dvparadox::GetPriorRecord(m_hCursor, nullptr);
    return;
  }
  CString message;
  message.Format("Failed to move to the next record in table %s.", m_szTableName);
  ThrowOnFailure(result, message);
}

int CBdeTableCursor::GetRecordCount() {
  CheckOpen(nullptr);
  std::uint32_t count = 0;
  CString message;
  message.Format("Failed to determine the number of records in table %s.", m_szTableName);
  ThrowOnFailure(dvparadox::GetRecordCount(m_hCursor, &count), message);
  return static_cast<int>(count);
}

int CBdeTableCursor::GetFieldCount() {
  CheckOpen(nullptr);
  dvparadox::CursorProps props{};
  CString message;
  message.Format("Failed to cursor properties in table %s.", m_szTableName);
  ThrowOnFailure(dvparadox::GetCursorProps(m_hCursor, &props), message);
  return props.fieldCount;
}

CString CBdeTableCursor::GetFieldName(int n) {
  CheckOpen(nullptr);
  dvparadox::CursorProps props{};
  CString message;
  message.Format("Failed to cursor properties in table %s.", m_szTableName);
  ThrowOnFailure(dvparadox::GetCursorProps(m_hCursor, &props), message);
  if (n < 1 || n > props.fieldCount) {
    message.Format("Invalid field index %d.  Valid numbers are between 1 and %d.", n, props.fieldCount);
    Throw(0, kBdeAppBadFieldIndex, message);
  }
  std::vector<dvparadox::FieldDesc> descs(props.fieldCount);
  ThrowOnFailure(dvparadox::GetFieldDescs(m_hCursor, descs.data()), "Failed to get field information.");
  CString name;
  name.Format("%s", descs[static_cast<std::size_t>(n - 1)].name);
  return name;
}

void CBdeTableCursor::FreeRecordBuffer() {
  CheckEngine(nullptr);
  delete[] m_pRecordBuffer;
  m_pRecordBuffer = nullptr;
  m_nRecordBufferSize = 0;
  m_wEditMode = 0;
}
