// The metaobjects' text, kept in the database of its owner.
#include <cstring>
#include <ostream>

#include "dv_new.h"
#include "dv_qem/mop_string.h"
#include "durnavel.h"

namespace dv_qem {

char* String::copy_here(const char* text) const {
  if (text == nullptr) text = "";
  const unsigned length = static_cast<unsigned>(std::strlen(text)) + 1;
  char* copy = static_cast<char*>(::operator new(length, dv_database::of(this), dv_typespec::get_char(), length));
  std::memcpy(copy, text, length);
  return copy;
}

String::String() : text_(copy_here("")) {}

String::String(const char* text) : text_(copy_here(text)) {}

String::String(const String& other) : text_(copy_here(other.text_)) {}

String::~String() {
  durnavel::free_memory(text_);
  text_ = nullptr;
}

String& String::operator=(const String& other) {
  if (this == &other) return *this;
  char* copy = copy_here(other.text_);
  durnavel::free_memory(text_);
  text_ = copy;
  return *this;
}

bool String::operator<(const String& other) const { return std::strcmp(text_, other.text_) < 0; }
bool String::operator>(const String& other) const { return std::strcmp(text_, other.text_) > 0; }
bool String::operator==(const String& other) const { return std::strcmp(text_, other.text_) == 0; }
bool String::operator!=(const String& other) const { return std::strcmp(text_, other.text_) != 0; }

dv_typespec* String::get_dv_typespec() { return &dv_ts<String>::the_instance; }

std::ostream& operator<<(std::ostream& out, const String& s) { return out << s.get_str(); }

}  // namespace dv_qem

// The text pointer at 0.
DV_DEFINE_TYPESPEC(dv_qem::String, "dv_qem::String", DV_POINTERS(0), DV_NO_VTABLES);
