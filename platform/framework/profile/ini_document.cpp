// An ini file held as its lines (see ini_document.h).
#include "ini_document.h"

#include "fw_mbs.h"

namespace {

std::string trim(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && fw_mbs::is_space(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && fw_mbs::is_space(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

bool same(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (fw_mbs::to_lower(a[i]) != fw_mbs::to_lower(b[i])) return false;
  }
  return true;
}

}  // namespace

FwIniDocument::Line FwIniDocument::Parse(std::string text, std::string eol) {
  Line line;
  line.text = std::move(text);
  line.eol = std::move(eol);
  std::string body = trim(line.text);
  if (!body.empty() && body[0] == '[') {
    size_t close = body.find(']');
    if (close != std::string::npos) {
      line.kind = Kind::section;
      line.name = trim(body.substr(1, close - 1));
    }
    return line;  // a header without ']' means nothing
  }
  size_t equals = body.find('=');
  if (equals != std::string::npos) {
    line.kind = Kind::key;
    line.name = trim(body.substr(0, equals));
    line.value = trim(body.substr(equals + 1));
  }
  return line;
}

FwIniDocument::FwIniDocument(const std::string& bytes) {
  size_t start = 0;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    bom_ = true;
    start = 3;
  }
  while (start < bytes.size()) {
    size_t newline = bytes.find('\n', start);
    size_t end = newline == std::string::npos ? bytes.size() : newline;
    size_t text_end = end > start && bytes[end - 1] == '\r' ? end - 1 : end;
    std::string eol = newline == std::string::npos ? bytes.substr(text_end) : bytes.substr(text_end, end + 1 - text_end);
    lines_.push_back(Parse(bytes.substr(start, text_end - start), eol));
    start = newline == std::string::npos ? bytes.size() : newline + 1;
  }
}

int FwIniDocument::FindSection(const std::string& section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::section && same(lines_[i].name, section)) return static_cast<int>(i);
  }
  return -1;
}

size_t FwIniDocument::SectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::section) ++i;
  return i;
}

std::optional<std::string> FwIniDocument::Lookup(const std::string& section, const std::string& key) const {
  int header = FindSection(section);
  if (header < 0) return std::nullopt;
  for (size_t i = header + 1, end = SectionEnd(header); i < end; ++i) {
    if (lines_[i].kind == Kind::key && same(lines_[i].name, key)) return lines_[i].value;
  }
  return std::nullopt;
}

std::vector<std::string> FwIniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (const Line& line : lines_) {
    if (line.kind != Kind::section) continue;
    bool seen = false;
    for (const std::string& name : names) seen = seen || same(name, line.name);
    if (!seen) names.push_back(line.name);
  }
  return names;
}

std::vector<std::string> FwIniDocument::KeyNames(const std::string& section) const {
  std::vector<std::string> names;
  int header = FindSection(section);
  if (header < 0) return names;
  for (size_t i = header + 1, end = SectionEnd(header); i < end; ++i) {
    if (lines_[i].kind != Kind::key) continue;
    bool seen = false;
    for (const std::string& name : names) seen = seen || same(name, lines_[i].name);
    if (!seen) names.push_back(lines_[i].name);
  }
  return names;
}

std::optional<std::vector<std::string>> FwIniDocument::SectionLines(const std::string& section) const {
  int header = FindSection(section);
  if (header < 0) return std::nullopt;
  std::vector<std::string> result;
  for (size_t i = header + 1, end = SectionEnd(header); i < end; ++i) {
    if (lines_[i].kind == Kind::key) result.push_back(lines_[i].name + "=" + lines_[i].value);
  }
  return result;
}

std::string FwIniDocument::NewLineEnd() const {
  for (const Line& line : lines_) {
    if (!line.eol.empty()) return line.eol;
  }
  return "\r\n";
}

void FwIniDocument::Set(const std::string& section, const std::string& key, const std::string& value) {
  std::string eol = NewLineEnd();
  if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = eol;
  int header = FindSection(section);
  if (header < 0) {
    lines_.push_back(Parse("[" + section + "]", eol));
    lines_.push_back(Parse(key + "=" + value, eol));
    return;
  }
  size_t end = SectionEnd(header);
  size_t insert_at = header + 1;
  for (size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind != Kind::key) continue;
    if (same(lines_[i].name, key)) {
      lines_[i] = Parse(lines_[i].name + "=" + value, lines_[i].eol);
      return;
    }
    insert_at = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<long>(insert_at), Parse(key + "=" + value, eol));
}

std::string FwIniDocument::Bytes() const {
  std::string out = bom_ ? "\xEF\xBB\xBF" : "";
  for (const Line& line : lines_) out += line.text + line.eol;
  return out;
}
