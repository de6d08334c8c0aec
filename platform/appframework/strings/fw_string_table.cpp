// The string tables: parsed from the embedded files at first use, then
// looked up by the current language with its fallbacks.
#include "fw_string_table.h"

#include <atomic>
#include <cstring>
#include <map>
#include <string>

#include "fw_embedded_strings.h"
#include "fw_locale.h"
#include "fw_string_table_format.h"

namespace {

std::atomic<WORD> chosen_language{0};

// All tables by language identifier; built once (thread-safe static).
const std::map<WORD, FwParsedStringTable>& tables() {
  static const std::map<WORD, FwParsedStringTable> all = [] {
    std::map<WORD, FwParsedStringTable> parsed;
    for (int i = 0; i < fw_embedded_string_count; ++i) {
      const FwEmbeddedStrings& file = fw_embedded_strings[i];
      FwParsedStringTable table = FwParseStringTable(file.name, file.begin, file.end);
      WORD id = table.langId;
      if (!parsed.emplace(id, std::move(table)).second) {
        throw FwStringTableError(std::string("string table ") + file.name + ": a second table for language " +
                                 std::to_string(id));
      }
    }
    return parsed;
  }();
  return all;
}

const std::string* find_in(const FwParsedStringTable& table, UINT id) {
  auto it = table.strings.find(id);
  return it == table.strings.end() ? nullptr : &it->second;
}

}  // namespace

void FwSetStringLanguage(WORD langId) { chosen_language = langId; }

const char* FwFindString(UINT id, int* length) {
  WORD language = chosen_language != 0 ? chosen_language.load() : FwThreadLangId();
  const auto& all = tables();
  const std::string* text = nullptr;
  auto exact = all.find(language);
  if (exact != all.end()) text = find_in(exact->second, id);
  for (auto it = all.begin(); text == nullptr && it != all.end(); ++it) {
    if (it->first != language && (it->first & 0x3FF) == (language & 0x3FF)) text = find_in(it->second, id);
  }
  if (text == nullptr) {
    auto english = all.find(LANG_ENGLISH_US);
    if (english != all.end()) text = find_in(english->second, id);
  }
  if (text == nullptr) return nullptr;
  if (length != nullptr) *length = static_cast<int>(text->size());
  return text->c_str();
}

int AfxLoadString(UINT id, char* buffer, UINT size) {
  if (size == 0) return 0;
  int length = 0;
  const char* text = FwFindString(id, &length);
  if (text == nullptr) length = 0;
  if (static_cast<UINT>(length) >= size) length = static_cast<int>(size - 1);
  std::memcpy(buffer, text == nullptr ? "" : text, length);
  buffer[length] = '\0';
  return length;
}
