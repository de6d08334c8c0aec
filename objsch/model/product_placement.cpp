// Placing products in departments and in the all-products list at a
// position, and taking them out of lists, keeping a product's department
// links and the departments' product lists in step.
#include "product.h"
#include "root.h"
#include "shop_lists.h"

#include <utility>

namespace {

// Puts product into list after / before position, first taking it out of
// the list when it may be there. -1 or a position past the end: at the end.
void PlaceAt(dv_qem::dv_List<Product>* list, Product* product, int position, bool after, bool mayHoldIt) {
  if (mayHoldIt)
    while (list->remove(product)) {
    }
  const unsigned count = list->cardinality();
  if (position < 0 || static_cast<unsigned>(position) >= count)
    list->insert_last(product);
  else if (after)
    list->insert_after(product, static_cast<unsigned>(position));
  else if (position == 0)
    list->insert_first(product);
  else
    list->insert_before(product, static_cast<unsigned>(position));
}

}  // namespace

objsch::dv4u Product::InsertIntoDepartment(Department* department, int position, bool after) {
  if (!IsRegistered()) AssignToAllProducts();
  if (department == g_pShopRoot->GetAllProductsDept()) {
    Touch();
    return ulID;
  }
  const bool linked = m_pDepartments->contains(department);
  if (!linked) m_pDepartments->insert_last(department);
  PlaceAt(department->m_pProducts, this, position, after, linked);
  department->Touch();
  Touch();
  return ulID;
}

objsch::dv4u Product::InsertAfter(Department* department, int position) {
  return InsertIntoDepartment(department, position, true);
}

objsch::dv4u Product::InsertBefore(Department* department, int position) {
  return InsertIntoDepartment(department, position, false);
}

objsch::dv4u Product::AddToAllProducts(Department* department, int position, bool after) {
  Department* all = g_pShopRoot->GetAllProductsDept();
  // Placing in the all-products list draws an id, so a product without
  // one has never been there.
  PlaceAt(all->m_pProducts, this, position, after, ulID != 0);
  all->Touch();
  if (ulID == 0) ulID = static_cast<objsch::dv4u>(g_pShopRoot->DrawId(Root::kProductIds));
  Touch();
  if (department == all) return ulID;
  return LinkToDepartment(department, -1);
}

objsch::dv4u Product::AddAfter(Department* department, int position) {
  return AddToAllProducts(department, position, true);
}

objsch::dv4u Product::AddBefore(Department* department, int position) {
  return AddToAllProducts(department, position, false);
}

int Product::RemoveFromList(dv_qem::dv_List<Product>* list) {
  bool found = false;
  while (list->remove(this)) found = true;
  // The department (if any) whose list this is drops its link as well.
  for (auto [links, listOf] :
       {std::pair{m_pDepartments, &Department::m_pProducts}, std::pair{m_pShortcutDepts, &Department::m_pShortcuts}}) {
    dv_qem::dv_cursor cursor(*links);
    void* e = nullptr;
    Department* owner = nullptr;
    for (int more = cursor.first(e); more && owner == nullptr; more = cursor.next(e))
      if (static_cast<Department*>(e)->*listOf == list) owner = static_cast<Department*>(e);
    if (owner != nullptr) {
      while (links->remove(owner)) {
      }
      owner->Touch();
    }
  }
  Touch();
  return found ? 2 : 0;
}

BOOL Product::RemoveFromListAndFree(dv_qem::dv_List<Product>* list, BOOL free) {
  const BOOL wasThere = RemoveFromList(list) != 0;
  if (free) objsch::DeleteObject(this);
  return wasThere;
}
