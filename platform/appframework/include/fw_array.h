// FwArray: the framework's array shape {data, size, maximum, grow-by} after
// the CObject header, over an allocation policy (fw_alloc_policy.h).
// Elements are value-initialised when they come into the array (zero for
// numbers and pointers, the empty string for strings) and are moved as raw
// bytes, as the framework does. Indexes are not checked; a size past what
// can be allocated is refused with the policy's memory error before the
// array changes.
#pragma once

#include <climits>
#include <cstring>
#include <new>

#include "fw_alloc_policy.h"
#include "fw_object.h"

template <class TYPE, class ARG_TYPE, class Alloc = FwHeapAlloc>
class FwArray : public CObject {
 public:
  FwArray() = default;
  ~FwArray() override { SetSize(0, -1); }

  int GetSize() const { return m_nSize; }
  int GetUpperBound() const { return m_nSize - 1; }

  // A grow-by other than -1 is kept for later growth; 0 picks a step from
  // the size (size / 8, at least 4, at most 1024).
  void SetSize(int newSize, int growBy = -1) {
    if (growBy != -1) m_nGrowBy = growBy;
    if (newSize <= 0) {
      if (m_pData != nullptr) {
        Destroy(0, m_nSize);
        Alloc::Free(this, m_pData, m_nMaxSize);
        m_pData = nullptr;
      }
      m_nSize = m_nMaxSize = 0;
    } else if (m_pData == nullptr) {
      m_pData = Alloc::template Allocate<TYPE>(this, newSize);
      Construct(0, newSize);
      m_nSize = m_nMaxSize = newSize;
    } else if (newSize <= m_nMaxSize) {
      if (newSize > m_nSize) Construct(m_nSize, newSize);
      else if (newSize < m_nSize) Destroy(newSize, m_nSize);
      m_nSize = newSize;
    } else {
      int step = m_nGrowBy;
      if (step == 0) {
        step = m_nSize / 8;
        step = step < 4 ? 4 : (step > 1024 ? 1024 : step);
      }
      long long stepped = static_cast<long long>(m_nMaxSize) + step;
      int newMax = stepped < newSize ? newSize : (stepped > INT_MAX ? INT_MAX : static_cast<int>(stepped));
      TYPE* fresh = Alloc::template Allocate<TYPE>(this, newMax);
      std::memcpy(static_cast<void*>(fresh), static_cast<const void*>(m_pData), m_nSize * sizeof(TYPE));
      Alloc::Free(this, m_pData, m_nMaxSize);
      m_pData = fresh;
      Construct(m_nSize, newSize);
      m_nSize = newSize;
      m_nMaxSize = newMax;
    }
  }

  // Shrinks the storage to exactly the size.
  void FreeExtra() {
    if (m_nSize == m_nMaxSize) return;
    TYPE* fresh = nullptr;
    if (m_nSize != 0) {
      fresh = Alloc::template Allocate<TYPE>(this, m_nSize);
      std::memcpy(static_cast<void*>(fresh), static_cast<const void*>(m_pData), m_nSize * sizeof(TYPE));
    }
    Alloc::Free(this, m_pData, m_nMaxSize);
    m_pData = fresh;
    m_nMaxSize = m_nSize;
  }

  void RemoveAll() { SetSize(0, -1); }

  TYPE GetAt(int index) const { return m_pData[index]; }
  void SetAt(int index, ARG_TYPE element) { m_pData[index] = element; }
  TYPE& ElementAt(int index) { return m_pData[index]; }
  const TYPE* GetData() const { return m_pData; }
  TYPE* GetData() { return m_pData; }

  void SetAtGrow(int index, ARG_TYPE element) {
    if (index >= m_nSize) SetSize(GrownCount(index, 1), -1);
    m_pData[index] = element;
  }

  int Add(ARG_TYPE element) {
    int index = m_nSize;
    SetAtGrow(index, element);
    return index;
  }

  // Appends every element of source; returns the index of the first one.
  int Append(const FwArray& source) { return AppendFrom(source); }
  void Copy(const FwArray& source) { CopyFrom(source); }

  void InsertAt(int index, ARG_TYPE element, int count = 1) {
    if (count <= 0) return;
    OpenGap(index, count);
    TYPE* gap = m_pData + index;
    for (TYPE* end = gap + count; gap != end; ++gap) *gap = element;
  }

  void InsertAt(int startIndex, FwArray* source) { InsertFrom(startIndex, *source); }

  void RemoveAt(int index, int count = 1) {
    if (count <= 0) return;
    int moveCount = m_nSize - (index + count);
    Destroy(index, index + count);
    if (moveCount > 0) {
      std::memmove(static_cast<void*>(m_pData + index), static_cast<const void*>(m_pData + index + count),
                   moveCount * sizeof(TYPE));
    }
    m_nSize -= count;
  }

  TYPE operator[](int index) const { return m_pData[index]; }
  TYPE& operator[](int index) { return m_pData[index]; }

 protected:
  // For arrays of another class with elements assignable to TYPE (a
  // framework array and its database counterpart).
  template <class SOURCE>
  int AppendFrom(const SOURCE& source) {
    int start = m_nSize;
    int count = source.GetSize();
    SetSize(GrownCount(start, count));  // source may be this array: read it after growing
    for (int i = 0; i < count; ++i) m_pData[start + i] = source.GetData()[i];
    return start;
  }

  template <class SOURCE>
  void CopyFrom(const SOURCE& source) {
    if (static_cast<const void*>(&source) == static_cast<const void*>(this)) return;
    SetSize(source.GetSize());
    for (int i = 0; i < m_nSize; ++i) m_pData[i] = source.GetData()[i];
  }

  template <class SOURCE>
  void InsertFrom(int startIndex, const SOURCE& source) {
    int count = source.GetSize();
    if (count <= 0) return;
    if (static_cast<const void*>(&source) == static_cast<const void*>(this)) {
      FwArray copy;
      copy.CopyFrom(source);
      InsertFrom(startIndex, copy);
      return;
    }
    OpenGap(startIndex, count);
    for (int i = 0; i < count; ++i) m_pData[startIndex + i] = source.GetData()[i];
  }

  // Makes room for count fresh elements at index (growing when index is
  // past the end).
  void OpenGap(int index, int count) {
    if (index >= m_nSize) {
      SetSize(GrownCount(index, count), -1);
      return;
    }
    int oldSize = m_nSize;
    SetSize(GrownCount(m_nSize, count), -1);
    Destroy(oldSize, oldSize + count);
    std::memmove(static_cast<void*>(m_pData + index + count), static_cast<const void*>(m_pData + index),
                 (oldSize - index) * sizeof(TYPE));
    Construct(index, index + count);
  }

  // first + more elements; a count past what an int holds is refused with
  // the policy's memory error.
  int GrownCount(int first, int more) const {
    long long sum = static_cast<long long>(first) + more;
    if (sum > INT_MAX) Alloc::RefuseSize(this, static_cast<unsigned long long>(sum), sizeof(TYPE));
    return static_cast<int>(sum);
  }

  void Construct(int from, int to) {
    for (int i = from; i < to; ++i) new (static_cast<void*>(m_pData + i)) TYPE();
  }

  void Destroy(int from, int to) {
    for (int i = from; i < to; ++i) m_pData[i].~TYPE();
  }

  TYPE* m_pData = nullptr;
  int m_nSize = 0;
  int m_nMaxSize = 0;
  int m_nGrowBy = 0;
};
