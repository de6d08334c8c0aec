// The framework's seven arrays, three lists and seven maps made persistent:
// the same shapes and members as CByteArray ... CMapStringToString, with
// every buffer, node block and hash table in the database of the collection
// object (QemDbAlloc) and strings kept as CQEMString. Each class has its
// run-time class record and its type descriptor; Serialize throws
// dv_err_not_supported. Array indexes are checked (dv_err_misc), and a map
// given a new hash-table size keeps its associations.
#pragma once

#include <type_traits>

#include "durnavel.h"
#include "dv_err.h"
#include "fw_collections.h"
#include "qem_alloc.h"
#include "qem_string.h"

// Raises dv_err_misc for an argument out of range ("index", "count",
// "size", "grow-by" or "hash-table size") of a collection holding size
// elements.
[[noreturn]] void QemThrowRangeError(const CObject* collection, const char* what, int value, int size);
// Raises dv_err_not_supported for the serialisation of the named class.
[[noreturn]] void QemThrowSerializeError(const CObject* collection);

// An array over the database policy; FRAMEWORK is the framework class of the
// same layout, which the array reads and converts to.
template <class TYPE, class ARG_TYPE, class FRAMEWORK>
class QemArray : public FwArray<TYPE, ARG_TYPE, QemDbAlloc> {
  typedef FwArray<TYPE, ARG_TYPE, QemDbAlloc> Base;

 public:
  QemArray() = default;

  // A negative size or grow-by below -1 is refused.
  void SetSize(int newSize, int growBy = -1) {
    if (newSize < 0) QemThrowRangeError(this, "size", newSize, this->m_nSize);
    if (growBy < -1) QemThrowRangeError(this, "grow-by", growBy, this->m_nSize);
    Base::SetSize(newSize, growBy);
  }
  TYPE GetAt(int index) const { return Base::GetAt(Checked(index)); }
  void SetAt(int index, ARG_TYPE element) { Base::SetAt(Checked(index), element); }
  TYPE& ElementAt(int index) { return Base::ElementAt(Checked(index)); }
  TYPE operator[](int index) const { return Base::GetAt(Checked(index)); }
  TYPE& operator[](int index) { return Base::ElementAt(Checked(index)); }
  void SetAtGrow(int index, ARG_TYPE element) {
    if (index < 0) QemThrowRangeError(this, "index", index, this->m_nSize);
    Base::SetAtGrow(index, element);
  }
  int Add(ARG_TYPE element) { return Base::Add(element); }

  int Append(const FRAMEWORK& source) { return this->AppendFrom(source); }
  int Append(const QemArray& source) { return Append(static_cast<const FRAMEWORK&>(source)); }
  void Copy(const FRAMEWORK& source) { this->CopyFrom(source); }
  void Copy(const QemArray& source) { Copy(static_cast<const FRAMEWORK&>(source)); }
  void InsertAt(int index, ARG_TYPE element, int count = 1) {
    if (index < 0) QemThrowRangeError(this, "index", index, this->m_nSize);
    if (count < 0) QemThrowRangeError(this, "count", count, this->m_nSize);
    Base::InsertAt(index, element, count);
  }
  void InsertAt(int startIndex, const FRAMEWORK* source) {
    if (startIndex < 0) QemThrowRangeError(this, "index", startIndex, this->m_nSize);
    this->InsertFrom(startIndex, *source);
  }
  void InsertAt(int startIndex, const QemArray* source) { InsertAt(startIndex, &static_cast<const FRAMEWORK&>(*source)); }
  void RemoveAt(int index, int count = 1) {
    if (count < 0) QemThrowRangeError(this, "count", count, this->m_nSize);
    if (index < 0 || index > this->m_nSize - count) QemThrowRangeError(this, "index", index, this->m_nSize);
    Base::RemoveAt(index, count);
  }

  // The array read as its framework class (the same object).
  operator const FRAMEWORK&() const { return *reinterpret_cast<const FRAMEWORK*>(this); }

 protected:
  int Checked(int index) const {
    if (index < 0 || index >= this->m_nSize) QemThrowRangeError(this, "index", index, this->m_nSize);
    return index;
  }
};

