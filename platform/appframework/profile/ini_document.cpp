// An ini file held as its lines (see ini_document.h).
#include "ini_document.h"

#include "fw_mbs.h"

namespace {

std::string_view trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && fw_mbs::is_space(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && fw_mbs::is_space(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

bool same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (fw_mbs::to_lower(a[i]) != fw_mbs::to_lower(b[i])) return false;
  }
  return true;
}

// Calls each(text, eol) for the lines of bytes after a UTF-8 byte-order mark,
// text without its line end and eol "\n", "\r\n" or what ends a last line
// without a newline; stops when each answers false.
template <class Each>
void ForEachLine(std::string_view bytes, Each each) {
  size_t start = FwIniDocument::HasByteOrderMark(bytes) ? 3 : 0;
  while (start < bytes.size()) {
    size_t newline = bytes.find('\n', start);
    size_t end = newline == std::string_view::npos ? bytes.size() : newline;
    size_t text_end = end > start && bytes[end - 1] == '\r' ? end - 1 : end;
    std::string_view eol =
        newline == std::string_view::npos ? bytes.substr(text_end) : bytes.substr(text_end, end + 1 - text_end);
    if (!each(bytes.substr(start, text_end - start), eol)) return;
    start = newline == std::string_view::npos ? bytes.size() : newline + 1;
  }
}

}  // namespace

bool FwIniDocument::HasByteOrderMark(std::string_view bytes) { return bytes.substr(0, 3) == "\xEF\xBB\xBF"; }

FwIniDocument::Meaning FwIniDocument::Classify(std::string_view text) {
  Meaning meaning;
  std::string_view body = trim(text);
  if (!body.empty() && body[0] == '[') {
    size_t close = body.find(']');
    if (close != std::string_view::npos) {
      meaning.kind = Kind::section;
      meaning.name = trim(body.substr(1, close - 1));
    }
    return meaning;  // a header without ']' means nothing
  }
  size_t equals = body.find('=');
  if (equals != std::string_view::npos) {
    meaning.kind = Kind::key;
    meaning.name = trim(body.substr(0, equals));
    meaning.value = trim(body.substr(equals + 1));
  }
  return meaning;
}

FwIniDocument::Line FwIniDocument::Parse(std::string text, std::string eol) {
  Line line;
  line.text = std::move(text);
  line.eol = std::move(eol);
  const Meaning meaning = Classify(line.text);
  line.kind = meaning.kind;
  line.name = meaning.name;
  line.value = meaning.value;
  return line;
}

FwIniDocument::FwIniDocument(const std::string& bytes) : bom_(HasByteOrderMark(bytes)) {
  ForEachLine(bytes, [this](std::string_view text, std::string_view eol) {
    lines_.push_back(Parse(std::string(text), std::string(eol)));
    return true;
  });
}

std::optional<std::string> FwIniDocument::LookupIn(std::string_view bytes, const std::string& section,
                                                   const std::string& key) {
  bool inside = false;
  std::optional<std::string> found;
  ForEachLine(bytes, [&](std::string_view text, std::string_view) {
    const Meaning meaning = Classify(text);
    if (!inside) {
      inside = meaning.kind == Kind::section && same(meaning.name, section);
      return true;
    }
    if (meaning.kind == Kind::section) return false;  // the first such section ends here
    if (meaning.kind == Kind::key && same(meaning.name, key)) {
      found = std::string(meaning.value);
      return false;
    }
    return true;
  });
  return found;
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
