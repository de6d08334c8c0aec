// Guards the persistent arrays against a std::vector model: seeded random
// adds, sets, inserts (of elements and of whole arrays), removals, resizes,
// growth by index, trimming and appends on a string, a number and a pointer
// array in a database, compared element by element after every step, the
// database checked every so often, and compared again after the database is
// reopened (half-way and at the end). DV_TEST_SEED replays one run.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "dv_test_seed.h"
#include "qem_collections.h"
#include "qem_model.h"

namespace {

template <class ARRAY, class KIND>
struct ArrayRun {
  dv_test::qem_model_test& test;
  ARRAY* array;
  std::vector<typename KIND::model> model;
  std::mt19937 rng;

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  typename KIND::model value() { return KIND::random(rng); }
  auto arg(const typename KIND::model& m) { return KIND::arg(m, test.anchor_); }

  void compare() {
    ASSERT_EQ(array->GetSize(), static_cast<int>(model.size()));
    ASSERT_EQ(array->GetUpperBound(), static_cast<int>(model.size()) - 1);
    for (int i = 0; i < array->GetSize(); ++i) ASSERT_EQ(KIND::read(array->GetAt(i), test.anchor_), model[i]) << "at " << i;
  }

  void step() {
    int size = static_cast<int>(model.size());
    int op = pick(size > 120 ? 4 : 10);
    if (size > 120) op = op < 2 ? 3 : 4;  // shrink: removals and resizes
    switch (op) {
      case 0: {
        auto v = value();
        ASSERT_EQ(array->Add(arg(v)), size);
        model.push_back(v);
        break;
      }
      case 1:
        if (size > 0) {
          int i = pick(size);
          auto v = value();
          if (pick(2) == 0) array->SetAt(i, arg(v));
          else array->ElementAt(i) = arg(v);
          model[i] = v;
        }
        break;
      case 2: {
        int i = pick(size + 1);
        int n = 1 + pick(3);
        auto v = value();
        array->InsertAt(i, arg(v), n);
        model.insert(model.begin() + i, n, v);
        break;
      }
      case 3:
        if (size > 0) {
          int i = pick(size);
          int n = 1 + pick(std::min(4, size - i));
          array->RemoveAt(i, n);
          model.erase(model.begin() + i, model.begin() + i + n);
        }
        break;
      case 4: {
        int n = pick(size + 6);
        if (size > 120) n = pick(60);
        array->SetSize(n, pick(3) == 0 ? pick(5) : -1);
        model.resize(n, KIND::empty());
        break;
      }
      case 5: {
        int i = pick(size + 4);
        auto v = value();
        array->SetAtGrow(i, arg(v));
        if (i >= size) model.resize(i + 1, KIND::empty());
        model[i] = v;
        break;
      }
      case 6:
        array->FreeExtra();
        break;
      case 7:
        if (size < 40) {
          array->Append(*array);
          std::vector<typename KIND::model> copy = model;
          model.insert(model.end(), copy.begin(), copy.end());
        }
        break;
      case 8:
        if (size > 0 && size < 40) {
          int i = pick(size + 1);
          ARRAY other;
          other.Copy(*array);
          array->InsertAt(i, &other);
          std::vector<typename KIND::model> copy = model;
          model.insert(model.begin() + i, copy.begin(), copy.end());
        }
        break;
      case 9:
        if (pick(20) == 0) {
          array->RemoveAll();
          model.clear();
        }
        break;
    }
  }
};

template <class ARRAY, class KIND>
void run_model(dv_test::qem_model_test& test) {
  dv_test::run_collection_model(test, &ArrayRun<ARRAY, KIND>::array, [&](int) {
    return new (test.db_, &dv_qem::dv_ts<ARRAY>::the_instance) ARRAY;
  });
}

class QemArrayModel : public dv_test::qem_model_test {};

TEST_F(QemArrayModel, StringArrayMatchesAVector) { run_model<CQEMStringArray, dv_test::text_kind>(*this); }
TEST_F(QemArrayModel, DWordArrayMatchesAVector) { run_model<CQEMDWordArray, dv_test::dword_kind>(*this); }
TEST_F(QemArrayModel, PtrArrayMatchesAVector) { run_model<CQEMPtrArray, dv_test::pointer_kind>(*this); }

}  // namespace
