// The B-tree as a whole: construction by key kind, copies, spare nodes,
// insertion with its splits, removal with the collapse of emptied interior
// nodes, clearing and destruction.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "btree_internal.h"
#include "btree_messages.h"
#include "durnavel.h"
#include "dv_array.h"
#include "dv_function_cache.h"
#include "dv_indexes.h"
#include "dv_new.h"
#include "dv_platform.h"
#include "dv_typespec.h"
#include "key_type_map.h"

DV_DEFINE_TYPESPEC(dv_qem::dv_btree, "dv_qem::dv_btree", DV_POINTERS(4, 8, 12, 16, 20), DV_VTABLES(0));

namespace dv_qem {

dv_typespec* dv_btree::get_dv_typespec() { return &dv_ts<dv_btree>::the_instance; }

namespace {

// The library's assign functions: a C-string key record is copied with one
// more holder of its full copy; a no-copy key copies the string pointer.
void assign_var_char_key(void* to, const void* from) {
  std::memcpy(to, from, sizeof(_Coll_var_char_key));
  _Coll_var_char_add_ref(*static_cast<_Coll_var_char_key*>(to));
}

void assign_char_star_nocopy(void* to, const void* from) { std::memcpy(to, from, sizeof(void*)); }

std::string without_blanks(const char* s) {
  std::string out;
  for (; *s != '\0'; ++s)
    if (*s != ' ') out += *s;
  return out;
}

std::string trimmed(const char* s) {
  std::string out(s);
  const auto first = out.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  const auto last = out.find_last_not_of(' ');
  return out.substr(first, last - first + 1);
}

char* persistent_copy(const char* s, const void* near) {
  const unsigned n = static_cast<unsigned>(std::strlen(s)) + 1;
  auto* copy = static_cast<char*>(::operator new(n, dv_cluster::with(near), dv_typespec::get_char(), n));
  std::memcpy(copy, s, n);
  return copy;
}

}  // namespace

// ---- construction ---------------------------------------------------------------------------

dv_btree::dv_btree(const char* key_type, unsigned key_size, unsigned key_count, unsigned behaviour,
                   unsigned expected) {
  build(key_type, key_size, key_count, behaviour, expected);
}

void dv_btree::build(const char* key_type, unsigned key_size, unsigned key_count, unsigned behaviour,
                     unsigned expected) {
  // Key kinds are matched on the normal form of the name with its blanks
  // dropped, so "const char*" and "char const*" are C-string keys.
  char* normal = _normalize_key_type(key_type != nullptr ? key_type : "");
  const std::string name = trimmed(normal);
  const std::string kind = without_blanks(normal);
  _VRN_free(normal);

  flags_ = 0;
  if ((behaviour & 0x6) != 0x6) flags_ |= allow_dups_bit;
  unsigned element_size = key_size;
  std::string stored = name;
  std::string compare_type = name;
  if ((behaviour & 0x8) != 0) {
    flags_ |= point_to_key_bit;
    stored = "void*";
    element_size = 4;
  } else if (kind == "char*") {
    flags_ |= var_char_key_bit;
    stored = compare_type = "_Coll_var_char_key";
    element_size = sizeof(_Coll_var_char_key);
  } else if (kind == "dv_char_star_nocopy") {
    flags_ |= char_nocopy_key_bit;
    stored = "_dv_char_star_nocopy";
    compare_type = "dv_char_star_nocopy";
  } else if (kind == "char[]") {
    flags_ |= char_array_bit;
    stored = compare_type = "char[]";
  }
  key_count_ = key_count;
  key_size_ = key_count * element_size;
  if (key_size_ == 0) dv_coll_raise<btree_msg::zero_key_size>(name.c_str());
  if (node_bytes / (key_size_ + entry_bytes) < 2) _Coll_btree_fail("Key size too large.  Key must be <= 2000 bytes");
  behaviour_ = behaviour;
  estimate_ = 0;
  max_keys_ = 0;
  indexes_ = nullptr;
  root_ = nullptr;
  spare_ = nullptr;
  make_names(stored.c_str(), compare_type.c_str());
  try {
    _Assign_fcn assign = nullptr;
    find_assign_function(assign, 0);
    if (assign != nullptr) flags_ |= user_assign_bit;
    initialize(expected);
  } catch (...) {
    release_all();
    free_names();
    throw;
  }
}

void dv_btree::make_names(const char* stored, const char* compare) {
  key_type_ = persistent_copy(stored, this);
  compare_type_ = persistent_copy(compare, this);
}

void dv_btree::free_names() {
  ::operator delete(key_type_.resolve());
  ::operator delete(compare_type_.resolve());
  key_type_ = nullptr;
  compare_type_ = nullptr;
}

void dv_btree::find_assign_function(_Assign_fcn& assign, int signal) const {
  if (_Mapping_fcn_cache == nullptr) dv_collection::initialize();
  assign = nullptr;
  _Mapping_fcn_cache->find_assign_function(_compare_type(), assign, 0);
  if (assign != nullptr) return;
  if (is_var_char_key())
    _Mapping_fcn_cache->insert_assign_fcn("_Coll_var_char_key", assign_var_char_key);
  else if (is_char_nocopy_key())
    _Mapping_fcn_cache->insert_assign_fcn("dv_char_star_nocopy", assign_char_star_nocopy);
  else if (!signal)
    return;
  _Mapping_fcn_cache->find_assign_function(_compare_type(), assign, signal);
}

void dv_btree::initialize(unsigned expected) {
  root_ = make_node(_Coll_btree_node::root_bit | _Coll_btree_node::leaf_bit, expected);
  if (expected == 0) return;
  const unsigned spares = ((expected * 5) >> 1) / max_keys_;
  for (unsigned i = 0; i < spares; ++i) {
    _Coll_btree_node* node = make_node(0, 0);
    node->entry(max_keys_).target = spare_.resolve();
    spare_ = node;
  }
}

_Coll_btree_node* dv_btree::getNewNode(unsigned node_flags, _Coll_btree_node*) {
  _Coll_btree_node* node = spare_nodes();
  if (node == nullptr) return make_node(node_flags, 0);
  spare_ = static_cast<_Coll_btree_node*>(node->entry(max_keys_).target.resolve());
  node->flags = (node->flags & _Coll_btree_node::kept_bit) | node_flags |
                (is_var_char_key() ? dv4u{_Coll_btree_node::var_char_bit} : 0u);
  node->entry(max_keys_).target = nullptr;
  return node;
}

// ---- copies ---------------------------------------------------------------------------------------

dv_btree::dv_btree(const dv_btree& other) : dv_dictionary(other) {
  flags_ = other.flags_ & ~dv4u{has_cluster_bit};
  key_size_ = other.key_size_;
  key_count_ = other.key_count_;
  behaviour_ = other.behaviour_;
  reserved_ = other.reserved_;
  make_names(other.internalKeyType(), other._compare_type());
  try {
    initialize(0);
    copy_entries_from(other);
  } catch (...) {
    release_all();
    free_names();
    throw;
  }
}

dv_btree& dv_btree::operator=(const dv_btree& other) {
  if (this == &other) return *this;
  release_all();
  free_names();
  flags_ = other.flags_ & ~dv4u{has_cluster_bit};
  key_size_ = other.key_size_;
  key_count_ = other.key_count_;
  behaviour_ = other.behaviour_;
  reserved_ = other.reserved_;
  estimate_ = 0;
  max_keys_ = 0;
  make_names(other.internalKeyType(), other._compare_type());
  initialize(0);
  copy_entries_from(other);
  return *this;
}

void dv_btree::copy_entries_from(const dv_btree& other) {
  for (_Coll_btree_node* leaf = other.getLowNode(); leaf != nullptr;
       leaf = static_cast<_Coll_btree_node*>(leaf->entry(other.max_keys_).target.resolve())) {
    for (unsigned i = 0; i < leaf->count; ++i) {
      const char* slot = other.key_at(leaf, i);
      const char* text = nullptr;
      const void* key = other.search_form(slot);
      if (other.is_var_char_key()) {
        text = _Coll_var_char_text(*reinterpret_cast<const _Coll_var_char_key*>(slot));
        key = &text;
      }
      const _Coll_btree_node_index_entry& e = leaf->entry(i);
      if ((e.flags & _Coll_btree_node_index_entry::overflow_bit) == 0) {
        __insert(e.target.resolve(), key, nullptr, nullptr, 0u);
        continue;
      }
      dv_cursor walk(*static_cast<_Coll_btree_overflow*>(e.target.resolve())->list.resolve());
      for (void* element = walk.first(); walk.more(); element = walk.next())
        __insert(element, key, nullptr, nullptr, 0u);
    }
  }
}

// ---- destruction and clearing ---------------------------------------------------------------

void dv_btree::deleteNode(_Coll_btree_node* node) {
  if (node->is_leaf()) {
    auto* previous = node->previous.resolve();
    auto* next = static_cast<_Coll_btree_node*>(node->entry(max_keys_).target.resolve());
    if (next != nullptr) next->previous = previous;
    if (previous != nullptr) previous->entry(max_keys_).target = next;
  }
  free_node(node);
}

void dv_btree::deleteAllNodes(_Coll_btree_node* node) {
  if (node->is_leaf()) return;
  for (unsigned i = 0; i <= node->count; ++i) {
    _Coll_btree_node* child = node->child(i);
    if (child == nullptr) continue;
    deleteAllNodes(child);
    free_node(child);
    node->entry(i).target = nullptr;
  }
}

void dv_btree::release_all() {
  if (_Coll_btree_node* r = root()) {
    deleteAllNodes(r);
    free_node(r);
  }
  root_ = nullptr;
  while (_Coll_btree_node* spare = spare_nodes()) {
    spare_ = static_cast<_Coll_btree_node*>(spare->entry(max_keys_).target.resolve());
    free_node(spare);
  }
}

void dv_btree::_clear() {
  _Coll_btree_node* r = root();
  deleteAllNodes(r);
  for (unsigned i = 0; i < r->count; ++i) {
    release_slot(key_at(r, i));
    if (r->is_leaf()) destroy_entry(r->entry(i));
  }
  for (unsigned i = 0; i <= max_keys_; ++i) r->entry(i) = _Coll_btree_node_index_entry{};
  r->count = 0;
  r->previous = nullptr;
  r->flags |= _Coll_btree_node::leaf_bit;
  estimate_ = 0;
}

dv_btree::~dv_btree() {
  if (indexes_ != nullptr) {
    dv_cursor walk(*this);
    const void* before = nullptr;
    for (void* e = walk.first(); walk.more(); e = walk.next()) {
      if (e != before) maintain_index_remove_for_sure(indexes_, e);
      before = e;
    }
    delete indexes_;
    indexes_ = nullptr;
  }
  release_all();
  free_names();
}

// ---- insertion ------------------------------------------------------------------------------------

void dv_btree::refuse_nan(const void* key) const {
  if (is_var_char_key() || is_char_array() || key == nullptr) return;
  const char* type = _compare_type();
  bool nan = false;
  if (std::strcmp(type, "float") == 0)
    nan = std::isnan(*static_cast<const float*>(key));
  else if (std::strcmp(type, "double") == 0 || std::strcmp(type, "long double") == 0)
    nan = std::isnan(*static_cast<const double*>(key));
  if (nan) dv_coll_raise<btree_msg::nan_key>(type);
}

void dv_btree::__insert(const void*, const void*, dv_collection*, const void*, int&) {
  _Coll_btree_fail("non supported version of __insert called");
}

void dv_btree::__insert(const void* element, const void* key, dv_collection*, const void* key_override,
                        unsigned) {
  const void* k = key_override != nullptr && !is_point_to_key() ? key_override : key;
  refuse_nan(k);
  _Coll_btree_prepared_key prepared(*this, k);
  _Coll_btree_stackvars sv(*this);
  _Coll_btree_node* leaf = findNode(sv, prepared.get(), 0);
  if (node_insert(sv, leaf, prepared.get(), nullptr, element)) return;
  int found = 0;
  const unsigned p = search_node(sv, leaf, prepared.get(), found);
  splitTree(sv, leaf, prepared.get(), element, p);
}

void dv_btree::splitTree(const _Coll_btree_stackvars& sv, _Coll_btree_node* leaf, const void* key,
                         const void* element, unsigned p) {
  _Coll_btree_node* right = splitLeaf(sv, leaf, key, element, p);
  // The dividing key travels up as an owned slot image.
  std::vector<char> carry(key_size_);
  std::vector<char> up(key_size_);
  copy_slot(carry.data(), key_at(right, 0));
  _Coll_btree_node* node = leaf;
  while (_Coll_btree_node* parent = node->parent.resolve()) {
    if (node_insert(sv, parent, search_form(carry.data()), carry.data(), right)) return;
    int found = 0;
    const unsigned at = search_node(sv, parent, search_form(carry.data()), found);
    right = splitInterior(sv, parent, carry.data(), right, at, up.data());
    carry = up;
    node = parent;
  }
  _Coll_btree_node* new_root = getNewNode(_Coll_btree_node::root_bit, node);
  new_root->entry(0).target = node;
  node->parent = new_root;
  node->flags &= ~dv4u{_Coll_btree_node::root_bit};
  if (!node_insert(sv, new_root, search_form(carry.data()), carry.data(), right))
    _Coll_btree_fail("Could not insert high path into new root");
  root_ = new_root;
}

// ---- removal --------------------------------------------------------------------------------------

void dv_btree::__remove(const void*, const void*, int&, dv_collection*) {
  _Coll_btree_fail("Called non-supportted version of __remove()");
}

void dv_btree::__remove(const void* element, const void* key, dv_collection*) {
  _Coll_btree_prepared_key prepared(*this, key);
  _Coll_btree_path path;
  _Coll_btree_stackvars sv(*this, &path);
  _Coll_btree_node* leaf = findNode(sv, prepared.get(), 1);
  if (leaf->count == 0 && leaf == root()) return;  // an empty tree holds no pair
  void* stale = nullptr;
  if (!node_remove(sv, leaf, prepared.get(), element, stale)) return;
  if (leaf->count == 0 && !leaf->is_root()) {
    if (!removeFromParentUsingHistory(path, path.depth, leaf))
      _Coll_btree_fail("removeFromParentUsingHistory() failed during __remove");
    deleteNode(leaf);
    if (path.nodes[path.depth - 1]->count == 0) collapseTree(sv, path, path.depth - 1);
  }
  if (stale != nullptr) refresh_separators(sv, prepared.get(), stale);
}

void dv_btree::collapseTree(const _Coll_btree_stackvars& sv, _Coll_btree_path& path, unsigned level) {
  std::vector<char> carry(key_size_);
  std::vector<char> up(key_size_);
  for (;;) {
    _Coll_btree_node* node = path.nodes[level];
    if (node->count != 0) return;
    _Coll_btree_node* orphan = node->child(0);
    if (node == root()) {
      orphan->flags |= _Coll_btree_node::root_bit;
      orphan->parent = nullptr;
      root_ = orphan;
      node->entry(0).target = nullptr;
      free_node(node);
      return;
    }
    if (!removeFromParentUsingHistory(path, level, node))
      _Coll_btree_fail("removeFromParentUsingHistory() failed during collapse");
    _Coll_btree_node* parent = path.nodes[level - 1];
    const unsigned p = path.positions[level - 1];
    _Coll_btree_node* sibling = nullptr;
    _Coll_btree_node* moving = nullptr;
    if (p > 0) {
      // The orphan joins its left sibling as the last child, under its lowest key.
      sibling = parent->child(p - 1);
      moving = orphan;
    } else {
      // The orphan becomes the right sibling's child 0; the sibling's former
      // child 0 goes back in under its own lowest key.
      sibling = parent->child(0);
      moving = sibling->child(0);
      sibling->entry(0).target = orphan;
      orphan->parent = sibling;
    }
    copy_slot(carry.data(), first_key_under(moving));
    if (!node_insert(sv, sibling, search_form(carry.data()), carry.data(), moving)) {
      int found = 0;
      const unsigned at = search_node(sv, sibling, search_form(carry.data()), found);
      _Coll_btree_node* right = splitInterior(sv, sibling, carry.data(), moving, at, up.data());
      if (!node_insert(sv, parent, search_form(up.data()), up.data(), right))
        _Coll_btree_fail("Parent insert failed during collapseTree()");
    }
    node->entry(0).target = nullptr;
    free_node(node);
    if (level == 0) return;
    --level;
  }
}

void dv_btree::refresh_separators(const _Coll_btree_stackvars& sv, const void* key, const void* stale) {
  // A separator that still points at the removed key (or element) takes the
  // address of the first key of the subtree on its right, which bounds that
  // subtree as well.
  for (_Coll_btree_node* node = root(); !node->is_leaf();) {
    int found = 0;
    const unsigned p = search_node(sv, node, key, found);
    if (found) {
      auto* slot = reinterpret_cast<dv_soft_pointer32<void>*>(key_at(node, p));
      if (slot->resolve() == stale) *slot = const_cast<void*>(search_form(first_key_under(node->child(p + 1))));
    }
    node = node->child(found ? p + 1 : p);
  }
}

}  // namespace dv_qem
