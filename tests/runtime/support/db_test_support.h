// Helpers of the database tests: a fixture with a fault guard and a scratch
// directory, user objects that fill one page each with per-object patterns,
// expected-error checks, and reading the recovery log a database writes.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "db_format.h"
#include "log_format.h"
#include "dv_database.h"
#include "dv_err.h"
#include "dv_fault_handler.h"
#include "dv_new.h"
#include "dv_scratch_dir.h"
#include "dvdb.h"
#include "page.h"
#include "runtime_state.h"

namespace dv_test {

constexpr unsigned kPage = 4096;
constexpr unsigned kMiB = 0x100000;

inline dv_qem::DVDB* internal(dv_qem::dv_database* db) { return dv_qem::DVDB::of(db); }

// Bytes of a user object that fills a page on its own (the page's heap
// header and the block header take the rest).
constexpr unsigned kSlotBytes = kPage - 32;

// The word stored at word w of slot i with fill seed seed.
inline unsigned pattern_word(unsigned i, unsigned w, unsigned seed) {
  return (i * 0x9E3779B1u) ^ (w * 0x85EBCA6Bu) ^ (seed * 0xC2B2AE35u) ^ 0x5bd1e995u;
}

// The test's pages: user objects of kSlotBytes characters, each alone on a
// page of its own, known by their offsets from the image start (so that they
// are found again wherever the database is mapped next).
class slots {
 public:
  slots() = default;
  // n new objects in db, each filled with its pattern of seed.
  slots(dv_qem::dv_database* db, unsigned n, unsigned seed = 1) {
    for (unsigned i = 0; i < n; ++i) {
      char* object = static_cast<char*>(
          ::operator new(kSlotBytes, db, dv_qem::dv_typespec::get_char(), kSlotBytes));
      EXPECT_EQ(dv_qem::DVDB::page_of(object) + 32, object) << "alone on its page";
      offsets_.push_back(static_cast<unsigned>(object - internal(db)->space_start()));
      fill(db, i, seed);
    }
  }
  unsigned size() const { return static_cast<unsigned>(offsets_.size()); }
  unsigned offset(unsigned i) const { return offsets_[i]; }
  char* object(dv_qem::dv_database* db, unsigned i) const { return internal(db)->space_start() + offsets_[i]; }
  char* page(dv_qem::dv_database* db, unsigned i) const { return dv_qem::DVDB::page_of(object(db, i)); }

  void fill(dv_qem::dv_database* db, unsigned i, unsigned seed) const {
    unsigned* words = reinterpret_cast<unsigned*>(object(db, i));
    for (unsigned w = 0; w < kSlotBytes / 4; ++w) words[w] = pattern_word(i, w, seed);
  }
  // Slot i of the image at start holds its whole pattern of seed.
  bool holds_at(const char* start, unsigned i, unsigned seed) const {
    const unsigned* words = reinterpret_cast<const unsigned*>(start + offsets_[i]);
    for (unsigned w = 0; w < kSlotBytes / 4; ++w)
      if (words[w] != pattern_word(i, w, seed)) return false;
    return true;
  }
  bool holds(dv_qem::dv_database* db, unsigned i, unsigned seed) const {
    return holds_at(internal(db)->space_start(), i, seed);
  }

 private:
  std::vector<unsigned> offsets_;
};

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

// The message of the exception being handled (inside a catch block).
inline std::string current_report() {
  try {
    throw;
  } catch (const dv_qem::dv_err& e) {
    return e.get_report() != nullptr ? e.get_report() : "(no message)";
  } catch (...) {
    return "(not a dv_err)";
  }
}

// Runs f and expects it to throw E with exactly the message text.
template <class E, class F>
void expect_error(F&& f, const std::string& text) {
  try {
    f();
    ADD_FAILURE() << "no error; expected: " << text;
  } catch (const E& e) {
    EXPECT_STREQ(e.get_report(), text.c_str());
  } catch (...) {
    ADD_FAILURE() << "another error: " << current_report() << "; expected: " << text;
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
  } catch (...) {
    ADD_FAILURE() << "another error: " << current_report() << "; expected: " << prefix;
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

// The entries of the recovery log beside the database at db_path, up to the
// end entry: (kind, offset) for page images, (kind, old size) for growth.
struct log_entry {
  int kind;
  unsigned value;
};
inline std::vector<log_entry> log_entries(const std::string& db_path) {
  std::vector<char> bytes = read_file(db_path + ".log");
  std::vector<log_entry> entries;
  size_t at = sizeof(dv_qem::_DB_log_header);
  while (at + sizeof(dv_qem::_DB_log_entry) <= bytes.size()) {
    dv_qem::_DB_log_entry e;
    std::memcpy(&e, bytes.data() + at, sizeof e);
    if (!e.is_valid() || e.kind == dv_qem::log_end) break;
    at += sizeof e;
    if (e.kind == dv_qem::log_page_image) {
      entries.push_back({e.kind, static_cast<unsigned>(e.offset)});
      at += static_cast<size_t>(e.page_size);
    } else {
      entries.push_back({e.kind, static_cast<unsigned>(e.old_size)});
    }
  }
  return entries;
}
// Page images logged since the log last started afresh.
inline int logged_images(const std::string& db_path) {
  int n = 0;
  for (const log_entry& e : log_entries(db_path)) n += e.kind == dv_qem::log_page_image;
  return n;
}
inline dv_qem::_DB_log_header log_header(const std::string& db_path) {
  dv_qem::_DB_log_header h{};
  std::vector<char> bytes = read_file(db_path + ".log");
  if (bytes.size() >= sizeof h) std::memcpy(&h, bytes.data(), sizeof h);
  return h;
}

// Fixture: a fault guard on the test's thread and a scratch directory.
class db_test : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return dir_ / name; }

  dv_qem::_VRN_fault_handler guard_;
  scratch_dir dir_;
};

}  // namespace dv_test
