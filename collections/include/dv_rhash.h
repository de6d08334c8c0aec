// _Rhash: the persistent extendible hash under every unordered keyed
// structure of the library. A directory of 2^d entries points to tables
// (_RH_HashTable); entry i serves the hashes whose top d bits are i, and a
// table of local depth l serves 2^(d - l) consecutive entries. Each table is
// an open-addressing array of fixed-size slots of prime length, probed by
// double hashing, with tombstones for removed slots; tables grow, split,
// join and rebuild on their own. What a slot holds and how it compares is
// the subclass's: the slot operations (slots 107-133, never reorder).
#pragma once

#include <cstddef>

#include "dv_dictionary.h"
#include "dv_rhash_cursor.h"
#include "dv_rhash_table.h"
#include "dv_soft_pointer.h"
#include "dv_types.h"

namespace dv_qem {

class _Rhash;

// ---- the keyed-table seam -------------------------------------------------------------
// The slot classes _Rhash::create chooses among by key-type name. The
// library that implements them registers one maker per class at its start-up.
enum class _RH_key_class : int {
  char_key = 0,          // "signed char", "unsigned char", "char"
  short_key,             // "short"
  ushort_key,            // "unsigned short"
  int_key,               // "int"
  uint_key,              // "unsigned int"
  ulong_key,             // "long", "unsigned long" (32-bit)
  float_key,             // "float"
  pt_key,                // "double", "long double" (8-byte doubles) and other types, key copied
  pvoid_index_key,       // "void*"
  char_star,             // "char*", "const char*", "char const*", string copied
  char_star_nocopy,      // character-pointer names, key not copied
  pt_key_point_only,     // other types, key not copied
  pvoid_value,           // "dv_pvoid": the pointer value, hashed by its place in its database
};
constexpr int _RH_key_class_count = 13;

// Constructs the keyed table of one class in storage allocated near where
// (36 bytes with the class's typespec) from (key type, key size, expected,
// flags). Never returns null: a failed allocation throws.
using _RH_maker = _Rhash* (*)(const void* where, const char* key_type, unsigned key_size, unsigned expected,
                              unsigned flags);
// Installs (null removes) the maker of a class; returns the one replaced.
_RH_maker _Rhash_register_maker(_RH_key_class key_class, _RH_maker maker);
// The installed maker of a class, or null.
_RH_maker _Rhash_maker_of(_RH_key_class key_class);

class _Rhash : public dv_dictionary {
 public:
  // Flag word bits.
  enum : dv4u {
    dynhash_bit = 0x1,               // hash sets, bags and pointer dictionaries
    allow_dup_bit = 0x2,             // duplicates allowed
    signal_dup_bit = 0x4,            // a duplicate key on insert is an error
    keyed_bit = 0x8,                 // keyed dictionary; with allow_dup, overflow lists and bitmaps
    user_hash_fnc_bit = 0x10,        // registered hash (scrambled) and slot reset by assignment
    char_star_key_bit = 0x20,        // character-pointer key
    char_array_key_bit = 0x40,       // character-array key
    out_of_line_key_bit = 0x80,      // key stored out of line
    point_to_key_bit = 0x100,        // slots point at the key instead of copying it
    untransformed_bit = 0x200,       // stored image only
    has_cluster_bit = 0x400,         // tables were given a cluster of their own
    dv_pvoid_key_bit = 0x800,        // dv_pvoid key
  };
  static constexpr dv4u no_count_table = 0xFFFFFFFFu;
  static constexpr unsigned page_bytes = 4096;

  // Sizes the directory for expected elements (nothing else is made yet).
  _Rhash(const char* key_type, unsigned slot_size, unsigned key_size, unsigned expected, unsigned flags);
  // Key type "void*", slot and key size 4.
  _Rhash(unsigned expected, unsigned flags);
  // A null directory and index list.
  _Rhash();
  explicit _Rhash(dv_probe_t) : dv_dictionary(dv_probe) {}
  // Copies the shape (sizes, flags, key type) with an empty directory of its
  // own; the most derived class then copies the entries (copy_entries_from),
  // since only it can make slots.
  _Rhash(const _Rhash& other);
  // Drops this hash's entries and tables, then copies the other's entries
  // into tables of its own (this hash keeps its slot layout and flags).
  _Rhash& operator=(const _Rhash& other);
  // Frees the key-type name copy (tables are freed by the subclass's
  // destructor through destroy_index).
  ~_Rhash() override;

