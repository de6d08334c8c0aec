// Guards opening damaged database files: a seeded generator makes a valid
// database (damage_model.h), and mutated copies of it (bytes flipped, fields
// of the header, page headers and block headers set to edge values or with a
// bit flipped, the file cut short or extended, a page zeroed, user payload
// changed) are each opened in a child process at the database's own address
// (read-write: walked, self-checked, changed, saved and walked again) and at
// another address (read-only: walked and self-checked). No copy may end in a
// signal or hang; a copy whose damage lies in the store's own bookkeeping
// must be refused with a runtime error or read back whole (only damaged
// payload may read back wrong without an error); a refused copy is left as
// it was; the undamaged file is never refused.
//
// A second run takes one copy per class of bookkeeping damage that once got
// through (class_damages below) instead of random copies; the list classes
// are copies of a second generated database, one of chained lists
// (lists/list_damage_model.h), walked as a user of the lists walks them.
//
// DV_DAMAGE_CASES sets the number of copies (default 400; the long sweep runs
// 5000), DV_TEST_SEED the run's seed (printed), DV_DAMAGE_DB_SEED the
// generator's (default 1). The seeds of cases that once failed are replayed
// on every run.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "damage_model.h"
#include "db_test_support.h"
#include "dv_test_process.h"
#include "dv_test_seed.h"
#include "heap_format.h"
#include "image_view.h"
#include "list_damage_model.h"

using namespace dv_qem;
using namespace dv_test;
using namespace damage_model;

