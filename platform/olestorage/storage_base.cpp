// Creating, opening, destroying and listing the streams of a storage, and
// reference counting.
#include "storage_base.h"

#include <new>

#include "storage_modes.h"
#include "storage_names.h"
#include "stream_object.h"

namespace dv_qem {

namespace {

// Whether a storage opened with storage_mode may open a stream with stream_mode.
bool access_allowed(DWORD storage_mode, DWORD stream_mode) {
  return (!mode_reads(stream_mode) || mode_reads(storage_mode)) &&
         (!mode_writes(stream_mode) || mode_writes(storage_mode));
}

}  // namespace

HRESULT storage_base::QueryInterface(const IID& iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IStorage) {
    *out = static_cast<IStorage*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG storage_base::AddRef() { return ++references_; }

ULONG storage_base::Release() {
  ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT storage_base::CreateStream(const char16_t* name, DWORD mode, DWORD reserved1,
                                   DWORD reserved2, IStream** out) {
  if (out == nullptr) return STG_E_INVALIDPOINTER;
  *out = nullptr;
  if (name == nullptr) return STG_E_INVALIDPOINTER;
  if (reserved1 != 0 || reserved2 != 0) return STG_E_INVALIDPARAMETER;
  HRESULT hr = check_stream_mode(mode, true);
  if (FAILED(hr)) return hr;
  std::u16string key;
  try {
    hr = check_stream_name(name, &key);
    if (FAILED(hr)) return hr;
    std::lock_guard<std::mutex> hold(mutex_);
    if (!mode_writes(mode_) || !access_allowed(mode_, mode)) return STG_E_ACCESSDENIED;
    auto found = elements_.find(key);
    bool added = found == elements_.end();
    if (!added) {
      if ((mode & STGM_CREATE) == 0) return STG_E_FILEALREADYEXISTS;
      if (found->second.opener != nullptr) return STG_E_ACCESSDENIED;
    } else {
      found = elements_.emplace(key, stream_element{}).first;
    }
    stream_element& element = found->second;
    stream_object* stream;
    try {
      stream = new stream_object(this, key, &element, mode);
    } catch (const std::bad_alloc&) {
      if (added) elements_.erase(found);
      throw;
    }
    // Nothing can fail from here on: the old content is replaced.
    element.image = std::vector<std::uint8_t>();
    element.loaded = true;
    element.stored = stored_run{};
    dirty_ = true;
    *out = stream;
  } catch (const std::bad_alloc&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
  return S_OK;
}

HRESULT storage_base::OpenStream(const char16_t* name, void* reserved1, DWORD mode,
                                 DWORD reserved2, IStream** out) {
  if (out == nullptr) return STG_E_INVALIDPOINTER;
  *out = nullptr;
  if (name == nullptr) return STG_E_INVALIDPOINTER;
  if (reserved1 != nullptr || reserved2 != 0) return STG_E_INVALIDPARAMETER;
  HRESULT hr = check_stream_mode(mode, false);
  if (FAILED(hr)) return hr;
  std::u16string key;
  try {
    hr = check_stream_name(name, &key);
    if (FAILED(hr)) return hr;
    std::lock_guard<std::mutex> hold(mutex_);
    if (!access_allowed(mode_, mode)) return STG_E_ACCESSDENIED;
    auto found = elements_.find(key);
    if (found == elements_.end()) return STG_E_FILENOTFOUND;
    stream_element& element = found->second;
    if (element.opener != nullptr) return STG_E_ACCESSDENIED;
    hr = load(element);
    if (FAILED(hr)) return hr;
    *out = new stream_object(this, key, &element, mode);
  } catch (const std::bad_alloc&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
  return S_OK;
}

HRESULT storage_base::DestroyElement(const char16_t* name) {
  if (name == nullptr) return STG_E_INVALIDPOINTER;
  try {
    std::u16string key;
    HRESULT hr = check_stream_name(name, &key);
    if (FAILED(hr)) return hr;
    std::lock_guard<std::mutex> hold(mutex_);
    if (!mode_writes(mode_)) return STG_E_ACCESSDENIED;
    auto found = elements_.find(key);
    if (found == elements_.end()) return STG_E_FILENOTFOUND;
    if (found->second.opener != nullptr) return STG_E_ACCESSDENIED;
    elements_.erase(found);
    dirty_ = true;
  } catch (const std::bad_alloc&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
  return S_OK;
}

HRESULT storage_base::ListStreams(std::vector<std::u16string>* names) {
  if (names == nullptr) return STG_E_INVALIDPOINTER;
  try {
    std::lock_guard<std::mutex> hold(mutex_);
    std::vector<std::u16string> result;
    result.reserve(elements_.size());
    for (const auto& entry : elements_) result.push_back(entry.first);
    *names = std::move(result);
  } catch (const std::bad_alloc&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
  return S_OK;
}

void storage_base::revert_open_streams() {
  for (auto& entry : elements_) {
    if (entry.second.opener != nullptr) entry.second.opener->revert();
    entry.second.opener = nullptr;
  }
}

}  // namespace dv_qem
