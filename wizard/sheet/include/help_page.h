// The program's help pages: "<program folder>\<help folder>\<language>\<id>.HTML",
// opened with the program the system associates with HTML pages.
#pragma once

#include "fw_string.h"

// The language whose help pages are shown ("English" until start-up sets
// it).
CString GetHelpLanguage();
void SetHelpLanguage(const CString& language);
// The help page's path for help id, Windows style.
CString HelpPagePath(DWORD helpId);
// Opens the help page (its path on this file system); when no program
// opens it, message 51633 with the
// exclamation icon.
void ShowHelpPage(DWORD helpId);
