// Files for the recovery-log tests: database-like page images whose page 0
// holds a valid super-block, and whole-file byte access.
#pragma once

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "db_format.h"

namespace dv_test {

using bytes = std::vector<unsigned char>;
constexpr dv_qem::dv4u kPage = dv_qem::DV_PAGE_SIZE;

inline bytes read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_bytes(const std::string& path, const bytes& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline bool file_exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

template <typename T>
T get_at(const bytes& data, size_t offset) {
  T value;
  std::memcpy(&value, data.data() + offset, sizeof value);
  return value;
}

template <typename T>
void put_at(bytes& data, size_t offset, T value) {
  std::memcpy(data.data() + offset, &value, sizeof value);
}

inline dv_qem::_DB_header_super& super_of(bytes& image) {
  return *reinterpret_cast<dv_qem::_DB_header_super*>(image.data());
}
inline dv_qem::_DB_header_super super_of(const bytes& image) {
  dv_qem::_DB_header_super super;
  std::memcpy(&super, image.data(), sizeof super);
  return super;
}

// Fills page number page of image with a pattern that differs per page and
// per seed.
inline void fill_page(bytes& image, unsigned page, unsigned seed) {
  for (unsigned i = 0; i < kPage; ++i)
    image[page * kPage + i] = static_cast<unsigned char>((i * 7 + page * 131 + seed * 29) >> 2);
}

// A clean database image of n_pages pages: page 0 a valid super-block (size
// n_pages pages) followed by a pattern, the other pages patterns.
inline bytes make_database_image(unsigned n_pages, unsigned seed) {
  bytes image(n_pages * kPage);
  for (unsigned page = 0; page < n_pages; ++page) fill_page(image, page, seed);
  std::memset(image.data(), 0, sizeof(dv_qem::_DB_header_super));
  dv_qem::_DB_header_super& super = super_of(image);
  std::memcpy(super.magic, dv_qem::DB_MAGIC, sizeof dv_qem::DB_MAGIC);
  super.as_start = 0x10000000;
  super.db_size = n_pages * kPage;
  super.page_size = kPage;
  super.major_version = dv_qem::DB_FORMAT_MAJOR;
  super.minor_version = dv_qem::DB_FORMAT_MINOR;
  return image;
}

}  // namespace dv_test
