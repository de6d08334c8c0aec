// dv_collection: the abstract collection of untyped element pointers. Its 76
// virtual operations, in this exact order, are the protocol every
// representation implements (other deliverables carry copies of these
// tables: never reorder, only extend at the end of a derived class). The
// public operations forward to them; the behaviour word says whether a
// collection keeps duplicates, nulls and order.
#pragma once

#include <new>

#include "dv_database.h"
#include "dv_types.h"

namespace dv_qem {

class dv_cursor;
class dv_typespec;
class dv_list;
class dv_set;
class dv_bag;
class dv_array;
class _Indexes;
class dv_index_path;
class dv_coll_range;
class dv_bound_query;
class _Index_name;

// Bits of the behaviour word.
enum : unsigned {
  dv_disallow_duplicates = 0x1,
  dv_allow_duplicates = 0x2,
  dv_signal_duplicates = 0x4,
  dv_allow_nulls = 0x8,
  dv_maintain_order = 0x10,
  dv_be_an_array = 0x80,
  dv_untransformed = 0x8000,           // transformed() answers 0
  dv_list_refuses_duplicates = 0x10000,  // handed to the chained list
};

// Collection type code of type() and default_type().
using dv_coll_type = int;

class dv_collection {
 public:
  dv_collection() = default;
  dv_collection(const dv_collection&) = default;
  // Assignment from another collection is slot 24: this collection's elements
  // become the other's (nothing happens when it is this collection).
  dv_collection& operator=(const dv_collection& other) { return _assign(other); }

  // ---- the protocol, in slot order ----------------------------------------
  virtual void* _pick() const = 0;                                              // 0
  virtual void* _only() const = 0;                                              // 1
  virtual void _insert(const void* e) = 0;                                      // 2
  virtual int _remove(const void* e) = 0;                                       // 3: 1 when removed
  virtual void _insert_first(const void* e) = 0;                                // 4
  virtual void _insert_last(const void* e) = 0;                                 // 5
  virtual int _remove_first(const void*& out) = 0;                              // 6
  virtual int _remove_last(const void*& out) = 0;                               // 7
  virtual int _retrieve_first(const void*& out) const = 0;                      // 8
  virtual int _retrieve_last(const void*& out) const = 0;                       // 9
  virtual void* _retrieve(unsigned position) const = 0;                         // 10
  virtual void* _retrieve(const dv_cursor& c) const = 0;                        // 11
  virtual void _insert_after(const void* e, unsigned position) = 0;             // 12
  virtual void _insert_after(const void* e, const dv_cursor& c) = 0;            // 13
  virtual void _insert_before(const void* e, unsigned position) = 0;            // 14
  virtual void _insert_before(const void* e, const dv_cursor& c) = 0;           // 15
  virtual void _remove_at(unsigned position) = 0;                               // 16
  virtual void _remove_at(const dv_cursor& c) = 0;                              // 17
  virtual void* _replace_at(const void* e, unsigned position) = 0;              // 18
  virtual void* _replace_at(const void* e, const dv_cursor& c) = 0;             // 19
  virtual int _ordered_equal(const dv_collection& other) const;                 // 20
  virtual int _contains(const void* e) const = 0;                               // 21
  virtual int _count(const void* e) const = 0;                                  // 22
  virtual dv_collection& _assign(const void* e);                                // 23
  virtual dv_collection& _assign(const dv_collection& other);                   // 24
  virtual dv_collection& _assign_or(const void* e);                             // 25
  virtual dv_collection& _assign_or(const dv_collection& other);                // 26
  virtual dv_collection& _assign_and(const void* e);                            // 27
  virtual dv_collection& _assign_and(const dv_collection& other);               // 28
  virtual dv_collection& _assign_sub(const void* e);                            // 29
  virtual dv_collection& _assign_sub(const dv_collection& other);               // 30
  virtual dv_collection& _or(const void* e) const;                              // 31
  virtual dv_collection& _or(const dv_collection& other) const;                 // 32
  virtual dv_collection& _and(const void* e) const;                             // 33
  virtual dv_collection& _and(const dv_collection& other) const;                // 34
  virtual dv_collection& _sub(const void* e) const;                             // 35
  virtual dv_collection& _sub(const dv_collection& other) const;                // 36
  virtual int _eq(const void* e) const;                                         // 37
  virtual int _eq(const dv_collection& other) const;                            // 38
  virtual int _ne(const void* e) const;                                         // 39
  virtual int _ne(const dv_collection& other) const;                            // 40
  virtual int _lt(const void* e) const;                                         // 41
  virtual int _lt(const dv_collection& other) const;                            // 42
  virtual int _le(const void* e) const;                                         // 43
  virtual int _le(const dv_collection& other) const;                            // 44
  virtual int _gt(const void* e) const;                                         // 45
  virtual int _gt(const dv_collection& other) const;                            // 46
  virtual int _ge(const void* e) const;                                         // 47
  virtual int _ge(const dv_collection& other) const;                            // 48
  virtual int _first(dv_cursor& c, void*& out) const = 0;                       // 49
  virtual int _last(dv_cursor& c, void*& out) const = 0;                        // 50
  virtual int _next(dv_cursor& c, void*& out) const = 0;                        // 51
  virtual int _previous(dv_cursor& c, void*& out) const = 0;                    // 52
  virtual dv_collection* _get_innermost_collection();                           // 53
  virtual int _remove_all(const void* e);                                       // 54
  virtual void _unbind_cursor(dv_cursor& c) const;                              // 55
  virtual unsigned _cardinality() const = 0;                                    // 56
  virtual int _empty() const = 0;                                               // 57
  virtual unsigned _update_cardinality();                                       // 58
  virtual unsigned _cardinality_estimate() const;                               // 59
  virtual int _cardinality_is_maintained() const;                               // 60
  virtual void _re_initialize(unsigned expected);                               // 61
  virtual int has_indexes() const;                                              // 62
  virtual _Indexes*& indexes() = 0;                                             // 63
  virtual void _add_index(const dv_index_path& path, int options, const void* key_type,
                          dv_cluster* clustering);                              // 64
  virtual void _clear() = 0;                                                    // 65
  virtual unsigned _get_behavior() const = 0;                                   // 66
  virtual ~dv_collection() = default;                                           // 67
  virtual void _destroy();                                                      // 68
  virtual int _fast_count() const = 0;                                          // 69
  virtual char* _rep_name() const = 0;                                          // 70
  virtual int _rep_enum() const = 0;                                            // 71
  virtual void _check_rep_invariants() const = 0;                               // 72
  virtual int _is_user_coll() const;                                            // 73
  virtual void _set_untransformed(int on);                                      // 74
  virtual void evolve_rep();                                                    // 75

