// Guards the address region and the memory layer under it: where the region
// is reserved (environment, defaults, fallback), that it only grows by an
// exactly adjoining range and never displaces a mapping it does not own, the
// malformed-variable errors, and one-page commit, protect and decommit with
// their exact error texts.
//
// The region is process-wide, so every case that reserves it differently
// runs in a child process (suite AddressSpaceChild) started by a parent test.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dv_err.h"
#include "dv_test_process.h"
#include "memory_layer.h"
#include "runtime_state.h"

using namespace dv_qem;

namespace {

constexpr dv4u kPage = 4096;
constexpr dv4u kMiB = 0x100000;

char* at(uintptr_t address) { return reinterpret_cast<char*>(address); }
uintptr_t word(const void* p) { return reinterpret_cast<uintptr_t>(p); }

// Maps one page at address that the runtime does not own; fails the test
// when the system places it elsewhere.
char* map_foreign_page(uintptr_t address) {
  void* p = mmap(at(address), kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
  EXPECT_EQ(p, at(address)) << "test set-up: the page is taken";
  return static_cast<char*>(p);
}

// The report of the Err that body throws; fails the test when body throws
// nothing or another class.
template <class Err, class Body>
std::string report_of(Body body) {
  try {
    body();
  } catch (const Err& e) {
    return e.get_report() != nullptr ? e.get_report() : "";
  } catch (const dv_err& e) {
    ADD_FAILURE() << "unexpected error: " << (e.get_report() ? e.get_report() : "");
    return "";
  }
  ADD_FAILURE() << "no error thrown";
  return "";
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return buffer;
}

#define CHILD_ONLY() \
  if (!dv_test::is_child()) GTEST_SKIP() << "runs in a child process"

// ---- region reservation (child processes) --------------------------------

struct child_case {
  const char* test;
  dv_test::env_list env;
  int status = 0;  // the child's expected exit status
};

const child_case kRegionCases[] = {
    {"AddressSpaceChild.DefaultRegion", {{"DV_QEM_AS_START", ""}, {"DV_QEM_AS_SIZE", ""}}},
    {"AddressSpaceChild.GivenStartAndGrowth", {{"DV_QEM_AS_START", "0x20000000"}, {"DV_QEM_AS_SIZE", "0x100000"}}},
    {"AddressSpaceChild.ValuesRoundedDownToPages",
     {{"DV_QEM_AS_START", "0x20000123"}, {"DV_QEM_AS_SIZE", "0x100001"}}},
    {"AddressSpaceChild.DecimalAndOctalValues", {{"DV_QEM_AS_START", "536870912"}, {"DV_QEM_AS_SIZE", "04000000"}}},
    {"AddressSpaceChild.MalformedValue",
     {{"DV_QEM_AS_SIZE", "12x"},
      {"DV_TEST_EXPECT", "dv_err_misc - The value of DV_QEM_AS_SIZE, \"12x\", is not a valid integer."}}},
    {"AddressSpaceChild.MalformedValue",
     {{"DV_QEM_AS_START", "0x2000000g"},
      {"DV_TEST_EXPECT", "dv_err_misc - The value of DV_QEM_AS_START, \"0x2000000g\", is not a valid integer."}}},
    {"AddressSpaceChild.MalformedValue",
     {{"DV_QEM_AS_SIZE", "-4096"},
      {"DV_TEST_EXPECT", "dv_err_misc - The value of DV_QEM_AS_SIZE, \"-4096\", is not a valid integer."}}},
    {"AddressSpaceChild.TakenEnvironmentStartFails",
     {{"DV_QEM_AS_START", "0x28000000"}, {"DV_QEM_AS_SIZE", "0x100000"}}},
    {"AddressSpaceChild.TakenDefaultStartFallsBack", {{"DV_QEM_AS_START", ""}, {"DV_QEM_AS_SIZE", ""}}},
    {"AddressSpaceChild.BlockedGrowthFails", {{"DV_QEM_AS_START", "0x20000000"}, {"DV_QEM_AS_SIZE", "0x100000"}}},
    {"AddressSpaceChild.DefaultsSetBeforeReservation", {{"DV_QEM_AS_START", ""}, {"DV_QEM_AS_SIZE", ""}}},
    {"AddressSpaceChild.EnvironmentStartWithDefaultSize", {{"DV_QEM_AS_START", "0x20000000"}, {"DV_QEM_AS_SIZE", ""}}},
    {"AddressSpaceChild.WriteToReadOnlyPageFaults",
     {{"DV_QEM_AS_START", "0x20000000"}, {"DV_QEM_AS_SIZE", "0x100000"}},
     128 + SIGSEGV},
};

TEST(AddressSpace, RegionCasesInChildProcesses) {
  for (const child_case& c : kRegionCases) EXPECT_EQ(dv_test::run_child(c.test, c.env), c.status) << c.test;
}

TEST(AddressSpaceChild, DefaultRegion) {
  CHILD_ONLY();
  _DV_int::initialize();
  EXPECT_EQ(_DV_int::get_region_start(), at(0x30000000));
  EXPECT_EQ(_DV_int::get_region_size(), 0x08000000u);
  EXPECT_EQ(dv_memory_region_start(), at(0x30000000));
  EXPECT_EQ(dv_memory_region_size(), 0x08000000u);
}

TEST(AddressSpaceChild, GivenStartAndGrowth) {
  CHILD_ONLY();
  _DV_int::initialize();
  ASSERT_EQ(_DV_int::get_region_start(), at(0x20000000));
  ASSERT_EQ(_DV_int::get_region_size(), kMiB);

  _DV_int::reserve_address_space(kMiB);
  EXPECT_EQ(_DV_int::get_region_start(), at(0x20000000));
  EXPECT_EQ(_DV_int::get_region_size(), 2 * kMiB);
  EXPECT_EQ(dv_memory_region_size(), 2 * kMiB);
  EXPECT_TRUE(_DV_int::is_persistent(at(0x20100000)));
  EXPECT_FALSE(_DV_int::is_persistent(at(0x20200000)));

  // The grown range is ours: taken for anyone else, usable by the runtime.
  errno = 0;
  EXPECT_EQ(dv_try_reserve_memory(at(0x20180000), kPage), nullptr);
  EXPECT_EQ(errno, EEXIST);
  dv_map_memory(at(0x20180000), kPage, dv_memory_read_write);
  at(0x20180000)[7] = 42;
  EXPECT_EQ(at(0x20180000)[7], 42);

  // The range after the region is still free.
  char* after = dv_try_reserve_memory(at(0x20200000), kPage);
  EXPECT_EQ(after, at(0x20200000));
  if (after != nullptr) dv_unreserve_memory(after, kPage);
}

TEST(AddressSpaceChild, ValuesRoundedDownToPages) {
  CHILD_ONLY();
  _DV_int::initialize();
  EXPECT_EQ(_DV_int::get_region_start(), at(0x20000000));
  EXPECT_EQ(_DV_int::get_region_size(), 0x100000u);
}

TEST(AddressSpaceChild, DecimalAndOctalValues) {
  CHILD_ONLY();
  _DV_int::initialize();
  EXPECT_EQ(_DV_int::get_region_start(), at(0x20000000));
  EXPECT_EQ(_DV_int::get_region_size(), 04000000u);
}

TEST(AddressSpaceChild, MalformedValue) {
  CHILD_ONLY();
  EXPECT_EQ(report_of<dv_err_misc>([] { _DV_int::initialize(); }), std::getenv("DV_TEST_EXPECT"));
  EXPECT_FALSE(_DV_int::is_initialized());
  EXPECT_EQ(_DV_int::get_region_size(), 0u);
}

TEST(AddressSpaceChild, TakenEnvironmentStartFails) {
  CHILD_ONLY();
  char* foreign = map_foreign_page(0x28080000);
  ASSERT_NE(foreign, nullptr);
  foreign[0] = 17;
  EXPECT_EQ(report_of<dv_err_out_of_virtual_memory>([] { _DV_int::initialize(); }),
            "dv_err_out_of_virtual_memory - dv_get_address_space:VirtualAlloc(0x28000000, 1048576) failed");
  EXPECT_EQ(_DV_int::get_region_size(), 0u);
  EXPECT_FALSE(_DV_int::is_initialized());
  // No fallback, and the page that was in the way is untouched.
  EXPECT_EQ(foreign[0], 17);
  EXPECT_EQ(dv_try_reserve_memory(at(0x28000000), kPage), at(0x28000000)) << "the range before it was not kept";
}

TEST(AddressSpaceChild, TakenDefaultStartFallsBack) {
  CHILD_ONLY();
  _VRN_set_default_address_space(at(0x28000000), kMiB);
  char* foreign = map_foreign_page(0x28000000);
  ASSERT_NE(foreign, nullptr);
  foreign[0] = 17;
  _DV_int::initialize();
  char* start = _DV_int::get_region_start();
  EXPECT_NE(start, at(0x28000000));
  EXPECT_EQ(word(start) % kPage, 0u);
  EXPECT_EQ(_DV_int::get_region_size(), kMiB);
  EXPECT_EQ(foreign[0], 17);
  dv_map_memory(start, kPage, dv_memory_read_write);
  start[0] = 1;
  EXPECT_EQ(start[0], 1);
}

TEST(AddressSpaceChild, BlockedGrowthFails) {
  CHILD_ONLY();
  _DV_int::initialize();
  char* foreign = map_foreign_page(0x20100000);
  ASSERT_NE(foreign, nullptr);
  foreign[0] = 5;
  EXPECT_EQ(report_of<dv_err_out_of_virtual_memory>([] { _DV_int::reserve_address_space(kMiB); }),
            "dv_err_out_of_virtual_memory - dv_get_address_space:VirtualAlloc(0x20100000, 1048576) failed");
  EXPECT_EQ(_DV_int::get_region_size(), kMiB);
  EXPECT_EQ(foreign[0], 5);
}

TEST(AddressSpaceChild, DefaultsSetBeforeReservation) {
  CHILD_ONLY();
  _VRN_set_default_address_space(at(0x21000000), 0x1ff001);
  _DV_int::initialize();
  EXPECT_EQ(_DV_int::get_region_start(), at(0x21000000));
  EXPECT_EQ(_DV_int::get_region_size(), 0x200000u);
  // Too late now: the region stays where it is and grows from there.
  _VRN_set_default_address_space(at(0x22000000), 0x100000);
  _DV_int::reserve_address_space(kMiB);
  EXPECT_EQ(_DV_int::get_region_start(), at(0x21000000));
  EXPECT_EQ(_DV_int::get_region_size(), 0x300000u);
}

TEST(AddressSpaceChild, EnvironmentStartWithDefaultSize) {
  CHILD_ONLY();
  _VRN_set_default_address_space(at(0x21000000), 0x200000);
  _DV_int::initialize();
  EXPECT_EQ(_DV_int::get_region_start(), at(0x20000000));
  EXPECT_EQ(_DV_int::get_region_size(), 0x200000u);
}

TEST(AddressSpaceChild, WriteToReadOnlyPageFaults) {
  CHILD_ONLY();
  _DV_int::initialize();
  char* page = _DV_int::get_region_start();
  dv_map_memory(page, kPage, dv_memory_read_write);
  page[0] = 3;
  dv_protect_memory(page, kPage, dv_memory_read_only);
  EXPECT_EQ(page[0], 3);
  *static_cast<volatile char*>(page) = 4;  // must not return
  ADD_FAILURE() << "a read-only page took a write";
}

// ---- the region seen from this process ------------------------------------

class MemoryLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    _DV_int::initialize();
    start_ = _DV_int::get_region_start();
    size_ = _DV_int::get_region_size();
    // The last pages of the region: far from anything another test places
    // at the region start.
    page_ = start_ + size_ - 4 * kPage;
  }
  void TearDown() override {
    for (dv4u i = 0; i < 4; ++i) dv_unmap_memory(page_ + i * kPage, kPage);
  }
  char* start_ = nullptr;
  dv4u size_ = 0;
  char* page_ = nullptr;
};

