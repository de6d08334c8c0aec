// Reading and writing the mapping files' text (format in the header).
#include "mapping_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr const char* kOptionsKey = "<Options>=";
constexpr const char* kChoicesKey = "<Choices>=";
constexpr const char* kTablesKey = "<Tables>=";

// The count after key: blanks around it allowed, a whole number in
// [0, max].
int ReadCount(const char* key, const CString& rest, int max) {
  CString value = rest;
  value.TrimLeft();
  value.TrimRight();
  char* end = nullptr;
  long count = std::strtol(value, &end, 10);
  if (value.IsEmpty() || *end != '\0' || count < 0 || count > max)
    throw MappingFileError(std::string("mapping file: ") + key + static_cast<LPCTSTR>(rest) + " is not a count from 0 to " +
                           std::to_string(max));
  return static_cast<int>(count);
}

// Whether a column name must be quoted to read back: it holds ',' or '<'
// (which end an entry or a section), a line break (cut from a section's
// end), or begins with '"' (which opens a quoted entry).
bool NeedsQuotes(const CString& name) {
  return name.FindOneOf(",<\r\n") >= 0 || (!name.IsEmpty() && name[0] == '"');
}

// The end of a "<Tables>=" list that starts at start: the next '<' outside
// a quoted entry, or the end of the text.
size_t TablesEnd(std::string_view text, size_t start) {
  bool entryStart = true;
  for (size_t i = start; i < text.size(); ++i) {
    if (entryStart && text[i] == '"') {
      for (++i; i < text.size(); ++i) {
        if (text[i] != '"') continue;
        if (i + 1 < text.size() && text[i + 1] == '"') {
          ++i;
          continue;
        }
        break;
      }
      entryStart = false;
      continue;
    }
    if (text[i] == '<') return i;
    entryStart = text[i] == ',';
  }
  return text.size();
}

std::vector<CString> ReadColumns(std::string_view text) {
  std::vector<CString> columns;
  size_t at = 0;
  while (at < text.size()) {
    std::string column;
    if (text[at] == '"') {
      for (++at; at < text.size(); ++at) {
        if (text[at] != '"') {
          column += text[at];
        } else if (at + 1 < text.size() && text[at + 1] == '"') {
          column += '"';
          ++at;
        } else {
          ++at;
          break;
        }
      }
    }
    const size_t comma = text.find(',', at);
    const size_t end = comma == std::string_view::npos ? text.size() : comma;
    column.append(text.substr(at, end - at));
    columns.push_back(CString(column.c_str()));
    if (comma == std::string_view::npos) break;
    at = comma + 1;
  }
  return columns;
}

}  // namespace

std::vector<MappingSection> ReadMappingSections(const CString& text) {
  std::vector<MappingSection> sections;
  const std::string_view whole(static_cast<LPCTSTR>(text));
  const size_t tablesKeyLength = std::strlen(kTablesKey);
  size_t start = whole.find('<');
  while (start != std::string_view::npos) {
    const bool tables = whole.compare(start, tablesKeyLength, kTablesKey) == 0;
    size_t end = tables ? TablesEnd(whole, start + tablesKeyLength) : whole.find('<', start + 1);
    if (end == std::string_view::npos) end = whole.size();
    std::string_view section = whole.substr(start, end - start);
    start = end < whole.size() ? end : std::string_view::npos;
    while (!section.empty() && (section.back() == '\n' || section.back() == '\r')) section.remove_suffix(1);
    const CString rest(std::string(section.substr(std::min(section.size(), section.find('=') + 1))).c_str());
    if (section.rfind(kOptionsKey, 0) == 0) {
      sections.push_back({MappingSection::Options, ReadCount(kOptionsKey, rest, kMaxMappedOptions), {}});
    } else if (section.rfind(kChoicesKey, 0) == 0) {
      sections.push_back({MappingSection::Choices, ReadCount(kChoicesKey, rest, kMaxMappedChoices), {}});
    } else if (tables) {
      sections.push_back({MappingSection::Tables, 0, ReadColumns(section.substr(tablesKeyLength))});
    }
  }
  return sections;
}

CString FormatMappingFile(int options, int choices, const std::vector<CString>& rowColumns) {
  CString list;
  for (const CString& column : rowColumns) {
    if (!NeedsQuotes(column)) {
      list += column + ",";
      continue;
    }
    CString quoted = "\"";
    for (int i = 0; i < column.GetLength(); ++i) quoted += column[i] == '"' ? CString("\"\"") : CString(column[i]);
    list += quoted + "\",";
  }
  if (list.Right(1) == ",") list = list.Left(list.GetLength() - 1);
  CString text;
  text.Format("%s%d\n%s%d\n%s%s\n", kOptionsKey, options, kChoicesKey, choices, kTablesKey, static_cast<LPCTSTR>(list));
  return text;
}
