// The installed Quillon product and its shops.
#include "quillon_installation.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "fw_registry_profile.h"

namespace {

constexpr char kUninstallSection[] = "Uninstall\\Quillon";
constexpr char kUninstallValue[] = "UninstallString";
const char* const kShopTables[] = {"PRODUCT.db", "CATEGORY.db", "CAT_PROD.db", "SHOP.db", "VAT.db"};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The names of folder's entries (without "." and "..").
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(d)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The entry of folder named name without regard to case; empty when none.
std::string FindIgnoringCase(const std::string& folder, const char* name) {
  for (const std::string& entry : Entries(folder))
    if (::strcasecmp(entry.c_str(), name) == 0) return entry;
  return std::string();
}

}  // namespace

FwRegistryProfile MachineUninstallProfile() { return FwRegistryProfile("Microsoft\\Windows", "CurrentVersion"); }

CString InstallFolderFromUninstallString(const CString& command) {
  const std::string text = static_cast<LPCTSTR>(command);
  const std::string lower = Lower(text);
  const std::size_t flag = lower.find("-f");
  if (flag == std::string::npos) return CString();
  std::size_t start = flag + 2;
  if (start < text.size() && text[start] == '"') ++start;
  std::size_t end = text.size();
  for (const char* marker : {"\\uninst.isu", "/uninst.isu"}) {
    std::size_t at = lower.find(marker, start);
    if (at != std::string::npos) end = std::min(end, at);
  }
  std::string folder = text.substr(start, end - start);
  if (!folder.empty() && folder.back() == '"') folder.pop_back();
  return folder.c_str();
}

CString FindQuillonInstallFolder(const FwRegistryProfile& profile) {
  return InstallFolderFromUninstallString(profile.GetProfileString(kUninstallSection, kUninstallValue, ""));
}

bool IsQuillonShopFolder(const CString& folder) {
  const std::string shop = WithSlash(static_cast<LPCTSTR>(folder));
  const std::string db = FindIgnoringCase(shop, "db");
  if (db.empty() || !IsFolder(shop + db)) return false;
  for (const char* table : kShopTables)
    if (FindIgnoringCase(shop + db, table).empty()) return false;
  return true;
}

CString QuillonTablesFolder(const CString& shopFolder) {
  const std::string shop = WithSlash(static_cast<LPCTSTR>(shopFolder));
  std::string db = FindIgnoringCase(shop, "db");
  if (db.empty()) db = "db";
  return (shop + db + "/").c_str();
}

bool ListQuillonShops(const CString& installFolder, CStringArray& names, CStringArray& folders) {
  names.RemoveAll();
  folders.RemoveAll();
  const std::string install = static_cast<LPCTSTR>(installFolder);
  if (install.empty()) return false;
  if (IsQuillonShopFolder(installFolder)) {
    std::string trimmed = install;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    names.Add(trimmed.substr(trimmed.find_last_of('/') + 1).c_str());
    folders.Add(WithSlash(install).c_str());
    return true;
  }
  for (const std::string& entry : Entries(install)) {
    const std::string path = WithSlash(WithSlash(install) + entry);
    if (IsFolder(path) && IsQuillonShopFolder(path.c_str())) {
      names.Add(entry.c_str());
      folders.Add(path.c_str());
    }
  }
  return names.GetSize() > 0;
}
