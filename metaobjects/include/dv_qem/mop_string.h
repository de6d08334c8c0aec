// String: the metaobjects' text, one pointer to a NUL-terminated text that
// lives in the database of the String itself (the ordinary heap for a String
// outside every database). A null source is taken as the empty text.
#pragma once

#include <iosfwd>

#include "dv_typespec.h"

namespace dv_qem {

class String {
 public:
  // An empty text.
  String();
  String(const char* text);
  // Touches nothing (the typespec's probe).
  explicit String(dv_probe_t) {}
  String(const String& other);
  // Frees the text.
  ~String();
  // Copies the other's text (self-assignment keeps the text).
  String& operator=(const String& other);

  const char* get_str() const { return text_; }

  // Byte-wise comparison of the texts as unsigned characters (strcmp order).
  bool operator<(const String& other) const;
  bool operator>(const String& other) const;
  bool operator==(const String& other) const;
  bool operator!=(const String& other) const;

  static dv_typespec* get_dv_typespec();

 private:
  // A copy of text in this String's database.
  char* copy_here(const char* text) const;

  char* text_;  // owned copy, never null
};
static_assert(sizeof(String) == 4);

std::ostream& operator<<(std::ostream& out, const String& s);

}  // namespace dv_qem
