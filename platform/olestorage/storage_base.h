// What every storage shares: the set of named streams held in memory once
// opened, the rules of creating, opening and destroying them, and reference
// counting. A backing (a container file, or nothing) supplies the rest.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "dv_olestorage.h"
#include "live_objects.h"

namespace dv_qem {

class stream_object;

// Where a stream's bytes lie in the backing file.
struct stored_run {
  std::uint64_t offset = 0;  // from the file's start
  std::uint64_t size = 0;    // bytes
  std::uint32_t crc = 0;     // CRC-32 of the bytes
};

// One stream of a storage.
struct stream_element {
  bool loaded = false;              // image holds the bytes; else they are at stored
  std::vector<std::uint8_t> image;  // the bytes, once loaded
  stored_run stored;                // the bytes in the backing file, when not loaded
  stream_object* opener = nullptr;  // the open stream, if any
};

enum class stream_call { read, write, commit };

class storage_base : public IStorage {
 public:
  HRESULT QueryInterface(const IID& iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT CreateStream(const char16_t* name, DWORD mode, DWORD reserved1, DWORD reserved2,
                       IStream** out) override;
  HRESULT OpenStream(const char16_t* name, void* reserved1, DWORD mode, DWORD reserved2,
                     IStream** out) override;
  HRESULT DestroyElement(const char16_t* name) override;
  HRESULT ListStreams(std::vector<std::u16string>* names) override;

  // For the streams; each is called with mutex() held.
  std::mutex& mutex() { return mutex_; }
  // A stream's content changed.
  void changed() { dirty_ = true; }
  // A stream was released: it no longer holds element.
  void stream_closed(stream_element* element) { element->opener = nullptr; }
  // The failure to inject into this call of a stream, or S_OK.
  virtual HRESULT stream_fault(stream_call call) = 0;
  // IStream::Commit of one of the streams.
  virtual HRESULT stream_commit() = 0;

 protected:
  explicit storage_base(DWORD mode) : mode_(mode) {}
  ~storage_base() override = default;

  // Makes element's bytes loaded (called with mutex() held).
  virtual HRESULT load(stream_element& element) = 0;

  // Every open stream becomes reverted (called with mutex() held).
  void revert_open_streams();

  const DWORD mode_;
  std::mutex mutex_;
  std::map<std::u16string, stream_element> elements_;  // sorted by name
  bool dirty_ = false;                                  // changes not yet written

 private:
  std::atomic<ULONG> references_{1};
  live_object live_;
};

}  // namespace dv_qem
