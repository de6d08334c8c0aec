// Byte-wise text helpers (see fw_mbs.h).
#include "fw_mbs.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace fw_mbs {

bool is_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

char to_upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

char to_lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

int compare(const char* a, const char* b) { return std::strcmp(a, b); }

int compare_no_case_n(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(to_lower(a[i]));
    unsigned char cb = static_cast<unsigned char>(to_lower(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
  return 0;
}

int compare_no_case(const char* a, const char* b) { return compare_no_case_n(a, b, SIZE_MAX); }

int collate(const char* a, const char* b) { return compare(a, b); }

const char* find_char(const char* text, char c) { return std::strchr(text, c); }

const char* find_last_char(const char* text, char c) { return std::strrchr(text, c); }

const char* find_text(const char* text, const char* what) { return std::strstr(text, what); }

const char* find_one_of(const char* text, const char* set) { return std::strpbrk(text, set); }

size_t span(const char* text, const char* set) { return std::strspn(text, set); }

size_t span_excluding(const char* text, const char* set) { return std::strcspn(text, set); }

void make_upper(char* text) {
  for (; *text; ++text) *text = to_upper(*text);
}

void make_lower(char* text) {
  for (; *text; ++text) *text = to_lower(*text);
}

static bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

void reverse(char* text, size_t length) {
  // Reverse every byte, then put each multibyte sequence (now continuation
  // bytes first, lead byte last) back in order.
  std::reverse(text, text + length);
  size_t i = 0;
  while (i < length) {
    size_t start = i;
    while (i < length && is_continuation(text[i])) ++i;
    if (i < length && i > start && static_cast<unsigned char>(text[i]) >= 0xC0) {
      std::reverse(text + start, text + i + 1);
    }
    ++i;
  }
}

}  // namespace fw_mbs
