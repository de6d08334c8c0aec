// Persistent allocation. An object is created in a database with
//   new (db, dv_typespec_of_T) T(...)            in db (the transient
//                                                database: ordinary heap)
//   new (dv_cluster::with(p), ts) T(...)         near the object at p
// and destroyed with delete. The typespec must describe T (its size is
// checked). The count forms allocate `count` elements of ts in one object
// for callers that place the elements themselves; arrays of objects are made
// with dv_new_array and destroyed with dv_delete_array below, never with
// new[] / delete[] (the compiler's array bookkeeping is not what a database
// stores).
//
// The runtime's operator delete serves every delete of the process: a
// persistent address is freed by its database's allocator, any other one by
// the transient delete function (durnavel::set_transient_delete_function) or
// the C heap. A delete the database refuses (no update transaction, a
// read-only database) leaves the object's memory as it was and shows the
// error with dv_err::print; the process goes on (durnavel::free_memory
// throws the same error where the caller can catch it).
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>

#include "dv_database.h"
#include "dv_typespec.h"

// Each form throws dv_err_operator_new_args for a null database or hint, a
// null typespec (except for the transient database) and a zero count; the
// allocator refuses a size that does not match the typespec. The result is
// zeroed.
void* operator new(std::size_t size, dv_qem::dv_database* db, dv_qem::dv_typespec* ts);
void* operator new(std::size_t size, dv_qem::dv_database* db, dv_qem::dv_typespec* ts, unsigned count);
void* operator new(std::size_t size, const void* hint, dv_qem::dv_typespec* ts);
void* operator new(std::size_t size, const void* hint, dv_qem::dv_typespec* ts, unsigned count);

// Free the storage of an object whose constructor threw.
void operator delete(void* p, dv_qem::dv_database* db, dv_qem::dv_typespec* ts) noexcept;
void operator delete(void* p, dv_qem::dv_database* db, dv_qem::dv_typespec* ts, unsigned count) noexcept;
void operator delete(void* p, const void* hint, dv_qem::dv_typespec* ts) noexcept;
void operator delete(void* p, const void* hint, dv_qem::dv_typespec* ts, unsigned count) noexcept;

namespace dv_qem {

namespace dv_array_detail {

// Arrays of elements with a destructor carry their element count in a
// 4-byte vector header in front of the first element.
template <class T>
constexpr bool has_vector_header = !std::is_trivially_destructible_v<T>;

template <class T>
T* construct(void* block, unsigned count) {
  char* first = static_cast<char*>(block);
  if constexpr (has_vector_header<T>) {
    *static_cast<unsigned*>(block) = count;
    first += sizeof(unsigned);
  }
  T* elements = reinterpret_cast<T*>(first);
  unsigned made = 0;
  try {
    for (; made < count; ++made) ::new (static_cast<void*>(elements + made)) T();
  } catch (...) {
    while (made > 0) elements[--made].~T();
    ::operator delete(block);
    throw;
  }
  return elements;
}

template <class T>
std::size_t array_size(unsigned count) {
  return std::size_t{count} * sizeof(T) + (has_vector_header<T> ? sizeof(unsigned) : 0);
}

}  // namespace dv_array_detail

// count default-constructed elements of T (described by ts) in db, as one
// object. Free with dv_delete_array.
template <class T>
T* dv_new_array(dv_database* db, dv_typespec* ts, unsigned count) {
  void* block = ::operator new(dv_array_detail::array_size<T>(count), db, ts, count);
  return dv_array_detail::construct<T>(block, count);
}

// The same, placed near the object at hint.
template <class T>
T* dv_new_array_near(const void* hint, dv_typespec* ts, unsigned count) {
  void* block = ::operator new(dv_array_detail::array_size<T>(count), hint, ts, count);
  return dv_array_detail::construct<T>(block, count);
}

// Destroys the elements of an array made by dv_new_array (last first) and
// frees it; nothing for null.
template <class T>
void dv_delete_array(T* elements) {
  if (elements == nullptr) return;
  void* block = elements;
  if constexpr (dv_array_detail::has_vector_header<T>) {
    block = reinterpret_cast<char*>(elements) - sizeof(unsigned);
    for (unsigned n = *static_cast<unsigned*>(block); n > 0; --n) elements[n - 1].~T();
  }
  ::operator delete(block);
}

}  // namespace dv_qem
