// Creating, opening, committing and reverting a storage backed by a
// container file.
#include "file_storage.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <new>
#include <utility>

#include "storage_modes.h"
#include "storage_names.h"

namespace dv_qem {

namespace {

constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask

std::string temporary_directory() {
  std::error_code error;
  std::filesystem::path dir = std::filesystem::temp_directory_path(error);
  return error ? std::string("/tmp") : dir.string();
}

}  // namespace

file_storage::file_storage(DWORD mode, std::string path, int fd, bool delete_on_release,
                           std::vector<stored_stream> committed)
    : storage_base(mode),
      path_(std::move(path)),
      fd_(fd),
      lock_(container_lock(mode)),
      delete_on_release_(delete_on_release),
      committed_(std::move(committed)) {
  elements_ = committed_elements();
}

file_storage::~file_storage() {
  // A direct storage keeps its changes; nothing is left to report a failure to.
  if (!mode_transacted(mode_) && mode_writes(mode_) && dirty_ && !delete_on_release_) {
    try {
      persist();
    } catch (const std::bad_alloc&) {
    }
  }
  if (delete_on_release_) remove_if_same(path_, fd_);
  ::close(fd_);
}

HRESULT file_storage::create(const std::string* path, DWORD mode, IStorage** out) {
  int lock = container_lock(mode);
  std::string name;
  int fd = -1;
  bool created = true;
  HRESULT hr;
  if (path == nullptr) {
    hr = create_unique(temporary_directory() + "/~dvstg-", lock, &name, &fd);
  } else {
    name = *path;
    hr = open_locked(name, O_RDWR | O_CREAT | O_EXCL, kNewFileMode, lock, &fd);
    if (hr == STG_E_FILEALREADYEXISTS && (mode & STGM_CREATE) != 0) {
      created = false;
      hr = open_locked(name, O_RDWR, 0, lock, &fd);
    }
  }
  if (FAILED(hr)) return hr;

  bool delete_on_release = (mode & STGM_DELETEONRELEASE) != 0;
  file_storage* storage;
  try {
    storage = new file_storage(mode, name, fd, delete_on_release, {});
  } catch (const std::bad_alloc&) {
    if (created) remove_if_same(name, fd);
    ::close(fd);
    return STG_E_INSUFFICIENTMEMORY;
  }
  // The new container replaces whatever the file held.
  try {
    hr = storage->persist();
  } catch (const std::bad_alloc&) {
    hr = STG_E_INSUFFICIENTMEMORY;
  }
  if (FAILED(hr)) {
    storage->dirty_ = false;
    storage->delete_on_release_ = created;
    storage->Release();
    return hr;
  }
  *out = storage;
  return S_OK;
}

HRESULT file_storage::open(const std::string& path, DWORD mode, IStorage** out) {
  int fd;
  HRESULT hr = open_locked(path, mode_writes(mode) ? O_RDWR : O_RDONLY, 0, container_lock(mode), &fd);
  if (FAILED(hr)) return hr;
  try {
    std::vector<stored_stream> directory;
    hr = read_directory(fd, &directory);
    if (SUCCEEDED(hr)) {
      *out = new file_storage(mode, path, fd, false, std::move(directory));
      return S_OK;
    }
  } catch (const std::bad_alloc&) {
    hr = STG_E_INSUFFICIENTMEMORY;
  }
  ::close(fd);
  return hr;
}

std::map<std::u16string, stream_element> file_storage::committed_elements() const {
  std::map<std::u16string, stream_element> elements;
  for (const stored_stream& s : committed_) elements[s.name].stored = s.run;
  return elements;
}

HRESULT file_storage::load(stream_element& element) {
  if (element.loaded) return S_OK;
  HRESULT hr = read_run(fd_, element.stored, &element.image);
  if (SUCCEEDED(hr)) element.loaded = true;
  return hr;
}

HRESULT file_storage::persist() {
  std::vector<stream_to_write> streams;
  std::vector<stored_stream> directory;
  streams.reserve(elements_.size());
  directory.reserve(elements_.size());
  for (const auto& [name, element] : elements_) {
    streams.push_back({&name, element.loaded ? &element.image : nullptr, element.stored});
    directory.push_back({name, stored_run{}});
  }
  std::vector<stored_run> runs;
  bool replaced = false;
  HRESULT hr = replace_container(path_, &fd_, lock_, streams, &runs, &replaced);
  if (!replaced) return hr;

  // The new file holds everything: the bytes of closed streams are read
  // again from it when next opened.
  std::size_t i = 0;
  for (auto& [name, element] : elements_) {
    directory[i].run = runs[i];
    element.stored = runs[i];
    if (element.opener == nullptr) {
      element.loaded = false;
      std::vector<std::uint8_t>().swap(element.image);
    }
    ++i;
  }
  committed_.swap(directory);
  dirty_ = FAILED(hr);  // a failed directory flush: write again at the next commit
  return hr;
}

HRESULT file_storage::Commit(DWORD flags) {
  if (flags != STGC_DEFAULT) return STG_E_INVALIDFLAG;
  std::lock_guard<std::mutex> hold(mutex_);
  if (!mode_writes(mode_) || !dirty_) return S_OK;
  try {
    return persist();
  } catch (const std::bad_alloc&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
}

HRESULT file_storage::stream_commit() {
  if (mode_transacted(mode_) || !mode_writes(mode_) || !dirty_) return S_OK;
  try {
    return persist();
  } catch (const std::bad_alloc&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
}

HRESULT file_storage::Revert() {
  std::lock_guard<std::mutex> hold(mutex_);
  if (!mode_transacted(mode_)) return S_OK;
  try {
    std::map<std::u16string, stream_element> elements = committed_elements();
    revert_open_streams();
    elements_.swap(elements);
  } catch (const std::bad_alloc&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
  dirty_ = false;
  return S_OK;
}

HRESULT file_storage::GetFilePath(std::u16string* path) {
  if (path == nullptr) return STG_E_INVALIDPOINTER;
  return utf16_of_path(path_.c_str(), path);
}

}  // namespace dv_qem
