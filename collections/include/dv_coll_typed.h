// Typed collections over the out-of-line facade: dv_List<T>, dv_Array<T>,
// dv_Set<T>, dv_Bag<T> and dv_Collection<T> take and give T* instead of
// void*. They add no data, no virtual functions and no code to the library:
// a typed collection is a facade.
#pragma once

#include "dv_outofline_collection.h"

namespace dv_qem {

// A typed collection is never constructed: create() hands out the library's
// facade seen through the typed class. So every call below names the facade's
// own function (a direct call). An unqualified virtual call would let the
// compiler reason about a typed class that is never instantiated (for an
// element type in an anonymous namespace it may conclude the call cannot
// happen and drop the code after it).
template <class T>
class _Coll_typed : public dv_outofline_collection {
  using facade = dv_outofline_collection;

 public:
  using dv_outofline_collection::dv_outofline_collection;

  void insert(const T* e) { facade::_insert(e); }
  int remove(const T* e) { return facade::_remove(e); }
  int contains(const T* e) const { return facade::_contains(e); }
  int count(const T* e) const { return facade::_count(e); }
  T* pick() const { return static_cast<T*>(facade::pick()); }
  T* only() const { return static_cast<T*>(facade::only()); }
  unsigned cardinality() const { return facade::_cardinality(); }
  int empty() const { return facade::_empty(); }
  operator int() const { return !facade::_empty(); }
  void clear() { facade::_clear(); }
  unsigned get_behavior() const { return facade::_get_behavior(); }
  char* rep_name() const { return facade::_rep_name(); }
  int ordered_equal(const dv_collection& o) const { return facade::_ordered_equal(o); }

  dv_collection& operator=(const T* e) { return facade::_assign(e); }
  dv_collection& operator|=(const T* e) { return facade::_assign_or(e); }
  dv_collection& operator|=(const dv_collection& o) { return facade::_assign_or(o); }
  dv_collection& operator&=(const T* e) { return facade::_assign_and(e); }
  dv_collection& operator&=(const dv_collection& o) { return facade::_assign_and(o); }
  dv_collection& operator-=(const T* e) { return facade::_assign_sub(e); }
  dv_collection& operator-=(const dv_collection& o) { return facade::_assign_sub(o); }
  // The results are new transient collections that the caller destroys.
  dv_collection& operator|(const T* e) const { return facade::_or(e); }
  dv_collection& operator|(const dv_collection& o) const { return facade::_or(o); }
  dv_collection& operator&(const T* e) const { return facade::_and(e); }
  dv_collection& operator&(const dv_collection& o) const { return facade::_and(o); }
  dv_collection& operator-(const T* e) const { return facade::_sub(e); }
  dv_collection& operator-(const dv_collection& o) const { return facade::_sub(o); }
  int operator==(const T* e) const { return facade::_eq(e); }
  int operator==(const dv_collection& o) const { return facade::_eq(o); }
  int operator!=(const T* e) const { return facade::_ne(e); }
  int operator!=(const dv_collection& o) const { return facade::_ne(o); }
  int operator<(const T* e) const { return facade::_lt(e); }
  int operator<(const dv_collection& o) const { return facade::_lt(o); }
  int operator<=(const T* e) const { return facade::_le(e); }
  int operator<=(const dv_collection& o) const { return facade::_le(o); }
  int operator>(const T* e) const { return facade::_gt(e); }
  int operator>(const dv_collection& o) const { return facade::_gt(o); }
  int operator>=(const T* e) const { return facade::_ge(e); }
  int operator>=(const dv_collection& o) const { return facade::_ge(o); }
};

// Ordered typed collections add the positional operations.
template <class T>
class _Coll_typed_ordered : public _Coll_typed<T> {
  using facade = dv_outofline_collection;

 public:
  using _Coll_typed<T>::_Coll_typed;

  void insert_first(const T* e) { facade::_insert_first(e); }
  void insert_last(const T* e) { facade::_insert_last(e); }
  T* remove_first() { return static_cast<T*>(dv_collection::remove_first()); }
  T* remove_last() { return static_cast<T*>(dv_collection::remove_last()); }
  T* retrieve_first() const { return static_cast<T*>(dv_collection::retrieve_first()); }
  T* retrieve_last() const { return static_cast<T*>(dv_collection::retrieve_last()); }
  T* retrieve(unsigned position) const { return static_cast<T*>(facade::_retrieve(position)); }
  T* retrieve(const dv_cursor& c) const { return static_cast<T*>(facade::_retrieve(c)); }
  void insert_after(const T* e, unsigned position) { facade::_insert_after(e, position); }
  void insert_after(const T* e, const dv_cursor& c) { facade::_insert_after(e, c); }
  void insert_before(const T* e, unsigned position) { facade::_insert_before(e, position); }
  void insert_before(const T* e, const dv_cursor& c) { facade::_insert_before(e, c); }
  void remove_at(unsigned position) { facade::_remove_at(position); }
  void remove_at(const dv_cursor& c) { facade::_remove_at(c); }
  T* replace_at(const T* e, unsigned position) { return static_cast<T*>(facade::_replace_at(e, position)); }
  T* replace_at(const T* e, const dv_cursor& c) { return static_cast<T*>(facade::_replace_at(e, c)); }
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
