// The log file of a database opened for update: creation with its header,
// appending page images and growth, completing, resetting and closing.
#include "db_log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "dv_assertions.h"
#include "dv_err.h"
#include "dv_platform.h"
#include "log_format.h"
#include "whole_transfer.h"

namespace dv_qem {

namespace {

constexpr size_t kSystemTextSize = 320;

[[noreturn]] void refuse_log(const char* log_path, const char* reason) {
  throw dv_err_database_log("Database Log \"%s\" open/create error: \"%s\"", log_path, reason);
}

// Copies name into a header name field; refused when it leaves no room for
// the terminator.
void store_name(char (&field)[DB_LOG_NAME_SIZE], const char* name, const char* what,
                const char* log_path) {
  size_t length = _VRN_strlen(name);
  if (length >= DB_LOG_NAME_SIZE) {
    char reason[kSystemTextSize];
    _VRN_snprintf(reason, sizeof reason, "%s longer than %u characters: %s", what,
                  static_cast<unsigned>(DB_LOG_NAME_SIZE - 1), name);
    refuse_log(log_path, reason);
  }
  std::memset(field, 0, sizeof field);
  std::memcpy(field, name, length);
}

// Writes length bytes at offset; a short count (device full) raises
// dv_err_cant_write_to_file.
void write_whole(_VRN_file* file, const void* buffer, size_t length, off_t offset) {
  _VRN_require_whole(_Transfer::write, _VRN_pwrite_file(file, buffer, length, offset), length);
}

class _DB_file_log final : public _DB_log {
 public:
  _DB_file_log();
  // Makes the file and writes the first header; on failure close(true)
  // removes whatever was made.
  void create(const char* db_path, bool temporary);

  void log_page(dv4u offset, const void* image, dv4u page_size) override;
  void log_growth(dv4u old_size) override;
  void log_growth_run(dv4u old_size, dv4u n_pages) override;
  void complete(dv4u timestamp) override;
  void reset() override;
  void close(bool delete_file) override;
  const char* path() const override { return path_; }

 private:
  ~_DB_file_log();

  void require_in_progress() const;
  void set_in_progress();
  // Appends an entry of kind with the given fields, and the image when given;
  // every entry but the end entry is followed by an empty slot.
  void append(dv4s kind, dv4s offset, dv4s old_size, const void* image);
  // Writes the length bytes at buffer at the end and moves the end past
  // them. With an empty slot, buffer has room for one entry more, which is
  // written as zeros behind them (the end stays in front of it).
  void write_at_end(char* buffer, size_t length, bool with_empty_slot);
  // The entry of kind with the given fields.
  static _DB_log_entry entry_of(dv4s kind, dv4s offset, dv4s page_size, dv4s old_size);

