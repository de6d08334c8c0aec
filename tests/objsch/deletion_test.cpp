// Guards deleting departments and destroying products: afterwards no list
// of the shop (departments, products, shortcuts, related lists, the
// recycle bin) holds a freed object, other products stay where they were,
// and a product that loses its last ordinary department loses its
// shortcuts, also when its last ones lie in the deleted subtree; a tree
// that comes round on itself is deleted with each department once. The
// shop's self-check runs after each test.
#include <gtest/gtest.h>

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
  dv_qem::dv_cursor cursor(*list);
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) out.push_back(static_cast<T*>(e));
  return out;
}

class Deletion : public shop_test::shop_test {
 protected:
  // Walks every department and product reachable from the special
  // departments and fails on any list element that is in freed.
  void ExpectNoListHolds(const std::set<const void*>& freed) {
    std::set<const void*> seen;
    std::vector<Department*> departments;
    for (unsigned i = 0; i < Root::kSpecialDeptCount; ++i) departments.push_back(root_->GetSpecialDept(i));
    std::vector<Product*> products;
    while (!departments.empty()) {
      Department* d = departments.back();
      departments.pop_back();
      if (!seen.insert(d).second) continue;
      for (auto* list : {d->GetChildren(), d->GetRelated()})
        for (Department* e : Elements(list)) {
          EXPECT_EQ(freed.count(e), 0u) << "a department list holds freed " << e;
          if (!freed.count(e)) departments.push_back(e);
        }
      for (auto* list : {d->GetProducts(), d->GetShortcuts()})
        for (Product* e : Elements(list)) {
          EXPECT_EQ(freed.count(e), 0u) << "a product list holds freed " << e;
          if (!freed.count(e)) products.push_back(e);
        }
      while (!products.empty()) {
        Product* p = products.back();
        products.pop_back();
        if (!seen.insert(p).second) continue;
        for (auto* list : {p->m_pDepartments, p->m_pShortcutDepts})
          for (Department* e : Elements(list)) {
            EXPECT_EQ(freed.count(e), 0u) << "a product's department list holds freed " << e;
            if (!freed.count(e)) departments.push_back(e);
          }
        for (Product* e : Elements(p->m_pRelated)) {
          EXPECT_EQ(freed.count(e), 0u) << "a related list holds freed " << e;
          if (!freed.count(e)) products.push_back(e);
        }
      }
    }
  }
};

TEST_F(Deletion, ADepartmentWithASubtree) {
  Department* top = Department::CreateNew(TRUE);
  top->AddToShop();
  Department* sub = Department::CreateNew(TRUE);
  sub->AddToParent(top);
  Department* other = Department::CreateNew(TRUE);
  other->AddToShop();
  top->GetRelated()->insert_last(other);
  other->GetRelated()->insert_last(top);
  sub->GetRelated()->insert_last(other);
  other->GetRelated()->insert_last(sub);

  Product* inSub = Product::CreateNew(TRUE);
  inSub->AddToDepartment(sub, -1);
  Product* inBoth = Product::CreateNew(TRUE);
  inBoth->AddToDepartment(top, -1);
  inBoth->LinkToDepartment(other, -1);
  Product* binned = Product::CreateNew(TRUE);
  binned->AddToDepartment(root_->GetRecycleBinDept(), -1);
  binned->m_pDepartments->insert_last(sub);
  sub->GetShortcuts()->insert_last(binned);
  binned->m_pShortcutDepts->insert_last(sub);

  EXPECT_TRUE(top->HasSubDepartments());
  root_->GetChildren()->remove(top);
  Department::Delete(top);
  dv_qem::durnavel::free_memory(top);

  ExpectNoListHolds({top, sub});
  EXPECT_EQ(Elements(inBoth->m_pDepartments), std::vector<Department*>{other});
  EXPECT_TRUE(inSub->m_pDepartments->empty());
  EXPECT_EQ(Elements(binned->m_pDepartments), std::vector<Department*>{root_->GetRecycleBinDept()});
  EXPECT_TRUE(binned->m_pShortcutDepts->empty());
  EXPECT_TRUE(other->GetRelated()->empty());
  EXPECT_TRUE(root_->GetAllProductsDept()->GetProducts()->contains(inSub));
}

