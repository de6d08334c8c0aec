// Typed collections over the out-of-line facade: dv_List<T>, dv_Array<T>,
// dv_Set<T>, dv_Bag<T> and dv_Collection<T> take and give T* instead of
// void*. They add no data, no virtual functions and no code to the library:
// a typed collection is a facade.
#pragma once

#include "dv_outofline_collection.h"

namespace dv_qem {

template <class T>
class _Coll_typed : public dv_outofline_collection {
 public:
  using dv_outofline_collection::dv_outofline_collection;

  void insert(const T* e) { _insert(e); }
  int remove(const T* e) { return _remove(e); }
  int contains(const T* e) const { return _contains(e); }
  int count(const T* e) const { return _count(e); }
  T* pick() const { return static_cast<T*>(dv_outofline_collection::pick()); }
  T* only() const { return static_cast<T*>(dv_outofline_collection::only()); }
  unsigned cardinality() const { return _cardinality(); }
  int empty() const { return _empty(); }
  void clear() { _clear(); }
};

// Ordered typed collections add the positional operations.
template <class T>
class _Coll_typed_ordered : public _Coll_typed<T> {
 public:
  using _Coll_typed<T>::_Coll_typed;

  void insert_first(const T* e) { this->_insert_first(e); }
  void insert_last(const T* e) { this->_insert_last(e); }
  T* remove_first() { return static_cast<T*>(dv_collection::remove_first()); }
  T* remove_last() { return static_cast<T*>(dv_collection::remove_last()); }
  T* retrieve_first() const { return static_cast<T*>(dv_collection::retrieve_first()); }
  T* retrieve_last() const { return static_cast<T*>(dv_collection::retrieve_last()); }
  T* retrieve(unsigned position) const { return static_cast<T*>(this->_retrieve(position)); }
  T* retrieve(const dv_cursor& c) const { return static_cast<T*>(this->_retrieve(c)); }
  void insert_after(const T* e, unsigned position) { this->_insert_after(e, position); }
  void insert_before(const T* e, unsigned position) { this->_insert_before(e, position); }
  void remove_at(unsigned position) { this->_remove_at(position); }
  T* replace_at(const T* e, unsigned position) { return static_cast<T*>(this->_replace_at(e, position)); }
};

namespace coll_typed_detail {
// The facade of a new collection of the kind, as the typed class Typed.
template <class Typed, class Where>
Typed& make(const char* kind, Where where, unsigned expected, unsigned behavior, unsigned initial_count = 0,
            const void* fill = nullptr) {
  return static_cast<Typed&>(
      *dv_outofline_collection::generate_facade(kind, where, expected, behavior, initial_count, fill));
}
}  // namespace coll_typed_detail

template <class T>
class dv_List : public _Coll_typed_ordered<T> {
 public:
  using _Coll_typed_ordered<T>::_Coll_typed_ordered;
  static dv_List& create(dv_database* db, unsigned expected = 0) {
    return coll_typed_detail::make<dv_List>("dv_List", db, expected, dv_maintain_order | dv_allow_duplicates);
  }
  static dv_List& create(const void* hint, unsigned expected = 0) {
    return coll_typed_detail::make<dv_List>("dv_List", hint, expected, dv_maintain_order | dv_allow_duplicates);
  }
};

template <class T>
class dv_Array : public _Coll_typed_ordered<T> {
 public:
  using _Coll_typed_ordered<T>::_Coll_typed_ordered;
  // count copies of fill to begin with.
  static dv_Array& create(dv_database* db, unsigned expected = 0, unsigned count = 0, const T* fill = nullptr) {
    return coll_typed_detail::make<dv_Array>("dv_Array", db, expected,
                                             dv_maintain_order | dv_allow_nulls | dv_allow_duplicates, count, fill);
  }
  static dv_Array& create(const void* hint, unsigned expected = 0, unsigned count = 0, const T* fill = nullptr) {
    return coll_typed_detail::make<dv_Array>("dv_Array", hint, expected,
                                             dv_maintain_order | dv_allow_nulls | dv_allow_duplicates, count, fill);
  }
};

template <class T>
class dv_Set : public _Coll_typed<T> {
 public:
  using _Coll_typed<T>::_Coll_typed;
  static dv_Set& create(dv_database* db, unsigned expected = 0) {
    return coll_typed_detail::make<dv_Set>("dv_Set", db, expected, 0);
  }
  static dv_Set& create(const void* hint, unsigned expected = 0) {
    return coll_typed_detail::make<dv_Set>("dv_Set", hint, expected, 0);
  }
};

template <class T>
class dv_Bag : public _Coll_typed<T> {
 public:
  using _Coll_typed<T>::_Coll_typed;
  static dv_Bag& create(dv_database* db, unsigned expected = 0) {
    return coll_typed_detail::make<dv_Bag>("dv_Bag", db, expected, dv_allow_duplicates);
  }
  static dv_Bag& create(const void* hint, unsigned expected = 0) {
    return coll_typed_detail::make<dv_Bag>("dv_Bag", hint, expected, dv_allow_duplicates);
  }
};

// Any kind: the kind follows from the behaviour word.
template <class T>
class dv_Collection : public _Coll_typed<T> {
 public:
  using _Coll_typed<T>::_Coll_typed;
  static dv_Collection& create(dv_database* db, unsigned behavior = 0, unsigned expected = 0) {
    char kind[16];
    return coll_typed_detail::make<dv_Collection>(dv_collection::bits_to_rep(kind, behavior), db, expected,
                                                  behavior);
  }
};

static_assert(sizeof(dv_List<int>) == sizeof(dv_outofline_collection));
static_assert(sizeof(dv_Collection<int>) == sizeof(dv_outofline_collection));

}  // namespace dv_qem
