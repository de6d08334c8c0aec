// Reading a sound database image as bytes: its header fields, page headers,
// block lists and the extents of user objects.
#include "image_view.h"

#include <cstdint>
#include <cstring>

#include "db_format.h"
#include "dv_typespec.h"
#include "heap_format.h"

using namespace dv_qem;

namespace image_view {

namespace {

constexpr unsigned kMaxBlocks = HEAP_PAGE_SIZE / MIN_BLOCK_FOOTPRINT;

template <class T>
T get(const std::vector<char>& image, size_t at) {
  T value{};
  if (at + sizeof value <= image.size()) std::memcpy(&value, image.data() + at, sizeof value);
  return value;
}

// The block a 16-bit self-relative link at field leads to (0 for none).
size_t follow(const std::vector<char>& image, size_t field) {
  dv2s link = get<dv2s>(image, field);
  if (link == 0) return 0;
  return link == -1 ? field : static_cast<size_t>(static_cast<std::ptrdiff_t>(field) + link);
}

struct type_sizes {
  const std::vector<char>& image;
  dv4u of(dv2u tag) const {
    if (tag < max_builtin_tag) return dv_typespec::builtin_tag_size(tag);
    size_t slot = offsetof(_DB_header, type_slots) + (tag - max_builtin_tag) * sizeof(_Pers_type_info);
    return get<dv4u>(image, slot + offsetof(_Pers_type_info, size));
  }
};

// Bytes of the object of the allocated block at b (its vector header included).
dv4u object_bytes(const std::vector<char>& image, size_t b, const type_sizes& sizes) {
  dv2u word0 = get<dv2u>(image, b);
  bool large = (word0 & BLOCK_COUNT_MASK) == BLOCK_LARGE_FORM;
  dv4u count = large ? get<dv4u>(image, b + LARGE_FORM_VALUE_OFFSET) : (word0 & BLOCK_COUNT_MASK);
  dv4u size = sizes.of(get<dv2u>(image, b + 2)) * (count != 0 ? count : 1);
  return size + ((word0 & BLOCK_VECTOR_HEADER) != 0 ? 4 : 0);
}

// The footprint of the allocated block at b, as the heap computes it.
dv4u block_footprint(const std::vector<char>& image, size_t b, const type_sizes& sizes) {
  dv4u s = object_bytes(image, b, sizes);
  if (s < BLOCK_ALIGNMENT || s % BLOCK_ALIGNMENT != 0) s = (s + BLOCK_ALIGNMENT) & ~(BLOCK_ALIGNMENT - 1);
  if ((get<dv2u>(image, b) & BLOCK_EXTRA_BYTES) != 0) s += EXTRA_BYTES_IN_BLOCK;
  return s + OBJECT_HEADER_SIZE;
}

void add_header_fields(image_map& m, const std::vector<char>& image) {
  for (size_t at : {0x18, 0x1c, 0x20, 0x24, 0x28, 0x30, 0x34, 0x38, 0x3c, 0x580, 0x584, 0x588, 0x58c})
    m.header_fields.push_back({at, 4});
  const dv4u starts = get<dv4u>(image, offsetof(_DB_header, n_starts));
  for (dv4u i = 0; i < starts && i < DB_KEPT_STARTS; ++i)
    m.header_fields.push_back({offsetof(_DB_header, starts) + 4 * i, 4});
  m.header_fields.push_back({0x2c, 2});
  m.header_fields.push_back({0x2e, 2});
  for (size_t g = 0; g < 2; ++g) {
    size_t d = offsetof(_DB_header, groups) + g * sizeof(_Page_group_desc);
    for (size_t at = 0; at < offsetof(_Page_group_desc, size_class_limit); at += 4)
      m.header_fields.push_back({d + at, 4});
    for (size_t c = 0; c < N_SIZE_CLASSES; ++c)
      m.header_fields.push_back({d + offsetof(_Page_group_desc, size_class_limit) + 2 * c, 2});
    for (size_t at = offsetof(_Page_group_desc, free_page_bv); at < sizeof(_Page_group_desc); at += 4)
      m.header_fields.push_back({d + at, 4});
  }
  dv4u highest = get<dv4u>(image, offsetof(_DB_header, highest_tag));
  for (dv4u tag = max_builtin_tag; tag <= highest && tag < max_builtin_tag + DB_HEADER_TYPE_SLOTS; ++tag) {
    size_t slot = offsetof(_DB_header, type_slots) + (tag - max_builtin_tag) * sizeof(_Pers_type_info);
    m.header_fields.push_back({slot, 2});
    m.header_fields.push_back({slot + 4, 4});
    m.header_fields.push_back({slot + 8, 4});
  }
}

}  // namespace

image_map map_image(const std::vector<char>& image) {
  image_map m;
  m.payload.assign(image.size(), false);
  m.inert.assign(image.size(), false);
  auto mark_inert = [&](size_t from, size_t to) {
    for (size_t i = from; i < to && i < image.size(); ++i) m.inert[i] = true;
  };
  add_header_fields(m, image);
  // Header bytes nothing reads: the magic's padding, the slots of unassigned
  // tags, the room for start addresses not yet kept.
  const char* magic_end = static_cast<const char*>(std::memchr(image.data(), 0, 24));
  if (magic_end != nullptr) mark_inert(static_cast<size_t>(magic_end - image.data()) + 1, 24);
  dv4u highest = get<dv4u>(image, offsetof(_DB_header, highest_tag));
  if (highest >= max_builtin_tag - 1 && highest < max_builtin_tag + DB_HEADER_TYPE_SLOTS)
    mark_inert(offsetof(_DB_header, type_slots) + (highest + 1 - max_builtin_tag) * sizeof(_Pers_type_info),
               offsetof(_DB_header, schema_paths));
  const dv4u starts = get<dv4u>(image, offsetof(_DB_header, n_starts));
  mark_inert(offsetof(_DB_header, starts) + 4 * (starts < DB_KEPT_STARTS ? starts : DB_KEPT_STARTS), sizeof(_DB_header));
  const type_sizes sizes{image};
  const size_t pages = image.size() / HEAP_PAGE_SIZE;
  for (size_t page = 0; page < pages;) {
    const size_t start = page * HEAP_PAGE_SIZE;
    const size_t h = start + (page == 0 ? DB_HEADER_SIZE : 0);
    for (size_t at : {0, 4, 12, 16}) m.page_fields.push_back({h + at, 4});
    for (size_t at : {8, 10, 20, 22}) m.page_fields.push_back({h + at, 2});
    const bool user = get<dv4u>(image, h) == user_page_group;
    if (user) m.base_fields.push_back({h + 12, 4});
    size_t region_end = start + HEAP_PAGE_SIZE;

    size_t b = follow(image, h + 8);
    for (unsigned n = 0; b != 0 && b + OBJECT_HEADER_SIZE <= image.size() && n < kMaxBlocks; ++n) {
      dv2u word0 = get<dv2u>(image, b);
      bool large = (word0 & BLOCK_COUNT_MASK) == BLOCK_LARGE_FORM;
      m.block_fields.push_back({b, 2});
      m.block_fields.push_back({b + 2, 2});
      if (large) {
        m.block_fields.push_back({b + 4, 4});
      } else {
        m.block_fields.push_back({b + 4, 2});
        m.block_fields.push_back({b + 6, 2});
      }
      size_t object = b + OBJECT_HEADER_SIZE;
      size_t end = object + object_bytes(image, b, sizes);
      if (user)
        for (size_t i = object; i < end && i < image.size(); ++i) m.payload[i] = true;
      if (large) {
        size_t used = (b - start) + block_footprint(image, b, sizes);
        region_end = start + (used + HEAP_PAGE_SIZE - 1) / HEAP_PAGE_SIZE * HEAP_PAGE_SIZE +
                     get<dv4u>(image, h + 4);
        // The fill from the object's end to the end of its page is checked
        // (it shows a tag of another size); the rest of the region is not read.
        size_t checked = start + (end - start + HEAP_PAGE_SIZE - 1) / HEAP_PAGE_SIZE * HEAP_PAGE_SIZE;
        mark_inert(checked, region_end);
        break;
      }
      mark_inert(end, b + block_footprint(image, b, sizes));
      b = follow(image, b + 6);
    }
    b = follow(image, h + 10);
    for (unsigned n = 0; b != 0 && b + OBJECT_HEADER_SIZE <= image.size() && n < kMaxBlocks; ++n) {
      dv2u word0 = get<dv2u>(image, b);
      bool large = (word0 & BLOCK_COUNT_MASK) == BLOCK_LARGE_FORM;
      dv4u payload = large ? get<dv4u>(image, b + 4) : get<dv2u>(image, b + 2);
      m.block_fields.push_back({b, 2});
      m.block_fields.push_back({b + 2, 2});
      m.block_fields.push_back({b + 4, large ? 4u : 2u});
      if (!large) m.block_fields.push_back({b + 6, 2});
      m.block_fields.push_back({b + OBJECT_HEADER_SIZE + payload - 4, 4});
      mark_inert(b + OBJECT_HEADER_SIZE, b + OBJECT_HEADER_SIZE + payload - 4);
      if (large) {
        region_end = b + OBJECT_HEADER_SIZE + payload;
        break;
      }
      b = follow(image, b + 6);
    }
    page = (region_end > start + HEAP_PAGE_SIZE ? region_end : start + HEAP_PAGE_SIZE) / HEAP_PAGE_SIZE;
  }
  return m;
}

}  // namespace image_view
