// Reading a text file's section of schema.ini into its format.
#include "text_file_format.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace {

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

class SchemaLine {
 public:
  SchemaLine(const std::string& schemaPath, long lineNumber) : schemaPath_(schemaPath), lineNumber_(lineNumber) {}

  [[noreturn]] void refuse(const std::string& key, const std::string& value, const std::string& why) const {
    throw SourceFileError(schemaPath_ + ": line " + std::to_string(lineNumber_) + ": " + key + "=" + value +
                          ": " + why);
  }

 private:
  const std::string& schemaPath_;
  long lineNumber_;
};

void ApplyFormat(const std::string& value, const SchemaLine& line, TextFileFormat& format) {
  if (value.empty()) return;
  if (SameText(value, "CSVDelimited")) {
    format.delimiter = ',';
  } else if (SameText(value, "TabDelimited")) {
    format.delimiter = '\t';
  } else if (value.size() > 11 && SameText(value.substr(0, 10), "Delimited(") && value.back() == ')') {
    const std::string inner = value.substr(10, value.size() - 11);
    if (inner.size() != 1 || inner[0] == '"')
      line.refuse("Format", value, "the delimiter must be one character other than the double quote");
    format.delimiter = inner[0];
  } else {
    line.refuse("Format", value, "only CSVDelimited, TabDelimited and Delimited(c) files are read");
  }
}

void ApplyColNameHeader(const std::string& value, const SchemaLine& line, TextFileFormat& format) {
  if (SameText(value, "True"))
    format.columnNamesInHeader = true;
  else if (SameText(value, "False"))
    format.columnNamesInHeader = false;
  else
    line.refuse("ColNameHeader", value, "expected True or False");
}

void ApplyCharacterSet(const std::string& value, const SchemaLine& line, TextFileFormat& format) {
  format.encodingNamed = true;
  if (SameText(value, "ANSI"))
    format.encoding = TextEncoding::Windows1252;
  else if (SameText(value, "OEM"))
    format.encoding = TextEncoding::Oem850;
  else if (SameText(value, "UTF-8"))
    format.encoding = TextEncoding::Utf8;
  else
    line.refuse("CharacterSet", value, "expected ANSI, OEM or UTF-8");
}

}  // namespace

TextFileFormat ResolveTextFileFormat(const std::string& folder, const std::string& fileName,
                                     const TextFormatOptions& options) {
  TextFileFormat format;
  format.delimiter = options.delimiter;
  format.columnNamesInHeader = options.columnNamesInHeader;
  format.encoding = options.ansiCharacterSet ? TextEncoding::Windows1252 : TextEncoding::Oem850;

  const std::string schemaPath = (std::filesystem::path(folder) / "schema.ini").string();
  std::ifstream schema(schemaPath, std::ios::binary);
  if (!schema) return format;

  bool inSection = false;
  std::string text;
  for (long lineNumber = 1; std::getline(schema, text); ++lineNumber) {
    text = Trimmed(text);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      const auto close = text.find(']');
      inSection = close != std::string::npos && SameText(Trimmed(text.substr(1, close - 1)), fileName);
      continue;
    }
    const auto equals = text.find('=');
    if (!inSection || equals == std::string::npos) continue;
    const std::string key = Trimmed(text.substr(0, equals));
    const std::string value = Trimmed(text.substr(equals + 1));
    const SchemaLine line(schemaPath, lineNumber);
    if (SameText(key, "Format"))
      ApplyFormat(value, line, format);
    else if (SameText(key, "ColNameHeader"))
      ApplyColNameHeader(value, line, format);
    else if (SameText(key, "CharacterSet"))
      ApplyCharacterSet(value, line, format);
  }
  return format;
}
