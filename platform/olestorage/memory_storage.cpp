// A storage with no file, for tests: streams live in memory only, and
// failures can be injected into their reads, writes and commits.
#include <new>

#include "dv_olestorage.h"
#include "storage_base.h"

namespace dv_qem {

namespace {

class memory_storage final : public storage_base {
 public:
  explicit memory_storage(dv_storage_faults* faults)
      : storage_base(STGM_READWRITE | STGM_SHARE_EXCLUSIVE), faults_(faults) {}

  HRESULT Commit(DWORD flags) override { return flags == STGC_DEFAULT ? S_OK : STG_E_INVALIDFLAG; }
  HRESULT Revert() override { return S_OK; }
  HRESULT GetFilePath(std::u16string* path) override {
    if (path == nullptr) return STG_E_INVALIDPOINTER;
    path->clear();
    return S_OK;
  }
  HRESULT stream_commit() override { return S_OK; }

  HRESULT stream_fault(stream_call call) override {
    if (faults_ == nullptr) return S_OK;
    ULONG count, fail_at;
    switch (call) {
      case stream_call::read: count = ++faults_->reads, fail_at = faults_->fail_read_at; break;
      case stream_call::write: count = ++faults_->writes, fail_at = faults_->fail_write_at; break;
      default: count = ++faults_->commits, fail_at = faults_->fail_commit_at; break;
    }
    bool fails = fail_at != 0 && (count == fail_at || (faults_->keep_failing && count > fail_at));
    return fails ? faults_->result : S_OK;
  }

 private:
  HRESULT load(stream_element&) override { return S_OK; }  // elements are always loaded

  dv_storage_faults* const faults_;
};

}  // namespace

HRESULT dv_create_memory_storage(IStorage** out, dv_storage_faults* faults) {
  if (out == nullptr) return STG_E_INVALIDPOINTER;
  *out = new (std::nothrow) memory_storage(faults);
  return *out != nullptr ? S_OK : STG_E_INSUFFICIENTMEMORY;
}

}  // namespace dv_qem