// A list over the database policy; it also takes the elements of a list of
// its framework class.
template <class TYPE, class ARG_TYPE, class FRAMEWORK>
class QemList : public FwList<TYPE, ARG_TYPE, QemDbAlloc> {
  typedef FwList<TYPE, ARG_TYPE, QemDbAlloc> Base;

 public:
  explicit QemList(int blockSize = 10) : Base(blockSize) {}

  using Base::AddHead;
  using Base::AddTail;
  void AddHead(const FRAMEWORK* other) { this->AddHeadFrom(*other); }
  void AddTail(const FRAMEWORK* other) { this->AddTailFrom(*other); }
};

// Pointer keys hash with the runtime's pointer hash, which does not depend
// on where the database is mapped.
struct QemPointerKey {
  static constexpr bool kStoresHash = false;
  static UINT Hash(const void* key) { return dv_qem::durnavel::compute_ptr_hash(key); }
  static bool Equal(const void* stored, const void* key) { return stored == key; }
};

// A map over the database policy. String maps also read into framework
// strings.
template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE, class KeyPolicy>
class QemMap : public FwMap<KEY, ARG_KEY, VALUE, ARG_VALUE, KeyPolicy, QemDbAlloc> {
  typedef FwMap<KEY, ARG_KEY, VALUE, ARG_VALUE, KeyPolicy, QemDbAlloc> Base;
  typedef std::conditional_t<std::is_same_v<VALUE, CQEMString>, CString, VALUE> FrameworkValue;
  static constexpr bool kStringKeys = std::is_same_v<KEY, CQEMString>;

 public:
  explicit QemMap(int blockSize = 10) : Base(blockSize) {}

  // A size of 0 is refused; the associations held move to the new table.
  void InitHashTable(UINT size, BOOL allocateNow = TRUE) {
    if (size == 0) QemThrowRangeError(this, "hash-table size", 0, this->m_nCount);
    Base::InitHashTable(size, allocateNow);
  }

  using Base::GetNextAssoc;
  using Base::Lookup;
  BOOL Lookup(ARG_KEY key, CString& value) const
    requires std::is_same_v<VALUE, CQEMString>
  {
    UINT bucket;
    typename Base::CAssoc* assoc = this->GetAssocAt(key, &bucket);
    if (assoc == nullptr) return FALSE;
    value = static_cast<LPCTSTR>(assoc->value);
    return TRUE;
  }
  void GetNextAssoc(POSITION& position, CString& key, FrameworkValue& value) const
    requires kStringKeys
  {
    CQEMString storedKey;
    VALUE storedValue{};
    Base::GetNextAssoc(position, storedKey, storedValue);
    key = static_cast<LPCTSTR>(storedKey);
    if constexpr (std::is_same_v<VALUE, CQEMString>) value = static_cast<LPCTSTR>(storedValue);
    else value = storedValue;
  }
};

// One concrete class: its run-time class record, a constructor for learning
// its virtual table, and Serialize, which throws.
#define QEM_COLLECTION_CLASS(name, shape, ...)                               \
  typedef shape<__VA_ARGS__> name##Shape;                                   \
  class name : public name##Shape {                                         \
    DECLARE_DYNAMIC(name)                                                   \
   public:                                                                  \
    using name##Shape::name##Shape;                                         \
    name() = default;                                                       \
    explicit name(::dv_qem::dv_probe_t) {}                                  \
    void Serialize(CArchive&) override { QemThrowSerializeError(this); }    \
  };

QEM_COLLECTION_CLASS(CQEMByteArray, QemArray, BYTE, BYTE, CByteArray)
QEM_COLLECTION_CLASS(CQEMWordArray, QemArray, WORD, WORD, CWordArray)
QEM_COLLECTION_CLASS(CQEMDWordArray, QemArray, DWORD, DWORD, CDWordArray)
QEM_COLLECTION_CLASS(CQEMUIntArray, QemArray, UINT, UINT, CUIntArray)
QEM_COLLECTION_CLASS(CQEMPtrArray, QemArray, void*, void*, CPtrArray)
QEM_COLLECTION_CLASS(CQEMObArray, QemArray, CObject*, CObject*, CObArray)
QEM_COLLECTION_CLASS(CQEMStringArray, QemArray, CQEMString, LPCTSTR, CStringArray)

