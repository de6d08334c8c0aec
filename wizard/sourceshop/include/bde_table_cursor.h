// CBdeTableCursor: reads one table of a database folder through the table
// engine, record by record, fields by number as text, integer, double or
// logical value. Every failure of Open, the moves and the reads is thrown
// as a CBdeException (by pointer); InitEngine and Close report with a
// message box and answer FALSE instead.
#pragma once

#include "bde_exception.h"
#include "fw_types.h"

namespace dvparadox {
struct EngineDatabase;
struct EngineCursor;
}  // namespace dvparadox

class CBdeTableCursor {
 public:
  enum TableType : int { kClosed = -1, kParadox = 0, kDBase = 1, kAscii = 2 };

  CBdeTableCursor();
  // Closes the table when open (reporting, never throwing).
  ~CBdeTableCursor();
  CBdeTableCursor(const CBdeTableCursor&) = delete;
  CBdeTableCursor& operator=(const CBdeTableCursor&) = delete;

  // Starts the engine once per process; a failure shows "Failed to
  // initialize Borland Database Engine." and answers FALSE.
  static BOOL InitEngine();
  // Ends the engine.
  static void ExitEngine();
  static BOOL IsEngineStarted();

  // Opens table tableName of the folder databasePath (names cut to 30 and
  // paths to 254 characters); a reader that is open is refused (error 9).
  // The cursor stands on the first record when the table has fields.
  void Open(LPCTSTR databasePath, LPCTSTR tableName, int tableType = kParadox, BOOL readOnly = TRUE,
            BOOL exclusive = FALSE, LPCTSTR privateFolder = nullptr);
  // Closes table and database; FALSE (after a message box) when the engine
  // refuses. Nothing to do when closed.
  BOOL Close();

  // To the first record.
  void First();
  // To the next record; on the last record the cursor stays there.
  void Next();
  int GetRecordCount();
  int GetFieldCount();
  // The name of field n (1-based).
  CString GetFieldName(int n);

  // The value of field n of the current record; *blank tells that the field
  // is empty (the value is then zero, or empty text).
  CString GetFieldAsString(int n, BOOL* blank);
  int GetFieldAsInt(int n, BOOL* blank);
  double GetFieldAsDouble(int n, BOOL* blank);
  BOOL GetFieldAsBool(int n, BOOL* blank);

  void FreeRecordBuffer();
  void SetEditMode(WORD mode) { m_wEditMode = mode; }

  LPCTSTR GetTableName() const { return m_szTableName; }
  LPCTSTR GetDatabasePath() const { return m_szDatabasePath; }
  int GetTableType() const { return m_nTableType; }

  // Shows the engine's text of result (with the context when given) in a
  // message box; nothing for 0. Answers result.
  static unsigned short ShowEngineError(unsigned short result, LPCTSTR context);

 private:
  void OpenTable(int tableType, BOOL readOnly, BOOL exclusive, LPCTSTR privateFolder);
  void CheckEngine(LPCTSTR context) const;
  void CheckOpen(LPCTSTR context) const;
  void CheckNotEditing(LPCTSTR context) const;
  [[noreturn]] void Throw(unsigned short engineError, int appError, const CString& message) const;
  void ThrowOnFailure(unsigned short result, const CString& message) const;
  // Reads the current record for a read of field n; answers the field's
  // type and subtype and decimals, with the blank flag.
  struct FieldInfo;
  FieldInfo PrepareFieldRead(int n, LPCTSTR context);
  CString FormatDate(long date) const;
  CString FormatTime(unsigned long time) const;

  dvparadox::EngineDatabase* m_hDatabase;
  dvparadox::EngineCursor* m_hCursor;
  char m_szTableName[31];
  char m_szDatabasePath[255];
  char m_szPrivateFolder[255];
  unsigned char* m_pRecordBuffer;
  WORD m_wEditMode;  // 0 = browse; navigation refuses any other value
  int m_nTableType;
  int m_nRecordBufferSize;
};
