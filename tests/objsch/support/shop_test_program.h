// The program folder as an installation lays it out, for tests that create
// shops: the shipped run-time data (the text tables, langlist.ini, the
// language folders, the payment-method files) linked into a scratch folder
// that the settings record names as the program folder.
#pragma once

#include <filesystem>
#include <string>

#include "app_settings.h"

namespace shop_test {

inline void install_program_folder(const std::string& folder) {
  namespace fs = std::filesystem;
  const fs::path data(DV_DATA_DIR);
  for (const auto& table : fs::directory_iterator(data / "tables"))
    fs::create_symlink(table.path(), fs::path(folder) / table.path().filename());
  for (const char* entry : {"langlist.ini", "languages", "payment methods"})
    fs::create_symlink(data / entry, fs::path(folder) / entry);
  theDefaultSettings.m_strAppDir = folder.c_str();
  theDefaultSettings.m_strLanguage = "English";
  theDefaultSettings.m_strCurrency = "$";
}

}  // namespace shop_test
