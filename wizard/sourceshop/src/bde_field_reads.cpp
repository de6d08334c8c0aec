// The reader's field reads: the value of a field of the current record as
// integer, double, logical value or text.
#include <cmath>
#include <cstring>
#include <vector>

#include "bde_table_cursor.h"
#include "paradox_engine.h"

using namespace dvparadox;

struct CBdeTableCursor::FieldInfo {
  FieldDesc desc;
  bool blank;
};

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

}  // namespace

CBdeTableCursor::FieldInfo CBdeTableCursor::PrepareFieldRead(int n, LPCTSTR context) {
  CheckOpen(context);
  CheckNotEditing(context);
  CursorProps props{};
  ThrowOnFailure(GetCursorProps(m_hCursor, &props), "Failed to get cursor properties.");
  CString message;
  if (n < 1 || n > props.fieldCount) {
    message.Format("Invalid field index %d.  Valid numbers are between 1 and %d.", n, props.fieldCount);
    Throw(0, kBdeAppBadFieldIndex, message);
  }
  std::vector<FieldDesc> descs;
  try {
    descs.resize(props.fieldCount);
  } catch (const std::bad_alloc&) {
    Throw(kErrNoMemory, kBdeAppNone, "Failed to retrieve field information.");
  }
  ThrowOnFailure(GetFieldDescs(m_hCursor, descs.data()), "Failed to retrieve field information.");
  if (!m_pRecordBuffer || m_nRecordBufferSize != props.recordSize) {
    delete[] m_pRecordBuffer;
    m_pRecordBuffer = new (std::nothrow) unsigned char[props.recordSize];
    m_nRecordBufferSize = m_pRecordBuffer ? props.recordSize : 0;
    if (!m_pRecordBuffer) {
      message.Format("Insufficient memory to get field number %d.", n);
      Throw(kErrNoMemory, kBdeAppNone, message);
    }
  }
  ThrowOnFailure(GetRecord(m_hCursor, m_pRecordBuffer), "Failed to get record information.");
  FieldInfo info{descs[static_cast<std::size_t>(n - 1)], false};
  message.Format("Failed to retrieve data for field %d.", n);
  ThrowOnFailure(GetField(m_hCursor, static_cast<std::uint16_t>(n), m_pRecordBuffer, nullptr, &info.blank), message);
  return info;
}

int CBdeTableCursor::GetFieldAsInt(int n, BOOL* blank) {
  FieldInfo f = PrepareFieldRead(n, "Failed to get field value.");
  if (blank) *blank = f.blank;
  CString message;
  message.Format("Failed to retrieve data for field %d.", n);
  const auto number = static_cast<std::uint16_t>(n);
  switch (f.desc.type) {
    case kFldBool:
    case kFldInt16:
    case kFldUInt16: {
      std::int16_t value = 0;
      ThrowOnFailure(GetField(m_hCursor, number, m_pRecordBuffer, &value, nullptr), message);
      return f.desc.type == kFldUInt16 ? static_cast<std::uint16_t>(value) : value;
    }
    case kFldInt32:
    case kFldUInt32: {
      std::int32_t value = 0;
      ThrowOnFailure(GetField(m_hCursor, number, m_pRecordBuffer, &value, nullptr), message);
      return value;
    }
    case kFldFloat: {
      double value = 0;
      ThrowOnFailure(GetField(m_hCursor, number, m_pRecordBuffer, &value, nullptr), message);
      return static_cast<int>(value);
    }
    default:
      Throw(0, kBdeAppNotInteger, message);
  }
}

