// The file and stream forms of a database's storage: open, positioned
// transfers, flush, close and delete.
#include "storage.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "dv_err.h"
#include "whole_transfer.h"

namespace dv_qem {

namespace {

constexpr size_t kResultTextSize = 64;

// "STG_E_..." or the result in hex.
void result_text(HRESULT result, char* text) {
  if (const char* name = _Storage_result_name(result))
    _VRN_snprintf(text, kResultTextSize, "%s", name);
  else
    _VRN_snprintf(text, kResultTextSize, "0x%08x", static_cast<unsigned>(result));
}

char16_t* copy_name(const char16_t* name) {
  size_t n = std::char_traits<char16_t>::length(name) + 1;
  auto* copy = static_cast<char16_t*>(_VRN_allocate(n * sizeof(char16_t)));
  std::memcpy(copy, name, n * sizeof(char16_t));
  return copy;
}

IUnknown* identity_of(IUnknown* object) {
  void* identity = nullptr;
  if (FAILED(object->QueryInterface(IID_IUnknown, &identity))) return object;
  // Only compared: the caller's reference keeps the object alive.
  static_cast<IUnknown*>(identity)->Release();
  return static_cast<IUnknown*>(identity);
}

}  // namespace

const char* _Storage_result_name(HRESULT result) {
  switch (result) {
    case STG_E_INVALIDFUNCTION: return "STG_E_INVALIDFUNCTION";
    case STG_E_FILENOTFOUND: return "STG_E_FILENOTFOUND";
    case STG_E_TOOMANYOPENFILES: return "STG_E_TOOMANYOPENFILES";
    case STG_E_ACCESSDENIED: return "STG_E_ACCESSDENIED";
    case STG_E_INSUFFICIENTMEMORY: return "STG_E_INSUFFICIENTMEMORY";
    case STG_E_INVALIDPOINTER: return "STG_E_INVALIDPOINTER";
    case STG_E_WRITEFAULT: return "STG_E_WRITEFAULT";
    case STG_E_READFAULT: return "STG_E_READFAULT";
    case STG_E_SHAREVIOLATION: return "STG_E_SHAREVIOLATION";
    case STG_E_LOCKVIOLATION: return "STG_E_LOCKVIOLATION";
    case STG_E_FILEALREADYEXISTS: return "STG_E_FILEALREADYEXISTS";
    case STG_E_INVALIDPARAMETER: return "STG_E_INVALIDPARAMETER";
    case STG_E_MEDIUMFULL: return "STG_E_MEDIUMFULL";
    case STG_E_INVALIDNAME: return "STG_E_INVALIDNAME";
    case STG_E_INVALIDFLAG: return "STG_E_INVALIDFLAG";
    case STG_E_REVERTED: return "STG_E_REVERTED";
    default: return nullptr;
  }
}

int _Storage::open(const char* path, int flags, int mode, char* text, size_t text_size) {
  DV_ASSERT(!is_open());
  int code = _VRN_FILE_OK;
  file = _VRN_open_file(path, flags, mode, code, text, text_size);
  return file != nullptr ? _VRN_FILE_OK : code;
}

HRESULT _Storage::open_stream(IStorage* in, const char16_t* name, DWORD mode, bool create) {
  DV_ASSERT(!is_open());
  IStream* opened = nullptr;
  HRESULT hr = create ? in->CreateStream(name, mode, 0, 0, &opened) : in->OpenStream(name, nullptr, mode, 0, &opened);
  if (FAILED(hr)) return hr;
  if (opened == nullptr) return STG_E_INVALIDPOINTER;
  try {
    stream_name = copy_name(name);
  } catch (...) {
    opened->Release();
    throw;
  }
  stream = opened;
  container = in;
  container->AddRef();
  return S_OK;
}

bool _Storage::is_in(IStorage* other) const {
  return is_stream() && other != nullptr && identity_of(container) == identity_of(other);
}

size_t _Storage::read_at(void* buffer, size_t length, off_t offset) {
  DV_ASSERT(is_open());
  if (file != nullptr) return _VRN_pread_file(file, buffer, length, offset);
  ULONG read = 0;
  HRESULT hr = stream->Seek(offset, STREAM_SEEK_SET, nullptr);
  if (SUCCEEDED(hr)) hr = stream->Read(buffer, static_cast<ULONG>(length), &read);
  if (FAILED(hr)) {
    char text[kResultTextSize];
    result_text(hr, text);
    throw dv_err_cant_read_from_file("ReadFile failed: %s", text);
  }
  return read;
}

void _Storage::read_whole(void* buffer, size_t length, off_t offset) {
  _VRN_require_whole(_Transfer::read, read_at(buffer, length, offset), length);
}

void _Storage::write_whole(const void* buffer, size_t length, off_t offset) {
  _VRN_require_whole(_Transfer::write, write_at(buffer, length, offset), length);
}

size_t _Storage::write_at(const void* buffer, size_t length, off_t offset) {
  DV_ASSERT(is_open());
  if (file != nullptr) return _VRN_pwrite_file(file, buffer, length, offset);
  ULONG written = 0;
  HRESULT hr = stream->Seek(offset, STREAM_SEEK_SET, nullptr);
  if (SUCCEEDED(hr)) hr = stream->Write(buffer, static_cast<ULONG>(length), &written);
  if (FAILED(hr) && hr != STG_E_MEDIUMFULL) {
    char text[kResultTextSize];
    result_text(hr, text);
    throw dv_err_cant_write_to_file("WriteFile failed: %s", text);
  }
  return written;
}

void _Storage::flush() {
  DV_ASSERT(is_open());
  if (file != nullptr) return _VRN_flush_file(file);
  HRESULT hr = stream->Commit(STGC_DEFAULT);
  if (FAILED(hr)) {
    char text[kResultTextSize];
    result_text(hr, text);
    throw dv_err_cant_write_to_file("FlushFileBuffers failed: %s", text);
  }
}

off_t _Storage::size() {
  DV_ASSERT(is_open());
  if (file != nullptr) return _VRN_file_size(file);
  dv_stream_stat stat;
  HRESULT hr = stream->Stat(&stat);
  if (FAILED(hr)) {
    char text[kResultTextSize];
    result_text(hr, text);
    throw dv_err_file("GetFileSize failed: %s", text);
  }
  return static_cast<off_t>(stat.size);
}

void _Storage::truncate(off_t new_size) {
  DV_ASSERT(is_open());
  if (file != nullptr) return _VRN_truncate_file(file, new_size);
  HRESULT hr = stream->SetSize(static_cast<std::uint64_t>(new_size));
  if (FAILED(hr)) {
    char text[kResultTextSize];
    result_text(hr, text);
    throw dv_err_cant_write_to_file("SetEndOfFile failed: %s", text);
  }
}

int _Storage::close() {
  if (file != nullptr) {
    _VRN_file* f = file;
    file = nullptr;
    return _VRN_close_file(f);
  }
  if (stream != nullptr) {
    stream->Release();
    container->Release();
    stream = nullptr;
    container = nullptr;
  }
  _VRN_free(stream_name);
  stream_name = nullptr;
  return 0;
}

int _Storage::close_and_delete(const char* path) {
  if (file != nullptr) {
    int deleted = _VRN_delete_file(path);
    close();
    return deleted;
  }
  if (stream == nullptr) return 0;
  IStorage* in = container;
  stream->Release();
  stream = nullptr;
  HRESULT hr = in->DestroyElement(stream_name);
  container = nullptr;
  in->Release();
  close();
  return FAILED(hr) ? -1 : 0;
}

void _Storage::hand_over_to(_Storage& other) {
  DV_ASSERT(!other.is_open() && other.stream_name == nullptr);
  other = *this;
  *this = _Storage();
}

}  // namespace dv_qem
