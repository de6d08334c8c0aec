// The persistent collections' run-time class records, type descriptors,
// block allocation and errors.
#include "qem_collections.h"

#include "durnavel.h"

using dv_qem::dv_database;
using dv_qem::durnavel;

DV_DEFINE_TYPESPEC(CQEMPlex, "CQEMPlex", DV_POINTERS(offsetof(FwPlex, pNext), offsetof(FwPlex, pElements)),
                   DV_NO_VTABLES);

// Arrays: the data pointer after the virtual-table pointer.
#define QEM_ARRAY(name)                                                      \
  IMPLEMENT_DYNAMIC(name, CObject)                                           \
  DV_DEFINE_TYPESPEC(name, #name, DV_POINTERS(4), DV_VTABLES(0));
QEM_ARRAY(CQEMByteArray)
QEM_ARRAY(CQEMWordArray)
QEM_ARRAY(CQEMDWordArray)
QEM_ARRAY(CQEMUIntArray)
QEM_ARRAY(CQEMPtrArray)
QEM_ARRAY(CQEMObArray)
QEM_ARRAY(CQEMStringArray)
#undef QEM_ARRAY

// Lists: head, tail, free nodes and blocks; nodes: next, previous and the
// element (a pointer, or a string's character pointer).
#define QEM_LIST(name)                                                                         \
  IMPLEMENT_DYNAMIC(name, CObject)                                                             \
  DV_DEFINE_TYPESPEC(name, #name, DV_POINTERS(4, 8, 16, 20), DV_VTABLES(0));                   \
  DV_DEFINE_TYPESPEC(name::CNode, #name "::CNode", DV_POINTERS(0, 4, 8), DV_NO_VTABLES);
QEM_LIST(CQEMPtrList)
QEM_LIST(CQEMObList)
QEM_LIST(CQEMStringList)
#undef QEM_LIST

// Maps: hash table, free associations and blocks; associations by the
// places of their pointers (a word key or value is none, nor is a string
// key's hash).
#define QEM_MAP(name, ...)                                                                     \
  IMPLEMENT_DYNAMIC(name, CObject)                                                             \
  DV_DEFINE_TYPESPEC(name, #name, DV_POINTERS(4, 16, 20), DV_VTABLES(0));                      \
  DV_DEFINE_TYPESPEC(name::CAssoc, #name "::CAssoc", DV_POINTERS(__VA_ARGS__), DV_NO_VTABLES);
QEM_MAP(CQEMMapWordToOb, 0, 8)
QEM_MAP(CQEMMapWordToPtr, 0, 8)
QEM_MAP(CQEMMapPtrToWord, 0, 4)
QEM_MAP(CQEMMapPtrToPtr, 0, 4, 8)
QEM_MAP(CQEMMapStringToPtr, 0, 8, 12)
QEM_MAP(CQEMMapStringToOb, 0, 8, 12)
QEM_MAP(CQEMMapStringToString, 0, 8, 12)
#undef QEM_MAP

void QemThrowRangeError(const CObject* collection, const char* what, int value, int size) {
  throw dv_qem::dv_err_misc("%s: %s %d is out of range for %d elements.",
                            collection->GetRuntimeClass()->m_lpszClassName, what, value, size);
}

void QemThrowSerializeError(const CObject* collection) {
  throw dv_qem::dv_err_not_supported("Serialization for class %s not supported.",
                                     collection->GetRuntimeClass()->m_lpszClassName);
}

void* QemDbAlloc::CreatePlex(FwPlex*& chain, unsigned count, unsigned size, const void* owner,
                             dv_qem::dv_typespec* ts) {
  dv_database* db = dv_database::of(owner);
  auto* block = static_cast<FwPlex*>(::operator new(sizeof(FwPlex), db, &dv_qem::dv_ts<CQEMPlex>::the_instance));
  try {
    block->pElements = ::operator new(static_cast<size_t>(count) * size, db, ts, count);
  } catch (...) {
    durnavel::free_memory(block);
    throw;
  }
  block->pNext = chain;
  chain = block;
  return block->pElements;
}

void QemDbAlloc::FreeChain(FwPlex* chain) {
  while (chain != nullptr) {
    FwPlex* next = chain->pNext;
    durnavel::free_memory(chain->pElements);
    durnavel::free_memory(chain);
    chain = next;
  }
}

void QemDbAlloc::RefuseSize(const CObject* owner, unsigned long long count, size_t size) {
  throw dv_qem::dv_err_out_of_virtual_memory("%s: %llu elements of %u bytes cannot be allocated.",
                                             owner->GetRuntimeClass()->m_lpszClassName, count,
                                             static_cast<unsigned>(size));
}

void QemDbAlloc::FreeMemory(void* p) { durnavel::free_memory(p); }
