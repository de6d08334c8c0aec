// The generator and the walker of the damage tests' database.
#include "damage_model.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace dv_qem;
using namespace damage_model;

DV_DEFINE_TYPESPEC(Node, "DamageNode",
                   DV_POINTERS(offsetof(Node, next), offsetof(Node, other), offsetof(Node, text)),
                   DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Cell, "DamageCell", DV_POINTERS(offsetof(Cell, next), offsetof(Cell, item)), DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Shape, "DamageShape", DV_POINTERS(sizeof(void*) * 3), DV_VTABLES(0));
DV_DEFINE_TYPESPEC(Dir, "DamageDir",
                   DV_POINTERS(offsetof(Dir, chain), offsetof(Dir, list), offsetof(Dir, shapes[0]),
                               offsetof(Dir, shapes[1]), offsetof(Dir, shapes[2]), offsetof(Dir, shapes[3]),
                               offsetof(Dir, shapes[4]), offsetof(Dir, shapes[5]), offsetof(Dir, blobs[0]),
                               offsetof(Dir, blobs[1]), offsetof(Dir, blobs[2]), offsetof(Dir, table)),
                   DV_NO_VTABLES);

namespace damage_model {

namespace {

char* new_chars(dv_database* db, unsigned n) {
  return static_cast<char*>(::operator new(n, db, dv_typespec::get_char(), n));
}

template <class T>
T* new_object(dv_database* db) {
  return new (db, &dv_ts<T>::the_instance) T();
}

}  // namespace

model generate(const std::string& path, dv4u seed) {
  std::mt19937 rng(seed);
  model m{};
  m.seed = seed;
  dv_database* db = dv_database::create(path.c_str(), 0644, 1, 0);
  auto offset = [&](const void* p) { return p == nullptr ? 0u : static_cast<dv4u>(static_cast<const char*>(p) - static_cast<char*>(db->as_start())); };

  Dir* dir = new_object<Dir>(db);
  Node* nodes[kNodes];
  std::vector<void*> freed;
  for (unsigned i = 0; i < kNodes; ++i) {
    Node* node = new_object<Node>(db);
    unsigned len = rng() % 10 == 0 ? 1000 + rng() % 2000 : 8 + rng() % 300;
    char* text = new_chars(db, len);
    for (unsigned j = 0; j < len; ++j) text[j] = text_byte(seed, i, j);
    node->id = i;
    node->check = node_check(seed, i);
    node->text = text;
    node->text_len = len;
    nodes[i] = node;
    if (i % 7 == 3) {
      freed.push_back(new_object<Node>(db));
      freed.push_back(new_chars(db, 16 + rng() % 200));
    }
  }
  for (unsigned i = 0; i < kNodes; ++i) {
    nodes[i]->next = i + 1 < kNodes ? nodes[i + 1] : nullptr;
    unsigned other = rng() % (kNodes + 1);
    nodes[i]->other = other == 0 ? nullptr : nodes[other - 1];
    m.node[i] = offset(nodes[i]);
    m.other[i] = other;
    m.text[i] = offset(nodes[i]->text);
    m.text_len[i] = nodes[i]->text_len;
  }

  Cell* cells[kCells];
  for (unsigned i = 0; i < kCells; ++i) {
    cells[i] = new_object<Cell>(db);
    m.item[i] = rng() % kNodes;
    cells[i]->item = nodes[m.item[i]];
    cells[i]->seq = i;
    cells[i]->check = cell_check(seed, i);
  }
  for (unsigned i = 0; i < kCells; ++i) {
    cells[i]->next = i + 1 < kCells ? cells[i + 1] : nullptr;
    m.cell[i] = offset(cells[i]);
  }

  for (unsigned k = 0; k < kShapes; ++k) {
    Shape* shape = new (db, &dv_ts<Shape>::the_instance) Shape;
    shape->w = k + 1;
    shape->h = shape_height(seed, k);
    m.shape_owner[k] = rng() % kNodes;
    shape->owner = nodes[m.shape_owner[k]];
    dir->shapes[k] = shape;
    m.shape[k] = offset(shape);
  }

  void* freed_large = new_chars(db, 9000);
  for (unsigned b = 0; b < kBlobs; ++b) {
    unsigned len = 5000 + rng() % 9000;
    char* blob = new_chars(db, len);
    for (unsigned j = 0; j < len; ++j) blob[j] = blob_byte(seed, b, j);
    dir->blobs[b] = blob;
    dir->blob_len[b] = len;
    m.blob[b] = offset(blob);
    m.blob_len[b] = len;
  }
  auto* table = static_cast<Node*>(::operator new(sizeof(Node) * kTable, db, &dv_ts<Node>::the_instance, kTable));
  for (unsigned t = 0; t < kTable; ++t) {
    table[t].id = 100000 + t;
    table[t].check = table_check(seed, t);
    table[t].next = nodes[t % kNodes];
  }
  m.table = offset(table);
  durnavel::free_memory(freed_large);
  for (void* p : freed) durnavel::free_memory(p);

  dir->chain = nodes[0];
  dir->list = cells[0];
  dir->table = table;
  dir->n_nodes = kNodes;
  dir->n_cells = kCells;
  dir->seed = seed;
  m.dir = offset(dir);

  db->create_root("dir")->set_value(dir, &dv_ts<Dir>::the_instance);
  db->create_root("chain")->set_value(nodes[0], &dv_ts<Node>::the_instance);
  db->create_root("list")->set_value(cells[0], &dv_ts<Cell>::the_instance);
  db->create_root("blob0")->set_value(dir->blobs[0], nullptr);
  db->self_check();
  db->save();
  db->close();
  return m;
}

namespace {

class walker {
 public:
  walker(dv_database* db, const model& m) : start_(static_cast<char*>(db->as_start())), m_(m) {}

