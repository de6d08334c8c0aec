// A seeded random workload of link, unlink, clear and destroy steps over
// relationship test nodes, kept beside a simple model of every link; the
// model prints in describe()'s format, so a step's result is checked by
// comparing the two texts.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "rel_nodes.h"

namespace dv_test {

class rel_workload {
 public:
  // Works on nodes (ids 0 .. size-1, all present, no links) made in db.
  rel_workload(dv_qem::dv_database* db, std::vector<rel_node*>& nodes, unsigned seed);

  // One random step; returns what it did.
  std::string step();
  // The model's links in describe()'s format.
  std::string model() const;

 private:
  int pick() { return static_cast<int>(random_() % nodes_.size()); }
  // -1 about one time in five, else a node.
  int pick_or_none() { return random_() % 5 == 0 ? -1 : pick(); }
  rel_node* node(int i) const { return i < 0 ? nullptr : nodes_[static_cast<unsigned>(i)]; }
  void forget(int i);

  dv_qem::dv_database* db_;
  std::vector<rel_node*>& nodes_;
  std::mt19937 random_;
  // Model: parent, bag parent with its occurrence count, partner (-1: none)
  // and the likes pairs (a likes b).
  std::vector<int> parent_, bag_parent_, bag_count_, partner_;
  std::vector<std::vector<bool>> likes_;
};

}  // namespace dv_test
