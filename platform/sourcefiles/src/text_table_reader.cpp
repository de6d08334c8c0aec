// Delimited text files read as tables (see text_table_reader.h and
// delimited_record_reader.h for the formats accepted).
#include "text_table_reader.h"

#include "column_typing.h"
#include "delimited_record_reader.h"
#include "source_names.h"
#include "text_file_format.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string DelimiterName(char delimiter) {
  if (delimiter == '\t') return "a tab";
  return std::string("'") + delimiter + "'";
}

// Names the delimiter a line was read with and, when the fields hold one
// of the usual delimiters more often than any other, that one as the
// delimiter the line seems to use.
std::string DelimiterHint(char used, const std::vector<std::string>& fields, size_t fieldCount) {
  char likely = 0;
  size_t likelyCount = 0;
  for (char candidate : {';', '\t', ',', '|'}) {
    if (candidate == used) continue;
    size_t count = 0;
    for (size_t i = 0; i < fieldCount; ++i) count += std::count(fields[i].begin(), fields[i].end(), candidate);
    if (count > likelyCount) {
      likely = candidate;
      likelyCount = count;
    }
  }
  std::string hint = "; the file is read with " + DelimiterName(used) + " as its delimiter";
  if (likely != 0) hint += ", but the line seems to use " + DelimiterName(likely);
  return hint;
}

// How much of a file's start tells UTF-8 apart from a code page.
constexpr std::streamsize kEncodingSniffBytes = 1 << 20;

// The file's encoding: UTF-8 with a byte-order mark; else schema.ini's
// CharacterSet; else UTF-8 when the file's start is UTF-8 holding more than
// ASCII (no code page text of Western European letters reads as that);
// else the connection's code page.
TextEncoding EncodingOf(const std::string& path, bool utf8Mark, const TextFileFormat& format) {
  if (utf8Mark) return TextEncoding::Utf8;
  if (format.encodingNamed) return format.encoding;
  std::ifstream file(path, std::ios::binary);
  std::string start(static_cast<size_t>(kEncodingSniffBytes), '\0');
  file.read(start.data(), kEncodingSniffBytes);
  start.resize(static_cast<size_t>(file.gcount()));
  const bool whole = file.peek() == std::char_traits<char>::eof();
  return HoldsUtf8Text(start, whole) ? TextEncoding::Utf8 : format.encoding;
}

class TextTableReader : public SourceTableReader {
 public:
  TextTableReader(const std::string& path, const TextFileFormat& format)
      : records_(path, format.delimiter), encoding_(EncodingOf(path, records_.startsWithUtf8Mark(), format)) {
    std::vector<std::string> names;
    if (format.columnNamesInHeader && records_.next(fields_, fieldCount_)) {
      for (size_t i = 0; i < fieldCount_; ++i) {
        names.emplace_back();
        AppendAsUtf8(encoding_, fields_[i], names.back());
      }
    }
    size_t columnCount = names.size();
    size_t fieldsSeen = 0;
    while (scanned_.size() < kTypeScanRows && records_.next(fields_, fieldCount_)) {
      scanned_.emplace_back(records_.recordLine(), std::vector<std::string>(fields_.begin(), fields_.begin() + fieldCount_));
      fieldsSeen = std::max(fieldsSeen, fieldCount_);
    }
    if (!format.columnNamesInHeader) columnCount = fieldsSeen;
    names.resize(columnCount);

    std::vector<ColumnTypeScan> scans(columnCount);
    for (const auto& [line, fields] : scanned_)
      for (size_t i = 0; i < std::min(columnCount, fields.size()); ++i) scans[i].see(fields[i]);
    const std::vector<std::string> unique = UniqueColumnNames(names);
    for (size_t i = 0; i < columnCount; ++i) columns_.push_back({unique[i], scans[i].type(), 0, true});
  }

  const std::vector<SourceColumn>& columns() const override { return columns_; }

  bool nextRow(std::vector<SourceValue>& row) override {
    row.resize(columns_.size());
    if (!scanned_.empty()) {
      auto& [line, fields] = scanned_.front();
      fill(line, fields, fields.size(), row);
      scanned_.pop_front();
      return true;
    }
    if (!records_.next(fields_, fieldCount_)) return false;
    fill(records_.recordLine(), fields_, fieldCount_, row);
    return true;
  }

 private:
  void fill(long line, const std::vector<std::string>& fields, size_t fieldCount, std::vector<SourceValue>& row) {
    for (size_t i = columns_.size(); i < fieldCount; ++i)
      if (!fields[i].empty())
        throw SourceFileError(records_.path() + ": line " + std::to_string(line) + ": field " +
                              std::to_string(i + 1) + " holds a value, but the table has only " +
                              std::to_string(columns_.size()) + " columns" +
                              DelimiterHint(records_.delimiter(), fields, fieldCount));
    for (size_t i = 0; i < row.size(); ++i) {
      if (i >= fieldCount || fields[i].empty())
        row[i].setNull();
      else
        AppendAsUtf8(encoding_, fields[i], row[i].setText());
    }
  }

  DelimitedRecordReader records_;
  TextEncoding encoding_;
  std::vector<std::string> fields_;
  size_t fieldCount_ = 0;
  std::deque<std::pair<long, std::vector<std::string>>> scanned_;   // the first rows, read for their types
  std::vector<SourceColumn> columns_;
};

bool IsTextFileName(const std::string& name) {
  return HasExtension(name, ".txt") || HasExtension(name, ".csv") || HasExtension(name, ".tab") ||
         HasExtension(name, ".asc");
}

}  // namespace

std::vector<std::string> ListTextTables(const std::string& folder) {
  std::error_code error;
  fs::directory_iterator entries(SourceFolder(folder), error);
  if (error) throw SourceFileError(folder + ": cannot list the folder: " + error.message());
  std::vector<std::string> names;
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file(error) && IsTextFileName(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::unique_ptr<SourceTableReader> OpenTextTable(const std::string& folder, const std::string& fileName,
                                                 const TextFormatOptions& options) {
  const std::string path = FindFileInFolder(folder, fileName);
  const std::string foundName = fs::path(path).filename().string();
  const TextFileFormat format = ResolveTextFileFormat(fs::path(path).parent_path().string(), foundName, options);
  if (format.delimiter == '"' || format.delimiter == '\n' || format.delimiter == '\r' || format.delimiter == '\0')
    throw SourceFileError(path + ": the delimiter cannot be a double quote, a line break or NUL");
  return std::make_unique<TextTableReader>(path, format);
}
