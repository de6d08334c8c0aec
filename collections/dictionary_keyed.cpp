// The public keyed operations of every dictionary, built on the dictionary
// slots: insertion and removal by key and value, picks and counts by key,
// the key under a cursor, and the process's load-mode flag.
#include <atomic>

#include "coll_messages.h"
#include "coll_raise.h"
#include "dv_coll_range.h"
#include "dv_dictionary.h"
#include "dv_function_cache.h"
#include "dv_coll_rep_registry.h"
#include "dv_cursor.h"

namespace dv_qem {

namespace {

std::atomic<int> load_mode{0};

// The values a key-restricted walk visits, at most limit of them.
template <class Visit>
void walk_key(const dv_dictionary& d, const void* key, unsigned limit, Visit visit) {
  dv_dictionary_cursor& c = d.__iteration_start(0, key, 0);
  try {
    void* v = nullptr;
    unsigned seen = 0;
    for (int more = d.__first(c, v); more && seen < limit; more = d.__next(c, v), ++seen) visit(v);
  } catch (...) {
    d.__iteration_end(c);
    throw;
  }
  d.__iteration_end(c);
}

}  // namespace

void dv_dictionary::insert(const void* key, const void* value) {
  if (value == nullptr) dv_coll_raise<coll_msg::insert_null>();
  __insert(value, key, nullptr, nullptr, 0u);
  if (has_indexes()) maintain_index_insert(indexes(), value, 0);
}

void dv_dictionary::remove(const void* key, const void* value) {
  __remove(value, key, nullptr);
  if (has_indexes()) maintain_index_remove(indexes(), value);
}

void* dv_dictionary::remove_value(const void* key, unsigned n) {
  if (n == 1) {
    unsigned count = 0;
    void* v = __pick(0, key, count);
    if (v != nullptr) {
      __remove(v, key, nullptr);
      if (has_indexes()) maintain_index_remove(indexes(), v);
    }
    return v;
  }
  // The values are collected first: the walk must not stand on what the
  // removals change.
  dv_collection& taken =
      *_Coll_make_rep("dv_List", _Coll_placement::in(dv_database::get_transient_database()), 0, 0, 0, nullptr);
  void* first = nullptr;
  try {
    walk_key(*this, key, n, [&](void* v) { taken._insert_last(v); });
    dv_cursor c(taken, 0);
    void* v = nullptr;
    for (int more = c.first(v); more; more = c.next(v)) {
      if (first == nullptr) first = v;
      __remove(v, key, nullptr);
      if (has_indexes()) maintain_index_remove(indexes(), v);
    }
  } catch (...) {
    delete &taken;
    throw;
  }
  delete &taken;
  return first;
}

void* dv_dictionary::pick(const void* key) const {
  unsigned count = 0;
  return __pick(0, key, count);
}

void* dv_dictionary::pick(dv_coll_range& range) const {
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  find_functions(rank, hash);
  range.fix_up_range(_key_type());
  unsigned count = 0;
  if (range._get_high_condition() == 0) return __pick(range._get_low_condition(), range._get_low_key().v, count);
  return __pick(range._get_low_condition(), range._get_low_key().v, range._get_high_condition(),
                range._get_high_key().v, count);
}

int dv_dictionary::contains(const void* key, const void* value) const { return __contains(value, key); }

unsigned dv_dictionary::count_values(const void* key) const {
  if (__duplicates() == 0) return pick(key) != nullptr ? 1u : 0u;
  unsigned n = 0;
  walk_key(*this, key, ~0u, [&](void*) { ++n; });
  return n;
}

const void* dv_dictionary::retrieve_key(const dv_cursor& c) const {
  c.check_cast();
  dv_dictionary_cursor* dc = c.dc();
  if (dc == nullptr) dv_coll_raise<coll_msg::retrieve_on_null_cursor>();
  return __retrieve_key(*dc);
}

void dv_dictionary::set_load_mode() { load_mode.store(1); }

void dv_dictionary::clear_load_mode() { load_mode.store(0); }

int dv_dictionary::in_load_mode() { return load_mode.load() == 1; }

}  // namespace dv_qem
