// What every reader of a shop file looks at before it trusts the file: the
// session that opens it, the target page's check and the dump tool all
// check a shop database here, so that none of them accepts a file another
// refuses for its damage.
#pragma once

#include "dv_database.h"
#include "dv_err.h"
#include "fw_string.h"

class Root;

namespace objsch {

// A database that holds no shop ("My Shop") is refused.
DV_DECLARE_ERR(shop_err_not_a_shop, dv_qem::dv_err)

// The name of a shop database's root.
inline constexpr const char kShopRootName[] = "My Shop";

// Checks the open database db and answers its Root: the database's
// self-check (its pages, heaps and stored pointers), then the root "My
// Shop", which must hold an object of the Root descriptor at its start.
// Raises the self-check's error, or shop_err_not_a_shop naming the file and,
// for a root that holds something else, the class it holds. Runs inside a
// transaction and a fault guard, and under CStoredPointerFaults so that a
// stored pointer leading nowhere raises an error instead of a fault.
Root* CheckShopDatabase(dv_qem::dv_database* db);

// The root's signature text; empty when it has none.
CString ShopSignature(const Root* root);
// Whether a signature names an older shop format: not empty, and other than
// the current one compared without regard to case.
bool IsOlderShopSignature(const CString& signature);

}  // namespace objsch