  // Makes the keyed table for a key-type name near where (see _RH_key_class;
  // names are matched with "const" and blanks dropped). err_coll_illegal_arg
  // for a clustering other than 0, 1 or 2; err_am "<maint-0023-4390>..."
  // for "void" and unknown codes; err_coll_not_supported when the class's
  // maker is not registered.
  static _Rhash* create(const void* where, _Coll_clustering clustering, const char* key_type, unsigned a,
                        unsigned b, unsigned expected, unsigned behavior, _Fn_Pathop* pathop);
  // The class create makes for a key-type name and behaviour, and the flags
  // it adds to the constructor's.
  static _RH_key_class key_class_for(const char* key_type, unsigned behavior, unsigned& extra_flags);

  // ---- collection slots ---------------------------------------------------------------
  void* _only() const override;
  void _insert_first(const void* e) override;
  void _insert_last(const void* e) override;
  int _remove_first(const void*& out) override;
  int _remove_last(const void*& out) override;
  int _retrieve_first(const void*& out) const override;
  int _retrieve_last(const void*& out) const override;
  void _insert_after(const void* e, unsigned position) override;
  void _insert_after(const void* e, const dv_cursor& c) override;
  void _insert_before(const void* e, unsigned position) override;
  void _insert_before(const void* e, const dv_cursor& c) override;
  void _remove_at(unsigned position) override;
  void _remove_at(const dv_cursor& c) override;
  void* _replace_at(const void* e, unsigned position) override;
  void* _replace_at(const void* e, const dv_cursor& c) override;
  unsigned _cardinality() const override;
  int _empty() const override;
  unsigned _update_cardinality() override { return _cardinality(); }
  unsigned _cardinality_estimate() const override;
  int _cardinality_is_maintained() const override { return 1; }
  // Acts only when empty: frees tables and directory and sizes anew.
  void _re_initialize(unsigned expected) override;
  int has_indexes() const override { return indexes_ != nullptr; }
  _Indexes*& indexes() override { return indexes_; }
  // Empties every table (key copies and overflow lists released), keeping
  // directory and tables.
  void _clear() override;
  // 0x2 with duplicates, plus 0x8000 when untransformed.
  unsigned _get_behavior() const override;
  char* _rep_name() const override { return const_cast<char*>("dv_dictionary"); }
  int _rep_enum() const override { return 0; }
  // The structural check (check_hash_invariants), then the entry walk.
  void _check_rep_invariants() const override;
  void _set_untransformed(int on) override;
  void evolve_rep() override;

  // ---- dictionary slots ------------------------------------------------------------------
  dv_dictionary_cursor& __iteration_start(int low_restriction, const void* low, int high_restriction,
                                          const void* high, int placement) const override;
  dv_dictionary_cursor& __iteration_start(int restriction, const void* key, int placement) const override;
  dv_dictionary_cursor& __iteration_start(int placement) const override;
  void __iteration_end(dv_dictionary_cursor& c) const override;
  int __first(dv_dictionary_cursor& c, void*& out) const override;
  int __last(dv_dictionary_cursor& c, void*& out) const override;
  int __next(dv_dictionary_cursor& c, void*& out) const override;
  int __previous(dv_dictionary_cursor& c, void*& out) const override;
  int __is_null(const dv_dictionary_cursor& c) const override;
  int __more(const dv_dictionary_cursor& c) const override;
  void* __retrieve(const dv_dictionary_cursor& c) const override;
  // The key under the cursor: the pointer itself for "char*" and "dv_pvoid"
  // key types (passed back by its address), else slot_key's address.
  void* __retrieve_key(const dv_dictionary_cursor& c) const override;
  void* __pick(int low_restriction, const void* low, int high_restriction, const void* high,
               unsigned& found) const override;
  void* __pick(int restriction, const void* key, unsigned& found) const override;
  void* __pick(unsigned& found) const override;
  void* __only(int& empty) const override;
  int __contains(const void* element, const void* key) const override;
  void __insert(const void* element, const void* key, dv_collection* coll, const void* key2, int& found) override;
  void __insert(const void* element, const void* key, dv_collection* coll, const void* key2,
                unsigned flag) override;
  void __remove(const void* element, const void* key, int& found, dv_collection* coll) override;
  void __remove(const void* element, const void* key, dv_collection* coll) override;
  int __count(const void* key, const void* element) const override;
  int __count(dv_dictionary_cursor& c) const override;
  int __duplicates() const override { return 1; }
  const char* _key_type() const override { return key_type_; }
  unsigned _key_size() const override { return key_size_; }
  void __reset(dv_dictionary_cursor&, const void*, const void*, _Direction) override {}
  dv_collection* _cursors() const override { return nullptr; }
  // err_am "<maint-0023-0018>..." without duplicates; else nothing.
  void _set_allow_dup(unsigned on) override;

