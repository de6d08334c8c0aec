// CQEMString: printf and message formatting, loading from the string tables
// and system strings. The text is made in a transient buffer or framework
// string, then copied into the string's own database.
#include <string>

#include "fw_exceptions.h"
#include "fw_string_table.h"
#include "qem_string.h"

namespace {

// Loads that stop when this many bytes are left over: the text was whole.
constexpr int kLoadSlack = 2;
constexpr int kLoadStep = 256;

}  // namespace

int AfxQEMLoadString(UINT id, char* buffer, UINT size) { return AfxLoadString(id, buffer, size); }

void CQEMString::FormatV(LPCTSTR format, va_list args) {
  std::string text = FwFormatV(format, args);
  AssignCopy(static_cast<int>(text.size()), text.data());
}

void CQEMString::FormatMessageV(LPCTSTR format, va_list args) {
  CString text;
  text.FormatMessageV(format, args);
  AssignCopy(text.GetLength(), text);
}

BOOL CQEMString::LoadString(UINT id) {
  char local[kLoadStep];
  int count = AfxQEMLoadString(id, local, sizeof local);
  if (static_cast<int>(sizeof local) - count > kLoadSlack) {
    if (count == 0) return FALSE;
    AssignCopy(count, local);
    return TRUE;
  }
  int size = kLoadStep;
  do {
    size += kLoadStep;
    count = AfxQEMLoadString(id, GetBuffer(size - 1), size);
  } while (size - count <= kLoadSlack);
  ReleaseBuffer(-1);
  return count > 0;
}

BSTR CQEMString::AllocSysString() const { return CString(m_pchData, GetLength()).AllocSysString(); }

BSTR CQEMString::SetSysString(BSTR* target) const { return CString(m_pchData, GetLength()).SetSysString(target); }
