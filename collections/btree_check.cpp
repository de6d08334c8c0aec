// The B-tree's self-check: a walk of every node that verifies the order of
// keys within and across nodes, that separators bound their subtrees, the
// parent links, counts and node flags, that no node but the root is empty,
// the leaf chain both ways, overflow lists, the holders of each shared
// variable-length key copy, and then every entry found again by its key.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "btree_internal.h"
#include "dv_array.h"
#include "rhash_messages.h"

namespace dv_qem {

class _Coll_btree_checker {
 public:
  explicit _Coll_btree_checker(const dv_btree& tree) : t_(tree), sv_(tree) {}

  void run() {
    _Coll_btree_node* root = t_.root();
    if (root == nullptr) fail("the tree has no root");
    if (!root->is_root()) fail("the root node %p lacks the root flag", root);
    if (root->parent.resolve() != nullptr) fail("the root node %p has a parent", root);
    if (t_.getMaxKeys() != dv_btree::node_bytes / (t_.stored_key_size() + dv_btree::entry_bytes))
      fail("max keys %u does not fit key size %u", t_.getMaxKeys(), t_.stored_key_size());
    check_node(root, 0, nullptr, nullptr);
    check_chain();
    check_shared_texts();
  }

  unsigned nodes() const { return nodes_; }
  unsigned depth() const { return leaf_depth_ + 1; }

 private:
  template <class... A>
  [[noreturn]] void fail(const char* format, A... args) const {
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    std::string message = std::string("self-check: ") + text;
    _Coll_btree_fail(message.c_str());
  }

  // The key at slot compared with a bound slot: negative, 0 or positive.
  int order(const char* slot, const char* bound) const { return -t_.compare(sv_, t_.search_form(bound), slot); }

  void check_node(_Coll_btree_node* node, unsigned level, const char* low, const char* high) {
    ++nodes_;
    if (level > dv_btree::max_depth) fail("node %p deeper than %u levels", node, dv_btree::max_depth);
    const unsigned max = t_.getMaxKeys();
    if (node->count > max) fail("node %p holds %u keys, more than %u", node, node->count, max);
    if (node != t_.root() && node->count == 0) fail("node %p is empty and not the root", node);
    if (node != t_.root() && node->is_root()) fail("node %p has the root flag", node);
    if (t_.is_var_char_key() != ((node->flags & _Coll_btree_node::var_char_bit) != 0))
      fail("node %p: variable-length key flag %u", node, node->flags);
    if (node->index.resolve()->count != max + 1) fail("node %p: index array of %u entries", node, node->index.resolve()->count);
    for (unsigned i = 0; i < node->count; ++i) {
      const char* key = t_.key_at(node, i);
      note_text(key);
      if (i > 0 && order(key, t_.key_at(node, i - 1)) <= 0) fail("node %p: key %u not above key %u", node, i, i - 1);
      if (low != nullptr && order(key, low) < 0) fail("node %p: key %u below its separator", node, i);
      if (high != nullptr && order(key, high) >= 0) fail("node %p: key %u not below its separator", node, i);
    }
    if (node->is_leaf()) {
      check_leaf(node, level);
      return;
    }
    for (unsigned i = 0; i <= node->count; ++i) {
      _Coll_btree_node* child = node->child(i);
      if (child == nullptr) fail("node %p: child %u is null", node, i);
      if (child->parent.resolve() != node) fail("node %p: child %u names parent %p", node, i, child->parent.resolve());
      check_node(child, level + 1, i == 0 ? low : t_.key_at(node, i - 1), i == node->count ? high : t_.key_at(node, i));
    }
    for (unsigned i = node->count + 1; i <= max; ++i)
      if (node->entry(i).target.resolve() != nullptr) fail("node %p: entry %u past the children is set", node, i);
  }

