// Field values of a record buffer in their logical types, and memo blobs.
#include <cstring>

#include "engine_state.h"
#include "memo_reader.h"

namespace dvparadox {
namespace {

// Frees what pxlib allocated for a value.
struct LibraryText {
  pxdoc_t* doc;
  char* text = nullptr;
  ~LibraryText() {
    if (text) doc->free(doc, text);
  }
};

Result FindField(EngineCursor& cursor, std::uint16_t fieldNumber, const FieldLayout** layout) {
  if (fieldNumber < 1 || fieldNumber > cursor.fields.size())
    return Fail(kErrInvalidFieldNumber, cursor.tablePath,
                "field " + std::to_string(fieldNumber) + " of " + std::to_string(cursor.fields.size()));
  *layout = &cursor.fields[fieldNumber - 1];
  return kOk;
}

std::string FieldContext(const FieldLayout& f) { return std::string("field ") + f.desc.name; }

// Reads the value; answers 1 for a value, 0 for a blank field, -1 on failure.
int ReadValue(EngineCursor& cursor, const FieldLayout& f, const std::uint8_t* record, void* dest) {
  pxdoc_t* doc = cursor.doc;
  char* data = const_cast<char*>(reinterpret_cast<const char*>(record + f.desc.offset));
  const int len = f.desc.length;
  switch (f.desc.type) {
    case kFldString: {
      LibraryText text{doc};
      int got = PX_get_data_alpha(doc, data, len, &text.text);
      if (dest) {
        char* out = static_cast<char*>(dest);
        std::memset(out, 0, static_cast<std::size_t>(len) + 1);
        if (got > 0 && text.text) std::strncpy(out, text.text, static_cast<std::size_t>(len));
      }
      return got;
    }
    case kFldBytes: {
      LibraryText bytes{doc};
      int got = PX_get_data_bytes(doc, data, len, &bytes.text);
      if (dest) {
        std::memset(dest, 0, static_cast<std::size_t>(len));
        if (got > 0 && bytes.text) std::memcpy(dest, bytes.text, static_cast<std::size_t>(len));
      }
      return got;
    }
    case kFldInt16: {
      short value = 0;
      int got = PX_get_data_short(doc, data, len, &value);
      if (dest) *static_cast<std::int16_t*>(dest) = got > 0 ? value : 0;
      return got;
    }
    case kFldBool: {
      char value = 0;
      int got = PX_get_data_byte(doc, data, len, &value);
      if (dest) *static_cast<std::int16_t*>(dest) = got > 0 && value != 0 ? 1 : 0;
      return got;
    }
    case kFldInt32:
    case kFldDate:
    case kFldTime: {
      long value = 0;
      int got = PX_get_data_long(doc, data, len, &value);
      if (dest) *static_cast<std::int32_t*>(dest) = got > 0 ? static_cast<std::int32_t>(value) : 0;
      return got;
    }
    case kFldFloat:
    case kFldTimestamp: {
      double value = 0;
      int got = PX_get_data_double(doc, data, len, &value);
      if (dest) *static_cast<double*>(dest) = got > 0 ? value : 0.0;
      return got;
    }
    case kFldBcd: {
      LibraryText text{doc};
      int got = PX_get_data_bcd(doc, reinterpret_cast<unsigned char*>(data), f.desc.decimals, &text.text);
      if (dest) {
        BcdValue* bcd = static_cast<BcdValue*>(dest);
        *bcd = BcdValue{};
        bcd->precision = static_cast<std::uint8_t>(f.desc.precision);
        bcd->decimals = static_cast<std::uint8_t>(f.desc.decimals);
        std::snprintf(bcd->text, sizeof bcd->text, "%s", got > 0 && text.text ? text.text : "0");
      }
      return got;
    }
    case kFldBlob:
      return MemoFieldIsBlank(reinterpret_cast<const std::uint8_t*>(data), len) ? 0 : 1;
    default:
      return -1;
  }
}

}  // namespace

Result GetField(CursorHandle cursor, std::uint16_t fieldNumber, const std::uint8_t* record, void* dest, bool* blank) {
  if (Result r = CheckCursor(cursor)) return r;
  const FieldLayout* f = nullptr;
  if (Result r = FindField(*cursor, fieldNumber, &f)) return r;
  if (!record) return Fail(kErrInvalidParameter, "no record buffer");
  if (f->desc.type == kFldBlob && dest)
    return Fail(kErrInvalidParameter, cursor->tablePath, FieldContext(*f), "a blob is read with the blob operations");
  int got = ReadValue(*cursor, *f, record, dest);
  if (got < 0) return Fail(kErrCorruptTable, cursor->tablePath, FieldContext(*f));
  if (blank) *blank = got == 0;
  return Succeed();
}

Result OpenBlob(CursorHandle cursor, const std::uint8_t* record, std::uint16_t fieldNumber, OpenMode) {
  if (Result r = CheckCursor(cursor)) return r;
  const FieldLayout* f = nullptr;
  if (Result r = FindField(*cursor, fieldNumber, &f)) return r;
  if (!record) return Fail(kErrInvalidParameter, "no record buffer");
  if (f->desc.type != kFldBlob) return Fail(kErrInvalidParameter, cursor->tablePath, FieldContext(*f), "not a blob");
  std::vector<std::uint8_t> blob;
  MemoReadResult read = ReadMemoBlob(record + f->desc.offset, f->desc.length, cursor->memoPath, blob);
  if (read.result) return Fail(read.result, cursor->tablePath, FieldContext(*f), read.detail);
  cursor->openBlobs[fieldNumber] = std::move(blob);
  return Succeed();
}

namespace {

Result FindOpenBlob(EngineCursor& cursor, std::uint16_t fieldNumber, std::vector<std::uint8_t>** blob) {
  auto it = cursor.openBlobs.find(fieldNumber);
  if (it == cursor.openBlobs.end())
    return Fail(kErrBlobNotOpened, cursor.tablePath, "field " + std::to_string(fieldNumber));
  *blob = &it->second;
  return kOk;
}

}  // namespace

Result GetBlobSize(CursorHandle cursor, const std::uint8_t*, std::uint16_t fieldNumber, std::uint32_t* size) {
  if (Result r = CheckCursor(cursor)) return r;
  std::vector<std::uint8_t>* blob = nullptr;
  if (Result r = FindOpenBlob(*cursor, fieldNumber, &blob)) return r;
  if (!size) return Fail(kErrInvalidParameter, "no place for the size");
  *size = static_cast<std::uint32_t>(blob->size());
  return Succeed();
}

Result GetBlob(CursorHandle cursor, const std::uint8_t*, std::uint16_t fieldNumber, std::uint32_t offset,
               std::uint32_t length, std::uint8_t* dest, std::uint32_t* read) {
  if (Result r = CheckCursor(cursor)) return r;
  std::vector<std::uint8_t>* blob = nullptr;
  if (Result r = FindOpenBlob(*cursor, fieldNumber, &blob)) return r;
  if (!dest && length > 0) return Fail(kErrInvalidParameter, "no place for the blob");
  std::uint32_t n = 0;
  if (offset < blob->size()) n = std::min<std::uint32_t>(length, static_cast<std::uint32_t>(blob->size()) - offset);
  if (n) std::memcpy(dest, blob->data() + offset, n);
  if (read) *read = n;
  return Succeed();
}

Result FreeBlob(CursorHandle cursor, const std::uint8_t*, std::uint16_t fieldNumber) {
  if (Result r = CheckCursor(cursor)) return r;
  std::vector<std::uint8_t>* blob = nullptr;
  if (Result r = FindOpenBlob(*cursor, fieldNumber, &blob)) return r;
  cursor->openBlobs.erase(fieldNumber);
  return Succeed();
}

}  // namespace dvparadox
