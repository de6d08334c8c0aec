// CQEMString: buffers in the string's database, the shared empty buffer of
// each database, the sharing rules, assignment, concatenation, extraction,
// search and the buffer members (formatting and loading live in
// qem_string_format.cpp).
#include "qem_string.h"

#include <cstring>

#include "durnavel.h"
#include "fw_mbs.h"

using dv_qem::dv_database;
using dv_qem::dv_database_root;
using dv_qem::durnavel;

DV_DEFINE_TYPESPEC(CQEMString, "CQEMString", DV_POINTERS(0), DV_NO_VTABLES);

namespace {

// The root holding a database's empty string buffer.
constexpr const char* kNilRootName = "__afxDataNil";
// Header, no characters, the NUL.
constexpr unsigned kNilBlockSize = sizeof(CStringData) + 1;

long interlocked_increment(long* count) { return __atomic_add_fetch(count, 1, __ATOMIC_ACQ_REL); }
long interlocked_decrement(long* count) { return __atomic_sub_fetch(count, 1, __ATOMIC_ACQ_REL); }

// A framework string never shares a buffer that lives in a database: it
// would free it with the heap.
const bool foreign_buffers_guarded = [] {
  AfxSetForeignStringBufferTest([](const CStringData* data) { return durnavel::is_persistent(data) != 0; });
  return true;
}();

bool same_database(const void* a, const void* b) { return dv_database::of(a) == dv_database::of(b); }

}  // namespace

CStringData* CQEMString::_afxDataNil(const void* p) {
  if (!durnavel::is_persistent(p)) return AfxGetEmptyStringData();
  dv_database* db = dv_database::of(p);
  if (dv_database_root* root = db->find_root(kNilRootName)) {
    return static_cast<CStringData*>(root->get_value(nullptr));
  }
  dv_database_root* root = db->create_root(kNilRootName);
  auto* nil = static_cast<CStringData*>(
      ::operator new(kNilBlockSize, db, dv_qem::dv_typespec::get_char(), kNilBlockSize));
  nil->nRefs = -1;
  nil->nDataLength = 0;
  nil->nAllocLength = 0;
  nil->data()[0] = '\0';
  root->set_value(nil, nullptr);
  return nil;
}

void CQEMString::Init() { m_pchData = _afxDataNil(this)->data(); }

void CQEMString::DV_AllocBuffer(int length, const void* near) {
  if (length == 0) {
    Init();
    return;
  }
  unsigned bytes = sizeof(CStringData) + static_cast<unsigned>(length) + 1;
  auto* data = static_cast<CStringData*>(
      ::operator new(bytes, dv_database::of(near), dv_qem::dv_typespec::get_char(), bytes));
  data->nRefs = 1;
  data->nDataLength = length;
  data->nAllocLength = length;
  data->data()[length] = '\0';
  m_pchData = data->data();
}

void CQEMString::AllocBuffer(int length) {
  DV_AllocBuffer(length, dv_database::get_transient_database());
}

CQEMString::CQEMString() { Init(); }

CQEMString::CQEMString(const CQEMString& source) {
  if (source.GetData()->nRefs >= 0 && same_database(&source, this)) {
    m_pchData = source.m_pchData;
    interlocked_increment(&GetData()->nRefs);
  } else {
    Init();
    AssignCopy(source.GetLength(), source.m_pchData);
  }
}

CQEMString::CQEMString(char ch, int repeat) {
  Init();
  if (repeat >= 1) {
    DV_AllocBuffer(repeat, this);
    std::memset(m_pchData, ch, repeat);
  }
}

CQEMString::CQEMString(LPCSTR text) {
  Init();
  uintptr_t value = reinterpret_cast<uintptr_t>(text);
  if (text != nullptr && value < 0x10000) {
    LoadString(static_cast<UINT>(value));
    return;
  }
  AssignCopy(SafeStrlen(text), text);
}

CQEMString::CQEMString(LPCSTR text, int length) {
  Init();
  if (length > 0) AssignCopy(length, text);
}

CQEMString::CQEMString(const unsigned char* text) : CQEMString(reinterpret_cast<LPCSTR>(text)) {}

CQEMString::CQEMString(LPCWSTR text) {
  Init();
  *this = text;
}

CQEMString::~CQEMString() {
  CStringData* data = GetData();
  if (!IsNil(data) && interlocked_decrement(&data->nRefs) <= 0) durnavel::free_memory(data);
}

void CQEMString::Release() {
  if (IsNil(GetData())) return;
  Release(GetData());
  _InitNil();
}

void CQEMString::Release(CStringData* data) {
  if (!IsNil(data) && interlocked_decrement(&data->nRefs) <= 0) durnavel::free_memory(data);
}

int CQEMString::SafeStrlen(LPCTSTR text) { return text == nullptr ? 0 : static_cast<int>(std::strlen(text)); }

void CQEMString::Empty() {
  if (GetLength() == 0) return;
  if (GetData()->nRefs >= 0) {
    Release();
  } else {
    AssignCopy(0, "");  // a locked buffer stays, emptied
  }
}