  // ---- public operations (each calls the slot noted) ------------------------
  void insert(const void* e) { _insert(e); }
  int remove(const void* e) { return _remove(e); }
  void insert_first(const void* e) { _insert_first(e); }
  void insert_last(const void* e) { _insert_last(e); }
  int remove_first(const void*& out) { return _remove_first(out); }
  int remove_last(const void*& out) { return _remove_last(out); }
  // The element removed or found, or null when there is none (whatever the
  // slot left in its output).
  void* remove_first();
  void* remove_last();
  int retrieve_first(const void*& out) const { return _retrieve_first(out); }
  int retrieve_last(const void*& out) const { return _retrieve_last(out); }
  void* retrieve_first() const;
  void* retrieve_last() const;
  void* retrieve(unsigned position) const { return _retrieve(position); }
  void* retrieve(const dv_cursor& c) const { return _retrieve(c); }
  void insert_after(const void* e, unsigned position) { _insert_after(e, position); }
  void insert_after(const void* e, const dv_cursor& c) { _insert_after(e, c); }
  void insert_before(const void* e, unsigned position) { _insert_before(e, position); }
  void insert_before(const void* e, const dv_cursor& c) { _insert_before(e, c); }
  void remove_at(unsigned position) { _remove_at(position); }
  void remove_at(const dv_cursor& c) { _remove_at(c); }
  void* replace_at(const void* e, unsigned position) { return _replace_at(e, position); }
  void* replace_at(const void* e, const dv_cursor& c) { return _replace_at(e, c); }
  int ordered_equal(const dv_collection& other) const { return _ordered_equal(other); }
  int contains(const void* e) const { return _contains(e); }
  int count(const void* e) const { return _count(e); }
  dv_collection& operator=(const void* e) { return _assign(e); }
  dv_collection& operator|=(const void* e) { return _assign_or(e); }
  dv_collection& operator|=(const dv_collection& o) { return _assign_or(o); }
  dv_collection& operator&=(const void* e) { return _assign_and(e); }
  dv_collection& operator&=(const dv_collection& o) { return _assign_and(o); }
  dv_collection& operator-=(const void* e) { return _assign_sub(e); }
  dv_collection& operator-=(const dv_collection& o) { return _assign_sub(o); }
  // The results are new transient collections that the caller destroys.
  dv_collection& operator|(const void* e) const { return _or(e); }
  dv_collection& operator|(const dv_collection& o) const { return _or(o); }
  dv_collection& operator&(const void* e) const { return _and(e); }
  dv_collection& operator&(const dv_collection& o) const { return _and(o); }
  dv_collection& operator-(const void* e) const { return _sub(e); }
  dv_collection& operator-(const dv_collection& o) const { return _sub(o); }
  int operator==(const void* e) const { return _eq(e); }
  int operator==(const dv_collection& o) const { return _eq(o); }
  int operator!=(const void* e) const { return _ne(e); }
  int operator!=(const dv_collection& o) const { return _ne(o); }
  int operator<(const void* e) const { return _lt(e); }
  int operator<(const dv_collection& o) const { return _lt(o); }
  int operator<=(const void* e) const { return _le(e); }
  int operator<=(const dv_collection& o) const { return _le(o); }
  int operator>(const void* e) const { return _gt(e); }
  int operator>(const dv_collection& o) const { return _gt(o); }
  int operator>=(const void* e) const { return _ge(e); }
  int operator>=(const dv_collection& o) const { return _ge(o); }
  unsigned cardinality() const { return _cardinality(); }
  int empty() const { return _empty(); }
  // 1 when the collection is not empty.
  operator int() const { return !_empty(); }
  unsigned update_cardinality() { return _update_cardinality(); }
  unsigned cardinality_estimate() const { return _cardinality_estimate(); }
  int cardinality_is_maintained() const { return _cardinality_is_maintained(); }
  void clear() { _clear(); }
  unsigned get_behavior() const { return _get_behavior(); }
  char* rep_name() const { return _rep_name(); }
  // Null for an empty collection (the representation is not asked), else
  // any element.
  void* pick() const;
  // Null for an empty collection; err_coll_not_singleton for two or more
  // elements; else the one element.
  void* only() const;
  // 1 unless the behaviour has dv_untransformed.
  int transformed() const { return (_get_behavior() & dv_untransformed) == 0; }
  // The representation's self-check, under the session lock.
  void check_rep_invariants() const;
  // Deletes the collection through its virtual destructor. A persistent
  // collection that this process may not write now (transactions in use and
  // no update transaction in progress, or a database opened read-only) is
  // left as it is, and the runtime's refusal is raised (dv_err_trans,
  // dv_err_trans_wrong_type, dv_err_write_permission_denied).
  static void destroy(dv_collection& c);
  // Every delete of a collection: a persistent collection that may not be
  // written now is left as it is (a delete cannot report the refusal: use
  // destroy to see it); otherwise its destructor runs and its storage is
  // freed. So no destructor meets a refused write.
  static void operator delete(dv_collection* c, std::destroying_delete_t);
  // The runtime's allocation forms (dv_new.h), named here because the
  // delete above would hide theirs from new expressions: plain, in a
  // database, next to an object. The deletes give back the storage of a
  // collection whose constructor threw.
  static void* operator new(std::size_t size);
  static void* operator new(std::size_t size, dv_database* db, dv_typespec* ts);
  static void* operator new(std::size_t size, const void* hint, dv_typespec* ts);
  static void operator delete(void* storage);
  static void operator delete(void* storage, dv_database* db, dv_typespec* ts);
  static void operator delete(void* storage, const void* hint, dv_typespec* ts);
  static dv_coll_type type() { return 0; }
  static dv_coll_type default_type() { return 0; }

