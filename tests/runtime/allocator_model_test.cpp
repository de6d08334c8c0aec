// Model test of the persistent allocator: seeded random allocations (small,
// page-sized and multi-page objects of several types, arrays with and
// without vector headers, near hints, in both groups) and frees, checked
// against an in-memory model: every object keeps its type, count and
// payload, pointers between objects stay as set, and the allocator's
// self-check passes after every step. The image is then moved to another
// address and opened there: every page is read and relocated, and every
// object, pointer and virtual table is checked again before the run goes on
// in the moved database. The seed is printed with any failure; set
// DV_TEST_SEED to replay one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "alloc_test_db.h"

using namespace dv_qem;
using alloc_test::test_db;

namespace {

struct Node {
  int id;
  Node* next;
  unsigned char* data;
  int payload[5];
};

class Widget {
 public:
  Widget() = default;
  explicit Widget(dv_probe_t) {}
  virtual ~Widget() = default;
  virtual int kind() const { return 7; }
  Widget* peer = nullptr;
  int id = 0;
};

struct Plain {
  int words[10];
};

}  // namespace

DV_DEFINE_TYPESPEC(Node, "ModelNode", DV_POINTERS(offsetof(Node, next), offsetof(Node, data)), DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Widget, "ModelWidget", DV_POINTERS(sizeof(void*)), DV_VTABLES(0));
DV_DEFINE_TYPESPEC(Plain, "ModelPlain", DV_NO_POINTERS, DV_NO_VTABLES);

namespace {

enum class kind { node, widget, plain, bytes };

struct entry {
  kind k;
  char* address;     // what allocate returned
  dv4u count;        // elements (0: one object)
  bool vector_header;
  dv4u group;
  int next = -1;     // node: id of the node next leads to; widget: id of its peer
  int data = -1;     // node: id of the byte array data leads to
};

dv_typespec* typespec_of(kind k) {
  switch (k) {
    case kind::node: return &dv_ts<Node>::the_instance;
    case kind::widget: return &dv_ts<Widget>::the_instance;
    case kind::plain: return &dv_ts<Plain>::the_instance;
    case kind::bytes: break;
  }
  return dv_typespec::get_unsigned_char();
}

class model_run {
 public:
  model_run(unsigned seed, test_db& db) : random_(seed), db_(&db), a_(&db.allocator()) {}

  void step() {
    int choice = pick(100);
    if (choice < 50 || objects_.size() < 5) {
      allocate();
    } else if (choice < 80) {
      free_one();
    } else {
      relink();
    }
    a_->self_check();
  }

  // Every object where the model says, of its type and count, with its
  // payload and its links.
  void check_all() {
    for (auto& [id, e] : objects_) {
      SCOPED_TRACE("object " + std::to_string(id));
      _DB_allocator::object_info info;
      char* object = e.address + (e.vector_header ? 4 : 0);
      ASSERT_TRUE(a_->object_at(object, info));
      ASSERT_EQ(info.object, object);
      ASSERT_EQ(info.ts, typespec_of(e.k));
      ASSERT_EQ(info.count, e.count);
      ASSERT_EQ(a_->heap_of_page(a_->page_address(a_->page_number(info.block)))->page_group(), e.group);
      if (e.vector_header) {
        ASSERT_EQ(*reinterpret_cast<dv4u*>(e.address), e.count);
      }
      switch (e.k) {
        case kind::node: {
          auto* n = reinterpret_cast<Node*>(object);
          for (dv4u k = 0; k < (e.count == 0 ? 1 : e.count); ++k) {
            ASSERT_EQ(n[k].id, id);
            for (int i = 0; i < 5; ++i) ASSERT_EQ(n[k].payload[i], id * 5 + i);
          }
          if (e.count != 0) {
            // An array chains its own elements.
            for (dv4u k = 0; k < e.count; ++k) {
              ASSERT_EQ(n[k].next, k + 1 < e.count ? &n[k + 1] : nullptr) << k;
              ASSERT_EQ(n[k].data, nullptr);
            }
            break;
          }
          ASSERT_EQ(n->next, e.next < 0 ? nullptr : node(e.next));
          ASSERT_EQ(n->data, e.data < 0 ? nullptr : reinterpret_cast<unsigned char*>(objects_[e.data].address));
          break;
        }
        case kind::widget: {
          auto* w = reinterpret_cast<Widget*>(object);
          ASSERT_EQ(w->kind(), 7);
          ASSERT_EQ(w->id, id);
          ASSERT_EQ(w->peer, e.next < 0 ? nullptr : reinterpret_cast<Widget*>(objects_[e.next].address));
          break;
        }
        case kind::plain: {
          auto* p = reinterpret_cast<Plain*>(object);
          for (dv4u i = 0; i < e.count; ++i)
            for (int w = 0; w < 10; ++w) ASSERT_EQ(p[i].words[w], static_cast<int>(id + i * 10 + w));
          break;
        }
        case kind::bytes: {
          auto* b = reinterpret_cast<unsigned char*>(object);
          for (dv4u i = 0; i < e.count; ++i) ASSERT_EQ(b[i], byte_of(id, i)) << i;
          break;
        }
      }
    }
  }

