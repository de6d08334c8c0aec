// Reading dBase III / IV tables record by record (the accepted format is
// described in dbase_reader.h, the stored layout in dbase_format.h).
#include "dbase_reader.h"

#include "code_pages.h"
#include "dbase_format.h"
#include "source_names.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace fs = std::filesystem;

namespace {

class File {
 public:
  explicit File(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "rb")) {
    if (file_ == nullptr) throw SourceFileError(path + ": cannot open the file: " + std::strerror(errno));
  }
  ~File() { std::fclose(file_); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Reads up to `count` bytes at `offset`; returns how many there were.
  size_t readAt(uint64_t offset, void* into, size_t count) {
    return seek(offset) ? read(into, count) : 0;
  }
  bool seek(uint64_t offset) { return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0; }
  size_t read(void* into, size_t count) {
    const size_t got = std::fread(into, 1, count, file_);
    if (got < count && std::ferror(file_))
      throw SourceFileError(path_ + ": read error: " + std::strerror(errno));
    return got;
  }
  uint64_t size() {
    std::error_code error;
    const auto bytes = fs::file_size(path_, error);
    return error ? 0 : bytes;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::FILE* file_;
};

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\0')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  return text;
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  return text;
}

bool CodePageOfMark(uint8_t mark, TextEncoding& encoding) {
  static const uint8_t kDos437[] = {0x01, 0x09, 0x0B, 0x0D, 0x0F, 0x11, 0x15, 0x18, 0x19, 0x1B};
  static const uint8_t kDos850[] = {0x02, 0x0A, 0x0E, 0x10, 0x12, 0x14, 0x16, 0x1A, 0x1D, 0x25, 0x37};
  static const uint8_t kWindows1252[] = {0x00, 0x03, 0x57, 0x58, 0x59};
  if (std::find(std::begin(kDos437), std::end(kDos437), mark) != std::end(kDos437))
    encoding = TextEncoding::Oem437;
  else if (std::find(std::begin(kDos850), std::end(kDos850), mark) != std::end(kDos850))
    encoding = TextEncoding::Oem850;
  else if (std::find(std::begin(kWindows1252), std::end(kWindows1252), mark) != std::end(kWindows1252))
    encoding = TextEncoding::Windows1252;
  else
    return false;
  return true;
}

std::string Hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

// The memo file beside a table, read a memo at a time.
class MemoFile {
 public:
  MemoFile(const std::string& path, bool dBaseIV) : file_(path) {
    DBaseMemoHeader header{};
    if (file_.read(&header, sizeof header) < sizeof header)
      throw SourceFileError(path + ": too short for a memo file header");
    const uint32_t blockBytes = DBaseLittleEndian(header.blockBytes, 2);
    blockBytes_ = dBaseIV && blockBytes != 0 ? blockBytes : kDBaseIIIMemoBlockBytes;
    fileBytes_ = file_.size();
  }

  // Appends memo `block` of `record` (for errors) to `out`, as the file's bytes.
  void read(uint32_t block, long record, std::string& out) {
    const uint64_t offset = uint64_t{block} * blockBytes_;
    if (offset >= fileBytes_)
      throw SourceFileError(file_.path() + ": record " + std::to_string(record) + ": memo block " +
                            std::to_string(block) + " lies beyond the end of the file");
    uint8_t prefix[kDBaseIVMemoPrefixBytes];
    const size_t got = file_.readAt(offset, prefix, sizeof prefix);
    if (got == sizeof prefix && std::memcmp(prefix, kDBaseIVMemoMarker, sizeof kDBaseIVMemoMarker) == 0) {
      const uint32_t length = DBaseLittleEndian(prefix + 4, 4);
      const uint64_t textBytes = length >= kDBaseIVMemoPrefixBytes ? length - kDBaseIVMemoPrefixBytes : 0;
      if (offset + kDBaseIVMemoPrefixBytes + textBytes > fileBytes_)
        throw SourceFileError(file_.path() + ": record " + std::to_string(record) + ": the memo in block " +
                              std::to_string(block) + " runs past the end of the file");
      const size_t start = out.size();
      out.resize(start + textBytes);
      file_.read(out.data() + start, textBytes);
      return;
    }
    // dBase III: the text runs to the first end mark (or the end of the file).
    file_.seek(offset);
    char chunk[512];
    for (;;) {
      const size_t n = file_.read(chunk, sizeof chunk);
      const char* end = static_cast<const char*>(std::memchr(chunk, kDBaseMemoEnd, n));
      out.append(chunk, end != nullptr ? static_cast<size_t>(end - chunk) : n);
      if (end != nullptr || n < sizeof chunk) return;
    }
  }