  // ---- casts: the same object, checked against the behaviour ----------------
  // err_coll_illegal_cast when the behaviour does not allow the kind.
  operator dv_list&();
  operator const dv_list&() const;
  operator dv_set&();
  operator const dv_set&() const;
  operator dv_bag&();
  operator const dv_bag&() const;
  operator dv_array&();
  operator const dv_array&() const;

  // ---- behaviour words ------------------------------------------------------
  static unsigned default_behavior() { return 0; }
  // 0x2 if either has it, 0x8 if either has it, 0x10 only if both have it.
  static unsigned combine_behavior(unsigned a, unsigned b);
  static unsigned modified_behavior(dv2u a, dv2u b) { (void)a; return b & 0xffu; }
  // Writes the names of the set bits 0x1 ... 0x80, separated by ", ", into
  // buffer (which must hold 128 bytes); returns buffer.
  static char* behavior_names(unsigned behavior, char* buffer);
  // Writes the kind name of a behaviour ("dv_List", "dv_Array", "dv_Bag" or
  // "dv_Set") into buffer (16 bytes); returns buffer.
  static char* bits_to_rep(char* buffer, unsigned behavior);

  // ---- creation (placement: a database, or next to the object at a hint) ----
  // The kind follows from the behaviour (bits_to_rep); the library is brought
  // up first. The result is never null: a failure throws.
  static dv_collection& create(dv_database* db, unsigned behavior = 0, unsigned expected = 0);
  static dv_collection& create(const void* hint, unsigned behavior = 0, unsigned expected = 0);
  static dv_collection& create(void*& holder, unsigned behavior = 0, unsigned expected = 0);
  // In the transient database; the int is ignored.
  static dv_collection& create(int, unsigned behavior = 0, unsigned expected = 0);

