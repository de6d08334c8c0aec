// Support of the persistent collections' model tests: a database holding the
// collection under test and an anchor array of 64 ints under roots, reopened
// on demand (saved, closed, opened again; the roots are found again), and
// the kinds of element the models compare: texts, numbers and pointers into
// the anchor (compared as anchor indexes, -1 for null, so that they survive
// the database moving).
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "dv_database_root.h"
#include "qem_db_test.h"
#include "qem_string.h"

namespace dv_test {

constexpr int kAnchorSize = 64;

// Its members are public: the model runs are templates outside the fixture.
class qem_model_test : public qem_db_test {
 public:
  void SetUp() override {
    db_ = dv_qem::dv_database::create(path("model.db").c_str(), 0644, 1, 0);
    anchor_ = static_cast<int*>(::operator new(sizeof(int) * kAnchorSize, db_, dv_qem::dv_typespec::get_int(),
                                               kAnchorSize));
    db_->create_root("anchor")->set_value(anchor_, nullptr);
  }
  void TearDown() override {
    if (dv_qem::dv_database::is_open(db_)) db_->close();
  }

  // Stores the collection under the root "model".
  void keep(const void* collection) { db_->create_root("model")->set_value(collection, nullptr); }

  // Saves, closes and opens the database again; answers the collection.
  template <class T>
  T* reopen() {
    db_->self_check();
    db_->save();
    db_->close();
    db_ = dv_qem::dv_database::open(path("model.db").c_str(), 0, 0, 0);
    anchor_ = static_cast<int*>(db_->find_root("anchor")->get_value(nullptr));
    return static_cast<T*>(db_->find_root("model")->get_value(nullptr));
  }

  dv_qem::dv_database* db_ = nullptr;
  int* anchor_ = nullptr;
};

// Element kinds: a model value, its random choice, the argument handed to
// the collection and the model value read back from an element.
struct text_kind {
  typedef std::string model;
  static model random(std::mt19937& rng) {
    static const char* const words[] = {"", "a", "bb", "text", "a longer text of words", "Z", "mixed Case", "tail"};
    return words[std::uniform_int_distribution<int>(0, 7)(rng)];
  }
  static LPCTSTR arg(const model& m, int*) { return m.c_str(); }
  static model read(const CQEMString& s, const int*) { return std::string(s, s.GetLength()); }
  static model empty() { return ""; }
};

struct dword_kind {
  typedef DWORD model;
  static model random(std::mt19937& rng) { return std::uniform_int_distribution<DWORD>(0, 0xFFFFFFFFu)(rng); }
  static DWORD arg(model m, int*) { return m; }
  static model read(DWORD d, const int*) { return d; }
  static model empty() { return 0; }
};

struct word_kind {
  typedef WORD model;
  static model random(std::mt19937& rng) { return static_cast<WORD>(std::uniform_int_distribution<int>(0, 600)(rng)); }
  static WORD arg(model m, int*) { return m; }
  static model read(WORD w, const int*) { return w; }
  static model empty() { return 0; }
};

struct pointer_kind {
  typedef int model;  // anchor index, -1 for null
  static model random(std::mt19937& rng) { return std::uniform_int_distribution<int>(-1, kAnchorSize - 1)(rng); }
  static void* arg(model m, int* anchor) { return m < 0 ? nullptr : anchor + m; }
  static model read(const void* p, const int* anchor) {
    return p == nullptr ? -1 : static_cast<int>(static_cast<const int*>(p) - anchor);
  }
  static model empty() { return -1; }
};

}  // namespace dv_test
