// Reading a payment method's description file, an ini file: [Method Names]
// holds the method's name per language code; a section named by a language
// code holds one line per input field, "key=caption,kind,width,height,
// maximum length,required[,default[,choice...]]" (no quoting; the key is not
// used). A line without "=" or with fewer than six parts is skipped.
#pragma once

#include <vector>

#include "fw_collections.h"
#include "ini_file.h"

// Field kinds (the low four bits of an input field's flag word).
enum PayFieldKind {
  kPayFieldText = 1,
  kPayFieldTextArea = 2,
  kPayFieldRadio = 3,
  kPayFieldCombo = 5,
  kPayFieldSelectionBox = 6,
  kPayFieldCheckBox = 7,
};

// One input field as a description line gives it.
struct PayFieldSpec {
  CString m_strCaption;
  int m_nKind = kPayFieldText;
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nMaxLength = 0;
  bool m_bRequired = false;
  // Whether the line sets the choices (the field's old choices are then
  // replaced); a line that sets none leaves them.
  bool m_bSetsChoices = false;
  std::vector<CString> m_choices;
  int m_nDefaultChoice = -1;  // -1: none
};

// [section] key (up to 32767 characters); when empty, [section] under the
// thread locale's language code.
void ReadIniStringLocaleFallback(const CIniFile& ini, CString& value, LPCTSTR section, LPCTSTR key);
// Every "key=value" line of the section, in order (up to 32767 bytes in
// all); with fallback set, section "EN" when the section is missing or
// empty. False when nothing was read.
bool ReadIniSectionLines(const CIniFile& ini, LPCTSTR section, CStringArray& lines, bool fallback);
// The pieces between commas (empty ones kept); false and no pieces for a
// text without a comma.
bool SplitAtCommas(const CString& text, CStringArray& parts);
// The field a section line describes; false for a line to skip.
bool ParsePayFieldLine(const CString& line, PayFieldSpec& field);
