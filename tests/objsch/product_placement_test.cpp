// Guards placing products in departments: insertion after / before a
// position, adding to the all-products list at a position, taking a product
// out of a list and freeing it. A seeded random sequence of these is
// checked after every step against a simple model (the order of every
// list), with both sides of every department link in step, no list holding
// a product twice, and no list holding a freed product.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "department.h"
#include "product.h"
#include "shop_lists.h"
#include "shop_test_shop.h"

namespace {

template <class T>
std::vector<T*> Elements(dv_qem::dv_List<T>* list) {
  std::vector<T*> out;
  for (unsigned i = 0; i < list->cardinality(); ++i) out.push_back(list->retrieve(i));
  return out;
}

class ProductPlacement : public shop_test::shop_test {
 protected:
  Department* NewDepartment() {
    Department* d = Department::CreateNew(TRUE);
    d->AddToShop();
    return d;
  }
  std::vector<Product*> AllProducts() { return Elements(root_->GetAllProductsDept()->GetProducts()); }
};

TEST_F(ProductPlacement, InsertBeforeAndAfterPositions) {
  Department* d = NewDepartment();
  Product* a = Product::CreateNew(TRUE);
  Product* b = Product::CreateNew(TRUE);
  Product* c = Product::CreateNew(TRUE);
  a->InsertBefore(d, -1);
  b->InsertBefore(d, 0);
  EXPECT_EQ(Elements(d->GetProducts()), (std::vector<Product*>{b, a})) << "before 0: first; -1: last";
  c->InsertAfter(d, 0);
  EXPECT_EQ(Elements(d->GetProducts()), (std::vector<Product*>{b, c, a}));
  a->InsertAfter(d, 99);
  EXPECT_EQ(Elements(d->GetProducts()), (std::vector<Product*>{b, c, a})) << "past the end: at the end, once";
  b->InsertAfter(d, 1);
  EXPECT_EQ(Elements(d->GetProducts()), (std::vector<Product*>{c, a, b})) << "a product in the list moves";
  EXPECT_EQ(Elements(a->m_pDepartments), (std::vector<Department*>{d})) << "one link, however often placed";
  EXPECT_EQ(AllProducts(), (std::vector<Product*>{a, b, c})) << "each registered once";
  EXPECT_EQ(a->GetID(), 1u);
  EXPECT_EQ(b->GetID(), 2u);
}

TEST_F(ProductPlacement, TheAllProductsDepartmentAsTargetOnlyRegisters) {
  Department* all = root_->GetAllProductsDept();
  Product* p = Product::CreateNew(TRUE);
  p->InsertAfter(all, -1);
  p->InsertBefore(all, 0);
  const std::vector<Product*> registered = AllProducts();
  EXPECT_EQ(std::count(registered.begin(), registered.end(), p), 1);
  EXPECT_EQ(p->m_pDepartments->cardinality(), 0u);
}

TEST_F(ProductPlacement, AddBeforeAndAfterPlaceInTheAllProductsList) {
  Department* d = NewDepartment();
  Product* q = Product::CreateNew(TRUE);
  q->AssignToAllProducts();
  Product* p = Product::CreateNew(TRUE);
  p->AddBefore(d, 0);
  EXPECT_EQ(AllProducts(), (std::vector<Product*>{p, q}));
  EXPECT_NE(p->GetID(), 0u);
  EXPECT_EQ(Elements(d->GetProducts()), (std::vector<Product*>{p}));
  EXPECT_EQ(Elements(p->m_pDepartments), (std::vector<Department*>{d}));
  const objsch::dv4u id = p->GetID();
  p->AddAfter(d, 0);
  EXPECT_EQ(AllProducts(), (std::vector<Product*>{q, p})) << "moved, not added again";
  EXPECT_EQ(p->GetID(), id);
  EXPECT_EQ(d->GetProducts()->cardinality(), 1u);
}

TEST_F(ProductPlacement, RemovingFromADepartmentDropsTheLinkOnBothSides) {
  Department* d = NewDepartment();
  Department* other = NewDepartment();
  Product* p = Product::CreateNew(TRUE);
  p->AddToDepartment(d, -1);
  p->AddToDepartment(other, -1);
  EXPECT_EQ(p->RemoveFromList(d->GetProducts()), 2);
  EXPECT_EQ(p->RemoveFromList(d->GetProducts()), 0);
  EXPECT_EQ(Elements(p->m_pDepartments), (std::vector<Department*>{other}));
  EXPECT_EQ(Elements(other->GetProducts()), (std::vector<Product*>{p}));

  EXPECT_TRUE(p->RemoveFromListAndFree(other->GetProducts(), FALSE));
  EXPECT_FALSE(p->RemoveFromListAndFree(other->GetProducts(), TRUE)) << "freed though not in the list";
  const std::vector<Product*> all = AllProducts();
  EXPECT_EQ(std::count(all.begin(), all.end(), p), 0);
}

// The model: the order of the all-products list, of each department's
// product list and of each product's department links.
struct Model {
  std::vector<Product*> all;
  std::map<Department*, std::vector<Product*>> products;
  std::map<Product*, std::vector<Department*>> links;

