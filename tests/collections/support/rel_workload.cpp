// The relationship workload's steps and its model (see rel_workload.h).
#include "rel_workload.h"

#include <sstream>

namespace dv_test {

rel_workload::rel_workload(dv_qem::dv_database* db, std::vector<rel_node*>& nodes, unsigned seed)
    : db_(db),
      nodes_(nodes),
      random_(seed),
      parent_(nodes.size(), -1),
      bag_parent_(nodes.size(), -1),
      bag_count_(nodes.size(), 0),
      partner_(nodes.size(), -1),
      likes_(nodes.size(), std::vector<bool>(nodes.size(), false)) {}

void rel_workload::forget(int a) {
  const int n = static_cast<int>(nodes_.size());
  for (int i = 0; i < n; ++i) {
    if (parent_[i] == a) parent_[i] = -1;
    if (bag_parent_[i] == a) bag_parent_[i] = -1, bag_count_[i] = 0;
    likes_[a][i] = likes_[i][a] = false;
  }
  parent_[a] = bag_parent_[a] = -1;
  bag_count_[a] = 0;
  if (partner_[a] >= 0) partner_[partner_[a]] = -1;
  partner_[a] = -1;
}

std::string rel_workload::step() {
  const int a = pick();
  const int b = pick();
  std::ostringstream did;
  switch (random_() % 10) {
    case 0:
      did << a << ".children.insert(" << b << ")";
      node(a)->children.insert(node(b));
      parent_[b] = a;
      break;
    case 1: {
      const int target = pick_or_none();
      did << b << ".parent = " << target;
      node(b)->parent = node(target);
      parent_[b] = target;
      break;
    }
    case 2:
      did << a << ".children.remove(" << b << ")";
      node(a)->children.remove(node(b));
      if (parent_[b] == a) parent_[b] = -1;
      break;
    case 3:
      did << a << ".likes.insert(" << b << ")";
      node(a)->likes.insert(node(b));
      likes_[a][b] = true;
      break;
    case 4:
      did << b << ".liked_by.remove(" << a << ")";
      node(b)->liked_by.remove(node(a));
      likes_[a][b] = false;
      break;
    case 5: {
      const int partner = a == b ? -1 : b;
      did << a << ".partner = " << partner;
      node(a)->partner = node(partner);
      if (partner_[a] >= 0) partner_[partner_[a]] = -1;
      if (partner >= 0) {
        if (partner_[partner] >= 0) partner_[partner_[partner]] = -1;
        partner_[partner] = a;
      }
      partner_[a] = partner;
      break;
    }
    case 6:
      did << a << ".children.clear()";
      node(a)->children.clear();
      for (int& p : parent_)
        if (p == a) p = -1;
      break;
    case 7:
      did << "destroy " << a;
      dv_qem::dv_rel_delete(node(a));
      nodes_[static_cast<unsigned>(a)] = make_node(db_, a);
      forget(a);
      break;
    case 8:
      did << a << ".bag_children.insert(" << b << ")";
      node(a)->bag_children.insert(node(b));
      if (bag_parent_[b] == a) {
        ++bag_count_[b];
      } else {
        bag_parent_[b] = a;
        bag_count_[b] = 1;
      }
      break;
    default:
      did << a << ".bag_children.remove(" << b << ")";
      node(a)->bag_children.remove(node(b));
      if (bag_parent_[b] == a && --bag_count_[b] == 0) bag_parent_[b] = -1;
      break;
  }
  return did.str();
}

std::string rel_workload::model() const {
  const int n = static_cast<int>(nodes_.size());
  auto list = [](const std::vector<int>& ids) {
    std::string out = "[";
    for (std::size_t i = 0; i < ids.size(); ++i) out += (i ? "," : "") + std::to_string(ids[i]);
    return out + "]";
  };
  std::ostringstream out;
  for (int i = 0; i < n; ++i) {
    std::vector<int> children, likes, liked_by, bag_children;
    for (int j = 0; j < n; ++j) {
      if (parent_[j] == i) children.push_back(j);
      if (likes_[i][j]) likes.push_back(j);
      if (likes_[j][i]) liked_by.push_back(j);
      if (bag_parent_[j] == i)
        for (int k = 0; k < bag_count_[j]; ++k) bag_children.push_back(j);
    }
    std::ostringstream line;
    if (parent_[i] >= 0) line << " p=" << parent_[i];
    if (!children.empty()) line << " c=" << list(children);
    if (!likes.empty()) line << " l=" << list(likes);
    if (!liked_by.empty()) line << " lb=" << list(liked_by);
    if (partner_[i] >= 0) line << " pt=" << partner_[i];
    if (!bag_children.empty()) line << " bc=" << list(bag_children);
    if (bag_parent_[i] >= 0) line << " bp=" << bag_parent_[i];
    if (!line.str().empty()) out << i << ':' << line.str() << '\n';
  }
  return out.str();
}

}  // namespace dv_test
