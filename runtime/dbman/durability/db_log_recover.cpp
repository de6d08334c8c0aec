// Replay of a database's recovery log: check the log header against the
// database, check every entry, then write the logged pages back.
#include "db_log_recover.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "db_format.h"
#include "dv_assertions.h"
#include "dv_err.h"
#include "dv_platform.h"
#include "log_format.h"
#include "runtime_state.h"

namespace dv_qem {

namespace {

constexpr size_t kSystemTextSize = 320;

[[noreturn]] void corrupted() {
  throw dv_err_database_recovery("The Log file is corrupted. Tag is invalid.");
}

bool super_block_valid(const _DB_header_super& super, dv4u page_size) {
  return std::strncmp(super.magic, DB_MAGIC, sizeof super.magic) == 0 &&
         super.page_size == page_size && super.major_version == DB_FORMAT_MAJOR &&
         super.minor_version == DB_FORMAT_MINOR;
}

_DB_header_super& super_of(std::vector<char>& page) {
  return *reinterpret_cast<_DB_header_super*>(page.data());
}

// The log file, open read-write (which locks it); closed and kept unless
// the replay finished.
class open_log {
 public:
  explicit open_log(const char* path) : path_(path) {
    int code = 0;
    char text[kSystemTextSize];
    file_ = _VRN_open_file(path, _VRN_O_RDWR | _VRN_O_NOFOLLOW, 0, code, text, sizeof text);
    if (file_ == nullptr)
      throw dv_err_database_log("Database Log \"%s\" open/create error: \"%s\"", path, text);
  }
  ~open_log() {
    if (file_ != nullptr) _VRN_close_file(file_);
  }
  open_log(const open_log&) = delete;
  open_log& operator=(const open_log&) = delete;

  _VRN_file* file() const { return file_; }

