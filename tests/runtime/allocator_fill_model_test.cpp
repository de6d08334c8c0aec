// Model test of the allocator's common paths: bursts of small objects of
// mixed types and sizes filling pages front to back (the path that takes the
// front of a page's one free block), near hints, frees that leave pages with
// several free blocks, reuse of freed space, large objects, and growth of
// both page groups. Checked against a model of the live objects (address,
// type, count, contents): every new object is zeroed, lies in one page of its
// group and overlaps no live object; after every step every page heap passes
// its self-check (the allocator's self-check), and the contents of every
// object are compared at intervals. Half the runs also have each page heap
// check itself after every allocation and free. The seed is printed with any
// failure; DV_TEST_SEED replays one.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "alloc_test_db.h"
#include "dv_test_seed.h"
#include "page_group.h"

using namespace dv_qem;
using alloc_test::sized_type;
using alloc_test::test_db;

namespace {

// The types a run allocates: user types of several sizes (12 to 200 bytes,
// some not a multiple of 8) and the built-in chars.
struct type_choice {
  dv_typespec* ts;
  bool array;  // allocated as arrays of 1..n
};

struct live_object {
  dv_typespec* ts;
  dv4u count;   // 0: one object
  dv4u bytes;   // the object's size
  dv4u group;
  unsigned char fill;
};

class fill_model {
 public:
  fill_model(unsigned seed, test_db& db)
      : random_(seed), a_(db.allocator()),
        small_(std::string("FillModelSmall"), 12),
        odd_(std::string("FillModelOdd"), 36),
        wide_(std::string("FillModelWide"), 200) {
    types_ = {{small_.ts(), false}, {odd_.ts(), false}, {wide_.ts(), false},
              {dv_typespec::get_char(), true}, {odd_.ts(), true}};
  }

  void step() {
    const int choice = pick(100);
    if (choice < 45 || live_.size() < 8) {
      burst();
    } else if (choice < 70) {
      free_some();
    } else if (choice < 85) {
      free_run();
    } else if (choice < 93) {
      allocate(dv_typespec::get_char(), 1 + pick(1000), system_page_group, nullptr);
    } else {
      large();
    }
    a_.self_check();
  }

  // Every live object still holds its fill and its type.
  void check_contents() {
    for (const auto& [address, o] : live_) {
      SCOPED_TRACE("object at " + std::to_string(reinterpret_cast<uintptr_t>(address)));
      _DB_allocator::object_info info;
      ASSERT_TRUE(a_.object_at(address, info));
      ASSERT_EQ(info.object, address);
      ASSERT_EQ(info.ts, o.ts);
      ASSERT_EQ(info.count, o.count);
      for (dv4u i = 0; i < o.bytes; ++i) ASSERT_EQ(static_cast<unsigned char>(address[i]), o.fill) << i;
    }
  }

  size_t live() const { return live_.size(); }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  // Up to 60 objects in a row, each maybe near the one before.
  void burst() {
    const int n = 1 + pick(60);
    char* previous = nullptr;
    for (int i = 0; i < n; ++i) {
      const type_choice& t = types_[pick(static_cast<int>(types_.size()))];
      const dv4u count = t.array ? static_cast<dv4u>(1 + pick(t.ts->get_size() == 1 ? 120 : 8)) : 0;
      previous = allocate(t.ts, count, user_page_group, pick(2) == 0 ? previous : nullptr);
      if (previous == nullptr) return;
    }
  }

  void large() {
    if (pick(2) == 0) {
      allocate(dv_typespec::get_char(), DV_PAGE_SIZE + pick(3 * DV_PAGE_SIZE), user_page_group, nullptr);
      return;
    }
    for (auto it = live_.begin(); it != live_.end(); ++it) {
      if (it->second.bytes > LARGEST_SMALL_PAYLOAD) {
        free_object(it);
        return;
      }
    }
  }

