// UTF-8 to and from wide text for the terminal front end.
#include "term_text.h"

#include <cstdint>
#include <cwchar>
#include <vector>

namespace fw_term {

finalcut::FString Wide(const std::string& utf8) {
  std::wstring wide;
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
  size_t size = utf8.size();
  for (size_t i = 0; i < size;) {
    unsigned char lead = bytes[i];
    int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + extra >= size) {
      wide += L'\xFFFD';
      ++i;
      continue;
    }
    uint32_t code = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      code = (code << 6) | (bytes[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are no characters.
    static const uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (valid && (code < kSmallest[extra] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)) valid = false;
    if (!valid) {
      wide += L'\xFFFD';
      ++i;
      continue;
    }
    // Control characters other than line breaks and tabs would move the cursor.
    if (code < 0x20 && code != '\n' && code != '\t') code = code == '\r' ? 0 : 0xFFFD;
    if (code != 0) wide += static_cast<wchar_t>(code);
    i += extra + 1;
  }
  return finalcut::FString(wide);
}

std::string Utf8(const finalcut::FString& text) {
  std::string bytes;
  for (wchar_t ch : text.toWString()) {
    auto code = static_cast<uint32_t>(ch);
    if (code < 0x80) {
      bytes += static_cast<char>(code);
    } else if (code < 0x800) {
      bytes += static_cast<char>(0xC0 | (code >> 6));
      bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      bytes += static_cast<char>(0xE0 | (code >> 12));
      bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      bytes += static_cast<char>(0xF0 | (code >> 18));
      bytes += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      bytes += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return bytes;
}

std::size_t Cells(const finalcut::FString& text) {
  std::size_t cells = 0;
  for (wchar_t ch : text.toWString()) {
    int width = wcwidth(ch);
    cells += width < 0 ? 1 : static_cast<std::size_t>(width);
  }
  return cells;
}

std::string WithoutAccessMarks(const std::string& text) {
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}

std::vector<finalcut::FString> Wrap(const finalcut::FString& text, std::size_t width) {
  std::vector<finalcut::FString> lines;
  if (width == 0) width = 1;
  std::wstring all = text.toWString();
  size_t at = 0;
  while (at <= all.size()) {
    size_t end = all.find(L'\n', at);
    std::wstring paragraph = all.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
    at = end == std::wstring::npos ? all.size() + 1 : end + 1;
    while (Cells(paragraph) > width) {
      // The last blank within width cells, else a cut at width cells.
      size_t cut = 0, cells = 0, blank = std::wstring::npos;
      for (; cut < paragraph.size(); ++cut) {
        int w = wcwidth(paragraph[cut]);
        size_t next = cells + (w < 0 ? 1 : static_cast<size_t>(w));
        if (next > width) break;
        if (paragraph[cut] == L' ') blank = cut;
        cells = next;
      }
      if (blank != std::wstring::npos && blank > 0) cut = blank;
      if (cut == 0) cut = 1;
      lines.push_back(finalcut::FString(paragraph.substr(0, cut)));
      paragraph = paragraph.substr(cut < paragraph.size() && paragraph[cut] == L' ' ? cut + 1 : cut);
    }
    lines.push_back(finalcut::FString(paragraph));
  }
  return lines;
}

}  // namespace fw_term
