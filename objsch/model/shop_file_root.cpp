// The check of a shop database that every reader of a shop file makes.
#include "shop_file_root.h"

#include <string>

#include "dv_database_root.h"
#include "dv_platform.h"
#include "dv_typespec.h"
#include "fw_mbs.h"
#include "root.h"

namespace objsch {

DV_DEFINE_ERR(shop_err_not_a_shop)

namespace {

// The database's path.
std::string PathOf(dv_qem::dv_database* db) {
  char* copy = db->get_pathname();
  std::string path = copy;
  dv_qem::_VRN_free(copy);
  return path;
}

}  // namespace

Root* CheckShopDatabase(dv_qem::dv_database* db) {
  db->self_check();
  dv_qem::dv_database_root* found = db->find_root(kShopRootName);
  if (found == nullptr)
    throw shop_err_not_a_shop("%s holds no shop (no root \"%s\")", PathOf(db).c_str(), kShopRootName);
  void* value = found->get_value(nullptr);
  unsigned count = 0, offset = 0;
  const dv_qem::dv_typespec* type = value != nullptr ? dv_qem::dv_typespec::typespec_at(value, count, offset) : nullptr;
  if (type == &dv_qem::dv_ts<Root>::the_instance && offset == 0) return static_cast<Root*>(value);
  if (value == nullptr)
    throw shop_err_not_a_shop("%s holds no shop (its root \"%s\" holds nothing)", PathOf(db).c_str(), kShopRootName);
  if (type == nullptr)
    throw shop_err_not_a_shop("%s holds no shop (its root \"%s\" holds no stored object)", PathOf(db).c_str(),
                              kShopRootName);
  throw shop_err_not_a_shop("%s holds no shop (its root \"%s\" holds %s %s, not a Root)", PathOf(db).c_str(),
                            kShopRootName, offset == 0 ? "an object of class" : "a place inside an object of class",
                            type->get_name());
}

CString ShopSignature(const Root* root) {
  if (root->m_strSignature.m_pString == nullptr) return CString();
  return root->GetSignature();
}

bool IsOlderShopSignature(const CString& signature) {
  return !signature.IsEmpty() && fw_mbs::compare_no_case(signature, kShopSignature) != 0;
}

}  // namespace objsch
