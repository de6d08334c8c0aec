// Guards the start addresses a database header keeps: a new header keeps
// its own start, each new place is kept once, a full list stops being kept
// (and then vouches for any start), and a list is sound only with a count
// that fits, nonzero page-aligned starts and the super-block's start among
// them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "db_format.h"
#include "db_header.h"

using namespace dv_qem;

namespace {

constexpr dv4u kFirst = 0x20000000;

std::unique_ptr<_DB_header> new_header() {
  auto h = std::make_unique<_DB_header>();
  std::memset(h.get(), 0, sizeof *h);
  h->super.as_start = kFirst;
  _DB_header_build(*h);
  return h;
}

TEST(DatabaseStarts, EachPlaceIsKeptOnceUntilTheRoomIsFull) {
  auto h = new_header();
  EXPECT_EQ(h->n_starts, 1u);
  EXPECT_EQ(h->starts[0], kFirst);
  EXPECT_TRUE(_DB_start_known(*h, kFirst));
  EXPECT_FALSE(_DB_start_known(*h, kFirst + DV_PAGE_SIZE));

  _DB_note_start(*h, 0x24100000);
  _DB_note_start(*h, kFirst);  // back at the first place: kept already
  EXPECT_EQ(h->super.as_start, kFirst);
  EXPECT_EQ(h->n_starts, 2u);
  EXPECT_TRUE(_DB_start_known(*h, 0x24100000));
  EXPECT_TRUE(_DB_starts_sound(*h));

  for (dv4u i = h->n_starts; i < DB_KEPT_STARTS; ++i) _DB_note_start(*h, 0x30000000 + i * DV_PAGE_SIZE);
  EXPECT_EQ(h->n_starts, DB_KEPT_STARTS);
  EXPECT_TRUE(_DB_starts_sound(*h));
  _DB_note_start(*h, 0x40000000);
  EXPECT_EQ(h->super.as_start, 0x40000000u);
  EXPECT_EQ(h->n_starts, 0u) << "one place too many: the starts are no longer kept";
  for (dv4u start : h->starts) ASSERT_EQ(start, 0u);
  EXPECT_TRUE(_DB_start_known(*h, kFirst + 7 * DV_PAGE_SIZE)) << "nothing kept vouches for any start";
  EXPECT_TRUE(_DB_starts_sound(*h));
  _DB_note_start(*h, 0x44000000);
  EXPECT_EQ(h->n_starts, 0u) << "and they stay unkept";
}

TEST(DatabaseStarts, AListIsSoundOnlyWhenItCanBeOne) {
  const struct {
    const char* what;
    std::function<void(_DB_header&)> change;
    bool sound;
  } cases[] = {
      {"as made", [](_DB_header&) {}, true},
      {"not kept (an earlier build's file)", [](_DB_header& h) { h.n_starts = 0; h.starts[0] = 0; }, true},
      {"a count past the room", [](_DB_header& h) { h.n_starts = DB_KEPT_STARTS + 1; }, false},
      {"a zero start", [](_DB_header& h) { h.starts[h.n_starts++] = 0; }, false},
      {"a start off a page boundary", [](_DB_header& h) { h.starts[h.n_starts++] = kFirst + 0x800; }, false},
      {"the super-block's start not among them", [](_DB_header& h) { h.super.as_start += 0x10000; }, false},
      {"the super-block's start beyond the count", [](_DB_header& h) {
         h.starts[1] = kFirst + DV_PAGE_SIZE;
         h.super.as_start = kFirst + DV_PAGE_SIZE;
       }, false},
  };
  for (const auto& c : cases) {
    auto h = new_header();
    c.change(*h);
    EXPECT_EQ(_DB_starts_sound(*h), c.sound) << c.what;
  }
}

}  // namespace
