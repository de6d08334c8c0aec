// dv_bench: the object store's speed beside SQLite's and beside the machine's
// own primitives, measured in one run. Every workload runs in a process of
// its own (this program again, with a sub-command); this process gathers
// their figures and prints one table, the goals, and every figure as a
// "name value unit" line.
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bench_util.h"
#include "dv_err.h"
#include "keyed_bench.h"
#include "physical_limit.h"
#include "sqlite_bench.h"
#include "store_bench.h"

using namespace bench;

namespace {

// Where the relocated walk maps the database: another start than the
// runtime's default, so every page read is relocated.
const char* const kRelocatedStart = "0x20000000";

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

double value(const figures& f, const std::string& name) {
  auto it = f.find(name);
  if (it == f.end()) fail("no figure " + name);
  return it->second.value;
}

// The name of a keyed look-up figure: prefix, key, "." when "_per_s".
std::string value_name(const std::string& prefix, const char* key, const char* when) {
  return prefix + key + "." + when + "_per_s";
}

void row(const char* workload, double ours, double theirs, double limit_ratio) {
  std::printf("%-38s %14.6g %14.6g %10.3g", workload, ours, theirs, ours / theirs);
  if (limit_ratio > 0) std::printf(" %10.3g", limit_ratio);
  std::printf("\n");
}

void goal(const char* what, double reached, double wanted) {
  std::printf("  %-62s %8.3g (goal >= %g): %s\n", what, reached, wanted, reached >= wanted ? "met" : "MISSED");
}

void goal_at_most(const char* what, double reached, double wanted) {
  std::printf("  %-62s %8.3g (goal <= %g): %s\n", what, reached, wanted, reached <= wanted ? "met" : "MISSED");
}

void run_everything(options o) {
  std::string made_dir;
  if (o.dir.empty()) {
    char pattern[] = "/tmp/dv_bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) fail("cannot make a scratch folder");
    made_dir = o.dir = pattern;
  }
  const std::vector<std::string> args = option_args(o);
  std::printf("dv_bench: %u records, %u transactions of %u changes, %u fault pages, %u flushes, files in %s\n",
              o.records, o.txns, o.changes, o.fault_pages, o.flushes, o.dir.c_str());
  std::fflush(stdout);

  figures f;
  auto gather = [&](const std::string& sub_command, const env_list& env = {}) {
    std::fprintf(stderr, "dv_bench: %s...\n", sub_command.c_str());
    for (auto& [name, v] : run_self(sub_command, args, env)) f[name] = v;
  };
  // Each store workload runs right before SQLite's, so that the pair meets
  // the same load of a shared machine.
  gather("physical");
  gather("store-load");
  gather("sqlite-load");
  gather("store-walk");
  gather("store-walk-relocated", {{"DV_QEM_AS_START", kRelocatedStart}});
  gather("sqlite-scan");
  gather("store-txns");
  gather("sqlite-txns");
  gather("keyed-store-load");
  gather("keyed-sqlite-load");
  for (const char* key : {"id", "name"}) {
    gather(std::string("keyed-btree-") + key);
    gather(std::string("keyed-hash-") + key);
    gather(std::string("keyed-sqlite-") + key);
  }
  gather("keyed-btree-key-types");
  if (!made_dir.empty()) nftw(made_dir.c_str(), remove_entry, 8, FTW_DEPTH | FTW_PHYS);

  // The physical limit of the bulk load: every page of the file taken once
  // through a first-touch fault and written once in a 4096-byte pwrite, and
  // one pwrite + fsync. Of the cold walk: every page the walk mapped taken
  // through a first-touch fault.
  const double fault_s = 1 / value(f, "physical.fault_pages_per_s");
  const double pwrite_s = 1 / value(f, "physical.pwrite_pages_per_s");
  const double flush_s = 1 / value(f, "physical.flushes_per_s");
  const double file_pages = value(f, "store.load.file_bytes") / 4096;
  const double load_limit = o.records / (file_pages * (fault_s + pwrite_s) + flush_s);
  f["limit.load.records_per_s"] = {load_limit, "records/s"};
  f["ratio.load.vs_limit"] = {value(f, "store.load.records_per_s") / load_limit, "ratio"};
  f["ratio.cold.vs_limit"] = {value(f, "store.cold.pages_per_s") / value(f, "physical.fault_pages_per_s"), "ratio"};
  f["ratio.cold_reloc.vs_limit"] = {value(f, "store.cold_reloc.pages_per_s") / value(f, "physical.fault_pages_per_s"),
                                    "ratio"};
  // What caps the cold walk: a first-touch fault that leaves its page
  // read-only, as the store's must.
  const double read_only_faults = value(f, "physical.fault_read_only_pages_per_s");
  f["ratio.cold.vs_read_only_faults"] = {value(f, "store.cold.pages_per_s") / read_only_faults, "ratio"};
  f["ratio.cold_reloc.vs_read_only_faults"] = {value(f, "store.cold_reloc.pages_per_s") / read_only_faults, "ratio"};
  f["ratio.limit.fault_vs_read_only_fault"] = {read_only_faults / value(f, "physical.fault_pages_per_s"), "ratio"};
  // The floor of a small transaction: the commit's five flushes (each a
  // pwrite + fsync, at the rate measured right before and after the
  // transactions) and one first-touch fault per page it writes.
  const double txn_floor_s =
      5 / value(f, "store.txn.flushes_per_s_beside") + value(f, "store.txn.faults_per_commit") * fault_s;
  f["limit.txn.commits_per_s"] = {1 / txn_floor_s, "commits/s"};
  f["ratio.txn.vs_limit"] = {value(f, "store.txn.commits_per_s") * txn_floor_s, "ratio"};
  // What caps the small transactions: the writes and flushes of the commit
  // alone, without faults or the store.
  f["ratio.txn.vs_commit_io"] = {value(f, "store.txn.commits_per_s") / value(f, "store.txn.commit_io_per_s_beside"),
                                  "ratio"};
  f["ratio.limit.commit_io_vs_floor"] = {value(f, "store.txn.commit_io_per_s_beside") * txn_floor_s, "ratio"};
  // What the design allows at best: the commit's I/O, the write faults and
  // the written pages made read-only again (one call a page), with no other
  // work of the store's, against the floor.
  const double txn_design_s = 1 / value(f, "store.txn.commit_io_per_s_beside") +
                              value(f, "store.txn.faults_per_commit") * fault_s +
                              value(f, "physical.read_only_scattered.one_call_a_page_us") * 1e-6;
  f["ratio.limit.txn_design_vs_floor"] = {txn_floor_s / txn_design_s, "ratio"};
  f["ratio.load.file_vs_sqlite"] = {value(f, "store.load.file_bytes") / value(f, "sqlite.load.file_bytes"), "ratio"};
  f["ratio.load.vs_sqlite"] = {value(f, "store.load.records_per_s") / value(f, "sqlite.load.records_per_s"), "ratio"};
  f["ratio.cold.vs_sqlite"] = {value(f, "store.cold.records_per_s") / value(f, "sqlite.cold.records_per_s"), "ratio"};
  f["ratio.warm.vs_sqlite"] = {value(f, "store.warm.records_per_s") / value(f, "sqlite.warm.records_per_s"), "ratio"};
  f["ratio.txn.vs_sqlite"] = {value(f, "store.txn.commits_per_s") / value(f, "sqlite.txn.commits_per_s"), "ratio"};
  for (const char* rep : {"btree", "hash"})
    for (const char* key : {"id", "name"})
      for (const char* when : {"cold", "warm"}) {
        const std::string ours = std::string("keyed.") + rep + "_" + key + "." + when + "_per_s";
        const std::string theirs = std::string("keyed.sqlite_") + key + "." + when + "_per_s";
        f[std::string("ratio.keyed.") + rep + "_" + key + "." + when + ".vs_sqlite"] = {value(f, ours) / value(f, theirs),
                                                                                         "ratio"};
      }

  std::printf("\n%-38s %14s %14s %10s %10s\n", "workload", "store", "SQLite", "ratio", "vs limit");
  row("1 bulk load (records/s)", value(f, "store.load.records_per_s"), value(f, "sqlite.load.records_per_s"),
      value(f, "ratio.load.vs_limit"));
  row("  file size (bytes)", value(f, "store.load.file_bytes"), value(f, "sqlite.load.file_bytes"), 0);
  row("  bytes written", value(f, "store.load.bytes_written"), value(f, "sqlite.load.bytes_written"), 0);
  row("  flushes per commit", value(f, "store.load.flushes_per_commit"), value(f, "sqlite.load.flushes_per_commit"),
      0);
  row("2 cold walk (records/s)", value(f, "store.cold.records_per_s"), value(f, "sqlite.cold.records_per_s"),
      value(f, "ratio.cold.vs_limit"));
  row("  pages faulted in / read per s", value(f, "store.cold.pages_per_s"), value(f, "sqlite.cold.pages_per_s"), 0);
  row("2 cold walk relocated (records/s)", value(f, "store.cold_reloc.records_per_s"),
      value(f, "sqlite.cold.records_per_s"), value(f, "ratio.cold_reloc.vs_limit"));
  row("  pages faulted in per s", value(f, "store.cold_reloc.pages_per_s"), value(f, "sqlite.cold.pages_per_s"), 0);
  std::printf("%-38s %14.3g %14.3g\n", "  / faults left read-only (not, reloc)", value(f, "ratio.cold.vs_read_only_faults"),
              value(f, "ratio.cold_reloc.vs_read_only_faults"));
  row("3 warm walk (records/s)", value(f, "store.warm.records_per_s"), value(f, "sqlite.warm.records_per_s"), 0);
  row("  through an address array", value(f, "store.warm.direct_records_per_s"),
      value(f, "sqlite.warm.records_per_s"), 0);
  row("4 small transactions (commits/s)", value(f, "store.txn.commits_per_s"), value(f, "sqlite.txn.commits_per_s"),
      value(f, "ratio.txn.vs_limit"));
  std::printf("%-38s %14.6g\n", "  write faults per commit", value(f, "store.txn.faults_per_commit"));
  std::printf("%-38s %14.3g\n", "  / the commit's I/O alone", value(f, "ratio.txn.vs_commit_io"));
  std::printf("%-38s %14.3g\n", "  the commit's I/O alone / floor", value(f, "ratio.limit.commit_io_vs_floor"));
  std::printf("%-38s %14.3g\n", "  best by design / floor", value(f, "ratio.limit.txn_design_vs_floor"));
  row("  pages written per commit", value(f, "store.txn.pages_written_per_commit"),
      value(f, "sqlite.txn.pages_written_per_commit"), 0);
  row("  flushes per commit", value(f, "store.txn.flushes_per_commit"), value(f, "sqlite.txn.flushes_per_commit"), 0);
  for (const char* key : {"id", "name"})
    for (const char* when : {"cold", "warm"}) {
      const std::string theirs = value_name("keyed.sqlite_", key, when);
      for (const char* rep : {"btree", "hash"}) {
        const std::string label = std::string("6 look-up by ") + key + ", " + when + ", " +
                                  (std::strcmp(rep, "btree") == 0 ? "B-tree" : "hash") + " (/s)";
        row(label.c_str(), value(f, value_name(std::string("keyed.") + rep + "_", key, when)), value(f, theirs), 0);
      }
    }
  std::printf("%-38s %14.4g %14.4g %10.3g\n", "6 B-tree look-up, 1 key type / 2 (ns)",
              value(f, "keyed.btree_key_types.one_ns"), value(f, "keyed.btree_key_types.alternating_ns"),
              value(f, "ratio.keyed.btree_key_types.alternating_vs_one"));
  std::printf("%-38s %14s %14.4g %10.3g\n", "  2 with two rank functions (ns)", "",
              value(f, "keyed.btree_key_types.alternating_other_rank_ns"),
              value(f, "ratio.keyed.btree_key_types.alternating_other_rank_vs_one"));
  std::printf("5 physical limit: first-touch faults %.6g pages/s (left read-only %.6g), protection changes %.6g /s,\n"
              "  4096-byte pwrites %.6g pages/s, pwrite+fsync %.6g flushes/s; bulk-load limit %.6g records/s,\n"
              "  small-transaction floor (5 flushes + its write faults) %.6g commits/s, the commit's I/O alone %.6g\n"
              "  (those two at the flush rate and commit I/O measured right before and after the transactions)\n",
              value(f, "physical.fault_pages_per_s"), value(f, "physical.fault_read_only_pages_per_s"),
              value(f, "physical.protect_changes_per_s"), value(f, "physical.pwrite_pages_per_s"),
              value(f, "physical.flushes_per_s"), load_limit, value(f, "limit.txn.commits_per_s"),
              value(f, "store.txn.commit_io_per_s_beside"));

  std::printf("\ngoals (reported, not enforced):\n");
  goal("bulk load / SQLite bulk insert", value(f, "ratio.load.vs_sqlite"), 2);
  goal("cold walk page rate / first-touch fault rate", value(f, "ratio.cold.vs_limit"), 0.6);
  goal("cold walk relocated page rate / first-touch fault rate", value(f, "ratio.cold_reloc.vs_limit"), 0.6);
  goal("small transactions / floor (5 flushes + write faults)", value(f, "ratio.txn.vs_limit"), 0.85);
  goal_at_most("file size / SQLite file size", value(f, "ratio.load.file_vs_sqlite"), 1.65);
  goal("warm walk / SQLite in-process scan", value(f, "ratio.warm.vs_sqlite"), 7);
  for (const char* rep : {"btree", "hash"})
    for (const char* key : {"id", "name"}) {
      const std::string what = std::string("warm look-ups by ") + key + ", " + rep + " / SQLite's indexed SELECT";
      goal(what.c_str(), value(f, std::string("ratio.keyed.") + rep + "_" + key + ".warm.vs_sqlite"), 5);
    }

  goal_at_most("B-tree look-ups, two key types alternating / one key type",
               value(f, "ratio.keyed.btree_key_types.alternating_vs_one"), 1.05);

  std::printf("\nfigures:\n");
  for (const auto& [name, v] : f) std::printf("%s %.10g %s\n", name.c_str(), v.value, v.unit.c_str());
}

// Runs one workload in this process.
void run_sub_command(const std::string& sub_command, const options& o);

void usage() {
  std::fprintf(stderr,
               "usage: dv_bench [--records N] [--txns N] [--changes N] [--fault-pages N] [--flushes N] [--lookups N]\n"
               "                [--dir PATH]\n"
               "  runs every workload on the store, on SQLite and on the bare primitives and prints one table\n"
               "  and a \"name value unit\" line per figure. Without --dir the files go to a scratch folder.\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) usage();
  if (argc < 2 || std::strncmp(argv[1], "--", 2) == 0) {
    run_everything(parse_options(argc, argv, 1));
    return 0;
  }
  // A sub-command: one workload in this fresh process.
  const std::string sub_command = argv[1];
  const options o = parse_options(argc, argv, 2);
  if (o.dir.empty()) fail("a sub-command needs --dir");
  try {
    run_sub_command(sub_command, o);
  } catch (const dv_qem::dv_err& e) {
    fail(sub_command + ": " + e.get_report());
  }
  return 0;
}

namespace {

void run_sub_command(const std::string& sub_command, const options& o) {
  if (sub_command == "physical") run_physical_limit(o);
  else if (sub_command == "store-load") run_store_load(o);
  else if (sub_command == "store-walk") run_store_walk(o, "");
  else if (sub_command == "store-walk-relocated") run_store_walk(o, "_reloc");
  else if (sub_command == "store-txns") run_store_txns(o);
  else if (sub_command == "sqlite-load") run_sqlite_load(o);
  else if (sub_command == "sqlite-scan") run_sqlite_scan(o);
  else if (sub_command == "sqlite-txns") run_sqlite_txns(o);
  else if (sub_command == "keyed-store-load") run_keyed_store_load(o);
  else if (sub_command == "keyed-sqlite-load") run_keyed_sqlite_load(o);
  else if (sub_command == "keyed-btree-id") run_keyed_store_lookups(o, {"btree", "id"});
  else if (sub_command == "keyed-btree-name") run_keyed_store_lookups(o, {"btree", "name"});
  else if (sub_command == "keyed-btree-key-types") run_keyed_store_key_types(o);
  else if (sub_command == "keyed-hash-id") run_keyed_store_lookups(o, {"hash", "id"});
  else if (sub_command == "keyed-hash-name") run_keyed_store_lookups(o, {"hash", "name"});
  else if (sub_command == "keyed-sqlite-id") run_keyed_sqlite_lookups(o, "id");
  else if (sub_command == "keyed-sqlite-name") run_keyed_sqlite_lookups(o, "name");
  else usage();
}

}  // namespace