namespace {

using bytes = std::vector<char>;

// Seeds of cases that failed once (with the generator's seed 1).
const dv4u kFixedCases[] = {1434330905u, 3059390249u, 3694005134u, 3622696515u, 295757236u, 1609992470u,
                            2372514871u, 2917716569u, 3211954050u, 793613139u, 2134925743u, 1643661108u,
                            2100745324u, 912983424u, 3944861879u};

constexpr unsigned kDefaultCases = 400;
constexpr unsigned kCaseSeconds = 60;  // a case still running by then hangs

// The two places a copy is opened: the database's own range, and a region
// that does not hold it (the database is relocated).
const env_list kOwnRegion = {{"DV_QEM_AS_START", "0x24100000"}, {"DV_QEM_AS_SIZE", "0x2000000"}};
const env_list kOtherRegion = {{"DV_QEM_AS_START", "0x20000000"}, {"DV_QEM_AS_SIZE", "0x2000000"}};

std::string env_or(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? v : fallback;
}

env_list with(env_list env, const env_list& more) {
  env.insert(env.end(), more.begin(), more.end());
  return env;
}

// ---- damage ---------------------------------------------------------------------

// What a copy's damage touched. A user page's recorded base may be an older
// start of the database (a page not written since the database was last
// mapped elsewhere), but the header keeps every start the database has had:
// a damaged base is bookkeeping like any other and must be refused.
enum class damage_class { none, payload, base, bookkeeping };

const char* name_of(damage_class c) {
  switch (c) {
    case damage_class::none: return "none";
    case damage_class::payload: return "payload";
    case damage_class::base: return "base";
    case damage_class::bookkeeping: break;
  }
  return "bookkeeping";
}

struct damage {
  bytes image;
  std::string what;
  damage_class kind = damage_class::none;
  bool lists = false;  // a copy of the list database
};

void put(bytes& image, const image_view::field& f, dv4u value) {
  std::memcpy(image.data() + f.at, &value, f.width);
}
dv4u get(const bytes& image, const image_view::field& f) {
  dv4u value = 0;
  std::memcpy(&value, image.data() + f.at, f.width);
  return value;
}

dv4u edge_value(std::mt19937& rng, dv4u original, unsigned width) {
  const dv4u wide[] = {0,          1,          2,          0x7f,       0xff,       0xfff,
                       0x1000,     0xffff,     0x7fffffff, 0x80000000, 0xffffffff, 0xfffff000,
                       original + 4096, original - 4096, original + 8, original - 8, original ^ 0x80000000,
                       0x7ffffff0};
  const dv4u narrow[] = {0, 1, 2, 0xfff, 0x1000, 0x7fff, 0x8000, 0xffff, 0xfffe, original + 8, original - 8,
                         original ^ 0x8000, original ^ 0x1000, original ^ 0x2000, original ^ 0x4000};
  return width == 4 ? wide[rng() % std::size(wide)] : narrow[rng() % std::size(narrow)] & 0xffff;
}

const image_view::field& pick(std::mt19937& rng, const std::vector<image_view::field>& fields) {
  return fields[rng() % fields.size()];
}

// The copy of base that case_seed makes, and what its damage is.
damage make_damage(const bytes& base, const image_view::image_map& map, dv4u case_seed) {
  std::mt19937 rng(case_seed);
  damage d;
  d.image = base;
  bytes& image = d.image;
  std::ostringstream what;
  const unsigned kind = rng() % 100;
  const unsigned area = rng() % 10;
  const auto& bookkeeping = area < 3   ? map.header_fields
                            : area < 6 ? map.page_fields
                            : area < 9 ? map.block_fields
                                       : map.base_fields;
  if (kind < 18) {
    unsigned n = 1 + rng() % 3;
    what << "flip bytes";
    for (unsigned i = 0; i < n; ++i) {
      size_t at = rng() % image.size();
      image[at] = static_cast<char>(image[at] ^ (1 + rng() % 255));
      what << " " << at;
    }
  } else if (kind < 42) {
    const image_view::field& f = pick(rng, bookkeeping);
    unsigned bit = rng() % (8 * f.width);
    put(image, f, get(image, f) ^ (1u << bit));
    what << "flip bit " << bit << " of the field at " << f.at;
  } else if (kind < 72) {
    const image_view::field& f = pick(rng, bookkeeping);
    dv4u value = edge_value(rng, get(image, f), f.width);
    put(image, f, value);
    what << "field at " << f.at << " set to " << value;
  } else if (kind < 80) {
    size_t length = rng() % 2 == 0 ? rng() % image.size() : (rng() % (image.size() / kPage)) * kPage;
    image.resize(length);
    what << "cut to " << length;
  } else if (kind < 87) {
    size_t page = rng() % 4 == 0 ? 0 : rng() % (image.size() / kPage);
    std::memset(image.data() + page * kPage, 0, kPage);
    what << "page " << page << " zeroed";
  } else if (kind < 97) {
    std::vector<size_t> payload;
    for (size_t i = 0; i < map.payload.size(); ++i)
      if (map.payload[i]) payload.push_back(i);
    size_t at = payload[rng() % payload.size()];
    image[at] = static_cast<char>(image[at] ^ (1 + rng() % 255));
    what << "payload byte " << at << " flipped";
  } else {
    size_t extra = 1 + rng() % (2 * kPage);
    for (size_t i = 0; i < extra; ++i) image.push_back(static_cast<char>(rng()));
    what << "extended by " << extra;
  }
  d.what = what.str();

  if (image.size() != base.size()) {
    d.kind = damage_class::bookkeeping;
  } else {
    // Damage that reaches payload may read back wrong (also beside other
    // damage, which then need not show); damage only to bytes nothing reads
    // must read back whole.
    std::vector<bool> in_base(image.size(), false);
    for (const image_view::field& f : map.base_fields)
      for (size_t i = f.at; i < f.at + f.width; ++i) in_base[i] = true;
    bool payload = false, relocation_base = false, bookkeeping = false;
    for (size_t i = 0; i < image.size(); ++i) {
      if (image[i] == base[i]) continue;
      payload = payload || map.payload[i];
      relocation_base = relocation_base || in_base[i];
      bookkeeping = bookkeeping || (!map.payload[i] && !map.inert[i] && !in_base[i]);
    }
    d.kind = payload           ? damage_class::payload
             : bookkeeping     ? damage_class::bookkeeping
             : relocation_base ? damage_class::base
                               : damage_class::none;
  }
  return d;
}

// ---- the classes of bookkeeping damage, one copy each ---------------------------------

dv4u get_word(const bytes& image, size_t at) {
  dv4u v = 0;
  std::memcpy(&v, image.data() + at, sizeof v);
  return v;
}
void put_word(bytes& image, size_t at, dv4u v) { std::memcpy(image.data() + at, &v, sizeof v); }
void put_tag(bytes& image, dv4u object, dv2u tag) {
  std::memcpy(image.data() + object - OBJECT_HEADER_SIZE + offsetof(_Obj_header_layout, word1), &tag, sizeof tag);
}
dv2u tag_at(const bytes& image, dv4u object) {
  dv2u tag = 0;
  std::memcpy(&tag, image.data() + object - OBJECT_HEADER_SIZE + offsetof(_Obj_header_layout, word1), sizeof tag);
  return tag;
}
// The recorded base of the page holding offset (a user page, not page 0).
size_t base_field_of(dv4u offset) { return offset / kPage * kPage + offsetof(_Page_header_layout, database_start); }

// Each copy carries one damage the file's own bookkeeping contradicts: a
// tag changed to a runtime structure of the same footprint (the object
// would keep its stored virtual-table word and unmoved pointers), a large
// object retagged to a larger type (its pages would take in other heaps'
// pages), a page's recorded base moved by whole pages (every pointer of the
// page would move by as much), and the header's start changed in one byte.
std::vector<damage> class_damages(const bytes& base, const model& m) {
  std::vector<damage> out;
  auto add = [&](const std::string& what, auto change) {
    damage d{base, what, damage_class::bookkeeping};
    change(d.image);
    out.push_back(std::move(d));
  };
  const dv2u dir_tag = tag_at(base, m.dir);
  const dv2u node_tag = tag_at(base, m.node[0]);
  add("a node retagged as _Chash<_DB_relative_offset<char,dv_int32>,char*> (24 bytes)",
      [&](bytes& b) { put_tag(b, m.node[3], 20); });
  add("a node retagged as _Chash<dv_char_star_nocopy,_DB_root*> (24 bytes)",
      [&](bytes& b) { put_tag(b, m.node[5], 22); });
  add("a shape (virtual functions) retagged as _DB_root (12 bytes)", [&](bytes& b) { put_tag(b, m.shape[1], 18); });
  add("a shape retagged as _Chash_slot<dv_char_star_nocopy> (12 bytes)",
      [&](bytes& b) { put_tag(b, m.shape[2], 23); });
  add("the large array of nodes retagged as the directory type (3 times larger)",
      [&](bytes& b) { put_tag(b, m.table, dir_tag); });
  add("a large character array retagged as nodes (24 times larger)",
      [&](bytes& b) { put_tag(b, m.blob[0], node_tag); });
  for (long pages : {1L, -1L, 2L, 16L, -16L})
    add("the base of a node's page moved by " + std::to_string(pages) + " pages", [&, pages](bytes& b) {
      const size_t at = base_field_of(m.node[7]);
      put_word(b, at, get_word(b, at) + static_cast<dv4u>(pages * static_cast<long>(kPage)));
    });
  add("the base of the directory's page moved by one page", [&](bytes& b) {
    const size_t at = base_field_of(m.dir);
    put_word(b, at, get_word(b, at) + kPage);
  });
  for (size_t byte : {0x22, 0x23})
    add("byte " + std::to_string(byte) + " of the header's start changed", [&, byte](bytes& b) {
      b[byte] = static_cast<char>(b[byte] + 1);
    });
  add("the header's start moved by one page", [&](bytes& b) { put_word(b, 0x20, get_word(b, 0x20) + kPage); });
  // The first page of a large object is read alone; its allocated head must
  // still name a block of that page.
  for (dv2u head : {dv2u{0x8000}, dv2u{0x7ff0}, dv2u{0x0ff0}})
    add("the allocated head of a large array's first page set to " + std::to_string(head), [&, head](bytes& b) {
      const size_t at = m.blob[0] / kPage * kPage + offsetof(_Page_header_layout, allocated_head);
      std::memcpy(b.data() + at, &head, sizeof head);
    });
  return out;
}

// A block of a chained list (40 bytes) retagged as dv_list (36 bytes, the
// same block footprint): the list head's type has a virtual-table pointer
// where the block keeps its count and flags, and marks other words as
// pointers. One copy for each place a block takes in its list.
std::vector<damage> list_class_damages(const bytes& base, const list_damage_model::model& m) {
  std::vector<damage> out;
  const dv2u list_tag = tag_at(base, m.head[0]);
  auto retag = [&](const std::string& what, dv4u block) {
    damage d{base, what + " retagged as dv_list", damage_class::bookkeeping, true};
    put_tag(d.image, block, list_tag);
    out.push_back(std::move(d));
  };
  out.push_back({base, "the list database undamaged", damage_class::none, true});
  const dv4u blocks = m.n_blocks[3];
  retag("the only block of a list", m.block[1][0]);
  retag("the first block of a chain of " + std::to_string(m.n_blocks[2]), m.block[2][0]);
  retag("a middle block of a chain of " + std::to_string(blocks), m.block[3][blocks / 2]);
  retag("the last block of a chain of " + std::to_string(blocks), m.block[3][blocks - 1]);
  return out;
}

// ---- one copy in a child process ----------------------------------------------------

enum outcome : int {
  walked = 0,
  refused = 10,           // a runtime error before any difference was seen
  wrong_with_error = 11,  // differences, then a runtime error
  wrong_silent = 12,      // differences and no error
  foreign_error = 13,     // an exception that is not a dv_err
  made_worse = 14,        // refused, but the file changed (set by the sweep)
};

const char* name_of(int o) {
  switch (o) {
    case walked: return "walked";
    case refused: return "refused";
    case wrong_with_error: return "wrong-with-error";
    case wrong_silent: return "wrong-silent";
    case foreign_error: return "foreign-error";
    case made_worse: return "made-worse";
    case 128 + SIGALRM: return "hang";
    default: return o > 128 ? "signal" : "unknown";
  }
}

void write_text(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

std::string read_text(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// How a copy is walked: the number of differences, the first in message.
using walk_fn = std::function<unsigned(dv_database*, std::string&)>;

// Opens, walks and self-checks the copy at path; at its own address also
// changes it, saves, and walks it again.
int check_copy(const std::string& path, const walk_fn& walk, bool own, std::string& message) {
  _VRN_fault_handler guard;
  unsigned differences = 0;
  dv_database* db = nullptr;
  try {
    db = dv_database::open(path.c_str(), own ? 0 : 1, 0, 0);
    differences = walk(db, message);
    db->self_check();
    if (own && differences == 0) {
      Node* kept = new (db, &dv_ts<Node>::the_instance) Node();
      kept->id = 77;
      durnavel::free_memory(new (db, &dv_ts<Cell>::the_instance) Cell());
      ::operator new(300, db, dv_typespec::get_char(), 300);
      ::operator new(7000, db, dv_typespec::get_char(), 7000);
      db->self_check();
      db->save();
      db->close();
      db = dv_database::open(path.c_str(), 1, 0, 0);
      differences = walk(db, message);
      db->self_check();
    }
    db->close();
  } catch (const dv_err& e) {
    message = e.get_report() != nullptr ? e.get_report() : "dv_err";
    return differences != 0 ? wrong_with_error : refused;
  } catch (...) {
    message = "an exception that is not a dv_err";
    return foreign_error;
  }
  return differences != 0 ? wrong_silent : walked;
}

// Runs check_copy in a forked process; its status, its message in message.
int check_in_child(const std::string& path, const walk_fn& walk, bool own, std::string& message) {
  const std::string message_path = path + ".msg";
  std::remove(message_path.c_str());
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(kCaseSeconds);
    // The validation walk reports what it finds on the standard streams.
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    std::string text;
    int status = check_copy(path, walk, own, text);
    write_text(message_path, text);
    ::_exit(status);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  message = read_text(message_path);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

template <class Model>
Model read_model(const std::string& path) {
  Model m{};
  bytes raw = read_file(path);
  if (raw.size() == sizeof m) std::memcpy(&m, raw.data(), sizeof m);
  return m;
}

std::vector<dv4u> case_seeds(dv4u run_seed, unsigned n) {
  std::vector<dv4u> seeds;
  for (unsigned i = 0; i < n; ++i) seeds.push_back(mix(run_seed, i, 0xda));
  for (dv4u fixed : kFixedCases)
    if (fixed != 0) seeds.push_back(fixed);
  return seeds;
}

// ---- the test and its processes ---------------------------------------------------

class DamagedDatabase : public ::testing::Test {
 protected:
  scratch_dir dir_;
};

class DamagedDatabaseChild : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!is_child()) GTEST_SKIP() << "runs in a child process";
  }
  std::string dir() const { return env_or("DV_TEST_DIR", ""); }
};

struct tally {
  unsigned cases = 0;
  std::map<std::string, unsigned> outcomes;
  std::vector<std::string> failures;
};

// A result line: case seed, outcome, damage class, then what and message.
bool failed(int o, damage_class kind) {
  if (o == walked || o == refused || o == wrong_with_error) return kind == damage_class::none && o != walked;
  if (o == wrong_silent) return kind != damage_class::payload;
  return true;
}

// Generates the database, has the sweep child run at both addresses (with
// more in its environment), and fails each copy the sweep marked; with
// each_line, every copy's result line is printed.
void run_sweep(const scratch_dir& dir, const env_list& more, bool each_line = false) {
  const dv4u run_seed = seed();
  const std::string db_seed = env_or("DV_DAMAGE_DB_SEED", "1");
  const std::string cases = env_or("DV_DAMAGE_CASES", std::to_string(kDefaultCases));
  std::printf("damaged database run: DV_TEST_SEED=%u DV_DAMAGE_DB_SEED=%s DV_DAMAGE_CASES=%s\n", run_seed,
              db_seed.c_str(), cases.c_str());
  const env_list common = with({{"DV_TEST_DIR", dir.path()},
                                {"DV_TEST_RUN_SEED", std::to_string(run_seed)},
                                {"DV_DAMAGE_DB_SEED", db_seed},
                                {"DV_DAMAGE_CASES", cases}},
                               more);
  ASSERT_EQ(run_child("DamagedDatabaseChild.Generate", with(common, kOwnRegion)), 0);

  int own_status = -1, other_status = -1;
  std::thread own([&] {
    own_status = run_child("DamagedDatabaseChild.Sweep", with(with(common, kOwnRegion), {{"DV_TEST_SIDE", "own"}}));
  });
  std::thread other([&] {
    other_status =
        run_child("DamagedDatabaseChild.Sweep", with(with(common, kOtherRegion), {{"DV_TEST_SIDE", "other"}}));
  });
  own.join();
  other.join();
  ASSERT_EQ(own_status, 0);
  ASSERT_EQ(other_status, 0);

  for (const char* side : {"own", "other"}) {
    tally t;
    std::istringstream lines(read_text(dir / (std::string("results-") + side)));
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream fields(line);
      dv4u case_seed = 0;
      int o = 0;
      std::string kind;
      fields >> case_seed >> o >> kind;
      ++t.cases;
      if (each_line) std::printf("%s: %s\n", side, line.c_str());
      ++t.outcomes[o == wrong_silent ? std::string(name_of(o)) + " (" + kind + ")" : name_of(o)];
      if (line.find(" FAIL") != std::string::npos) t.failures.push_back(line);
    }
    std::printf("%s address: %u copies;", side, t.cases);
    for (const auto& [name, n] : t.outcomes) std::printf(" %s %u;", name.c_str(), n);
    std::printf("\n");
    EXPECT_GT(t.cases, 0u);
    for (const std::string& f : t.failures) ADD_FAILURE() << side << " address, case " << f;
  }
}

