// Normal form of C++ type names.
#include "classname.h"

namespace dv_qem {

namespace {

bool is_dropped(char c) { return c == '\t' || c == '\n'; }

// The first character from s on that is not a blank, tab or newline.
char next_significant(const char* s) {
  while (*s == ' ' || is_dropped(*s)) ++s;
  return *s;
}

bool blank_is_dropped(char before, char after) {
  if (before == '>' && after == '>') return false;  // "> >" never becomes ">>"
  return before == '\0' || before == ' ' || before == ',' || before == ':' || before == '<' || after == '>';
}

}  // namespace

void _VRN_normalize_classname(char* dest, const char* src, size_t length) {
  if (length == 0) return;
  size_t n = 0;
  for (const char* p = src != nullptr ? src : ""; *p != '\0' && n + 1 < length; ++p) {
    if (is_dropped(*p)) continue;
    if (*p == ' ' && blank_is_dropped(n > 0 ? dest[n - 1] : '\0', next_significant(p + 1))) continue;
    dest[n++] = *p;
  }
  dest[n] = '\0';
}

}  // namespace dv_qem
