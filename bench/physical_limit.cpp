// First-touch faults, protection changes, page writes and flushes timed on
// their own, in the way the store uses them.
#include "physical_limit.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace bench {

namespace {

constexpr size_t kPage = 4096;
// Pages of the scratch files the flush and commit measurements overwrite.
constexpr unsigned kScratchPages = 1024;

// The region the fault handler serves and the file its pages come from.
char* region = nullptr;
size_t region_size = 0;
int region_fd = -1;
// The fault leaves the page read-only, as a store that catches the next
// write must: one protection change more than the first touch needs.
bool fault_ends_read_only = false;

void serve_fault(int, siginfo_t* info, void*) {
  char* address = static_cast<char*>(info->si_addr);
  if (address < region || address >= region + region_size) {
    signal(SIGSEGV, SIG_DFL);  // not ours: fault again and end as usual
    return;
  }
  char* page = region + (address - region) / kPage * kPage;
  if (mprotect(page, kPage, PROT_READ | PROT_WRITE) != 0) _exit(3);
  if (pread(region_fd, page, kPage, page - region) != static_cast<ssize_t>(kPage)) _exit(3);
  if (fault_ends_read_only && mprotect(page, kPage, PROT_READ) != 0) _exit(3);
}

int open_new(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) fail("cannot create " + path);
  return fd;
}

void write_page(int fd, const char* data, off_t offset) {
  if (pwrite(fd, data, kPage, offset) != static_cast<ssize_t>(kPage)) fail("pwrite failed");
}

// Maps the region without access and reads every page of it through a
// fault served by serve_fault; pages/s.
double time_faults() {
  void* mapped = mmap(nullptr, region_size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) fail("mmap failed");
  region = static_cast<char*>(mapped);

  struct sigaction action {}, previous{};
  action.sa_sigaction = serve_fault;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  sigaction(SIGSEGV, &action, &previous);

  const unsigned pages = static_cast<unsigned>(region_size / kPage);
  const double start = now_seconds();
  unsigned sum = 0;
  for (unsigned i = 0; i < pages; ++i) sum += static_cast<unsigned char>(*(volatile char*)(region + i * kPage));
  const double took = now_seconds() - start;
  sigaction(SIGSEGV, &previous, nullptr);
  if (sum != pages * static_cast<unsigned>('p')) fail("first-touch faults read wrong data");
  return pages / took;
}

// What making a commit's written pages read-only again costs, three ways,
// over the mapped region: o.changes scattered pages (a seeded sequence,
// sorted) are made writable one call each and written, then read-only one
// call a page, in one call from the first to the last, or one call per group
// of pages less than 64 apart. Microseconds per commit of the read-only step.
void time_scattered_read_only(const options& o) {
  const unsigned pages = static_cast<unsigned>(region_size / kPage);
  const unsigned commits = 500;
  const char* names[] = {"physical.read_only_scattered.one_call_a_page_us",
                         "physical.read_only_scattered.one_call_first_to_last_us",
                         "physical.read_only_scattered.one_call_within_64_us"};
  if (mprotect(region, region_size, PROT_READ) != 0) fail("mprotect failed");
  for (int way = 0; way < 3; ++way) {
    std::mt19937 rng(4711);
    double took = 0;
    for (unsigned c = 0; c < commits; ++c) {
      std::vector<unsigned> written(o.changes);
      for (unsigned& page : written) page = rng() % pages;
      std::sort(written.begin(), written.end());
      for (unsigned page : written) {
        if (mprotect(region + page * kPage, kPage, PROT_READ | PROT_WRITE) != 0) fail("mprotect failed");
        region[page * kPage] = 'p';
      }
      auto read_only = [](unsigned first, unsigned last) {
        if (mprotect(region + first * kPage, (last - first + 1) * kPage, PROT_READ) != 0) fail("mprotect failed");
      };
      const double start = now_seconds();
      if (way == 0) {
        for (unsigned page : written) read_only(page, page);
      } else if (way == 1) {
        read_only(written.front(), written.back());
      } else {
        size_t group = 0;
        for (size_t i = 1; i <= written.size(); ++i)
          if (i == written.size() || written[i] - written[i - 1] >= 64) {
            read_only(written[group], written[i - 1]);
            group = i;
          }
      }
      took += now_seconds() - start;
    }
    figure(names[way], took / commits * 1e6, "us");
  }
}

