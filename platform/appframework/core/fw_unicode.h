// Conversions between the program's UTF-8 texts and 16-bit (UTF-16) texts.
#pragma once

#include <cstddef>
#include <string>

#include "fw_types.h"

namespace fw_unicode {

// Count of 16-bit units before the terminating 0 (0 for null).
size_t utf16_length(LPCWSTR text);
// A byte that starts no valid UTF-8 sequence is taken as the code point of
// the same value, so no input is lost.
std::u16string utf8_to_utf16(const char* text, size_t length);
// An unpaired surrogate becomes U+FFFD.
std::string utf16_to_utf8(LPCWSTR text, size_t length);

}  // namespace fw_unicode
