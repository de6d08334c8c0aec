// Deleting a department: its subtree, and every reference that products
// and other departments hold to it.
#include "department.h"
#include "link_info.h"
#include "payment.h"
#include "product.h"
#include "root.h"
#include "search_engine.h"
#include "shop_lists.h"

#include <set>
#include <vector>

namespace {

// Calls visit on every element of list, in order.
template <class T, class Visit>
void ForEach(dv_qem::dv_List<T>* list, Visit visit) {
  dv_qem::dv_cursor cursor(*list);
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e)) visit(static_cast<T*>(e));
}

// Frees every element of list (with no destructor to run), then destroys it.
template <class T>
void FreeElementsAndDestroy(dv_qem::dv_List<T>*& list) {
  while (void* e = list->remove_first()) dv_qem::durnavel::free_memory(e);
  objsch::DestroyList(list);
}

// Removes every occurrence of item from list.
template <class T>
void RemoveAll(dv_qem::dv_List<T>* list, const T* item) {
  while (list->remove(item)) {
  }
}

// The department and every department under it, each once (a damaged tree
// with a cycle ends the walk where it comes round).
std::set<const Department*> Subtree(Department* top) {
  std::set<const Department*> subtree;
  std::vector<Department*> pending{top};
  while (!pending.empty()) {
    Department* d = pending.back();
    pending.pop_back();
    if (!subtree.insert(d).second) continue;
    ForEach(d->GetChildren(), [&](Department* child) { pending.push_back(child); });
  }
  return subtree;
}

void DeleteInSubtree(Department* department, const std::set<const Department*>& going,
                     std::set<const Department*>& begun);

}  // namespace

Department_Lang::~Department_Lang() {
  m_strName.DestroyString();
  m_strLogo.DestroyString();
  m_strDescription.DestroyString();
  m_strURLLink.DestroyString();
  m_strHtmlCode.DestroyString();
  m_strIntro.DestroyString();
  m_strings.Destroy();
  objsch::DestroyList(m_pList);
}

void Department::RemoveFromList(dv_qem::dv_List<Department>* list) {
  list->remove(this);
  Touch();
}

BOOL Department::HasSubDepartments() const {
  BOOL found = FALSE;
  ForEach(m_pChildren, [&](Department* child) { found = found || child->IsType(kOrdinary); });
  return found;
}

BOOL Department::HasSecondFamilyChildren() const {
  BOOL found = FALSE;
  ForEach(m_pChildren, [&](Department* child) {
    const objsch::dv4u kind = child->m_ulDeptType & kKindMask;
    found = found || kind == kSecondFamily || kind == kSecondFamily2 || kind == kSecondFamily4;
  });
  return found;
}

void Department::Delete(Department* department) {
  std::set<const Department*> begun{department};
  DeleteInSubtree(department, Subtree(department), begun);
}

namespace {

// Deletes department, one of going (the subtree whose deletion began): a
// product counts the departments of going as lost already, so one whose
// last ordinary departments all lie in the subtree loses its shortcuts.
// begun holds the departments whose deletion has begun: a sub-department
// met again (a tree that comes round, or a child listed twice, only in a
// damaged file) leaves the list without being deleted or freed twice.
void DeleteInSubtree(Department* department, const std::set<const Department*>& going,
                     std::set<const Department*>& begun) {
  Department* d = department;
  ForEach(d->m_pProducts, [d, &going](Product* product) {
    objsch::DropLinksTo(product->m_pLinks, d);
    product->LoseDepartment(going);
  });

  while (Department* child = d->m_pChildren->remove_first()) {
    if (!begun.insert(child).second) {
      objsch::DropLinksTo(d->m_pLinks, child);
      continue;
    }
    DeleteInSubtree(child, going, begun);
    dv_qem::durnavel::free_memory(child);
    // A record of this department naming the child without a reverse entry
    // in the child would otherwise point at freed memory.
    objsch::DropLinksTo(d->m_pLinks, child);
  }
  objsch::DestroyList(d->m_pChildren);

  FreeElementsAndDestroy(d->m_pListA);
  FreeElementsAndDestroy(d->m_pListB);

  ForEach(d->m_pShortcuts, [d](Product* product) { RemoveAll(product->m_pShortcutDepts, d); });
  objsch::DestroyList(d->m_pShortcuts);

  ForEach(d->m_pRelated, [d](Department* other) {
    if (other != d) RemoveAll(other->m_pRelated, d);
  });
  objsch::DestroyList(d->m_pRelated);

  if (g_pShopRoot != nullptr) {
    if (Department* bin = g_pShopRoot->GetRecycleBinDept(); bin != nullptr && bin != d)
      ForEach(bin->m_pProducts, [d](Product* product) {
        RemoveAll(product->m_pShortcutDepts, d);
        RemoveAll(product->m_pDepartments, d);
      });
  }

  ForEach(d->m_pProducts, [d](Product* product) { RemoveAll(product->m_pDepartments, d); });
  objsch::DestroyList(d->m_pProducts);

  while (CQuestionaire* item = d->m_pQuestionnaire->remove_first()) objsch::DeleteObject(item);
  objsch::DestroyList(d->m_pQuestionnaire);

  if (d->m_pSearchEngine != nullptr) {
    d->m_pSearchEngine->CleanUp();
    objsch::DeleteObject(d->m_pSearchEngine);
    d->m_pSearchEngine = nullptr;
  }

  objsch::ReleaseLinks(d->m_pLinks, d);

  FreeElementsAndDestroy(d->m_pListD);

  while (Department_Lang* item = d->m_pLangItems->remove_first()) objsch::DeleteObject(item);
  objsch::DestroyList(d->m_pLangItems);

  objsch::DestroyList(d->m_pListE);
  objsch::DestroyList(d->m_pListF);
  d->m_strings.Destroy();
  d->m_strText1.DestroyString();
  d->m_strText2.DestroyString();
  d->m_strName.DestroyString();
  d->m_strLogo.DestroyString();
  d->m_strDescription.DestroyString();
  // The history, display styles, wall pictures and flag set go with the
  // department's own destructor.
  d->~Department();
}

}  // namespace
