// First-touch faults, protection changes, page writes and flushes timed on
// their own, in the way the store uses them.
#include "physical_limit.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace bench {

namespace {

constexpr size_t kPage = 4096;

// The region the fault handler serves and the file its pages come from.
char* region = nullptr;
size_t region_size = 0;
int region_fd = -1;

void serve_fault(int, siginfo_t* info, void*) {
  char* address = static_cast<char*>(info->si_addr);
  if (address < region || address >= region + region_size) {
    signal(SIGSEGV, SIG_DFL);  // not ours: fault again and end as usual
    return;
  }
  char* page = region + (address - region) / kPage * kPage;
  if (mprotect(page, kPage, PROT_READ | PROT_WRITE) != 0) _exit(3);
  if (pread(region_fd, page, kPage, page - region) != static_cast<ssize_t>(kPage)) _exit(3);
}

int open_new(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) fail("cannot create " + path);
  return fd;
}

void write_page(int fd, const char* data, off_t offset) {
  if (pwrite(fd, data, kPage, offset) != static_cast<ssize_t>(kPage)) fail("pwrite failed");
}

// Pages/s of first-touch faults: each read of a no-access page is served by
// serve_fault (unprotect, pread 4096 bytes from a file in the page cache).
void time_first_touch(const options& o) {
  const std::string path = o.dir + "/physical_pages.bin";
  region_fd = open_new(path);
  std::vector<char> data(kPage, 'p');
  for (unsigned i = 0; i < o.fault_pages; ++i) write_page(region_fd, data.data(), static_cast<off_t>(i) * kPage);

  region_size = size_t{o.fault_pages} * kPage;
  void* mapped = mmap(nullptr, region_size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) fail("mmap failed");
  region = static_cast<char*>(mapped);

  struct sigaction action {}, previous{};
  action.sa_sigaction = serve_fault;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  sigaction(SIGSEGV, &action, &previous);

  const double start = now_seconds();
  unsigned sum = 0;
  for (unsigned i = 0; i < o.fault_pages; ++i) sum += static_cast<unsigned char>(*(volatile char*)(region + i * kPage));
  const double took = now_seconds() - start;
  sigaction(SIGSEGV, &previous, nullptr);
  if (sum != o.fault_pages * static_cast<unsigned>('p')) fail("first-touch faults read wrong data");
  figure("physical.fault_pages_per_s", o.fault_pages / took, "pages/s");

  // Protection changes on the same, now mapped pages: read-only and back.
  const double pstart = now_seconds();
  for (unsigned i = 0; i < o.fault_pages; ++i) {
    char* page = region + i * kPage;
    if (mprotect(page, kPage, PROT_READ) != 0 || mprotect(page, kPage, PROT_READ | PROT_WRITE) != 0)
      fail("mprotect failed");
  }
  figure("physical.protect_changes_per_s", 2.0 * o.fault_pages / (now_seconds() - pstart), "changes/s");

  munmap(region, region_size);
  ::close(region_fd);
  unlink(path.c_str());
}

// Pages/s of 4096-byte pwrites to a new file, and flushes/s of a 4096-byte
// pwrite followed by fsync.
void time_writes(const options& o) {
  const std::string path = o.dir + "/physical_writes.bin";
  int fd = open_new(path);
  std::vector<char> data(kPage, 'w');
  const double start = now_seconds();
  for (unsigned i = 0; i < o.fault_pages; ++i) write_page(fd, data.data(), static_cast<off_t>(i) * kPage);
  figure("physical.pwrite_pages_per_s", o.fault_pages / (now_seconds() - start), "pages/s");
  if (fsync(fd) != 0) fail("fsync failed");

  const double fstart = now_seconds();
  for (unsigned i = 0; i < o.flushes; ++i) {
    write_page(fd, data.data(), static_cast<off_t>(i % o.fault_pages) * kPage);
    if (fsync(fd) != 0) fail("fsync failed");
  }
  figure("physical.flushes_per_s", o.flushes / (now_seconds() - fstart), "flushes/s");
  ::close(fd);
  unlink(path.c_str());
}

}  // namespace

void run_physical_limit(const options& o) {
  time_first_touch(o);
  time_writes(o);
}

}  // namespace bench
