// Helpers of the database tests: a fixture with a fault guard and a scratch
// directory, images of raw pages grown through the database's own growth,
// per-page fill patterns, expected-error checks and a log that counts what
// it is told.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "db_format.h"
#include "db_log.h"
#include "dv_database.h"
#include "dv_err.h"
#include "dv_fault_handler.h"
#include "dv_scratch_dir.h"
#include "dvdb.h"
#include "page.h"
#include "runtime_state.h"

namespace dv_test {

constexpr unsigned kPage = 4096;
constexpr unsigned kMiB = 0x100000;

inline dv_qem::DVDB* internal(dv_qem::dv_database* db) { return dv_qem::DVDB::of(db); }

// Grows db by n pages of zeros and records the new size in the header, as
// the allocator does; returns the first new page.
inline char* grow_raw_pages(dv_qem::dv_database* db, unsigned n) {
  dv_qem::DVDB* d = internal(db);
  char* first = nullptr;
  for (unsigned i = 0; i < n; ++i) {
    char* page = d->grow_page();
    if (first == nullptr) first = page;
    d->super()->db_size += kPage;
  }
  return first;
}

// The word stored at word w of page number page with fill seed seed.
inline unsigned pattern_word(unsigned page, unsigned w, unsigned seed) {
  return (page * 0x9E3779B1u) ^ (w * 0x85EBCA6Bu) ^ (seed * 0xC2B2AE35u) ^ 0x5bd1e995u;
}

// Fills page number `page` of db (which must be write-locked or writable by
// fault) with its pattern.
inline void fill_page(dv_qem::dv_database* db, unsigned page, unsigned seed) {
  unsigned* words = reinterpret_cast<unsigned*>(internal(db)->as_start + page * kPage);
  for (unsigned w = 0; w < kPage / 4; ++w) words[w] = pattern_word(page, w, seed);
}

// True when page number `page` of the image at start holds its whole pattern.
inline bool page_holds(const char* start, unsigned page, unsigned seed) {
  const unsigned* words = reinterpret_cast<const unsigned*>(start + page * kPage);
  for (unsigned w = 0; w < kPage / 4; ++w)
    if (words[w] != pattern_word(page, w, seed)) return false;
  return true;
}

inline long file_size(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

inline std::vector<char> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_file(const std::string& path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// The super-block stored in the file at path.
inline dv_qem::_DB_header_super stored_super(const std::string& path) {
  dv_qem::_DB_header_super s{};
  std::vector<char> bytes = read_file(path);
  if (bytes.size() >= sizeof s) std::memcpy(&s, bytes.data(), sizeof s);
  return s;
}

// Runs f and expects it to throw E with exactly the message text.
template <class E, class F>
void expect_error(F&& f, const std::string& text) {
  try {
    f();
    ADD_FAILURE() << "no error; expected: " << text;
  } catch (const E& e) {
    EXPECT_STREQ(e.get_report(), text.c_str());
  } catch (const dv_qem::dv_err& e) {
    ADD_FAILURE() << "another error: " << e.get_report() << "; expected: " << text;
  }
}

// Runs f and expects it to throw E with a message that begins with prefix.
template <class E, class F>
void expect_error_starting(F&& f, const std::string& prefix) {
  try {
    f();
    ADD_FAILURE() << "no error; expected: " << prefix;
  } catch (const E& e) {
    EXPECT_EQ(std::string(e.get_report()).substr(0, prefix.size()), prefix);
  } catch (const dv_qem::dv_err& e) {
    ADD_FAILURE() << "another error: " << e.get_report() << "; expected: " << prefix;
  }
}

// A printf-formatted string.
template <class... A>
std::string format(const char* fmt, A... args) {
  char buffer[2048];
  std::snprintf(buffer, sizeof buffer, fmt, args...);
  return buffer;
}

inline unsigned word(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

// A log that counts what it is told, installed as the log subsystem's
// maker for the fixture's lifetime.
struct counting_log : dv_qem::_DB_log {
  static inline int pages_logged = 0;
  static inline int pages_grown = 0;
  static inline int writes_begun = 0;
  static inline int writes_ended = 0;
  static inline int closed = 0;
  static inline unsigned last_stamp = 0;
  static inline std::vector<unsigned> logged_offsets;

  void begin_write(dv_qem::dv4u stamp) override {
    ++writes_begun;
    last_stamp = stamp;
  }
  void end_write() override { ++writes_ended; }
  void log_page(dv_qem::_Page* page, bool grew) override {
    EXPECT_TRUE(page->is_mapped());
    EXPECT_EQ(page->get_lock(), dv_qem::_Page::LW);
    ++(grew ? pages_grown : pages_logged);
    logged_offsets.push_back(page->get_offset());
  }
  void close(bool) override {
    ++closed;
    delete this;
  }

  static dv_qem::_DB_log* make(dv_qem::DVDB*, bool) { return new counting_log; }
  static void reset() {
    pages_logged = pages_grown = writes_begun = writes_ended = closed = 0;
    logged_offsets.clear();
  }
  static void install() {
    reset();
    dv_qem::_DB_log_subsystem().make = make;
  }
  static void uninstall() { dv_qem::_DB_log_subsystem().make = nullptr; }
};

// Fixture: a fault guard on the test's thread and a scratch directory.
class db_test : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return dir_ / name; }

  dv_qem::_VRN_fault_handler guard_;
  scratch_dir dir_;
};

}  // namespace dv_test
