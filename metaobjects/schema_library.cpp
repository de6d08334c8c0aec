// The schema-library loader: dlopen behind a check of the name, never
// unloaded.
#include "schema_library.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace dv_qem {

namespace {

bool is_bare_file_name(const char* name) {
  return *name != '\0' && std::strchr(name, '/') == nullptr && std::strchr(name, '\\') == nullptr &&
         std::strstr(name, "..") == nullptr;
}

// The folder this library was loaded from ("." when unknown).
std::string own_folder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&_Mop_load_schema_library), &info) == 0 || info.dli_fname == nullptr)
    return ".";
  std::string path = info.dli_fname;
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// A Windows-built library: a name ending in ".dll" or a file opening with
// the "MZ" stamp of Windows executables.
bool is_windows_library(const char* name, const std::string& path) {
  const std::size_t length = std::strlen(name);
  if (length >= 4 && strcasecmp(name + length - 4, ".dll") == 0) return true;
  char stamp[2] = {};
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  const bool windows = std::fread(stamp, 1, 2, f) == 2 && stamp[0] == 'M' && stamp[1] == 'Z';
  std::fclose(f);
  return windows;
}

}  // namespace

int _Mop_load_schema_library(const char* file_name) {
  const char* name = file_name != nullptr ? file_name : "";
  if (!is_bare_file_name(name)) {
    std::fprintf(stderr, "durnmeta: schema library \"%s\" refused: only a bare file name is accepted\n", name);
    return -1;
  }
  // Never closed: the library's typespecs stay registered until exit.
  if (dlopen(name, RTLD_NOW | RTLD_LOCAL) != nullptr) return 0;
  const char* reason = dlerror();
  std::fprintf(stderr, "durnmeta: %s\n", reason != nullptr ? reason : "the schema library did not load");
  const std::string resolved = own_folder() + "/" + name;
  struct stat st {};
  const int error = stat(resolved.c_str(), &st) != 0 ? errno : -1;
  if (is_windows_library(name, resolved))
    std::fprintf(stderr, "durnmeta: \"%s\" is a Windows library, which can never load here\n", name);
  return error;
}

}  // namespace dv_qem