  void check_leaf(_Coll_btree_node* leaf, unsigned level) {
    if (leaves_.empty())
      leaf_depth_ = level;
    else if (level != leaf_depth_)
      fail("leaf %p at level %u, another at %u", leaf, level, leaf_depth_);
    leaves_.push_back(leaf);
    for (unsigned i = 0; i < leaf->count; ++i) {
      const _Coll_btree_node_index_entry& e = leaf->entry(i);
      if (e.target.resolve() == nullptr) fail("leaf %p: entry %u is null", leaf, i);
      if ((e.flags & _Coll_btree_node_index_entry::overflow_bit) != 0) {
        if (!t_.allow_dups()) fail("leaf %p: entry %u has several elements in a tree without duplicates", leaf, i);
        dv_packed_list* list = static_cast<_Coll_btree_overflow*>(e.target.resolve())->list.resolve();
        if (list == nullptr) fail("leaf %p: entry %u has no overflow list", leaf, i);
        if (list->_cardinality() < 2) fail("leaf %p: overflow list of entry %u holds %u", leaf, i, list->_cardinality());
        if (list->_contains(nullptr)) fail("leaf %p: overflow list of entry %u holds null", leaf, i);
      } else if (e.flags != 0) {
        fail("leaf %p: entry %u flags %u", leaf, i, e.flags);
      }
    }
    for (unsigned i = leaf->count; i < t_.getMaxKeys(); ++i)
      if (leaf->entry(i).target.resolve() != nullptr) fail("leaf %p: entry %u past the keys is set", leaf, i);
  }

  void check_chain() const {
    const unsigned max = t_.getMaxKeys();
    for (std::size_t i = 0; i < leaves_.size(); ++i) {
      _Coll_btree_node* leaf = leaves_[i];
      _Coll_btree_node* previous = i == 0 ? nullptr : leaves_[i - 1];
      _Coll_btree_node* next = i + 1 == leaves_.size() ? nullptr : leaves_[i + 1];
      if (leaf->previous.resolve() != previous) fail("leaf %p: previous link %p, expected %p", leaf, leaf->previous.resolve(), previous);
      if (leaf->entry(max).target.resolve() != next) fail("leaf %p: next link %p, expected %p", leaf, leaf->entry(max).target.resolve(), next);
    }
  }

  void note_text(const char* slot) {
    if (!t_.is_var_char_key()) return;
    const auto* rec = reinterpret_cast<const _Coll_var_char_key*>(slot);
    const _Coll_var_char_overflow* overflow = rec->overflow.resolve();
    if (overflow == nullptr) {
      if (std::memchr(rec->inline_text, 0, sizeof rec->inline_text) == nullptr) fail("inline key text unterminated");
      return;
    }
    ++holders_[overflow];
    const char* text = overflow->text.resolve();
    if (text == nullptr || std::strlen(text) < _Coll_var_char_key::inline_bytes - 1 ||
        std::strncmp(text, rec->inline_text, _Coll_var_char_key::inline_bytes - 1) != 0 ||
        rec->inline_text[_Coll_var_char_key::inline_bytes - 1] != '\0')
      fail("key copy %p does not match its inline head", overflow);
  }

  void check_shared_texts() const {
    for (const auto& [overflow, held] : holders_)
      if (overflow->references != held) fail("key copy %p counts %u holders, %u hold it", overflow, overflow->references, held);
  }

  const dv_btree& t_;
  _Coll_btree_stackvars sv_;
  unsigned nodes_ = 0;
  unsigned leaf_depth_ = 0;
  std::vector<_Coll_btree_node*> leaves_;
  std::map<const _Coll_var_char_overflow*, unsigned> holders_;
};

void dv_btree::check_tree() const { _Coll_btree_checker(*this).run(); }

unsigned dv_btree::node_count() const {
  _Coll_btree_checker checker(*this);
  checker.run();
  return checker.nodes();
}

unsigned dv_btree::depth() const {
  _Coll_btree_checker checker(*this);
  checker.run();
  return checker.depth();
}

void dv_btree::_check_rep_invariants() const {
  check_tree();
  // Every entry is found again by its key, passed as key arguments are (the
  // address of the pointer for C-string and "dv_pvoid" keys).
  dv_dictionary_cursor& c = __iteration_start(0);
  const bool by_address = is_var_char_key() || is_pvoid_key();
  try {
    void* v = nullptr;
    for (int more = __first(c, v); more; more = __next(c, v)) {
      void* key = __retrieve_key(c);
      if (!__contains(v, by_address ? static_cast<const void*>(&key) : key))
        dv_coll_raise<rhash_msg::verification_failed>();
    }
  } catch (...) {
    __iteration_end(c);
    throw;
  }
  __iteration_end(c);
}

}  // namespace dv_qem
