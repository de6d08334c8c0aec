// Reads, writes, seeks and resizes of an open stream.
#include "stream_object.h"

#include <cstring>
#include <new>

#include "storage_modes.h"

namespace dv_qem {

stream_object::stream_object(storage_base* storage, const std::u16string& name,
                             stream_element* element, DWORD mode)
    : storage_(storage), name_(name), element_(element), mode_(mode) {
  element_->opener = this;
  storage_->AddRef();
}

stream_object::~stream_object() {
  {
    std::lock_guard<std::mutex> hold(storage_->mutex());
    if (element_ != nullptr) storage_->stream_closed(element_);
  }
  storage_->Release();
}

HRESULT stream_object::QueryInterface(const IID& iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IStream) {
    *out = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG stream_object::AddRef() { return ++references_; }

ULONG stream_object::Release() {
  ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT stream_object::Read(void* buffer, ULONG count, ULONG* read) {
  if (read != nullptr) *read = 0;
  std::lock_guard<std::mutex> hold(storage_->mutex());
  HRESULT fault = storage_->stream_fault(stream_call::read);
  if (FAILED(fault)) return fault;
  if (element_ == nullptr) return STG_E_REVERTED;
  if (!mode_reads(mode_)) return STG_E_ACCESSDENIED;
  if (buffer == nullptr && count != 0) return STG_E_INVALIDPOINTER;
  std::uint64_t size = element_->image.size();
  ULONG n = 0;
  if (position_ < size) {
    std::uint64_t available = size - position_;
    n = available < count ? static_cast<ULONG>(available) : count;
    std::memcpy(buffer, element_->image.data() + position_, n);
  }
  position_ += n;
  if (read != nullptr) *read = n;
  return S_OK;
}

HRESULT stream_object::grow_to(std::uint64_t end) {
  std::vector<std::uint8_t>& image = element_->image;
  if (end <= image.size()) return S_OK;
  if (end > image.max_size()) return STG_E_MEDIUMFULL;
  try {
    image.resize(static_cast<std::size_t>(end));
  } catch (const std::bad_alloc&) {
    return STG_E_INSUFFICIENTMEMORY;
  } catch (const std::length_error&) {
    return STG_E_MEDIUMFULL;
  }
  return S_OK;
}

HRESULT stream_object::Write(const void* buffer, ULONG count, ULONG* written) {
  if (written != nullptr) *written = 0;
  std::lock_guard<std::mutex> hold(storage_->mutex());
  HRESULT fault = storage_->stream_fault(stream_call::write);
  if (FAILED(fault)) return fault;
  if (element_ == nullptr) return STG_E_REVERTED;
  if (!mode_writes(mode_)) return STG_E_ACCESSDENIED;
  if (buffer == nullptr && count != 0) return STG_E_INVALIDPOINTER;
  if (count == 0) return S_OK;
  HRESULT hr = grow_to(position_ + count);
  if (FAILED(hr)) return hr;
  std::memcpy(element_->image.data() + position_, buffer, count);
  position_ += count;
  storage_->changed();
  if (written != nullptr) *written = count;
  return S_OK;
}

HRESULT stream_object::Seek(std::int64_t move, DWORD origin, std::uint64_t* new_position) {
  std::lock_guard<std::mutex> hold(storage_->mutex());
  if (element_ == nullptr) return STG_E_REVERTED;
  std::uint64_t base;
  switch (origin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = position_; break;
    case STREAM_SEEK_END: base = element_->image.size(); break;
    default: return STG_E_INVALIDFUNCTION;
  }
  // Positions stay below 2^63; a move below 0 or past that is refused.
  constexpr std::uint64_t kLimit = static_cast<std::uint64_t>(INT64_MAX);
  std::uint64_t target;
  if (move < 0) {
    std::uint64_t back = static_cast<std::uint64_t>(-(move + 1)) + 1;
    if (back > base) return STG_E_INVALIDFUNCTION;
    target = base - back;
  } else {
    std::uint64_t forward = static_cast<std::uint64_t>(move);
    if (forward > kLimit - base) return STG_E_INVALIDFUNCTION;
    target = base + forward;
  }
  position_ = target;
  if (new_position != nullptr) *new_position = target;
  return S_OK;
}

HRESULT stream_object::SetSize(std::uint64_t size) {
  std::lock_guard<std::mutex> hold(storage_->mutex());
  if (element_ == nullptr) return STG_E_REVERTED;
  if (!mode_writes(mode_)) return STG_E_ACCESSDENIED;
  std::vector<std::uint8_t>& image = element_->image;
  if (size == image.size()) return S_OK;
  if (size < image.size()) {
    image.resize(static_cast<std::size_t>(size));
  } else {
    HRESULT hr = grow_to(size);
    if (FAILED(hr)) return hr;
  }
  storage_->changed();
  return S_OK;
}

HRESULT stream_object::Commit(DWORD flags) {
  std::lock_guard<std::mutex> hold(storage_->mutex());
  HRESULT fault = storage_->stream_fault(stream_call::commit);
  if (FAILED(fault)) return fault;
  if (element_ == nullptr) return STG_E_REVERTED;
  if (flags != STGC_DEFAULT) return STG_E_INVALIDFLAG;
  return storage_->stream_commit();
}

HRESULT stream_object::Stat(dv_stream_stat* out) {
  if (out == nullptr) return STG_E_INVALIDPOINTER;
  std::lock_guard<std::mutex> hold(storage_->mutex());
  if (element_ == nullptr) return STG_E_REVERTED;
  std::memset(out->name, 0, sizeof out->name);
  name_.copy(out->name, STREAM_NAME_MAX);
  out->size = element_->image.size();
  out->mode = mode_;
  return S_OK;
}

}  // namespace dv_qem
