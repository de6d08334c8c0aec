// The database of the crash tests and the one transaction they interrupt.
// Before it, twelve one-page objects ("slab0".."slab11") and a five-page
// object ("blob") hold pattern 1. The transaction writes pattern 2 into all
// of them and adds the root "added" to a new six-page object of pattern 3:
// the file grows and page 0 changes. Reading a database back tells which of
// the two states it holds, or what it holds instead.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "db_test_support.h"
#include "durnavel.h"

namespace crash_model {

using namespace dv_qem;

constexpr unsigned kSlabs = 12;
constexpr unsigned kSlabBytes = dv_test::kSlotBytes;  // alone on a page
constexpr unsigned kBlobBytes = 5 * 4096 - 200;       // a large object over five pages
constexpr unsigned kAddedBytes = 6 * 4096 - 100;      // a large object over six pages

// Status of a child that a crash point ended.
constexpr int kCrashed = 42;

inline unsigned char byte_of(unsigned object, unsigned i, unsigned seed) {
  return static_cast<unsigned char>((i * 13 + object * 101 + seed * 71) ^ (i >> 7));
}

inline void fill(char* p, unsigned n, unsigned object, unsigned seed) {
  for (unsigned i = 0; i < n; ++i) p[i] = static_cast<char>(byte_of(object, i, seed));
}

// The pattern seed that all n bytes at p hold (1 to 3), or 0 for none.
inline unsigned seed_of(const char* p, unsigned n, unsigned object) {
  for (unsigned seed = 1; seed <= 3; ++seed) {
    unsigned i = 0;
    while (i < n && static_cast<unsigned char>(p[i]) == byte_of(object, i, seed)) ++i;
    if (i == n) return seed;
  }
  return 0;
}

inline std::string slab_name(unsigned i) { return "slab" + std::to_string(i); }

inline char* new_chars(dv_database* db, unsigned n) {
  return static_cast<char*>(::operator new(n, db, dv_typespec::get_char(), n));
}

inline char* root_value(dv_database* db, const std::string& name) {
  dv_database_root* root = db->find_root(name.c_str());
  return root != nullptr ? static_cast<char*>(root->get_value(nullptr)) : nullptr;
}

// Makes the database at path in the state before the transaction and
// closes it. Transactions must be initialised.
inline void prepare(const std::string& path) {
  dv_database* db = dv_database::create(path.c_str(), 0644, 1, 0);
  dv_transaction::begin(dv_transaction::update);
  for (unsigned i = 0; i < kSlabs; ++i) {
    char* slab = new_chars(db, kSlabBytes);
    fill(slab, kSlabBytes, i, 1);
    db->create_root(slab_name(i).c_str())->set_value(slab, nullptr);
  }
  char* blob = new_chars(db, kBlobBytes);
  fill(blob, kBlobBytes, kSlabs, 1);
  db->create_root("blob")->set_value(blob, nullptr);
  dv_transaction::commit();
  db->close();
}

// The transaction's changes, made inside an update transaction.
inline void change(dv_database* db) {
  for (unsigned i = 0; i < kSlabs; ++i) fill(root_value(db, slab_name(i)), kSlabBytes, i, 2);
  fill(root_value(db, "blob"), kBlobBytes, kSlabs, 2);
  char* added = new_chars(db, kAddedBytes);
  fill(added, kAddedBytes, kSlabs + 1, 3);
  db->create_root("added")->set_value(added, nullptr);
}

// Makes the transaction's commit on the prepared database at path fail
// between writing its pages and clearing the mark, then closes the database:
// the file is left marked for recovery with its log. Answers whether the
// commit failed that way and left the mark.
inline bool interrupt_commit(const std::string& path) {
  dv_database* db = dv_database::open(path.c_str(), 0, 0, 0);
  dv_transaction::begin(dv_transaction::update);
  change(db);
  _VRN_let_it_die(dv_test::internal(db), _DVDB_DIE_IN_SAVE);
  bool cut_short = false;
  try {
    dv_transaction::commit();
  } catch (const dv_err_internal&) {
    cut_short = true;
  }
  dv_transaction::abort();
  db->close();
  return cut_short && dv_database::needs_recovery(path.c_str()) == 1;
}

enum class state { before, after, neither };

inline const char* name_of(state s) {
  return s == state::before ? "before" : s == state::after ? "after" : "neither";
}

// What the closed database at path holds: every object's pattern through
// its root, and the file size, must all be those of one state. Recovers
// first when the file needs it; runs the self-checks. A dv_err on the way is
// state::neither with its report in why.
inline state state_of(const std::string& path, long size_before, long size_after, std::string& why) {
  why.clear();
  dv_database* db = nullptr;
  try {
    if (dv_database::needs_recovery(path.c_str())) dv_database::recover(path.c_str());
    const long size = dv_test::file_size(path);
    db = dv_database::open(path.c_str(), 1, 0, 0);
    dv_transaction::begin(dv_transaction::read_only);
    unsigned seeds[kSlabs + 2];
    for (unsigned i = 0; i < kSlabs; ++i) seeds[i] = seed_of(root_value(db, slab_name(i)), kSlabBytes, i);
    seeds[kSlabs] = seed_of(root_value(db, "blob"), kBlobBytes, kSlabs);
    char* added = root_value(db, "added");
    seeds[kSlabs + 1] = added != nullptr ? seed_of(added, kAddedBytes, kSlabs + 1) : 0;
    db->self_check();
    dv_transaction::commit();
    db->close();
    db = nullptr;

    bool before = size == size_before && added == nullptr;
    bool after = size == size_after && added != nullptr && seeds[kSlabs + 1] == 3;
    for (unsigned i = 0; i <= kSlabs; ++i) {
      before = before && seeds[i] == 1;
      after = after && seeds[i] == 2;
    }
    if (before) return state::before;
    if (after) return state::after;
    why = "file size " + std::to_string(size) + ", root added " + (added ? "present" : "absent") + ", seeds";
    for (unsigned seed : seeds) why += " " + std::to_string(seed);
    return state::neither;
  } catch (const dv_err& e) {
    why = e.get_report() != nullptr ? e.get_report() : "dv_err";
    if (dv_transaction::get_current() != nullptr) dv_transaction::abort();
    if (db != nullptr && dv_database::is_open(db)) db->close();
    return state::neither;
  }
}

// Runs body in a forked child; returns its exit status (128 + signal when a
// signal ended it). The child ends with _exit(0) when body returns, and with
// _exit(1) on an exception: it never returns into the test.
template <class F>
int in_child(F&& body) {
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    try {
      body();
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

// Ends the process as a crash would: no clean-up of any kind.
inline void crash_now(unsigned, int) { ::_exit(kCrashed); }

}  // namespace crash_model
