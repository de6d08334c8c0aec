// Reading and writing the mapping files' text (format in the header).
#include "mapping_file.h"

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

std::vector<CString> ReadColumns(const CString& list) {
  std::vector<CString> columns;
  // Searched in place: copying the rest for each entry made a long list
  // cost time by the square of its length.
  const std::string_view text(static_cast<LPCTSTR>(list));
  size_t start = 0;
  while (start < text.size()) {
    const size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) {
      columns.push_back(list.Mid(static_cast<int>(start)));
      break;
    }
    columns.push_back(list.Mid(static_cast<int>(start), static_cast<int>(comma - start)));
    start = comma + 1;
  }
  return columns;
}

}  // namespace

std::vector<MappingSection> ReadMappingSections(const CString& text) {
  std::vector<MappingSection> sections;
  const std::string_view whole(static_cast<LPCTSTR>(text));
  int start = text.Find('<');
  while (start >= 0) {
    const size_t found = whole.find('<', static_cast<size_t>(start) + 1);
    const int next = found == std::string_view::npos ? -1 : static_cast<int>(found) - start - 1;
    CString section = next < 0 ? text.Mid(start) : text.Mid(start, next + 1);
    start = next < 0 ? -1 : start + 1 + next;
    while (!section.IsEmpty() && (section.Right(1) == "\n" || section.Right(1) == "\r"))
      section = section.Left(section.GetLength() - 1);
    int at;
    if ((at = section.Find(kOptionsKey)) >= 0) {
      CString rest = section.Mid(at + static_cast<int>(std::strlen(kOptionsKey)));
      sections.push_back({MappingSection::Options, ReadCount(kOptionsKey, rest, kMaxMappedOptions), {}});
    } else if ((at = section.Find(kChoicesKey)) >= 0) {
      CString rest = section.Mid(at + static_cast<int>(std::strlen(kChoicesKey)));
      sections.push_back({MappingSection::Choices, ReadCount(kChoicesKey, rest, kMaxMappedChoices), {}});
    } else if ((at = section.Find(kTablesKey)) >= 0) {
      CString rest = section.Mid(at + static_cast<int>(std::strlen(kTablesKey)));
      sections.push_back({MappingSection::Tables, 0, ReadColumns(rest)});
    }
  }
  return sections;
}

CString FormatMappingFile(int options, int choices, const std::vector<CString>& rowColumns) {
  CString list;
  for (const CString& column : rowColumns) list += column + ",";
  if (list.Right(1) == ",") list = list.Left(list.GetLength() - 1);
  CString text;
  text.Format("%s%d\n%s%d\n%s%s\n", kOptionsKey, options, kChoicesKey, choices, kTablesKey, static_cast<LPCTSTR>(list));
  return text;
}
