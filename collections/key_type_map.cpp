// Key-type names and numbers, and the normal form of a key-type name.
#include "key_type_map.h"

#include <cstring>

#include "dv_platform.h"

namespace dv_qem {

namespace {

// Indexed by key-type number; number 0 has no name.
constexpr const char* kKeyTypeNames[] = {
    nullptr,       "signed char", "unsigned char", "short",       "unsigned short",
    "int",         "unsigned int", "long",         "unsigned long", "float",
    "double",      "long double", "void*",         "void",        "char",
};
constexpr int kKeyTypeCount = sizeof kKeyTypeNames / sizeof kKeyTypeNames[0];

}  // namespace

int _key_type_code(const char* name) {
  if (name == nullptr) return 0;
  for (int code = 1; code < kKeyTypeCount; ++code)
    if (std::strcmp(name, kKeyTypeNames[code]) == 0) return code;
  return 0;
}

const char* _key_type_name(int code) {
  return code > 0 && code < kKeyTypeCount ? kKeyTypeNames[code] : nullptr;
}

char* _normalize_key_type(const char* name) {
  if (name == nullptr) return nullptr;
  char* copy = _VRN_strdup(name);
  for (char* hit = std::strstr(copy, "const"); hit != nullptr; hit = std::strstr(hit, "const"))
    std::memset(hit, ' ', 5);
  return copy;
}

char* _cache_key_type(const char* name) {
  char* text = _normalize_key_type(name);
  if (text == nullptr) return nullptr;
  char* out = text;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == ' ') {
      const char* next = p;
      while (*next == ' ') ++next;
      if (*next == '\0' || *next == '*' || *next == '[') {
        p = next - 1;
        continue;
      }
    }
    *out++ = *p;
  }
  *out = '\0';
  return text;
}

bool _key_type_is(const char* name, const char* expected) {
  if (name == nullptr || expected == nullptr) return false;
  const char* p = name;
  const char* e = expected;
  for (;;) {
    while (*p == ' ' || std::strncmp(p, "const", 5) == 0) p += *p == ' ' ? 1 : 5;
    while (*e == ' ') ++e;
    if (*p != *e) return false;
    if (*p == '\0') return true;
    ++p;
    ++e;
  }
}

int _key_type_code_normalized(const char* name) {
  for (int code = 1; code < kKeyTypeCount; ++code)
    if (_key_type_is(name, kKeyTypeNames[code])) return code;
  return 0;
}

bool _key_type_is_pointer_valued(const char* name) {
  return _key_type_is(name, "char*") || _key_type_is(name, "dv_pvoid");
}

unsigned _key_type_floating_size(const char* name) {
  if (_key_type_is(name, "float")) return 4;
  if (_key_type_is(name, "double") || _key_type_is(name, "long double")) return 8;
  return 0;
}

}  // namespace dv_qem
