// Guards opening a database elsewhere than its stored start when a region's
// block header claims a vector header the array never had: relocation would
// move the array's pointers at the wrong place and the array would read back
// wrong without an error. Such a file must be refused as heap corruption,
// and left as it was; the undamaged file reads back whole. Also guards a
// region's first page whose allocated head leads off that page: read and
// self-checked at either address, it is refused, never followed.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "db_test_support.h"
#include "dv_database.h"
#include "dv_new.h"
#include "dvdb.h"
#include "heap_format.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

// Shifted by 4 bytes, the pointer fields of an element fall on other, text
// and text_len, which the array leaves null: nothing but the relocation's
// result shows the shift.
struct Link {
  dv4u id;
  dv4u check;
  Link* next;
  Link* other;
  char* text;
  dv4u text_len;
};

}  // namespace

DV_DEFINE_TYPESPEC(Link, "RelocatedDamageLink",
                   DV_POINTERS(offsetof(Link, next), offsetof(Link, other), offsetof(Link, text)), DV_NO_VTABLES);

namespace {

// Elements of the array: more than a page, and a multiple of 8 bytes, so a
// vector header would add 4 bytes of padding to the block.
constexpr unsigned kLinks = 300;
static_assert(sizeof(Link) * kLinks > LARGEST_SMALL_PAYLOAD && sizeof(Link) * kLinks % BLOCK_ALIGNMENT == 0);

class RelocatedDamage : public db_test {
 protected:
  // Makes the database: one Link and an array of kLinks Links (a region)
  // whose every element leads to it. Records their offsets and the start.
  void make(const std::string& file) {
    dv_database* db = dv_database::create(file.c_str(), 0644, 0, 0);
    home_ = internal(db)->space_start();
    auto* target = new (db, &dv_ts<Link>::the_instance) Link();
    target->id = 7;
    auto* links = static_cast<Link*>(
        ::operator new(sizeof(Link) * kLinks, db, &dv_ts<Link>::the_instance, kLinks));
    for (unsigned i = 0; i < kLinks; ++i) {
      links[i].id = i;
      links[i].check = ~i;
      links[i].next = target;
    }
    target_ = static_cast<unsigned>(reinterpret_cast<char*>(target) - home_);
    links_ = static_cast<unsigned>(reinterpret_cast<char*>(links) - home_);
    db->save();
    db->close();
  }

  // Whether every element of the array in db leads to the target.
  bool reads_back(dv_database* db) const {
    char* start = internal(db)->space_start();
    const auto* links = reinterpret_cast<const Link*>(start + links_);
    const auto* target = reinterpret_cast<const Link*>(start + target_);
    for (unsigned i = 0; i < kLinks; ++i)
      if (links[i].id != i || links[i].check != ~i || links[i].next != target) return false;
    return target->id == 7;
  }

  char* home_ = nullptr;
  unsigned target_ = 0;
  unsigned links_ = 0;
};

TEST_F(RelocatedDamage, UndamagedArrayFollowsTheMove) {
  const std::string file = path("whole.db");
  make(file);
  dv_database* squatter = dv_database::create(path("squatter.db").c_str(), 0644, 0, 0);
  ASSERT_EQ(internal(squatter)->space_start(), home_);
  dv_database* db = dv_database::open(file.c_str(), 1, 0, 0);
  EXPECT_NE(internal(db)->space_start(), home_);
  EXPECT_TRUE(reads_back(db));
  db->self_check();
  db->close();
  squatter->close();
}

TEST_F(RelocatedDamage, VectorHeaderFlagSetOnTheArrayIsRefused) {
  const std::string file = path("damaged.db");
  make(file);
  std::vector<char> image = read_file(file);
  const size_t word0 = links_ - OBJECT_HEADER_SIZE + offsetof(_Obj_header_layout, word0);
  ASSERT_LT(word0 + sizeof(dv2u), image.size());
  dv2u flags;
  std::memcpy(&flags, image.data() + word0, sizeof flags);
  ASSERT_EQ(flags & BLOCK_VECTOR_HEADER, 0) << "the array was made without a vector header";
  flags = static_cast<dv2u>(flags | BLOCK_VECTOR_HEADER);
  std::memcpy(image.data() + word0, &flags, sizeof flags);
  write_file(file, image.data(), image.size());

  dv_database* squatter = dv_database::create(path("squatter.db").c_str(), 0644, 0, 0);
  ASSERT_EQ(internal(squatter)->space_start(), home_);
  dv_database* db = nullptr;
  bool read_back = false;
  EXPECT_THROW(
      {
        db = dv_database::open(file.c_str(), 1, 0, 0);
        EXPECT_NE(internal(db)->space_start(), home_);
        read_back = reads_back(db);
      },
      dv_err_heap_corruption);
  EXPECT_FALSE(read_back);
  if (db != nullptr) db->close();
  EXPECT_EQ(read_file(file), image) << "a refused file is left as it was";
  squatter->close();
}

// The allocated head of the array's first page: before the page, past the
// heap's page, and inside the page's region but not at its block.
TEST_F(RelocatedDamage, RegionHeadLeadingOffItsFirstPageIsRefused) {
  for (dv2u head : {dv2u{0x8000}, dv2u{0x7ff0}, dv2u{0x0ff0}}) {
    for (bool elsewhere : {false, true}) {
      SCOPED_TRACE(std::to_string(head) + (elsewhere ? " elsewhere" : " at home"));
      const std::string file = path("head.db");
      make(file);
      std::vector<char> image = read_file(file);
      const size_t field = links_ / HEAP_PAGE_SIZE * HEAP_PAGE_SIZE + offsetof(_Page_header_layout, allocated_head);
      std::memcpy(image.data() + field, &head, sizeof head);
      write_file(file, image.data(), image.size());
      dv_database* squatter = elsewhere ? dv_database::create(path("squatter.db").c_str(), 0644, 0, 0) : nullptr;
      dv_database* db = nullptr;
      EXPECT_THROW(
          {
            db = dv_database::open(file.c_str(), 1, 0, 0);
            db->self_check();
          },
          dv_err_heap_corruption);
      if (db != nullptr) db->close();
      if (squatter != nullptr) squatter->close();
      EXPECT_EQ(read_file(file), image) << "a refused file is left as it was";
      std::remove(file.c_str());
      std::remove(path("squatter.db").c_str());
    }
  }
}

}  // namespace
