// Guards stored relationships across processes: one process links a few
// hundred persistent owners by a seeded workload and saves them with the
// text of their links; a second maps the database at another address, finds
// the same links with both sides agreeing, destroys some owners and saves; a
// third sees the result, still consistent.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_coll_typed.h"
#include "dv_cursor.h"
#include "dv_database_root.h"
#include "dv_list.h"
#include "dv_outofline_collection.h"
#include "dv_test_process.h"
#include "durnavel.h"
#include "rel_nodes.h"
#include "rel_workload.h"

using namespace dv_qem;
using dv_test::rel_node;

namespace {

constexpr int node_count = 300;
constexpr int workload_steps = 3000;

class RelProcess : public dv_test::coll_db_test {};
class RelProcessChild : public dv_test::coll_child_test {};

std::string file() { return std::getenv("DV_TEST_FILE"); }
std::string links_file() { return file() + ".links"; }

std::string read_text(const std::string& name) {
  std::ifstream in(name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_text(const std::string& name, const std::string& text) { std::ofstream(name) << text; }

dv_List<rel_node>& root_list(dv_database* db) {
  return *static_cast<dv_List<rel_node>*>(
      db->find_root("nodes")->get_value(dv_outofline_collection::get_dv_typespec()));
}

std::vector<rel_node*> nodes_of(dv_List<rel_node>& list) {
  std::vector<rel_node*> out;
  dv_cursor c(list);
  void* e = nullptr;
  for (int more = c.first(e); more; more = c.next(e)) out.push_back(static_cast<rel_node*>(e));
  return out;
}

TEST_F(RelProcess, LinksSurviveAReopenAtAnotherAddress) {
  const std::string db = path("rel.db");
  ASSERT_EQ(dv_test::run_child("RelProcessChild.Create", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x20000000"}}), 0);
  ASSERT_EQ(dv_test::run_child("RelProcessChild.Check", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x24100000"}}), 0);
  EXPECT_EQ(dv_test::run_child("RelProcessChild.See", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x20000000"}}), 0);
}

TEST_F(RelProcessChild, Create) {
  dv_database* db = dv_database::create(file().c_str(), 0644, 0, 0);
  std::vector<rel_node*> nodes;
  for (int i = 0; i < node_count; ++i) nodes.push_back(dv_test::make_node(db, i));
  dv_test::rel_workload workload(db, nodes, 20261211u);
  for (int i = 0; i < workload_steps; ++i) workload.step();
  ASSERT_EQ(dv_test::check_links(nodes), "");
  ASSERT_EQ(dv_test::describe(nodes), workload.model());
  dv_List<rel_node>& list = dv_List<rel_node>::create(db);
  for (rel_node* n : nodes) list.insert(n);
  db->create_root("nodes")->set_value(&list, dv_outofline_collection::get_dv_typespec());
  write_text(links_file(), dv_test::describe(nodes));
  db->save();
  db->close();
}

TEST_F(RelProcessChild, Check) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x24100000));
  dv_List<rel_node>& list = root_list(db);
  std::vector<rel_node*> nodes = nodes_of(list);
  ASSERT_EQ(nodes.size(), static_cast<std::size_t>(node_count));
  ASSERT_EQ(dv_test::check_links(nodes), "");
  ASSERT_EQ(dv_test::describe(nodes), read_text(links_file()));
  for (std::size_t i = 0; i < nodes.size(); i += 7) {
    list.remove(nodes[i]);
    dv_rel_delete(nodes[i]);
    nodes[i] = nullptr;
  }
  ASSERT_EQ(dv_test::check_links(nodes), "");
  write_text(links_file(), dv_test::describe(nodes));
  db->save();
  db->close();
}

TEST_F(RelProcessChild, See) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  std::vector<rel_node*> nodes = nodes_of(root_list(db));
  EXPECT_EQ(nodes.size(), static_cast<std::size_t>(node_count - (node_count + 6) / 7));
  EXPECT_EQ(dv_test::check_links(nodes), "");
  EXPECT_EQ(dv_test::describe(nodes), read_text(links_file()));
  db->close();
}

}  // namespace
