// Guards recovery from damaged recovery logs: a commit of the crash model's
// transaction (crash_model.h) is cut short between its pages and the clean
// mark, and its complete log is then damaged in seeded ways (bits flipped in
// header and entry fields, entry fields set to edge values, an entry's kind
// turned into the end, an image moved to another page, the log cut short,
// bytes of page images changed). Each copy is recovered in a child process.
// No recovery may end in a signal; a refused recovery leaves database and
// log byte for byte as they were; an accepted one leaves the database
// exactly as it was before the transaction, unless only image bytes were
// damaged, which the log format cannot tell (it has no checksums). A log
// path that is a symbolic link is never deleted by the store.
//
// DV_DAMAGE_LOG_CASES sets the number of damaged logs (default 300),
// DV_TEST_SEED the run's seed (printed).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "crash_model.h"
#include "db_format.h"
#include "dv_test_seed.h"
#include "log_format.h"

using namespace dv_qem;
using namespace dv_test;
using crash_model::state;

namespace {

using file_bytes = std::vector<char>;

// Seeds of cases that failed once.
const dv4u kFixedCases[] = {0u};

constexpr unsigned kDefaultCases = 300;

enum class damage_class { none, image, bookkeeping };

struct log_field {
  size_t at;
  unsigned width;
};

// Where the fields and the page images of a sound log lie.
struct log_map {
  std::vector<log_field> header;
  std::vector<log_field> entry_fields;
  std::vector<size_t> entries;   // offset of every entry, the end entry last
  std::vector<size_t> images;    // offset of every page image's bytes
  std::vector<dv4s> image_offsets;
};

log_map map_log(const file_bytes& log) {
  log_map m;
  for (size_t at : {offsetof(_DB_log_header, in_progress), offsetof(_DB_log_header, timestamp),
                    offsetof(_DB_log_header, page_size), offsetof(_DB_log_header, entries_end)})
    m.header.push_back({at, 4});
  m.header.push_back({offsetof(_DB_log_header, version_1), 2});
  m.header.push_back({offsetof(_DB_log_header, version_2), 2});
  for (size_t at = offsetof(_DB_log_header, cookie); at < offsetof(_DB_log_header, in_progress); at += 4)
    m.header.push_back({at, 4});
  m.header.push_back({offsetof(_DB_log_header, db_name), 4});
  size_t at = sizeof(_DB_log_header);
  while (at + sizeof(_DB_log_entry) <= log.size()) {
    _DB_log_entry e;
    std::memcpy(&e, log.data() + at, sizeof e);
    m.entries.push_back(at);
    m.entry_fields.push_back({at + offsetof(_DB_log_entry, tag), 4});
    for (size_t f : {offsetof(_DB_log_entry, kind), offsetof(_DB_log_entry, offset), offsetof(_DB_log_entry, page_size),
                     offsetof(_DB_log_entry, old_size)})
      m.entry_fields.push_back({at + f, 4});
    if (!e.is_valid() || e.kind == log_end) break;
    at += sizeof e;
    if (e.kind == log_page_image) {
      m.images.push_back(at);
      m.image_offsets.push_back(e.offset);
      at += static_cast<size_t>(e.page_size);
    }
  }
  return m;
}

void put(file_bytes& log, const log_field& f, dv4u value) { std::memcpy(log.data() + f.at, &value, f.width); }
dv4u get(const file_bytes& log, const log_field& f) {
  dv4u value = 0;
  std::memcpy(&value, log.data() + f.at, f.width);
  return value;
}

struct damage {
  file_bytes log;
  std::string what;
  damage_class kind = damage_class::none;
};

damage make_damage(const file_bytes& genuine, const log_map& map, dv4u case_seed, dv4u db_size) {
  std::mt19937 rng(case_seed);
  damage d;
  d.log = genuine;
  file_bytes& log = d.log;
  std::ostringstream what;
  const unsigned kind = rng() % 100;
  const log_field& field =
      rng() % 4 == 0 ? map.header[rng() % map.header.size()] : map.entry_fields[rng() % map.entry_fields.size()];
  if (kind < 25) {
    unsigned bit = rng() % (8 * field.width);
    put(log, field, get(log, field) ^ (1u << bit));
    what << "flip bit " << bit << " of the field at " << field.at;
  } else if (kind < 50) {
    const log_field& f = map.entry_fields[rng() % map.entry_fields.size()];
    const dv4u original = get(log, f);
    const dv4u values[] = {0, 1, 2, 3, 4, 0xffffffff, kPage, original + kPage, original - kPage,
                           0x7fffffff, 0x80000000, db_size, db_size + kPage, 0xfffff000, original + 8};
    dv4u value = values[rng() % std::size(values)];
    put(log, f, value);
    what << "entry field at " << f.at << " set to " << value;
  } else if (kind < 60) {
    size_t entry = map.entries[rng() % map.entries.size()];
    put(log, {entry + offsetof(_DB_log_entry, kind), 4}, log_end);
    what << "entry at " << entry << " made the end";
  } else if (kind < 72) {
    size_t i = rng() % map.images.size();
    size_t entry = map.images[i] - sizeof(_DB_log_entry);
    dv4u page = static_cast<dv4u>(rng() % (db_size / kPage)) * kPage;
    put(log, {entry + offsetof(_DB_log_entry, offset), 4}, page);
    what << "image at " << entry << " moved to page offset " << page;
  } else if (kind < 84) {
    size_t length = rng() % 2 == 0 ? rng() % log.size() : map.entries[rng() % map.entries.size()];
    log.resize(length);
    what << "cut to " << length;
  } else if (kind < 94) {
    size_t image = map.images[rng() % map.images.size()];
    size_t at = image + rng() % kPage;
    log[at] = static_cast<char>(log[at] ^ (1 + rng() % 255));
    what << "image byte " << at << " changed";
  } else {
    size_t at = rng() % log.size();
    log[at] = static_cast<char>(log[at] ^ (1 + rng() % 255));
    what << "byte " << at << " changed";
  }
  d.what = what.str();

  if (log.size() != genuine.size()) {
    d.kind = damage_class::bookkeeping;
    return d;
  }
  bool changed = false, outside_images = false;
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i] == genuine[i]) continue;
    changed = true;
    bool in_image = false;
    for (size_t image : map.images) in_image = in_image || (i >= image && i < image + kPage);
    outside_images = outside_images || !in_image;
  }
  d.kind = !changed ? damage_class::none : outside_images ? damage_class::bookkeeping : damage_class::image;
  return d;
}

