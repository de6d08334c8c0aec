// The table engine: a small, read-only engine over Paradox tables (.db, their
// memo files .mb) with the operations a table reader needs -- start and end,
// databases (a folder) and cursors (an open table), field descriptors,
// navigation with begin/end codes, records, field values with a blank flag,
// BCD, dates and times, memo blobs and error texts. Every operation answers
// a Result, 0 on success; the details of the last failure stay readable
// through GetErrorInfo. One thread uses the engine.
#pragma once

#include <cstdint>

namespace dvparadox {

using Result = std::uint16_t;

// Results. 0, the begin/end codes and the no-memory code are the ones
// callers test for; the others say what failed.
enum : Result {
  kOk = 0,
  kErrBeginOfTable = 0x2201,     // a move went before the first record
  kErrEndOfTable = 0x2202,       // a move went past the last record
  kErrNoCurrentRecord = 0x2203,  // the cursor stands before the first or after the last record
  kErrNoMemory = 0x2501,
  kErrInvalidHandle = 0x2601,
  kErrInvalidParameter = 0x2602,
  kErrInvalidFieldNumber = 0x2603,
  kErrBlobNotOpened = 0x2604,
  kErrNotInitialized = 0x2605,
  kErrNoSuchTable = 0x2701,
  kErrNoSuchDirectory = 0x2702,
  kErrMemoFileMissing = 0x2703,
  kErrReadFailure = 0x2801,
  kErrCorruptTable = 0x2802,
  kErrCorruptMemo = 0x2803,
  kErrNotSupported = 0x2901,
};

// Logical field types: the form in which GetField hands a value over.
enum FieldType : std::uint16_t {
  kFldString = 1,      // zero-terminated text, field length + 1 bytes
  kFldDate = 2,        // int32: days since 1 January of year 1 (that day is 1)
  kFldBlob = 3,        // read through OpenBlob / GetBlob only
  kFldBool = 4,        // int16: 0 or 1
  kFldInt16 = 5,       // int16
  kFldInt32 = 6,       // int32
  kFldFloat = 7,       // double
  kFldBcd = 8,         // BcdValue
  kFldBytes = 9,       // the field's bytes, field length bytes
  kFldTime = 10,       // uint32: milliseconds since midnight
  kFldTimestamp = 11,  // double: milliseconds since the start of day 1 of kFldDate
  kFldUInt16 = 12,
  kFldUInt32 = 13,
};

enum FieldSubtype : std::uint16_t {
  kSubNone = 0,
  kSubMoney = 21,           // a float that holds an amount of money
  kSubMemo = 22,            // a text blob
  kSubBinary = 23,
  kSubFormattedMemo = 24,
  kSubOleObject = 25,
  kSubGraphic = 26,
  kSubAutoIncrement = 29,   // an int32 the table numbers itself
};

enum class OpenMode : std::uint16_t { kReadWrite = 0, kReadOnly = 1 };
enum class ShareMode : std::uint16_t { kShared = 0, kExclusive = 1 };

constexpr int kMaxNameLength = 31;      // field and table names, with the terminating zero
constexpr int kMaxPathLength = 261;     // paths, with the terminating zero
constexpr int kMaxMessageLength = 256;  // error texts and context strings, with the terminating zero

struct FieldDesc {
  std::uint16_t number;     // 1-based
  char name[kMaxNameLength];
  std::uint16_t type;       // FieldType
  std::uint16_t subtype;    // FieldSubtype
  std::uint16_t precision;  // text and bytes: length; BCD: digits
  std::uint16_t decimals;   // BCD: digits after the point
  std::uint16_t offset;     // where the field starts in a record buffer
  std::uint16_t length;     // its bytes in a record buffer
};

struct CursorProps {
  char tableName[kMaxPathLength];  // the table's file name as it is on disk
  std::uint16_t fieldCount;
  std::uint16_t recordSize;        // bytes of a record buffer
  char driver[kMaxNameLength];     // "PARADOX"
};

// A BCD value as the decimal text of its digits ("-123.45"), never longer
// than 32 characters.
struct BcdValue {
  std::uint8_t precision;
  std::uint8_t decimals;
  char text[34];
};

enum class DateOrder : std::uint16_t { kMonthDayYear = 0, kDayMonthYear = 1, kYearMonthDay = 2 };

struct DateFormat {
  DateOrder order;
  char separator[4];
  bool fourDigitYear;
  bool monthLeadingZero;
  bool dayLeadingZero;
};

struct TimeFormat {
  char separator;
  bool twelveHour;
  char morning[6];
  char afternoon[6];
  bool showSeconds;
  bool showMilliseconds;
};

struct ErrorInfo {
  Result code;                              // 0 when the last operation succeeded
  char text[kMaxMessageLength];             // the text of the code
  char context[4][kMaxMessageLength];       // what failed: file, field, value; empty when unused
};

struct EngineDatabase;
struct EngineCursor;
using DatabaseHandle = EngineDatabase*;
using CursorHandle = EngineCursor*;

// Starts the engine (interface version 300 and later). A second start is
// refused until EngineExit.
Result EngineInit(std::uint16_t interfaceVersion);
// Ends the engine; databases and cursors still open are closed.
Result EngineExit();

// Opens the standard database (name and type empty or null): a folder of
// tables, set with SetDirectory; until then the process's current folder.
// The engine only reads, whatever the open and share modes.
Result OpenDatabase(const char* name, const char* type, OpenMode openMode, ShareMode shareMode, const char* password,
                    DatabaseHandle* database);
// Closes the database and its open cursors; *database becomes null.
Result CloseDatabase(DatabaseHandle* database);
// The folder whose tables the database opens; it must exist.
Result SetDirectory(DatabaseHandle database, const char* folder);
// The folder for the engine's private files; it must exist.
Result SetPrivateDirectory(const char* folder);

// Opens the table tableName of the database's folder with driver "PARADOX"
// (any other driver is not supported). The name is matched without regard
// to case, with ".db" added when it has no extension. No index is used
// (indexName must be empty or null). The cursor stands before the first
// record.
Result OpenTable(DatabaseHandle database, const char* tableName, const char* driver, const char* indexName,
                 OpenMode openMode, ShareMode shareMode, CursorHandle* cursor);
Result GetCursorProps(CursorHandle cursor, CursorProps* props);
// Fills one descriptor per field (props.fieldCount entries).
Result GetFieldDescs(CursorHandle cursor, FieldDesc* descs);
// Closes the cursor and frees its open blobs; *cursor becomes null.
Result CloseCursor(CursorHandle* cursor);

// Puts the cursor before the first record.
Result SetToBegin(CursorHandle cursor);
// Moves to the next record and copies it into record (when not null). Past
// the last record: kErrEndOfTable, the cursor after the last record.
Result GetNextRecord(CursorHandle cursor, std::uint8_t* record);
// Moves to the previous record and copies it (when not null). Before the
// first: kErrBeginOfTable, the cursor before the first record.
Result GetPriorRecord(CursorHandle cursor, std::uint8_t* record);
// Copies the current record into record (recordSize bytes).
Result GetRecord(CursorHandle cursor, std::uint8_t* record);
Result GetRecordCount(CursorHandle cursor, std::uint32_t* count);

// The value of field fieldNumber (1-based) of a record buffer in its logical
// type (see FieldType); *blank tells that the field holds no value, and the
// value is then zero (empty text). dest may be null to ask for the blank
// flag only.
Result GetField(CursorHandle cursor, std::uint16_t fieldNumber, const std::uint8_t* record, void* dest, bool* blank);

// Blobs of a record buffer: OpenBlob reads the blob of the field (from the
// record or the table's memo file), GetBlobSize and GetBlob read it, and
// FreeBlob lets it go. A move of the cursor lets every open blob go.
Result OpenBlob(CursorHandle cursor, const std::uint8_t* record, std::uint16_t fieldNumber, OpenMode openMode);
Result GetBlobSize(CursorHandle cursor, const std::uint8_t* record, std::uint16_t fieldNumber, std::uint32_t* size);
Result GetBlob(CursorHandle cursor, const std::uint8_t* record, std::uint16_t fieldNumber, std::uint32_t offset,
               std::uint32_t length, std::uint8_t* dest, std::uint32_t* read);
Result FreeBlob(CursorHandle cursor, const std::uint8_t* record, std::uint16_t fieldNumber);

Result BcdToDouble(const BcdValue* bcd, double* value);
Result DateDecode(std::int32_t date, std::uint16_t* month, std::uint16_t* day, std::int16_t* year);
Result TimeDecode(std::uint32_t time, std::uint16_t* hour, std::uint16_t* minute, std::uint16_t* millisecond);
Result GetDateFormat(DateFormat* format);
Result GetTimeFormat(TimeFormat* format);

// The details of the last failed operation (code 0 after a success).
Result GetErrorInfo(ErrorInfo* info);
// The engine's text of a result code (kMaxMessageLength bytes).
Result GetErrorText(Result code, char* text);

}  // namespace dvparadox
