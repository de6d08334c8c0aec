// Reading Paradox tables through the table engine (see paradox_reader.h).
#include "paradox_reader.h"

#include "code_pages.h"
#include "source_names.h"

#include <paradox_engine.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;
namespace px = dvparadox;

namespace {

constexpr std::uint16_t kEngineInterfaceVersion = 300;
constexpr double kMillisecondsPerDay = 86400000.0;

// The engine's account of the last failure: its text and context.
std::string EngineReason(px::Result result) {
  px::ErrorInfo info{};
  px::GetErrorInfo(&info);
  std::string reason;
  if (info.code == result) {
    reason = info.text;
    for (const auto& context : info.context)
      if (context[0] != '\0') reason += std::string(" (") + context + ")";
  } else {
    char text[px::kMaxMessageLength] = {};
    px::GetErrorText(result, text);
    reason = text;
  }
  return reason + " [engine error " + std::to_string(result) + "]";
}

std::string Date(std::int32_t days) {
  std::uint16_t month = 0, day = 0;
  std::int16_t year = 0;
  if (px::DateDecode(days, &month, &day, &year) != px::kOk) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", year, month, day);
  return text;
}

std::string Time(std::uint32_t milliseconds) {
  std::uint16_t hour = 0, minute = 0, millisecond = 0;
  if (px::TimeDecode(milliseconds, &hour, &minute, &millisecond) != px::kOk) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", hour, minute, millisecond / 1000u);
  return text;
}

// The engine, the folder and the table a reader holds, let go in reverse
// order however far opening them got.
struct EngineSession {
  bool ownsEngine = false;
  px::DatabaseHandle db = nullptr;
  px::CursorHandle cursor = nullptr;

  EngineSession() = default;
  EngineSession(const EngineSession&) = delete;
  EngineSession& operator=(const EngineSession&) = delete;
  ~EngineSession() {
    if (cursor != nullptr) px::CloseCursor(&cursor);
    if (db != nullptr) px::CloseDatabase(&db);
    if (ownsEngine) px::EngineExit();
  }
};

class ParadoxTableReader : public SourceTableReader {
 public:
  explicit ParadoxTableReader(const std::string& path) : path_(path) {
    const std::string folder = fs::path(path).parent_path().string();
    px::Result r = px::OpenDatabase(nullptr, nullptr, px::OpenMode::kReadOnly, px::ShareMode::kShared, nullptr, &db_);
    if (r == px::kErrNotInitialized) {
      check(px::EngineInit(kEngineInterfaceVersion), "starting the table engine");
      session_.ownsEngine = true;
      r = px::OpenDatabase(nullptr, nullptr, px::OpenMode::kReadOnly, px::ShareMode::kShared, nullptr, &db_);
    }
    check(r, "opening the folder");
    check(px::SetDirectory(db_, folder.c_str()), "opening the folder");
    check(px::OpenTable(db_, fs::path(path).filename().string().c_str(), "PARADOX", nullptr, px::OpenMode::kReadOnly,
                        px::ShareMode::kShared, &cursor_),
          "opening the table");
    px::CursorProps props{};
    check(px::GetCursorProps(cursor_, &props), "reading the table's properties");
    std::vector<px::FieldDesc> descs(props.fieldCount);
    check(px::GetFieldDescs(cursor_, descs.data()), "reading the field descriptors");
    record_.resize(props.recordSize);

    std::vector<std::string> names;
    for (const px::FieldDesc& desc : descs) {
      SourceColumn column;
      if (!columnFor(desc, column)) continue;
      AppendAsUtf8(TextEncoding::Windows1252, desc.name, column.name);
      names.push_back(column.name);
      columns_.push_back(column);
      fields_.push_back(desc);
      if (desc.type == px::kFldString) text_.resize(std::max<size_t>(text_.size(), desc.length + 1u));
    }
    const std::vector<std::string> unique = UniqueColumnNames(names);
    for (size_t i = 0; i < columns_.size(); ++i) columns_[i].name = unique[i];
  }

  const std::vector<SourceColumn>& columns() const override { return columns_; }

  bool nextRow(std::vector<SourceValue>& row) override {
    row.resize(columns_.size());
    const px::Result r = px::GetNextRecord(cursor_, record_.data());
    if (r == px::kErrEndOfTable) return false;
    ++recordNumber_;
    check(r, recordContext());
    for (size_t i = 0; i < fields_.size(); ++i) readValue(fields_[i], row[i]);
    return true;
  }

