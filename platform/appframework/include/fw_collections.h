// The framework's seventeen collection classes on the heap: seven arrays,
// three lists and seven maps, each with its run-time class record.
#pragma once

#include "fw_array.h"
#include "fw_list.h"
#include "fw_map.h"
#include "fw_string.h"

#define FW_COLLECTION_CLASS(name, ...)       \
  typedef __VA_ARGS__ name##Shape;           \
  class name : public name##Shape {          \
    DECLARE_DYNAMIC(name)                    \
   public:                                   \
    using name##Shape::name##Shape;          \
  };

FW_COLLECTION_CLASS(CByteArray, FwArray<BYTE, BYTE>)
FW_COLLECTION_CLASS(CWordArray, FwArray<WORD, WORD>)
FW_COLLECTION_CLASS(CDWordArray, FwArray<DWORD, DWORD>)
FW_COLLECTION_CLASS(CUIntArray, FwArray<UINT, UINT>)
FW_COLLECTION_CLASS(CPtrArray, FwArray<void*, void*>)
FW_COLLECTION_CLASS(CObArray, FwArray<CObject*, CObject*>)
FW_COLLECTION_CLASS(CStringArray, FwArray<CString, LPCTSTR>)

FW_COLLECTION_CLASS(CPtrList, FwList<void*, void*>)
FW_COLLECTION_CLASS(CObList, FwList<CObject*, CObject*>)
FW_COLLECTION_CLASS(CStringList, FwList<CString, LPCTSTR>)

FW_COLLECTION_CLASS(CMapWordToOb, FwMap<WORD, WORD, CObject*, CObject*, FwWordKey>)
FW_COLLECTION_CLASS(CMapWordToPtr, FwMap<WORD, WORD, void*, void*, FwWordKey>)
FW_COLLECTION_CLASS(CMapPtrToWord, FwMap<void*, void*, WORD, WORD, FwPointerKey>)
FW_COLLECTION_CLASS(CMapPtrToPtr, FwMap<void*, void*, void*, void*, FwPointerKey>)
FW_COLLECTION_CLASS(CMapStringToPtr, FwMap<CString, LPCTSTR, void*, void*, FwStringKey>)
FW_COLLECTION_CLASS(CMapStringToOb, FwMap<CString, LPCTSTR, CObject*, CObject*, FwStringKey>)
FW_COLLECTION_CLASS(CMapStringToString, FwMap<CString, LPCTSTR, CString, LPCTSTR, FwStringKey>)

#undef FW_COLLECTION_CLASS

// Arrays: vtable, data, size, maximum, grow-by.
static_assert(sizeof(CByteArray) == 20 && sizeof(CStringArray) == 20 && sizeof(CObArray) == 20);
// Lists: vtable, head, tail, count, free nodes, blocks, block size.
static_assert(sizeof(CPtrList) == 28 && sizeof(CStringList) == 28);
static_assert(sizeof(CStringList::CNode) == 12);
// Maps: vtable, table, table size, count, free list, blocks, block size.
static_assert(sizeof(CMapWordToPtr) == 28 && sizeof(CMapStringToString) == 28);
static_assert(sizeof(CMapWordToPtr::CAssoc) == 12 && sizeof(CMapPtrToPtr::CAssoc) == 12);
static_assert(sizeof(CMapStringToString::CAssoc) == 16 && sizeof(CMapStringToPtr::CAssoc) == 16);
