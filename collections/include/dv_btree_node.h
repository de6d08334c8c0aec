// The stored records of a B-tree: the node, its index array and key array,
// the overflow record of a key with several elements and the 32-byte
// variable-length character key with its shared full copy. Every reference
// between them is a 32-bit soft pointer that the records' typespecs name, so
// relocation fixes them when a file is mapped at another address.
#pragma once

#include <cstddef>

#include "dv_soft_pointer.h"
#include "dv_types.h"

namespace dv_qem {

class dv_packed_list;
class dv_typespec;

// A soft pointer to a T: one 32-bit word holding the target's address.
template <class T>
class _Coll_btree_ptr {
 public:
  _Coll_btree_ptr() = default;
  _Coll_btree_ptr(T* target) : word_(target) {}
  _Coll_btree_ptr& operator=(T* target) {
    word_ = target;
    return *this;
  }
  T* resolve() const { return static_cast<T*>(word_.resolve()); }

 private:
  dv_soft_pointer32<void> word_;
};

// One entry of an index array: an element, a child, an overflow record or
// (entry max-keys) the next leaf or next spare node.
struct _Coll_btree_node_index_entry {
  enum : dv4u { overflow_bit = 0x1 };  // target is a _Coll_btree_overflow
  dv4u flags;                          // overflow_bit or 0
  dv_soft_pointer32<void> target;      // element, child, overflow record or next node
  static dv_typespec* get_dv_typespec();
};
static_assert(sizeof(_Coll_btree_node_index_entry) == 8);
static_assert(offsetof(_Coll_btree_node_index_entry, target) == 4);

// The index array: a count word (max keys + 1), then that many entries. The
// count word is the allocation's vector header, so relocation walks the
// entries behind it.
struct _Coll_btree_node_index {
  dv4u count;                              // max keys + 1
  _Coll_btree_node_index_entry entries[1]; // count entries in the allocation
};
static_assert(offsetof(_Coll_btree_node_index, entries) == 4);

// Several elements of one key: a packed list made next to this record.
struct _Coll_btree_overflow {
  _Coll_btree_ptr<dv_packed_list> list;  // the elements, in insertion order
  static dv_typespec* get_dv_typespec();
};
static_assert(sizeof(_Coll_btree_overflow) == 4);

// The full copy of a string too long to stay inline, shared by every key
// record that holds it (a leaf key and the separators copied from it).
struct _Coll_var_char_overflow {
  dv4u references;              // key records holding this copy
  _Coll_btree_ptr<char> text; // strlen + 1 characters
  static dv_typespec* get_dv_typespec();
};
static_assert(sizeof(_Coll_var_char_overflow) == 8);
static_assert(offsetof(_Coll_var_char_overflow, text) == 4);

// A C-string key. Strings of up to 27 characters stay inline; a longer one
// keeps its first 27 characters inline (the 28th byte is 0) and the whole
// string in an overflow record. A null string is an empty inline text with
// inline_text[null_marker_at] set to null_marker, so "" and null differ.
struct _Coll_var_char_key {
  static constexpr unsigned inline_bytes = 28;
  static constexpr unsigned null_marker_at = 1;  // the record's sixth byte
  static constexpr char null_marker = '?';
  _Coll_btree_ptr<_Coll_var_char_overflow> overflow;  // null for an inline string
  char inline_text[inline_bytes];
  static dv_typespec* get_dv_typespec();
};
static_assert(sizeof(_Coll_var_char_key) == 32);

// A node. Leaves hold keys with their elements and are chained both ways
// (previous link here, next link in index entry max-keys); interior nodes
// hold count keys and count + 1 children.
struct _Coll_btree_node {
  enum : dv4u {
    root_bit = 0x1,      // the tree's root
    leaf_bit = 0x2,      // a leaf
    var_char_bit = 0x4,  // keys are _Coll_var_char_key records
    kept_bit = 0x8,      // kept when a spare node is reused
  };
  _Coll_btree_ptr<_Coll_btree_node_index> index;  // index array
  _Coll_btree_ptr<char> keys;                     // key array: max keys slots
  _Coll_btree_ptr<_Coll_btree_node> parent;       // null in the root
  _Coll_btree_ptr<_Coll_btree_node> previous;     // previous leaf (leaves only)
  dv_soft_pointer32<void> extra;                    // freed with the node; never set by the tree
  dv4u count;                                       // keys in use
  dv4u flags;                                       // bits above

  int is_leaf() const { return (flags & leaf_bit) != 0; }
  int is_root() const { return (flags & root_bit) != 0; }
  _Coll_btree_node_index_entry* entries() const { return index.resolve()->entries; }
  _Coll_btree_node_index_entry& entry(unsigned i) const { return entries()[i]; }
  _Coll_btree_node* child(unsigned i) const { return static_cast<_Coll_btree_node*>(entry(i).target.resolve()); }
  static dv_typespec* get_dv_typespec();
};
static_assert(sizeof(_Coll_btree_node) == 28);
static_assert(offsetof(_Coll_btree_node, extra) == 16);
static_assert(offsetof(_Coll_btree_node, count) == 20);
static_assert(offsetof(_Coll_btree_node, flags) == 24);

}  // namespace dv_qem
