// Guards the persistent lists against a std::vector model: seeded random
// additions at both ends, insertions before and after a position, removals
// at both ends and at a position, replacements, searches by value and
// index, appends of framework lists and emptying, on a string and a pointer
// list in a database, walked forwards and backwards after every step, the
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

template <class LIST, class FRAMEWORK, class KIND>
struct ListRun {
  dv_test::qem_model_test& test;
  LIST* list;
  std::vector<typename KIND::model> model;
  std::mt19937 rng;

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  typename KIND::model value() { return KIND::random(rng); }
  auto arg(const typename KIND::model& m) { return KIND::arg(m, test.anchor_); }
  typename KIND::model read(POSITION p) { return KIND::read(list->GetAt(p), test.anchor_); }

  void compare() {
    ASSERT_EQ(list->GetCount(), static_cast<int>(model.size()));
    ASSERT_EQ(list->IsEmpty() != 0, model.empty());
    POSITION p = list->GetHeadPosition();
    for (size_t i = 0; i < model.size(); ++i) {
      ASSERT_NE(p, nullptr) << "forwards at " << i;
      ASSERT_EQ(KIND::read(list->GetNext(p), test.anchor_), model[i]) << "forwards at " << i;
    }
    ASSERT_EQ(p, nullptr);
    p = list->GetTailPosition();
    for (size_t i = model.size(); i-- > 0;) {
      ASSERT_NE(p, nullptr) << "backwards at " << i;
      ASSERT_EQ(KIND::read(list->GetPrev(p), test.anchor_), model[i]) << "backwards at " << i;
    }
    ASSERT_EQ(p, nullptr);
  }

  void step() {
    int size = static_cast<int>(model.size());
    int op = pick(size > 100 ? 3 : 12);
    if (size > 100) op = 2 + op;  // shrink: removals at the ends and at a position
    switch (op) {
      case 0: {
        auto v = value();
        list->AddHead(arg(v));
        model.insert(model.begin(), v);
        break;
      }
      case 1: {
        auto v = value();
        list->AddTail(arg(v));
        model.push_back(v);
        break;
      }
      case 2:
        if (size > 0) {
          ASSERT_EQ(KIND::read(list->RemoveHead(), test.anchor_), model.front());
          model.erase(model.begin());
        }
        break;
      case 3:
        if (size > 0) {
          ASSERT_EQ(KIND::read(list->RemoveTail(), test.anchor_), model.back());
          model.pop_back();
        }
        break;
      case 4:
        if (size > 0) {
          int i = pick(size);
          list->RemoveAt(list->FindIndex(i));
          model.erase(model.begin() + i);
        }
        break;
      case 5: {
        int i = pick(size + 1);
        auto v = value();
        POSITION at = list->InsertBefore(list->FindIndex(i), arg(v));  // null past the end: at the head
        int where = i == size ? 0 : i;
        model.insert(model.begin() + where, v);
        ASSERT_EQ(read(at), v);
        break;
      }
      case 6: {
        int i = pick(size + 1);
        auto v = value();
        POSITION at = list->InsertAfter(list->FindIndex(i), arg(v));  // null past the end: at the tail
        int where = i == size ? size : i + 1;
        model.insert(model.begin() + where, v);
        ASSERT_EQ(read(at), v);
        break;
      }
      case 7:
        if (size > 0) {
          int i = pick(size);
          auto v = value();
          list->SetAt(list->FindIndex(i), arg(v));
          model[i] = v;
        }
        break;
      case 8: {
        auto v = value();
        POSITION found = list->Find(arg(v));
        auto hit = std::find(model.begin(), model.end(), v);
        if (hit == model.end()) {
          ASSERT_EQ(found, nullptr);
        } else {
          ASSERT_EQ(found, list->FindIndex(static_cast<int>(hit - model.begin())));
        }
        break;
      }
      case 9:
        ASSERT_EQ(list->FindIndex(size), nullptr);
        ASSERT_EQ(list->FindIndex(-1), nullptr);
        break;
      case 10:
        if (size < 60) {
          FRAMEWORK other;
          auto v = value(), w = value();
          other.AddTail(arg(v));
          other.AddTail(arg(w));
          if (pick(2) == 0) {
            list->AddTail(&other);
            model.push_back(v);
            model.push_back(w);
          } else {
            list->AddHead(&other);
            model.insert(model.begin(), {v, w});
          }
        }
        break;
      case 11:
        if (pick(15) == 0) {
          list->RemoveAll();
          model.clear();
        }
        break;
    }
  }
};

template <class LIST, class FRAMEWORK, class KIND>
void run_model(dv_test::qem_model_test& test) {
  dv_test::run_collection_model(test, &ListRun<LIST, FRAMEWORK, KIND>::list, [&](int s) {
    return new (test.db_, &dv_qem::dv_ts<LIST>::the_instance) LIST(1 + s * 6);
  });
}

class QemListModel : public dv_test::qem_model_test {};

TEST_F(QemListModel, StringListMatchesAVector) { run_model<CQEMStringList, CStringList, dv_test::text_kind>(*this); }
TEST_F(QemListModel, PtrListMatchesAVector) { run_model<CQEMPtrList, CPtrList, dv_test::pointer_kind>(*this); }

}  // namespace