double CBdeTableCursor::GetFieldAsDouble(int n, BOOL* blank) {
  FieldInfo f = PrepareFieldRead(n, nullptr);
  if (blank) *blank = f.blank;
  CString message;
  message.Format("Failed to retrieve data for field %d.", n);
  const auto number = static_cast<std::uint16_t>(n);
  switch (f.desc.type) {
    case kFldInt16:
    case kFldUInt16: {
      std::int16_t value = 0;
      ThrowOnFailure(GetField(m_hCursor, number, m_pRecordBuffer, &value, nullptr), message);
      return f.desc.type == kFldUInt16 ? static_cast<std::uint16_t>(value) : value;
    }
    case kFldInt32:
    case kFldUInt32: {
      std::int32_t value = 0;
      ThrowOnFailure(GetField(m_hCursor, number, m_pRecordBuffer, &value, nullptr), message);
      return f.desc.type == kFldUInt32 ? static_cast<std::uint32_t>(value) : value;
    }
    case kFldFloat: {
      double value = 0;
      ThrowOnFailure(GetField(m_hCursor, number, m_pRecordBuffer, &value, nullptr), message);
      return value;
    }
    case kFldBcd: {
      BcdValue bcd{};
      ThrowOnFailure(GetField(m_hCursor, number, m_pRecordBuffer, &bcd, nullptr), message);
      double value = 0;
      ThrowOnFailure(BcdToDouble(&bcd, &value), message);
      return value;
    }
    default:
      Throw(0, kBdeAppNotFloat, message);
  }
}

BOOL CBdeTableCursor::GetFieldAsBool(int n, BOOL* blank) {
  FieldInfo f = PrepareFieldRead(n, "Failed to get field value.");
  if (blank) *blank = f.blank;
  CString message;
  message.Format("Failed to retrieve data for field %d.", n);
  if (f.desc.type != kFldBool) Throw(0, kBdeAppNotLogical, message);
  std::int16_t value = 0;
  ThrowOnFailure(GetField(m_hCursor, static_cast<std::uint16_t>(n), m_pRecordBuffer, &value, nullptr), message);
  return value != 0;
}

CString CBdeTableCursor::FormatDate(long date) const {
  std::uint16_t month = 0, day = 0;
  std::int16_t year = 0;
  ThrowOnFailure(DateDecode(static_cast<std::int32_t>(date), &month, &day, &year), "Failed to decode a date.");
  DateFormat format{};
  ThrowOnFailure(GetDateFormat(&format), "Failed to get the date format.");
  const char* separator = std::strcmp(format.separator, "\\") == 0 ? "/" : format.separator;
  struct Part {
    int width;
    int value;
  };
  const Part dayPart{format.dayLeadingZero ? 2 : 1, day};
  const Part monthPart{format.monthLeadingZero ? 2 : 1, month};
  const Part yearPart{format.fourDigitYear ? 4 : 2, format.fourDigitYear ? year : year % 100};
  Part parts[3] = {monthPart, dayPart, yearPart};
  if (format.order == DateOrder::kDayMonthYear) {
    parts[0] = dayPart;
    parts[1] = monthPart;
  } else if (format.order == DateOrder::kYearMonthDay) {
    parts[0] = yearPart;
    parts[1] = monthPart;
    parts[2] = dayPart;
  }
  CString text;
  text.Format("%0*d%s%0*d%s%0*d", parts[0].width, parts[0].value, separator, parts[1].width, parts[1].value,
              separator, parts[2].width, parts[2].value);
  return text;
}

CString CBdeTableCursor::FormatTime(unsigned long time) const {
  std::uint16_t hour = 0, minute = 0, millisecond = 0;
  ThrowOnFailure(TimeDecode(static_cast<std::uint32_t>(time), &hour, &minute, &millisecond),
                 "Failed to decode a time.");
  TimeFormat format{};
  ThrowOnFailure(GetTimeFormat(&format), "Failed to get the time format.");
  unsigned shownHour = hour;
  if (format.twelveHour) {
    shownHour = hour % 12;
    if (shownHour == 0) shownHour = 12;
  }
  CString text;
  text.Format("%2u%c%02u", shownHour, format.separator, static_cast<unsigned>(minute));
  CString part;
  if (format.showSeconds) {
    part.Format("%c%02u", format.separator, static_cast<unsigned>(millisecond / 1000));
    text += part;
    if (format.showMilliseconds) {
      part.Format("%c%03u", format.separator, static_cast<unsigned>(millisecond % 1000));
      text += part;
    }
  }
  if (format.twelveHour) {
    text += " ";
    text += hour < 12 ? format.morning : format.afternoon;
  }
  return text;
}

