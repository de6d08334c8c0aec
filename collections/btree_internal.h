// What the B-tree's operations share inside the library: the search context
// of one operation, the path a search records on its way down, the search
// form of a caller's key and the raising of the tree's internal messages.
#pragma once

#include "coll_messages.h"
#include "coll_raise.h"
#include "dv_btree.h"

namespace dv_qem {

// How an operation compares a key with a key slot.
enum class _Coll_btree_compare : int {
  rank,          // the compare type's rank function on the key and the slot
  point_to_key,  // the rank function on the key and the address in the slot
  var_char,      // the texts of two _Coll_var_char_key records, by the "char*" rank
  char_array,    // at most key-size characters, unsigned, up to the first 0
};

// The interior nodes a search passed: node, child position taken and whether
// the key was equal to a key of the node, root first.
struct _Coll_btree_path {
  _Coll_btree_node* nodes[dv_btree::max_depth];
  unsigned positions[dv_btree::max_depth];
  unsigned char equal[dv_btree::max_depth];
  unsigned depth = 0;
  int met_equal = 0;
  const void* replacement = nullptr;  // the key a point-to-key slot was re-pointed at
};

// Whether a pointed-to key lies in element: at its start, or further in the
// same stored object (after a virtual-table pointer or other fields). Every
// element of a point-to-key tree keeps its key at one offset.
bool _Coll_btree_key_lies_in(const void* key, const void* element);

// The search context of one operation.
struct _Coll_btree_stackvars {
  _Rank_fcn rank = nullptr;
  const dv_btree* tree = nullptr;
  _Coll_btree_path* path = nullptr;
  _Coll_btree_compare how = _Coll_btree_compare::rank;
  unsigned key_size = 0;

  explicit _Coll_btree_stackvars(const dv_btree& t, _Coll_btree_path* p = nullptr);
};

// A caller's key (given by address, as every key argument is) in the form
// the tree compares: for C-string keys a 32-byte key record on the stack
// whose long text points at the caller's string (nothing is copied and
// nothing written to the database); otherwise the caller's key itself.
struct _Coll_btree_prepared_key {
  _Coll_btree_prepared_key(const dv_btree& tree, const void* key);
  _Coll_btree_prepared_key(const _Coll_btree_prepared_key&) = delete;
  _Coll_btree_prepared_key& operator=(const _Coll_btree_prepared_key&) = delete;
  const void* get() const { return key_; }

 private:
  const void* key_;
  _Coll_var_char_key record_;
  _Coll_var_char_overflow long_text_;
};

// Raises err_coll_internal with "dv_btree - <message>".
[[noreturn]] inline void _Coll_btree_fail(const char* message) {
  dv_coll_raise<coll_msg::btree_internal>(message);
}

// The variable-length character key records.
// Fills rec from s: inline, or inline head plus a new overflow record (in
// the database of hint, or transient memory) holding a full copy.
void _Coll_var_char_make(_Coll_var_char_key& rec, const char* s, const void* hint);
// The text of a record: the full copy, the inline text, or null.
const char* _Coll_var_char_text(const _Coll_var_char_key& rec);
// One more holder of the record's overflow copy.
void _Coll_var_char_add_ref(_Coll_var_char_key& rec);
// One holder less: the copy and its record are freed at 0. The key is cleared.
void _Coll_var_char_release(_Coll_var_char_key& rec);

}  // namespace dv_qem