  // ---- the slot protocol, in slot order ---------------------------------------------
  // A new array of n empty slots: in cluster when given, else near hint.
  virtual char* allocate_slots(unsigned n, dv_cluster* cluster, void* hint) = 0;                        // 107
  // Destroys the slots of an array from allocate_slots and frees it.
  virtual void delete_slots(void* slots) = 0;                                                            // 108
  virtual int slot_contains(void* slot, unsigned overflow, const void* element) const = 0;              // 109
  // 1 when element was stored.
  virtual int slot_insert(void* slot, unsigned table, unsigned index, const void* element, const void* key,
                          unsigned hash) = 0;                                                            // 110
  // emptied: 1 when the slot became a tombstone.
  virtual void slot_remove(void* slot, unsigned table, unsigned index, const void* element,
                           int& emptied) = 0;                                                            // 111
  virtual void slot_assign(void* to, const void* from) = 0;                                              // 112
  // The probe (double hashing) for key: the slot answered (null when the
  // key's table does not exist yet), its directory entry, hash and index, and
  // found. rank/hashfn default to find_functions; a nonzero hash_in is used
  // as the hash.
  virtual void* find_slot(const void* key, _RH_search_type type, unsigned& table, unsigned& hash,
                          unsigned& index, int& found, _Rank_fcn rank = nullptr, _Hash_fcn hashfn = nullptr,
                          unsigned hash_in = 0) const;                                                   // 113
  // Occupied-slot walks of table t; null_index when there is none.
  virtual unsigned first_occupied_slot(unsigned t) const;                                                // 114
  virtual unsigned last_occupied_slot(unsigned t) const;                                                 // 115
  virtual unsigned next_occupied_slot(unsigned t, unsigned index) const;                                 // 116
  virtual unsigned previous_occupied_slot(unsigned t, unsigned index) const;                             // 117
  virtual void* slot_value(const void* slot, const _Rhash_cursor* c, unsigned overflow) const = 0;       // 118
  virtual int slot_key_eq(const void* slot, unsigned hash, const void* key, _Rank_fcn rank) const = 0;   // 119
  virtual void* slot_pick(const void* slot, unsigned overflow) const = 0;                                // 120
  virtual int slot_first(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const = 0;     // 121
  virtual int slot_last(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const = 0;      // 122
  virtual int slot_next(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const = 0;      // 123
  virtual int slot_previous(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const = 0;  // 124
  virtual int slot_null(const void* slot, const _Rhash_cursor* c, unsigned overflow) const = 0;          // 125
  virtual int stores_overflow() const = 0;                                                               // 126
  // Elements the slot stands for.
  virtual int slot_count(void* slot, unsigned overflow) const { (void)slot; (void)overflow; return 0; }  // 127
  virtual _RH_slot_status slot_status(void* slot, const void* key, _RH_search_type type, _Rank_fcn rank,
                                      unsigned hash) const = 0;                                          // 128
  // The address a key is passed by (for element keys the element itself).
  virtual void* slot_key(const void* slot, unsigned hash) const = 0;                                     // 129
  // The stored hash, or 0 when it must be recomputed.
  virtual unsigned slot_hash(const void* slot, unsigned hash) const = 0;                                 // 130
  virtual int slot_occupied(const void* slot) const = 0;                                                 // 131
  virtual void slot_reclaim_oflo(void* slot, unsigned overflow) = 0;                                     // 132
  virtual const char* _rep_type() const = 0;                                                             // 133

  // ---- accessors --------------------------------------------------------------------
  void* index() { return directory_.resolve(); }
  const void* index() const { return directory_.resolve(); }
  void set_index(void* directory) { directory_ = directory; }
  // The table at directory entry t (null when none was made there).
  _RH_HashTable* table(unsigned t) const { return directory()[t]; }
  unsigned directory_size() const { return dir_size_; }
  unsigned global_depth() const { return depth_; }
  unsigned standard_size() const { return std_size_; }
  unsigned count_table_index() const { return count_table_; }
  int has_keys() const { return _has_keys(); }
  unsigned compute_n_keys() const { return _compute_n_keys(); }
  int more_than_one_key() const { return _more_than_one_key(); }
  unsigned sizeof_slot() const { return slot_size_; }
  int allow_dup() const { return (flags_ & allow_dup_bit) != 0; }
  int support_overflow() const { return (flags_ & keyed_bit) != 0; }
  int use_user_hash_fnc() const { return (flags_ & user_hash_fnc_bit) != 0; }
  int _is_char_star_key() const { return (flags_ & char_star_key_bit) != 0; }
  int _point_to_key() const { return (flags_ & point_to_key_bit) != 0; }
  int _is_dv_pvoid_key() const { return (flags_ & dv_pvoid_key_bit) != 0; }
  int has_cluster() const { return (flags_ & has_cluster_bit) != 0; }
  int untransformed() const { return (flags_ & untransformed_bit) != 0; }
  unsigned get_flags() const { return flags_; }
  // 0 sets the flag, anything else clears it.
  void set_user_hash_fnc(int v) { set_flag(user_hash_fnc_bit, v == 0); }
  void set_char_star_key(int v) { set_flag(char_star_key_bit, v == 0); }
  void set_dv_pvoid_key(int v) { set_flag(dv_pvoid_key_bit, v == 0); }
  int get_maintain_cardinality() const { return 1; }
  void set_maintain_cardinality(int) {}
  void get_key(const void* p, const void*& out) const { out = p; }

  // ---- support for the slot classes ---------------------------------------------------
  // Overflow bits are kept only with duplicates and keyed (0x2 and 0x8).
  int keeps_overflow() const { return (flags_ & (allow_dup_bit | keyed_bit)) == (allow_dup_bit | keyed_bit); }
  // Bit of slot index of table t: 0 when the table does not exist or no
  // overflow is kept.
  int has_overflow(unsigned t, unsigned index) const;
  // Sets or clears that bit (no flag test).
  void set_overflow(unsigned t, unsigned index, int on);
  // Words of the overflow bitmap of n slots: n/32 + 1 when kept, else 0.
  unsigned bitmap_size(unsigned n) const { return keeps_overflow() ? n / 32 + 1 : 0; }
  // Resets bytes of slots from begin: by assignment from an empty slot with
  // user_hash_fnc, else by zero-filling.
  void clear_slots(void* begin, unsigned bytes);
  // Slot count x slot size of table t.
  unsigned get_HashTable_size(unsigned t) const;
  // Drops the index list, then frees every table and the directory.
  void destroy_index();
  // Inserts every entry of other (each duplicate as often as it is held).
  // For copy construction and assignment in the most derived class.
  void copy_entries_from(const _Rhash& other);
  // Raises err_coll_verification naming the first broken rule: directory
  // runs aligned and sized 2^(d - local depth); per table occupied + removed
  // <= max_keys(n) and key count = occupied slots; element count = the sum
  // of slot counts and the count table's count; overflow bits only on
  // occupied slots.
  void check_hash_invariants() const;
  // Prints to standard output: 555 the number of runs of equal directory
  // entries; 666 "entry:HT=slots,nk=keys,lvl=depth" for each entry holding a
  // table (entries still without one are left out), four to a line; 777 the
  // tables whose slot array or bitmap lies on another page than the header;
  // 888 key and overflowed-slot counts per table when overflow is kept.
  // Every mode ends with two line ends.
  void print_directory(int mode) const;

  // ---- sizing (public for inspection) ----------------------------------------------
  // Raises dv_err_am "<err-0023-0005> Number of slots must be prime" unless
  // n is a prime: a probe sequence reaches every slot only in a table of
  // prime length.
  static void assert_prime(unsigned n);
  static unsigned max_keys(unsigned n) { return n * 8 / 10; }
  static unsigned min_keys(unsigned n) { return max_keys(n) / 3; }
  static unsigned too_many_deleted(unsigned n) { return min_keys(n) + min_keys(n) / 2; }
  // Slots of the largest table that fits a page beside header and count.
  unsigned calculate_n_slots() const;
  // Bytes of a table of n slots with its header and bitmap.
  unsigned max_table_size(unsigned n) const;
  // Hash after scrambling: (h x 9987001 with user_hash_fnc, else h) << 8.
  unsigned re_hash(unsigned h) const;
  // Directory entry of hash h: its top d bits.
  unsigned find_HashTable(unsigned h) const { return depth_ == 0 ? 0u : h >> (32 - depth_); }

 protected:
  void initialize(unsigned expected, unsigned slot_size, unsigned key_size, const char* key_type);
  void set_n_slots(unsigned n);
  int _has_keys() const;
  unsigned _compute_n_keys() const;
  int _more_than_one_key() const;
  // Removes one occurrence of element under key; found is 1 when the key was
  // there. With reorganise 0 the table is left as it stands (tombstones
  // only): removal through a cursor keeps the walk's order, and the next
  // insert into the table reorganises it.
  void remove_entry(const void* element, const void* key, int& found, int reorganise);
  // The key a lookup of element and key uses (key2 unless the slots point
  // at the key).
  const void* search_key(const void* key, const void* key2) const;

 private:
  friend struct _Rhash_layout;

  _RH_HashTable** directory() const { return static_cast<_RH_HashTable**>(directory_.resolve()); }
  _RH_HashTable* count_table() const;
  void add_to_count(int delta);
  void set_flag(dv4u bit, int on) { flags_ = on ? (flags_ | bit) : (flags_ & ~bit); }
  void copy_shape(const _Rhash& other);
  void remove_index();
  void release_entries(unsigned t);
  void insert_entry(const void* element, const void* key, int& found, int refuse_duplicate);
  const _Rhash_cursor& hash_cursor(const dv_dictionary_cursor& c) const;
  _Rhash_cursor& hash_cursor(dv_dictionary_cursor& c) const;
  _Rhash_cursor& new_cursor(int placement) const;

  // ---- tables (rhash_tables.cpp) ------------------------------------------------------
  void* allocate_directory(unsigned entries) const;
  // Makes a table of n slots for entry t. type 0: local depth d; type 2:
  // takes over the element count and becomes the count table.
  _RH_HashTable* create_HashTable(unsigned t, unsigned n, int type, dv_cluster* cluster);
  void destroy_HashTable(_RH_HashTable* table);
  // Entries first .. last (inclusive) hold table.
  void assign_run(unsigned first, unsigned last, _RH_HashTable* table);
  unsigned find_left_boundry(unsigned t) const;
  unsigned find_right_boundry(unsigned t) const;
  // The run of entries an aligned table of local depth l at t serves.
  unsigned run_length(unsigned local_depth) const { return 1u << (depth_ - local_depth); }
  // Copies every occupied slot of old's arrays into the tables at entries l
  // and m (the targets of their hashes).
  void rehash_slots(unsigned l, unsigned m, const _RH_HashTable* old);
  void assign_the_slot(unsigned target_t, unsigned index, const _RH_HashTable* old, unsigned old_index);

  // ---- reorganisation (rhash_reorg.cpp) ----------------------------------------------
  void HashTable_check_for_reorg(unsigned t, int inserting);
  void HashTable_grow(unsigned t);
  void grow_in_place(unsigned t);
  void split(unsigned t);
  void HashTable_split(unsigned l, unsigned m);
  // 1 when something was merged.
  int join(unsigned t);
  int HashTable_join(unsigned a, unsigned b);
  void HashTable_reorg(unsigned t);
  void rebuild(unsigned t, unsigned n);

  // ---- walks (rhash_walk.cpp) ----------------------------------------------------------
  unsigned first_occupied_HashTable() const;
  unsigned last_occupied_HashTable() const;
  unsigned next_occupied_HashTable(unsigned t) const;
  unsigned previous_occupied_HashTable(unsigned t) const;
  int position_first(_Rhash_cursor& c, void*& out) const;
  int position_last(_Rhash_cursor& c, void*& out) const;
  // A key-restricted cursor enters the restriction key's slot at its first
  // (forward) or last element; 0 and a null cursor when the key is absent.
  int position_at_key(_Rhash_cursor& c, void*& out, bool forward) const;
  int step_forward(_Rhash_cursor& c, void*& out) const;
  int step_backward(_Rhash_cursor& c, void*& out) const;
  int skipped(const _Rhash_cursor& c, unsigned t, unsigned s) const;

  dv4u dir_size_ = 0;                     // directory entries, a power of two
  dv2u depth_ = 0;                        // global depth d: hash bits that index the directory
  dv2u std_size_ = 0;                     // slot count of a newly made table
  dv2u slot_size_ = 0;                    // bytes per slot
  dv2u key_size_ = 0;                     // bytes per key
  dv4u flags_ = 0;                        // flag bits above
  dv4u count_table_ = no_count_table;     // entry whose table carries the element count
  dv_soft_pointer32<void> directory_;     // array of dir_size_ table addresses
  char* key_type_ = nullptr;              // persistent copy of the key-type name
  _Indexes* indexes_ = nullptr;           // attached indexes; none are attached here
};

static_assert(sizeof(_Rhash) == 36);

}  // namespace dv_qem