CString CBdeTableCursor::GetFieldAsString(int n, BOOL* blank) {
  FieldInfo f = PrepareFieldRead(n, "Failed to get field value.");
  if (blank) *blank = f.blank;
  CString message;
  message.Format("Failed to retrieve data for field %d.", n);
  const auto number = static_cast<std::uint16_t>(n);
  CString text;
  if (f.blank) return text;
  switch (f.desc.type) {
    case kFldString:
    case kFldBytes: {
      std::vector<char> value(f.desc.length + 1u, '\0');
      ThrowOnFailure(GetField(m_hCursor, number, m_pRecordBuffer, value.data(), nullptr), message);
      text.Format("%s", value.data());
      return text;
    }
    case kFldFloat: {
      double value = 0;
      ThrowOnFailure(GetField(m_hCursor, number, m_pRecordBuffer, &value, nullptr), message);
      if (f.desc.subtype == kSubMoney)
        text.Format("$%.2lf", value);
      else
        text.Format("%g", value);
      return text;
    }
    case kFldBcd: {
      BcdValue bcd{};
      ThrowOnFailure(GetField(m_hCursor, number, m_pRecordBuffer, &bcd, nullptr), message);
      double value = 0;
      ThrowOnFailure(BcdToDouble(&bcd, &value), message);
      text.Format("%.*lf", static_cast<int>(f.desc.decimals), value);
      return text;
    }
    case kFldInt16:
    case kFldUInt16:
    case kFldInt32:
    case kFldUInt32:
      text.Format("%d", GetFieldAsInt(n, nullptr));
      return text;
    case kFldBool:
      return GetFieldAsBool(n, nullptr) ? "TRUE" : "FALSE";
    case kFldDate: {
      std::int32_t value = 0;
      ThrowOnFailure(GetField(m_hCursor, number, m_pRecordBuffer, &value, nullptr), message);
      return FormatDate(value);
    }
    case kFldTime: {
      std::int32_t value = 0;
      ThrowOnFailure(GetField(m_hCursor, number, m_pRecordBuffer, &value, nullptr), message);
      return FormatTime(static_cast<std::uint32_t>(value));
    }
    case kFldTimestamp: {
      double value = 0;
      ThrowOnFailure(GetField(m_hCursor, number, m_pRecordBuffer, &value, nullptr), message);
      const double days = std::floor(value / kMillisecondsPerDay);
      text.Format("%s %s", static_cast<LPCTSTR>(FormatDate(static_cast<long>(days))),
                  static_cast<LPCTSTR>(FormatTime(static_cast<unsigned long>(value - days * kMillisecondsPerDay))));
      return text;
    }
    case kFldBlob: {
      if (f.desc.subtype != kSubMemo) Throw(0, kBdeAppBlobTypeUnsupported, message);
      ThrowOnFailure(OpenBlob(m_hCursor, m_pRecordBuffer, number, OpenMode::kReadOnly), message);
      std::uint32_t size = 0;
      Result result = GetBlobSize(m_hCursor, m_pRecordBuffer, number, &size);
      std::vector<char> value;
      if (result == kOk) {
        value.assign(size + 1u, '\0');
        std::uint32_t read = 0;
        result = GetBlob(m_hCursor, m_pRecordBuffer, number, 0, size, reinterpret_cast<std::uint8_t*>(value.data()),
                         &read);
      }
      FreeBlob(m_hCursor, m_pRecordBuffer, number);
      ThrowOnFailure(result, message);
      // A memo is text: it ends at its first zero byte.
      text = value.data();
      return text;
    }
    default:
      Throw(0, kBdeAppFieldTypeUnsupported, message);
  }
}
