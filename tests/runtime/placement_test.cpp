// Guards where databases go in the region: the first free range (never the
// space before the first database), the fits test and the reservation at a
// stored start with their refusal messages, room to grow after a database,
// growth of the region when databases no longer fit, the database list
// (order, lookups) and the pointer hash that does not depend on where a
// database is mapped.
//
// The databases are internal database objects with only their range and
// path set. Cases that grow the region run in child processes with a small
// region at a known start.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "dv_err.h"
#include "dv_test_process.h"
#include "dvdb.h"
#include "runtime_state.h"

using namespace dv_qem;

namespace {

constexpr dv4u kPage = 4096;
constexpr dv4u kMiB = 0x100000;

unsigned word(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return buffer;
}

// A database range as an offset from the region start and a size.
struct range {
  int64_t offset;
  dv4u size;
};

// Enters stand-in databases in the list and takes them out again.
class Placement : public ::testing::Test {
 protected:
  void SetUp() override {
    _DV_int::initialize();
    start_ = _DV_int::get_region_start();
    size_ = _DV_int::get_region_size();
  }
  void TearDown() override { close_all(); }

  DVDB* open(range r) {
    std::string path = "/tmp/placement/db" + std::to_string(opened_.size());
    DVDB* db = new DVDB(path.c_str(), 0);
    db->place_at(start_ + r.offset, r.size);
    _DV_int::register_DVDB(db);
    opened_.push_back(db);
    return db;
  }
  void open_all(const std::vector<range>& ranges) {
    for (const range& r : ranges) open(r);
  }
  void close_all() {
    for (DVDB* db : opened_) {
      _DV_int::deregister_DVDB(db);
      delete db;
    }
    opened_.clear();
  }
  int64_t offset_of(const char* p) const { return p - start_; }