  // Allocates and checks what it got; returns the object (null on a failed check).
  char* allocate(dv_typespec* ts, dv4u count, dv4u group, const char* hint) {
    const dv4u bytes = ts->get_size() * (count == 0 ? 1 : count);
    void* p = hint != nullptr ? a_.allocate_near(bytes, ts, count, hint, group) : a_.allocate(bytes, ts, count, group);
    char* object = static_cast<char*>(p);
    EXPECT_TRUE(a_.holds(object) && a_.holds(object + bytes - 1));
    for (dv4u i = 0; i < bytes; ++i) {
      if (object[i] != 0) {
        ADD_FAILURE() << "a new object is not zeroed at byte " << i;
        return nullptr;
      }
    }
    const bool large = bytes > LARGEST_SMALL_PAYLOAD;
    if (!large) {
      EXPECT_EQ(a_.page_number(object), a_.page_number(object + bytes - 1)) << "a small object straddles pages";
    }
    EXPECT_EQ(a_.heap_of_page(a_.page_address(a_.page_number(object)))->page_group(), group);
    // No live object may share a byte with it.
    auto after = live_.lower_bound(object);
    if (after != live_.end()) {
      EXPECT_LE(object + bytes, after->first) << "overlaps the next live object";
    }
    if (after != live_.begin()) {
      auto before = std::prev(after);
      EXPECT_LE(before->first + before->second.bytes, object) << "overlaps the previous live object";
    }
    const auto fill = static_cast<unsigned char>(1 + pick(255));
    std::memset(object, fill, bytes);
    live_[object] = {ts, count, bytes, group, fill};
    recent_.push_back(object);
    if (recent_.size() > 64) recent_.erase(recent_.begin());
    return object;
  }

  void free_object(std::map<char*, live_object>::iterator it) {
    a_.free(it->first);
    for (auto r = recent_.begin(); r != recent_.end();) r = *r == it->first ? recent_.erase(r) : std::next(r);
    live_.erase(it);
  }

  void free_some() {
    const int n = 1 + pick(8);
    for (int i = 0; i < n && !live_.empty(); ++i) {
      auto it = live_.begin();
      std::advance(it, pick(static_cast<int>(live_.size())));
      free_object(it);
    }
  }

  // Frees objects allocated together, so that their blocks coalesce.
  void free_run() {
    if (recent_.empty()) return;
    const size_t from = static_cast<size_t>(pick(static_cast<int>(recent_.size())));
    std::vector<char*> run(recent_.begin() + static_cast<std::ptrdiff_t>(from), recent_.end());
    for (char* object : run) {
      auto it = live_.find(object);
      if (it != live_.end()) free_object(it);
    }
  }

  std::mt19937 random_;
  _DB_allocator& a_;
  sized_type small_, odd_, wide_;
  std::vector<type_choice> types_;
  std::map<char*, live_object> live_;
  std::vector<char*> recent_;
};

// Each page heap checks itself after every allocation and free while set.
class heap_verification {
 public:
  explicit heap_verification(bool on) : was_(_Page_header::verifying()) { _Page_header::set_verifying(on); }
  ~heap_verification() { _Page_header::set_verifying(was_); }
  heap_verification(const heap_verification&) = delete;
  heap_verification& operator=(const heap_verification&) = delete;

 private:
  bool was_;
};

class AllocatorFillModel : public testing::TestWithParam<bool> {};

}  // namespace

TEST_P(AllocatorFillModel, MixedBurstsFreesReuseAndGrowth) {
  const unsigned seed = dv_test::seed();
  SCOPED_TRACE("seed " + std::to_string(seed) + " (DV_TEST_SEED replays it)");
  heap_verification verification(GetParam());
  test_db db("fill_model.db", 32 * alloc_test::kMiB);
  db.create();
  fill_model model(seed, db);
  for (int i = 0; i < 400; ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    model.step();
    if (i % 40 == 39) model.check_contents();
    if (HasFailure()) return;
  }
  model.check_contents();
  // Both groups grew on the way.
  _DB_allocator& a = db.allocator();
  EXPECT_GT(a.group(system_page_group).desc().n_pages, 1u);
  EXPECT_GT(a.group(user_page_group).desc().n_pages, 8u);
}

INSTANTIATE_TEST_SUITE_P(HeapSelfCheck, AllocatorFillModel, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("AfterEveryHeapChange") : std::string("AfterEveryStep");
                         });
