// Windows-style file names on Linux, and the program folder.
#include "fw_paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <string>

#include "fw_mbs.h"

namespace {

std::mutex folder_mutex;
bool folder_overridden = false;
std::string folder_override;

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The entry of folder whose name equals name but for ASCII case; empty when
// there is none.
std::string case_match(const std::string& folder, const std::string& name) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return "";
  std::string best;
  while (struct dirent* entry = readdir(dir)) {
    if (fw_mbs::compare_no_case(entry->d_name, name.c_str()) == 0 && (best.empty() || best > entry->d_name)) {
      best = entry->d_name;
    }
  }
  closedir(dir);
  return best;
}

}  // namespace

CString FwNativePath(LPCTSTR path) {
  std::string text = path == nullptr ? "" : path;
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  if (text.empty() || exists(text)) return CString(text.c_str());
  std::string resolved = text[0] == '/' ? "/" : "";
  size_t start = resolved.size();
  bool matching = true;
  while (start <= text.size()) {
    size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    std::string name = text.substr(start, end - start);
    if (!name.empty()) {
      std::string candidate = resolved + name;
      if (matching && name != "." && name != ".." && !exists(candidate)) {
        std::string found = case_match(resolved, name);
        if (found.empty()) matching = false;
        else candidate = resolved + found;
      }
      resolved = candidate;
      if (end < text.size()) resolved += '/';
    } else if (end < text.size() && !resolved.empty() && resolved.back() != '/') {
      resolved += '/';
    }
    start = end + 1;
  }
  return CString(resolved.c_str());
}

CString FwProgramFolder() {
  {
    std::lock_guard<std::mutex> guard(folder_mutex);
    if (folder_overridden) return CString(folder_override.c_str());
  }
  char buffer[4096];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return CString(".");
  std::string exe(buffer, static_cast<size_t>(length));
  size_t slash = exe.rfind('/');
  return CString(slash == 0 ? "/" : exe.substr(0, slash).c_str());
}

void FwSetProgramFolder(LPCTSTR folder) {
  std::lock_guard<std::mutex> guard(folder_mutex);
  folder_overridden = folder != nullptr;
  folder_override = folder == nullptr ? "" : folder;
}
