// CString: printf formatting, message formatting (%1..%n) and loading from
// the string tables.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fw_exceptions.h"
#include "fw_string.h"
#include "fw_string_table.h"

std::string FwFormatV(LPCTSTR format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length < 0) AfxThrowMemoryException();
  std::string text(static_cast<size_t>(length), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

void CString::FormatV(LPCTSTR format, va_list args) {
  // The text is made apart from this string: an argument may be this
  // string's own text, which must stay alive until formatting is done.
  std::string text = FwFormatV(format, args);
  CString result(text.data(), static_cast<int>(text.size()));
  *this = result;
}

BOOL CString::LoadString(UINT id) {
  int length = 0;
  const char* text = FwFindString(id, &length);
  if (text == nullptr) return FALSE;
  AssignCopy(length, text);
  return TRUE;
}

namespace {

// One insert of a message format: %n or %n!printf-format!.
struct Insert {
  std::string conversion = "s";  // the printf format without its '%'
};

enum class ArgKind { integer, long_long, floating, wide_text };

ArgKind kind_of(const std::string& conversion) {
  char type = conversion.empty() ? 's' : conversion.back();
  if (type == 'e' || type == 'E' || type == 'f' || type == 'g' || type == 'G') return ArgKind::floating;
  if (type == 'S' || (type == 's' && conversion.find('l') != std::string::npos)) return ArgKind::wide_text;
  if (conversion.find("ll") != std::string::npos || conversion.find("I64") != std::string::npos) return ArgKind::long_long;
  return ArgKind::integer;  // int-sized: d i u x X o c s p
}

struct Arg {
  ArgKind kind = ArgKind::integer;
  unsigned long word = 0;
  unsigned long long wide = 0;
  double number = 0;
};

// Reads "%n" or "%n!fmt!" at format[i] (just after the '%'); returns the
// insert number (1..99) and moves i past it; 0 when format[i] is no digit.
int read_insert(const char* format, size_t* i, Insert* insert) {
  size_t p = *i;
  if (format[p] < '1' || format[p] > '9') return 0;
  int number = format[p++] - '0';
  if (format[p] >= '0' && format[p] <= '9') number = number * 10 + (format[p++] - '0');
  if (format[p] == '!') {
    const char* close = std::strchr(format + p + 1, '!');
    if (close == nullptr) AfxThrowMemoryException();  // an insert format without its closing '!'
    insert->conversion.assign(format + p + 1, close);
    p = static_cast<size_t>(close - format) + 1;
  }
  *i = p;
  return number;
}

template <class T>
std::string printf_one(const std::string& spec, T value) {
  int length = std::snprintf(nullptr, 0, spec.c_str(), value);
  if (length < 0) AfxThrowMemoryException();
  std::string out(length, '\0');
  std::snprintf(out.data(), length + 1, spec.c_str(), value);
  return out;
}

std::string format_one(const std::string& conversion, const Arg& arg) {
  std::string spec = "%" + conversion;
  char type = spec.back();
  switch (arg.kind) {
    case ArgKind::floating: return printf_one(spec, arg.number);
    case ArgKind::long_long: return printf_one(spec, arg.wide);
    case ArgKind::wide_text: {
      // A 16-bit text: convert it, then format it as a plain text.
      CString text(reinterpret_cast<LPCWSTR>(arg.word));
      std::string narrow;
      for (char c : spec) {
        if (c != 'l') narrow.push_back(c == 'S' ? 's' : c);
      }
      return printf_one(narrow, static_cast<LPCTSTR>(text));
    }
    case ArgKind::integer: break;
  }
  if (type == 's') return printf_one(spec, arg.word == 0 ? "(null)" : reinterpret_cast<const char*>(arg.word));
  if (type == 'p') return printf_one(spec, reinterpret_cast<void*>(arg.word));
  if (type == 'c') return printf_one(spec, static_cast<int>(arg.word));
  return printf_one(spec, arg.word);
}

}  // namespace

void CString::FormatMessageV(LPCTSTR format, va_list args) {
  // First pass: the conversion of every insert number (the first use wins),
  // so the arguments can be read in order with their sizes.
  std::vector<Insert> inserts;
  for (size_t i = 0; format[i] != '\0'; ++i) {
    if (format[i] != '%') continue;
    ++i;
    Insert insert;
    int number = read_insert(format, &i, &insert);
    if (number == 0) {
      if (format[i] == '\0') break;
      continue;
    }
    --i;
    if (static_cast<size_t>(number) > inserts.size()) inserts.resize(number);
    if (inserts[number - 1].conversion == "s" && insert.conversion != "s") inserts[number - 1] = insert;
  }
  std::vector<Arg> values(inserts.size());
  for (size_t n = 0; n < inserts.size(); ++n) {
    Arg& arg = values[n];
    arg.kind = kind_of(inserts[n].conversion);
    switch (arg.kind) {
      case ArgKind::floating: arg.number = va_arg(args, double); break;
      case ArgKind::long_long: arg.wide = va_arg(args, unsigned long long); break;
      default: arg.word = va_arg(args, unsigned long); break;
    }
  }
  // Second pass: the text.
  std::string out;
  for (size_t i = 0; format[i] != '\0'; ++i) {
    if (format[i] != '%') {
      out.push_back(format[i]);
      continue;
    }
    ++i;
    Insert insert;
    int number = read_insert(format, &i, &insert);
    if (number != 0) {
      // An occurrence without a format of its own, or with one that reads
      // its value differently, uses the insert's first format.
      const std::string& first = inserts[number - 1].conversion;
      bool own = insert.conversion != "s" && kind_of(insert.conversion) == values[number - 1].kind;
      out += format_one(own ? insert.conversion : first, values[number - 1]);
      --i;
      continue;
    }
    char c = format[i];
    if (c == '\0' || c == '0') break;  // "%0" ends the text
    if (c == 'r') out.push_back('\r');
    else if (c == 't') out.push_back('\t');
    else if (c == 'n') out.push_back('\n');
    else out.push_back(c);  // %% %. %! "% " and any other: the character itself
  }
  AssignCopy(static_cast<int>(out.size()), out.c_str());
}
