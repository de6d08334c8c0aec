// Column names made unique and source files looked up by name.
#include "source_names.h"

#include "source_staging.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::vector<std::string> UniqueColumnNames(const std::vector<std::string>& names) {
  std::set<std::string> taken;
  for (const auto& name : names) taken.insert(LowerAscii(name));
  std::set<std::string> used;
  std::vector<std::string> unique;
  for (size_t i = 0; i < names.size(); ++i) {
    std::string name = names[i];
    if (name.empty() || used.count(LowerAscii(name)) != 0) {
      const std::string base = "F" + std::to_string(i + 1);
      name = base;
      for (int suffix = 2; taken.count(LowerAscii(name)) != 0 || used.count(LowerAscii(name)) != 0; ++suffix)
        name = base + "_" + std::to_string(suffix);
    }
    used.insert(LowerAscii(name));
    unique.push_back(name);
  }
  return unique;
}

std::string SourceFolder(const std::string& fileOrFolder) {
  std::error_code error;
  return fs::is_regular_file(fileOrFolder, error) ? fs::path(fileOrFolder).parent_path().string() : fileOrFolder;
}

std::string FileInFolder(const std::string& folder, const std::string& name) {
  std::error_code error;
  const fs::path dir = SourceFolder(folder);
  const fs::path exact = dir / name;
  if (fs::is_regular_file(exact, error)) return exact.string();
  const std::string wanted = LowerAscii(name);
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    if (LowerAscii(it->path().filename().string()) == wanted && it->is_regular_file(error))
      return it->path().string();
  }
  return {};
}

std::string FindFileInFolder(const std::string& folder, const std::string& name) {
  const std::string path = FileInFolder(folder, name);
  if (path.empty()) throw SourceFileError((fs::path(SourceFolder(folder)) / name).string() + ": no such file in the folder");
  return path;
}

bool HasExtension(const std::string& name, const char* extension) {
  return LowerAscii(fs::path(name).extension().string()) == extension;
}

std::vector<std::string> ListTableFiles(const std::string& fileOrFolder, const char* extension) {
  std::error_code error;
  if (fs::is_regular_file(fileOrFolder, error)) return {fs::path(fileOrFolder).stem().string()};
  fs::directory_iterator entries(fileOrFolder, error);
  if (error) throw SourceFileError(fileOrFolder + ": cannot list the folder: " + error.message());
  std::vector<std::string> names;
  for (const auto& entry : entries)
    if (entry.is_regular_file(error) && HasExtension(entry.path().filename().string(), extension))
      names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}
