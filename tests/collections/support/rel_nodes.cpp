// The relationship tests' owner class: its typespec (the soft pointers and
// virtual-table pointers of every member, for relocation), printing and the
// both-sides check.
#include "rel_nodes.h"

#include <algorithm>
#include <sstream>

#include "dv_cursor.h"
#include "dv_new.h"

using dv_qem::dv_rel_offset;
using dv_test::rel_node;

DV_DEFINE_TYPESPEC(rel_node, "dv_test::rel_node",
                   DV_POINTERS(dv_rel_offset(&rel_node::children) + 4, dv_rel_offset(&rel_node::parent),
                               dv_rel_offset(&rel_node::likes) + 4, dv_rel_offset(&rel_node::liked_by) + 4,
                               dv_rel_offset(&rel_node::partner), dv_rel_offset(&rel_node::bag_children) + 4,
                               dv_rel_offset(&rel_node::bag_parent), dv_rel_offset(&rel_node::list_children) + 4,
                               dv_rel_offset(&rel_node::list_parent), dv_rel_offset(&rel_node::bag_likes) + 4,
                               dv_rel_offset(&rel_node::bag_liked_by) + 4),
                   DV_VTABLES(0, dv_rel_offset(&rel_node::children), dv_rel_offset(&rel_node::likes),
                              dv_rel_offset(&rel_node::liked_by), dv_rel_offset(&rel_node::bag_children),
                              dv_rel_offset(&rel_node::list_children), dv_rel_offset(&rel_node::bag_likes),
                              dv_rel_offset(&rel_node::bag_liked_by)));

namespace dv_test {

rel_node* make_node(dv_qem::dv_database* db, int id) {
  if (db == nullptr) db = dv_qem::dv_database::get_transient_database();
  return new (db, &dv_qem::dv_ts<rel_node>::the_instance) rel_node(id);
}

namespace {

int id_of(const void* node) { return node == nullptr ? -1 : static_cast<const rel_node*>(node)->id; }

std::vector<void*> elements(const dv_qem::dv_collection& c) {
  std::vector<void*> out;
  dv_qem::dv_cursor cursor(c);
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) out.push_back(e);
  return out;
}

// The ids, sorted unless the collection keeps an order.
std::string ids(const dv_qem::dv_collection& c, bool ordered) {
  std::vector<int> v;
  for (void* e : elements(c)) v.push_back(id_of(e));
  if (!ordered) std::sort(v.begin(), v.end());
  std::string out = "[";
  for (std::size_t i = 0; i < v.size(); ++i) out += (i ? "," : "") + std::to_string(v[i]);
  return out + "]";
}

}  // namespace

std::string describe(const std::vector<rel_node*>& nodes) {
  std::ostringstream out;
  for (rel_node* n : nodes) {
    if (n == nullptr) continue;
    std::ostringstream line;
    auto single = [&](const char* name, void* v) {
      if (v != nullptr) line << ' ' << name << '=' << id_of(v);
    };
    auto multi = [&](const char* name, const dv_qem::dv_collection& c, bool ordered) {
      if (c.cardinality() != 0) line << ' ' << name << '=' << ids(c, ordered);
    };
    single("p", n->parent.getvalue());
    multi("c", n->children, false);
    multi("l", n->likes, false);
    multi("lb", n->liked_by, false);
    single("pt", n->partner.getvalue());
    multi("bc", n->bag_children, false);
    single("bp", n->bag_parent.getvalue());
    multi("lc", n->list_children, true);
    single("lp", n->list_parent.getvalue());
    multi("bl", n->bag_likes, false);
    multi("blb", n->bag_liked_by, false);
    if (!line.str().empty()) out << n->id << ':' << line.str() << '\n';
  }
  return out.str();
}

std::string check_links(const std::vector<rel_node*>& nodes) {
  std::ostringstream bad;
  auto many_to_one = [&](rel_node* n, const char* what, const dv_qem::dv_collection& c, void* (*inverse)(rel_node*)) {
    for (void* e : elements(c)) {
      auto* child = static_cast<rel_node*>(e);
      if (inverse(child) != n)
        bad << what << " of " << n->id << " holds " << child->id << " naming " << id_of(inverse(child)) << '\n';
    }
  };
  auto one_to_many = [&](rel_node* n, const char* what, void* target, const dv_qem::dv_collection& (*side)(rel_node*)) {
    if (target != nullptr && !side(static_cast<rel_node*>(target)).contains(n))
      bad << what << " of " << n->id << " names " << id_of(target) << " which does not hold it\n";
  };
  for (rel_node* n : nodes) {
    if (n == nullptr) continue;
    many_to_one(n, "children", n->children, [](rel_node* c) { return c->parent.getvalue(); });
    many_to_one(n, "bag_children", n->bag_children, [](rel_node* c) { return c->bag_parent.getvalue(); });
    many_to_one(n, "list_children", n->list_children, [](rel_node* c) { return c->list_parent.getvalue(); });
    one_to_many(n, "parent", n->parent.getvalue(), [](rel_node* t) -> const dv_qem::dv_collection& { return t->children; });
    one_to_many(n, "bag_parent", n->bag_parent.getvalue(),
                [](rel_node* t) -> const dv_qem::dv_collection& { return t->bag_children; });
    one_to_many(n, "list_parent", n->list_parent.getvalue(),
                [](rel_node* t) -> const dv_qem::dv_collection& { return t->list_children; });
    for (void* e : elements(n->likes))
      if (static_cast<rel_node*>(e)->liked_by.count(n) != n->likes.count(e))
        bad << "likes of " << n->id << " holds " << id_of(e) << " not matched by its liked_by\n";
    for (void* e : elements(n->liked_by))
      if (static_cast<rel_node*>(e)->likes.count(n) != n->liked_by.count(e))
        bad << "liked_by of " << n->id << " holds " << id_of(e) << " not matched by its likes\n";
    for (void* e : elements(n->bag_likes))
      if (!static_cast<rel_node*>(e)->bag_liked_by.contains(n))
        bad << "bag_likes of " << n->id << " holds " << id_of(e) << " not matched by its bag_liked_by\n";
    for (void* e : elements(n->bag_liked_by))
      if (!static_cast<rel_node*>(e)->bag_likes.contains(n))
        bad << "bag_liked_by of " << n->id << " holds " << id_of(e) << " not matched by its bag_likes\n";
    if (void* p = n->partner.getvalue())
      if (static_cast<rel_node*>(p)->partner.getvalue() != n)
        bad << "partner of " << n->id << " is " << id_of(p) << " whose partner is "
            << id_of(static_cast<rel_node*>(p)->partner.getvalue()) << '\n';
  }
  return bad.str();
}

}  // namespace dv_test
