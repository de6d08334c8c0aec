// QemDbAlloc: the allocation policy (fw_alloc_policy.h) that places the
// framework collections' storage in the database of the collection object,
// each allocation with the type descriptor of its elements: element buffers
// and hash tables as arrays of their element type, node and association
// blocks as a CQEMPlex header and an array of block-size elements. A
// collection in transient memory gets ordinary heap memory. Everything is
// freed with durnavel::free_memory. A count whose storage cannot be
// addressed is refused with dv_err_out_of_virtual_memory naming the class.
#pragma once

#include <cstddef>
#include <type_traits>

#include "dv_database.h"
#include "dv_new.h"
#include "dv_typespec.h"
#include "fw_alloc_policy.h"
#include "fw_types.h"

// A block of list nodes or map associations: {next block, element array}.
typedef FwPlex CQEMPlex;
DV_DECLARE_TYPESPEC(CQEMPlex);

// The type descriptor of an element of T: the built-in ones for numbers and
// pointers, else T's own.
template <class T>
dv_qem::dv_typespec* qem_element_typespec() {
  using dv_qem::dv_typespec;
  if constexpr (std::is_pointer_v<T>) return dv_typespec::get_pointer();
  else if constexpr (std::is_same_v<T, BYTE>) return dv_typespec::get_char();
  else if constexpr (std::is_same_v<T, WORD>) return dv_typespec::get_unsigned_short();
  else if constexpr (std::is_same_v<T, DWORD>) return dv_typespec::get_unsigned_long();
  else if constexpr (std::is_same_v<T, UINT>) return dv_typespec::get_unsigned_int();
  else return &dv_qem::dv_ts<T>::the_instance;
}

struct QemDbAlloc {
  // Elements with a destructor (strings) carry their count in a word in
  // front of the first one, as every persistent array of such elements does.
  template <class T>
  static constexpr size_t kHeader = dv_qem::dv_array_detail::has_vector_header<T> ? sizeof(unsigned) : 0;

  template <class T>
  static T* Allocate(const void* owner, size_t count) {
    if (!FwFitsInMemory(count, sizeof(T), kHeader<T>)) RefuseSize(static_cast<const CObject*>(owner), count, sizeof(T));
    auto elements = static_cast<unsigned>(count);
    char* block = static_cast<char*>(::operator new(count * sizeof(T) + kHeader<T>, dv_qem::dv_database::of(owner),
                                                    qem_element_typespec<T>(), elements));
    if constexpr (kHeader<T> != 0) *reinterpret_cast<unsigned*>(block) = elements;
    return reinterpret_cast<T*>(block + kHeader<T>);
  }

  template <class T>
  static void Free(const void*, T* storage, size_t) {
    if (storage != nullptr) FreeMemory(reinterpret_cast<char*>(storage) - kHeader<T>);
  }

  template <class T>
  static T* NewBlock(FwPlex*& chain, size_t count, const void* owner) {
    if (!FwFitsInMemory(count, sizeof(T))) RefuseSize(static_cast<const CObject*>(owner), count, sizeof(T));
    return static_cast<T*>(CreatePlex(chain, static_cast<unsigned>(count), sizeof(T), owner, qem_element_typespec<T>()));
  }

  static void FreeChain(FwPlex* chain);
  [[noreturn]] static void RefuseSize(const CObject* owner, unsigned long long count, size_t size);

 private:
  // Allocates a block header and its array of count elements of size bytes
  // (described by ts) in the database of owner, links the header in front of
  // chain and returns the array.
  static void* CreatePlex(FwPlex*& chain, unsigned count, unsigned size, const void* owner, dv_qem::dv_typespec* ts);
  static void FreeMemory(void* p);
};