void CQEMString::CopyBeforeWrite() {
  if (GetData()->nRefs > 1) {
    CStringData* old = GetData();
    Release();
    DV_AllocBuffer(old->nDataLength, this);
    std::memcpy(m_pchData, old->data(), old->nDataLength + 1);
  }
}

void CQEMString::AllocBeforeWrite(int length) {
  if (GetData()->nRefs > 1 || length > GetData()->nAllocLength) {
    Release();
    DV_AllocBuffer(length, this);
  }
}

void CQEMString::AssignCopy(int length, LPCTSTR text) {
  AllocBeforeWrite(length);
  if (IsNil(GetData())) return;  // the shared empty buffer is never written
  std::memmove(m_pchData, text, length);
  GetData()->nDataLength = length;
  m_pchData[length] = '\0';
}

void CQEMString::AllocCopy(CQEMString& dest, int copyLength, int copyIndex, int extraLength) const {
  dest.DV_AllocBuffer(copyLength + extraLength, &dest);
  if (copyLength > 0) std::memcpy(dest.m_pchData, m_pchData + copyIndex, copyLength);
}

void CQEMString::SetAt(int index, char ch) {
  CopyBeforeWrite();
  m_pchData[index] = ch;
}

const CQEMString& CQEMString::operator=(const CQEMString& source) {
  if (m_pchData == source.m_pchData) return *this;
  CStringData* mine = GetData();
  bool share = (mine->nRefs >= 0 || IsNil(mine)) && source.GetData()->nRefs >= 0 && same_database(&source, this) &&
               (!durnavel::is_persistent(&source) || !dv_database::of(&source)->is_open_readonly());
  if (share) {
    Release();
    m_pchData = source.m_pchData;
    interlocked_increment(&GetData()->nRefs);
  } else {
    AssignCopy(source.GetLength(), source.m_pchData);
  }
  return *this;
}

const CQEMString& CQEMString::operator=(char ch) {
  AssignCopy(1, &ch);
  return *this;
}

const CQEMString& CQEMString::operator=(LPCSTR text) {
  AssignCopy(SafeStrlen(text), text);
  return *this;
}

const CQEMString& CQEMString::operator=(const unsigned char* text) { return *this = reinterpret_cast<LPCSTR>(text); }

const CQEMString& CQEMString::operator=(LPCWSTR text) {
  CString converted(text);
  AssignCopy(converted.GetLength(), converted);
  return *this;
}

void CQEMString::ConcatCopy(int length1, LPCTSTR text1, int length2, LPCTSTR text2) {
  int total = length1 + length2;
  if (total == 0) return;
  DV_AllocBuffer(total, this);
  std::memcpy(m_pchData, text1, length1);
  std::memcpy(m_pchData + length1, text2, length2);
}

void CQEMString::ConcatInPlace(int length, LPCTSTR text) {
  if (length == 0) return;
  CStringData* data = GetData();
  if (data->nRefs > 1 || data->nDataLength + length > data->nAllocLength) {
    // Also taken for an empty buffer (capacity 0): the text moves to a new
    // buffer of its own.
    ConcatCopy(data->nDataLength, m_pchData, length, text);
    Release(data);
  } else {
    std::memmove(m_pchData + data->nDataLength, text, length);
    data->nDataLength += length;
    m_pchData[data->nDataLength] = '\0';
  }
}

const CQEMString& CQEMString::operator+=(const CQEMString& text) {
  ConcatInPlace(text.GetLength(), text.m_pchData);
  return *this;
}

const CQEMString& CQEMString::operator+=(char ch) {
  ConcatInPlace(1, &ch);
  return *this;
}

const CQEMString& CQEMString::operator+=(LPCTSTR text) {
  ConcatInPlace(SafeStrlen(text), text);
  return *this;
}

CQEMString operator+(const CQEMString& a, const CQEMString& b) {
  CQEMString result;
  result.ConcatCopy(a.GetLength(), a.m_pchData, b.GetLength(), b.m_pchData);
  return result;
}

CQEMString operator+(const CQEMString& a, LPCTSTR b) {
  CQEMString result;
  result.ConcatCopy(a.GetLength(), a.m_pchData, CQEMString::SafeStrlen(b), b);
  return result;
}

CQEMString operator+(LPCTSTR a, const CQEMString& b) {
  CQEMString result;
  result.ConcatCopy(CQEMString::SafeStrlen(a), a, b.GetLength(), b.m_pchData);
  return result;
}

CQEMString operator+(const CQEMString& a, char ch) {
  CQEMString result;
  result.ConcatCopy(a.GetLength(), a.m_pchData, 1, &ch);
  return result;
}

CQEMString operator+(char ch, const CQEMString& b) {
  CQEMString result;
  result.ConcatCopy(1, &ch, b.GetLength(), b.m_pchData);
  return result;
}

int CQEMString::Compare(LPCTSTR text) const { return fw_mbs::compare(m_pchData, text); }
int CQEMString::CompareNoCase(LPCTSTR text) const { return fw_mbs::compare_no_case(m_pchData, text); }
int CQEMString::Collate(LPCTSTR text) const { return fw_mbs::collate(m_pchData, text); }