enum outcome : int {
  recovered_before = 0,  // recovered, and the database holds its state before the transaction
  refused = 10,          // recovery raised a runtime error
  recovered_wrong = 12,  // recovered, but the database holds something else
  foreign_error = 13,    // an exception that is not a dv_err
  made_worse = 14,       // refused, but the database or the log changed (set by the test)
};

const char* name_of(int o) {
  switch (o) {
    case recovered_before: return "recovered";
    case refused: return "refused";
    case recovered_wrong: return "recovered-wrong";
    case foreign_error: return "foreign-error";
    case made_worse: return "made-worse";
    default: return o > 128 ? "signal" : "unknown";
  }
}

bool failed(int o, damage_class kind) {
  if (o == recovered_before) return false;
  if (o == refused) return kind == damage_class::none;
  if (o == recovered_wrong) return kind != damage_class::image;
  return true;
}

class DamagedLog : public db_test {
 protected:
  void SetUp() override { dv_transaction::initialize(); }
};

// Recovers the database at db_path (written from genuine_db) with log in a
// child process; the outcome, the child's message in message.
int recover_copy(const std::string& db_path, const file_bytes& genuine_db, const file_bytes& log, long size_before,
                 const std::string& message_path, std::string& message) {
  const std::string log_path = db_path + ".log";
  write_file(db_path, genuine_db.data(), genuine_db.size());
  write_file(log_path, log.data(), log.size());
  int o = crash_model::in_child([&] {
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    int status = refused;
    std::string text;
    try {
      dv_database::recover(db_path.c_str());
      status = crash_model::state_of(db_path, size_before, -1, text) == state::before ? recovered_before
                                                                                      : recovered_wrong;
    } catch (const dv_err& e) {
      text = e.get_report() != nullptr ? e.get_report() : "dv_err";
    } catch (...) {
      status = foreign_error;
    }
    write_file(message_path, text.data(), text.size());
    ::_exit(status);
  });
  if (o == refused && (read_file(db_path) != genuine_db || read_file(log_path) != log)) o = made_worse;
  file_bytes text = read_file(message_path);
  message.assign(text.begin(), text.end());
  return o;
}