TEST_F(MemoryLayer, RegionIsPersistentUpToItsEnd) {
  int on_stack = 0;
  EXPECT_TRUE(_DV_int::is_persistent(start_));
  EXPECT_TRUE(_DV_int::is_persistent(start_ + size_ - 1));
  EXPECT_FALSE(_DV_int::is_persistent(start_ + size_));
  EXPECT_FALSE(_DV_int::is_persistent(start_ - 1));
  EXPECT_FALSE(_DV_int::is_persistent(&on_stack));
  EXPECT_FALSE(_DV_int::is_persistent(nullptr));
}

TEST_F(MemoryLayer, CommittedPageTakesWritesAndDecommitDropsThem) {
  dv_map_memory(page_, kPage, dv_memory_read_write);
  std::memset(page_, 0xAB, kPage);
  EXPECT_EQ(static_cast<unsigned char>(page_[kPage - 1]), 0xABu);
  dv_unmap_memory(page_, kPage);
  dv_map_memory(page_, kPage, dv_memory_read_only);
  for (dv4u i = 0; i < kPage; ++i) ASSERT_EQ(page_[i], 0) << "byte " << i;
}

TEST_F(MemoryLayer, ProtectionKeepsContents) {
  dv_map_memory(page_, kPage, dv_memory_read_write);
  dv_map_memory(page_ + kPage, kPage, dv_memory_read_write);
  page_[0] = 11;
  page_[kPage] = 12;
  // No access over the whole region, committed and uncommitted pages alike.
  dv_protect_memory(start_, size_, dv_memory_no_access);
  dv_protect_memory(page_, 2 * kPage, dv_memory_read_only);
  EXPECT_EQ(page_[0], 11);
  EXPECT_EQ(page_[kPage], 12);
  dv_protect_memory(page_, kPage, dv_memory_read_write);
  page_[0] = 13;
  EXPECT_EQ(page_[0], 13);
}

