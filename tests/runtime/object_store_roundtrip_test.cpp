// Guards the object store's main road across processes: one process creates
// a database of typed objects (a class with virtual functions, objects that
// point at each other, an object over several pages, an array, an array of
// pointers over two pages behind a vector header) under a named
// root and saves it; a second process opens the file mapped at another
// address, walks every pointer, makes virtual calls, changes a field and
// saves; a third process sees the change. Every process runs the self-check.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <string>

#include "db_test_support.h"
#include "dv_test_process.h"
#include "durnavel.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

class Animal {
 public:
  Animal() = default;
  explicit Animal(dv_probe_t) {}
  virtual ~Animal() = default;
  virtual int legs() const = 0;
  virtual int sound() const { return weight * 10 + legs(); }
  int weight = 0;
};

class Dog : public Animal {
 public:
  Dog() = default;
  explicit Dog(dv_probe_t p) : Animal(p) {}
  int legs() const override { return 4; }
};

class Bird : public Animal {
 public:
  Bird() = default;
  explicit Bird(dv_probe_t p) : Animal(p) {}
  int legs() const override { return 2; }
  int sound() const override { return -weight; }
};

constexpr unsigned kBlobBytes = 3 * 4096 + 100;  // a large object over four pages

struct Blob {
  unsigned char bytes[kBlobBytes];
};

struct Node {
  int id;
  Node* next;
  Animal* pet;
  Blob* blob;
};

struct Point {
  int x, y;
};

}  // namespace

DV_DEFINE_TYPESPEC(Dog, "Dog", DV_NO_POINTERS, DV_VTABLES(0));
DV_DEFINE_TYPESPEC(Bird, "Bird", DV_NO_POINTERS, DV_VTABLES(0));
DV_DEFINE_TYPESPEC(Blob, "Blob", DV_NO_POINTERS, DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Node, "Node",
                   DV_POINTERS(offsetof(Node, next), offsetof(Node, pet), offsetof(Node, blob)),
                   DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Point, "Point", DV_NO_POINTERS, DV_NO_VTABLES);

