// A representation for tests only: elements in a std::vector, in insertion
// order, with the behaviour word it was made with (duplicates refused unless
// allow_duplicates). Its cursor position is the cursor's index field. It lets
// the tests drive facades and cursors end to end before the real
// representations exist. Its _fast_count answer is a field (1, as a bag's,
// unless a test sets 0). Optional hooks count destructions and live cursors
// and make cursor steps fail.
#pragma once

#include <algorithm>
#include <functional>
#include <vector>

#include "coll_messages.h"
#include "dv_coll_rep_registry.h"
#include "dv_collection.h"
#include "dv_cursor.h"

namespace dv_test {

using namespace dv_qem;

// Owned by a tracked cursor through the dictionary-cursor slot (state A),
// which the cursor deletes when it is unbound.
class cursor_tracker : public dv_dictionary_cursor {
 public:
  static void attach(dv_cursor& c);
  ~cursor_tracker() override;
  void restrict(int, const void*, int, const void*) override {}
  void restrict(int, const void*) override {}
  void unrestrict() override {}
  void remember(_dv_cursor_holder&) override {}
  void restore(const _dv_cursor_holder&) override {}

 private:
  cursor_tracker() = default;
};

class vector_rep : public dv_collection {
 public:
  explicit vector_rep(unsigned behavior) : behavior_(behavior) {
    if (alive != nullptr) ++*alive;
  }
  explicit vector_rep(dv_probe_t) {}
  ~vector_rep() override {
    if (destroyed != nullptr) ++*destroyed;
    if (alive != nullptr) --*alive;
  }

  // Counts destructions of every vector_rep while set.
  static inline int* destroyed = nullptr;
  // While set, counts vector_reps made by the behaviour constructor less
  // those destroyed.
  static inline int* alive = nullptr;
  // Called before each cursor step; may throw.
  static inline std::function<void()> before_step;
  // While set, counts the default cursors bound to any vector_rep that are
  // not yet unbound (each such cursor owns a tracker that unbinding deletes).
  static inline int* live_cursors = nullptr;

  std::vector<const void*> items;
  int fast_count = 1;  // what _fast_count answers

