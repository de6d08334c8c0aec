// A stream open on one element of a storage: a position over the element's
// in-memory bytes. It holds one reference to its storage and does all its
// work under the storage's mutex.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "dv_olestorage.h"
#include "live_objects.h"
#include "storage_base.h"

namespace dv_qem {

class stream_object : public IStream {
 public:
  // Opens element (loaded, with no opener) of storage under name; called with
  // the storage's mutex held. Takes a reference to storage.
  stream_object(storage_base* storage, const std::u16string& name, stream_element* element,
                DWORD mode);

  HRESULT QueryInterface(const IID& iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT Read(void* buffer, ULONG count, ULONG* read) override;
  HRESULT Write(const void* buffer, ULONG count, ULONG* written) override;
  HRESULT Seek(std::int64_t move, DWORD origin, std::uint64_t* new_position) override;
  HRESULT SetSize(std::uint64_t size) override;
  HRESULT Commit(DWORD flags) override;
  HRESULT Stat(dv_stream_stat* out) override;

  // The storage dropped the element (Revert); called with its mutex held.
  void revert() { element_ = nullptr; }

 private:
  ~stream_object() override;

  // Makes the image at least end bytes long; STG_E_MEDIUMFULL past the
  // largest image, STG_E_INSUFFICIENTMEMORY when allocation fails.
  HRESULT grow_to(std::uint64_t end);

  storage_base* const storage_;
  const std::u16string name_;
  stream_element* element_;  // null once reverted
  const DWORD mode_;
  std::uint64_t position_ = 0;
  std::atomic<ULONG> references_{1};
  live_object live_;
};

}  // namespace dv_qem
