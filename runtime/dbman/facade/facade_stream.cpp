// The stream forms of dv_database: each takes the runtime thread lock and
// forwards to the database object; a UTF-8 stream name is widened first.
#include <cerrno>

#include "dv_database.h"
#include "dv_err.h"
#include "dv_locks.h"
#include "dv_platform.h"
#include "dvdb.h"
#include "text_encoding.h"

namespace dv_qem {

namespace {

constexpr size_t kWideNameSize = 4096;

// A UTF-8 stream name widened (null stays null); a failure raises dv_err_file
// with the system's text.
class wide_name {
 public:
  explicit wide_name(const char* name) {
    if (name == nullptr) return;
    if (int error = _VRN_utf8_to_utf16(name, buffer_, kWideNameSize)) {
      char text[320];
      _VRN_system_error_text(error, text, sizeof text);
      throw dv_err_file("Converting multi-byte to wide-char failed: %s", text);
    }
    name_ = buffer_;
  }
  const char16_t* get() const { return name_; }

 private:
  char16_t buffer_[kWideNameSize];
  const char16_t* name_ = nullptr;
};

}  // namespace

dv_database* dv_database::create(IStorage* storage, const char* name, unsigned mode, unsigned as_size_mb) {
  _VRN_thread_lock lock;
  return DVDB::create(storage, wide_name(name).get(), mode, as_size_mb);
}

dv_database* dv_database::create(IStorage* storage, const char16_t* name, unsigned mode, unsigned as_size_mb) {
  _VRN_thread_lock lock;
  return DVDB::create(storage, name, mode, as_size_mb);
}

dv_database* dv_database::open(IStorage* storage, const char* name, unsigned mode, unsigned as_factor) {
  _VRN_thread_lock lock;
  return DVDB::open(storage, wide_name(name).get(), mode, as_factor);
}

dv_database* dv_database::open(IStorage* storage, const char16_t* name, unsigned mode, unsigned as_factor) {
  _VRN_thread_lock lock;
  return DVDB::open(storage, name, mode, as_factor);
}

void dv_database::save_as(IStorage* storage, const char* name, unsigned mode) {
  _VRN_thread_lock lock;
  DVDB::of(this)->save_as(storage, wide_name(name).get(), mode);
}

void dv_database::save_as(IStorage* storage, const char16_t* name, unsigned mode) {
  _VRN_thread_lock lock;
  DVDB::of(this)->save_as(storage, name, mode);
}

void dv_database::copy(IStorage* storage, const char* name, unsigned mode) const {
  _VRN_thread_lock lock;
  const_cast<DVDB*>(DVDB::of(this))->copy(storage, wide_name(name).get(), mode);
}

void dv_database::copy(IStorage* storage, const char16_t* name, unsigned mode) const {
  _VRN_thread_lock lock;
  const_cast<DVDB*>(DVDB::of(this))->copy(storage, name, mode);
}

}  // namespace dv_qem