// Pages/s of first-touch faults: each read of a no-access page is served by
// serve_fault (unprotect, pread 4096 bytes from a file in the page cache);
// then the same with the page made read-only after the pread.
void time_first_touch(const options& o) {
  const std::string path = o.dir + "/physical_pages.bin";
  region_fd = open_new(path);
  std::vector<char> data(kPage, 'p');
  for (unsigned i = 0; i < o.fault_pages; ++i) write_page(region_fd, data.data(), static_cast<off_t>(i) * kPage);
  region_size = size_t{o.fault_pages} * kPage;

  fault_ends_read_only = true;
  const double read_only_rate = time_faults();
  munmap(region, region_size);
  fault_ends_read_only = false;
  figure("physical.fault_pages_per_s", time_faults(), "pages/s");
  figure("physical.fault_read_only_pages_per_s", read_only_rate, "pages/s");

  // Protection changes on the same, now mapped pages: read-only and back.
  const double pstart = now_seconds();
  for (unsigned i = 0; i < o.fault_pages; ++i) {
    char* page = region + i * kPage;
    if (mprotect(page, kPage, PROT_READ) != 0 || mprotect(page, kPage, PROT_READ | PROT_WRITE) != 0)
      fail("mprotect failed");
  }
  figure("physical.protect_changes_per_s", 2.0 * o.fault_pages / (now_seconds() - pstart), "changes/s");
  time_scattered_read_only(o);

  munmap(region, region_size);
  ::close(region_fd);
  unlink(path.c_str());
}

// Pages/s of 4096-byte pwrites to a new file, and flushes/s.
void time_writes(const options& o) {
  const std::string path = o.dir + "/physical_writes.bin";
  int fd = open_new(path);
  std::vector<char> data(kPage, 'w');
  const double start = now_seconds();
  for (unsigned i = 0; i < o.fault_pages; ++i) write_page(fd, data.data(), static_cast<off_t>(i) * kPage);
  figure("physical.pwrite_pages_per_s", o.fault_pages / (now_seconds() - start), "pages/s");
  ::close(fd);
  unlink(path.c_str());
  figure("physical.flushes_per_s", flushes_per_s(o), "flushes/s");
}

}  // namespace

double flushes_per_s(const options& o) {
  const std::string path = o.dir + "/physical_flushes.bin";
  int fd = open_new(path);
  std::vector<char> data(kPage, 'f');
  for (unsigned i = 0; i < kScratchPages; ++i) write_page(fd, data.data(), static_cast<off_t>(i) * kPage);
  if (fsync(fd) != 0) fail("fsync failed");
  const double start = now_seconds();
  for (unsigned i = 0; i < o.flushes; ++i) {
    write_page(fd, data.data(), static_cast<off_t>(i % kScratchPages) * kPage);
    if (fsync(fd) != 0) fail("fsync failed");
  }
  const double rate = o.flushes / (now_seconds() - start);
  ::close(fd);
  unlink(path.c_str());
  return rate;
}

double commit_io_per_s(const options& o, unsigned commits) {
  constexpr size_t kLogHeader = 512, kLogEntry = 56;
  const std::string db_path = o.dir + "/physical_commit.db", log_path = o.dir + "/physical_commit.log";
  int db = open_new(db_path), log = open_new(log_path);
  std::vector<char> data(kPage + kLogEntry, 'c');
  for (unsigned i = 0; i < kScratchPages; ++i) write_page(db, data.data(), static_cast<off_t>(i) * kPage);
  auto put = [](int fd, const char* bytes, size_t length, off_t at) {
    if (pwrite(fd, bytes, length, at) != static_cast<ssize_t>(length)) fail("pwrite failed");
  };
  auto flush = [](int fd) {
    if (fsync(fd) != 0) fail("fsync failed");
  };
  put(log, data.data(), kLogHeader, 0);
  flush(db);
  flush(log);
  unsigned page = 1;
  const double start = now_seconds();
  for (unsigned t = 0; t < commits; ++t) {
    off_t end = kLogHeader;
    for (unsigned k = 0; k < o.changes; ++k, end += kPage + kLogEntry) put(log, data.data(), kPage + kLogEntry, end);
    put(log, data.data(), kLogEntry, end);
    put(log, data.data(), kLogHeader, 0);
    flush(log);
    put(db, data.data(), 8, 24);
    flush(db);
    for (unsigned k = 0; k < o.changes; ++k, page = page * 7 % (kScratchPages - 1) + 1)
      put(db, data.data(), kPage, static_cast<off_t>(page) * kPage);
    flush(db);
    put(db, data.data(), kPage, 0);
    flush(db);
    put(log, data.data(), kLogHeader, 0);
    flush(log);
  }
  const double rate = commits / (now_seconds() - start);
  ::close(db);
  ::close(log);
  unlink(db_path.c_str());
  unlink(log_path.c_str());
  return rate;
}

void run_physical_limit(const options& o) {
  time_first_touch(o);
  time_writes(o);
  figure("physical.commit_io_per_s", commit_io_per_s(o, o.flushes / 4), "commits/s");
}

}  // namespace bench
