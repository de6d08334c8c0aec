// Link records and their clean-up when a department or product goes.
#include "link_info.h"

#include <vector>

#include "department.h"
#include "product.h"
#include "shop_lists.h"

CLinkInfo::CLinkInfo(objsch::dv4u kind, Department* department, Product* product)
    : m_nWord(0), m_nKind(kind), m_pDepartment(department), m_pProduct(product), m_pRecord(nullptr) {}

CLinkInfo::~CLinkInfo() {
  // The owned record's class is not known here; it holds nothing of its own
  // that this program made.
  if (m_pRecord != nullptr) dv_qem::durnavel::free_memory(m_pRecord);
  m_pRecord = nullptr;
}

dv_qem::dv_List<CLinkInfo>* CLinkInfo::NamedObjectLinks() const {
  if (m_pDepartment != nullptr) return m_pDepartment->GetLinks();
  if (m_pProduct != nullptr) return m_pProduct->m_pLinks;
  return nullptr;
}

namespace objsch {

void DropLinksTo(dv_qem::dv_List<CLinkInfo>* links, const void* target) {
  if (links == nullptr) return;
  std::vector<CLinkInfo*> dropped;
  dv_qem::dv_cursor cursor(*links);
  void* e = nullptr;
  for (int more = cursor.first(e); more; more = cursor.next(e))
    if (static_cast<CLinkInfo*>(e)->Names(target)) dropped.push_back(static_cast<CLinkInfo*>(e));
  for (CLinkInfo* record : dropped) {
    links->remove(record);
    DeleteObject(record);
  }
}

void ReleaseLinks(dv_qem::dv_List<CLinkInfo>*& links, const void* owner) {
  if (links == nullptr) return;
  while (CLinkInfo* record = links->remove_first()) {
    dv_qem::dv_List<CLinkInfo>* other = record->NamedObjectLinks();
    if (other != links) DropLinksTo(other, owner);
    DeleteObject(record);
  }
  DestroyList(links);
}

}  // namespace objsch