CQEMString CQEMString::Mid(int first) const { return Mid(first, GetLength() - first); }

CQEMString CQEMString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (count < 0) count = 0;
  int length = GetLength();
  if (first > length) count = 0;
  else if (first + count > length) count = length - first;
  CQEMString result;
  AllocCopy(result, count, first, 0);
  return result;
}

CQEMString CQEMString::Left(int count) const {
  if (count < 0) count = 0;
  if (count > GetLength()) count = GetLength();
  CQEMString result;
  AllocCopy(result, count, 0, 0);
  return result;
}

CQEMString CQEMString::Right(int count) const {
  if (count < 0) count = 0;
  if (count > GetLength()) count = GetLength();
  CQEMString result;
  AllocCopy(result, count, GetLength() - count, 0);
  return result;
}

CQEMString CQEMString::SpanIncluding(LPCTSTR set) const { return Left(static_cast<int>(fw_mbs::span(m_pchData, set))); }

CQEMString CQEMString::SpanExcluding(LPCTSTR set) const {
  return Left(static_cast<int>(fw_mbs::span_excluding(m_pchData, set)));
}

int CQEMString::Find(char ch) const {
  const char* hit = fw_mbs::find_char(m_pchData, ch);
  return hit == nullptr ? -1 : static_cast<int>(hit - m_pchData);
}

int CQEMString::Find(LPCTSTR text) const {
  const char* hit = fw_mbs::find_text(m_pchData, text);
  return hit == nullptr ? -1 : static_cast<int>(hit - m_pchData);
}

int CQEMString::ReverseFind(char ch) const {
  const char* hit = fw_mbs::find_last_char(m_pchData, ch);
  return hit == nullptr ? -1 : static_cast<int>(hit - m_pchData);
}

int CQEMString::FindOneOf(LPCTSTR set) const {
  const char* hit = fw_mbs::find_one_of(m_pchData, set);
  return hit == nullptr ? -1 : static_cast<int>(hit - m_pchData);
}

void CQEMString::MakeUpper() {
  CopyBeforeWrite();
  if (!IsNil(GetData())) fw_mbs::make_upper(m_pchData);
}

void CQEMString::MakeLower() {
  CopyBeforeWrite();
  if (!IsNil(GetData())) fw_mbs::make_lower(m_pchData);
}

void CQEMString::MakeReverse() {
  CopyBeforeWrite();
  if (!IsNil(GetData())) fw_mbs::reverse(m_pchData, GetLength());
}

void CQEMString::TrimRight() {
  CopyBeforeWrite();
  int end = GetLength();
  while (end > 0 && fw_mbs::is_space(static_cast<unsigned char>(m_pchData[end - 1]))) --end;
  if (end != GetLength()) {
    m_pchData[end] = '\0';
    GetData()->nDataLength = end;
  }
}

void CQEMString::TrimLeft() {
  CopyBeforeWrite();
  int start = 0;
  while (start < GetLength() && fw_mbs::is_space(static_cast<unsigned char>(m_pchData[start]))) ++start;
  if (start != 0) {
    int remaining = GetLength() - start;
    std::memmove(m_pchData, m_pchData + start, remaining + 1);
    GetData()->nDataLength = remaining;
  }
}

LPTSTR CQEMString::GetBuffer(int minLength) {
  CStringData* old = GetData();
  if (old->nRefs > 1 || minLength > old->nAllocLength) {
    int oldLength = old->nDataLength;
    if (minLength < oldLength) minLength = oldLength;
    DV_AllocBuffer(minLength, this);
    if (!IsNil(GetData())) {
      std::memcpy(m_pchData, old->data(), oldLength + 1);
      GetData()->nDataLength = oldLength;
    }
    Release(old);
  }
  return m_pchData;
}

void CQEMString::ReleaseBuffer(int newLength) {
  CopyBeforeWrite();
  if (newLength == -1) newLength = static_cast<int>(std::strlen(m_pchData));
  if (IsNil(GetData())) return;  // length 0 already
  GetData()->nDataLength = newLength;
  m_pchData[newLength] = '\0';
}

LPTSTR CQEMString::GetBufferSetLength(int newLength) {
  GetBuffer(newLength);
  if (!IsNil(GetData())) {
    GetData()->nDataLength = newLength;
    m_pchData[newLength] = '\0';
  }
  return m_pchData;
}

void CQEMString::FreeExtra() {
  CStringData* old = GetData();
  if (old->nDataLength != old->nAllocLength) {
    DV_AllocBuffer(old->nDataLength, this);
    if (!IsNil(GetData())) std::memcpy(m_pchData, old->data(), old->nDataLength + 1);
    Release(old);
  }
}

LPTSTR CQEMString::LockBuffer() {
  LPTSTR text = GetBuffer(0);
  if (!IsNil(GetData())) GetData()->nRefs = -1;
  return text;
}

void CQEMString::UnlockBuffer() {
  if (!IsNil(GetData())) GetData()->nRefs = 1;
}