QEM_COLLECTION_CLASS(CQEMPtrList, QemList, void*, void*, CPtrList)
QEM_COLLECTION_CLASS(CQEMObList, QemList, CObject*, CObject*, CObList)
QEM_COLLECTION_CLASS(CQEMStringList, QemList, CQEMString, LPCTSTR, CStringList)

QEM_COLLECTION_CLASS(CQEMMapWordToOb, QemMap, WORD, WORD, CObject*, CObject*, FwWordKey)
QEM_COLLECTION_CLASS(CQEMMapWordToPtr, QemMap, WORD, WORD, void*, void*, FwWordKey)
QEM_COLLECTION_CLASS(CQEMMapPtrToWord, QemMap, void*, void*, WORD, WORD, QemPointerKey)
QEM_COLLECTION_CLASS(CQEMMapPtrToPtr, QemMap, void*, void*, void*, void*, QemPointerKey)
QEM_COLLECTION_CLASS(CQEMMapStringToPtr, QemMap, CQEMString, LPCTSTR, void*, void*, FwStringKey)
QEM_COLLECTION_CLASS(CQEMMapStringToOb, QemMap, CQEMString, LPCTSTR, CObject*, CObject*, FwStringKey)
QEM_COLLECTION_CLASS(CQEMMapStringToString, QemMap, CQEMString, LPCTSTR, CQEMString, LPCTSTR, FwStringKey)

#undef QEM_COLLECTION_CLASS

// The framework's layouts, so that each class reads as its framework class.
static_assert(sizeof(CQEMByteArray) == sizeof(CByteArray) && sizeof(CQEMStringArray) == sizeof(CStringArray));
static_assert(sizeof(CQEMPtrList) == sizeof(CPtrList) && sizeof(CQEMStringList::CNode) == sizeof(CStringList::CNode));
static_assert(sizeof(CQEMMapWordToPtr) == sizeof(CMapWordToPtr));
static_assert(sizeof(CQEMMapStringToString::CAssoc) == sizeof(CMapStringToString::CAssoc));
static_assert(sizeof(CQEMMapWordToOb::CAssoc) == 12 && sizeof(CQEMMapPtrToWord::CAssoc) == 12);

DV_DECLARE_TYPESPEC(CQEMByteArray);
DV_DECLARE_TYPESPEC(CQEMWordArray);
DV_DECLARE_TYPESPEC(CQEMDWordArray);
DV_DECLARE_TYPESPEC(CQEMUIntArray);
DV_DECLARE_TYPESPEC(CQEMPtrArray);
DV_DECLARE_TYPESPEC(CQEMObArray);
DV_DECLARE_TYPESPEC(CQEMStringArray);
DV_DECLARE_TYPESPEC(CQEMPtrList);
DV_DECLARE_TYPESPEC(CQEMObList);
DV_DECLARE_TYPESPEC(CQEMStringList);
DV_DECLARE_TYPESPEC(CQEMPtrList::CNode);
DV_DECLARE_TYPESPEC(CQEMObList::CNode);
DV_DECLARE_TYPESPEC(CQEMStringList::CNode);
DV_DECLARE_TYPESPEC(CQEMMapWordToOb);
DV_DECLARE_TYPESPEC(CQEMMapWordToPtr);
DV_DECLARE_TYPESPEC(CQEMMapPtrToWord);
DV_DECLARE_TYPESPEC(CQEMMapPtrToPtr);
DV_DECLARE_TYPESPEC(CQEMMapStringToPtr);
DV_DECLARE_TYPESPEC(CQEMMapStringToOb);
DV_DECLARE_TYPESPEC(CQEMMapStringToString);
DV_DECLARE_TYPESPEC(CQEMMapWordToOb::CAssoc);
DV_DECLARE_TYPESPEC(CQEMMapWordToPtr::CAssoc);
DV_DECLARE_TYPESPEC(CQEMMapPtrToWord::CAssoc);
DV_DECLARE_TYPESPEC(CQEMMapPtrToPtr::CAssoc);
DV_DECLARE_TYPESPEC(CQEMMapStringToPtr::CAssoc);
DV_DECLARE_TYPESPEC(CQEMMapStringToOb::CAssoc);
DV_DECLARE_TYPESPEC(CQEMMapStringToString::CAssoc);
