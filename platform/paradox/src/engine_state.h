// The engine's own state: whether it runs, the open databases and cursors,
// the last error, and the recording of failures. Internal to the library.
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <paradox.h>
}

#include "paradox_engine.h"

namespace dvparadox {

struct FieldLayout {
  FieldDesc desc;
  char paradoxType;  // the pxf* type of the table file
};

struct EngineCursor {
  EngineDatabase* database = nullptr;
  std::FILE* file = nullptr;    // the table file, read by pxlib
  pxdoc_t* doc = nullptr;
  bool docOpen = false;          // pxlib read the table's header
  std::string tablePath;
  std::string memoPath;         // empty when the table has no memo file
  std::string fileName;         // as on disk
  std::vector<FieldLayout> fields;
  int recordSize = 0;
  long recordCount = 0;
  long position = -1;           // -1 before the first record, recordCount after the last
  std::map<std::uint16_t, std::vector<std::uint8_t>> openBlobs;  // by field number
};

struct EngineDatabase {
  std::string folder;  // empty: the process's current folder
  std::vector<EngineCursor*> cursors;
};

struct EngineState {
  bool running = false;
  std::vector<EngineDatabase*> databases;
  std::string privateFolder;
  ErrorInfo lastError{};
  std::string lastLibraryMessage;  // the table library's last complaint
};

EngineState& Engine();

// Records the failure as the last error (code, its text, the contexts) and
// answers the code.
Result Fail(Result code, const std::string& context1 = std::string(), const std::string& context2 = std::string(),
            const std::string& context3 = std::string());
// Clears the last error and answers kOk.
Result Succeed();

// The text of a result code.
const char* TextOfResult(Result code);

// Checks shared by the operations; each records its failure.
Result CheckRunning();
Result CheckCursor(CursorHandle cursor);

// Closes a cursor's files and frees it (no error recording).
void DestroyCursor(EngineCursor* cursor);

}  // namespace dvparadox
