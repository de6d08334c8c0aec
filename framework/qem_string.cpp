// CQEMString: buffers in the string's database, the shared empty buffer of
// each database, the sharing rules, construction, assignment from another
// string and extraction (the algorithms shared with the framework string
// are in fw_string_core.h; formatting and loading live in
// qem_string_format.cpp).
#include "qem_string.h"

#include "durnavel.h"

using dv_qem::dv_database;
using dv_qem::dv_database_root;
using dv_qem::durnavel;

DV_DEFINE_TYPESPEC(CQEMString, "CQEMString", DV_POINTERS(0), DV_NO_VTABLES);

namespace {

// The root holding a database's empty string buffer.
constexpr const char* kNilRootName = "__afxDataNil";
// Header, no characters, the NUL.
constexpr unsigned kNilBlockSize = sizeof(CStringData) + 1;

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

CStringData* QemStringBuffers::empty_buffer(const void* owner) { return CQEMString::_afxDataNil(owner); }

CStringData* QemStringBuffers::allocate(unsigned bytes, const void* owner) {
  return static_cast<CStringData*>(
      ::operator new(bytes, dv_database::of(owner), dv_qem::dv_typespec::get_char(), bytes));
}

void QemStringBuffers::free_buffer(CStringData* data) { durnavel::free_memory(data); }

CQEMString::CQEMString() { Init(); }

CQEMString::CQEMString(const CQEMString& source) {
  if (source.GetData()->nRefs >= 0 && same_database(&source, this)) {
    InitShared(source);
  } else {
    Init();
    AssignCopy(source.GetLength(), source.m_pchData);
  }
}

CQEMString::CQEMString(char ch, int repeat) { InitRepeated(ch, repeat); }

CQEMString::CQEMString(LPCSTR text) { InitText(text); }

CQEMString::CQEMString(LPCSTR text, int length) { InitCopy(text, length); }

CQEMString::CQEMString(const unsigned char* text) : CQEMString(reinterpret_cast<LPCSTR>(text)) {}

CQEMString::CQEMString(LPCWSTR text) { InitWide(text); }

const CQEMString& CQEMString::operator=(const CQEMString& source) {
  if (m_pchData == source.m_pchData) return *this;
  CStringData* mine = GetData();
  bool share = (mine->nRefs >= 0 || QemStringBuffers::is_empty_buffer(mine)) && source.GetData()->nRefs >= 0 &&
               same_database(&source, this) && (!durnavel::is_persistent(&source) || !dv_database::of(&source)->is_open_readonly());
  if (share) {
    ShareFrom(source);
  } else {
    AssignCopy(source.GetLength(), source.m_pchData);
  }
  return *this;
}

const CQEMString& CQEMString::operator=(LPCWSTR text) {
  CString converted(text);
  AssignCopy(converted.GetLength(), converted);
  return *this;
}

CQEMString CQEMString::Mid(int first) const { return Mid(first, GetLength() - first); }

CQEMString CQEMString::Mid(int first, int count) const {
  ClampMid(&first, &count);
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
