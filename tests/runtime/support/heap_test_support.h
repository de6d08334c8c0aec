// Fixtures for page-heap tests: a typespec of any size, a type-tag source
// with tags from 24, a map of large objects, and page memory (aligned, or
// fenced by inaccessible pages so that a stray read or write crashes).
#pragma once

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "address_word.h"
#include "dv_err.h"
#include "dv_typespec.h"
#include "page_header.h"
#include "type_tags.h"

namespace heap_test {

using namespace dv_qem;

class sized_typespec : public dv_typespec {
 public:
  sized_typespec(const char* name, unsigned size) : dv_typespec(name), size_(size) {}
  void do_relocation(void*, dv_address_map*) override {}
  void do_relocation(void*, int) override {}
  unsigned get_size() const override { return size_; }
  int needs_relocation() const override { return 0; }

 private:
  unsigned size_;
};

// Tags 24, 25, ... in order of first use; an unknown tag is an unmarked type.
class tag_table : public _Type_tag_source {
 public:
  dv2u tag_of(const dv_typespec* ts) override {
    for (size_t i = 0; i < types_.size(); ++i)
      if (types_[i] == ts) return static_cast<dv2u>(first_tag + i);
    types_.push_back(ts);
    return static_cast<dv2u>(first_tag + types_.size() - 1);
  }
  const dv_typespec* typespec_of(dv2u tag) override {
    if (tag < first_tag || tag >= first_tag + types_.size())
      throw dv_err_unmarked_type("no type with tag %d", tag);
    return types_[tag - first_tag];
  }
  static constexpr dv2u first_tag = 24;

 private:
  std::vector<const dv_typespec*> types_;
};

// The large-object map: page address -> object address.
class object_map : public _Large_object_lookup {
 public:
  const void* object_covering(const void* page) const override {
    auto it = pages.find(page);
    return it == pages.end() ? nullptr : it->second;
  }
  void cover(const char* first_page, dv4u n_pages, const void* object) {
    for (dv4u i = 0; i < n_pages; ++i) pages[first_page + i * HEAP_PAGE_SIZE] = object;
  }
  std::map<const void*, const void*> pages;
};

// n_pages of page-aligned memory.
class aligned_pages {
 public:
  explicit aligned_pages(dv4u n_pages)
      : size_(n_pages * HEAP_PAGE_SIZE),
        data_(static_cast<char*>(std::aligned_alloc(HEAP_PAGE_SIZE, size_))) {
    std::memset(data_, 0x11, size_);
  }
  ~aligned_pages() { std::free(data_); }
  aligned_pages(const aligned_pages&) = delete;
  aligned_pages& operator=(const aligned_pages&) = delete;
  char* data() const { return data_; }
  dv4u size() const { return size_; }

 private:
  dv4u size_;
  char* data_;
};

// n_pages of read-write memory between two inaccessible pages.
class fenced_pages {
 public:
  explicit fenced_pages(dv4u n_pages) : size_(n_pages * HEAP_PAGE_SIZE) {
    void* all =
        mmap(nullptr, size_ + 2 * HEAP_PAGE_SIZE, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (all == MAP_FAILED) std::abort();
    base_ = static_cast<char*>(all);
    if (mprotect(base_ + HEAP_PAGE_SIZE, size_, PROT_READ | PROT_WRITE) != 0) std::abort();
  }
  ~fenced_pages() { munmap(base_, size_ + 2 * HEAP_PAGE_SIZE); }
  fenced_pages(const fenced_pages&) = delete;
  fenced_pages& operator=(const fenced_pages&) = delete;
  char* data() const { return base_ + HEAP_PAGE_SIZE; }
  dv4u size() const { return size_; }

 private:
  dv4u size_;
  char* base_;
};

// Allocates one object (count objects) of ts in page.
inline void* allocate(_Page_header* page, tag_table& tags, const dv_typespec& ts, dv4u count = 0,
                      bool vector_header = false) {
  dv4u size = _Obj_header::block_size_for(ts.get_size(), count, vector_header, false);
  return page->findchunk(size, count, vector_header, &ts, tags);
}

inline _Obj_header* header_of(void* object) {
  return _Obj_header::at(static_cast<char*>(object) - OBJECT_HEADER_SIZE);
}

// The free blocks in list order.
inline std::vector<_Obj_header*> free_blocks(const _Page_header* page) {
  std::vector<_Obj_header*> blocks;
  for (_Obj_header* b = page->free_head_block(); b != nullptr; b = b->next()) blocks.push_back(b);
  return blocks;
}

inline std::string bytes_of(const char* p, size_t n) { return std::string(p, n); }

inline std::string hex(const void* p) {
  char text[16];
  std::snprintf(text, sizeof text, "%#x", word_of(p));
  return text;
}

}  // namespace heap_test
