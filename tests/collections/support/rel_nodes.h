// A small persistent owner class with one member of every relationship kind,
// for the relationship tests: parent/children (one-to-many over a set),
// likes/liked_by (many-to-many over sets), partner (one-to-one), and
// one-to-many pairs whose many side is a bag and a list, and a many-to-many
// pair whose one side is a bag. describe() prints
// every link; check_links() verifies that both sides of each agree.
#pragma once

#include <string>
#include <vector>

#include "dv_rel_typed.h"
#include "dv_typespec.h"

namespace dv_test {

struct rel_node;
struct node_children;
struct node_parent;
struct node_likes;
struct node_liked_by;
struct node_partner;
struct node_bag_children;
struct node_bag_parent;
struct node_list_children;
struct node_list_parent;
struct node_bag_likes;
struct node_bag_liked_by;

struct rel_node {
  rel_node() = default;
  explicit rel_node(int number) : id(number) {}
  explicit rel_node(dv_qem::dv_probe_t p)
      : children(p), likes(p), liked_by(p), bag_children(p), list_children(p), bag_likes(p), bag_liked_by(p) {}
  virtual ~rel_node() = default;

  int id = 0;
  dv_qem::dv_rel_m_1_member<node_children> children;
  dv_qem::dv_rel_1_m_member<node_parent> parent;
  dv_qem::dv_rel_m_m_member<node_likes> likes;
  dv_qem::dv_rel_m_m_member<node_liked_by> liked_by;
  dv_qem::dv_rel_1_1_member<node_partner> partner;
  dv_qem::dv_rel_m_1_member<node_bag_children> bag_children;
  dv_qem::dv_rel_1_m_member<node_bag_parent> bag_parent;
  dv_qem::dv_rel_m_1_member<node_list_children> list_children;
  dv_qem::dv_rel_1_m_member<node_list_parent> list_parent;
  dv_qem::dv_rel_m_m_member<node_bag_likes> bag_likes;        // a bag
  dv_qem::dv_rel_m_m_member<node_bag_liked_by> bag_liked_by;  // a set
};

#define DV_TEST_REL_SPEC(NAME, MEMBER, INVERSE, BEHAVIOR)                                         \
  struct NAME {                                                                                   \
    static int member_offset() { return dv_qem::dv_rel_offset(&rel_node::MEMBER); }               \
    static int inverse_offset() { return dv_qem::dv_rel_offset(&rel_node::INVERSE); }             \
    static constexpr unsigned value_behavior = BEHAVIOR;                                          \
  };
DV_TEST_REL_SPEC(node_children, children, parent, 0)
DV_TEST_REL_SPEC(node_parent, parent, children, 0)
DV_TEST_REL_SPEC(node_likes, likes, liked_by, 0)
DV_TEST_REL_SPEC(node_liked_by, liked_by, likes, 0)
DV_TEST_REL_SPEC(node_partner, partner, partner, 0)
DV_TEST_REL_SPEC(node_bag_children, bag_children, bag_parent, dv_qem::dv_allow_duplicates)
DV_TEST_REL_SPEC(node_bag_parent, bag_parent, bag_children, 0)
DV_TEST_REL_SPEC(node_list_children, list_children, list_parent,
                 dv_qem::dv_allow_duplicates | dv_qem::dv_maintain_order)
DV_TEST_REL_SPEC(node_list_parent, list_parent, list_children, 0)
DV_TEST_REL_SPEC(node_bag_likes, bag_likes, bag_liked_by, dv_qem::dv_allow_duplicates)
DV_TEST_REL_SPEC(node_bag_liked_by, bag_liked_by, bag_likes, 0)
#undef DV_TEST_REL_SPEC

// A new node in db (or the transient database when db is null).
rel_node* make_node(dv_qem::dv_database* db, int id);

// Every link of the nodes, one line per node that has any, e.g.
// "1: p=0 c=[2,3] l=[4] pt=5 bc=[2,2] lc=[3,2] bl=[4,4] blb=[2]".
std::string describe(const std::vector<rel_node*>& nodes);

// "" when every link of the nodes is matched by its inverse (counting
// occurrences where a side keeps them), else what disagrees.
std::string check_links(const std::vector<rel_node*>& nodes);

}  // namespace dv_test

DV_DECLARE_TYPESPEC(dv_test::rel_node);
