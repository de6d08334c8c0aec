// dv_btree: the ordered dictionary representation, a persistent B+-tree of
// fixed-size key slots. Every element sits in a leaf under its key, leaves
// are chained both ways, several elements of one key share one key slot
// through an overflow list (a repeated (key, element) pair is kept twice),
// and keys are ordered by the rank function of the compare type or, for C
// strings, by their texts. _dv_btree_cursor is its dictionary cursor.
#pragma once

#include "dv_btree_node.h"
#include "dv_dictionary.h"

namespace dv_qem {

class _dv_btree_cursor;
struct _Coll_btree_stackvars;
struct _Coll_btree_path;
struct _Coll_btree_position;

class dv_btree : public dv_dictionary {
 public:
  // Tree flag bits.
  enum : dv4u {
    var_char_key_bit = 0x1,      // keys are C strings in _Coll_var_char_key records
    point_to_key_bit = 0x2,      // a key slot holds the address of the key
    allow_dups_bit = 0x4,        // several elements may share a key
    char_array_bit = 0x8,        // "char[]" keys of key-size bytes
    has_cluster_bit = 0x10,      // the nodes were given a cluster of their own
    untransformed_bit = 0x20,    // _set_untransformed
    user_assign_bit = 0x40,      // the function cache holds an assign function for the compare type
    char_nocopy_key_bit = 0x80,  // "dv_char_star_nocopy": the slot holds the caller's string pointer
  };
  // Node capacity: 4060 bytes of keys and entries per node.
  static constexpr unsigned node_bytes = 4060;
  static constexpr unsigned entry_bytes = 8;
  // Interior levels a search path records.
  static constexpr unsigned max_depth = 30;

  // key_type by name (normalised: "const" ignored); key_size bytes per key
  // element and key_count elements per key; behaviour: 2 and 4 together
  // refuse duplicate keys, 8 stores pointers to the keys. expected sizes the
  // spare nodes. dv_err_coll_internal "dv_btree - Key size too large..." when
  // a node could hold fewer than 2 keys.
  dv_btree(const char* key_type, unsigned key_size, unsigned key_count, unsigned behaviour, unsigned expected);
  explicit dv_btree(dv_probe_t) : dv_dictionary(dv_probe) {}
  // A tree of the same shape with nodes, names and key copies of its own,
  // holding the other's entries.
  dv_btree(const dv_btree& other);
  // This tree's entries become the other's (copied into this tree's nodes).
  dv_btree& operator=(const dv_btree& other);
  // Releases every node, key copy, overflow list, spare node and name.
  ~dv_btree() override;

  static dv_typespec* get_dv_typespec();

  // ---- collection slots -------------------------------------------------------------------
  // The element when the tree holds exactly one, else err_am_not_singleton.
  void* _only() const override;
  // Removes one entry holding e; 1 when one was removed.
  int _remove(const void* e) override;
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
  // Counts the elements along the leaf chain.
  unsigned _cardinality() const override;
  int _empty() const override;
  // Counts and stores the count as the estimate.
  unsigned _update_cardinality() override;
  unsigned _cardinality_estimate() const override { return estimate_; }
  int _cardinality_is_maintained() const override { return 0; }
  void _re_initialize(unsigned) override {}
  int has_indexes() const override { return indexes_ != nullptr; }
  _Indexes*& indexes() override { return indexes_; }
  // Frees every node below the root and empties the root leaf.
  void _clear() override;
  // 16, plus 2 with duplicates, plus 0x8000 when untransformed.
  unsigned _get_behavior() const override;
  char* _rep_name() const override { return const_cast<char*>("dv_btree"); }
  // The structural check (check_tree), then every entry found by its key.
  void _check_rep_invariants() const override;
  void _set_untransformed(int on) override;

