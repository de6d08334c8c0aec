// An ini file held as its lines, so that a write changes one line and keeps
// every other byte. Reading accepts LF and CR/LF line ends, a UTF-8 byte-order
// mark, and any junk: a line that is neither a section header ("[name]",
// the name trimmed) nor a "key=value" line (both trimmed) is kept but means
// nothing. Sections and keys match without regard to ASCII case; the first
// of several equal sections or keys is the one that counts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class FwIniDocument {
 public:
  // Parses the bytes of a file.
  explicit FwIniDocument(const std::string& bytes = std::string());

  // The value of key in section; none when either is missing.
  std::optional<std::string> Lookup(const std::string& section, const std::string& key) const;
  // What Lookup of the document parsed from bytes answers, found in one pass
  // over the bytes without keeping their lines.
  static std::optional<std::string> LookupIn(std::string_view bytes, const std::string& section,
                                             const std::string& key);
  // Whether bytes open with a UTF-8 byte-order mark.
  static bool HasByteOrderMark(std::string_view bytes);
  // The names of all sections, in file order (equal names once).
  std::vector<std::string> SectionNames() const;
  // The key names of a section, in file order (equal names once).
  std::vector<std::string> KeyNames(const std::string& section) const;
  // The "key=value" lines of a section (key and value trimmed), in file
  // order; none when the section is missing.
  std::optional<std::vector<std::string>> SectionLines(const std::string& section) const;

  // Sets key in section: the key's line is replaced, or a line is added
  // after the section's last key, or the section is added at the end.
  void Set(const std::string& section, const std::string& key, const std::string& value);
  // The file's bytes: every line not changed by Set exactly as it was read.
  std::string Bytes() const;

 private:
  enum class Kind { other, section, key };
  struct Line {
    std::string text;  // the line as read, without its line end
    std::string eol;   // "\n", "\r\n" or "" for a last line without one
    Kind kind = Kind::other;
    std::string name;   // section name or key (trimmed)
    std::string value;  // value (trimmed)
  };
  // What a line means; name and value lie in the text given.
  struct Meaning {
    Kind kind = Kind::other;
    std::string_view name;
    std::string_view value;
  };
  static Meaning Classify(std::string_view text);
  static Line Parse(std::string text, std::string eol);
  // Index of the first header of section, or -1.
  int FindSection(const std::string& section) const;
  // One past the last line of the section starting at header.
  size_t SectionEnd(size_t header) const;
  std::string NewLineEnd() const;

  std::vector<Line> lines_;
  bool bom_ = false;
};
