// The texts new shop objects get by default, in the program's current
// language: string-table entries, settings-record values and literals.
#pragma once

#include "fw_string.h"

class CQEMString;

// String id of the current language, held in one string in the transient
// database that every call reuses; the caller copies it before the next
// call.
const CQEMString& LoadDefaultTextString(UINT id);

// Each member assigns one default to the caller's string (the text is
// copied into the string's own database).
struct AssignDefaultText {
  static void ShopTitle(CQEMString& text);         // string 51498 "My Shop"
  static void DepartmentName(CQEMString& text);    // string 51499 "Department"
  static void ProductName(CQEMString& text);       // string 51500 "New Product"
  static void Currency(CQEMString& text);          // the settings record's currency symbol
  static void LanguageName(CQEMString& text);      // the settings record's language
  static void DisplayStyleName(CQEMString& text);  // "Default"
  // Transport method 0, 1 or 2: strings 32903 "Economy", 32904 "Air",
  // 32905 "Express"; any other method is left alone.
  static void ShippingMethodName(CQEMString& text, int method);
  // Default option 0 to 3: strings 32906 "Size", 32907 "Color", 32908
  // "Option1", 32909 "Option2"; any other option is left alone.
  static void OptionName(CQEMString& text, int option);
};

// The default name of special page id (0x22001 to 0x22007: strings 32911,
// 32912, 32918, 32914, 32915, 32916, 32917; any other id: 32911).
CString GetSpecialDeptDefaultName(unsigned id);
