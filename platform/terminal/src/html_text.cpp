// HTML to plain text for the terminal's document viewer.
#include "html_text.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace fw_term {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The text of the entity whose name (after '&', before ';') is name; empty
// when it is none known.
std::string Entity(const std::string& name) {
  struct Named {
    const char* name;
    uint32_t code;
  };
  static const Named kNamed[] = {{"amp", '&'},     {"lt", '<'},       {"gt", '>'},       {"quot", '"'},
                                 {"apos", '\''},   {"nbsp", 0xA0},    {"copy", 0xA9},    {"reg", 0xAE},
                                 {"euro", 0x20AC}, {"auml", 0xE4},    {"ouml", 0xF6},    {"uuml", 0xFC},
                                 {"Auml", 0xC4},   {"Ouml", 0xD6},    {"Uuml", 0xDC},    {"szlig", 0xDF},
                                 {"ndash", 0x2013}, {"mdash", 0x2014}, {"hellip", 0x2026}, {"rarr", 0x2192},
                                 {"larr", 0x2190}, {"uarr", 0x2191},  {"darr", 0x2193}};
  std::string out;
  if (name.size() > 1 && name[0] == '#') {
    bool hex = name[1] == 'x' || name[1] == 'X';
    std::string digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 7) return out;
    for (char c : digits)
      if (!(hex ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c)))) return out;
    AppendUtf8(out, static_cast<uint32_t>(std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10)));
    return out;
  }
  for (const Named& entry : kNamed)
    if (name == entry.name) AppendUtf8(out, entry.code);
  return out;
}

bool IsBlockTag(const std::string& tag) {
  static const char* const kBlocks[] = {"p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "ul", "ol", "dl",
                                        "table", "tr", "pre", "blockquote", "title", "body", "dt", "dd", "hr"};
  for (const char* block : kBlocks)
    if (tag == block) return true;
  return false;
}

}  // namespace

std::string HtmlToText(const std::string& html) {
  std::string out;
  // Blanks waiting to be written: one folded blank, or line breaks.
  bool blank = false;
  int breaks = 0;
  auto flushSpace = [&]() {
    if (out.empty()) {
      breaks = 0;
      blank = false;
      return;
    }
    if (breaks > 0) {
      while (!out.empty() && out.back() == ' ') out.pop_back();
      out.append(static_cast<size_t>(breaks), '\n');
    } else if (blank && out.back() != '\n') {
      out += ' ';
    }
    breaks = 0;
    blank = false;
  };
  auto wantBreaks = [&](int count) {
    if (count > breaks) breaks = count;
  };
  bool pre = false;
  std::string skipUntil;  // a closing tag whose content is left out
  size_t i = 0;
  while (i < html.size()) {
    char c = html[i];
    if (c == '<') {
      if (html.compare(i, 4, "<!--") == 0) {
        size_t end = html.find("-->", i + 4);
        i = end == std::string::npos ? html.size() : end + 3;
        continue;
      }
      size_t end = html.find('>', i);
      if (end == std::string::npos) break;
      std::string inside = html.substr(i + 1, end - i - 1);
      i = end + 1;
      bool closing = !inside.empty() && inside[0] == '/';
      size_t nameStart = closing ? 1 : 0;
      size_t nameEnd = nameStart;
      while (nameEnd < inside.size() && std::isalnum(static_cast<unsigned char>(inside[nameEnd]))) ++nameEnd;
      std::string tag = Lower(inside.substr(nameStart, nameEnd - nameStart));
      if (!skipUntil.empty()) {
        if (closing && tag == skipUntil) skipUntil.clear();
        continue;
      }
      if (!closing && (tag == "head" || tag == "script" || tag == "style")) {
        skipUntil = tag;
        continue;
      }
      if (tag == "br") {
        wantBreaks(1);
        if (out.empty()) continue;
        flushSpace();
        continue;
      }
      if (tag == "li") {
        if (!closing) {
          wantBreaks(1);
          flushSpace();
          out += "  * ";
        } else {
          wantBreaks(1);
        }
        continue;
      }
      if (tag == "pre") pre = !closing;
      if (IsBlockTag(tag)) wantBreaks(2);
      else if (tag == "td" || tag == "th") blank = true;
      continue;
    }
    if (!skipUntil.empty()) {
      ++i;
      continue;
    }
    if (c == '&') {
      size_t semi = html.find(';', i);
      if (semi != std::string::npos && semi - i <= 10) {
        std::string text = Entity(html.substr(i + 1, semi - i - 1));
        if (!text.empty()) {
          flushSpace();
          out += text == "\xC2\xA0" ? " " : text;
          i = semi + 1;
          continue;
        }
      }
    }
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
      if (pre && c == '\n') {
        wantBreaks(1);
        flushSpace();
      } else if (pre) {
        flushSpace();
        out += ' ';
      } else {
        blank = true;
      }
      ++i;
      continue;
    }
    flushSpace();
    out += c;
    ++i;
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '\n')) out.pop_back();
  return out;
}

bool IsHtmlFileName(const std::string& name) {
  auto endsWith = [&name](const std::string& tail) {
    if (name.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(name[name.size() - tail.size() + i])) != tail[i]) return false;
    return true;
  };
  return endsWith(".htm") || endsWith(".html");
}

}  // namespace fw_term
