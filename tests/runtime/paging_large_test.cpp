// Guards paging of relocated databases and of large objects: an object that
// needs relocation is read, write-locked and dropped with all its pages at
// once, and relocated exactly once however its pages were left; an object
// that needs none is read page by page; a page whose relocation fails is not
// left in memory half-relocated; and the pages of the large-object map are
// read (and dropped) on the way while pages are served.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "db_test_support.h"
#include "durnavel.h"
#include "dvdb.h"
#include "page.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

struct Cell {
  Cell* next;
  int value;
};

}  // namespace

DV_DEFINE_TYPESPEC(Cell, "LargeCell", DV_POINTERS(offsetof(Cell, next)), DV_NO_VTABLES);

namespace {

constexpr unsigned kCells = 1500;  // 12000 bytes: a region of 3 pages
constexpr unsigned kRegionPages = 3;
constexpr unsigned kBytes = 3 * kPage - 100;

dv_basic_typespec* cell_ts() { return &dv_ts<Cell>::the_instance; }

__attribute__((noinline)) int read_word(const void* p) { return *static_cast<const volatile int*>(p); }

// Throws from inside relocation at the n-th cell relocated.
int relocations_left = -1;
void failing_hook(void*, int, void*) {
  if (relocations_left >= 0 && relocations_left-- == 0) throw dv_err_relocation("relocation failed");
}

class PagingLarge : public db_test {
 protected:
  // A database holding a ring of cells in one large object, a large object
  // of characters, and two cells on one small page, saved and closed; then
  // opened again behind a database that took its place, so relocated.
  void SetUp() override {
    std::string file = path("large.db");
    dv_database* db = dv_database::create(file.c_str(), 0644, 0, 0);
    home_ = internal(db)->space_start();
    Cell* ring = dv_new_array<Cell>(db, cell_ts(), kCells);
    for (unsigned i = 0; i < kCells; ++i) {
      ring[i].next = &ring[(i + 1) % kCells];
      ring[i].value = static_cast<int>(i);
    }
    char* text = dv_new_array<char>(db, dv_typespec::get_char(), kBytes);
    for (unsigned i = 0; i < kBytes; ++i) text[i] = static_cast<char>(i * 7);
    Cell* a = new (db, cell_ts()) Cell;
    Cell* b = new (dv_cluster::with(a), cell_ts()) Cell;
    a->next = b;
    b->next = a;
    EXPECT_EQ(DVDB::page_of(a), DVDB::page_of(b));
    ring_ = offset(db, ring);
    text_ = offset(db, text);
    a_ = offset(db, a);
    b_ = offset(db, b);
    db->save();
    db->close();
    squatter_ = dv_database::create(path("squatter.db").c_str(), 0644, 0, 0);
    db_ = dv_database::open(file.c_str(), 0, 0, 0);
    ASSERT_NE(internal(db_)->space_start(), home_);
  }
  void TearDown() override {
    cell_ts()->_unset_fetch_hook(0);
    relocations_left = -1;
    if (dv_database::is_open(db_)) db_->close();
    squatter_->close();
  }

  static unsigned offset(dv_database* db, const void* p) {
    return static_cast<unsigned>(static_cast<const char*>(p) - internal(db)->space_start());
  }
  template <class T>
  T* at(unsigned off) {
    return reinterpret_cast<T*>(internal(db_)->space_start() + off);
  }
  Cell* ring() { return at<Cell>(ring_); }
  char* text() { return at<char>(text_); }
  // Page k of the region that holds the object at off.
  char* region_page(unsigned off, unsigned k) { return DVDB::page_of(at<char>(off)) + k * kPage; }
  _Page* page_object(const char* page) { return internal(db_)->find_page(page); }
  int lock_of(const char* page) {
    _Page* p = page_object(page);
    return p != nullptr ? p->get_lock() : -1;
  }

  // Every cell of the ring points at the next one where the database is
  // mapped now.
  bool ring_is_whole() {
    Cell* r = ring();
    for (unsigned i = 0; i < kCells; ++i)
      if (r[i].next != &r[(i + 1) % kCells] || r[i].value != static_cast<int>(i)) return false;
    return true;
  }