 private:
  File file_;
  uint32_t blockBytes_ = kDBaseIIIMemoBlockBytes;
  uint64_t fileBytes_ = 0;
};

struct FieldLayout {
  char type;
  size_t offset;   // in the record, after the deletion flag
  size_t length;
};

class DBaseTableReader : public SourceTableReader {
 public:
  explicit DBaseTableReader(const std::string& path) : file_(path) {
    DBaseHeader header{};
    if (file_.read(&header, sizeof header) < sizeof header)
      throw SourceFileError(path + ": too short for a dBase header (" + std::to_string(file_.size()) + " bytes)");
    if (header.version != 0x03 && header.version != 0x83 && header.version != 0x8B)
      throw SourceFileError(path + ": version byte " + Hex(header.version) +
                            " is not a dBase III or IV table (0x03, 0x83, 0x8B)");
    if (!CodePageOfMark(header.languageDriver, encoding_))
      throw SourceFileError(path + ": code page mark " + Hex(header.languageDriver) +
                            " is not Windows-1252, DOS 437 or DOS 850");
    recordCount_ = DBaseLittleEndian(header.recordCount, 4);
    headerBytes_ = DBaseLittleEndian(header.headerBytes, 2);
    recordBytes_ = DBaseLittleEndian(header.recordBytes, 2);
    readFields(path);
    if (header.version != 0x03) openMemo(path, header.version == 0x8B);
    record_.resize(recordBytes_);
  }

  const std::vector<SourceColumn>& columns() const override { return columns_; }

  bool nextRow(std::vector<SourceValue>& row) override {
    row.resize(columns_.size());
    while (nextRecord_ <= recordCount_) {
      const long number = static_cast<long>(nextRecord_++);
      if (number == 1) file_.seek(headerBytes_);
      if (file_.read(record_.data(), recordBytes_) < recordBytes_)
        throw SourceFileError(file_.path() + ": record " + std::to_string(number) + " of " +
                              std::to_string(recordCount_) + " is cut short: the file ends at byte " +
                              std::to_string(file_.size()));
      if (record_[0] == kDBaseDeleted) continue;
      for (size_t i = 0; i < fields_.size(); ++i) readValue(fields_[i], columns_[i], number, row[i]);
      return true;
    }
    return false;
  }

 private:
  void readFields(const std::string& path) {
    if (headerBytes_ < sizeof(DBaseHeader) + 1)
      throw SourceFileError(path + ": header length " + std::to_string(headerBytes_) + " is too small");
    const size_t slots = (headerBytes_ - sizeof(DBaseHeader) - 1) / sizeof(DBaseFieldDescriptor);
    std::vector<std::string> names;
    size_t offset = 1;
    for (size_t i = 0; i < slots; ++i) {
      DBaseFieldDescriptor descriptor{};
      const size_t got = file_.read(&descriptor, sizeof descriptor);
      if (got >= 1 && static_cast<uint8_t>(descriptor.name[0]) == kDBaseFieldsEnd) break;
      if (got < sizeof descriptor)
        throw SourceFileError(path + ": the field descriptors are cut short at field " + std::to_string(i + 1));
      const std::string_view rawName(descriptor.name, strnlen(descriptor.name, sizeof descriptor.name));
      SourceColumn column;
      AppendAsUtf8(encoding_, rawName, column.name);
      switch (descriptor.type) {
        case 'C': column.type = SourceColumnType::Text; column.width = descriptor.length; break;
        case 'N':
          column.type = descriptor.decimals == 0 && descriptor.length <= 18 ? SourceColumnType::Integer
                                                                             : SourceColumnType::Real;
          break;
        case 'F': column.type = SourceColumnType::Real; break;
        case 'D': column.type = SourceColumnType::Date; break;
        case 'L': column.type = SourceColumnType::Boolean; break;
        case 'M': column.type = SourceColumnType::Text; break;
        default:
          throw SourceFileError(path + ": field " + column.name + " has type '" + std::string(1, descriptor.type) +
                                "', which is not a dBase III or IV type (C, N, F, D, L, M)");
      }
      fields_.push_back({descriptor.type, offset, descriptor.length});
      offset += descriptor.length;
      names.push_back(column.name);
      columns_.push_back(column);
    }
    if (offset != recordBytes_)
      throw SourceFileError(path + ": record length " + std::to_string(recordBytes_) +
                            " does not match its fields, which take " + std::to_string(offset) + " bytes");
    const std::vector<std::string> unique = UniqueColumnNames(names);
    for (size_t i = 0; i < columns_.size(); ++i) columns_[i].name = unique[i];
  }

