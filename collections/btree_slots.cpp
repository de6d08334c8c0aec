// The collection and dictionary slots of the B-tree that describe it or
// refuse what an ordered dictionary does not offer, and the removal of an
// element without its key.
#include <cstring>
#include <string>

#include "btree_internal.h"
#include "dv_array.h"
#include "dv_function_cache.h"

namespace dv_qem {

namespace {

constexpr const char* btree_rep_name = "dv_btree";

}  // namespace

void dv_btree::_insert_first(const void*) { dv_coll_raise<coll_msg::needs_maintain_order>(); }
void dv_btree::_insert_last(const void*) { dv_coll_raise<coll_msg::insert_last_not_supported_by>(btree_rep_name); }
int dv_btree::_remove_first(const void*&) { dv_coll_raise<coll_msg::remove_first_unordered>(btree_rep_name); }
int dv_btree::_remove_last(const void*&) { dv_coll_raise<coll_msg::remove_last_unordered>(btree_rep_name); }
int dv_btree::_retrieve_first(const void*&) const { dv_coll_raise<coll_msg::retrieve_first_unordered>(btree_rep_name); }
int dv_btree::_retrieve_last(const void*&) const { dv_coll_raise<coll_msg::retrieve_last_unordered>(btree_rep_name); }
void dv_btree::_insert_after(const void*, unsigned) { dv_coll_raise<coll_msg::insert_after_unordered>(btree_rep_name); }
void dv_btree::_insert_after(const void*, const dv_cursor&) {
  dv_coll_raise<coll_msg::insert_after_not_supported_by>(btree_rep_name);
}
void dv_btree::_insert_before(const void*, unsigned) { dv_coll_raise<coll_msg::insert_before_unordered>(btree_rep_name); }
void dv_btree::_insert_before(const void*, const dv_cursor&) {
  dv_coll_raise<coll_msg::insert_before_not_supported_by>(btree_rep_name);
}
void dv_btree::_remove_at(unsigned) { dv_coll_raise<coll_msg::remove_at_unordered>(btree_rep_name); }
void dv_btree::_remove_at(const dv_cursor&) { dv_coll_raise<coll_msg::remove_at_unordered>(btree_rep_name); }
void* dv_btree::_replace_at(const void*, unsigned) { dv_coll_raise<coll_msg::replace_at_unordered>(btree_rep_name); }
void* dv_btree::_replace_at(const void*, const dv_cursor&) {
  dv_coll_raise<coll_msg::replace_at_unordered>(btree_rep_name);
}

void* dv_btree::_only(int&) const { _Coll_btree_fail("Called non-supported version of _only"); }

unsigned dv_btree::_get_behavior() const {
  return 16u | (allow_dups() ? 2u : 0u) | (is_untransformed() ? 0x8000u : 0u);
}

void dv_btree::_set_untransformed(int on) {
  flags_ = on ? (flags_ | untransformed_bit) : (flags_ & ~dv4u{untransformed_bit});
}

const char* dv_btree::_key_type() const {
  if (is_var_char_key()) return "char*";
  if (is_point_to_key() || is_char_nocopy_key()) return _compare_type();
  return internalKeyType();
}

unsigned dv_btree::_key_size() const { return is_var_char_key() ? 4u : key_size_; }

int dv_btree::is_pvoid_key() const { return std::strcmp(_compare_type(), "dv_pvoid") == 0; }

void dv_btree::find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const {
  if (_Mapping_fcn_cache == nullptr) dv_collection::initialize();
  _Mapping_fcn_cache->find_functions(_key_type(), rank, hash, 1);
}

int dv_btree::_remove(const void* e) {
  // The key of the first entry holding e is copied before the removal,
  // which may free the leaf that holds it.
  for (_Coll_btree_node* leaf = getLowNode(); leaf != nullptr;
       leaf = static_cast<_Coll_btree_node*>(leaf->entry(max_keys_).target.resolve())) {
    for (unsigned i = 0; i < leaf->count; ++i) {
      const _Coll_btree_node_index_entry& entry = leaf->entry(i);
      const bool holds =
          (entry.flags & _Coll_btree_node_index_entry::overflow_bit) == 0
              ? entry.target.resolve() == e
              : static_cast<_Coll_btree_overflow*>(entry.target.resolve())->list.resolve()->_contains(e) != 0;
      if (!holds) continue;
      const char* slot = key_at(leaf, i);
      if (is_var_char_key()) {
        const char* text = _Coll_var_char_text(*reinterpret_cast<const _Coll_var_char_key*>(slot));
        std::string copy = text != nullptr ? text : "";
        const char* key = text != nullptr ? copy.c_str() : nullptr;
        __remove(e, &key, nullptr);
      } else if (is_point_to_key()) {
        __remove(e, search_form(slot), nullptr);
      } else {
        std::string copy(slot, key_size_);
        __remove(e, copy.data(), nullptr);
      }
      return 1;
    }
  }
  return 0;
}

}  // namespace dv_qem
