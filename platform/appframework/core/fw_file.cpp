// CFile and CFileFind over POSIX calls.
#include "fw_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "fw_paths.h"

IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CFileFind, CObject)

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCTSTR fileName, UINT openFlags) : CFile() {
  CFileException error;
  if (!Open(fileName, openFlags, &error)) {
    AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
  }
}

CFile::~CFile() {
  if (m_hFile != hFileNull && m_bCloseOnDelete) Abort();
}

BOOL CFile::Open(LPCTSTR fileName, UINT openFlags, CFileException* error) {
  m_strFileName = fileName;
  CString native = FwNativePath(fileName);
  int flags = O_CLOEXEC;
  switch (openFlags & 3) {
    case modeRead: flags |= O_RDONLY; break;
    case modeWrite: flags |= O_WRONLY; break;
    default: flags |= O_RDWR; break;
  }
  if (openFlags & modeCreate) {
    flags |= O_CREAT;
    if (!(openFlags & modeNoTruncate)) flags |= O_TRUNC;
  }
  int fd = ::open(native, flags, 0666);
  if (fd < 0) {
    if (error != nullptr) {
      error->m_cause = CFileException::ErrnoToException(errno);
      error->m_lOsError = errno;
      error->m_strFileName = fileName;
    }
    return FALSE;
  }
  m_hFile = static_cast<UINT>(fd);
  m_bCloseOnDelete = TRUE;
  return TRUE;
}

void CFile::ThrowErrno(int error) const {
  AfxThrowFileException(CFileException::ErrnoToException(error), error, m_strFileName);
}

UINT CFile::Read(void* buffer, UINT count) {
  UINT done = 0;
  while (done < count) {
    ssize_t n = ::read(static_cast<int>(m_hFile), static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowErrno(errno);
    if (n == 0) break;
    done += static_cast<UINT>(n);
  }
  return done;
}

void CFile::Write(const void* buffer, UINT count) {
  UINT done = 0;
  while (done < count) {
    ssize_t n = ::write(static_cast<int>(m_hFile), static_cast<const char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowErrno(errno);
    done += static_cast<UINT>(n);
  }
}

LONG CFile::Seek(LONG offset, UINT from) {
  int whence = from == begin ? SEEK_SET : (from == current ? SEEK_CUR : SEEK_END);
  off_t position = ::lseek(static_cast<int>(m_hFile), offset, whence);
  if (position < 0) ThrowErrno(errno);
  return static_cast<LONG>(position);
}

DWORD CFile::GetPosition() const {
  off_t position = ::lseek(static_cast<int>(m_hFile), 0, SEEK_CUR);
  if (position < 0) ThrowErrno(errno);
  return static_cast<DWORD>(position);
}

DWORD CFile::GetLength() const {
  struct stat st;
  if (::fstat(static_cast<int>(m_hFile), &st) != 0) ThrowErrno(errno);
  return static_cast<DWORD>(st.st_size);
}

void CFile::SetLength(DWORD newLength) {
  if (::ftruncate(static_cast<int>(m_hFile), static_cast<off_t>(newLength)) != 0) ThrowErrno(errno);
}

void CFile::Flush() {
  if (m_hFile != hFileNull && ::fsync(static_cast<int>(m_hFile)) != 0 && errno != EINVAL) ThrowErrno(errno);
}

void CFile::Close() {
  if (m_hFile == hFileNull) return;
  int result = ::close(static_cast<int>(m_hFile));
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
  if (result != 0) ThrowErrno(errno);
}

void CFile::Abort() {
  if (m_hFile != hFileNull) ::close(static_cast<int>(m_hFile));
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
}

CString CFile::GetFileName() const {
  int slash = std::max(m_strFileName.ReverseFind('\\'), m_strFileName.ReverseFind('/'));
  return m_strFileName.Mid(slash + 1);
}

void CFile::Remove(LPCTSTR fileName) {
  if (::unlink(FwNativePath(fileName)) != 0) {
    int error = errno;
    AfxThrowFileException(CFileException::ErrnoToException(error), error, fileName);
  }
}

void CFile::Rename(LPCTSTR oldName, LPCTSTR newName) {
  if (::rename(FwNativePath(oldName), FwNativePath(newName)) != 0) {
    int error = errno;
    AfxThrowFileException(CFileException::ErrnoToException(error), error, oldName);
  }
}

BOOL CFileFind::FindFile(LPCTSTR pattern) {
  Close();
  CString native = FwNativePath(pattern == nullptr ? "*.*" : pattern);
  int slash = native.ReverseFind('/');
  CString folder = slash < 0 ? CString(".") : (slash == 0 ? CString("/") : native.Left(slash));
  CString name = native.Mid(slash + 1);
  m_strRoot = slash < 0 ? CString() : native.Left(slash);
  bool any_name = name == "*.*" || name == "*";
  DIR* dir = opendir(folder);
  if (dir == nullptr) return FALSE;
  while (struct dirent* entry = readdir(dir)) {
    if (!any_name && fnmatch(name, entry->d_name, FNM_CASEFOLD) != 0) continue;
    std::string path = std::string(static_cast<LPCTSTR>(folder)) + "/" + entry->d_name;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) continue;
    m_matches.push_back({entry->d_name, S_ISDIR(st.st_mode), static_cast<unsigned long long>(st.st_size)});
  }
  closedir(dir);
  std::sort(m_matches.begin(), m_matches.end(), [](const Match& a, const Match& b) { return a.name < b.name; });
  return m_matches.empty() ? FALSE : TRUE;
}

BOOL CFileFind::FindNextFile() {
  if (m_nCurrent + 1 < static_cast<int>(m_matches.size())) ++m_nCurrent;
  return m_nCurrent + 1 < static_cast<int>(m_matches.size());
}

void CFileFind::Close() {
  m_matches.clear();
  m_nCurrent = -1;
  m_strRoot.Empty();
}

const CFileFind::Match* CFileFind::Current() const {
  if (m_nCurrent < 0 || m_nCurrent >= static_cast<int>(m_matches.size())) return nullptr;
  return &m_matches[m_nCurrent];
}

CString CFileFind::GetFileName() const {
  const Match* match = Current();
  return match == nullptr ? CString() : CString(match->name.c_str());
}

CString CFileFind::GetFilePath() const {
  const Match* match = Current();
  if (match == nullptr) return CString();
  return m_strRoot.IsEmpty() ? CString(match->name.c_str()) : m_strRoot + "/" + match->name.c_str();
}

CString CFileFind::GetFileTitle() const {
  CString name = GetFileName();
  int dot = name.ReverseFind('.');
  return dot <= 0 ? name : name.Left(dot);
}

DWORD CFileFind::GetLength() const {
  const Match* match = Current();
  return match == nullptr ? 0 : static_cast<DWORD>(match->length);
}

BOOL CFileFind::IsDirectory() const {
  const Match* match = Current();
  return match != nullptr && match->directory;
}

BOOL CFileFind::IsDots() const {
  const Match* match = Current();
  return match != nullptr && (match->name == "." || match->name == "..");
}