 private:
  const char* path_;
  _VRN_file* file_;
};

// Reads and checks the log header against the database named db_path (R1,
// with the stamp check of the recovery below).
_DB_log_header read_log_header(const open_log& log, const char* log_path, const char* db_path,
                               dv4u page_size) {
  _DB_log_header header;
  if (_VRN_pread_file(log.file(), &header, sizeof header, 0) != sizeof header ||
      !header.is_valid(page_size))
    throw dv_err_database_recovery("The file \"%s\" is not a valid database Log.", log_path);
  if (!header.is_complete())
    throw dv_err_database_recovery(
        "The file \"%s\" is a database Log, but it is as begin in progress.", log_path);
  // Completing a log requires a stamp: a complete log without one was not
  // written by a commit.
  if (header.timestamp == 0)
    throw dv_err_database_recovery("The file \"%s\" is not a valid database Log.", log_path);
  const char* db_name = _VRN_file_name_of(db_path);
  if (std::memchr(header.db_name, 0, sizeof header.db_name) == nullptr ||
      std::strcmp(header.db_name, db_name) != 0)
    throw dv_err_database_recovery(
        "The logfile \"%s\" can not be used to recover the database \"%s\": database \"%.*s\" is "
        "expected.",
        log_path, db_path, static_cast<int>(sizeof header.db_name), header.db_name);
  return header;
}

// What the replay writes, gathered from a log that has been checked whole.
struct replay_plan {
  std::map<dv4u, off_t> images;  // page offset -> position of its image in the log
  std::vector<char> page0;       // the logged image of page 0 (empty when none was logged)
  dv4u restored_size = 0;        // size before the first growth; 0 when the database did not grow
};

// With a runtime trace level set, each entry recovery reads is printed.
void trace_entry(const _DB_log_entry& entry) {
  if (_DV_int::get_trace_level() == 0) return;
  const char* word = entry.kind == log_page_image ? "rw" : entry.kind == log_db_grew ? "new" : "end";
  _VRN_printf("TAG %s: offset %d, old_sz %d \n", word, static_cast<int>(entry.offset),
              static_cast<int>(entry.old_size));
}

bool same_image(_VRN_file* log, off_t a, off_t b, dv4u page_size) {
  std::vector<char> first(page_size), second(page_size);
  return _VRN_pread_file(log, first.data(), page_size, a) == page_size &&
         _VRN_pread_file(log, second.data(), page_size, b) == page_size && first == second;
}

// Reads the entries up to the end entry. What follows the end can only be
// the rest of an append that failed before the log was completed (the end
// was written over its start): less than one image entry, and no entry.
// More shows an entry damaged into an end.
replay_plan read_entries(_VRN_file* log, dv4u page_size, dv4u entries_end, std::vector<dv4u>& growth) {
  // A log whose header records where its entries end was written by a build
  // that also records each image's page a second time.
  const bool kept = entries_end != 0;
  const off_t log_size = _VRN_file_size(log);
  const dv4s page = static_cast<dv4s>(page_size);
  replay_plan plan;
  off_t at = sizeof(_DB_log_header);
  for (;;) {
    _DB_log_entry entry;
    if (_VRN_pread_file(log, &entry, sizeof entry, at) != sizeof entry || !entry.is_valid())
      corrupted();
    trace_entry(entry);
    at += sizeof entry;
    switch (entry.kind) {
      case log_end: {
        _DB_log_entry next;
        // An end entry before the recorded end was forged from another entry.
        if (kept && at != static_cast<off_t>(entries_end)) corrupted();
        if (log_size - at >= static_cast<off_t>(sizeof entry + page_size) ||
            (_VRN_pread_file(log, &next, sizeof next, at) == sizeof next && next.is_valid()))
          corrupted();
        return plan;
      }
      case log_page_image: {
        if (entry.page_size != page || entry.offset < 0 || entry.offset % page != 0 ||
            at + static_cast<off_t>(page_size) > log_size)
          corrupted();
        // The page's number, recorded twice: an offset damaged to name
        // another page would write the image over that page.
        if (kept && entry.old_size != entry.offset / page + 1) corrupted();
        const auto [first, is_first] = plan.images.emplace(static_cast<dv4u>(entry.offset), at);
        // A page is imaged again only after an undo took it back to before
        // its first change (it holds its first image again), so both images
        // hold the same bytes.
        if (!is_first && !same_image(log, first->second, at, page_size)) corrupted();
        if (is_first && entry.offset == 0) {
          plan.page0.resize(page_size);
          if (_VRN_pread_file(log, plan.page0.data(), page_size, at) != page_size ||
              !super_block_valid(super_of(plan.page0), page_size))
            corrupted();
        }
        at += page_size;
        break;
      }
      case log_db_grew:
        if (entry.old_size <= 0 || entry.old_size % page != 0) corrupted();
        growth.push_back(static_cast<dv4u>(entry.old_size));
        break;
    }
  }
}

// Checks the entries against each other and against the database. The
// size before the write is the first growth's, else the size the header
// records (no write changes it without growing). A logged page 0 records
// it, the file holds it (so the database the replay leaves is whole), and
// every logged page lies inside it: a page the write added has no image
// before the write.
replay_plan read_plan(_VRN_file* log, dv4u page_size, dv4u entries_end, const _DB_header_super& super,
                      off_t file_size) {
  std::vector<dv4u> growth;
  replay_plan plan = read_entries(log, page_size, entries_end, growth);
  const dv4u size_before = growth.empty() ? super.db_size : growth.front();
  if (!growth.empty()) plan.restored_size = size_before;
  if (!plan.page0.empty() && super_of(plan.page0).db_size != size_before) corrupted();
  if (size_before == 0 || static_cast<off_t>(size_before) > file_size) corrupted();
  for (const auto& image : plan.images)
    if (image.first + uint64_t{page_size} > size_before) corrupted();
  return plan;
}

// Writes the plan into the database file; page 0 (with the recovery word
// and timestamp cleared) goes last, after everything else is flushed (R3;
// the plan was read whole first, R2).
// What the file held before, in saved, so the replay can be taken back.
void replay(const replay_plan& plan, _VRN_file* log, _Storage& db,
            std::vector<char>& page0, dv4u page_size, _DB_log_replayed& saved) {
  saved.file_size = db.size();
  saved.page0 = page0;
  std::vector<char> image(page_size);
  for (const auto& [offset, at] : plan.images) {
    if (offset == 0) continue;
    if (_VRN_pread_file(log, image.data(), page_size, at) != page_size) corrupted();
    std::vector<char> before(page_size);
    before.resize(db.read_at(before.data(), page_size, offset));
    saved.pages.emplace_back(offset, std::move(before));
  }
  if (plan.restored_size != 0 && static_cast<off_t>(plan.restored_size) < saved.file_size) {
    std::vector<char> tail(static_cast<size_t>(saved.file_size - plan.restored_size));
    tail.resize(db.read_at(tail.data(), tail.size(), plan.restored_size));
    saved.pages.emplace_back(plan.restored_size, std::move(tail));
  }
  for (const auto& [offset, at] : plan.images) {
    if (offset == 0) continue;
    if (_VRN_pread_file(log, image.data(), page_size, at) != page_size) corrupted();
    db.write_whole(image.data(), page_size, offset);
  }
  if (plan.restored_size != 0) db.truncate(plan.restored_size);
  db.flush();

  if (!plan.page0.empty()) page0 = plan.page0;
  _DB_header_super& super = super_of(page0);
  if (plan.restored_size != 0) super.db_size = plan.restored_size;
  super.recovery_word = 0;
  super.timestamp = 0;
  db.write_whole(page0.data(), page_size, 0);
  db.flush();
}

}  // namespace

void _DB_log_replayed::undo(_Storage& db) const {
  for (const auto& [offset, bytes] : pages) db.write_whole(bytes.data(), bytes.size(), offset);
  if (db.size() > file_size) db.truncate(file_size);
  db.flush();
  // Page 0, with the recovery word, last: until it is back the database
  // still reads as recovered.
  db.write_whole(page0.data(), page0.size(), 0);
  db.flush();
}

void _DB_log_remove(const char* db_path) {
  char log_path[_VRN_MAX_PATH];
  _VRN_add_extension(log_path, sizeof log_path, db_path, "log");
  _VRN_delete_file(log_path);  // a leftover complete log of a clean database is harmless
}

_DB_log_replayed _DB_log_recover(const char* db_path, _Storage& db) {
  const dv4u page_size = _VRN_get_page_size();
  char log_path[_VRN_MAX_PATH];
  _VRN_add_extension(log_path, sizeof log_path, db_path, "log");
  open_log log(log_path);
  const _DB_log_header header = read_log_header(log, log_path, db_path, page_size);

  std::vector<char> page0(page_size);
  if (db.read_at(page0.data(), page_size, 0) != page_size ||
      !super_block_valid(super_of(page0), page_size))
    DV_ASSERTION_FAILED(db_hdr_validate_header_eq_db_header_super_valid);
  const _DB_header_super& super = super_of(page0);
  if (super.timestamp != static_cast<dv4u>(header.timestamp))
    throw dv_err_database_recovery(
        "The logfile \"%s\" can not be used to recover the database \"%s\": database timestamp "
        "%d expected, found %d",
        log_path, db_path, static_cast<int>(super.timestamp), static_cast<int>(header.timestamp));

  const replay_plan plan = read_plan(log.file(), page_size, header.entries_end, super, db.size());
  _DB_log_replayed saved;
  replay(plan, log.file(), db, page0, page_size, saved);
  return saved;
}

}  // namespace dv_qem
