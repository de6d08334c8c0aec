// The test tables' writer over pxlib.
#include "px_test_table.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern "C" {
#include <paradox.h>
}

namespace dvtest {
namespace {

// Serial day number of the day before 1 January of year 1: Paradox dates
// count days from that day.
constexpr long kSerialDayOfDayZero = 1721425;

struct TypeInfo {
  char paradoxType;
  int size;  // 0: the column's own length
};

TypeInfo InfoOf(const PxColumn& c) {
  using T = PxColumn::Type;
  switch (c.type) {
    case T::Alpha: return {pxfAlpha, 0};
    case T::Short: return {pxfShort, 2};
    case T::Long: return {pxfLong, 4};
    case T::AutoInc: return {pxfAutoInc, 4};
    case T::Number: return {pxfNumber, 8};
    case T::Currency: return {pxfCurrency, 8};
    case T::Logical: return {pxfLogical, 1};
    case T::Date: return {pxfDate, 4};
    case T::Time: return {pxfTime, 4};
    case T::Timestamp: return {pxfTimestamp, 8};
    case T::Bcd: return {pxfBCD, 17};
    case T::Memo: return {pxfMemoBLOb, 0};
    case T::Bytes: return {pxfBytes, 0};
  }
  return {pxfAlpha, 0};
}

[[noreturn]] void Refuse(const std::string& path, const std::string& what) {
  throw std::runtime_error("cannot write Paradox table " + path + ": " + what);
}

void PutCell(pxdoc_t* doc, const std::string& path, const PxColumn& column, char* data, int len,
             const std::string& text) {
  using T = PxColumn::Type;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  switch (column.type) {
    case T::Alpha:
      PX_put_data_alpha(doc, data, len, const_cast<char*>(text.c_str()));
      break;
    case T::Bytes:
      PX_put_data_bytes(doc, data, len, const_cast<char*>(text.c_str()));
      break;
    case T::Short:
      PX_put_data_short(doc, data, len, static_cast<short>(std::atoi(text.c_str())));
      break;
    case T::Long:
    case T::AutoInc:
      PX_put_data_long(doc, data, len, std::atoi(text.c_str()));
      break;
    case T::Number:
    case T::Currency:
      PX_put_data_double(doc, data, len, std::strtod(text.c_str(), nullptr));
      break;
    case T::Logical:
      PX_put_data_byte(doc, data, len, static_cast<char>(text == "1" ? 1 : 0));
      break;
    case T::Date:
      if (std::sscanf(text.c_str(), "%d-%d-%d", &y, &mo, &d) != 3) Refuse(path, "date " + text);
      PX_put_data_long(doc, data, len, static_cast<int>(PX_GregorianToSdn(y, mo, d) - kSerialDayOfDayZero));
      break;
    case T::Time:
      if (std::sscanf(text.c_str(), "%d:%d:%d.%d", &h, &mi, &s, &ms) < 3) Refuse(path, "time " + text);
      PX_put_data_long(doc, data, len, ((h * 60 + mi) * 60 + s) * 1000 + ms);
      break;
    case T::Timestamp:
      if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6)
        Refuse(path, "timestamp " + text);
      PX_put_data_double(doc, data, len,
                         static_cast<double>(PX_GregorianToSdn(y, mo, d) - kSerialDayOfDayZero) * 86400000.0 +
                             ((h * 60 + mi) * 60 + s) * 1000.0);
      break;
    case T::Bcd:
      PX_put_data_bcd(doc, data, column.decimals, const_cast<char*>(text.c_str()));
      break;
    case T::Memo:
      if (PX_put_data_blob(doc, data, len, const_cast<char*>(text.data()), static_cast<int>(text.size())) < 0)
        Refuse(path, "memo of column " + column.name);
      break;
  }
}

}  // namespace

void WriteParadoxTable(const std::string& path, const std::vector<PxColumn>& columns, const std::vector<PxRow>& rows) {
  PX_boot();
  pxdoc_t* doc = PX_new();
  if (!doc) Refuse(path, "no memory");
  // pxlib takes the field list and frees it with the document.
  auto* fields = static_cast<pxfield_t*>(doc->malloc(doc, sizeof(pxfield_t) * columns.size(), "test fields"));
  bool hasMemo = false;
  std::vector<int> sizes;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    TypeInfo info = InfoOf(columns[i]);
    int size = info.size ? info.size : columns[i].length;
    fields[i].px_fname = PX_strdup(doc, columns[i].name.c_str());
    fields[i].px_ftype = info.paradoxType;
    fields[i].px_flen = size;
    fields[i].px_fdc = columns[i].decimals;
    sizes.push_back(size);
    hasMemo = hasMemo || columns[i].type == PxColumn::Type::Memo;
  }
  if (PX_create_file(doc, fields, static_cast<int>(columns.size()), path.c_str(), pxfFileTypNonIndexDB) < 0) {
    PX_delete(doc);
    Refuse(path, "create");
  }
  if (hasMemo) {
    std::string memoPath = path.substr(0, path.find_last_of('.')) + ".mb";
    if (PX_set_blob_file(doc, memoPath.c_str()) < 0) {
      PX_close(doc);
      PX_delete(doc);
      Refuse(path, "memo file " + memoPath);
    }
  }
  std::vector<char> record(static_cast<std::size_t>(PX_get_recordsize(doc)));
  for (const PxRow& row : rows) {
    std::memset(record.data(), 0, record.size());
    int offset = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i < row.size() && row[i]) PutCell(doc, path, columns[i], record.data() + offset, sizes[i], *row[i]);
      offset += sizes[i];
    }
    if (PX_put_record(doc, record.data()) < 0) {
      PX_close(doc);
      PX_delete(doc);
      Refuse(path, "record");
    }
  }
  PX_close(doc);
  PX_delete(doc);
}

}  // namespace dvtest