TEST_F(MemoryLayer, ReserveAtTheRegionReturnsItAndChecksIt) {
  EXPECT_EQ(dv_reserve_memory(size_, start_), start_);
  EXPECT_EQ(report_of<dv_err_internal>([&] { dv_reserve_memory(size_, start_ + kPage); }),
            "dv_err_internal - dv_reserve_memory for the wrong address");
  EXPECT_EQ(report_of<dv_err_internal>([&] { dv_reserve_memory(size_ - kPage, start_); }),
            "dv_err_internal - dv_reserve_memory for the wrong size");
  char* anywhere = dv_reserve_memory(4 * kPage, nullptr);
  ASSERT_NE(anywhere, nullptr);
  EXPECT_FALSE(_DV_int::is_persistent(anywhere));
  dv_unreserve_memory(anywhere, 4 * kPage);
}

TEST_F(MemoryLayer, ExactTextsForMisshapenPages) {
  struct row {
    const char* what;
    void (*op)(char* page);
    const char* report;
  };
  const row rows[] = {
      {"map, long", [](char* p) { dv_map_memory(p, kPage + 1, dv_memory_read_write); },
       "dv_err_internal - dv_map_memory called for non-page length"},
      {"map, short", [](char* p) { dv_map_memory(p, kPage / 2, dv_memory_read_only); },
       "dv_err_internal - dv_map_memory called for non-page length"},
      {"map, unaligned", [](char* p) { dv_map_memory(p + 16, kPage, dv_memory_read_write); },
       "dv_err_internal - dv_map_memory called for non-page-aligned address"},
      {"unmap, long", [](char* p) { dv_unmap_memory(p, 2 * kPage); },
       "dv_err_internal - dv_unmap_memory called for non-page length"},
      {"unmap, unaligned", [](char* p) { dv_unmap_memory(p + 1, kPage); },
       "dv_err_internal - dv_unmap_memory called for non-page-aligned address"},
  };
  for (const row& r : rows) EXPECT_EQ(report_of<dv_err_internal>([&] { r.op(page_); }), r.report) << r.what;
}