  // Brings the library up (idempotent).
  static void initialize();

  // ---- session-scoped statics --------------------------------------------------
  static void set_query_memory_mode(int mode);
  static void _set_record_index_use(int flag);
  static void _record_index_use(const char* index_name);
  static void _clear_index_use_history();
  static dv_collection* _get_index_use_history();
  // The cursor option sort_by_addrs for 500 or more elements, else 0.
  static int _presort_if_appropriate(const dv_collection& c);

  // ---- query and index entry points (not supported) ---------------------------
  dv_collection& query(const char*, const char*, dv_bound_query*) const;
  dv_collection& query(const char*, dv_bound_query*, const char*) const;
  dv_collection& query(dv_bound_query*) const;
  void* query_pick(const char*, const char*, dv_bound_query*) const;
  void* query_pick(const char*, dv_bound_query*, const char*) const;
  void* query_pick(dv_bound_query*) const;
  dv_collection& _this_query(dv_bound_query*) const;
  void* _this_pick_query(dv_bound_query*) const;
  void* pick(const dv_index_path& path, const dv_coll_range& range) const;
  void add_index(const dv_index_path& path, dv_segment* segment);
  void add_index(const dv_index_path&, int, dv_segment*) {}
  void drop_index(const dv_index_path&) {}
  void maintain_index_insert(const void* e);
  void maintain_index_remove(const void* e);
  void maintain_index_remove_for_sure(const void* e);
  // The index upkeep a representation with an index list runs: before an
  // element enters it, after one left it, and for each element when it is
  // cleared. No index exists in this edition: each does nothing and answers 0.
  static int maintain_index_insert(_Indexes* indexes, const void* e, int flags);
  static int maintain_index_remove(_Indexes* indexes, const void* e);
  static int maintain_index_remove_for_sure(_Indexes* indexes, const void* e);

 protected:
  // Builds a representation of the named kind in the placement; never null
  // (see dv_coll_rep_registry.h for the kinds and their failures).
  static dv_collection* generate_rep(const char* kind, dv_database* db, unsigned expected,
                                     unsigned behavior, unsigned initial_count, const void* fill);
  static dv_collection* generate_rep(const char* kind, const void* hint, unsigned expected,
                                     unsigned behavior, unsigned initial_count, const void* fill);
  static dv_collection* generate_rep(const char* kind, void*& holder, unsigned expected,
                                     unsigned behavior, unsigned initial_count, const void* fill);
};

static_assert(sizeof(dv_collection) == 4);

}  // namespace dv_qem