  void openMemo(const std::string& path, bool dBaseIV) {
    const bool hasMemoField = std::any_of(fields_.begin(), fields_.end(), [](const FieldLayout& f) { return f.type == 'M'; });
    if (!hasMemoField) return;
    const fs::path table(path);
    const std::string memoPath = FileInFolder(table.parent_path().string(), table.stem().string() + ".dbt");
    if (!memoPath.empty()) memo_ = std::make_unique<MemoFile>(memoPath, dBaseIV);
  }

  void readValue(const FieldLayout& field, const SourceColumn& column, long record, SourceValue& value) {
    const std::string_view raw(record_.data() + field.offset, field.length);
    switch (field.type) {
      case 'C': {
        const std::string_view text = WithoutTrailingBlanks(raw);
        if (text.empty())
          value.setNull();
        else
          AppendAsUtf8(encoding_, text, value.setText());
        return;
      }
      case 'N':
      case 'F': return readNumber(Trimmed(raw), column.type, value);
      case 'D': return readDate(Trimmed(raw), value);
      case 'L': {
        const char c = raw.empty() ? ' ' : raw[0];
        if (std::strchr("TtYy", c) != nullptr && c != '\0')
          value.setInteger(1);
        else if (std::strchr("FfNn", c) != nullptr && c != '\0')
          value.setInteger(0);
        else
          value.setNull();
        return;
      }
      case 'M': return readMemo(Trimmed(raw), record, value);
    }
  }

  static void readNumber(std::string_view text, SourceColumnType type, SourceValue& value) {
    if (text.empty()) return value.setNull();
    std::string_view digits = text;
    if (digits[0] == '+') digits.remove_prefix(1);
    const char* end = digits.data() + digits.size();
    if (type == SourceColumnType::Integer) {
      long long integer = 0;
      const auto result = std::from_chars(digits.data(), end, integer);
      if (result.ec == std::errc() && result.ptr == end) return value.setInteger(integer);
    } else {
      double real = 0;
      const auto result = std::from_chars(digits.data(), end, real);
      if (result.ec == std::errc() && result.ptr == end) return value.setReal(real);
    }
    value.setText().assign(text);   // an overflow mark such as "***" is kept as it stands
  }

  static void readDate(std::string_view text, SourceValue& value) {
    if (text.empty()) return value.setNull();
    const bool digits = text.size() == 8 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    std::string& out = value.setText();
    if (!digits) {
      out.assign(text);
      return;
    }
    out.append(text.substr(0, 4)).append("-").append(text.substr(4, 2)).append("-").append(text.substr(6, 2));
  }

  void readMemo(std::string_view blockText, long record, SourceValue& value) {
    if (blockText.empty() || memo_ == nullptr) return value.setNull();
    uint32_t block = 0;
    const auto result = std::from_chars(blockText.data(), blockText.data() + blockText.size(), block);
    if (result.ec != std::errc() || result.ptr != blockText.data() + blockText.size())
      throw SourceFileError(file_.path() + ": record " + std::to_string(record) + ": memo block number \"" +
                            std::string(blockText) + "\" is not a number");
    if (block == 0) return value.setNull();
    memoBytes_.clear();
    memo_->read(block, record, memoBytes_);
    if (memoBytes_.empty())
      value.setNull();
    else
      AppendAsUtf8(encoding_, memoBytes_, value.setText());
  }

  File file_;
  TextEncoding encoding_ = TextEncoding::Windows1252;
  uint32_t recordCount_ = 0;
  uint32_t headerBytes_ = 0;
  uint32_t recordBytes_ = 0;
  std::vector<FieldLayout> fields_;
  std::vector<SourceColumn> columns_;
  std::unique_ptr<MemoFile> memo_;
  std::vector<char> record_;
  std::string memoBytes_;
  uint32_t nextRecord_ = 1;
};

}  // namespace

std::unique_ptr<SourceTableReader> OpenDBaseTable(const std::string& fileOrFolder, const std::string& tableName) {
  const std::string fileName = HasExtension(tableName, ".dbf") ? tableName : tableName + ".dbf";
  return std::make_unique<DBaseTableReader>(FindFileInFolder(fileOrFolder, fileName));
}

std::vector<std::string> ListDBaseTables(const std::string& fileOrFolder) {
  return ListTableFiles(fileOrFolder, ".dbf");
}
