// The language-dependent tables and codes of a shop language (its
// ShopInfo_Lang record, whose language name is its folder under
// "languages" in the program folder).
#pragma once

#include "fw_string.h"

class CActiveLanguage;
class CTextTable;
class ShopInfo_Lang;

// The HTML language code (lower case) of the shop language; empty, after
// the missing-code message, when its language file gives none; empty for
// no language.
CString GetHtmlLanguage(const ShopInfo_Lang* language);
// The same for the language of an allowed-language entry.
CString GetHtmlLanguage(const CActiveLanguage* language);
// The cached Regions table of the shop language's HTML language code.
CTextTable& GetRegionsTable(const ShopInfo_Lang* language);