  char* start_ = nullptr;
  dv4u size_ = 0;
  std::vector<DVDB*> opened_;
};

TEST_F(Placement, FirstFreeRange) {
  const dv4u M8 = 8 * kMiB;
  struct row {
    const char* what;
    std::vector<range> open;
    dv4u request;
    int64_t expected;
  };
  const row rows[] = {
      {"no database: the region start", {}, M8, 0},
      {"after the first", {{0, M8}}, M8, M8},
      {"after the second", {{0, M8}, {M8, M8}}, M8, 2 * M8},
      {"space before the first is never used", {{M8, M8}}, M8, 2 * M8},
      {"a gap of exactly the request", {{0, M8}, {2 * M8, M8}}, M8, M8},
      {"a gap too small is skipped", {{0, M8}, {12 * kMiB, M8}}, M8, 20 * kMiB},
      {"the last gap up to the region end", {{0, M8}}, size_ - M8, M8},
  };
  for (const row& r : rows) {
    open_all(r.open);
    char* got = _DV_int::reserve_db_space_anywhere(r.request);
    EXPECT_EQ(offset_of(got), r.expected) << r.what;
    EXPECT_EQ(_DV_int::get_region_size(), size_) << r.what << ": the region must not grow";
    close_all();
  }
}

TEST_F(Placement, FitsTest) {
  const dv4u M8 = 8 * kMiB;
  struct row {
    const char* what;
    std::vector<range> open;
    range stored;
    int fits;
  };
  const row rows[] = {
      {"empty region, whole region", {}, {0, size_}, 1},
      {"ends exactly at the region end", {}, {size_ - M8, M8}, 1},
      {"runs past the region end", {}, {size_ - 4 * kMiB, M8}, 0},
      {"starts below the region", {}, {-int64_t{kPage}, M8}, 0},
      {"overlaps an open database", {{0, M8}}, {4 * kMiB, M8}, 0},
      {"right after an open database", {{0, M8}}, {M8, M8}, 1},
      {"right before an open database", {{M8, M8}}, {0, M8}, 1},
      {"overlaps the start of an open database", {{M8, M8}}, {4 * kMiB, M8}, 0},
      {"encloses an open database", {{M8, kMiB}}, {0, 3 * M8}, 0},
      {"between two", {{0, M8}, {2 * M8, M8}}, {M8, M8}, 1},
  };
  for (const row& r : rows) {
    open_all(r.open);
    EXPECT_EQ(_DV_int::db_space_fits(start_ + r.stored.offset, r.stored.size), r.fits) << r.what;
    close_all();
  }
}

// Opening a database whose stored range overlaps an open one: the fits test
// refuses it and it goes to the first gap after an open database.
TEST_F(Placement, OverlappingStoredRangeIsRelocated) {
  const dv4u M8 = 8 * kMiB;
  open_all({{0, M8}, {3 * M8, M8}});
  char* stored = start_ + 4 * kMiB;
  ASSERT_FALSE(_DV_int::db_space_fits(stored, M8));
  EXPECT_EQ(offset_of(_DV_int::reserve_db_space_anywhere(M8)), M8);
}

TEST_F(Placement, ReserveAtStoredStart) {
  const dv4u M8 = 8 * kMiB;
  const char* name = "/tmp/placement/new.db";
  auto no_space = [&](int64_t offset, dv4u size) {
    return format(
        "dv_err_address_space_exhausted - No address space is reserved at the requested start 0x%x, size %d.  Set "
        "DV_QEM_AS_START/SIZE to an alternate value (0x%x, %d).",
        word(start_ + offset), static_cast<int>(size), word(start_), static_cast<int>(size_));
  };
  auto assigned = [&](int64_t offset, dv4u size) {
    return format(
        "dv_err_address_space_assigned - Address space for database %s (0x%x,%d) is already assigned to another "
        "database",
        name, word(start_ + offset), static_cast<int>(size));
  };
  struct row {
    const char* what;
    std::vector<range> open;
    range stored;
    std::string report;  // empty: reserved at the stored start
  };
  const row rows[] = {
      {"empty region", {}, {0, M8}, ""},
      {"empty region, ends at the region end", {}, {size_ - M8, M8}, ""},
      {"empty region, runs past its end", {}, {size_ - 4 * kMiB, M8}, no_space(size_ - 4 * kMiB, M8)},
      {"below the region", {{0, M8}}, {-int64_t{M8}, M8}, no_space(-int64_t{M8}, M8)},
      {"after an open database", {{0, M8}}, {M8, M8}, ""},
      {"before the first database", {{M8, M8}}, {0, M8}, ""},
      {"between two", {{0, M8}, {2 * M8, M8}}, {M8, M8}, ""},
      {"overlaps the database before", {{0, M8}}, {4 * kMiB, M8}, assigned(4 * kMiB, M8)},
      {"overlaps the database after", {{0, M8}, {2 * M8, M8}}, {12 * kMiB, M8}, assigned(12 * kMiB, M8)},
      {"overlaps the first database", {{M8, M8}}, {4 * kMiB, M8}, assigned(4 * kMiB, M8)},
      {"ends exactly at the region end after the last", {{0, M8}}, {size_ - M8, M8}, ""},
  };
  for (const row& r : rows) {
    open_all(r.open);
    char* wanted = start_ + r.stored.offset;
    std::string report;
    try {
      EXPECT_EQ(_DV_int::reserve_db_space_for(name, wanted, r.stored.size), wanted) << r.what;
    } catch (const dv_err& e) {
      report = e.get_report();
    }
    EXPECT_EQ(report, r.report) << r.what;
    EXPECT_EQ(_DV_int::get_region_size(), size_) << r.what << ": the region must not grow";
    close_all();
  }
}

TEST_F(Placement, RoomToGrow) {
  struct row {
    const char* what;
    std::vector<range> open;
    size_t asking;  // index of the database that asks
    int can_grow;
    dv4u room;
  };
  const row rows[] = {
      {"gap before the next database", {{0, kMiB}, {3 * kMiB, kMiB}}, 0, 1, 2 * kMiB},
      {"next database right after", {{0, kMiB}, {kMiB, kMiB}}, 0, 0, 0},
      {"last database, space up to the region end", {{0, kMiB}}, 0, 1, size_ - kMiB},
  };
  for (const row& r : rows) {
    open_all(r.open);
    dv4u room = 12345;
    EXPECT_EQ(_DV_int::can_grow_db_space(opened_[r.asking], 2 * kMiB, room), r.can_grow) << r.what;
    EXPECT_EQ(room, r.room) << r.what;
    EXPECT_EQ(_DV_int::get_region_size(), size_) << r.what;
    close_all();
  }
}

TEST_F(Placement, ListIsOrderedByStart) {
  EXPECT_EQ(_DV_int::get_first_DVDB(), nullptr);
  DVDB* c = open({16 * kMiB, kMiB});
  DVDB* a = open({0, kMiB});
  DVDB* b = open({8 * kMiB, kMiB});
  EXPECT_TRUE(_DV_int::was_database_opened());
  std::vector<DVDB*> order;
  for (DVDB* db = _DV_int::get_first_DVDB(); db != nullptr; db = db->next_listed()) order.push_back(db);
  EXPECT_EQ(order, (std::vector<DVDB*>{a, b, c}));

  _DV_int::deregister_DVDB(b);
  EXPECT_FALSE(_DV_int::_lookup_DVDB_by_ptr(b));
  EXPECT_TRUE(_DV_int::_lookup_DVDB_by_ptr(a));
  EXPECT_EQ(a->next_listed(), c);
  _DV_int::deregister_DVDB(b);  // not listed: nothing happens
  EXPECT_EQ(a->next_listed(), c);
  _DV_int::register_DVDB(b);
  EXPECT_EQ(a->next_listed(), b);
  EXPECT_EQ(b->next_listed(), c);

  // Registering a listed database again would corrupt the list.
  std::string report;
  try {
    _DV_int::register_DVDB(a);
  } catch (const dv_err_internal& e) {
    report = e.get_report();
  }
  EXPECT_EQ(report.rfind("dv_err_internal - Assertion \"!_lookup_DVDB_by_ptr(db)\" failed", 0), 0u) << report;
}

TEST_F(Placement, LookupByAddressAndPath) {
  DVDB* a = open({0, kMiB});
  DVDB* b = open({kMiB, kMiB});
  int on_stack = 0;
  EXPECT_EQ(_DV_int::lookup_DVDB_by_address(nullptr), nullptr);
  EXPECT_EQ(_DV_int::lookup_DVDB_by_address(start_), a);
  EXPECT_EQ(_DV_int::lookup_DVDB_by_address(start_ + kMiB - 1), a);
  EXPECT_EQ(_DV_int::lookup_DVDB_by_address(start_ + kMiB), b);
  EXPECT_EQ(_DV_int::lookup_DVDB_by_address(start_ + 2 * kMiB), nullptr);
  EXPECT_EQ(_DV_int::lookup_DVDB_by_address(&on_stack), nullptr);

  EXPECT_EQ(_DV_int::lookup_DVDB_by_path(a->space_name()), a);
  EXPECT_EQ(_DV_int::lookup_DVDB_by_path(b->space_name()), b);
  EXPECT_EQ(_DV_int::lookup_DVDB_by_path("/tmp/placement/DB0"), nullptr) << "case is kept";
  EXPECT_EQ(_DV_int::lookup_DVDB_by_path("/tmp/placement/db"), nullptr);
  EXPECT_EQ(_DV_int::lookup_DVDB_by_path(nullptr), nullptr);
}

TEST_F(Placement, PointerHashIgnoresWhereTheDatabaseIsMapped) {
  const dv4u offset = 0x1234;
  DVDB* first = open({0, 8 * kMiB});
  dv4u at_first = _DV_int::compute_ptr_hash(first->space_start() + offset);
  EXPECT_EQ(at_first, offset * 9987001u);
  close_all();
  DVDB* second = open({32 * kMiB, 8 * kMiB});
  EXPECT_EQ(_DV_int::compute_ptr_hash(second->space_start() + offset), at_first);

  int on_stack = 0;
  EXPECT_EQ(_DV_int::compute_ptr_hash(&on_stack), word(&on_stack) * 9987001u);
  EXPECT_EQ(_DV_int::compute_ptr_hash(start_), word(start_) * 9987001u) << "region, but no database";
}

// ---- growth of the region (child processes) ---------------------------------

TEST(PlacementGrowth, InChildProcesses) {
  const char* tests[] = {
      "PlacementGrowthChild.MoreDatabasesThanFit",
      "PlacementGrowthChild.LastGapTooSmall",
      "PlacementGrowthChild.FirstDatabaseLargerThanTheRegion",
      "PlacementGrowthChild.StoredRangePastTheEnd",
      "PlacementGrowthChild.LastDatabaseAtTheEnd",
  };
  for (const char* test : tests)
    EXPECT_EQ(dv_test::run_child(test, {{"DV_QEM_AS_START", "0x20000000"}, {"DV_QEM_AS_SIZE", "0x400000"}}), 0)
        << test;
}

class PlacementGrowthChild : public Placement {
 protected:
  void SetUp() override {
    if (!dv_test::is_child()) GTEST_SKIP() << "runs in a child process";
    Placement::SetUp();
    ASSERT_EQ(start_, reinterpret_cast<char*>(0x20000000));
    ASSERT_EQ(size_, 4 * kMiB);
  }
};

TEST_F(PlacementGrowthChild, MoreDatabasesThanFit) {
  for (int i = 0; i < 6; ++i) {
    char* got = _DV_int::reserve_db_space_anywhere(kMiB);
    EXPECT_EQ(offset_of(got), int64_t{i} * kMiB) << "database " << i;
    open({offset_of(got), kMiB});
  }
  EXPECT_EQ(_DV_int::get_region_start(), start_);
  EXPECT_EQ(_DV_int::get_region_size(), 6 * kMiB);
  EXPECT_TRUE(_DV_int::is_persistent(start_ + 6 * kMiB - 1));
}

TEST_F(PlacementGrowthChild, LastGapTooSmall) {
  open({0, 3 * kMiB});
  EXPECT_EQ(offset_of(_DV_int::reserve_db_space_anywhere(2 * kMiB)), 3 * kMiB);
  EXPECT_EQ(_DV_int::get_region_size(), 5 * kMiB);
}

TEST_F(PlacementGrowthChild, FirstDatabaseLargerThanTheRegion) {
  EXPECT_EQ(_DV_int::reserve_db_space_anywhere(6 * kMiB), start_);
  EXPECT_EQ(_DV_int::get_region_size(), 6 * kMiB);
}

TEST_F(PlacementGrowthChild, StoredRangePastTheEnd) {
  open({0, kMiB});
  char* wanted = start_ + 3 * kMiB;
  EXPECT_FALSE(_DV_int::db_space_fits(wanted, 2 * kMiB));
  EXPECT_EQ(_DV_int::reserve_db_space_for("/tmp/placement/big.db", wanted, 2 * kMiB), wanted);
  EXPECT_EQ(_DV_int::get_region_size(), 5 * kMiB);
}

TEST_F(PlacementGrowthChild, LastDatabaseAtTheEnd) {
  DVDB* db = open({0, 4 * kMiB});
  dv4u room = 0;
  EXPECT_EQ(_DV_int::can_grow_db_space(db, 2 * kMiB, room), 1);
  EXPECT_EQ(room, 2 * kMiB);
  EXPECT_EQ(_DV_int::get_region_size(), 6 * kMiB);
}

}  // namespace
