// A database image read as bytes, without the runtime: which bytes are the
// payload of user objects, which are read by nothing (the inside of free
// blocks, the padding behind objects; everything else is the store's own
// bookkeeping: headers, block headers, the runtime's system pages), and where
// the stored fields of the database header, the page headers and the block
// headers lie. Lists are followed through their self-relative links as the
// sound image holds them.
#pragma once

#include <cstddef>
#include <vector>

namespace image_view {

// A stored field: its offset in the file and its width in bytes.
struct field {
  size_t at;
  unsigned width;
};

struct image_map {
  std::vector<bool> payload;        // byte i lies inside a user object
  std::vector<bool> inert;          // byte i is read by nothing: free space, padding
  std::vector<field> header_fields;  // the database header's fields in use
  std::vector<field> page_fields;    // every field of every page header
  std::vector<field> block_fields;   // block header words and free-block footers
  std::vector<field> base_fields;    // the recorded base of every user page
};

image_map map_image(const std::vector<char>& image);

}  // namespace image_view
