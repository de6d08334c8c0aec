// The entry points on container files: argument checks, path conversion,
// then the file storage.
#include <new>

#include "dv_olestorage.h"
#include "file_storage.h"
#include "storage_modes.h"
#include "storage_names.h"

namespace dv_qem {

namespace {

// Runs call, answering STG_E_INSUFFICIENTMEMORY when an allocation fails.
template <typename Call>
HRESULT guarded(Call call) {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
}

HRESULT create_container(const std::string* path, DWORD mode, DWORD reserved, IStorage** out) {
  if (reserved != 0) return STG_E_INVALIDPARAMETER;
  HRESULT hr = check_container_mode(mode, true);
  if (FAILED(hr)) return hr;
  return file_storage::create(path, mode, out);
}

HRESULT open_container(const std::string& path, IStorage* priority, DWORD mode, void* snb,
                       DWORD reserved, IStorage** out) {
  if (priority != nullptr || snb != nullptr || reserved != 0) return STG_E_INVALIDPARAMETER;
  HRESULT hr = check_container_mode(mode, false);
  if (FAILED(hr)) return hr;
  return file_storage::open(path, mode, out);
}

}  // namespace

HRESULT StgCreateDocfile(const char16_t* path, DWORD mode, DWORD reserved, IStorage** out) {
  if (out == nullptr) return STG_E_INVALIDPOINTER;
  *out = nullptr;
  if (path == nullptr) return create_container(nullptr, mode, reserved, out);
  return guarded([&] {
    std::string narrow;
    HRESULT hr = utf8_of_path(path, &narrow);
    return FAILED(hr) ? hr : create_container(&narrow, mode, reserved, out);
  });
}

HRESULT StgCreateDocfile(const char* utf8_path, DWORD mode, DWORD reserved, IStorage** out) {
  if (out == nullptr) return STG_E_INVALIDPOINTER;
  *out = nullptr;
  if (utf8_path == nullptr) return create_container(nullptr, mode, reserved, out);
  return guarded([&] {
    std::u16string wide;
    HRESULT hr = utf16_of_path(utf8_path, &wide);
    if (FAILED(hr)) return hr;
    std::string narrow(utf8_path);
    return create_container(&narrow, mode, reserved, out);
  });
}

HRESULT StgCreateDocfile(std::nullptr_t, DWORD mode, DWORD reserved, IStorage** out) {
  return StgCreateDocfile(static_cast<const char16_t*>(nullptr), mode, reserved, out);
}

HRESULT StgOpenStorage(const char16_t* path, IStorage* priority, DWORD mode, void* snb,
                       DWORD reserved, IStorage** out) {
  if (out == nullptr) return STG_E_INVALIDPOINTER;
  *out = nullptr;
  if (path == nullptr) return STG_E_INVALIDPOINTER;
  return guarded([&] {
    std::string narrow;
    HRESULT hr = utf8_of_path(path, &narrow);
    return FAILED(hr) ? hr : open_container(narrow, priority, mode, snb, reserved, out);
  });
}

HRESULT StgOpenStorage(const char* utf8_path, IStorage* priority, DWORD mode, void* snb,
                       DWORD reserved, IStorage** out) {
  if (out == nullptr) return STG_E_INVALIDPOINTER;
  *out = nullptr;
  if (utf8_path == nullptr) return STG_E_INVALIDPOINTER;
  return guarded([&] {
    std::u16string wide;
    HRESULT hr = utf16_of_path(utf8_path, &wide);
    return FAILED(hr) ? hr : open_container(utf8_path, priority, mode, snb, reserved, out);
  });
}

HRESULT StgIsStorageFile(const char16_t* path) {
  if (path == nullptr) return STG_E_INVALIDPOINTER;
  return guarded([&] {
    std::string narrow;
    HRESULT hr = utf8_of_path(path, &narrow);
    return FAILED(hr) ? hr : probe_container(narrow);
  });
}

HRESULT StgIsStorageFile(const char* utf8_path) {
  if (utf8_path == nullptr) return STG_E_INVALIDPOINTER;
  return guarded([&] {
    std::u16string wide;
    HRESULT hr = utf16_of_path(utf8_path, &wide);
    return FAILED(hr) ? hr : probe_container(utf8_path);
  });
}

}  // namespace dv_qem