  char* home_ = nullptr;
  unsigned ring_ = 0, text_ = 0, a_ = 0, b_ = 0;
  dv_database* squatter_ = nullptr;
  dv_database* db_ = nullptr;
};

TEST_F(PagingLarge, AnObjectNeedingRelocationIsReadWhole) {
  for (unsigned k = 0; k < kRegionPages; ++k) EXPECT_EQ(lock_of(region_page(ring_, k)), -1);
  EXPECT_EQ(read_word(&ring()[kCells - 1].value), static_cast<int>(kCells - 1));
  for (unsigned k = 0; k < kRegionPages; ++k) EXPECT_EQ(lock_of(region_page(ring_, k)), _Page::LR) << k;
  EXPECT_TRUE(ring_is_whole());
  db_->self_check();
}

TEST_F(PagingLarge, WritingOnePageWriteLocksTheWholeObject) {
  ring()[0].value = 0;
  for (unsigned k = 0; k < kRegionPages; ++k) EXPECT_EQ(lock_of(region_page(ring_, k)), _Page::LW) << k;
  EXPECT_EQ(logged_images(path("large.db")), static_cast<int>(kRegionPages));
  db_->save();
  EXPECT_TRUE(ring_is_whole());
}

TEST_F(PagingLarge, AnObjectNeedingNoRelocationIsReadPageByPage) {
  EXPECT_EQ(read_word(text() + kBytes - 8), read_word(text() + kBytes - 8));
  EXPECT_EQ(lock_of(region_page(text_, 0)), _Page::LR) << "the first page tells the object's type";
  EXPECT_EQ(lock_of(region_page(text_, 1)), -1);
  EXPECT_EQ(lock_of(region_page(text_, 2)), _Page::LR);
  for (unsigned i = 0; i < kBytes; ++i) ASSERT_EQ(text()[i], static_cast<char>(i * 7)) << i;
}

// A large object's pages in memory are dropped all together, and not at all
// while one of them is modified.
TEST_F(PagingLarge, DroppingTakesALargeObjectWhole) {
  EXPECT_TRUE(ring_is_whole());
  EXPECT_EQ(durnavel::return_memory(region_page(ring_, 1), kPage, 1), kRegionPages);
  for (unsigned k = 0; k < kRegionPages; ++k) EXPECT_EQ(lock_of(region_page(ring_, k)), -1) << k;
  EXPECT_TRUE(ring_is_whole()) << "read and relocated again";

  for (unsigned i = 0; i < kBytes; i += kPage / 2) (void)read_word(text() + (i & ~3u));
  text()[kBytes - 1] = 1;  // the last page modified
  EXPECT_EQ(lock_of(region_page(text_, 2)), _Page::LW);
  EXPECT_EQ(durnavel::return_memory(region_page(text_, 1), kPage, 1), 0u);
  for (unsigned k = 0; k < kRegionPages; ++k) EXPECT_NE(lock_of(region_page(text_, k)), -1) << k;
  db_->save();
  EXPECT_EQ(durnavel::return_memory(region_page(text_, 1), kPage, 1), kRegionPages);
  EXPECT_EQ(text()[kBytes - 1], 1);
  db_->self_check();
}

// Pages of an object left partly without access (as an abort leaves the
// pages it read again) are all read again, and the object relocated once.
TEST_F(PagingLarge, AnObjectLeftPartlyWithoutAccessIsReadWhole) {
  EXPECT_TRUE(ring_is_whole());
  page_object(region_page(ring_, 1))->downgrade();
  EXPECT_EQ(read_word(&ring()[kCells / 2].value), static_cast<int>(kCells / 2));
  for (unsigned k = 0; k < kRegionPages; ++k) EXPECT_EQ(lock_of(region_page(ring_, k)), _Page::LR) << k;
  EXPECT_TRUE(ring_is_whole());
}

// A page whose relocation fails half-way is not kept: the next touch reads
// it from the file again and relocates it once.
TEST_F(PagingLarge, AFailedRelocationLeavesNoPageBehind) {
  cell_ts()->_set_fetch_hook(0, failing_hook, nullptr);
  relocations_left = 1;  // the first cell relocated, then a failure
  expect_error<dv_err_relocation>([&] { (void)read_word(at<Cell>(a_)); },
                                  "dv_err_relocation - relocation failed");
  EXPECT_EQ(lock_of(DVDB::page_of(at<Cell>(a_))), -1);
  relocations_left = -1;
  EXPECT_EQ(at<Cell>(a_)->next, at<Cell>(b_));
  EXPECT_EQ(at<Cell>(b_)->next, at<Cell>(a_));

  relocations_left = kCells / 2;  // half of the ring relocated, then a failure
  EXPECT_THROW((void)read_word(&ring()[kCells - 1].value), dv_err_relocation);
  for (unsigned k = 0; k < kRegionPages; ++k) EXPECT_EQ(lock_of(region_page(ring_, k)), -1) << k;
  relocations_left = -1;
  EXPECT_TRUE(ring_is_whole());
  db_->self_check();
}

// Many large objects: the map that records them outgrows page 0. Reading a
// page of one of them after the database is opened again needs pages of the
// map first, which are read on the way.
TEST(PagingLargeMap, TheLargeObjectMapIsReadWhileAPageIsServed) {
  _VRN_fault_handler guard;
  scratch_dir dir;
  std::string file = dir / "map.db";
  constexpr unsigned kObjects = 300;
  constexpr unsigned kSize = kPage + 100;  // two pages each
  dv_database* db = dv_database::create(file.c_str(), 0644, 0, 0);
  std::vector<unsigned> offsets;
  for (unsigned i = 0; i < kObjects; ++i) {
    char* text = dv_new_array<char>(db, dv_typespec::get_char(), kSize);
    text[kSize - 1] = static_cast<char>(i);
    offsets.push_back(static_cast<unsigned>(text - internal(db)->space_start()));
  }
  db->save();
  db->close();

  dv_database* again = dv_database::open(file.c_str(), 1, 0, 0);
  for (unsigned i = 0; i < kObjects; i += 7)
    EXPECT_EQ(internal(again)->space_start()[offsets[i] + kSize - 1], static_cast<char>(i)) << i;
  unsigned none = 0, read = 0, write = 0;
  again->get_page_stats(none, read, write);
  EXPECT_GT(read, 2 * ((kObjects + 6) / 7)) << "pages of the map were read as well";
  // Dropping consults the map page by page, the map's own pages included.
  EXPECT_GT(again->return_all_pages(), 0u);
  for (unsigned i = 3; i < kObjects; i += 11)
    EXPECT_EQ(internal(again)->space_start()[offsets[i] + kSize - 1], static_cast<char>(i)) << i;
  EXPECT_GT(again->return_all_pages(), 0u);
  again->self_check();
  again->close();
}

}  // namespace
