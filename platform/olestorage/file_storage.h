// A storage backed by a container file. Streams are read into memory when
// opened; the whole container is written anew on a commit: on every stream or
// storage Commit in direct mode, on the storage's Commit only when
// transacted. The file stays locked for as long as the storage lives.
#pragma once

#include <string>
#include <vector>

#include "container_file.h"
#include "storage_base.h"

namespace dv_qem {

class file_storage final : public storage_base {
 public:
  // Creates a container with no streams at *path (null: a new file in the
  // temporary directory) for a mode check_container_mode accepted.
  static HRESULT create(const std::string* path, DWORD mode, IStorage** out);
  // Opens the container at path for a mode check_container_mode accepted.
  static HRESULT open(const std::string& path, DWORD mode, IStorage** out);

  HRESULT Commit(DWORD flags) override;
  HRESULT Revert() override;
  HRESULT GetFilePath(std::u16string* path) override;
  HRESULT stream_fault(stream_call) override { return S_OK; }
  HRESULT stream_commit() override;

 private:
  file_storage(DWORD mode, std::string path, int fd, bool delete_on_release,
               std::vector<stored_stream> committed);
  ~file_storage() override;

  HRESULT load(stream_element& element) override;
  // The elements as the file holds them.
  std::map<std::u16string, stream_element> committed_elements() const;
  // Writes every element to a new file that replaces the current one.
  HRESULT persist();

  const std::string path_;
  int fd_;                               // the current file, locked with lock_
  const int lock_;                       // LOCK_EX or LOCK_SH
  bool delete_on_release_;               // remove the file at the last Release
  std::vector<stored_stream> committed_; // the directory of the current file
};

}  // namespace dv_qem