  // ---- dictionary slots --------------------------------------------------------------------
  int _is_a_hashtable() const override { return 0; }
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
  // The key under the cursor in the form key arguments take, except that a
  // C-string key answers the string and a "dv_pvoid" key the stored address;
  // null for a null cursor.
  void* __retrieve_key(const dv_dictionary_cursor& c) const override;
  void* __pick(int low_restriction, const void* low, int high_restriction, const void* high,
               unsigned& found) const override;
  void* __pick(int restriction, const void* key, unsigned& found) const override;
  void* __pick(unsigned& found) const override;
  int __contains(const void* element, const void* key) const override;
  void __insert(const void* element, const void* key, dv_collection* coll, const void* key2, int& found) override;
  // Stores element under key (key_override when given, except in a
  // point-to-key tree). err_am_dup_key when the key is present in a tree
  // without duplicates; err_coll_illegal_arg for a NaN key.
  void __insert(const void* element, const void* key, dv_collection* coll, const void* key_override,
                unsigned flag) override;
  void __remove(const void* element, const void* key, int& found, dv_collection* coll) override;
  // Removes one (key, element) entry; nothing when there is none.
  void __remove(const void* element, const void* key, dv_collection* coll) override;
  // The number of elements under the key (0 when absent).
  int __count(const void* key, const void* element) const override;
  // The number of elements under the cursor's key (0 for a null cursor).
  int __count(dv_dictionary_cursor& c) const override;
  int __duplicates() const override { return static_cast<int>(flags_ & allow_dups_bit); }
  // "char*" for C-string keys; the compare type for no-copy and
  // point-to-key trees; else the stored key type.
  const char* _key_type() const override;
  unsigned _key_size() const override;
  void __reset(dv_dictionary_cursor&, const void*, const void*, _Direction) override {}
  dv_collection* _cursors() const override { return nullptr; }
  // The rank and hash functions of the compare type.
  void find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const override;

  // ---- slots of its own ------------------------------------------------------------------------
  virtual void* _only(int& empty) const;          // 107: err_coll_internal
  virtual void assignKey(void* to, void* from);   // 108

  // ---- housekeeping ------------------------------------------------------------------------
  // Makes the root and expected x 2.5 / max keys spare nodes.
  void initialize(unsigned expected);
  // A node from the spare list, else a new one.
  _Coll_btree_node* getNewNode(unsigned node_flags, _Coll_btree_node* near);
  void* getNodeCluster(_Coll_btree_node*) const { return nullptr; }
  // Unlinks a leaf from the chain and frees the node with its parts.
  void deleteNode(_Coll_btree_node* node);
  // Frees every node below node.
  void deleteAllNodes(_Coll_btree_node* node);
  // The assign function of the compare type from the function cache (the
  // library's own for C-string and no-copy keys when none is registered).
  void find_assign_function(_Assign_fcn& assign, int signal) const;

  // ---- accessors ------------------------------------------------------------------------------
  _Coll_btree_node* root() const { return static_cast<_Coll_btree_node*>(root_.resolve()); }
  _Coll_btree_node* spare_nodes() const { return static_cast<_Coll_btree_node*>(spare_.resolve()); }
  unsigned getMaxKeys() const { return max_keys_; }
  void setMaxKeys(unsigned n) { max_keys_ = n; }
  unsigned stored_key_size() const { return key_size_; }
  unsigned key_element_count() const { return key_count_; }
  unsigned behaviour() const { return behaviour_; }
  dv4u get_flags() const { return flags_; }
  const char* internalKeyType() const { return key_type_.resolve(); }
  const char* _compare_type() const { return compare_type_.resolve(); }
  int is_var_char_key() const { return (flags_ & var_char_key_bit) != 0; }
  int is_point_to_key() const { return (flags_ & point_to_key_bit) != 0; }
  int allow_dups() const { return (flags_ & allow_dups_bit) != 0; }
  int is_char_array() const { return (flags_ & char_array_bit) != 0; }
  int has_cluster() const { return (flags_ & has_cluster_bit) != 0; }
  int is_untransformed() const { return (flags_ & untransformed_bit) != 0; }
  int is_char_nocopy_key() const { return (flags_ & char_nocopy_key_bit) != 0; }
  int has_user_assign_fcn() const { return static_cast<int>(flags_ & (user_assign_bit | var_char_key_bit)); }
  // Whether the compare type is "dv_pvoid": the slot holds an address.
  int is_pvoid_key() const;

  // The structural self-check: key order within and across nodes, the leaf
  // chain both ways, parent links, node counts and flags, no empty node but
  // the root, separators bounding their subtrees, every leaf at one depth,
  // overflow lists of two or more elements, variable-length key records
  // sound. err_coll_internal "dv_btree - <what failed>" on the first fault.
  void check_tree() const;
  // Nodes in the tree (spare nodes not counted) and its depth in levels.
  unsigned node_count() const;
  unsigned depth() const;

