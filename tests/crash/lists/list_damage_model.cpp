// The generator and the walker of the damage tests' list database.
#include "list_damage_model.h"

#include "dv_cursor.h"
#include "dv_database_root.h"
#include "dv_list.h"
#include "dv_typespec.h"

using namespace dv_qem;
using namespace list_damage_model;

DV_DEFINE_TYPESPEC(Item, "DamageListItem", DV_NO_POINTERS, DV_NO_VTABLES);

namespace list_damage_model {

std::string root_name(unsigned k) { return "list" + std::to_string(k); }

model generate(const std::string& path, dv4u seed) {
  model m{};
  m.seed = seed;
  dv_database* db = dv_database::create(path.c_str(), 0644, 1, 0);
  char* start = static_cast<char*>(db->as_start());
  auto offset = [&](const void* p) { return static_cast<dv4u>(static_cast<const char*>(p) - start); };
  for (unsigned k = 0; k < kLists; ++k) {
    dv_list& list = dv_list::create(db);
    for (unsigned i = 0; i < kElements[k]; ++i) {
      Item* item = new (db, &dv_ts<Item>::the_instance) Item();
      item->id = k * 1000 + i;
      item->check = item_check(seed, k, i);
      list._insert_last(item);
      m.element[k][i] = offset(item);
    }
    m.head[k] = offset(&list);
    for (dv_chained_list_block* b = list.next_block(); b != nullptr; b = b->next_block(list))
      m.block[k][m.n_blocks[k]++] = offset(b);
    db->create_root(root_name(k).c_str())->set_value(&list, dv_list::get_dv_typespec());
  }
  char* padding = static_cast<char*>(::operator new(kPadding, db, dv_typespec::get_char(), kPadding));
  for (unsigned i = 0; i < kPadding; ++i) padding[i] = static_cast<char>(item_check(seed, kLists, i));
  db->create_root("padding")->set_value(padding, nullptr);
  db->self_check();
  db->save();
  db->close();
  return m;
}

namespace {

class walker {
 public:
  explicit walker(dv_database* db) : start_(static_cast<char*>(db->as_start())) {}
  void differ(const std::string& what) {
    if (differences_++ == 0) first_ = what;
  }
  // Whether p is the object at offset.
  bool is(const void* p, dv4u offset, const std::string& what) {
    if (p == start_ + offset) return true;
    differ(what + " points elsewhere");
    return false;
  }
  char* start() const { return start_; }
  unsigned differences() const { return differences_; }
  const std::string& first() const { return first_; }

 private:
  char* start_;
  unsigned differences_ = 0;
  std::string first_;
};

}  // namespace

unsigned walk(dv_database* db, const model& m, std::string& first) {
  walker w(db);
  for (unsigned k = 0; k < kLists; ++k) {
    const std::string what = "list " + std::to_string(k);
    const unsigned n = kElements[k];
    dv_database_root* root = db->find_root(root_name(k).c_str());
    if (root == nullptr) {
      w.differ("root of " + what + " missing");
      continue;
    }
    void* value = root->get_value(dv_list::get_dv_typespec());
    if (!w.is(value, m.head[k], what + " root")) continue;
    dv_list& list = *static_cast<dv_list*>(value);
    if (list._cardinality() != n) w.differ(what + " cardinality");

    dv_cursor c(list);
    unsigned i = 0;
    for (void* e = c.first(); e != nullptr && i <= n; e = c.next(), ++i)
      if (i == n || !w.is(e, m.element[k][i], what + " element " + std::to_string(i))) break;
    if (i != n) w.differ(what + " walked forward holds " + std::to_string(i) + " elements");
    i = 0;
    for (void* e = c.last(); e != nullptr && i <= n; e = c.previous(), ++i)
      if (i == n || !w.is(e, m.element[k][n - 1 - i], what + " element " + std::to_string(n - 1 - i) + " backward"))
        break;
    if (i != n) w.differ(what + " walked backward holds " + std::to_string(i) + " elements");

    for (i = 0; i < n; ++i) w.is(list._retrieve(i), m.element[k][i], what + " position " + std::to_string(i));
    const void* end = nullptr;
    if (list._retrieve_last(end) != 1) w.differ(what + " has no last element");
    w.is(end, m.element[k][n - 1], what + " last element");
    if (list._contains(w.start() + m.element[k][n - 1]) != 1) w.differ(what + " lacks its last element");
    if (list._count(w.start() + m.element[k][n / 2]) != 1) w.differ(what + " counts its middle element wrong");

    for (i = 0; i < n; ++i) {
      const Item* item = reinterpret_cast<const Item*>(w.start() + m.element[k][i]);
      if (item->id != k * 1000 + i || item->check != item_check(m.seed, k, i))
        w.differ(what + " item " + std::to_string(i) + " holds another value");
    }
  }
  first = w.first();
  return w.differences();
}

}  // namespace list_damage_model