TEST_F(DamagedLog, EveryDamagedLogIsRefusedUntouchedOrRecoversTheStateBefore) {
  const dv4u run_seed = seed();
  const unsigned n = std::getenv("DV_DAMAGE_LOG_CASES") != nullptr
                         ? static_cast<unsigned>(std::strtoul(std::getenv("DV_DAMAGE_LOG_CASES"), nullptr, 0))
                         : kDefaultCases;
  std::printf("damaged log run: DV_TEST_SEED=%u DV_DAMAGE_LOG_CASES=%u\n", run_seed, n);
  const std::string db_path = path("crash.db");
  const std::string log_path = db_path + ".log";
  const long size_before = [&] {
    crash_model::prepare(db_path);
    return file_size(db_path);
  }();
  ASSERT_TRUE(crash_model::interrupt_commit(db_path));
  const file_bytes genuine_db = read_file(db_path);
  const file_bytes genuine_log = read_file(log_path);
  const log_map map = map_log(genuine_log);
  ASSERT_FALSE(map.images.empty());
  const dv4u db_size = static_cast<dv4u>(genuine_db.size());

  std::vector<dv4u> seeds;
  for (unsigned i = 0; i < n; ++i) seeds.push_back(crash_model::byte_of(i, i, run_seed) * 0x01000193u ^ (run_seed + i * 0x9E3779B1u));
  for (dv4u fixed : kFixedCases)
    if (fixed != 0) seeds.push_back(fixed);

  std::map<std::string, unsigned> counts;
  for (dv4u case_seed : seeds) {
    damage d = make_damage(genuine_log, map, case_seed, db_size);
    std::string message;
    const int o = recover_copy(db_path, genuine_db, d.log, size_before, path("message"), message);
    ++counts[name_of(o)];
    if (failed(o, d.kind)) {
      ADD_FAILURE() << "case " << case_seed << ": " << name_of(o) << " after " << d.what << " ("
                    << (d.kind == damage_class::none ? "no change" : d.kind == damage_class::image ? "image bytes" : "bookkeeping")
                    << "): " << message;
    }
  }
  std::printf("damaged logs: %zu;", seeds.size());
  for (const auto& [name, count] : counts) std::printf(" %s %u;", name.c_str(), count);
  std::printf("\n");
}