  // ---- the node layer and the searches (btree_node.cpp, btree_search.cpp) ----------------
  _Coll_btree_node* make_node(unsigned node_flags, unsigned expected);
  char* key_at(const _Coll_btree_node* node, unsigned i) const { return node->keys.resolve() + i * key_size_; }
  // The search form of a stored key slot (what compare takes first).
  const void* search_form(const void* slot) const;
  int compare(const _Coll_btree_stackvars& sv, const void* search_key, const void* slot) const;
  // Binary search over the node's keys: the position, and found.
  unsigned search_node(const _Coll_btree_stackvars& sv, const _Coll_btree_node* node, const void* key,
                       int& found) const;
  _Coll_btree_node* findNode(const _Coll_btree_stackvars& sv, const void* key, int record) const;
  _Coll_btree_node* getLowNode() const;
  _Coll_btree_node* getHighNode() const;
  // Steps along the leaves (node null past either end).
  void findNextKey(_Coll_btree_node*& node, unsigned& index, int from_start) const;
  void findPrevKey(_Coll_btree_node*& node, unsigned& index, int from_end) const;
  // Positions for a restriction code against key; 1 when one was found.
  int findFirst(const _Coll_btree_stackvars& sv, int restriction, const void* key, unsigned& index,
                _Coll_btree_node*& node) const;
  int findLast(const _Coll_btree_stackvars& sv, int restriction, const void* key, unsigned& index,
               _Coll_btree_node*& node) const;
  // Whether comparison result r satisfies a restriction code.
  static int satisfies(int r, int restriction);
  // The number of elements an entry stands for, and its first / last one.
  static unsigned entry_count(const _Coll_btree_node_index_entry& e);
  static void* entry_first(const _Coll_btree_node_index_entry& e);

 private:
  // Key slots.
  void store_key(void* slot, const void* search_key);
  void copy_slot(void* to, const void* from);
  void release_slot(void* slot);
  // Node insertion: key given in search form, or (interior nodes) as an
  // owned slot image whose reference moves into the node.
  int node_insert(const _Coll_btree_stackvars& sv, _Coll_btree_node* node, const void* search_key,
                  const void* owned_slot, const void* target);
  void insert_at(_Coll_btree_node* node, unsigned p, const void* search_key, const void* owned_slot,
                 const void* target);
  int node_remove(const _Coll_btree_stackvars& sv, _Coll_btree_node* leaf, const void* key, const void* element,
                  void*& stale);
  void remove_at(_Coll_btree_node* node, unsigned key_index, unsigned entry_index, int destroy_entry);
  _Coll_btree_node* splitLeaf(const _Coll_btree_stackvars& sv, _Coll_btree_node* leaf, const void* key,
                              const void* element, unsigned p);
  _Coll_btree_node* splitInterior(const _Coll_btree_stackvars& sv, _Coll_btree_node* node, void* key_slot,
                                  _Coll_btree_node* child, unsigned p, void* up_slot);
  void splitTree(const _Coll_btree_stackvars& sv, _Coll_btree_node* leaf, const void* key, const void* element,
                 unsigned p);
  const char* first_key_under(const _Coll_btree_node* node) const;
  int removeFromParentUsingHistory(_Coll_btree_path& path, unsigned level, _Coll_btree_node* node);
  void collapseTree(const _Coll_btree_stackvars& sv, _Coll_btree_path& path, unsigned level);
  void refresh_separators(const _Coll_btree_stackvars& sv, const void* key, const void* stale);
  void free_node(_Coll_btree_node* node);
  void add_element(_Coll_btree_node_index_entry& e, const void* element);
  void destroy_entry(_Coll_btree_node_index_entry& e);
  void copy_entries_from(const dv_btree& other);
  void make_names(const char* stored, const char* compare);
  void free_names();
  void build(const char* key_type, unsigned key_size, unsigned key_count, unsigned behaviour, unsigned expected);
  void release_all();
  int position_element(_dv_btree_cursor& c, _Coll_btree_node* node, unsigned index, int last, void*& out,
                       int from_step) const;
  int cursor_step(_dv_btree_cursor& c, void*& out, int forward) const;
  int cursor_start(_dv_btree_cursor& c, void*& out, int last) const;
  void refuse_nan(const void* key) const;