namespace {

constexpr int kNodes = 300;
constexpr unsigned kPoints = 500;
constexpr unsigned kRefs = 1500;  // 4 + 1500 x 4 bytes: a large object over two pages

// An array of node pointers that carries its count in a vector header word,
// the way a collection's slot array does; element i points at node i % kNodes.
Node** make_refs(dv_database* db) {
  void* block = ::operator new(sizeof(dv4u) + kRefs * sizeof(Node*), db, dv_typespec::get_pointer(), kRefs);
  *static_cast<dv4u*>(block) = kRefs;
  return reinterpret_cast<Node**>(static_cast<char*>(block) + sizeof(dv4u));
}

std::string file() { return std::getenv("DV_TEST_FILE"); }

class RoundTrip : public db_test {};
class RoundTripChild : public db_test {
 protected:
  void SetUp() override {
    if (!is_child()) GTEST_SKIP() << "runs in a child process";
    durnavel::initialize();
  }
};

unsigned char blob_byte(unsigned i) { return static_cast<unsigned char>(i * 7 + 3); }

TEST_F(RoundTrip, ObjectsTravelBetweenProcessesAtOtherAddresses) {
  std::string db = path("animals.db");
  env_list at_a = {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x20000000"}};
  env_list at_b = {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x28000000"}};
  ASSERT_EQ(run_child("RoundTripChild.Create", at_a), 0);
  ASSERT_EQ(run_child("RoundTripChild.WalkAndEdit", at_b), 0);
  EXPECT_EQ(run_child("RoundTripChild.SeeTheEdit", at_a), 0);
  EXPECT_EQ(run_child("RoundTripChild.SeeTheEdit", at_b), 0);
}

TEST_F(RoundTripChild, Create) {
  dv_database* db = dv_database::create(file().c_str(), 0644, 0, 0);
  Blob* blob = new (db, &dv_ts<Blob>::the_instance) Blob;
  for (unsigned i = 0; i < kBlobBytes; ++i) blob->bytes[i] = blob_byte(i);

  Node* head = nullptr;
  for (int i = kNodes - 1; i >= 0; --i) {
    Animal* pet = i % 3 == 0 ? static_cast<Animal*>(new (db, &dv_ts<Bird>::the_instance) Bird)
                             : static_cast<Animal*>(new (db, &dv_ts<Dog>::the_instance) Dog);
    pet->weight = i;
    Node* node = new (dv_cluster::with(pet), &dv_ts<Node>::the_instance) Node;
    *node = Node{i, head, pet, i % 50 == 0 ? blob : nullptr};
    head = node;
  }
  Point* points = dv_new_array<Point>(db, &dv_ts<Point>::the_instance, kPoints);
  for (unsigned i = 0; i < kPoints; ++i) points[i] = Point{static_cast<int>(i), -static_cast<int>(i)};

  Node** refs = make_refs(db);
  Node* by_id[kNodes];
  for (Node* n = head; n != nullptr; n = n->next) by_id[n->id] = n;
  for (unsigned i = 0; i < kRefs; ++i) refs[i] = by_id[i % kNodes];

  db->create_root("nodes")->set_value(head, &dv_ts<Node>::the_instance);
  db->create_root("points")->set_value(points, &dv_ts<Point>::the_instance);
  db->create_root("refs")->set_value(refs, dv_typespec::get_pointer());
  db->self_check();
  db->save();
  db->close();
}

TEST_F(RoundTripChild, WalkAndEdit) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  EXPECT_EQ(db->as_start(), reinterpret_cast<void*>(0x28000000));  // relocated
  Node* node = static_cast<Node*>(db->find_root("nodes")->get_value(&dv_ts<Node>::the_instance));
  int seen = 0;
  for (; node != nullptr; node = node->next, ++seen) {
    ASSERT_EQ(node->id, seen);
    ASSERT_EQ(dv_database::of(node->pet), db);
    EXPECT_EQ(node->pet->legs(), seen % 3 == 0 ? 2 : 4);
    EXPECT_EQ(node->pet->sound(), seen % 3 == 0 ? -seen : seen * 10 + 4);
    if (node->blob != nullptr) {
      bool whole = true;
      for (unsigned i = 0; i < kBlobBytes; ++i) whole = whole && node->blob->bytes[i] == blob_byte(i);
      EXPECT_TRUE(whole) << "blob seen from node " << seen;
    }
    node->pet->weight += 1000;  // the edit the next process must see
  }
  EXPECT_EQ(seen, kNodes);

  Point* points = static_cast<Point*>(db->find_root("points")->get_value(&dv_ts<Point>::the_instance));
  unsigned count = 0, offset = 0;
  EXPECT_EQ(dv_typespec::typespec_at(&points[kPoints / 2], count, offset), &dv_ts<Point>::the_instance);
  EXPECT_EQ(count, kPoints);
  EXPECT_EQ(offset, kPoints / 2 * sizeof(Point));
  for (unsigned i = 0; i < kPoints; ++i) ASSERT_EQ(points[i].y, -static_cast<int>(i));
  points[7].x = 7007;

  // The pointer array is relocated as a whole, whichever page is touched
  // first: here its second page.
  auto** refs = static_cast<Node**>(db->find_root("refs")->get_value(dv_typespec::get_pointer()));
  for (unsigned i = kRefs; i-- > 0;) {
    ASSERT_EQ(dv_database::of(refs[i]), db) << "element " << i;
    ASSERT_EQ(refs[i]->id, static_cast<int>(i % kNodes)) << "element " << i;
  }

  db->self_check();
  db->save();
  db->close();
}

TEST_F(RoundTripChild, SeeTheEdit) {
  dv_database* db = dv_database::open(file().c_str(), 1, 0, 0);
  Node* node = static_cast<Node*>(db->find_root("nodes")->get_value(&dv_ts<Node>::the_instance));
  for (int i = 0; node != nullptr; node = node->next, ++i) {
    ASSERT_EQ(node->pet->weight, i + 1000);
    ASSERT_EQ(node->pet->sound(), i % 3 == 0 ? -(i + 1000) : (i + 1000) * 10 + 4);
  }
  Point* points = static_cast<Point*>(db->find_root("points")->get_value(&dv_ts<Point>::the_instance));
  EXPECT_EQ(points[7].x, 7007);
  db->self_check();
  db->close();
}

}  // namespace