  // The database moved by delta and is now served by db's allocator.
  void moved(test_db& db, ptrdiff_t delta) {
    db_ = &db;
    a_ = &db.allocator();
    for (auto& [id, e] : objects_) e.address += delta;
  }

  size_t live() const { return objects_.size(); }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  static unsigned char byte_of(int id, dv4u i) { return static_cast<unsigned char>(id * 31 + i * 7); }
  Node* node(int id) { return reinterpret_cast<Node*>(objects_[id].address); }

  int random_any() {
    if (objects_.empty()) return -1;
    auto it = objects_.begin();
    std::advance(it, pick(static_cast<int>(objects_.size())));
    return it->first;
  }

  void allocate() {
    int id = next_id_++;
    entry e{};
    int what = pick(10);
    e.k = what < 3 ? kind::node : what < 5 ? kind::widget : what < 6 ? kind::plain : kind::bytes;
    // The system group takes only objects without pointers.
    bool plain_data = e.k == kind::plain || e.k == kind::bytes;
    e.group = plain_data && pick(5) == 0 ? system_page_group : user_page_group;
    e.count = 0;
    if (e.k == kind::node && pick(4) == 0) {
      e.count = static_cast<dv4u>(2 + pick(300));  // up to 9600 bytes: many are large
      e.vector_header = pick(2) == 0;
    } else if (e.k == kind::plain) {
      e.count = static_cast<dv4u>(1 + pick(60));  // up to 2400 bytes
      e.vector_header = pick(2) == 0;
    } else if (e.k == kind::bytes) {
      int size_kind = pick(10);
      e.count = size_kind < 6   ? static_cast<dv4u>(1 + pick(300))
                : size_kind < 8 ? DV_PAGE_SIZE - 32
                                : static_cast<dv4u>(DV_PAGE_SIZE - 31 + pick(30000));
      e.vector_header = pick(4) == 0;
    }
    dv_typespec* ts = typespec_of(e.k);
    size_t size = ts->get_size() * (e.count == 0 ? 1 : e.count) + (e.vector_header ? 4 : 0);
    int hint = pick(3) == 0 ? random_any() : -1;
    void* p = hint >= 0 ? a_->allocate_near(size, ts, e.count, objects_[hint].address, e.group)
                        : a_->allocate(size, ts, e.count, e.group);
    e.address = static_cast<char*>(p);
    char* object = e.address + (e.vector_header ? 4 : 0);
    if (e.vector_header) *reinterpret_cast<dv4u*>(e.address) = e.count;
    switch (e.k) {
      case kind::node: {
        auto* n = reinterpret_cast<Node*>(object);
        for (dv4u k = 0; k < (e.count == 0 ? 1 : e.count); ++k) {
          n[k].id = id;
          for (int i = 0; i < 5; ++i) n[k].payload[i] = id * 5 + i;
          n[k].next = k + 1 < e.count ? &n[k + 1] : nullptr;
        }
        break;
      }
      case kind::widget: (::new (object) Widget())->id = id; break;
      case kind::plain:
        for (dv4u i = 0; i < e.count; ++i)
          for (int w = 0; w < 10; ++w) reinterpret_cast<Plain*>(object)[i].words[w] = static_cast<int>(id + i * 10 + w);
        break;
      case kind::bytes:
        for (dv4u i = 0; i < e.count; ++i) reinterpret_cast<unsigned char*>(object)[i] = byte_of(id, i);
        break;
    }
    objects_[id] = e;
  }

