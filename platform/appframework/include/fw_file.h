// CFile (a binary file over a file descriptor) and CFileFind (the entries of
// a folder matching a wildcard pattern). Both take Windows-style names,
// resolved by FwNativePath. Share flags are accepted and not enforced: the
// program is the only user of the files it opens.
#pragma once

#include <string>
#include <vector>

#include "fw_exceptions.h"
#include "fw_object.h"
#include "fw_string.h"

class CFile : public CObject {
  DECLARE_DYNAMIC(CFile)
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum SeekPosition { begin = 0, current = 1, end = 2 };
  static constexpr UINT hFileNull = static_cast<UINT>(-1);

  CFile();
  // Opens the file; throws CFileException* when it cannot.
  CFile(LPCTSTR fileName, UINT openFlags);
  ~CFile() override;

  // FALSE (and *error filled, when given) when the file cannot be opened.
  virtual BOOL Open(LPCTSTR fileName, UINT openFlags, CFileException* error = nullptr);
  // The following throw CFileException* on failure.
  virtual UINT Read(void* buffer, UINT count);
  virtual void Write(const void* buffer, UINT count);
  virtual LONG Seek(LONG offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  DWORD SeekToEnd() { return static_cast<DWORD>(Seek(0, end)); }
  virtual DWORD GetPosition() const;
  virtual DWORD GetLength() const;
  virtual void SetLength(DWORD newLength);
  virtual void Flush();
  virtual void Close();
  // Closes without reporting errors.
  virtual void Abort();

  CString GetFileName() const;
  CString GetFilePath() const { return m_strFileName; }

  static void Remove(LPCTSTR fileName);
  static void Rename(LPCTSTR oldName, LPCTSTR newName);

  UINT m_hFile;
  BOOL m_bCloseOnDelete;

 protected:
  [[noreturn]] void ThrowErrno(int error) const;
  CString m_strFileName;
};

class CFileFind : public CObject {
  DECLARE_DYNAMIC(CFileFind)
 public:
  CFileFind() = default;
  ~CFileFind() override = default;

  // Starts a search: pattern is a folder and a last component that may hold
  // '*' and '?', matched without regard to ASCII case ("*.*" matches every
  // name). TRUE when something matched; FindNextFile then moves to it.
  BOOL FindFile(LPCTSTR pattern = "*.*");
  // Moves to the next match; nonzero while more matches follow it.
  BOOL FindNextFile();
  void Close();

  CString GetFileName() const;
  CString GetFilePath() const;
  // The name without its extension.
  CString GetFileTitle() const;
  CString GetRoot() const { return m_strRoot; }
  DWORD GetLength() const;
  BOOL IsDirectory() const;
  // "." or "..".
  BOOL IsDots() const;

 private:
  struct Match {
    std::string name;
    bool directory;
    unsigned long long length;
  };
  const Match* Current() const;

  CString m_strRoot;
  std::vector<Match> m_matches;
  int m_nCurrent = -1;
};
