// Link records: the 20-byte records that departments and products keep in
// their link-record lists, each naming a department or a product. A record
// held by one object has a reverse entry in the list of the object it
// names. Stored layout.
#pragma once

#include "dv_coll_typed.h"
#include "fw_types.h"
#include "shop_layout.h"

class Department;
class Product;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

class CLinkInfo {
 public:
  // Bits of the kind word.
  enum : objsch::dv4u {
    kNamesProduct = 0x1,
    kNamesDepartment = 0x2,
    kNamesDepartmentToo = 0x4,
    kReverse = 0x8000,
  };

  // A record of the kind naming department and/or product, owning nothing.
  CLinkInfo(objsch::dv4u kind, Department* department, Product* product);
  // Destroys and frees the owned record.
  ~CLinkInfo();
  CLinkInfo(const CLinkInfo&) = delete;
  CLinkInfo& operator=(const CLinkInfo&) = delete;

  BOOL IsReverse() const { return (m_nKind & kReverse) != 0; }
  // Whether the record points at object (as its department or its product).
  BOOL Names(const void* object) const { return m_pDepartment == object || m_pProduct == object; }
  // The link-record list of the object the record names: the department's
  // when one is set, else the product's; null when it names nothing.
  dv_qem::dv_List<CLinkInfo>* NamedObjectLinks() const;

  objsch::dv4u m_nWord;        // 0
  objsch::dv4u m_nKind;        // 4: what the record names, and the reverse bit
  Department* m_pDepartment;   // 8: or null
  Product* m_pProduct;         // 12: or null
  void* m_pRecord;             // 16: owned, destroyed and freed with the link record

  static constexpr auto pointer_offsets() {
    return objsch::shop_at(offsetof(CLinkInfo, m_pDepartment), offsetof(CLinkInfo, m_pProduct),
                           offsetof(CLinkInfo, m_pRecord));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

static_assert(sizeof(CLinkInfo) == 20 && offsetof(CLinkInfo, m_nKind) == 4);
static_assert(offsetof(CLinkInfo, m_pDepartment) == 8 && offsetof(CLinkInfo, m_pProduct) == 12);
static_assert(offsetof(CLinkInfo, m_pRecord) == 16);

#pragma GCC diagnostic pop

namespace objsch {

// Removes, destroys and frees every record of links that names target.
void DropLinksTo(dv_qem::dv_List<CLinkInfo>* links, const void* target);

// Ends owner's link records: from the list of each object a record names,
// the records naming owner go; then every record of owner is destroyed and
// freed, and the list itself is destroyed.
void ReleaseLinks(dv_qem::dv_List<CLinkInfo>*& links, const void* owner);

}  // namespace objsch
