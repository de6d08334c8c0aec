// Guards a commit against a power cut: every write, truncation and flush of
// one transaction and its commit is recorded; disk images are built from
// what each file had made durable by its last flush before a cut, plus any
// subset of its later writes, some torn at 512-byte sectors, for a cut after
// every recorded change. Each image, recovered where it needs it, must hold
// exactly the state before or after the transaction. A second run records a
// commit that changes nothing visible just before it, so that the log that
// commit emptied is under the cuts of the next; a third, an aborted
// transaction before it that logged more than it does, whose entries the
// commit cuts off.
//
// The flush between the pages and the clean header is what keeps a clean
// header from reaching the disk ahead of the pages: without it (the same
// record replayed with that flush taken as no barrier) an image exists that
// holds neither state, which the last test shows. Taken out of the commit,
// the first test fails too, at the cut after the clean mark's write; and a
// dirty mark that writes the whole of page 0 fails it at the cut after that
// write, with every sector but the first landed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "crash_model.h"
#include "dv_test_seed.h"
#include "file_fault_hook.h"

using namespace dv_qem;
using namespace dv_test;
using crash_model::state;

namespace {

constexpr size_t kSector = 512;
// Random images per cut, besides the four fixed ones: nothing pending
// landed, everything landed, and every write torn at its first sector either
// way.
constexpr unsigned kRandomImagesPerCut = 8;

enum which_file { database_file = 0, log_file = 1, n_files = 2 };

struct change {
  which_file file;
  int kind;                // _VRN_FILE_CHANGE_WRITE, _TRUNCATE or _FLUSH
  off_t offset = 0;        // a write's offset
  std::vector<char> data;  // a write's bytes
  size_t size = 0;         // a truncation's new size
};

// The recorder's target: the files it watches, by inode, and what it saw.
struct recording {
  ino_t inode[n_files] = {0, 0};
  std::vector<change> changes;
};
recording* active_recording = nullptr;

void record(const _VRN_file_change& c) {
  if (active_recording == nullptr || c.fd < 0) return;
  struct stat st;
  if (::fstat(c.fd, &st) != 0) return;
  for (int f = 0; f < n_files; ++f) {
    if (st.st_ino != active_recording->inode[f]) continue;
    change ch;
    ch.file = static_cast<which_file>(f);
    ch.kind = c.kind;
    if (c.kind == _VRN_FILE_CHANGE_WRITE) {
      ch.offset = c.offset;
      ch.data.assign(static_cast<const char*>(c.data), static_cast<const char*>(c.data) + c.length);
    } else if (c.kind == _VRN_FILE_CHANGE_TRUNCATE) {
      ch.size = c.length;
    }
    active_recording->changes.push_back(std::move(ch));
  }
}

ino_t inode_of(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Applies a write to the sectors of it that selected says landed (all when
// selected is empty).
void apply(std::vector<char>& file, const change& c, const std::vector<bool>& selected = {}) {
  if (c.kind == _VRN_FILE_CHANGE_TRUNCATE) {
    file.resize(c.size);
    return;
  }
  const size_t end = static_cast<size_t>(c.offset) + c.data.size();
  if (file.size() < end) file.resize(end);
  size_t sector = 0;
  for (size_t at = static_cast<size_t>(c.offset); at < end; ++sector) {
    const size_t next = std::min(end, (at / kSector + 1) * kSector);
    if (selected.empty() || selected[sector])
      std::copy(c.data.begin() + (at - c.offset), c.data.begin() + (next - c.offset), file.begin() + at);
    at = next;
  }
}

size_t sectors_of(const change& c) {
  if (c.kind != _VRN_FILE_CHANGE_WRITE || c.data.empty()) return 1;
  return (static_cast<size_t>(c.offset) + c.data.size() - 1) / kSector - static_cast<size_t>(c.offset) / kSector + 1;
}

// The files as a cut after the first `cut` changes finds them: what each
// file's last flush made durable, and the changes since, not yet durable.
struct files_at_cut {
  std::vector<char> durable[n_files];
  std::vector<const change*> pending[n_files];
};

files_at_cut at_cut(const std::vector<char> (&start)[n_files], const std::vector<change>& changes, size_t cut,
                    size_t ignored_flush = SIZE_MAX) {
  files_at_cut files;
  for (int f = 0; f < n_files; ++f) files.durable[f] = start[f];
  for (size_t i = 0; i < cut; ++i) {
    const change& c = changes[i];
    if (c.kind == _VRN_FILE_CHANGE_FLUSH && i != ignored_flush) {
      for (const change* p : files.pending[c.file]) apply(files.durable[c.file], *p);
      files.pending[c.file].clear();
    } else if (c.kind != _VRN_FILE_CHANGE_FLUSH) {
      files.pending[c.file].push_back(&c);
    }
  }
  return files;
}

// How each pending change lands in one image: per sector, for a write.
using landing = std::vector<std::vector<bool>>;

std::vector<char> image_of(const files_at_cut& files, int f, const landing& lands) {
  std::vector<char> image = files.durable[f];
  for (size_t i = 0; i < files.pending[f].size(); ++i) {
    const std::vector<bool>& sectors = lands[i];
    bool any = false;
    for (bool s : sectors) any = any || s;
    if (any) apply(image, *files.pending[f][i], sectors);
  }
  return image;
}

landing all_or_nothing(const files_at_cut& files, int f, bool landed) {
  landing lands;
  for (const change* c : files.pending[f]) lands.emplace_back(sectors_of(*c), landed);
  return lands;
}

// Every pending write torn at its first sector: only the first sector
// lands, or everything but the first.
landing torn_at_first_sector(const files_at_cut& files, int f, bool first_lands) {
  landing lands;
  for (const change* c : files.pending[f]) {
    std::vector<bool> sectors(sectors_of(*c), !first_lands);
    sectors[0] = first_lands;
    lands.push_back(std::move(sectors));
  }
  return lands;
}

// Each pending change: lost, landed whole, or torn (each sector at random).
landing random_landing(const files_at_cut& files, int f, std::mt19937& rng) {
  landing lands;
  for (const change* c : files.pending[f]) {
    const size_t n = sectors_of(*c);
    switch (rng() % 3) {
      case 0: lands.emplace_back(n, false); break;
      case 1: lands.emplace_back(n, true); break;
      default: {
        std::vector<bool> torn(n);
        for (size_t s = 0; s < n; ++s) torn[s] = (rng() & 1) != 0;
        lands.push_back(std::move(torn));
      }
    }
  }
  return lands;
}

class PowerCut : public db_test {
 protected:
  void SetUp() override {
    dv_transaction::initialize();
    db_ = path("crash.db");
    crash_model::prepare(db_);
    size_before_ = file_size(db_);

    // Recorded from just after the open (the log's header is durable then)
    // to the end of the commit.
    dv_database* db = dv_database::open(db_.c_str(), 0, 0, 0);
    start_[database_file] = read_file(db_);
    start_[log_file] = read_file(db_ + ".log");
    rec_.inode[database_file] = inode_of(db_);
    rec_.inode[log_file] = inode_of(db_ + ".log");
    active_recording = &rec_;
    _VRN_set_file_change_recorder(record);
    transaction_before_the_change(db);
    dv_transaction::begin(dv_transaction::update);
    crash_model::change(db);
    dv_transaction::commit();
    _VRN_set_file_change_recorder(nullptr);
    active_recording = nullptr;
    db->close();
    size_after_ = file_size(db_);
    ASSERT_GT(size_after_, size_before_);
    image_dir_ = path("image");
    ::mkdir(image_dir_.c_str(), 0755);
  }

  // A transaction inside the record before the one that changes the state;
  // none by default.
  virtual void transaction_before_the_change(dv_database*) {}

  // Every image of every cut holds the state before or after.
  void check_every_cut() {
    const unsigned seed = dv_test::seed();
    SCOPED_TRACE("DV_TEST_SEED=" + std::to_string(seed));
    std::mt19937 rng(seed);
    unsigned images = 0;
    for (size_t cut = 0; cut <= rec_.changes.size(); ++cut) {
      const files_at_cut files = at_cut(start_, rec_.changes, cut);
      const bool pending = !files.pending[database_file].empty() || !files.pending[log_file].empty();
      const unsigned n_variants = pending ? 4 + kRandomImagesPerCut : 1;
      for (unsigned v = 0; v < n_variants; ++v) {
        landing lands[n_files];
        for (int f = 0; f < n_files; ++f)
          lands[f] = v < 2 ? all_or_nothing(files, f, v == 1)
                     : v < 4 ? torn_at_first_sector(files, f, v == 2)
                             : random_landing(files, f, rng);
        static const char* const names[] = {"nothing pending landed", "everything landed",
                                            "only first sectors landed", "all but first sectors landed"};
        const char* name = v < 4 ? names[v] : "random landing";
        std::string why;
        EXPECT_NE(check_image(files, lands, why), state::neither)
            << "cut after " << cut << " changes, " << name << ": " << why;
        ++images;
      }
    }
    std::printf("power cut: %zu changes recorded, %u images checked (DV_TEST_SEED=%u)\n", rec_.changes.size(),
                images, seed);
  }

  // Writes the two files of an image and tells which state they hold.
  state check_image(const files_at_cut& files, const landing (&lands)[n_files], std::string& why) {
    const std::string image_db = image_dir_ + "/crash.db";
    for (int f = 0; f < n_files; ++f) {
      std::vector<char> image = image_of(files, f, lands[f]);
      write_file(f == database_file ? image_db : image_db + ".log", image.data(), image.size());
    }
    return crash_model::state_of(image_db, size_before_, size_after_, why);
  }

  // The indices of the database file's flushes in the record.
  std::vector<size_t> database_flushes() const {
    std::vector<size_t> flushes;
    for (size_t i = 0; i < rec_.changes.size(); ++i)
      if (rec_.changes[i].file == database_file && rec_.changes[i].kind == _VRN_FILE_CHANGE_FLUSH)
        flushes.push_back(i);
    return flushes;
  }

  std::string db_, image_dir_;
  long size_before_ = 0, size_after_ = 0;
  std::vector<char> start_[n_files];
  recording rec_;
};

TEST_F(PowerCut, EveryImageOfEveryCutHoldsTheStateBeforeOrAfter) { check_every_cut(); }

// The same with a commit just before, which rewrites every slab as it was:
// what that commit left of its log (the emptied log) meets the next commit's
// log, so cuts in the second commit find the first one's emptying under them.
class PowerCutAfterACommit : public PowerCut {
 protected:
  void transaction_before_the_change(dv_database* db) override {
    dv_transaction::begin(dv_transaction::update);
    for (unsigned i = 0; i < crash_model::kSlabs; ++i)
      crash_model::fill(crash_model::root_value(db, crash_model::slab_name(i)), crash_model::kSlabBytes, i, 1);
    dv_transaction::commit();
  }
};

TEST_F(PowerCutAfterACommit, EveryImageOfEveryCutHoldsTheStateBeforeOrAfter) { check_every_cut(); }

// The same after a transaction that logged more than the next commit logs
// (an image of every page, and the growth of a large object) and was
// aborted: the emptied log keeps those entries behind its header, and the
// next commit cuts them off when it completes its log, under the cuts.
class PowerCutAfterALongerTransaction : public PowerCut {
 protected:
  void transaction_before_the_change(dv_database* db) override {
    dv_transaction::begin(dv_transaction::update);
    DVDB* d = internal(db);
    for (dv4u offset = 0; offset < d->image_size(); offset += kPageBytes)
      durnavel::touch(d->space_start() + offset, 1);
    crash_model::new_chars(db, 20 * kPageBytes);
    dv_transaction::abort();
  }
  static constexpr dv4u kPageBytes = 4096;
};

TEST_F(PowerCutAfterALongerTransaction, EveryImageOfEveryCutHoldsTheStateBeforeOrAfter) {
  bool log_cut = false;
  for (const change& c : rec_.changes) log_cut = log_cut || (c.file == log_file && c.kind == _VRN_FILE_CHANGE_TRUNCATE);
  ASSERT_TRUE(log_cut) << "the commit cuts off what the longer write left in the log";
  check_every_cut();
}

// The database file is flushed three times in a commit: after the dirty
// mark, after the pages, after the clean mark. Taking the second as no
// barrier lets the clean page 0 land while a page write is lost.
TEST_F(PowerCut, WithoutTheFlushAfterThePagesAnImageHoldsNeitherState) {
  const std::vector<size_t> flushes = database_flushes();
  ASSERT_EQ(flushes.size(), 3u);
  const size_t cut = flushes[2];  // the clean mark is written, not yet flushed

  // With the barrier: the pages are durable, whatever of the clean mark lands.
  files_at_cut files = at_cut(start_, rec_.changes, cut);
  ASSERT_EQ(files.pending[database_file].size(), 1u) << "only the clean page 0 is pending";

  // Without it: the page writes are pending beside the clean page 0; lose
  // the first of them and let the rest land.
  files = at_cut(start_, rec_.changes, cut, flushes[1]);
  ASSERT_GT(files.pending[database_file].size(), 2u);
  landing lands[n_files];
  lands[database_file] = all_or_nothing(files, database_file, true);
  lands[log_file] = all_or_nothing(files, log_file, true);
  size_t lost = 0;
  while (files.pending[database_file][lost]->offset == 0) ++lost;  // a page other than page 0
  lands[database_file][lost].assign(lands[database_file][lost].size(), false);
  std::string why;
  EXPECT_EQ(check_image(files, lands, why), state::neither) << "a clean header over a lost page";
}

}  // namespace
