// dv_dictionary: the abstract key-to-value collection. Its elements are
// untyped object pointers, each stored under a key passed by address; it
// extends the collection protocol with the dictionary operations of slots
// 76-106 (other deliverables carry copies of these tables: never reorder).
// The cursor state of a dictionary walk is a dv_dictionary_cursor
// (dv_cursor.h), which a dv_cursor owns in its state A.
#pragma once

#include "dv_coll_key_functions.h"
#include "dv_collection.h"
#include "dv_cursor.h"
#include "dv_typespec.h"

namespace dv_qem {

class _Fn_Pathop;
class dv_coll_range;

// Where a keyed table places its parts (handed through create unchanged).
enum _Coll_clustering : int {
  _Coll_cluster_default = 0,
  _Coll_cluster_near = 1,
  _Coll_cluster_own = 2,
};

// Direction of __reset.
enum _Direction : int { _Forward = 0, _Backward = 1 };

class dv_dictionary : public dv_collection {
 public:
  dv_dictionary() = default;
  dv_dictionary(const dv_dictionary&) = default;
  explicit dv_dictionary(dv_probe_t) {}
  // The collection assignment (slot 24): this dictionary's elements become
  // the other's. The dictionary part holds no data of its own.
  dv_dictionary& operator=(const dv_dictionary& other) {
    dv_collection::operator=(other);
    return *this;
  }

  // ---- collection slots a dictionary answers itself -----------------------------
  // Null when empty, else __pick of any entry.
  void* _pick() const override;
  void* _only() const override;
  // Not supported: elements go in under a key.
  void _insert(const void* e) override;
  // Removes one entry holding e (found by a walk); 1 when one was removed.
  int _remove(const void* e) override;
  void* _retrieve(unsigned position) const override;
  // The element under the cursor's dictionary cursor.
  void* _retrieve(const dv_cursor& c) const override;
  // Scans every entry for e.
  int _contains(const void* e) const override;
  int _count(const void* e) const override;
  // Walks through the dictionary cursor the dv_cursor owns (made on first).
  int _first(dv_cursor& c, void*& out) const override;
  int _last(dv_cursor& c, void*& out) const override;
  int _next(dv_cursor& c, void*& out) const override;
  int _previous(dv_cursor& c, void*& out) const override;
  void _re_initialize(unsigned) override {}
  int has_indexes() const override { return 0; }
  _Indexes*& indexes() override;
  unsigned _get_behavior() const override;
  int _fast_count() const override { return 0; }
  char* _rep_name() const override { return const_cast<char*>("dv_dictionary"); }
  int _rep_enum() const override { return 0; }
  // err_coll_verification when an entry walked is not found by its key.
  void _check_rep_invariants() const override;

