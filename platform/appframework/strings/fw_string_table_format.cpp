// Parser of string-table files (format in fw_string_table_format.h).
#include "fw_string_table_format.h"

#include <cerrno>
#include <cctype>
#include <cstdlib>

namespace {

[[noreturn]] void refuse(const char* name, int line, const std::string& what) {
  throw FwStringTableError(std::string("string table ") + name + " line " + std::to_string(line) + ": " + what);
}

// The number at the start of text (decimal or 0x hexadecimal) and where it
// ends; false when there is none or it overflows.
bool parse_number(const std::string& text, unsigned long* value, size_t* used) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  errno = 0;
  char* end = nullptr;
  *value = std::strtoul(text.c_str(), &end, 0);
  *used = static_cast<size_t>(end - text.c_str());
  return errno == 0;
}

std::string unescape(const char* name, int line, const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out.push_back(text[i]);
      continue;
    }
    if (++i == text.size()) refuse(name, line, "a backslash ends the line");
    switch (text[i]) {
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case '\\': out.push_back('\\'); break;
      default: refuse(name, line, std::string("unknown escape \\") + text[i]);
    }
  }
  return out;
}

}  // namespace

FwParsedStringTable FwParseStringTable(const char* name, const char* begin, const char* end) {
  FwParsedStringTable table;
  int line_number = 0;
  const char* p = begin;
  while (p < end) {
    const char* eol = p;
    while (eol < end && *eol != '\n') ++eol;
    std::string line(p, eol);
    p = eol < end ? eol + 1 : end;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    unsigned long value;
    size_t used;
    if (line.rfind("language ", 0) == 0) {
      std::string number = line.substr(9);
      if (!parse_number(number, &value, &used) || used != number.size() || value == 0 || value > 0xFFFF) {
        refuse(name, line_number, "bad language identifier \"" + number + "\"");
      }
      table.langId = static_cast<WORD>(value);
      continue;
    }
    if (table.langId == 0) refuse(name, line_number, "a string before the language line");
    if (!parse_number(line, &value, &used) || value == 0 || value > 0xFFFF || used >= line.size() || line[used] != '\t') {
      refuse(name, line_number, "expected a string number (1-65535), a tab and the text");
    }
    std::string text = unescape(name, line_number, line.substr(used + 1));
    if (text.empty()) refuse(name, line_number, "an empty text (leave the string out instead)");
    if (!table.strings.emplace(static_cast<UINT>(value), text).second) {
      refuse(name, line_number, "string " + std::to_string(value) + " given twice");
    }
  }
  if (table.langId == 0) refuse(name, line_number, "no language line");
  return table;
}