TEST_F(DamagedDatabase, EveryCopyIsRefusedOrReadBackWhole) { run_sweep(dir_, {}); }

TEST_F(DamagedDatabase, EachClassOfBookkeepingDamageIsRefusedOrReadBackWhole) {
  run_sweep(dir_, {{"DV_DAMAGE_CLASSES", "1"}}, true);
}

TEST_F(DamagedDatabaseChild, Generate) {
  _VRN_fault_handler guard;
  const dv4u db_seed = static_cast<dv4u>(std::stoul(env_or("DV_DAMAGE_DB_SEED", "1")));
  model m = generate(dir() + "/base.db", db_seed);
  write_file(dir() + "/model", &m, sizeof m);
  list_damage_model::model lists = list_damage_model::generate(dir() + "/lists.db", db_seed);
  write_file(dir() + "/lists-model", &lists, sizeof lists);
}

TEST_F(DamagedDatabaseChild, Sweep) {
  const bool own = env_or("DV_TEST_SIDE", "") == "own";
  const dv4u run_seed = static_cast<dv4u>(std::stoul(env_or("DV_TEST_RUN_SEED", "0")));
  const unsigned n = static_cast<unsigned>(std::stoul(env_or("DV_DAMAGE_CASES", "0")));
  const bytes base = read_file(dir() + "/base.db");
  const model m = read_model<model>(dir() + "/model");
  const bytes lists_base = read_file(dir() + "/lists.db");
  const auto lists = read_model<list_damage_model::model>(dir() + "/lists-model");
  ASSERT_FALSE(base.empty());
  ASSERT_FALSE(lists_base.empty());
  const walk_fn walk_base = [&m](dv_database* db, std::string& first) { return walk(db, m, first); };
  const walk_fn walk_lists = [&lists](dv_database* db, std::string& first) {
    return list_damage_model::walk(db, lists, first);
  };
  const image_view::image_map map = image_view::map_image(base);
  const std::string copy = dir() + "/copy-" + (own ? "own" : "other") + ".db";
  std::ofstream results(dir() + "/results-" + (own ? "own" : "other"));

  const bool classes = !env_or("DV_DAMAGE_CLASSES", "").empty();
  std::vector<damage> class_copies;
  if (classes) {
    class_copies = class_damages(base, m);
    for (damage& d : list_class_damages(lists_base, lists)) class_copies.push_back(std::move(d));
  }
  std::vector<dv4u> seeds = classes ? std::vector<dv4u>{} : case_seeds(run_seed, n);
  for (dv4u i = 0; i < class_copies.size(); ++i) seeds.push_back(i);
  for (dv4u case_seed : seeds) {
    damage d = classes ? class_copies[case_seed] : make_damage(base, map, case_seed);
    write_file(copy, d.image.data(), d.image.size());
    std::remove((copy + ".log").c_str());
    std::string message;
    int o = check_in_child(copy, d.lists ? walk_lists : walk_base, own, message);
    if ((o == refused || o == wrong_with_error) && read_file(copy) != d.image) o = made_worse;
    for (char& c : message)
      if (c == '\n') c = ' ';
    results << case_seed << " " << o << " " << name_of(d.kind) << " " << name_of(o) << (failed(o, d.kind) ? " FAIL" : "")
            << " | " << d.what << " | " << message << "\n";
  }
}

}  // namespace
