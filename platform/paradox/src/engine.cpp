// Engine start and end, databases, and the record of the last error.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "engine_state.h"

namespace dvparadox {
namespace {

constexpr std::uint16_t kLowestInterfaceVersion = 300;

void CopyText(char* dest, std::size_t size, const std::string& text) {
  std::size_t n = std::min(size - 1, text.size());
  std::memcpy(dest, text.data(), n);
  dest[n] = '\0';
}

bool IsFolder(const char* path) {
  struct stat st;
  return path && *path && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

EngineState& Engine() {
  static EngineState state;
  return state;
}

const char* TextOfResult(Result code) {
  switch (code) {
    case kOk: return "Operation succeeded.";
    case kErrBeginOfTable: return "At beginning of table.";
    case kErrEndOfTable: return "At end of table.";
    case kErrNoCurrentRecord: return "No current record.";
    case kErrNoMemory: return "Insufficient memory for this operation.";
    case kErrInvalidHandle: return "Invalid handle to the function.";
    case kErrInvalidParameter: return "Invalid parameter.";
    case kErrInvalidFieldNumber: return "Invalid field number.";
    case kErrBlobNotOpened: return "Blob not opened.";
    case kErrNotInitialized: return "Engine not initialized.";
    case kErrNoSuchTable: return "Table does not exist.";
    case kErrNoSuchDirectory: return "Directory does not exist.";
    case kErrMemoFileMissing: return "Memo file missing.";
    case kErrReadFailure: return "Read failure.";
    case kErrCorruptTable: return "Corrupt table file.";
    case kErrCorruptMemo: return "Corrupt memo file.";
    case kErrNotSupported: return "Not supported.";
    default: return "Unknown error.";
  }
}

Result Fail(Result code, const std::string& context1, const std::string& context2, const std::string& context3) {
  ErrorInfo& e = Engine().lastError;
  e = ErrorInfo{};
  e.code = code;
  CopyText(e.text, sizeof e.text, TextOfResult(code));
  CopyText(e.context[0], sizeof e.context[0], context1);
  CopyText(e.context[1], sizeof e.context[1], context2);
  CopyText(e.context[2], sizeof e.context[2], context3);
  CopyText(e.context[3], sizeof e.context[3], Engine().lastLibraryMessage);
  Engine().lastLibraryMessage.clear();
  return code;
}

Result Succeed() {
  Engine().lastError = ErrorInfo{};
  return kOk;
}

Result CheckRunning() {
  if (Engine().running) return kOk;
  return Fail(kErrNotInitialized);
}

Result EngineInit(std::uint16_t interfaceVersion) {
  EngineState& engine = Engine();
  if (engine.running) return Fail(kErrInvalidParameter, "the engine is already running");
  if (interfaceVersion < kLowestInterfaceVersion)
    return Fail(kErrNotSupported, "interface version " + std::to_string(interfaceVersion));
  PX_boot();
  engine.running = true;
  return Succeed();
}

Result EngineExit() {
  EngineState& engine = Engine();
  if (Result r = CheckRunning()) return r;
  while (!engine.databases.empty()) {
    DatabaseHandle db = engine.databases.back();
    CloseDatabase(&db);
  }
  engine.privateFolder.clear();
  PX_shutdown();
  engine.running = false;
  return Succeed();
}

Result OpenDatabase(const char* name, const char* type, OpenMode, ShareMode, const char*, DatabaseHandle* database) {
  if (Result r = CheckRunning()) return r;
  if (!database) return Fail(kErrInvalidParameter, "no place for the database handle");
  *database = nullptr;
  if ((name && *name) || (type && *type))
    return Fail(kErrNotSupported, std::string("named database ") + (name ? name : "") + " of type " +
                                      (type ? type : ""));
  auto* db = new (std::nothrow) EngineDatabase;
  if (!db) return Fail(kErrNoMemory);
  Engine().databases.push_back(db);
  *database = db;
  return Succeed();
}

Result CloseDatabase(DatabaseHandle* database) {
  if (Result r = CheckRunning()) return r;
  EngineState& engine = Engine();
  auto it = database ? std::find(engine.databases.begin(), engine.databases.end(), *database)
                     : engine.databases.end();
  if (it == engine.databases.end()) return Fail(kErrInvalidHandle, "database");
  EngineDatabase* db = *it;
  for (EngineCursor* cursor : db->cursors) DestroyCursor(cursor);
  engine.databases.erase(it);
  delete db;
  *database = nullptr;
  return Succeed();
}

Result SetDirectory(DatabaseHandle database, const char* folder) {
  if (Result r = CheckRunning()) return r;
  EngineState& engine = Engine();
  if (std::find(engine.databases.begin(), engine.databases.end(), database) == engine.databases.end())
    return Fail(kErrInvalidHandle, "database");
  if (!IsFolder(folder)) return Fail(kErrNoSuchDirectory, folder ? folder : "");
  database->folder = folder;
  return Succeed();
}

Result SetPrivateDirectory(const char* folder) {
  if (Result r = CheckRunning()) return r;
  if (!IsFolder(folder)) return Fail(kErrNoSuchDirectory, folder ? folder : "");
  Engine().privateFolder = folder;
  return Succeed();
}

Result GetErrorInfo(ErrorInfo* info) {
  if (!info) return kErrInvalidParameter;
  *info = Engine().lastError;
  return kOk;
}

Result GetErrorText(Result code, char* text) {
  if (!text) return kErrInvalidParameter;
  CopyText(text, kMaxMessageLength, TextOfResult(code));
  return kOk;
}

}  // namespace dvparadox
