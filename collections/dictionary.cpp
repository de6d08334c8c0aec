// What every dictionary answers itself: the collection operations it
// supports by walking itself with a dictionary cursor, the entry points it
// refuses, its key functions from the function cache, its self-check and
// the choice of representation by create.

#include "coll_messages.h"
#include "coll_raise.h"
#include "dv_btree.h"
#include "dv_coll_rep_registry.h"
#include "dv_dictionary.h"
#include "dv_function_cache.h"
#include "dv_rhash.h"
#include "durnavel.h"
#include "key_type_map.h"
#include "rhash_messages.h"

namespace dv_qem {

namespace {

// A dictionary cursor of the walk, ended when the walk is left.
class walk {
 public:
  explicit walk(const dv_dictionary& d) : d_(d), c_(d.__iteration_start(0)) {}
  ~walk() { d_.__iteration_end(c_); }
  walk(const walk&) = delete;
  walk& operator=(const walk&) = delete;
  dv_dictionary_cursor& cursor() { return c_; }

 private:
  const dv_dictionary& d_;
  dv_dictionary_cursor& c_;
};

// The key under a cursor as the key argument of the dictionary operations:
// pointer-valued keys ("char*", "dv_pvoid") are answered as the pointer and
// passed by its address; every other key as it was answered.
class key_argument {
 public:
  key_argument(const dv_dictionary& d, void* key)
      : key_(key), by_address_(_key_type_is_pointer_valued(d._key_type())) {}
  key_argument(const key_argument&) = delete;
  key_argument& operator=(const key_argument&) = delete;
  const void* get() const { return by_address_ ? &key_ : key_; }

 private:
  void* key_;
  bool by_address_;
};

// The dictionary cursor a dv_cursor holds, after the check of its kind.
dv_dictionary_cursor* held(const dv_cursor& c) {
  c.check_cast();
  return c.dc();
}

}  // namespace

void* dv_dictionary::_pick() const {
  if (_empty()) return nullptr;
  unsigned found = 0;
  return __pick(found);
}

void* dv_dictionary::_only() const { return _pick(); }

void dv_dictionary::_insert(const void*) { dv_coll_raise<coll_msg::dictionary_entrypoint_unsupported>(); }

void* dv_dictionary::_retrieve(unsigned) const { dv_coll_raise<coll_msg::dictionary_entrypoint_unsupported>(); }

_Indexes*& dv_dictionary::indexes() { dv_coll_raise<coll_msg::dictionary_entrypoint_unsupported>(); }

unsigned dv_dictionary::_get_behavior() const { dv_coll_raise<coll_msg::dictionary_entrypoint_unsupported>(); }

unsigned dv_dictionary::_key_size() const { _Coll_internal_error("a dictionary without a key size of its own"); }

void dv_dictionary::_set_allow_dup(unsigned) { _Coll_internal_error("a dictionary without a duplicates setting of its own"); }

int dv_dictionary::_remove(const void* e) {
  // The walk ends before the removal, which may rebuild what it stands on;
  // the key it found lives in the entry until the entry goes.
  void* key = nullptr;
  bool found = false;
  {
    walk w(*this);
    void* v = nullptr;
    for (int more = __first(w.cursor(), v); more && !found; more = __next(w.cursor(), v))
      if (v == e) {
        key = __retrieve_key(w.cursor());
        found = true;
      }
  }
  if (!found) return 0;
  key_argument arg(*this, key);
  __remove(e, arg.get(), nullptr);
  return 1;
}

int dv_dictionary::_contains(const void* e) const {
  walk w(*this);
  void* v = nullptr;
  for (int more = __first(w.cursor(), v); more; more = __next(w.cursor(), v))
    if (v == e) return 1;
  return 0;
}

int dv_dictionary::_count(const void* e) const {
  walk w(*this);
  void* v = nullptr;
  int n = 0;
  for (int more = __first(w.cursor(), v); more; more = __next(w.cursor(), v))
    if (v == e) ++n;
  return n;
}

void* dv_dictionary::_retrieve(const dv_cursor& c) const {
  c.check_cast(*this);
  dv_dictionary_cursor* dc = c.dc();
  if (dc == nullptr) dv_coll_raise<coll_msg::retrieve_on_null_cursor>();
  return __retrieve(*dc);
}

int dv_dictionary::_first(dv_cursor& c, void*& out) const {
  dv_dictionary_cursor* dc = held(c);
  out = nullptr;
  c.set_at_deleted_element(0);
  if (dc != nullptr) return __first(*dc, out);
  dv_dictionary_cursor& started = __iteration_start(durnavel::is_persistent(&c));
  c.set_state_a(&started);
  c.set_flag(dv_cursor::dictionary_cursor_bit, 1);
  if (!__more(started)) return 0;
  out = __retrieve(started);
  return 1;
}

int dv_dictionary::_last(dv_cursor& c, void*& out) const {
  dv_dictionary_cursor* dc = held(c);
  out = nullptr;
  c.set_at_deleted_element(0);
  if (dc == nullptr) {
    dc = &__iteration_start(durnavel::is_persistent(&c));
    c.set_state_a(dc);
    c.set_flag(dv_cursor::dictionary_cursor_bit, 1);
  }
  return __last(*dc, out);
}

int dv_dictionary::_next(dv_cursor& c, void*& out) const {
  dv_dictionary_cursor* dc = held(c);
  out = nullptr;
  c.set_at_deleted_element(0);
  return dc != nullptr ? __next(*dc, out) : 0;
}

int dv_dictionary::_previous(dv_cursor& c, void*& out) const {
  dv_dictionary_cursor* dc = held(c);
  out = nullptr;
  c.set_at_deleted_element(0);
  return dc != nullptr ? __previous(*dc, out) : 0;
}

void dv_dictionary::find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const {
  _Coll_function_cache().find_functions(_key_type(), rank, hash, 1);
}

void dv_dictionary::_check_rep_invariants() const {
  // Each entry walked is looked up by its key, passed back as _remove
  // passes it.
  walk w(*this);
  void* v = nullptr;
  for (int more = __first(w.cursor(), v); more; more = __next(w.cursor(), v)) {
    key_argument key(*this, __retrieve_key(w.cursor()));
    if (!__contains(v, key.get())) dv_coll_raise<rhash_msg::verification_failed>();
  }
}

dv_dictionary* dv_dictionary::create(const void* where, _Coll_clustering clustering, const char* key_type,
                                     unsigned key_size, unsigned key_count, unsigned expected_size, unsigned behavior,
                                     int, _Fn_Pathop* pathop) {
  // A "void*" key is passed, like every key, by the address of the key (here
  // a pointer variable) and is the pointer value it holds: such a dictionary
  // is a "dv_pvoid" one. (Tables keyed by the key argument's own address,
  // as sets are, are made with _Rhash::create.)
  if (_key_type_is(key_type, "void*")) key_type = "dv_pvoid";
  if ((behavior & 0x1) != 0)
    return _Coll_construct<dv_btree>(_Coll_placement::near(where), dv_btree::get_dv_typespec(), key_type, key_size,
                                     key_count, behavior, 0u);
  return _Rhash::create(where, clustering, key_type, key_size, key_count, expected_size, behavior, pathop);
}

}  // namespace dv_qem