TEST_F(Deletion, LosingTheLastOrdinaryDepartmentDropsShortcuts) {
  Department* shortcuts = Department::CreateNew(TRUE);
  shortcuts->SetDeptType2(1);
  shortcuts->AddToShop();
  enum class also { nothing, another_ordinary, the_lost_ones_sub_department };
  struct Case {
    const char* what;
    also second;
    bool keeps_shortcut;
  } cases[] = {{"only ordinary department lost", also::nothing, false},
               {"another ordinary department", also::another_ordinary, true},
               {"the other one is in the deleted subtree", also::the_lost_ones_sub_department, false}};
  for (const Case& c : cases) {
    Department* lost = Department::CreateNew(TRUE);
    lost->AddToShop();
    Department* sub = Department::CreateNew(TRUE);
    sub->AddToParent(lost);
    Product* p = Product::CreateNew(TRUE);
    p->AddToDepartment(lost, -1);
    if (c.second == also::another_ordinary) p->LinkToDepartment(root_->GetChildren()->retrieve(0), -1);
    if (c.second == also::the_lost_ones_sub_department) p->LinkToDepartment(sub, -1);
    shortcuts->GetShortcuts()->insert_last(p);
    p->m_pShortcutDepts->insert_last(shortcuts);
    root_->GetChildren()->remove(lost);
    Department::Delete(lost);
    dv_qem::durnavel::free_memory(lost);
    EXPECT_EQ(shortcuts->GetShortcuts()->contains(p) != 0, c.keeps_shortcut) << c.what;
    EXPECT_EQ(p->m_pShortcutDepts->contains(shortcuts) != 0, c.keeps_shortcut) << c.what;
    ExpectNoListHolds({lost, sub});
  }
}

// Only a damaged file holds such a tree; deleting it frees each department
// once (the fixture's self-check would find a block freed twice).
TEST_F(Deletion, ATreeThatComesRoundIsDeletedWithEachDepartmentOnce) {
  Department* top = Department::CreateNew(TRUE);
  top->AddToShop();
  Department* sub = Department::CreateNew(TRUE);
  sub->AddToParent(top);
  top->GetChildren()->insert_last(sub);  // listed twice
  sub->GetChildren()->insert_last(top);  // and round to the top
  Product* p = Product::CreateNew(TRUE);
  p->AddToDepartment(sub, -1);
  root_->GetChildren()->remove(top);
  Department::Delete(top);
  dv_qem::durnavel::free_memory(top);
  unsigned count = 0, offset = 0;
  EXPECT_EQ(dv_qem::dv_typespec::typespec_at(sub, count, offset), nullptr) << "the sub-department is freed";
  EXPECT_TRUE(p->m_pDepartments->empty());
  ExpectNoListHolds({top, sub});
}

TEST_F(Deletion, AProductLeavesOnlyItsOwnPlaces) {
  Department* d = root_->GetChildren()->retrieve(0);
  Department* bin = root_->GetRecycleBinDept();
  Product* gone = Product::CreateNew(TRUE);
  gone->AddToDepartment(d, -1);
  Product* kept = Product::CreateNew(TRUE);
  kept->AddToDepartment(bin, -1);
  Product* alsoBinned = Product::CreateNew(TRUE);
  alsoBinned->AddToDepartment(bin, -1);
  bin->GetProducts()->insert_last(gone);
  kept->m_pRelated->insert_last(gone);
  gone->m_pRelated->insert_last(kept);
  alsoBinned->m_pRelated->insert_last(gone);

  objsch::DeleteObject(gone);

  ExpectNoListHolds({gone});
  EXPECT_EQ(Elements(bin->GetProducts()), (std::vector<Product*>{kept, alsoBinned}))
      << "the recycle bin keeps its other products";
  EXPECT_TRUE(kept->m_pRelated->empty());
  EXPECT_TRUE(alsoBinned->m_pRelated->empty());
}

TEST_F(Deletion, SubDepartmentQueries) {
  Department* d = Department::CreateNew(TRUE);
  d->AddToShop();
  EXPECT_FALSE(d->HasSubDepartments());
  EXPECT_FALSE(d->HasSecondFamilyChildren());
  Department* page = Department::CreateNew(TRUE);
  page->SetDeptKind(1, Department::kSecondFamily4);
  page->AddToParent(d);
  EXPECT_FALSE(d->HasSubDepartments());
  EXPECT_TRUE(d->HasSecondFamilyChildren());
  Department::CreateNew(TRUE)->AddToParent(d);
  EXPECT_TRUE(d->HasSubDepartments());
}

}  // namespace
