// Case-blind lookup of table and memo files.
#include "table_files.h"

#include <dirent.h>
#include <strings.h>

namespace dvparadox {

std::string FindFileIgnoringCase(const std::string& folder, const std::string& name) {
  const std::string dir = folder.empty() ? std::string(".") : folder;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return std::string();
  std::string found;
  while (dirent* entry = ::readdir(d)) {
    if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
      found = entry->d_name;
      if (found == name) break;  // an exact match wins over a case-blind one
    }
  }
  ::closedir(d);
  if (found.empty()) return found;
  if (dir.back() == '/') return dir + found;
  return dir + "/" + found;
}

std::string TableFileName(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return name + ".db";
  return name;
}

std::string MemoFileName(const std::string& tableFileName) {
  const std::size_t dot = tableFileName.find_last_of('.');
  return (dot == std::string::npos ? tableFileName : tableFileName.substr(0, dot)) + ".mb";
}

}  // namespace dvparadox