  unsigned differences() const { return differences_; }
  const std::string& first() const { return first_; }

  void differ(const std::string& what) {
    if (differences_++ == 0) first_ = what;
  }
  // Whether the pointer p is the object at offset (null for 0).
  bool is(const void* p, dv4u offset, const std::string& what) {
    const void* expected = offset == 0 ? nullptr : start_ + offset;
    if (p == expected) return true;
    differ(what + " points elsewhere");
    return false;
  }
  void equal(dv4u value, dv4u expected, const std::string& what) {
    if (value != expected) differ(what + " holds another value");
  }
  template <class T>
  T* at(dv4u offset) const {
    return reinterpret_cast<T*>(start_ + offset);
  }
  void chars(dv4u offset, dv4u len, char (*byte)(dv4u, unsigned, unsigned), unsigned which,
             const std::string& what) {
    const char* p = at<char>(offset);
    for (unsigned j = 0; j < len; ++j)
      if (p[j] != byte(m_.seed, which, j)) return differ(what + " byte " + std::to_string(j));
  }

 private:
  char* start_;
  const model& m_;
  unsigned differences_ = 0;
  std::string first_;
};

}  // namespace

unsigned walk(dv_database* db, const model& m, std::string& first) {
  walker w(db, m);
  auto value_of = [&](const char* name, dv_typespec* ts) -> void* {
    dv_database_root* root = db->find_root(name);
    if (root == nullptr) {
      w.differ(std::string("root ") + name + " missing");
      return nullptr;
    }
    return root->get_value(ts);
  };
  w.is(value_of("chain", &dv_ts<Node>::the_instance), m.node[0], "root chain");
  w.is(value_of("list", &dv_ts<Cell>::the_instance), m.cell[0], "root list");
  w.is(value_of("blob0", nullptr), m.blob[0], "root blob0");
  if (w.is(value_of("dir", &dv_ts<Dir>::the_instance), m.dir, "root dir")) {
    const Dir* dir = w.at<Dir>(m.dir);
    w.is(dir->chain, m.node[0], "dir chain");
    w.is(dir->list, m.cell[0], "dir list");
    for (unsigned k = 0; k < kShapes; ++k) w.is(dir->shapes[k], m.shape[k], "dir shape");
    for (unsigned b = 0; b < kBlobs; ++b) {
      w.is(dir->blobs[b], m.blob[b], "dir blob");
      w.equal(dir->blob_len[b], m.blob_len[b], "dir blob length");
    }
    w.is(dir->table, m.table, "dir table");
    w.equal(dir->n_nodes, kNodes, "dir node count");
    w.equal(dir->n_cells, kCells, "dir cell count");
    w.equal(dir->seed, m.seed, "dir seed");
  }

  for (unsigned i = 0; i < kNodes; ++i) {
    const std::string what = "node " + std::to_string(i);
    const Node* node = w.at<Node>(m.node[i]);
    w.equal(node->id, i, what + " id");
    w.equal(node->check, node_check(m.seed, i), what + " check");
    w.is(node->next, i + 1 < kNodes ? m.node[i + 1] : 0, what + " next");
    w.is(node->other, m.other[i] == 0 ? 0 : m.node[m.other[i] - 1], what + " other");
    w.is(node->text, m.text[i], what + " text");
    w.equal(node->text_len, m.text_len[i], what + " text length");
    w.chars(m.text[i], m.text_len[i], text_byte, i, what + " text");
  }
  for (unsigned i = 0; i < kCells; ++i) {
    const std::string what = "cell " + std::to_string(i);
    const Cell* cell = w.at<Cell>(m.cell[i]);
    w.is(cell->next, i + 1 < kCells ? m.cell[i + 1] : 0, what + " next");
    w.is(cell->item, m.node[m.item[i]], what + " item");
    w.equal(cell->seq, i, what + " seq");
    w.equal(cell->check, cell_check(m.seed, i), what + " check");
    for (dv4u spare : cell->spare) w.equal(spare, 0, what + " spare");
  }
  const Shape reference;
  void* vtable;
  std::memcpy(&vtable, &reference, sizeof vtable);
  for (unsigned k = 0; k < kShapes; ++k) {
    const std::string what = "shape " + std::to_string(k);
    const Shape* shape = w.at<Shape>(m.shape[k]);
    void* stored;
    std::memcpy(&stored, shape, sizeof stored);
    w.equal(shape->w, k + 1, what + " width");
    w.equal(shape->h, shape_height(m.seed, k), what + " height");
    w.is(shape->owner, m.node[m.shape_owner[k]], what + " owner");
    if (stored != vtable)
      w.differ(what + " virtual table");
    else
      w.equal(shape->area(), (k + 1) * shape_height(m.seed, k), what + " area");
  }
  for (unsigned b = 0; b < kBlobs; ++b) w.chars(m.blob[b], m.blob_len[b], blob_byte, b, "blob " + std::to_string(b));
  for (unsigned t = 0; t < kTable; ++t) {
    const std::string what = "table " + std::to_string(t);
    const Node* node = w.at<Node>(m.table) + t;
    w.equal(node->id, 100000 + t, what + " id");
    w.equal(node->check, table_check(m.seed, t), what + " check");
    w.is(node->next, m.node[t % kNodes], what + " next");
    w.is(node->other, 0, what + " other");
    w.is(node->text, 0, what + " text");
    w.equal(node->text_len, 0, what + " text length");
  }
  first = w.first();
  return w.differences();
}

}  // namespace damage_model
