// The character sets source files are written in, and their conversion to
// the UTF-8 that every staged value is held in.
#pragma once

#include <string>
#include <string_view>

enum class TextEncoding {
  Utf8,          // passed through unchanged
  Windows1252,   // "ANSI" on Western European Windows
  Oem850,        // "OEM": the Western European DOS code page
  Oem437,        // the original DOS code page (older dBase files)
};

// Appends `bytes`, read in `encoding`, to `out` as UTF-8.
void AppendAsUtf8(TextEncoding encoding, std::string_view bytes, std::string& out);

// True when `bytes` hold at least one character beyond ASCII and are UTF-8
// throughout (no stray continuation byte, overlong form, surrogate or value
// past U+10FFFF). A character cut off by the end of `bytes` is allowed when
// `bytes` are only the start of a file (`whole` false).
bool HoldsUtf8Text(std::string_view bytes, bool whole);