  // ---- the dictionary protocol, in slot order ------------------------------------
  virtual int _is_a_hashtable() const { return 1; }                                          // 76
  // Dictionary cursors: placement nonzero puts the new cursor in the
  // dictionary's database, 0 in transient memory.
  virtual dv_dictionary_cursor& __iteration_start(int low_restriction, const void* low, int high_restriction,
                                                  const void* high, int placement) const = 0;     // 77
  virtual dv_dictionary_cursor& __iteration_start(int restriction, const void* key,
                                                  int placement) const = 0;                      // 78
  virtual dv_dictionary_cursor& __iteration_start(int placement) const = 0;                      // 79
  virtual void __iteration_end(dv_dictionary_cursor& c) const = 0;                               // 80
  // 1 and the element when the cursor stands on one, else 0.
  virtual int __first(dv_dictionary_cursor& c, void*& out) const = 0;                            // 81
  virtual int __last(dv_dictionary_cursor& c, void*& out) const = 0;                             // 82
  virtual int __next(dv_dictionary_cursor& c, void*& out) const = 0;                             // 83
  virtual int __previous(dv_dictionary_cursor& c, void*& out) const = 0;                         // 84
  // Slot 85 ("null" in the protocol; __null is a compiler keyword here).
  virtual int __is_null(const dv_dictionary_cursor& c) const = 0;                                   // 85
  virtual int __more(const dv_dictionary_cursor& c) const = 0;                                   // 86
  virtual void* __retrieve(const dv_dictionary_cursor& c) const = 0;                             // 87
  virtual void* __retrieve_key(const dv_dictionary_cursor& c) const = 0;                         // 88
  // An element in a key range / under a key / any; found is 1 when there was one.
  virtual void* __pick(int low_restriction, const void* low, int high_restriction, const void* high,
                       unsigned& found) const = 0;                                               // 89
  virtual void* __pick(int restriction, const void* key, unsigned& found) const = 0;             // 90
  virtual void* __pick(unsigned& found) const = 0;                                               // 91
  // The one element; empty is set to 1 when there is none.
  virtual void* __only(int& empty) const {                                                       // 92
    empty = 0;
    return nullptr;
  }
  virtual int __contains(const void* element, const void* key) const = 0;                        // 93
  // found: 1 when the key was already present.
  virtual void __insert(const void* element, const void* key, dv_collection* coll, const void* key2,
                        int& found) = 0;                                                         // 94
  // A present key may be an error (see the representation).
  virtual void __insert(const void* element, const void* key, dv_collection* coll, const void* key2,
                        unsigned flag) = 0;                                                      // 95
  virtual void __remove(const void*, const void*, int&, dv_collection*) {}                      // 96
  virtual void __remove(const void* element, const void* key, dv_collection* coll) = 0;          // 97
  virtual int __count(const void* key, const void* element) const = 0;                           // 98
  virtual int __count(dv_dictionary_cursor& c) const = 0;                                        // 99
  virtual int __duplicates() const = 0;                                                          // 100
  virtual const char* _key_type() const = 0;                                                     // 101
  virtual unsigned _key_size() const;                                                            // 102
  virtual void __reset(dv_dictionary_cursor& c, const void* a, const void* b, _Direction d) = 0; // 103
  virtual dv_collection* _cursors() const = 0;                                                   // 104
  virtual void _set_allow_dup(unsigned on);                                                      // 105
  // The key type's rank and hash functions, from the function cache.
  virtual void find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const;                  // 106

  // Makes a keyed representation near where: bit 0x1 of behavior asks for an
  // ordered tree (a dv_btree of key_size x key_count-byte keys), else a hash
  // table by key type (_Rhash::create). A "void*" key type is taken as
  // "dv_pvoid": keys are pointer variables passed by address and compared by
  // the pointers they hold.
  static dv_dictionary* create(const void* where, _Coll_clustering clustering, const char* key_type,
                               unsigned key_size, unsigned key_count, unsigned expected_size, unsigned behavior,
                               int, _Fn_Pathop* pathop);

  // ---- keyed operations (every key argument points at the key; for
  // "char*" and "dv_pvoid" keys, at the pointer) -------------------------------------
  using dv_collection::contains;
  using dv_collection::insert;
  using dv_collection::pick;
  using dv_collection::remove;
  // Stores value under key; a null value raises err_coll_nulls
  // "<err-0024-1910>..." and stores nothing.
  void insert(const void* key, const void* value);
  // Removes the pair (the representation decides whether an absent pair is
  // an error).
  void remove(const void* key, const void* value);
  // Removes up to n values stored under key and answers one of them (null
  // when none was removed; n = 0 removes nothing).
  void* remove_value(const void* key, unsigned n = 1);
  // A value stored under key, or null.
  void* pick(const void* key) const;
  // The first value in the range (ranges are normalised by fix_up_range).
  void* pick(dv_coll_range& range) const;
  int contains(const void* key, const void* value) const;
  // The number of values stored under key.
  unsigned count_values(const void* key) const;
  // The key under the cursor: the pointer itself for "char*" and "dv_pvoid"
  // keys, else the key's address.
  const void* retrieve_key(const dv_cursor& c) const;

  // The process's load-mode flag (read by nothing else in the library).
  static void set_load_mode();
  static void clear_load_mode();
  static int in_load_mode();
};

static_assert(sizeof(dv_dictionary) == 4);

}  // namespace dv_qem
