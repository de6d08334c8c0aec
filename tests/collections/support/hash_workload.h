// A seeded random workload for hash sets and bags against a model: insert,
// remove, lookup, walk, and removal through a cursor, over a pool of
// persistent elements whose values are their pool indices. Each step is
// drawn from the seed alone (never from the hash's iteration order), so a
// second process can replay the model without the hash and compare.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "dv_cursor.h"
#include "dv_dyn_hash.h"
#include "dv_new.h"

namespace dv_test {

class hash_workload {
 public:
  // pool: pool_size persistent ints (value = index); hash: a dv_set or
  // dv_bag (or null to drive the model alone).
  hash_workload(unsigned seed, void* const* pool, unsigned pool_size, dv_qem::_Rhash* hash, bool bag)
      : rng_(seed), pool_(pool), pool_size_(pool_size), hash_(hash), bag_(bag) {}

  // One step; the phase (growing, mixed, shrinking) follows the step number.
  void step(unsigned n) {
    static constexpr unsigned insert_percent[4] = {80, 50, 20, 50};
    const unsigned phase = (n / 2500) % 4;
    const unsigned roll = rng_() % 1000;
    const unsigned idx = rng_() % pool_size_;
    touched_ = idx;
    if (roll < 4) {
      remove_through_cursor(rng_() % 32 + 8, rng_() % 32);
    } else if (roll < 30) {
      walk_and_compare();
    } else if (rng_() % 100 < insert_percent[phase]) {
      if (!bag_ && model_.count(idx) != 0) return lookup(idx);
      ++model_[idx];
      ++total_;
      if (hash_ != nullptr) coll().insert(pool_[idx]);
    } else {
      auto it = model_.find(idx);
      int expected = 0;
      if (it != model_.end()) {
        --total_;
        if (--it->second == 0) {
          model_.erase(it);
          expected = 1;
        }
      }
      if (hash_ != nullptr) {
        EXPECT_EQ(coll().remove(pool_[idx]), expected) << "remove " << idx;
      }
    }
  }

  // The check after a step: the structure (directory runs, load limits,
  // counts, every stored element found at its own slot), the cardinality and
  // the count of the element the step touched. check() adds every model
  // element with its count and a walk.
  void check_step() {
    ASSERT_NO_THROW(hash_->check_hash_invariants());
    ASSERT_EQ(coll().cardinality(), total_);
    auto it = model_.find(touched_);
    const int expected = it == model_.end() ? 0 : bag_ ? static_cast<int>(it->second) : 1;
    ASSERT_EQ(coll().count(pool_[touched_]), expected) << "element " << touched_;
  }

  void check() {
    check_step();
    for (const auto& [idx, count] : model_)
      ASSERT_EQ(coll().count(pool_[idx]), bag_ ? static_cast<int>(count) : 1) << "element " << idx;
    walk_and_compare();
  }

  void walk_and_compare() {
    if (hash_ == nullptr) return;
    std::map<unsigned, unsigned> seen;
    dv_qem::dv_cursor c(coll());
    for (void* e = c.first(); c.more(); e = c.next()) ++seen[index_of(e)];
    ASSERT_EQ(seen, model_) << "a walk delivers each element once per occurrence";
  }

  // From now on the steps drive hash as well.
  void attach(dv_qem::_Rhash* hash) { hash_ = hash; }

  const std::map<unsigned, unsigned>& model() const { return model_; }
  unsigned total() const { return total_; }

 private:
  dv_qem::dv_collection& coll() { return *hash_; }
  static unsigned index_of(const void* e) { return static_cast<unsigned>(*static_cast<const int*>(e)); }

  // Walks once, removing (one occurrence of) every element whose index is r
  // modulo m; the walk must still deliver every element once per occurrence.
  void remove_through_cursor(unsigned m, unsigned r) {
    std::map<unsigned, unsigned> before = model_;
    for (auto it = model_.begin(); it != model_.end();) {
      if (it->first % m != r % m) {
        ++it;
        continue;
      }
      --total_;
      if (--it->second == 0)
        it = model_.erase(it);
      else
        ++it;
    }
    if (hash_ == nullptr) return;
    std::map<unsigned, unsigned> seen;
    std::map<unsigned, bool> removed;
    dv_qem::dv_cursor c(coll());
    for (void* e = c.first(); c.more(); e = c.next()) {
      const unsigned idx = index_of(e);
      ++seen[idx];
      if (idx % m == r % m && !removed[idx]) {
        c.remove_at();
        removed[idx] = true;
      }
    }
    ASSERT_EQ(seen, before) << "a walk removing through its cursor skipped or repeated an element";
  }

  void lookup(unsigned idx) {
    if (hash_ != nullptr) {
      EXPECT_TRUE(coll().contains(pool_[idx])) << "lookup " << idx;
    }
  }

  std::mt19937 rng_;
  void* const* pool_;
  unsigned pool_size_;
  dv_qem::_Rhash* hash_;
  bool bag_;
  std::map<unsigned, unsigned> model_;  // pool index -> occurrences
  unsigned total_ = 0;                  // occurrences in all
  unsigned touched_ = 0;                // the pool index of the last step
};

// pool_size persistent ints in db with values 0 .. pool_size-1, and the
// persistent array of their addresses (pointer typespec) that is returned.
inline void** make_pool(dv_qem::dv_database* db, unsigned pool_size) {
  auto** pool = static_cast<void**>(
      ::operator new(pool_size * sizeof(void*), db, dv_qem::dv_typespec::get_pointer(), pool_size));
  for (unsigned i = 0; i < pool_size; ++i) {
    void* e = ::operator new(sizeof(int), db, dv_qem::dv_typespec::get_int());
    *static_cast<int*>(e) = static_cast<int>(i);
    pool[i] = e;
  }
  return pool;
}

}  // namespace dv_test
