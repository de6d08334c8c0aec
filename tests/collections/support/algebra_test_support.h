// Support of the set-algebra tests: a pool of six element objects named by
// letters 'a'..'f' (in ascending addresses), collections of named kinds made
// from letter strings, and a collection read back as letters in walk order.
// Lists and arrays go where the test says (a database or the transient one);
// the unordered test kinds are vector_reps, which are registered for the bag
// and set kinds while the support lives, so results of those kinds are
// vector_reps too.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dv_coll_rep_registry.h"
#include "dv_collection.h"
#include "dv_cursor.h"
#include "dv_database.h"
#include "dv_new.h"
#include "vector_rep.h"

namespace dv_test {

using namespace dv_qem;

constexpr int algebra_pool_size = 6;

// Collection kinds by name:
//   "list"  dv_list that keeps duplicates (0x12)    "ulist" dv_list refusing duplicates (0x10010)
//   "array" dv_array (0x1a)
//   "bag"   vector_rep, duplicates, _fast_count 1   "set"   vector_rep, no duplicates, _fast_count 1
//   "slowbag" vector_rep, duplicates, _fast_count 0 "olist" vector_rep kept in order (0x12), _fast_count 1
class algebra_support {
 public:
  // Lists and arrays go in db; the element objects too (in static storage
  // when db is the transient database).
  explicit algebra_support(dv_database* db) : db_(db) {
    if (db == dv_database::get_transient_database()) {
      elements_ = static_elements();
    } else {
      elements_ = static_cast<int*>(::operator new(sizeof(int) * algebra_pool_size, db, dv_typespec::get_int(),
                                                   algebra_pool_size));
    }
  }
  algebra_support(const algebra_support&) = delete;
  algebra_support& operator=(const algebra_support&) = delete;
  ~algebra_support() { destroy_made(); }

  // Destroys every collection made or adopted so far.
  void destroy_made() {
    for (dv_collection* c : made_) dv_collection::destroy(*c);
    made_.clear();
  }

  // The element of a letter ('a'..'f').
  const void* element(char letter) const { return &elements_[letter - 'a']; }

  // A new collection of the kind holding the letters in order; destroyed
  // with the support.
  dv_collection& make(const std::string& kind, const std::string& letters) {
    dv_collection& c = make_empty(kind);
    for (char l : letters) c.insert(element(l));
    made_.push_back(&c);
    return c;
  }

  // Takes a collection (an operator's result) to destroy with the support.
  dv_collection& adopt(dv_collection& c) {
    made_.push_back(&c);
    return c;
  }

  // The elements in walk order as letters ('?' for an address outside the
  // pool, '0' for null).
  std::string letters(const dv_collection& c) const {
    std::string out;
    dv_cursor cursor(c);
    void* e = nullptr;
    for (int more = cursor.first(e); more; more = cursor.next(e)) out += letter(e);
    return out;
  }

  char letter(const void* e) const {
    if (e == nullptr) return '0';
    for (int i = 0; i < algebra_pool_size; ++i)
      if (e == &elements_[i]) return static_cast<char>('a' + i);
    return '?';
  }

  dv_database* database() const { return db_; }

 private:
  static int* static_elements() {
    static int objects[algebra_pool_size];
    return objects;
  }

  dv_collection& make_empty(const std::string& kind) {
    if (kind == "list") return dv_collection::create(db_, 0x12, 0);
    if (kind == "ulist") return dv_collection::create(db_, 0x10010, 0);
    if (kind == "array") return dv_collection::create(db_, 0x1a, 0);
    unsigned behavior = kind == "set" ? 0u : kind == "olist" ? 0x12u : 0x2u;
    auto& rep = static_cast<vector_rep&>(
        *vector_rep::make(_Coll_placement::in(dv_database::get_transient_database()), 0, behavior, 0, nullptr));
    if (kind == "slowbag") rep.fast_count = 0;
    else if (kind != "bag" && kind != "set" && kind != "olist") ADD_FAILURE() << "no collection kind " << kind;
    return rep;
  }

  vector_rep_kinds kinds_{_Coll_kind::bag, _Coll_kind::set};
  dv_database* db_;
  int* elements_;
  std::vector<dv_collection*> made_;
};

// The letters sorted: the content of a collection whatever its order.
inline std::string sorted(std::string s) {
  std::sort(s.begin(), s.end());
  return s;
}

}  // namespace dv_test