  _Indexes* indexes_ = nullptr;                 // index set, or null
  _Coll_btree_ptr<char> key_type_;            // stored key type name
  _Coll_btree_ptr<char> compare_type_;        // compare type name
  _Coll_btree_ptr<_Coll_btree_node> root_;    // the root node
  _Coll_btree_ptr<_Coll_btree_node> spare_;   // first spare node
  dv4u key_size_ = 0;                           // bytes of one key slot
  dv4u key_count_ = 0;                          // key elements per key
  dv4u estimate_ = 0;                           // cardinality estimate
  dv4u behaviour_ = 0;                          // the constructor's behaviour word
  dv4u flags_ = 0;                              // tree flag bits
  dv4u max_keys_ = 0;                           // keys per node; 0 before the first node
  dv4u reserved_ = 0;                           // copied, otherwise unused
};

static_assert(sizeof(dv_btree) == 52);

// The dictionary cursor of a B-tree: a position (node, index, and for a key
// with several elements a cursor over its overflow list) and an optional
// restriction, one-sided or between two bounds.
class _dv_btree_cursor : public dv_dictionary_cursor {
 public:
  enum : dv4u {
    restricted_bit = 0x1,
    two_sided_bit = 0x2,
    iterate_off_range_bit = 0x4,
    var_char_key_bit = 0x8,
  };
  static constexpr int no_restriction = 200;

  // Unrestricted, null; positioned on the first element unless told not to.
  _dv_btree_cursor(const dv_btree& tree, unsigned placement, _set_position position);
  _dv_btree_cursor(int restriction, const void* key, const dv_btree& tree, unsigned placement,
                   _set_position position);
  _dv_btree_cursor(int low_restriction, const void* low, int high_restriction, const void* high,
                   const dv_btree& tree, unsigned placement, _set_position position);
  explicit _dv_btree_cursor(dv_probe_t) {}
  // The copy holds its own overflow cursor and bound copies.
  _dv_btree_cursor(const _dv_btree_cursor& other);
  _dv_btree_cursor& operator=(const _dv_btree_cursor& other);
  ~_dv_btree_cursor() override;

  void restrict(int low_restriction, const void* low, int high_restriction, const void* high) override;
  void restrict(int restriction, const void* key) override;
  void unrestrict() override;
  void remember(_dv_cursor_holder& holder) override;
  void restore(const _dv_cursor_holder& holder) override;

  int is_restricted() const { return (flags_ & restricted_bit) != 0; }
  int is_two_sided() const { return (flags_ & two_sided_bit) != 0; }
  int is_iterate_off_range() const { return (flags_ & iterate_off_range_bit) != 0; }
  int is_var_char_key() const { return (flags_ & var_char_key_bit) != 0; }
  void set_iterate_off_range(int on) { set(iterate_off_range_bit, on); }
  void set_var_char_key(int on) { set(var_char_key_bit, on); }
  dv_btree* get_tree() const { return static_cast<dv_btree*>(tree_.resolve()); }
  void set_tree(const dv_btree* t) { tree_ = const_cast<dv_btree*>(t); }
  dv_cursor* get_overflow() const { return static_cast<dv_cursor*>(overflow_.resolve()); }
  void set_overflow(dv_cursor* c) { overflow_ = c; }
  int restriction() const { return restriction_; }
  const void* bound() const { return bound_.resolve(); }
  int lower_restriction() const { return low_restriction_; }
  int upper_restriction() const { return high_restriction_; }
  const void* lower_bound() const { return low_.resolve(); }
  const void* upper_bound() const { return high_.resolve(); }
  void getCurrentPos(unsigned& null, _Coll_btree_node*& node, unsigned& index) const;
  void setCurrentPos(unsigned null, _Coll_btree_node* node, unsigned index);
  int is_btree_cursor() const { return 1; }
  // Destroys the overflow cursor.
  void drop_overflow();
  // A new overflow cursor over the list of the current key (none when the
  // key holds one element), standing on its first element.
  void open_overflow();

  static dv_typespec* get_dv_typespec();

 private:
  void set(dv4u bit, int on) { flags_ = on ? (flags_ | bit) : (flags_ & ~bit); }
  void init(const dv_btree& tree);
  void* bound_copy(const void* key);
  void free_bound(dv_soft_pointer32<void>& bound);
  void copy_from(const _dv_btree_cursor& other);

  dv4u flags_ = 0;
  _Coll_btree_ptr<dv_btree> tree_;
  dv4s restriction_ = no_restriction;
  dv_soft_pointer32<void> bound_;
  dv4s low_restriction_ = no_restriction;
  dv4s high_restriction_ = no_restriction;
  dv_soft_pointer32<void> low_;
  dv_soft_pointer32<void> high_;
  _Coll_btree_ptr<_Coll_btree_node> node_;
  dv4u index_ = 0;
  _Coll_btree_ptr<dv_cursor> overflow_;
  dv4u null_ = 1;
};

static_assert(sizeof(_dv_btree_cursor) == 52);

}  // namespace dv_qem
