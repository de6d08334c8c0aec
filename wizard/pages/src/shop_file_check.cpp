// The shop file check of the target page.
#include "shop_file_check.h"

#include "durnavel.h"
#include "dv_database.h"
#include "dv_database_root.h"
#include "dv_err.h"
#include "dv_fault_handler.h"
#include "dv_transaction.h"
#include "dv_typespec.h"
#include "fw_mbs.h"
#include "root.h"
#include "stored_pointer_faults.h"
#include "write_failure.h"

using namespace dv_qem;

namespace {

constexpr const char kShopRootName[] = "My Shop";
constexpr UINT kNotAShopMessage = 51488;
constexpr UINT kLockedMessage = 51524;

// Transactions must be on before the first database of the process is
// opened; the program's start-up normally does it, and it is done at most
// once here.
void EnsureRuntimeStarted() {
  static bool started = false;
  if (started) return;
  durnavel::initialize();
  dv_transaction::initialize();
  started = true;
}

// Ends the read-only transaction and closes the database on every way out
// of the check, so that no later scope finds a transaction it does not own
// (invariant 1 of DESIGN.md).
class CheckResources {
 public:
  CheckResources() = default;
  CheckResources(const CheckResources&) = delete;
  CheckResources& operator=(const CheckResources&) = delete;
  ~CheckResources() {
    try {
      Release();
    } catch (const dv_err&) {
      // The answer is already decided; a failing release changes nothing
      // stored (the transaction was read-only).
    }
  }
  void Begin() {
    dv_transaction::begin(dv_transaction::read_only);
    began_ = true;
  }
  dv_database* Open(const char* path) {
    db_ = dv_database::open(path, 0, 0, 0);
    return db_;
  }
  void Release() {
    if (began_ && dv_transaction::get_current() != nullptr) dv_transaction::abort();
    began_ = false;
    dv_database* db = db_;
    db_ = nullptr;
    if (dv_database::is_open(db)) db->close();
  }

 private:
  bool began_ = false;
  dv_database* db_ = nullptr;
};

// Whether value is the start of an object stored with the Root descriptor.
bool HoldsRoot(void* value) {
  if (value == nullptr) return false;
  unsigned count = 0, offset = 0;
  return dv_typespec::typespec_at(value, count, offset) == &dv_ts<Root>::the_instance && offset == 0;
}

ShopFileCheck CheckOpenShop(dv_database* db) {
  dv_database_root* found = db->find_root(kShopRootName);
  if (found == nullptr) return ShopFileCheck::NotAShop;
  void* value = found->get_value(nullptr);
  if (!HoldsRoot(value)) return ShopFileCheck::NotAShop;
  Root* root = static_cast<Root*>(value);
  if (root->m_strSignature.m_pString == nullptr) return ShopFileCheck::Good;
  CString signature = root->GetSignature();
  if (signature.IsEmpty() || fw_mbs::compare_no_case(signature, kShopFileSignature) == 0) return ShopFileCheck::Good;
  return ShopFileCheck::OldVersion;
}

}  // namespace

ShopFileCheck CheckShopFile(const CString& path) {
  EnsureRuntimeStarted();
  _VRN_fault_handler guard;
  CStoredPointerFaults wildFaults;  // a damaged root's pointer is refused, not a crash
  CheckResources resources;
  try {
    if (dv_database::needs_recovery(path)) dv_database::recover(path);
    resources.Begin();
    ShopFileCheck result = CheckOpenShop(resources.Open(path));
    resources.Release();
    return result;
  } catch (const dv_err_database_is_locked&) {
    return ShopFileCheck::Locked;
  } catch (const dv_err_write_permission_denied&) {
    return ShopFileCheck::Locked;
  } catch (const dv_err_opened_read_only&) {
    return ShopFileCheck::Locked;
  } catch (const dv_err&) {
    // A valid shop in a folder with no room left cannot be opened either
    // (opening writes its log): that is said as such, not as damage.
    if (!WriteFailureText(path).IsEmpty()) return ShopFileCheck::DiskFull;
    return ShopFileCheck::NotAShop;
  }
}

UINT ShopFileCheckMessageId(ShopFileCheck result) {
  switch (result) {
    case ShopFileCheck::NotAShop: return kNotAShopMessage;
    case ShopFileCheck::Locked: return kLockedMessage;
    case ShopFileCheck::Good:
    case ShopFileCheck::OldVersion:
    case ShopFileCheck::DiskFull: break;
  }
  return 0;
}

CString ShopFileCheckMessageText(ShopFileCheck result, const CString& path) {
  if (result == ShopFileCheck::DiskFull) {
    CString text = WriteFailureText(path);
    if (text.IsEmpty()) text.Format("The disk is full: %s could not be written.", static_cast<LPCTSTR>(path));
    return text;
  }
  return result == ShopFileCheck::OldVersion ? CString(" Can't import to an old version KVC file") : CString();
}