  char path_[_VRN_MAX_PATH] = {};
  bool file_made_ = false;               // path_ names a file this log made or replaced
  _VRN_file* file_ = nullptr;
  _DB_log_header header_;
  off_t end_ = sizeof(_DB_log_header);  // where the next entry goes
  // How far the file may reach: the furthest end of any write since it was
  // last cut. Entries of earlier writes may lie between end_ and here.
  off_t reach_ = sizeof(_DB_log_header);
  dv4u page_size_;
  char* entry_buffer_ = nullptr;         // one entry, one page image and an empty slot
};

_DB_file_log::_DB_file_log() : page_size_(_VRN_get_page_size()) {
  std::memset(&header_, 0, sizeof header_);
  std::memcpy(header_.cookie, DB_LOG_COOKIE, sizeof header_.cookie);
  header_.page_size = static_cast<dv4s>(page_size_);
  header_.version_1 = DB_LOG_VERSION_1;
  header_.version_2 = DB_LOG_VERSION_2;
  set_in_progress();
}

void _DB_file_log::create(const char* db_path, bool temporary) {
  entry_buffer_ = static_cast<char*>(_VRN_allocate(
      std::max(2 * sizeof(_DB_log_entry) + page_size_, sizeof(_DB_log_header) + sizeof(_DB_log_entry))));
  const char* db_name = _VRN_file_name_of(db_path);
  bool fresh;
  if (temporary) {
    // The temporary name has the length of its pattern: both names are
    // checked before the file is made.
    _VRN_snprintf(path_, sizeof path_, "%s/%sXXXXXX", _VRN_get_tmp_dir(), db_name);
    store_name(header_.db_name, db_name, "database file name", path_);
    store_name(header_.log_name, path_, "log file name", path_);
    if (_VRN_get_tmp_filename(_VRN_get_tmp_dir(), db_name, path_) != 0) {
      char text[kSystemTextSize];
      _VRN_system_error_text(errno, text, sizeof text);
      refuse_log(path_, text);
    }
    file_made_ = true;
    store_name(header_.log_name, path_, "log file name", path_);
    fresh = true;
  } else {
    _VRN_add_extension(path_, sizeof path_, db_path, "log");
    store_name(header_.db_name, db_name, "database file name", path_);
    store_name(header_.log_name, _VRN_file_name_of(path_), "log file name", path_);
    fresh = _VRN_access(path_, 0) != 0;
  }

  int code = 0;
  char text[kSystemTextSize];
  // A log path that is a symbolic link is refused: the store would write
  // over, and later delete, what it names.
  file_ = _VRN_open_file(path_, _VRN_O_RDWR | _VRN_O_CREAT | _VRN_O_TRUNC | _VRN_O_NOFOLLOW, 0644, code,
                         text, sizeof text);
  if (file_ == nullptr) refuse_log(path_, text);
  file_made_ = true;
  write_whole(file_, &header_, sizeof header_, 0);
  _VRN_flush_file(file_);
  if (fresh) _VRN_flush_directory_of(path_);
}

_DB_file_log::~_DB_file_log() { _VRN_free(entry_buffer_); }

void _DB_file_log::set_in_progress() {
  std::memcpy(header_.state, DB_LOG_STATE_IN_PROGRESS, sizeof header_.state);
  header_.in_progress = 1;
  header_.timestamp = 0;
  header_.entries_end = 0;
}

void _DB_file_log::require_in_progress() const {
  if (!header_.in_progress) DV_ASSERTION_FAILED(header_in_progress);
}

_DB_log_entry _DB_file_log::entry_of(dv4s kind, dv4s offset, dv4s page_size, dv4s old_size) {
  _DB_log_entry entry;
  std::memset(&entry, 0, sizeof entry);
  std::memcpy(entry.tag, DB_LOG_ENTRY_TAG, sizeof entry.tag);
  entry.kind = kind;
  entry.offset = offset;
  entry.page_size = page_size;
  entry.old_size = old_size;
  return entry;
}

void _DB_file_log::append(dv4s kind, dv4s offset, dv4s old_size, const void* image) {
  const _DB_log_entry entry =
      entry_of(kind, offset, image != nullptr ? static_cast<dv4s>(page_size_) : 0, old_size);
  size_t length = sizeof entry;
  std::memcpy(entry_buffer_, &entry, sizeof entry);
  if (image != nullptr) {
    std::memcpy(entry_buffer_ + sizeof entry, image, page_size_);
    length += page_size_;
  }
  write_at_end(entry_buffer_, length, kind != log_end);
}

void _DB_file_log::write_at_end(char* buffer, size_t length, bool with_empty_slot) {
  // The empty slot ends the entries of a log in progress for whoever reads
  // it, whatever an earlier write left behind it.
  size_t written = length;
  if (with_empty_slot) {
    std::memset(buffer + length, 0, sizeof(_DB_log_entry));
    written += sizeof(_DB_log_entry);
  }
  // The end moves only past a whole entry: after a failure the next append
  // writes over the broken one.
  reach_ = std::max(reach_, end_ + static_cast<off_t>(written));
  write_whole(file_, buffer, written, end_);
  end_ += static_cast<off_t>(length);
}

void _DB_file_log::log_page(dv4u offset, const void* image, dv4u page_size) {
  require_in_progress();
  DV_ASSERT(page_size == page_size_);
  DV_ASSERT(offset % page_size_ == 0);
  append(log_page_image, static_cast<dv4s>(offset), static_cast<dv4s>(offset / page_size_ + 1), image);
}

void _DB_file_log::log_growth(dv4u old_size) {
  require_in_progress();
  if (!(old_size && !(old_size % page_size_)))
    DV_ASSERTION_FAILED(old_size_whole_pages);
  append(log_db_grew, 0, static_cast<dv4s>(old_size), nullptr);
}

void _DB_file_log::log_growth_run(dv4u old_size, dv4u n_pages) {
  require_in_progress();
  if (!(old_size && !(old_size % page_size_)))
    DV_ASSERTION_FAILED(old_size_whole_pages);
  std::vector<_DB_log_entry> entries;
  entries.reserve(n_pages + 1);
  for (dv4u i = 0; i < n_pages; ++i)
    entries.push_back(entry_of(log_db_grew, 0, 0, static_cast<dv4s>(old_size + i * page_size_)));
  entries.emplace_back();  // room for the empty slot
  write_at_end(reinterpret_cast<char*>(entries.data()), n_pages * sizeof(_DB_log_entry), true);
}

void _DB_file_log::complete(dv4u timestamp) {
  if (!timestamp) DV_ASSERTION_FAILED(tstamp);
  if (!header_.in_progress) DV_ASSERTION_FAILED(p_ne_in_progress);
  off_t end_before = end_;
  try {
    append(log_end, 0, 0, nullptr);
    // Nothing may follow the end entry in a complete log: what earlier
    // writes left behind it is cut off, in the same flush. (The end entry
    // takes the empty slot the last entry left, so a write as long as the
    // one before changes nothing of the file's size.)
    if (reach_ > end_) {
      _VRN_truncate_file(file_, end_);
      reach_ = end_;
    }
    std::memcpy(header_.state, DB_LOG_STATE_COMPLETE, sizeof header_.state);
    header_.in_progress = 0;
    header_.timestamp = static_cast<dv4s>(timestamp);
    header_.entries_end = static_cast<dv4u>(end_);
    write_whole(file_, &header_, sizeof header_, 0);
    _VRN_flush_file(file_);
  } catch (...) {
    // The database is not marked before this returns, so whatever reached
    // the file is never replayed; the log goes on collecting images.
    set_in_progress();
    end_ = end_before;
    throw;
  }
}

void _DB_file_log::reset() {
  // The header in progress and an empty slot behind it, in one write: the
  // old entries stay in the file behind them, never replayed; the next
  // write's entries go over them, and complete() cuts off whatever is left
  // past its end. A file that keeps its length and blocks is flushed without
  // a change of either, as dear as an overwrite.
  set_in_progress();
  end_ = sizeof header_;
  std::memcpy(entry_buffer_, &header_, sizeof header_);
  std::memset(entry_buffer_ + sizeof header_, 0, sizeof(_DB_log_entry));
  const size_t length = sizeof header_ + sizeof(_DB_log_entry);
  reach_ = std::max(reach_, static_cast<off_t>(length));
  write_whole(file_, entry_buffer_, length, 0);
  _VRN_flush_file(file_);
}

void _DB_file_log::close(bool delete_file) {
  if (file_ != nullptr) _VRN_close_file(file_);
  file_ = nullptr;
  if (file_made_ && (delete_file || header_.in_progress)) _VRN_delete_file(path_);
  delete this;
}

}  // namespace

_DB_log* _DB_log::open_for_update(const char* db_path, bool temporary) {
  auto* log = new _DB_file_log();
  try {
    log->create(db_path, temporary);
  } catch (...) {
    log->close(true);
    throw;
  }
  return log;
}

}  // namespace dv_qem
