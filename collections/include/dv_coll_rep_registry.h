// Where representations plug in: each collection kind ("dv_Set", "dv_Bag",
// "dv_List", "dv_Array") has one maker in a process-wide table, which the
// library that implements the kind's representation registers at its
// start-up. Creation by kind name looks the maker up here; a kind without a
// maker raises err_coll_not_supported naming the kind.
#pragma once

#include <cstddef>
#include <new>

#include "dv_coll_err.h"
#include "dv_database.h"
#include "dv_typespec.h"

namespace dv_qem {

class dv_collection;

// The four collection kinds.
enum class _Coll_kind : int { set = 0, bag = 1, list = 2, array = 3 };
constexpr int _Coll_kind_count = 4;

// The kind of a kind name: exact, case-sensitive "dv_List", "dv_Array" and
// "dv_Bag"; any other name (null included) is a set.
_Coll_kind _Coll_kind_of(const char* kind_name);
// The canonical name of a kind ("dv_Set" ...).
const char* _Coll_kind_name(_Coll_kind kind);

// Where a new collection goes: in a database, or next to an object.
class _Coll_placement {
 public:
  static _Coll_placement in(dv_database* db) { return _Coll_placement(db, nullptr); }
  static _Coll_placement near(const void* hint) { return _Coll_placement(nullptr, hint); }

  // size bytes of one object of ts, zeroed, by the matching persistent
  // operator new. Never null: a null result raises err_coll_internal.
  void* allocate(std::size_t size, dv_typespec* ts) const;
  // Frees storage from allocate whose constructor threw.
  static void release(void* storage) noexcept;

  dv_database* database() const { return db_; }
  const void* hint() const { return hint_; }

 private:
  _Coll_placement(dv_database* db, const void* hint) : db_(db), hint_(hint) {}
  dv_database* db_;
  const void* hint_;
};

// Makes the representation of one kind in the placement. expected: expected
// element count; behavior: the caller's behaviour word; initial_count and
// fill: arrays start with initial_count copies of fill. Never returns null.
using _Coll_rep_maker = dv_collection* (*)(const _Coll_placement& where, unsigned expected,
                                           unsigned behavior, unsigned initial_count, const void* fill);

// Installs (or, with null, removes) the maker of a kind; returns the one it
// replaces. Thread-safe.
_Coll_rep_maker _Coll_register_rep(_Coll_kind kind, _Coll_rep_maker maker);
// The installed maker of a kind, or null.
_Coll_rep_maker _Coll_rep_maker_of(_Coll_kind kind);

// Makes the kind's representation: the registered maker's result, or
// err_coll_not_supported "<err-0024-0545>... (no representation of kind ...)"
// when the kind has none.
dv_collection* _Coll_make_rep(const char* kind_name, const _Coll_placement& where, unsigned expected,
                              unsigned behavior, unsigned initial_count, const void* fill);

// For makers: constructs a T (described by ts) from args in storage from
// where.allocate; the storage is freed when the constructor throws.
template <class T, class... A>
T* _Coll_construct(const _Coll_placement& where, dv_typespec* ts, A&&... args) {
  void* storage = where.allocate(sizeof(T), ts);
  try {
    return ::new (storage) T(static_cast<A&&>(args)...);
  } catch (...) {
    _Coll_placement::release(storage);
    throw;
  }
}

}  // namespace dv_qem
