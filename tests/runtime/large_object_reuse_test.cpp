// Guards the multi-page regions of large objects across saves: freeing a
// saved large object, reusing its freed region for another large object, and
// splitting it back into single pages all rewrite pages that are read-only
// after the save. No write fault may land halfway through such a change and
// read the region's headers half rewritten.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "db_test_support.h"
#include "durnavel.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

struct ThreePages {
  unsigned char bytes[3 * 4096 - 64];
};

// The same size with a pointer, so its pages are relocated as a whole.
struct LinkedPages {
  LinkedPages* self;
  unsigned char bytes[3 * 4096 - 64 - sizeof(LinkedPages*)];
};

struct Small {
  int value;
};

}  // namespace

DV_DEFINE_TYPESPEC(ThreePages, "ReuseThreePages", DV_NO_POINTERS, DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(LinkedPages, "ReuseLinkedPages", DV_POINTERS(offsetof(LinkedPages, self)),
                   DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Small, "ReuseSmall", DV_NO_POINTERS, DV_NO_VTABLES);

namespace {

class LargeObjectReuse : public db_test {
 protected:
  template <class T>
  T* make(dv_database* db, unsigned char fill) {
    T* object = new (db, &dv_ts<T>::the_instance) T;
    std::memset(object->bytes, fill, sizeof object->bytes);
    return object;
  }
};

TEST_F(LargeObjectReuse, AFreedRegionIsReusedAfterASave) {
  dv_database* db = dv_database::create(path("reuse.db").c_str(), 0644, 0, 0);
  ThreePages* first = make<ThreePages>(db, 1);
  db->save();
  delete first;  // frees a region whose pages are read-only
  db->save();
  ThreePages* second = make<ThreePages>(db, 2);
  EXPECT_EQ(second, first) << "the freed region is taken again";
  db->self_check();
  db->save();
  db->close();
}

TEST_F(LargeObjectReuse, ARelocatedObjectsRegionIsReusedAfterASave) {
  dv_database* db = dv_database::create(path("linked.db").c_str(), 0644, 0, 0);
  LinkedPages* first = make<LinkedPages>(db, 1);
  first->self = first;
  db->save();
  delete first;
  db->save();
  LinkedPages* second = make<LinkedPages>(db, 2);
  second->self = second;
  EXPECT_EQ(second, first);
  db->self_check();
  db->close();
}

TEST_F(LargeObjectReuse, AFreedRegionIsSplitIntoPagesAfterASave) {
  dv_database* db = dv_database::create(path("split.db").c_str(), 0644, 0, 0);
  ThreePages* big = make<ThreePages>(db, 1);
  const std::uintptr_t region = reinterpret_cast<std::uintptr_t>(big);
  db->save();
  delete big;
  db->save();
  // Fill the page heaps until the small objects take the freed region.
  bool in_region = false;
  for (int i = 0; i < 4000 && !in_region; ++i) {
    Small* s = new (db, &dv_ts<Small>::the_instance) Small{i};
    std::uintptr_t at = reinterpret_cast<std::uintptr_t>(s);
    in_region = at >= region - 32 && at < region + sizeof(ThreePages);
  }
  EXPECT_TRUE(in_region) << "small objects reached the split region";
  db->self_check();
  db->save();
  db->close();
}

}  // namespace
