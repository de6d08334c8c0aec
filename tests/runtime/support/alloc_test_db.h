// A database image for allocator tests, without files: an address range taken
// in the runtime's region and committed page by page as the image grows,
// entered in the database list as a DVDB (so that pointer hashes, pointer
// validation and the object cursor find it), page 0 holding a super-block
// the test builds. open_copy_of() copies another image to this range and
// reads every page in as the paging code does: page_fetched, then relocation
// (a large object as a whole).
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "db_allocator.h"
#include "db_format.h"
#include "db_header.h"
#include "dv_err.h"
#include "dv_typespec.h"
#include "dvdb.h"
#include "memory_layer.h"
#include "runtime_state.h"

namespace alloc_test {

using namespace dv_qem;

constexpr dv4u kMiB = 1024 * 1024;

class test_db : public _DB_space {
 public:
  explicit test_db(const char* path = "alloc_test.db", dv4u reserved = 16 * kMiB) {
    _DV_int::initialize();
    _DB_allocator::start_subsystem();
    db_ = new DVDB(path, 0);
    db_->place_at(_DV_int::reserve_db_space_anywhere(reserved), reserved);
    _DV_int::register_DVDB(db_);
    commit(db_->space_start());
  }

  ~test_db() override {
    _DV_int::deregister_DVDB(db_);
    db_->set_allocator(nullptr);
    allocator_.reset();
    for (dv4u i = 0; i < committed_; ++i) dv_unmap_memory(db_->space_start() + i * DV_PAGE_SIZE, DV_PAGE_SIZE);
    delete db_;
  }
  test_db(const test_db&) = delete;
  test_db& operator=(const test_db&) = delete;

  // ---- _DB_space ----------------------------------------------------------
  char* space_start() const override { return db_->space_start(); }
  void make_room(dv4u n_pages) override {
    if (static_cast<unsigned long long>(header()->super.db_size) + 1ull * n_pages * DV_PAGE_SIZE >
        db_->reserved_size())
      throw dv_err_address_space_exhausted(
          "Cannot grow address space for database %s. Allocating new page failed.", db_->space_name());
  }
  void will_write(char*, dv4u) override {}  // plain memory: always writable
  char* grow_page() override {
    if (grow_failures_after_ == 0)
      throw dv_err_trans("Attempt allocate memory in database (%s) with no update transaction in progress.",
                         db_->space_name());
    if (grow_failures_after_ > 0) --grow_failures_after_;
    char* page = db_->space_start() + header()->super.db_size;
    commit(page);
    ++pages_grown_;
    return page;
  }

  // ---- making and opening -------------------------------------------------
  // A new database: a super-block in page 0, an allocator started up. The
  // database object learns its allocator only afterwards, as it may in the
  // database code, so the start-up finds the allocator by its registration.
  _DB_allocator& create() {
    build_super_block();
    allocator_ = std::make_unique<_DB_allocator>(*this, true);
    allocator_->start_up();
    db_->set_allocator(allocator_.get());
    return *allocator_;
  }

  // Copies other's image here and opens it: the stored start becomes this
  // range's start (kept among the database's starts, as the open does), then every page is read in and relocated.
  _DB_allocator& open_copy_of(const test_db& other) {
    dv4u pages = other.header()->super.db_size / DV_PAGE_SIZE;
    for (dv4u i = committed_; i < pages; ++i) commit(db_->space_start() + i * DV_PAGE_SIZE);
    std::memcpy(db_->space_start(), other.db_->space_start(), 1ull * pages * DV_PAGE_SIZE);
    _DB_note_start(*header(), static_cast<dv4u>(reinterpret_cast<uintptr_t>(db_->space_start())));
    return reopen();
  }

  // Opens the image as it stands (an allocator that does not create) and,
  // unless told not to, reads every page in.
  _DB_allocator& reopen(bool read_pages = true) {
    db_->set_allocator(nullptr);
    allocator_.reset();
    allocator_ = std::make_unique<_DB_allocator>(*this, false);
    db_->set_allocator(allocator_.get());
    allocator_->start_up();
    if (read_pages) read_all_pages();
    return *allocator_;
  }

  // What the paging code does for each page it reads.
  void read_all_pages() {
    dv4u pages = allocator_->page_count();
    for (dv4u i = 1; i < pages; ++i) allocator_->page_fetched(page(i));
    for (dv4u i = 1; i < pages; ++i) {
      char* object = allocator_->large_object_at(page(i));
      if (object == nullptr)
        allocator_->relocate_page(page(i));
      else if (object - PAGE_HEADER_SIZE - OBJECT_HEADER_SIZE == page(i))
        allocator_->relocate_large_object(object);
    }
  }

  _DB_allocator& allocator() { return *allocator_; }
  DVDB* dvdb() const { return db_; }
  char* start() const { return db_->space_start(); }
  _DB_header* header() const { return reinterpret_cast<_DB_header*>(db_->space_start()); }
  dv4u pages() const { return header()->super.db_size / DV_PAGE_SIZE; }
  char* page(dv4u n) const { return db_->space_start() + n * DV_PAGE_SIZE; }
  dv4u pages_grown() const { return pages_grown_; }
  // grow_page fails (as without an update transaction) after n more pages;
  // -1 never.
  void fail_growth_after(int n) { grow_failures_after_ = n; }

 private:
  void commit(char* page) {
    dv_map_memory(page, DV_PAGE_SIZE, dv_memory_read_write);
    ++committed_;
  }

  void build_super_block() {
    auto* super = reinterpret_cast<_DB_header_super*>(db_->space_start());
    std::memset(super, 0, sizeof *super);
    std::memcpy(super->magic, DB_MAGIC, sizeof DB_MAGIC);
    super->as_start = static_cast<dv4u>(reinterpret_cast<uintptr_t>(db_->space_start()));
    super->db_size = DV_PAGE_SIZE;
    super->page_size = DV_PAGE_SIZE;
    super->major_version = DB_FORMAT_MAJOR;
    super->minor_version = DB_FORMAT_MINOR;
  }

  DVDB* db_;
  std::unique_ptr<_DB_allocator> allocator_;
  dv4u committed_ = 0;
  dv4u pages_grown_ = 0;
  int grow_failures_after_ = -1;
};

// A registered user type of any name and size, without pointers (its name
// is kept with it).
class sized_type {
 public:
  sized_type(std::string name, dv4u size)
      : name_(std::move(name)), ts_(name_.c_str(), size, {}, {}, nullptr) {}
  dv_basic_typespec* ts() { return &ts_; }

 private:
  std::string name_;
  dv_basic_typespec ts_;
};

}  // namespace alloc_test