// Memory outside the region is never touched by the page operations: an
// madvise or mprotect there would wipe or lock up memory the runtime does
// not own.
TEST_F(MemoryLayer, PagesOutsideTheRegionAreRefused) {
  char* heap = static_cast<char*>(std::aligned_alloc(kPage, kPage));
  ASSERT_NE(heap, nullptr);
  std::memset(heap, 0x5A, kPage);
  unsigned h = static_cast<unsigned>(word(heap));

  auto starts_with = [](const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; };
  std::string report = report_of<dv_err_internal>([&] { dv_unmap_memory(heap, kPage); });
  EXPECT_TRUE(starts_with(report, format("dv_err_internal - dv_unmap_memory: VirtualFree(0x%x, 4096, MEM_DECOMMIT - ", h)))
      << report;
  report = report_of<dv_err_internal>([&] { dv_map_memory(heap, kPage, dv_memory_read_only); });
  EXPECT_TRUE(starts_with(
      report, format("dv_err_internal - dv_map_memory: VirtualAlloc(0x%x, 4096, MEM_COMMIT, PAGE_READONLY) failed - ", h)))
      << report;
  report = report_of<dv_err_internal>([&] { dv_protect_memory(heap, kPage, dv_memory_read_only); });
  EXPECT_TRUE(starts_with(report, format("dv_err_internal - dv_protect_memory: VirtualProtect(0x%x, 4096) returned FALSE - ", h)))
      << report;
  report = report_of<dv_err_internal>([&] { dv_protect_memory(heap, kPage, dv_memory_no_access); });
  EXPECT_TRUE(starts_with(
      report, format("dv_err_internal - dv_protect_memory: VirtualProtect(0x%x, 4096, PAGE_NOACCESS) failed - ", h)))
      << report;
  // A page that straddles the region end is outside too.
  report = report_of<dv_err_internal>([&] { dv_protect_memory(start_ + size_ - kPage, 2 * kPage, dv_memory_read_only); });
  EXPECT_TRUE(starts_with(report, "dv_err_internal - dv_protect_memory: VirtualProtect(")) << report;

  for (dv4u i = 0; i < kPage; ++i) ASSERT_EQ(heap[i], 0x5A) << "byte " << i;
  heap[0] = 1;  // still writable
  std::free(heap);
}

TEST_F(MemoryLayer, SystemFailureCarriesTheSystemText) {
  // Releasing a range that is not page-aligned fails in the system call.
  std::string report = report_of<dv_err_internal>([&] { dv_unreserve_memory(start_ + 1, kPage); });
  std::string expected_prefix =
      format("dv_err_internal - dv_unreserve_memory: VirtualFree(0x%x, 4096, MEM_RELEASE) failed - ",
             static_cast<unsigned>(word(start_ + 1)));
  EXPECT_EQ(report.rfind(expected_prefix, 0), 0u) << report;
  char text[256];
  std::string system = format("%s\n%s (%d)\n", strerror_r(EINVAL, text, sizeof text),
                              strerror_r(EINVAL, text, sizeof text), EINVAL);
  EXPECT_EQ(report.substr(expected_prefix.size()), system);
}

}  // namespace
