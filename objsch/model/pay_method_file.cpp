// Reading payment-method description files.
#include "pay_method_file.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "fw_profile.h"
#include "localisation.h"

namespace {

constexpr DWORD kIniBuffer = 32767;

// The part upper-cased and trimmed, as kind and required are compared.
CString Normalised(const CString& part) {
  CString text = part;
  text.MakeUpper();
  text.TrimLeft();
  text.TrimRight();
  return text;
}

int KindOfWord(const CString& word) {
  struct row {
    const char* word;
    int kind;
  };
  static const row rows[] = {{"TEXT", kPayFieldText},
                             {"TEXTAREA", kPayFieldTextArea},
                             {"SINGLECHOICE_RADIO", kPayFieldRadio},
                             {"SINGLECHOICE_COMBO", kPayFieldCombo},
                             {"MULTICHOICE_CHECKBOX", kPayFieldCheckBox},
                             {"MULTICHOICE_SELECTIONBOX", kPayFieldSelectionBox}};
  for (const row& r : rows)
    if (word == r.word) return r.kind;
  return kPayFieldText;
}

}  // namespace

void ReadIniStringLocaleFallback(const CIniFile& ini, CString& value, LPCTSTR section, LPCTSTR key) {
  auto buffer = std::make_unique<char[]>(kIniBuffer + 1);
  GetPrivateProfileString(section, key, "", buffer.get(), kIniBuffer, ini.GetPath());
  value = buffer.get();
  if (!value.IsEmpty()) return;
  GetPrivateProfileString(section, LanguageCodeFromLangId(1024), "", buffer.get(), kIniBuffer, ini.GetPath());
  value = buffer.get();
}

bool ReadIniSectionLines(const CIniFile& ini, LPCTSTR section, CStringArray& lines, bool fallback) {
  lines.RemoveAll();
  auto buffer = std::make_unique<char[]>(kIniBuffer + 1);
  DWORD count = GetPrivateProfileSection(section, buffer.get(), kIniBuffer, ini.GetPath());
  if (count == 0 && fallback) count = GetPrivateProfileSection("EN", buffer.get(), kIniBuffer, ini.GetPath());
  if (count == 0) return false;
  for (const char* line = buffer.get(); *line != '\0'; line += std::strlen(line) + 1) lines.Add(line);
  return true;
}

bool SplitAtCommas(const CString& text, CStringArray& parts) {
  parts.RemoveAll();
  if (text.Find(',') < 0) return false;
  int start = 0;
  for (int i = 0; i < text.GetLength(); ++i) {
    if (text[i] != ',') continue;
    parts.Add(text.Mid(start, i - start));
    start = i + 1;
  }
  parts.Add(text.Mid(start));
  return true;
}

bool ParsePayFieldLine(const CString& line, PayFieldSpec& field) {
  int equals = line.Find('=');
  if (equals < 0) return false;
  CStringArray parts;
  SplitAtCommas(line.Mid(equals + 1), parts);
  if (parts.GetSize() < 6) return false;

  field = PayFieldSpec{};
  field.m_strCaption = parts[0];
  field.m_bRequired = Normalised(parts[5]) == "YES";
  CString word = Normalised(parts[1]);
  bool hasSeventh = parts.GetSize() > 6;
  if (word == "TEXT" || word == "TEXTAREA") {
    field.m_nKind = word == "TEXT" ? kPayFieldText : kPayFieldTextArea;
    field.m_nWidth = std::atoi(parts[2]);
    field.m_nHeight = std::atoi(parts[3]);
    field.m_nMaxLength = std::atoi(parts[4]);
    if (hasSeventh && !parts[6].IsEmpty() && parts[6] != "null") {
      field.m_bSetsChoices = true;
      field.m_choices.push_back(parts[6]);
      field.m_nDefaultChoice = 0;
    }
    return true;
  }
  field.m_nKind = KindOfWord(word);
  if (!hasSeventh || parts[6] == "null") return true;
  field.m_bSetsChoices = true;
  const CString& preset = parts[6];
  bool hasDefault = !preset.IsEmpty() && preset.CompareNoCase("null") != 0;
  for (int i = 7; i < parts.GetSize(); ++i) {
    if (hasDefault && parts[i] == preset) field.m_nDefaultChoice = static_cast<int>(field.m_choices.size());
    field.m_choices.push_back(parts[i]);
  }
  return true;
}
