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
#include "dv_test_seed.h"
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

// The model test of one persistent collection type C: two seeded runs of
// 1500 steps. A run is a Run {test, collection, model, rng} whose member
// held is the collection (made by make(run number) in the test's database,
// kept under the root "model"); step() changes collection and model alike
// and compare() checks them, after every step, with the database's
// self-check every 250 steps and a reopening halfway and at the end. The
// collection and its root go at the end of each run.
template <class C, class Run, class Make>
void run_collection_model(qem_model_test& test, C* Run::*held, Make make) {
  constexpr int kSeeds = 2;
  constexpr int kSteps = 1500;
  constexpr int kCheckEvery = 250;
  for (int s = 0; s < kSeeds; ++s) {
    unsigned seed = dv_test::seed();
    SCOPED_TRACE(testing::Message() << "seed " << seed << " (DV_TEST_SEED replays it)");
    C* collection = make(s);
    test.keep(collection);
    Run run{test, collection, {}, std::mt19937(seed)};
    for (int i = 0; i < kSteps; ++i) {
      ASSERT_NO_FATAL_FAILURE(run.step()) << "step " << i;
      ASSERT_NO_FATAL_FAILURE(run.compare()) << "step " << i;
      if (i % kCheckEvery == 0) test.db_->self_check();
      if (i == kSteps / 2) {
        run.*held = test.template reopen<C>();
        ASSERT_NO_FATAL_FAILURE(run.compare()) << "after reopening";
      }
    }
    run.*held = test.template reopen<C>();
    ASSERT_NO_FATAL_FAILURE(run.compare()) << "after reopening at the end";
    delete (run.*held);
    dv_qem::dv_database_root::destroy(test.db_->find_root("model"));
    test.db_->self_check();
  }
}

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
