// Recognising numbers in text values and choosing a column type from them.
#include "column_typing.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view WithoutSign(std::string_view text) {
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  return text;
}

}  // namespace

bool IsIntegerText(std::string_view text) {
  const std::string_view digits = WithoutSign(text);
  if (digits.empty() || (digits[0] == '0' && digits.size() > 1)) return false;
  for (char c : digits)
    if (!IsDigit(c)) return false;
  long long value = 0;
  const char* first = text.data() + (text[0] == '+' ? 1 : 0);
  const auto result = std::from_chars(first, text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool IsDecimalText(std::string_view text) {
  std::string_view rest = WithoutSign(text);
  size_t digits = 0;
  size_t wholeDigits = 0;
  bool point = false;
  size_t i = 0;
  for (; i < rest.size(); ++i) {
    if (IsDigit(rest[i])) {
      ++digits;
      if (!point) ++wholeDigits;
    } else if (rest[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0 || (wholeDigits > 1 && rest[0] == '0')) return false;
  if (i == rest.size()) return true;
  if (rest[i] != 'e' && rest[i] != 'E') return false;
  rest = WithoutSign(rest.substr(i + 1));
  if (rest.empty()) return false;
  for (char c : rest)
    if (!IsDigit(c)) return false;
  return true;
}

bool IntegerComesBackUnchanged(std::string_view text) {
  if (text.empty() || text[0] == '+' || text == "-0" || !IsIntegerText(text)) return false;
  long long value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value >= -2147483648LL && value <= 2147483647LL;
}

bool RealComesBackUnchanged(std::string_view text) {
  const std::string_view unsigned_ = text.substr(!text.empty() && text[0] == '-' ? 1 : 0);
  const size_t point = unsigned_.find('.');
  if (point == std::string_view::npos || point == 0 || point + 1 == unsigned_.size()) return false;
  if (unsigned_.back() == '0') return false;
  for (size_t i = 0; i < unsigned_.size(); ++i)
    if (i != point && !IsDigit(unsigned_[i])) return false;
  const std::string copy(text);
  char written[40];
  std::snprintf(written, sizeof written, "%.15g", std::strtod(copy.c_str(), nullptr));
  return copy == written;
}

bool ComesBackUnchanged(std::string_view text, SourceColumnType type) {
  switch (type) {
    case SourceColumnType::Integer: return IntegerComesBackUnchanged(text);
    case SourceColumnType::Real: return RealComesBackUnchanged(text);
    default: return true;
  }
}

void ColumnTypeScan::see(std::string_view value) {
  if (value.empty()) return;
  sawValue_ = true;
  if (allIntegers_ && !IntegerComesBackUnchanged(value)) allIntegers_ = false;
  if (allDecimals_ && !RealComesBackUnchanged(value)) allDecimals_ = false;
}

SourceColumnType ColumnTypeScan::type() const {
  if (!sawValue_) return SourceColumnType::Text;
  if (allIntegers_) return SourceColumnType::Integer;
  if (allDecimals_) return SourceColumnType::Real;
  return SourceColumnType::Text;
}
