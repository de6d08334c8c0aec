// Bulk load, cold and warm walks and small transactions on the object store,
// counted with the runtime's own statistics: the fault count, the page lock
// states, and the file layer's change recorder (every write and flush).
#include "store_bench.h"

#include <sys/stat.h>

#include <cstddef>
#include <cstring>
#include <random>
#include <vector>

#include "durnavel.h"
#include "physical_limit.h"
#include "durnset.h"
#include "fault_filter.h"
#include "file_fault_hook.h"
#include "product.h"

using namespace dv_qem;

namespace bench {

namespace {

const char* const kRootName = "products";

std::string store_path(const options& o) { return o.dir + "/store.db"; }

// Writes and flushes of every file the runtime touches (database and log).
struct write_counts {
  double bytes = 0;
  unsigned writes = 0;
  unsigned flushes = 0;
};
write_counts counted;

void count_change(const _VRN_file_change& change) {
  switch (change.kind) {
    case _VRN_FILE_CHANGE_WRITE:
      counted.bytes += static_cast<double>(change.length);
      ++counted.writes;
      break;
    case _VRN_FILE_CHANGE_FLUSH:
    case _VRN_FILE_CHANGE_FLUSH_DIRECTORY:
      ++counted.flushes;
      break;
    default:
      break;
  }
}

void start_runtime() {
  durnavel::initialize();
  dv_transaction::initialize();
  _VRN_set_file_change_recorder(count_change);
}

double file_size(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<double>(st.st_size) : 0.0;
}

// Pages of the database in memory with a read or write lock.
unsigned mapped_pages(dv_database* db) {
  unsigned unlocked = 0, read_locked = 0, write_locked = 0;
  db->get_page_stats(unlocked, read_locked, write_locked);
  return read_locked + write_locked;
}

dv_List<Product>& product_list(dv_database* db) {
  dv_database_root* root = db->find_root(kRootName);
  if (root == nullptr) fail("the database has no root " + std::string(kRootName));
  return *static_cast<dv_List<Product>*>(root->get_value(dv_outofline_collection::get_dv_typespec()));
}

// The sum of the prices of every record of the list, and how many there were.
double sum_prices(dv_List<Product>& list, unsigned& count) {
  double sum = 0;
  count = 0;
  dv_cursor c(list);
  for (void* e = c.first(); e != nullptr; e = c.next()) {
    sum += static_cast<Product*>(e)->price;
    ++count;
  }
  return sum;
}

// The address of every record of the list, in list order.
std::vector<Product*> record_addresses(dv_List<Product>& list) {
  std::vector<Product*> records;
  dv_cursor c(list);
  for (void* e = c.first(); e != nullptr; e = c.next()) records.push_back(static_cast<Product*>(e));
  return records;
}

}  // namespace

void run_store_load(const options& o) {
  _VRN_fault_handler guard;
  start_runtime();
  const std::string path = store_path(o);
  // Room for the records, their names, the list's blocks and the allocator's
  // own pages, with a wide margin.
  const unsigned as_mb = 16 + o.records / 4000;
  dv_database* db = dv_database::create(path.c_str(), 0644, 1, as_mb);
  counted = {};

  const double start = now_seconds();
  dv_transaction::begin(dv_transaction::update);
  dv_List<Product>& list = dv_List<Product>::create(db, o.records);
  db->create_root(kRootName)->set_value(&list, dv_outofline_collection::get_dv_typespec());
  char name[kMaxNameLength + 1];
  for (unsigned i = 0; i < o.records; ++i) {
    auto* p = new (db, &dv_ts<Product>::the_instance) Product{};
    fill_product(*p, i);
    const unsigned length = product_name(name, i);
    p->name = static_cast<char*>(::operator new(length + 1, static_cast<const void*>(p), dv_typespec::get_char(), length + 1));
    std::memcpy(p->name, name, length + 1);
    list.insert_last(p);
  }
  const double built = now_seconds();
  const write_counts before_commit = counted;
  dv_transaction::commit();
  const double end = now_seconds();

  figure("store.load.records_per_s", o.records / (end - start), "records/s");
  figure("store.load.build_s", built - start, "s");
  figure("store.load.commit_s", end - built, "s");
  figure("store.load.file_bytes", file_size(path), "bytes");
  figure("store.load.bytes_written", counted.bytes, "bytes");
  figure("store.load.pages_written", counted.bytes / 4096, "pages");
  figure("store.load.flushes_per_commit", counted.flushes - before_commit.flushes, "flushes");
  figure("store.load.image_pages", db->size() / 4096.0, "pages");
  db->close();
}

void run_store_walk(const options& o, const std::string& suffix) {
  _VRN_fault_handler guard;
  start_runtime();
  const std::string path = store_path(o);
  const double open_start = now_seconds();
  dv_database* db = dv_database::open(path.c_str(), 1, 0, 0);
  figure("store.cold" + suffix + ".open_s", now_seconds() - open_start, "s");
  dv_transaction::begin(dv_transaction::read_only);

  const unsigned faults_before = _VRN_fault_count();
  const unsigned pages_before = mapped_pages(db);
  const double start = now_seconds();
  unsigned count = 0;
  const double sum = sum_prices(product_list(db), count);
  const double took = now_seconds() - start;
  const unsigned pages = mapped_pages(db) - pages_before;
  if (count != o.records || sum != expected_price_sum(o.records)) fail("the walk found other records than were loaded");
  figure("store.cold" + suffix + ".records_per_s", count / took, "records/s");
  figure("store.cold" + suffix + ".pages", pages, "pages");
  figure("store.cold" + suffix + ".faults", _VRN_fault_count() - faults_before, "faults");
  figure("store.cold" + suffix + ".pages_per_s", pages / took, "pages/s");
  figure("store.cold" + suffix + ".s", took, "s");

  const double warm_start = now_seconds();
  const double warm_sum = sum_prices(product_list(db), count);
  const double warm_took = now_seconds() - warm_start;
  if (warm_sum != sum) fail("the warm walk summed differently");
  figure("store.warm" + suffix + ".records_per_s", count / warm_took, "records/s");
  figure("store.warm" + suffix + ".s", warm_took, "s");

  // The same sum through a transient array of the records' addresses: the
  // part of the warm walk that is not the list's cursor.
  std::vector<Product*> records = record_addresses(product_list(db));
  const double direct_start = now_seconds();
  double direct_sum = 0;
  for (Product* p : records) direct_sum += p->price;
  const double direct_took = now_seconds() - direct_start;
  if (direct_sum != sum) fail("the direct sum differs");
  figure("store.warm" + suffix + ".direct_records_per_s", records.size() / direct_took, "records/s");
  dv_transaction::commit();
  db->close();
}

void run_store_txns(const options& o) {
  _VRN_fault_handler guard;
  start_runtime();
  dv_database* db = dv_database::open(store_path(o).c_str(), 0, 0, 0);

  // Where each record lives, found by one walk: the transactions then reach
  // a record by its number as SQLite does by its primary key.
  dv_transaction::begin(dv_transaction::read_only);
  const std::vector<Product*> records = record_addresses(product_list(db));
  dv_transaction::commit();
  if (records.size() != o.records) fail("the database holds another number of records than were loaded");

  // The flush rate and the commit's I/O of these minutes, measured on
  // scratch files before and after the transactions: the floor and the cap
  // they are compared with. The file layer's recorder does not see them.
  const unsigned io_commits = o.flushes / 8 + 1;
  const double flushes_before = flushes_per_s(o), commit_io_before = commit_io_per_s(o, io_commits);

  std::mt19937 rng(12345);
  std::uniform_int_distribution<unsigned> pick(0, o.records - 1);
  counted = {};
  const unsigned faults_before = _VRN_fault_count();
  const double start = now_seconds();
  for (unsigned t = 0; t < o.txns; ++t) {
    dv_transaction::begin(dv_transaction::update);
    for (unsigned k = 0; k < o.changes; ++k) change_product(*records[pick(rng)]);
    dv_transaction::commit();
  }
  const double took = now_seconds() - start;
  const double flushes_after = flushes_per_s(o), commit_io_after = commit_io_per_s(o, io_commits);
  // Rates of the two measurements taken together: the mean of their times.
  auto together = [](double a, double b) { return 2 / (1 / a + 1 / b); };
  figure("store.txn.flushes_per_s_beside", together(flushes_before, flushes_after), "flushes/s");
  figure("store.txn.commit_io_per_s_beside", together(commit_io_before, commit_io_after), "commits/s");
  figure("store.txn.commits_per_s", o.txns / took, "commits/s");
  figure("store.txn.pages_written_per_commit", counted.bytes / 4096 / o.txns, "pages");
  figure("store.txn.writes_per_commit", static_cast<double>(counted.writes) / o.txns, "writes");
  figure("store.txn.flushes_per_commit", static_cast<double>(counted.flushes) / o.txns, "flushes");
  figure("store.txn.faults_per_commit", static_cast<double>(_VRN_fault_count() - faults_before) / o.txns, "faults");
  db->close();
}

}  // namespace bench

DV_DEFINE_TYPESPEC(bench::Product, "BenchProduct", DV_POINTERS(offsetof(bench::Product, name)), DV_NO_VTABLES);
