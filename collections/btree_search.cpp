// Finding keys in the B-tree: the descent to a leaf, the steps along the
// leaf chain, positioning for a restriction code, and the look-ups built on
// them (picks, contains, counts).
#include "btree_internal.h"
#include "dv_array.h"

namespace dv_qem {

namespace {

_Coll_btree_node* next_leaf(const _Coll_btree_node* leaf, unsigned max_keys) {
  return static_cast<_Coll_btree_node*>(leaf->entry(max_keys).target.resolve());
}

}  // namespace

_Coll_btree_node* dv_btree::findNode(const _Coll_btree_stackvars& sv, const void* key, int record) const {
  _Coll_btree_node* node = root();
  if (record && sv.path != nullptr) {
    sv.path->depth = 0;
    sv.path->met_equal = 0;
  }
  while (!node->is_leaf()) {
    if (node->count == 0) _Coll_btree_fail("Interior node in search path has no keys");
    int found = 0;
    const unsigned p = search_node(sv, node, key, found);
    const unsigned child = found ? p + 1 : p;
    if (record && sv.path != nullptr) {
      _Coll_btree_path& path = *sv.path;
      if (path.depth == max_depth) _Coll_btree_fail("Search path deeper than 30 interior levels");
      path.nodes[path.depth] = node;
      path.positions[path.depth] = child;
      path.equal[path.depth] = static_cast<unsigned char>(found);
      if (found) path.met_equal = 1;
      ++path.depth;
    }
    node = node->child(child);
    if (node == nullptr) _Coll_btree_fail("Interior index pointer is NULL");
  }
  return node;
}

_Coll_btree_node* dv_btree::getLowNode() const {
  _Coll_btree_node* node = root();
  while (!node->is_leaf()) {
    if (node->count == 0) _Coll_btree_fail("Interior node in search path has no keys");
    node = node->child(0);
    if (node == nullptr) _Coll_btree_fail("Interior node index pointer is NULL");
  }
  return node;
}

_Coll_btree_node* dv_btree::getHighNode() const {
  _Coll_btree_node* node = root();
  while (!node->is_leaf()) {
    if (node->count == 0) _Coll_btree_fail("Interior node in search path has no keys");
    node = node->child(node->count);
    if (node == nullptr) _Coll_btree_fail("Interior node index pointer is NULL");
  }
  return node;
}

void dv_btree::findNextKey(_Coll_btree_node*& node, unsigned& index, int from_start) const {
  if (!node->is_leaf()) _Coll_btree_fail("findNextKey() called on an interior node");
  unsigned i = from_start ? 0 : index + 1;
  while (node != nullptr && i >= node->count) {
    node = next_leaf(node, max_keys_);
    i = 0;
  }
  index = i;
}

void dv_btree::findPrevKey(_Coll_btree_node*& node, unsigned& index, int from_end) const {
  if (!node->is_leaf()) _Coll_btree_fail("findPrevKey() called on a interior node");
  const int i = from_end ? static_cast<int>(node->count) - 1 : static_cast<int>(index) - 1;
  if (i >= 0) {
    index = static_cast<unsigned>(i);
    return;
  }
  _Coll_btree_node* previous = node->previous.resolve();
  node = previous;
  if (previous == nullptr) return;
  if (previous->count == 0) _Coll_btree_fail("Empty node found during traversal");
  index = previous->count - 1;
}

int dv_btree::satisfies(int r, int restriction) {
  switch (restriction) {
    case 0: return r == 0;
    case 1: return r > 0;
    case 2: return r >= 0;
    case -1: return r < 0;
    case -2: return r <= 0;
    case 100: return r != 0;
    case 200: return 1;
    default: return 0;
  }
}

namespace {

bool known_restriction(int r) { return r == -2 || r == -1 || r == 0 || r == 1 || r == 2 || r == 100 || r == 200; }

}  // namespace

int dv_btree::findFirst(const _Coll_btree_stackvars& sv, int restriction, const void* key, unsigned& index,
                        _Coll_btree_node*& node) const {
  if (!known_restriction(restriction)) dv_coll_raise<coll_msg::btree_find_first_restriction>();
  node = nullptr;
  index = 0;
  int found = 0;
  switch (restriction) {
    case 200:
    case -1:
    case -2:
    case 100:
      node = getLowNode();
      findNextKey(node, index, 1);
      if (node == nullptr || restriction == 200) break;
      {
        const int c = -compare(sv, key, key_at(node, index));  // the key found against the bound
        if (restriction == 100) {
          if (c == 0) findNextKey(node, index, 0);
        } else if (!satisfies(c, restriction)) {
          node = nullptr;
        }
      }
      break;
    case 0: {
      _Coll_btree_node* leaf = findNode(sv, key, 0);
      const unsigned p = search_node(sv, leaf, key, found);
      if (found) {
        node = leaf;
        index = p;
      }
      break;
    }
    default: {  // 1 and 2: the first key above (at least) the bound
      node = findNode(sv, key, 0);
      unsigned p = search_node(sv, node, key, found);
      if (found && restriction == 1) ++p;
      index = p;
      while (node != nullptr && index >= node->count) {
        node = next_leaf(node, max_keys_);
        index = 0;
      }
      break;
    }
  }
  return node != nullptr;
}

int dv_btree::findLast(const _Coll_btree_stackvars& sv, int restriction, const void* key, unsigned& index,
                       _Coll_btree_node*& node) const {
  if (!known_restriction(restriction)) dv_coll_raise<coll_msg::btree_find_last_restriction>();
  node = nullptr;
  index = 0;
  int found = 0;
  switch (restriction) {
    case 200:
    case 1:
    case 2:
    case 100:
      node = getHighNode();
      findPrevKey(node, index, 1);
      if (node == nullptr || restriction == 200) break;
      {
        const int c = -compare(sv, key, key_at(node, index));
        if (restriction == 100) {
          if (c == 0) findPrevKey(node, index, 0);
        } else if (!satisfies(c, restriction)) {
          node = nullptr;
        }
      }
      break;
    case 0:
      return findFirst(sv, 0, key, index, node);
    default: {  // -1 and -2: the key before the first key at or above (above) the bound
      node = findNode(sv, key, 0);
      unsigned p = search_node(sv, node, key, found);
      if (found && restriction == -2) ++p;
      index = p;
      findPrevKey(node, index, 0);
      break;
    }
  }
  return node != nullptr;
}

// ---- look-ups ---------------------------------------------------------------------------------------

void* dv_btree::__pick(int restriction, const void* key, unsigned& found) const {
  _Coll_btree_prepared_key prepared(*this, key);
  _Coll_btree_stackvars sv(*this);
  _Coll_btree_node* node = nullptr;
  unsigned index = 0;
  found = findFirst(sv, restriction, prepared.get(), index, node) ? 1 : 0;
  return found ? entry_first(node->entry(index)) : nullptr;
}

void* dv_btree::__pick(int low_restriction, const void* low, int high_restriction, const void* high,
                       unsigned& found) const {
  _Coll_btree_prepared_key low_key(*this, low);
  _Coll_btree_prepared_key high_key(*this, high);
  _Coll_btree_stackvars sv(*this);
  _Coll_btree_node* node = nullptr;
  unsigned index = 0;
  found = 0;
  if (!findFirst(sv, low_restriction, low_key.get(), index, node)) return nullptr;
  if (!satisfies(-compare(sv, high_key.get(), key_at(node, index)), high_restriction)) return nullptr;
  found = 1;
  return entry_first(node->entry(index));
}

void* dv_btree::__pick(unsigned& found) const {
  _Coll_btree_node* low = getLowNode();
  found = low->count != 0 ? 1 : 0;
  return found ? entry_first(low->entry(0)) : nullptr;
}

int dv_btree::__contains(const void* element, const void* key) const {
  _Coll_btree_prepared_key prepared(*this, key);
  _Coll_btree_stackvars sv(*this);
  _Coll_btree_node* node = nullptr;
  unsigned index = 0;
  if (!findFirst(sv, 0, prepared.get(), index, node)) return 0;
  const _Coll_btree_node_index_entry& e = node->entry(index);
  if ((e.flags & _Coll_btree_node_index_entry::overflow_bit) == 0) return e.target.resolve() == element;
  return static_cast<_Coll_btree_overflow*>(e.target.resolve())->list.resolve()->_contains(element) ? 1 : 0;
}

int dv_btree::__count(const void* key, const void*) const {
  _Coll_btree_prepared_key prepared(*this, key);
  _Coll_btree_stackvars sv(*this);
  _Coll_btree_node* node = nullptr;
  unsigned index = 0;
  if (!findFirst(sv, 0, prepared.get(), index, node)) return 0;
  return static_cast<int>(entry_count(node->entry(index)));
}

unsigned dv_btree::_cardinality() const {
  unsigned n = 0;
  for (_Coll_btree_node* leaf = getLowNode(); leaf != nullptr; leaf = next_leaf(leaf, max_keys_))
    for (unsigned i = 0; i < leaf->count; ++i) n += entry_count(leaf->entry(i));
  return n;
}

int dv_btree::_empty() const { return getLowNode()->count == 0; }

unsigned dv_btree::_update_cardinality() {
  estimate_ = _cardinality();
  return estimate_;
}

void* dv_btree::_only() const {
  // Decided from the tree: exactly one key holding exactly one element.
  const _Coll_btree_node* low = getLowNode();
  if (low->count != 1 || next_leaf(low, max_keys_) != nullptr || entry_count(low->entry(0)) != 1)
    dv_coll_raise<coll_msg::btree_only_not_singleton>();
  return entry_first(low->entry(0));
}

}  // namespace dv_qem
