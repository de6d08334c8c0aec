// The string handle of every text field of the shop model, and the
// fixed-length string array. Stored layouts only; both are owned by the
// record that embeds them.
#pragma once

#include "dv_coll_typed.h"
#include "fw_string.h"
#include "shop_layout.h"

class CQEMString;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

// One word: the persistent string it stands for (in the current shop
// database or the transient database). The string lives as long as its
// database; the handle has no destructor.
class CMyString {
 public:
  // An unset handle, for records whose own constructor makes the string.
  CMyString() = default;
  // A new string in the current shop database (persistent 1) or the
  // transient database (0): empty, or holding the text (null gives empty).
  explicit CMyString(BOOL persistent);
  CMyString(LPCSTR text, BOOL persistent);
  CMyString(const CQEMString& text, BOOL persistent);
  CMyString(const CString& text, BOOL persistent);
  // A new handle object of its own (allocated with the CMyString
  // descriptor) holding a new empty string.
  static CMyString* CreateNew(BOOL persistent);
  // Destroys and frees the string (the handle itself stays).
  void DestroyString();
  // Destroys the string and frees a handle made by CreateNew.
  static void Free(CMyString* handle);

  // Change the string the handle stands for, in its database; from another
  // handle the text is copied, never shared.
  CMyString& operator=(LPCSTR text);
  CMyString& operator=(const CString& text);
  CMyString& operator=(const CQEMString& text);
  CMyString& operator=(const CMyString& other);
  CMyString& operator+=(LPCSTR text);

  int GetLength() const;
  operator LPCSTR() const;
  CQEMString& GetString() const { return *m_pString; }
  // Byte order and case-insensitive order: <0, 0, >0.
  int Compare(const CMyString& other) const;
  int CompareNoCase(const CMyString& other) const;

  CQEMString* m_pString;  // 0: the string object

  static constexpr auto pointer_offsets() { return objsch::shop_at(offsetof(CMyString, m_pString)); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// A fixed number of CMyString handles kept in a persistent array.
class CMyStringArray {
 public:
  CMyStringArray() = default;
  // An empty array that wants count elements, in the current shop database
  // (persistent 1) or the transient database.
  CMyStringArray(objsch::dv4u count, BOOL persistent);

  // Element i, appending new empty strings first until there is one
  // (persistent when the array is).
  CMyString* GetAt(objsch::dv4u i);
  // Appends new empty strings until the array holds its count.
  void Fill();
  void Add(CMyString* p);
  // Removes every element, freeing each (the handle and its string) when
  // free is set.
  void RemoveAll(BOOL free);
  // Frees every element and destroys the array.
  void Destroy();
  objsch::dv4u GetCount() const { return m_pStrings->cardinality(); }

  objsch::dv4u m_nCount;                      // 0: the number of elements the owner wants
  dv_qem::dv_Array<CMyString>* m_pStrings;  // 4: the handles, each allocated on its own

  static constexpr auto pointer_offsets() { return objsch::shop_at(offsetof(CMyStringArray, m_pStrings)); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

static_assert(sizeof(CMyString) == 4);
static_assert(sizeof(CMyStringArray) == 8);

#pragma GCC diagnostic pop