  void* _pick() const override { return at(0); }
  void* _only() const override { return at(0); }
  void _insert(const void* e) override {
    if ((behavior_ & dv_allow_duplicates) == 0 && _contains(e)) return;
    items.push_back(e);
  }
  int _remove(const void* e) override {
    auto it = std::find(items.begin(), items.end(), e);
    if (it == items.end()) return 0;
    items.erase(it);
    return 1;
  }
  void _insert_first(const void* e) override { items.insert(items.begin(), e); }
  void _insert_last(const void* e) override { items.push_back(e); }
  int _remove_first(const void*& out) override {
    if (items.empty()) return 0;
    out = items.front();
    items.erase(items.begin());
    return 1;
  }
  int _remove_last(const void*& out) override {
    if (items.empty()) return 0;
    out = items.back();
    items.pop_back();
    return 1;
  }
  int _retrieve_first(const void*& out) const override {
    if (items.empty()) return 0;
    out = items.front();
    return 1;
  }
  int _retrieve_last(const void*& out) const override {
    if (items.empty()) return 0;
    out = items.back();
    return 1;
  }
  void* _retrieve(unsigned position) const override { return at(position); }
  void* _retrieve(const dv_cursor& c) const override {
    if (c.null()) dv_coll_raise<coll_msg::retrieve_null_cursor>();
    if (c.at_deleted_element()) dv_coll_raise<coll_msg::retrieve_deletd_element>();
    return at(c.current_index());
  }
  void _insert_after(const void* e, unsigned position) override { items.insert(items.begin() + position + 1, e); }
  void _insert_after(const void* e, const dv_cursor& c) override {
    if (c.null()) dv_coll_raise<coll_msg::insert_after_null_cursor>();
    _insert_after(e, c.current_index());
  }
  void _insert_before(const void* e, unsigned position) override { items.insert(items.begin() + position, e); }
  void _insert_before(const void* e, const dv_cursor& c) override {
    if (c.null()) dv_coll_raise<coll_msg::insert_before_null_cursor>();
    _insert_before(e, c.current_index());
    const_cast<dv_cursor&>(c).set_current_index(c.current_index() + 1);
  }
  void _remove_at(unsigned position) override { items.erase(items.begin() + position); }
  void _remove_at(const dv_cursor& c) override {
    if (c.null()) dv_coll_raise<coll_msg::remove_at_null_cursor>();
    if (c.at_deleted_element()) dv_coll_raise<coll_msg::remove_at_deleted_element>();
    _remove_at(c.current_index());
    const_cast<dv_cursor&>(c).set_at_deleted_element(1);
  }
  void* _replace_at(const void* e, unsigned position) override {
    void* old = at(position);
    items[position] = e;
    return old;
  }
  void* _replace_at(const void* e, const dv_cursor& c) override { return _replace_at(e, c.current_index()); }
  int _contains(const void* e) const override { return std::find(items.begin(), items.end(), e) != items.end(); }
  int _count(const void* e) const override { return static_cast<int>(std::count(items.begin(), items.end(), e)); }
  int _first(dv_cursor& c, void*& out) const override {
    if (live_cursors != nullptr && c.default_cursor() && c.state_a() == nullptr) cursor_tracker::attach(c);
    return stand(c, 0, out);
  }
  int _last(dv_cursor& c, void*& out) const override {
    return items.empty() ? stand(c, 0, out) : stand(c, static_cast<unsigned>(items.size() - 1), out);
  }
  int _next(dv_cursor& c, void*& out) const override {
    step();
    if (c.at_deleted_element()) return stand(c, c.current_index(), out);  // the next one moved up
    return stand(c, c.current_index() + (c.more() ? 1 : 0), out);
  }
  int _previous(dv_cursor& c, void*& out) const override {
    step();
    if (c.current_index() == 0) return stand(c, static_cast<unsigned>(items.size()), out);
    return stand(c, c.current_index() - 1, out);
  }
  unsigned _cardinality() const override { return static_cast<unsigned>(items.size()); }
  int _empty() const override { return items.empty(); }
  _Indexes*& indexes() override { return indexes_; }
  void _clear() override { items.clear(); }
  unsigned _get_behavior() const override { return behavior_; }
  int _fast_count() const override { return fast_count; }
  char* _rep_name() const override { return const_cast<char*>("test_vector"); }
  int _rep_enum() const override { return 99; }
  void _check_rep_invariants() const override {}

  // Makes a vector_rep in any placement (registered for the kinds of a test).
  static dv_collection* make(const _Coll_placement& where, unsigned, unsigned behavior, unsigned initial_count,
                             const void* fill);

 private:
  void* at(unsigned i) const { return i < items.size() ? const_cast<void*>(items[i]) : nullptr; }
  static void step() {
    if (before_step) before_step();
  }
  int stand(dv_cursor& c, unsigned i, void*& out) const {
    c.set_at_deleted_element(0);
    c.set_current_index(i);
    if (i >= items.size()) return 0;
    out = const_cast<void*>(items[i]);
    return 1;
  }

  unsigned behavior_ = 0;
  _Indexes* indexes_ = nullptr;
};

// Registers vector_rep for the kinds listed while in scope, then puts back
// what was there.
class vector_rep_kinds {
 public:
  explicit vector_rep_kinds(std::initializer_list<_Coll_kind> kinds) {
    for (_Coll_kind k : kinds) saved_.push_back({k, _Coll_register_rep(k, &vector_rep::make)});
  }
  ~vector_rep_kinds() {
    for (auto& [k, maker] : saved_) _Coll_register_rep(k, maker);
  }

 private:
  std::vector<std::pair<_Coll_kind, _Coll_rep_maker>> saved_;
};

}  // namespace dv_test
