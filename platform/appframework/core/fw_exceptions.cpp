// The framework's exceptions and their texts.
#include "fw_exceptions.h"

#include <cerrno>
#include <cstring>

#include "fw_string_ids.h"

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CDBException, CException)
IMPLEMENT_DYNAMIC(COleException, CException)

namespace {

BOOL copy_message(const CString& text, LPTSTR buffer, UINT maxLength) {
  if (buffer == nullptr || maxLength == 0) return FALSE;
  UINT length = static_cast<UINT>(text.GetLength());
  if (length >= maxLength) length = maxLength - 1;
  std::memcpy(buffer, static_cast<LPCTSTR>(text), length);
  buffer[length] = '\0';
  return !text.IsEmpty();
}

BOOL copy_string(UINT id, LPTSTR buffer, UINT maxLength) {
  CString text;
  text.LoadString(id);
  return copy_message(text, buffer, maxLength);
}

}  // namespace

BOOL CException::GetErrorMessage(LPTSTR buffer, UINT maxLength, UINT*) {
  if (buffer != nullptr && maxLength > 0) buffer[0] = '\0';
  return FALSE;
}

int CException::ReportError(UINT type, UINT messageId) {
  char text[512];
  if (GetErrorMessage(text, sizeof text)) return AfxMessageBox(text, type);
  if (messageId == 0) messageId = FW_IDS_UNKNOWN_ERROR;
  return AfxMessageBox(messageId, type);
}

void CException::Delete() {
  if (m_bAutoDelete) delete this;
}

BOOL CMemoryException::GetErrorMessage(LPTSTR buffer, UINT maxLength, UINT*) {
  return copy_string(FW_IDS_OUT_OF_MEMORY, buffer, maxLength);
}

BOOL CFileException::GetErrorMessage(LPTSTR buffer, UINT maxLength, UINT*) {
  int cause = m_cause >= none && m_cause <= endOfFile ? m_cause : generic;
  CString text;
  text.FormatMessage(FW_IDS_FILE_NONE + cause, static_cast<LPCTSTR>(m_strFileName));
  return copy_message(text, buffer, maxLength);
}

int CFileException::ErrnoToException(int error) {
  switch (error) {
    case 0: return none;
    case ENOENT: return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return badPath;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST: return accessDenied;
    case EBADF: return invalidFile;
    case EBUSY: return removeCurrentDir;
    case ESPIPE: return badSeek;
    case EIO: return hardIO;
    case ETXTBSY: return sharingViolation;
    case ENOLCK:
    case EDEADLK: return lockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return diskFull;
    default: return generic;
  }
}

BOOL CDBException::GetErrorMessage(LPTSTR buffer, UINT maxLength, UINT*) {
  return copy_message(m_strError, buffer, maxLength);
}

BOOL COleException::GetErrorMessage(LPTSTR buffer, UINT maxLength, UINT*) {
  CString text;
  text.FormatMessage(FW_IDS_OLE_ERROR, static_cast<unsigned long>(m_sc));
  return copy_message(text, buffer, maxLength);
}

void AfxThrowMemoryException() {
  static CMemoryException shared(FALSE);
  throw &shared;
}

void AfxThrowFileException(int cause, LONG osError, LPCTSTR fileName) {
  throw new CFileException(cause, osError, fileName);
}

void AfxThrowOleException(SCODE status) { throw new COleException(status); }
