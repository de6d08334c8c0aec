// Recognising numbers in text values and choosing a column type from them.
#include "column_typing.h"

#include <charconv>

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

void ColumnTypeScan::see(std::string_view value) {
  if (value.empty()) return;
  sawValue_ = true;
  if (allIntegers_ && !IsIntegerText(value)) allIntegers_ = false;
  if (allDecimals_ && !IsDecimalText(value)) allDecimals_ = false;
}

SourceColumnType ColumnTypeScan::type() const {
  if (!sawValue_) return SourceColumnType::Text;
  if (allIntegers_) return SourceColumnType::Integer;
  if (allDecimals_) return SourceColumnType::Real;
  return SourceColumnType::Text;
}
