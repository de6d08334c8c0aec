// Path names of the platform layer: absolute paths, file names, extensions
// and temporary files. Names keep their case: Linux file names are
// case-sensitive, so changing the case would name another file.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dv_assertions.h"
#include "dv_err.h"
#include "dv_platform.h"

namespace dv_qem {

namespace {

bool is_separator(char c) { return c == '/' || c == '\\' || c == ':'; }

// Appends the components of relative to absolute (which starts with '/'),
// leaving out empty and "." components.
void append_components(std::string& absolute, const char* relative) {
  const char* p = relative;
  while (*p != '\0') {
    const char* end = std::strchr(p, '/');
    if (end == nullptr) end = p + std::strlen(p);
    size_t length = static_cast<size_t>(end - p);
    bool skip = length == 0 || (length == 1 && p[0] == '.');
    if (!skip) {
      if (absolute.back() != '/') absolute += '/';
      absolute.append(p, length);
    }
    p = *end == '/' ? end + 1 : end;
  }
}

}  // namespace

void _VRN_get_full_path(char* path) {
  char text[320];
  std::string absolute = "/";
  if (path[0] == '\0') {
    _VRN_system_error_text(ENOENT, text, sizeof text);
    throw dv_err_file("%s: %s", path, text);
  }
  if (path[0] != '/') {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) == nullptr) {
      _VRN_system_error_text(errno, text, sizeof text);
      throw dv_err_file("%s: %s", path, text);
    }
    append_components(absolute, cwd);
  }
  append_components(absolute, path);
  if (absolute.size() >= _VRN_MAX_PATH) throw dv_err_invalid_pathname("%s", path);
  std::memcpy(path, absolute.c_str(), absolute.size() + 1);
}

const char* _VRN_file_name_of(const char* path) {
  const char* name = path;
  for (const char* p = path; *p != '\0'; ++p)
    if (is_separator(*p)) name = p + 1;
  return name;
}

void _VRN_get_short_path(char* path) {
  const char* name = _VRN_file_name_of(path);
  if (name[0] == '\0') throw dv_err_file("%s", path);
  std::memmove(path, name, std::strlen(name) + 1);
}

void _VRN_add_extension(char* out, size_t out_size, const char* path, const char* extension) {
  size_t stem = std::strlen(path);
  if (_VRN_getenv("DV_FATFS") != nullptr) {
    if (stem <= 1) DV_ASSERTION_FAILED(vrn_strlen_pathname_gt_1);
    if (std::strlen(extension) > 3)
      DV_ASSERTION_FAILED(vrn_strlen_extension_le_3);
    // Cut ".x", ".xy" or ".xyz" at the end of the file name, not of a
    // directory, and never the whole file name.
    const char* name = _VRN_file_name_of(path);
    const char* dot = std::strrchr(name, '.');
    if (dot != nullptr && dot != name) {
      size_t cut = stem - static_cast<size_t>(dot - path);
      if (cut >= 2 && cut <= 4) stem -= cut;
    }
  }
  size_t needed = stem + 1 + std::strlen(extension);
  if (needed >= out_size)
    throw dv_err_invalid_pathname("%.*s.%s", static_cast<int>(stem), path, extension);
  _VRN_snprintf(out, out_size, "%.*s.%s", static_cast<int>(stem), path, extension);
}

const char* _VRN_get_tmp_dir() {
  // Kept for the life of the process: clean-ups at unload may still ask.
  static const std::string* directory = [] {
    const char* v = _VRN_getenv("TMPDIR");
    auto* d = new std::string(v != nullptr ? v : "/tmp");
    while (d->size() > 1 && d->back() == '/') d->pop_back();
    return d;
  }();
  return directory->c_str();
}

int _VRN_get_tmp_filename(const char* dir, const char* prefix, char* out) {
  if (dir == nullptr) dir = _VRN_get_tmp_dir();
  if (prefix == nullptr) prefix = "";
  const char* separator = dir[0] != '\0' && dir[std::strlen(dir) - 1] == '/' ? "" : "/";
  char name[_VRN_MAX_PATH];
  int n = std::snprintf(name, sizeof name, "%s%s%sXXXXXX", dir, separator, prefix);
  if (n < 0 || static_cast<size_t>(n) >= sizeof name) return -1;
  int fd = ::mkostemp(name, O_CLOEXEC);
  if (fd < 0) return -1;
  ::close(fd);
  std::memcpy(out, name, static_cast<size_t>(n) + 1);
  return 0;
}

}  // namespace dv_qem
