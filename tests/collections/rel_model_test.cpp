// Guards the relationship upkeep against a model: seeded random link, unlink,
// clear and destroy steps over persistent owners (one-to-many over a set and
// a bag, many-to-many, one-to-one); after every step the links equal the
// model's and both sides of each link agree. The seed is printed on failure.
#include <gtest/gtest.h>

#include <vector>

#include "coll_db_test.h"
#include "dv_test_seed.h"
#include "rel_nodes.h"
#include "rel_workload.h"

using namespace dv_qem;
using dv_test::rel_node;

namespace {

constexpr int node_count = 12;
constexpr int steps_per_seed = 600;
constexpr int seeds = 3;

class RelModel : public dv_test::coll_db_test {};

TEST_F(RelModel, RandomLinksStayConsistent) {
  dv_database* db = dv_database::create(path("model.db").c_str(), 0644, 0, 0);
  for (int round = 0; round < seeds; ++round) {
    const unsigned seed = dv_test::seed() + static_cast<unsigned>(round);
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::vector<rel_node*> nodes;
    for (int i = 0; i < node_count; ++i) nodes.push_back(dv_test::make_node(db, i));
    dv_test::rel_workload workload(db, nodes, seed);
    for (int i = 0; i < steps_per_seed; ++i) {
      const std::string did = workload.step();
      ASSERT_EQ(dv_test::check_links(nodes), "") << "after step " << i << ": " << did;
      ASSERT_EQ(dv_test::describe(nodes), workload.model()) << "after step " << i << ": " << did;
    }
    for (rel_node* n : nodes) dv_rel_delete(n);
  }
  db->close();
}

}  // namespace
