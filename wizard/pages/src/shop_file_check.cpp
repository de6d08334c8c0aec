// The shop file check of the target page.
#include "shop_file_check.h"

#include <unistd.h>

#include <string>

#include "durnavel.h"
#include "dv_database.h"
#include "dv_database_root.h"
#include "dv_err.h"
#include "dv_fault_handler.h"
#include "dv_transaction.h"
#include "root.h"
#include "shop_file_root.h"
#include "stored_pointer_faults.h"
#include "write_failure.h"

using namespace dv_qem;

namespace {

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

// The shop's damage, root and signature are looked at as the session and
// the dump tool look at them (objsch::CheckShopDatabase).
ShopFileCheck CheckOpenShop(dv_database* db) {
  Root* root = nullptr;
  try {
    root = objsch::CheckShopDatabase(db);
  } catch (const objsch::shop_err_not_a_shop&) {
    return ShopFileCheck::NotAShop;
  }
  return objsch::IsOlderShopSignature(objsch::ShopSignature(root)) ? ShopFileCheck::OldVersion : ShopFileCheck::Good;
}

bool WritableWithItsLog(const CString& path) {
  const std::string file(static_cast<LPCTSTR>(path));
  const size_t slash = file.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
  return ::access(file.c_str(), W_OK) == 0 && ::access(folder.c_str(), W_OK | X_OK) == 0;
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
    // A valid shop on a disk with no room left cannot be opened either
    // (opening writes its log): that is said as such, not as damage.
    if (!WriteFailureText(path).IsEmpty()) return ShopFileCheck::DiskFull;
    // Opening makes the file's log beside it: in a folder that cannot be
    // written (or for a file that cannot be) that fails, and the file is
    // read-only to the import, not a bad file.
    return WritableWithItsLog(path) ? ShopFileCheck::NotAShop : ShopFileCheck::Locked;
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