  // Points a random node or widget at another object of the right kind.
  void relink() {
    int id = random_any();
    entry& e = objects_[id];
    if (e.k == kind::node && e.count == 0) {
      int target = pick(4) == 0 ? -1 : random_single(kind::node);
      int data = pick(4) == 0 ? -1 : random_bytes();
      node(id)->next = target < 0 ? nullptr : node(target);
      node(id)->data = data < 0 ? nullptr : reinterpret_cast<unsigned char*>(objects_[data].address);
      e.next = target;
      e.data = data;
    } else if (e.k == kind::widget) {
      int target = pick(4) == 0 ? -1 : random_single(kind::widget);
      reinterpret_cast<Widget*>(e.address)->peer =
          target < 0 ? nullptr : reinterpret_cast<Widget*>(objects_[target].address);
      e.next = target;
    }
  }

  int random_single(kind k) {
    std::vector<int> ids;
    for (auto& [id, e] : objects_)
      if (e.k == k && e.count == 0) ids.push_back(id);
    return ids.empty() ? -1 : ids[pick(static_cast<int>(ids.size()))];
  }

  // A byte array without a vector header (a link leads to its first byte).
  int random_bytes() {
    std::vector<int> ids;
    for (auto& [id, e] : objects_)
      if (e.k == kind::bytes && !e.vector_header) ids.push_back(id);
    return ids.empty() ? -1 : ids[pick(static_cast<int>(ids.size()))];
  }

  void free_one() {
    int id = random_any();
    // Links to it go first.
    for (auto& [other, e] : objects_) {
      if (e.next == id) {
        if (e.k == kind::node) node(other)->next = nullptr;
        if (e.k == kind::widget) reinterpret_cast<Widget*>(objects_[other].address)->peer = nullptr;
        e.next = -1;
      }
      if (e.data == id) {
        node(other)->data = nullptr;
        e.data = -1;
      }
    }
    a_->free(objects_[id].address);
    objects_.erase(id);
  }

  std::mt19937 random_;
  test_db* db_;
  _DB_allocator* a_;
  std::map<int, entry> objects_;
  int next_id_ = 0;
};

unsigned seed_from_environment(unsigned fallback) {
  const char* value = std::getenv("DV_TEST_SEED");
  return value != nullptr ? static_cast<unsigned>(std::strtoul(value, nullptr, 0)) : fallback;
}

class AllocatorModel : public testing::TestWithParam<unsigned> {};

}  // namespace

TEST_P(AllocatorModel, RandomOperationsThenAMoveOfTheImage) {
  unsigned seed = seed_from_environment(GetParam());
  SCOPED_TRACE("seed " + std::to_string(seed));
  test_db from("model_from.db");
  from.create();
  model_run run(seed, from);
  for (int i = 0; i < 600; ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    run.step();
    if (i % 50 == 0) run.check_all();
    if (HasFatalFailure()) return;
  }
  run.check_all();

  test_db to("model_to.db");
  ptrdiff_t delta = to.start() - from.start();
  ASSERT_NE(delta, 0);
  to.open_copy_of(from);
  run.moved(to, delta);
  run.check_all();
  testing::internal::CaptureStderr();
  to.allocator().self_check();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // no illegal pointer anywhere

  for (int i = 0; i < 150; ++i) {
    SCOPED_TRACE("after the move, step " + std::to_string(i));
    run.step();
    if (HasFatalFailure()) return;
  }
  run.check_all();
}

INSTANTIATE_TEST_SUITE_P(Seeds, AllocatorModel, testing::Values(1u, 20240611u, 977u));
