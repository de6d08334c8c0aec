// Private-profile calls over FwIniDocument; each call reads the file afresh
// and a write replaces the file whole (fw_whole_file.h), under the folder's
// write lock so that two processes' writes never lose one another.
#include "fw_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "fw_paths.h"
#include "fw_whole_file.h"
#include "ini_document.h"

namespace {

std::mutex profile_mutex;  // one reader or writer of a profile file at a time in this process
thread_local CString last_write_failure;  // FwProfileWriteFailure

// A value written between a pair of equal quotes reads without them.
std::string unquoted(std::string value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    return value.substr(1, value.size() - 2);
  return value;
}

// Reads the file's bytes into *bytes (empty for a missing file); false when
// the file exists but cannot be read whole (then *bytes is empty).
bool read_file(const std::string& path, std::string* bytes) {
  bytes->clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok) {
    // One allocation for a file that does not grow while it is read.
    bytes->reserve(static_cast<size_t>(st.st_size));
    char chunk[65536];
    ssize_t n;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0) bytes->append(chunk, static_cast<size_t>(n));
    ok = n == 0;
  }
  ::close(fd);
  if (!ok) bytes->clear();
  return ok;
}

// The file's bytes; an unreadable file reads as empty.
std::string load_bytes(LPCTSTR fileName) {
  std::string bytes;
  read_file(std::string(FwNativePath(fileName)), &bytes);
  return bytes;
}

FwIniDocument load(LPCTSTR fileName) { return FwIniDocument(load_bytes(fileName)); }

std::string trimmed(LPCTSTR text) {
  std::string s = text == nullptr ? "" : text;
  size_t begin = s.find_first_not_of(" \t\r\n\v\f");
  size_t end = s.find_last_not_of(" \t\r\n\v\f");
  return begin == std::string::npos ? std::string() : s.substr(begin, end - begin + 1);
}

DWORD copy_text(const std::string& text, LPTSTR buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  size_t length = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<DWORD>(length);
}

// Writes the texts each followed by a NUL, and a final NUL; cut to fit.
DWORD copy_list(const std::vector<std::string>& texts, LPTSTR buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  if (size == 1) {
    buffer[0] = '\0';
    return 0;
  }
  DWORD used = 0;
  for (const std::string& text : texts) {
    if (used + text.size() + 1 > size - 1) {
      // Cut: as much as fits, then the two NULs. A buffer that the texts
      // before filled to its last byte but one has no room left (used is at
      // most size - 1).
      size_t room = used < size - 2 ? size - 2 - used : 0;
      std::memcpy(buffer + used, text.data(), room);
      buffer[size - 2] = '\0';
      buffer[size - 1] = '\0';
      return size - 2;
    }
    std::memcpy(buffer + used, text.c_str(), text.size() + 1);
    used += static_cast<DWORD>(text.size() + 1);
  }
  buffer[used] = '\0';
  return used;
}

bool has_line_break(LPCTSTR text) { return std::strpbrk(text, "\r\n") != nullptr; }

}  // namespace

DWORD GetPrivateProfileString(LPCTSTR section, LPCTSTR key, LPCTSTR def, LPTSTR buffer, DWORD size,
                              LPCTSTR fileName) {
  std::lock_guard<std::mutex> guard(profile_mutex);
  if (section == nullptr) return copy_list(load(fileName).SectionNames(), buffer, size);
  if (key == nullptr) return copy_list(load(fileName).KeyNames(section), buffer, size);
  // One key is looked up in the bytes: a large file costs a read and a scan,
  // not a copy of every line.
  std::optional<std::string> value = FwIniDocument::LookupIn(load_bytes(fileName), section, key);
  return copy_text(value ? unquoted(*value) : trimmed(def), buffer, size);
}

UINT GetPrivateProfileInt(LPCTSTR section, LPCTSTR key, int def, LPCTSTR fileName) {
  char text[64];
  if (GetPrivateProfileString(section, key, "", text, sizeof text, fileName) == 0) return static_cast<UINT>(def);
  const char* p = text;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  UINT value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) value = value * 10 + static_cast<UINT>(*p - '0');
  return negative ? 0u - value : value;
}

DWORD GetPrivateProfileSection(LPCTSTR section, LPTSTR buffer, DWORD size, LPCTSTR fileName) {
  std::lock_guard<std::mutex> guard(profile_mutex);
  std::optional<std::vector<std::string>> lines = load(fileName).SectionLines(section == nullptr ? "" : section);
  return copy_list(lines ? *lines : std::vector<std::string>(), buffer, size);
}

BOOL WritePrivateProfileString(LPCTSTR section, LPCTSTR key, LPCTSTR value, LPCTSTR fileName) {
  last_write_failure.Empty();
  if (fileName == nullptr || *fileName == '\0') {
    last_write_failure = "no settings file is named";
    return FALSE;
  }
  if (section == nullptr || key == nullptr || value == nullptr) {
    last_write_failure.Format("%s: a section, key or value is missing", fileName);
    return FALSE;
  }
  if (has_line_break(section) || has_line_break(key) || has_line_break(value) || std::strchr(key, '=') != nullptr ||
      std::strchr(section, ']') != nullptr) {
    last_write_failure.Format("%s: the setting [%s] %s cannot be written as one line", fileName, section, key);
    return FALSE;
  }
  std::string path(FwNativePath(fileName));
  std::lock_guard<std::mutex> guard(profile_mutex);
  FwFolderWriteLock folder(path);
  std::string bytes;
  if (!read_file(path, &bytes)) {  // never overwrite what could not be read
    last_write_failure.Format("%s: the file cannot be read, so it is not rewritten", fileName);
    return FALSE;
  }
  FwIniDocument document(bytes);
  document.Set(trimmed(section), trimmed(key), trimmed(value));
  int error = FwWriteWholeFile(path, document.Bytes());
  if (error != 0) {
    last_write_failure = FwWriteFailureText(fileName, error);
    errno = error;
    return FALSE;
  }
  return TRUE;
}

CString FwProfileWriteFailure() { return last_write_failure; }
