// The import run's text helpers.
#include "import_text.h"

#include <cctype>
#include <string>

CString CutAtPoint(const CString& text) {
  const std::string s = static_cast<LPCTSTR>(text);
  const size_t point = s.find('.');
  if (point == std::string::npos || point == 0) return text;
  for (size_t i = 0; i < point; ++i)
    if (!std::isdigit(static_cast<unsigned char>(s[i])) && !(i == 0 && (s[i] == '-' || s[i] == '+'))) return text;
  for (size_t i = point + 1; i < s.size(); ++i)
    if (s[i] != '0') return text;
  return CString(s.substr(0, point).c_str());
}

CString CleanDepartmentName(const CString& text) {
  std::string s;
  for (const char* p = text; *p; ++p)
    if (*p != '"' && *p != '\\') s += *p;
  size_t start = s.find_first_not_of(" \t");
  s = start == std::string::npos ? std::string() : s.substr(start);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  while (!s.empty() && (s.back() == '\\' || s.back() == '/')) s.pop_back();
  return CString(s.c_str());
}

std::vector<CString> SplitDepartmentPath(const CString& text) {
  std::vector<CString> levels;
  std::string level;
  for (const char* p = text;; ++p) {
    if (*p == '/' || *p == '\0') {
      if (!level.empty()) levels.push_back(CString(level.c_str()));
      level.clear();
      if (*p == '\0') break;
    } else {
      level += *p;
    }
  }
  return levels;
}

namespace {

// A byte that continues a UTF-8 character (10xxxxxx).
bool ContinuesCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

CString TruncateForLog(const CString& value, int length) {
  // Characters are counted where they start, so a multi-byte UTF-8
  // character is kept whole or left out whole.
  const char* text = value;
  int characters = 0;
  size_t end = 0;
  for (; text[end] != '\0'; ++end) {
    if (end > 0 && ContinuesCharacter(text[end])) continue;
    if (characters == length) break;
    ++characters;
  }
  if (text[end] == '\0') return value + ",";
  return CString(std::string(text, end).c_str()) + "...,";
}

CString NormaliseCellValue(const CString& value) {
  if (value.CompareNoCase("<NULL>") == 0) return CString();
  const std::string s = static_cast<LPCTSTR>(value);
  std::string out;
  size_t from = 0;
  for (size_t at = s.find("<eol>"); at != std::string::npos; at = s.find("<eol>", from)) {
    out.append(s, from, at - from);
    out += '\n';
    from = at + 5;
  }
  out.append(s, from, std::string::npos);
  return CString(out.c_str());
}

bool LooksLikeNumber(const CString& value) {
  const std::string s = static_cast<LPCTSTR>(value);
  size_t i = s.find_first_not_of(" \t");
  if (i == std::string::npos) return false;
  if (s[i] == '-' || s[i] == '+') ++i;
  bool digits = false;
  for (; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (std::isdigit(c)) {
      digits = true;
    } else if (c != ',' && c != '.') {
      break;
    }
  }
  for (; i < s.size(); ++i)
    if (!std::isspace(static_cast<unsigned char>(s[i]))) return false;
  return digits;
}

bool HasBothSeparators(const CString& value) { return value.Find(',') >= 0 && value.Find('.') >= 0; }

CString WithoutGroupSeparators(const CString& value) {
  if (!HasBothSeparators(value)) return value;
  const std::string s = static_cast<LPCTSTR>(value);
  const char decimal = s.find_last_of(",.") == s.rfind(',') ? ',' : '.';
  std::string out;
  for (char c : s) {
    if (c == ',' || c == '.') {
      if (c == decimal) out += '.';
    } else {
      out += c;
    }
  }
  return CString(out.c_str());
}