 private:
  static bool columnFor(const px::FieldDesc& desc, SourceColumn& column) {
    switch (desc.type) {
      case px::kFldString: column.type = SourceColumnType::Text; column.width = desc.precision; return true;
      case px::kFldInt16:
      case px::kFldInt32:
      case px::kFldUInt16:
      case px::kFldUInt32: column.type = SourceColumnType::Integer; return true;
      case px::kFldFloat:
      case px::kFldBcd: column.type = SourceColumnType::Real; return true;
      case px::kFldBool: column.type = SourceColumnType::Boolean; return true;
      case px::kFldDate: column.type = SourceColumnType::Date; return true;
      case px::kFldTime:
      case px::kFldTimestamp: column.type = SourceColumnType::Text; return true;
      case px::kFldBlob:
        column.type = SourceColumnType::Text;
        return desc.subtype == px::kSubMemo || desc.subtype == px::kSubFormattedMemo;
      default: return false;
    }
  }

  void readValue(const px::FieldDesc& desc, SourceValue& value) {
    bool blank = false;
    if (desc.type == px::kFldBlob) {
      check(px::GetField(cursor_, desc.number, record_.data(), nullptr, &blank), fieldContext(desc));
      return blank ? value.setNull() : readMemo(desc, value);
    }
    union {
      std::int16_t int16;
      std::uint16_t uint16;
      std::int32_t int32;
      std::uint32_t uint32;
      double real;
      px::BcdValue bcd;
    } number{};
    void* into = desc.type == px::kFldString ? static_cast<void*>(text_.data()) : static_cast<void*>(&number);
    check(px::GetField(cursor_, desc.number, record_.data(), into, &blank), fieldContext(desc));
    if (blank) return value.setNull();
    switch (desc.type) {
      case px::kFldString: AppendAsUtf8(TextEncoding::Windows1252, text_.data(), value.setText()); break;
      case px::kFldInt16: value.setInteger(number.int16); break;
      case px::kFldUInt16: value.setInteger(number.uint16); break;
      case px::kFldInt32: value.setInteger(number.int32); break;
      case px::kFldUInt32: value.setInteger(number.uint32); break;
      case px::kFldBool: value.setInteger(number.int16 != 0 ? 1 : 0); break;
      case px::kFldFloat: value.setReal(number.real); break;
      case px::kFldBcd: {
        double real = 0;
        check(px::BcdToDouble(&number.bcd, &real), fieldContext(desc));
        value.setReal(real);
        break;
      }
      case px::kFldDate: value.setText() = Date(number.int32); break;
      case px::kFldTime: value.setText() = Time(number.uint32); break;
      case px::kFldTimestamp: {
        const double days = std::floor(number.real / kMillisecondsPerDay);
        const double rest = number.real - days * kMillisecondsPerDay;
        value.setText() = Date(static_cast<std::int32_t>(days)) + " " + Time(static_cast<std::uint32_t>(rest));
        break;
      }
      default: value.setNull(); break;
    }
    if (value.kind == SourceValue::Kind::Text && value.text.empty()) value.setNull();
  }

  void readMemo(const px::FieldDesc& desc, SourceValue& value) {
    check(px::OpenBlob(cursor_, record_.data(), desc.number, px::OpenMode::kReadOnly), fieldContext(desc));
    std::uint32_t size = 0;
    check(px::GetBlobSize(cursor_, record_.data(), desc.number, &size), fieldContext(desc));
    memo_.resize(size);
    std::uint32_t read = 0;
    check(px::GetBlob(cursor_, record_.data(), desc.number, 0, size, reinterpret_cast<std::uint8_t*>(memo_.data()), &read),
          fieldContext(desc));
    px::FreeBlob(cursor_, record_.data(), desc.number);
    memo_.resize(read);
    if (memo_.empty())
      value.setNull();
    else
      AppendAsUtf8(TextEncoding::Windows1252, memo_, value.setText());
  }

  std::string recordContext() const { return "reading record " + std::to_string(recordNumber_); }
  std::string fieldContext(const px::FieldDesc& desc) const {
    return recordContext() + ", field " + desc.name;
  }

  void check(px::Result result, const std::string& doing) const {
    if (result != px::kOk) throw SourceFileError(path_ + ": " + doing + ": " + EngineReason(result));
  }

  std::string path_;
  EngineSession session_;
  px::DatabaseHandle& db_ = session_.db;
  px::CursorHandle& cursor_ = session_.cursor;
  std::vector<px::FieldDesc> fields_;
  std::vector<SourceColumn> columns_;
  std::vector<std::uint8_t> record_;
  std::vector<char> text_;
  std::string memo_;
  long recordNumber_ = 0;
};

}  // namespace

std::unique_ptr<SourceTableReader> OpenParadoxTable(const std::string& fileOrFolder, const std::string& tableName) {
  const std::string fileName = HasExtension(tableName, ".db") ? tableName : tableName + ".db";
  return std::make_unique<ParadoxTableReader>(FindFileInFolder(fileOrFolder, fileName));
}

std::vector<std::string> ListParadoxTables(const std::string& fileOrFolder) {
  return ListTableFiles(fileOrFolder, ".db");
}
