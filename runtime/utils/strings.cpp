// String, formatting and environment helpers of the platform layer.
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>

#include "dv_err.h"
#include "dv_platform.h"

namespace dv_qem {

char* _VRN_strdup(const char* s) {
  size_t n = std::strlen(s) + 1;
  char* copy = static_cast<char*>(_VRN_allocate(n));
  std::memcpy(copy, s, n);
  return copy;
}

size_t _VRN_strlen(const char* s) { return std::strlen(s); }

namespace {

unsigned char ascii_upper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }
unsigned char ascii_lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

}  // namespace

int _VRN_strcasecmp(const char* a, const char* b) {
  const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
  const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
  for (;; ++x, ++y) {
    unsigned char cx = ascii_upper(*x);
    unsigned char cy = ascii_upper(*y);
    if (cx != cy) return cx < cy ? -1 : 1;
    if (cx == '\0') return 0;
  }
}

void _VRN_uppercase(char* s) {
  for (; *s != '\0'; ++s) *s = static_cast<char>(ascii_upper(static_cast<unsigned char>(*s)));
}

void _VRN_lowercase(char* s) {
  for (; *s != '\0'; ++s) *s = static_cast<char>(ascii_lower(static_cast<unsigned char>(*s)));
}

int _VRN_sprintf(char* buffer, const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = std::vsprintf(buffer, fmt, args);
  va_end(args);
  return n;
}

int _VRN_vsnprintf(char* buffer, size_t size, const char* fmt, va_list args) {
  if (size == 0) return 0;
  int n = std::vsnprintf(buffer, size, fmt, args);
  if (n < 0) {
    buffer[0] = '\0';
    return 0;
  }
  return static_cast<size_t>(n) < size ? n : static_cast<int>(size - 1);
}

int _VRN_snprintf(char* buffer, size_t size, const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = _VRN_vsnprintf(buffer, size, fmt, args);
  va_end(args);
  return n;
}

dv4u _VRN_strto4u(const char* s, char** end, int base) {
  // A thread-local "C" locale leaves the caller's locale untouched.
  static locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
  locale_t previous = uselocale(c_locale);
  unsigned long v = std::strtoul(s, end, base);
  uselocale(previous);
  return static_cast<dv4u>(v);
}

const char* _VRN_getenv(const char* name) {
  const char* v = std::getenv(name);
  return (v != nullptr && v[0] != '\0') ? v : nullptr;
}

void* _VRN_allocate(size_t n) {
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw dv_err_out_of_virtual_memory("Out of virtual memory (malloc returned 0)");
  return p;
}

void* _VRN_allocate_zeroed(size_t n, size_t size) {
  void* p = std::calloc(n == 0 ? 1 : n, size == 0 ? 1 : size);
  if (p == nullptr) throw dv_err_out_of_virtual_memory("Out of virtual memory (calloc returned 0)");
  return p;
}

void _VRN_free(void* p) { std::free(p); }

}  // namespace dv_qem
