// Cursors: opening a Paradox table through pxlib, its descriptors, and
// moving from record to record.
#include <algorithm>
#include <cstring>

#include "engine_state.h"
#include "table_files.h"
#include "table_header_check.h"

namespace dvparadox {
namespace {

constexpr const char kParadoxDriver[] = "PARADOX";
constexpr std::uint16_t kBcdPrecision = 32;  // digits a Paradox BCD field holds

// pxlib reports through this handler; the message joins the next failure.
void RememberLibraryMessage(pxdoc_t*, int, const char* message, void*) {
  Engine().lastLibraryMessage = message ? message : "";
}

struct TypeMapping {
  char paradoxType;
  std::uint16_t type;
  std::uint16_t subtype;
};

constexpr TypeMapping kTypeMappings[] = {
    {pxfAlpha, kFldString, kSubNone},
    {pxfDate, kFldDate, kSubNone},
    {pxfShort, kFldInt16, kSubNone},
    {pxfLong, kFldInt32, kSubNone},
    {pxfAutoInc, kFldInt32, kSubAutoIncrement},
    {pxfCurrency, kFldFloat, kSubMoney},
    {pxfNumber, kFldFloat, kSubNone},
    {pxfLogical, kFldBool, kSubNone},
    {pxfMemoBLOb, kFldBlob, kSubMemo},
    {pxfBLOb, kFldBlob, kSubBinary},
    {pxfFmtMemoBLOb, kFldBlob, kSubFormattedMemo},
    {pxfOLE, kFldBlob, kSubOleObject},
    {pxfGraphic, kFldBlob, kSubGraphic},
    {pxfTime, kFldTime, kSubNone},
    {pxfTimestamp, kFldTimestamp, kSubNone},
    {pxfBCD, kFldBcd, kSubNone},
    {pxfBytes, kFldBytes, kSubNone},
};

const TypeMapping* FindMapping(char paradoxType) {
  for (const TypeMapping& m : kTypeMappings)
    if (m.paradoxType == paradoxType) return &m;
  return nullptr;
}

bool IsOpenDatabase(DatabaseHandle database) {
  const auto& dbs = Engine().databases;
  return std::find(dbs.begin(), dbs.end(), database) != dbs.end();
}

// Reads the field list of the open document into the cursor.
Result DescribeFields(EngineCursor& cursor) {
  const int count = PX_get_num_fields(cursor.doc);
  pxfield_t* fields = PX_get_fields(cursor.doc);
  if (count < 0 || (count > 0 && !fields)) return Fail(kErrCorruptTable, cursor.tablePath, "no field list");
  int offset = 0;
  for (int i = 0; i < count; ++i) {
    const pxfield_t& f = fields[i];
    const TypeMapping* mapping = FindMapping(f.px_ftype);
    if (!mapping)
      return Fail(kErrNotSupported, cursor.tablePath,
                  "field " + std::to_string(i + 1) + " of type " + std::to_string(static_cast<int>(f.px_ftype)));
    FieldLayout layout{};
    layout.paradoxType = f.px_ftype;
    FieldDesc& d = layout.desc;
    d.number = static_cast<std::uint16_t>(i + 1);
    std::snprintf(d.name, sizeof d.name, "%s", f.px_fname ? f.px_fname : "");
    d.type = mapping->type;
    d.subtype = mapping->subtype;
    d.precision = static_cast<std::uint16_t>(mapping->type == kFldBcd ? kBcdPrecision : f.px_flen);
    d.decimals = static_cast<std::uint16_t>(mapping->type == kFldBcd ? f.px_fdc : 0);
    d.offset = static_cast<std::uint16_t>(offset);
    d.length = static_cast<std::uint16_t>(f.px_flen);
    offset += f.px_flen;
    cursor.fields.push_back(layout);
  }
  if (offset != cursor.recordSize)
    return Fail(kErrCorruptTable, cursor.tablePath,
                "fields of " + std::to_string(offset) + " bytes in records of " + std::to_string(cursor.recordSize));
  return kOk;
}

}  // namespace

void DestroyCursor(EngineCursor* cursor) {
  if (cursor->doc) {
    if (cursor->docOpen) PX_close(cursor->doc);
    PX_delete(cursor->doc);
  }
  if (cursor->file) std::fclose(cursor->file);
  delete cursor;
}

Result CheckCursor(CursorHandle cursor) {
  if (Result r = CheckRunning()) return r;
  for (EngineDatabase* db : Engine().databases)
    if (std::find(db->cursors.begin(), db->cursors.end(), cursor) != db->cursors.end()) return kOk;
  return Fail(kErrInvalidHandle, "cursor");
}

Result OpenTable(DatabaseHandle database, const char* tableName, const char* driver, const char* indexName,
                 OpenMode, ShareMode, CursorHandle* cursor) {
  if (Result r = CheckRunning()) return r;
  if (!cursor) return Fail(kErrInvalidParameter, "no place for the cursor handle");
  *cursor = nullptr;
  if (!IsOpenDatabase(database)) return Fail(kErrInvalidHandle, "database");
  if (!tableName || !*tableName || std::strchr(tableName, '/'))
    return Fail(kErrInvalidParameter, std::string("table name \"") + (tableName ? tableName : "") + "\"");
  if (!driver || std::strcmp(driver, kParadoxDriver) != 0)
    return Fail(kErrNotSupported, std::string("table type ") + (driver ? driver : "(none)"), tableName);
  if (indexName && *indexName) return Fail(kErrNotSupported, std::string("index ") + indexName, tableName);

  const std::string fileName = TableFileName(tableName);
  const std::string path = FindFileIgnoringCase(database->folder, fileName);
  if (path.empty())
    return Fail(kErrNoSuchTable, fileName, database->folder.empty() ? std::string(".") : database->folder);

  auto c = std::unique_ptr<EngineCursor, void (*)(EngineCursor*)>(new (std::nothrow) EngineCursor, DestroyCursor);
  if (!c) return Fail(kErrNoMemory);
  c->database = database;
  c->tablePath = path;
  c->fileName = path.substr(path.find_last_of('/') + 1);
  c->file = std::fopen(path.c_str(), "rb");
  if (!c->file) return Fail(kErrReadFailure, path, std::strerror(errno));
  if (const std::string problem = TableHeaderProblem(c->file); !problem.empty())
    return Fail(kErrCorruptTable, path, problem);
  c->doc = PX_new2(RememberLibraryMessage, nullptr, nullptr, nullptr);
  if (!c->doc) return Fail(kErrNoMemory);
  if (PX_open_fp(c->doc, c->file) < 0) return Fail(kErrCorruptTable, path);
  c->docOpen = true;
  if (c->doc->px_head && c->doc->px_head->px_encryption != 0) return Fail(kErrNotSupported, path, "encrypted table");
  c->recordSize = PX_get_recordsize(c->doc);
  c->recordCount = PX_get_num_records(c->doc);
  if (c->recordSize <= 0 || c->recordCount < 0)
    return Fail(kErrCorruptTable, path, "record size " + std::to_string(c->recordSize));
  if (Result r = DescribeFields(*c)) return r;
  const std::string memoPath = FindFileIgnoringCase(database->folder, MemoFileName(fileName));
  c->memoPath = memoPath;
  database->cursors.push_back(c.get());
  *cursor = c.release();
  return Succeed();
}

Result GetCursorProps(CursorHandle cursor, CursorProps* props) {
  if (Result r = CheckCursor(cursor)) return r;
  if (!props) return Fail(kErrInvalidParameter, "no place for the cursor properties");
  *props = CursorProps{};
  std::snprintf(props->tableName, sizeof props->tableName, "%s", cursor->fileName.c_str());
  props->fieldCount = static_cast<std::uint16_t>(cursor->fields.size());
  props->recordSize = static_cast<std::uint16_t>(cursor->recordSize);
  std::snprintf(props->driver, sizeof props->driver, "%s", kParadoxDriver);
  return Succeed();
}

Result GetFieldDescs(CursorHandle cursor, FieldDesc* descs) {
  if (Result r = CheckCursor(cursor)) return r;
  if (!descs) return Fail(kErrInvalidParameter, "no place for the field descriptors");
  for (std::size_t i = 0; i < cursor->fields.size(); ++i) descs[i] = cursor->fields[i].desc;
  return Succeed();
}

Result CloseCursor(CursorHandle* cursor) {
  if (!cursor) return Fail(kErrInvalidParameter, "no cursor handle");
  if (Result r = CheckCursor(*cursor)) return r;
  auto& list = (*cursor)->database->cursors;
  list.erase(std::find(list.begin(), list.end(), *cursor));
  DestroyCursor(*cursor);
  *cursor = nullptr;
  return Succeed();
}

Result SetToBegin(CursorHandle cursor) {
  if (Result r = CheckCursor(cursor)) return r;
  cursor->position = -1;
  cursor->openBlobs.clear();
  return Succeed();
}

namespace {

Result CopyCurrentRecord(EngineCursor& cursor, std::uint8_t* record) {
  if (!record) return kOk;
  if (PX_get_record(cursor.doc, static_cast<int>(cursor.position), reinterpret_cast<char*>(record)) == nullptr)
    return Fail(kErrReadFailure, cursor.tablePath, "record " + std::to_string(cursor.position + 1));
  return kOk;
}

}  // namespace

Result GetNextRecord(CursorHandle cursor, std::uint8_t* record) {
  if (Result r = CheckCursor(cursor)) return r;
  cursor->openBlobs.clear();
  if (cursor->position + 1 >= cursor->recordCount) {
    cursor->position = cursor->recordCount;
    return Fail(kErrEndOfTable, cursor->tablePath);
  }
  ++cursor->position;
  if (Result r = CopyCurrentRecord(*cursor, record)) return r;
  return Succeed();
}

Result GetPriorRecord(CursorHandle cursor, std::uint8_t* record) {
  if (Result r = CheckCursor(cursor)) return r;
  cursor->openBlobs.clear();
  if (cursor->position <= 0) {
    cursor->position = -1;
    return Fail(kErrBeginOfTable, cursor->tablePath);
  }
  cursor->position = std::min(cursor->position, cursor->recordCount) - 1;
  if (Result r = CopyCurrentRecord(*cursor, record)) return r;
  return Succeed();
}

Result GetRecord(CursorHandle cursor, std::uint8_t* record) {
  if (Result r = CheckCursor(cursor)) return r;
  if (!record) return Fail(kErrInvalidParameter, "no record buffer");
  if (cursor->position < 0 || cursor->position >= cursor->recordCount)
    return Fail(kErrNoCurrentRecord, cursor->tablePath);
  if (Result r = CopyCurrentRecord(*cursor, record)) return r;
  return Succeed();
}

Result GetRecordCount(CursorHandle cursor, std::uint32_t* count) {
  if (Result r = CheckCursor(cursor)) return r;
  if (!count) return Fail(kErrInvalidParameter, "no place for the count");
  *count = static_cast<std::uint32_t>(cursor->recordCount);
  return Succeed();
}

}  // namespace dvparadox