  static void Place(std::vector<Product*>& list, Product* p, int position, bool after) {
    list.erase(std::remove(list.begin(), list.end(), p), list.end());
    if (position < 0 || static_cast<size_t>(position) >= list.size())
      list.push_back(p);
    else
      list.insert(list.begin() + position + (after ? 1 : 0), p);
  }
  void Register(Product* p) {
    if (std::find(all.begin(), all.end(), p) == all.end()) all.push_back(p);
  }
  void Link(Product* p, Department* d) {
    auto& l = links[p];
    if (std::find(l.begin(), l.end(), d) == l.end()) l.push_back(d);
    auto& list = products[d];
    if (std::find(list.begin(), list.end(), p) == list.end()) list.push_back(p);
  }
  void Remove(Product* p, Department* d) {
    auto& list = products[d];
    list.erase(std::remove(list.begin(), list.end(), p), list.end());
    auto& l = links[p];
    l.erase(std::remove(l.begin(), l.end(), d), l.end());
  }
  void Free(Product* p) {
    all.erase(std::remove(all.begin(), all.end(), p), all.end());
    for (auto& [d, list] : products) list.erase(std::remove(list.begin(), list.end(), p), list.end());
    links.erase(p);
  }
};

TEST_F(ProductPlacement, RandomSequencesFollowTheModel) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::printf("placement model seed %u\n", seed);
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };

    Model model;
    model.all = AllProducts();
    std::vector<Department*> departments = {NewDepartment(), NewDepartment(), NewDepartment()};
    for (Department* d : departments) model.products[d];
    std::vector<Product*> products;
    std::set<const void*> freed;
    for (int i = 0; i < 5; ++i) products.push_back(Product::CreateNew(TRUE));

    for (int step = 0; step < 150; ++step) {
      SCOPED_TRACE(step);
      Product* p = products[pick(static_cast<int>(products.size()))];
      Department* d = departments[pick(static_cast<int>(departments.size()))];
      const int position = pick(8) - 1;
      switch (pick(7)) {
        case 0:
        case 1: {
          const bool after = pick(2) == 0;
          after ? p->InsertAfter(d, position) : p->InsertBefore(d, position);
          model.Register(p);
          auto& l = model.links[p];
          if (std::find(l.begin(), l.end(), d) == l.end()) l.push_back(d);
          Model::Place(model.products[d], p, position, after);
          break;
        }
        case 2: {
          const bool after = pick(2) == 0;
          after ? p->AddAfter(d, position) : p->AddBefore(d, position);
          Model::Place(model.all, p, position, after);
          model.Link(p, d);
          break;
        }
        case 3:
          p->LinkToDepartment(d, -1);
          model.Link(p, d);
          break;
        case 4:
        case 5: {
          auto& list = model.products[d];
          const bool there = std::find(list.begin(), list.end(), p) != list.end();
          EXPECT_EQ(p->RemoveFromList(d->GetProducts()), there ? 2 : 0);
          model.Remove(p, d);
          break;
        }
        case 6: {
          auto& list = model.products[d];
          const bool there = std::find(list.begin(), list.end(), p) != list.end();
          EXPECT_EQ(p->RemoveFromListAndFree(d->GetProducts(), TRUE), there ? TRUE : FALSE);
          model.Free(p);
          freed.insert(p);
          Product* fresh = Product::CreateNew(TRUE);
          freed.erase(fresh);  // the allocator may give the freed place again
          std::replace(products.begin(), products.end(), p, fresh);
          break;
        }
      }

      ASSERT_EQ(AllProducts(), model.all);
      for (Department* dept : departments) {
        ASSERT_EQ(Elements(dept->GetProducts()), model.products[dept]);
        for (Product* e : Elements(dept->GetProducts())) ASSERT_EQ(freed.count(e), 0u);
      }
      for (Product* product : products) {
        const std::vector<Department*> links = Elements(product->m_pDepartments);
        ASSERT_EQ(links, model.links[product]);
        for (Department* dept : links) ASSERT_TRUE(dept->GetProducts()->contains(product)) << "link without listing";
      }
    }
    for (Product* p : products) objsch::DeleteObject(p);
    for (Department* d : departments) {
      d->RemoveFromList(root_->GetChildren());
      Department::Delete(d);
      dv_qem::durnavel::free_memory(d);
    }
  }
}

}  // namespace