// One log per class of damage that once got through, each refused with the
// database and the log left as they were: the last image entry forged into
// the end (also with the log cut behind it: recovery stopped early and
// called the database whole), an image entry's page offset moved onto a
// page without an image (the image was written over that page), and a page 0 image whose page header is damaged (recovery
// wrote it and deleted the log, and every later open refused the database).
// A log as earlier builds wrote it (no recorded end, no second record of an
// image's page) still recovers.
TEST_F(DamagedLog, EachClassOfLogDamageIsRefusedWithBothFilesAsTheyWere) {
  const std::string db_path = path("crash.db");
  const long size_before = [&] {
    crash_model::prepare(db_path);
    return file_size(db_path);
  }();
  ASSERT_TRUE(crash_model::interrupt_commit(db_path));
  const file_bytes genuine_db = read_file(db_path);
  const file_bytes genuine_log = read_file(db_path + ".log");
  const log_map map = map_log(genuine_log);
  ASSERT_GE(map.images.size(), 2u);

  auto entry_of_image = [&](size_t i) { return map.images[i] - sizeof(_DB_log_entry); };
  size_t page0_image = map.images.size();
  for (size_t i = 0; i < map.images.size(); ++i)
    if (map.image_offsets[i] == 0) page0_image = i;
  ASSERT_LT(page0_image, map.images.size()) << "the commit logs page 0";

  struct log_case {
    std::string what;
    file_bytes log;
    int expected;
  };
  std::vector<log_case> cases;
  auto add = [&](const std::string& what, int expected, auto change) {
    log_case c{what, genuine_log, expected};
    change(c.log);
    cases.push_back(std::move(c));
  };
  add("the last image entry made the end", refused, [&](file_bytes& log) {
    put(log, {entry_of_image(map.images.size() - 1) + offsetof(_DB_log_entry, kind), 4}, log_end);
  });
  add("the last image entry made the end, the log cut behind its image", refused, [&](file_bytes& log) {
    put(log, {entry_of_image(map.images.size() - 1) + offsetof(_DB_log_entry, kind), 4}, log_end);
    log.resize(map.images.back() + kPage);
  });
  // The commit images every page it had before it grew, so a page without
  // an image is made: page 1's entry is taken out (a log whose write left
  // that page alone), and the next image's offset is moved onto page 1.
  add("an image entry's page offset moved onto a page without an image", refused, [&](file_bytes& log) {
    size_t taken = map.images.size();
    for (size_t i = 0; i < map.images.size(); ++i)
      if (map.image_offsets[i] == static_cast<dv4s>(kPage)) taken = i;
    ASSERT_LT(taken, map.images.size() - 1) << "page 1 is imaged, and not last";
    const size_t from = entry_of_image(taken);
    const size_t length = sizeof(_DB_log_entry) + kPage;
    log.erase(log.begin() + static_cast<long>(from), log.begin() + static_cast<long>(from + length));
    const log_field end{offsetof(_DB_log_header, entries_end), 4};
    if (get(log, end) != 0) put(log, end, get(log, end) - static_cast<dv4u>(length));
    // The entry that follows now sits where page 1's did.
    _DB_log_entry next;
    std::memcpy(&next, log.data() + from, sizeof next);
    ASSERT_EQ(next.kind, log_page_image);
    put(log, {from + offsetof(_DB_log_entry, offset), 4}, kPage);
  });
  add("page 0's image with its page header naming group 5", refused, [&](file_bytes& log) {
    put(log, {map.images[page0_image] + DB_HEADER_SIZE, 4}, 5);
  });
  add("a log as earlier builds wrote it", recovered_before, [&](file_bytes& log) {
    put(log, {offsetof(_DB_log_header, entries_end), 4}, 0);
    for (size_t i = 0; i < map.images.size(); ++i)
      put(log, {entry_of_image(i) + offsetof(_DB_log_entry, old_size), 4}, 0);
  });

  for (const log_case& c : cases) {
    std::string message;
    const int o = recover_copy(db_path, genuine_db, c.log, size_before, path("message"), message);
    EXPECT_EQ(std::string(name_of(o)), name_of(c.expected)) << c.what << ": " << message;
  }
}

TEST_F(DamagedLog, ALogPathThatIsASymbolicLinkIsLeftInPlace) {
  const std::string db_path = path("linked.db");
  const std::string log_path = db_path + ".log";
  crash_model::prepare(db_path);
  const std::string target = path("elsewhere");
  write_file(target, "keep", 4);
  ASSERT_EQ(::symlink(target.c_str(), log_path.c_str()), 0);

  // Opening for update is refused: the store would write over, and later
  // delete, what the link names.
  expect_error_starting<dv_err_database_log>([&] { dv_database::open(db_path.c_str(), 0, 0, 0); },
                                             "dv_err_database_log - Database Log \"" + log_path +
                                                 "\" open/create error: \"");
  struct stat st;
  EXPECT_EQ(::lstat(log_path.c_str(), &st), 0) << "the link is still there";
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  file_bytes kept = read_file(target);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep");
}

}  // namespace
