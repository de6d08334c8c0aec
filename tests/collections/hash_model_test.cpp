// Guards persistent hash sets and bags against a model: seeded random
// inserts, removals, lookups, walks and removals through a cursor over
// thousands of elements, so that tables grow, split, join and rebuild;
// after every step the structure is checked (directory runs, load limits,
// counts, every key at its own slot), every model element is found with its
// count and a walk delivers each element once per occurrence. Then the
// database is reopened in another process mapped at another address and the
// same data must be there (elements hash by database offset).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

#include "coll_db_test.h"
#include "dv_database_root.h"
#include "dv_dyn_hash.h"
#include "dv_test_process.h"
#include "dv_test_seed.h"
#include "durnavel.h"
#include "hash_workload.h"

using namespace dv_qem;

namespace {

constexpr unsigned pool_size = 3000;
constexpr unsigned steps = 20000;

struct config {
  const char* name;
  bool bag;
  unsigned expected;
  unsigned seed;  // added to the run's seed
  bool joins;  // whether the directory is wide enough for tables to join
};

void PrintTo(const config& c, std::ostream* os) { *os << c.name; }

// Distinct tables in the directory.
unsigned tables_of(const _Rhash& h) {
  unsigned n = 0;
  for (unsigned t = 0; t < h.directory_size(); ++t)
    if (h.table(t) != nullptr && (t == 0 || h.table(t) != h.table(t - 1))) ++n;
  return n;
}

class HashModel : public dv_test::coll_db_test, public ::testing::WithParamInterface<config> {};

TEST_P(HashModel, RandomWorkloadMatchesTheModel) {
  const config& cfg = GetParam();
  dv_database* db = dv_database::create(path("model.db").c_str(), 0644, 1, 0);
  void** pool = dv_test::make_pool(db, pool_size);
  _Rhash* hash = cfg.bag ? static_cast<_Rhash*>(&dv_bag::create(db, 0, cfg.expected))
                         : static_cast<_Rhash*>(&dv_set::create(db, 0, cfg.expected));
  // A fresh run each time (DV_TEST_SEED replays one); the configuration's
  // number keeps a set and a bag of one run on different sequences.
  const unsigned base = dv_test::seed(), seed = base + cfg.seed;
  std::printf("hash model %s: seed %u (replay with DV_TEST_SEED=%u)\n", cfg.name, seed, base);
  dv_test::hash_workload w(seed, pool, pool_size, hash, cfg.bag);
  unsigned most = 0, fewest_after_most = ~0u;
  for (unsigned n = 0; n < steps; ++n) {
    w.step(n);
    if (n % 100 == 99)
      w.check();
    else
      w.check_step();
    const unsigned tables = tables_of(*hash);
    if (tables > most) {
      most = tables;
      fewest_after_most = tables;
    }
    if (tables < fewest_after_most) fewest_after_most = tables;
    if (::testing::Test::HasFailure()) FAIL() << "DV_TEST_SEED=" << base << ", step " << n;
  }
  // The workload splits tables and joins them back.
  EXPECT_GE(most, 2u);
  if (cfg.joins) {
    EXPECT_LT(fewest_after_most, most);
  }
  dv_collection::destroy(*hash);
  db->close();
}

INSTANTIATE_TEST_SUITE_P(SetsAndBags, HashModel,
                         ::testing::Values(config{"set_from_one_table", false, 0, 101, false},
                                           config{"bag_from_a_directory", true, 3000, 202, true}),
                         [](const ::testing::TestParamInfo<config>& info) { return std::string(info.param.name); });

// ---- the same data in another process, mapped elsewhere ---------------------------

constexpr unsigned first_steps = 6000;
constexpr unsigned more_steps = 2000;

class HashRelocation : public dv_test::coll_db_test {};
class HashRelocationChild : public dv_test::coll_child_test {};

std::string file() { return std::getenv("DV_TEST_FILE"); }

TEST_F(HashRelocation, SetsAndBagsSurviveAnotherAddress) {
  std::string db = path("relocated.db");
  ASSERT_EQ(dv_test::run_child("HashRelocationChild.Create",
                               {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x20000000"}}),
            0);
  // The second start moves every address by a multiple of 2^20 that is not
  // one of 2^24: an address hash shifted left by 8 would change with it.
  for (const char* start : {"0x28000000", "0x24100000"}) {
    SCOPED_TRACE(start);
    EXPECT_EQ(dv_test::run_child("HashRelocationChild.Reopen",
                                 {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", start}, {"DV_TEST_START", start}}),
              0);
  }
}

TEST_F(HashRelocationChild, Create) {
  dv_database* db = dv_database::create(file().c_str(), 0644, 1, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x20000000));
  void** pool = dv_test::make_pool(db, pool_size);
  dv_set& set = dv_set::create(db, 0, 0);
  dv_bag& bag = dv_bag::create(db, 0, 3000);
  dv_test::hash_workload on_set(7, pool, pool_size, &set, false), on_bag(8, pool, pool_size, &bag, true);
  for (unsigned n = 0; n < first_steps; ++n) {
    on_set.step(n);
    on_bag.step(n);
  }
  on_set.check();
  on_bag.check();
  db->create_root("pool")->set_value(pool, dv_typespec::get_pointer());
  db->create_root("set")->set_value(&set, dv_set::get_dv_typespec());
  db->create_root("bag")->set_value(&bag, dv_bag::get_dv_typespec());
  db->save();
  db->close();
}

TEST_F(HashRelocationChild, Reopen) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(std::strtoul(std::getenv("DV_TEST_START"), nullptr, 16)));
  auto** pool = static_cast<void**>(db->find_root("pool")->get_value(dv_typespec::get_pointer()));
  auto* set = static_cast<dv_set*>(db->find_root("set")->get_value(dv_set::get_dv_typespec()));
  auto* bag = static_cast<dv_bag*>(db->find_root("bag")->get_value(dv_bag::get_dv_typespec()));
  ASSERT_EQ(dv_database::of(pool[0]), db);
  // Replay the models from the seeds (model only), then compare and go on.
  dv_test::hash_workload on_set(7, pool, pool_size, nullptr, false), on_bag(8, pool, pool_size, nullptr, true);
  for (unsigned n = 0; n < first_steps; ++n) {
    on_set.step(n);
    on_bag.step(n);
  }
  on_set.attach(set);
  on_bag.attach(bag);
  ASSERT_EQ(set->cardinality(), on_set.total());
  ASSERT_EQ(bag->cardinality(), on_bag.total());
  on_set.check();
  on_bag.check();
  for (unsigned n = first_steps; n < first_steps + more_steps; ++n) {
    on_set.step(n);
    on_bag.step(n);
    if (n % 50 == 0) {
      on_set.check();
      on_bag.check();
    }
  }
  on_set.check();
  on_bag.check();
  db->close();  // unsaved: the next reopening finds the data as created
}

}  // namespace
