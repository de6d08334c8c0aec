// The list database of the damage tests: a seeded generator makes a small
// database of chained lists (dv_list) of items, each list behind a root of
// its own, from a list held in its head to lists of one block and of a ring
// of several, and a large character array after them. The model records every list head, block and element by its
// offset from the database start, so a walk tells whether the database,
// mapped anywhere, still holds exactly those lists in that order.
#pragma once

#include <string>

#include "durnavel.h"

namespace list_damage_model {

using namespace dv_qem;

// Elements of each list: in the head only; one block; several blocks; many.
constexpr unsigned kLists = 4;
constexpr unsigned kElements[kLists] = {4, 9, 30, 75};
constexpr unsigned kMaxElements = 75;
constexpr unsigned kMaxBlocks = 16;
// A character array after the lists, larger than the 65535 slots a block's
// count can name: a block read with a wrong count stays inside the image.
constexpr unsigned kPadding = 320 * 1024;

struct Item {
  dv4u id;
  dv4u check;
};

// What the generated database holds, by offsets from its start.
struct model {
  dv4u seed;
  dv4u head[kLists];
  dv4u n_blocks[kLists];
  dv4u block[kLists][kMaxBlocks];  // in chain order, the first block first
  dv4u element[kLists][kMaxElements];
};

inline dv4u item_check(dv4u seed, unsigned list, unsigned i) {
  dv4u h = seed * 0x9E3779B1u ^ (list + 1) * 0x85EBCA6Bu ^ i * 0xC2B2AE35u;
  h ^= h >> 15;
  return h * 0x2C1B3C6Du;
}

// The name of list k's root.
std::string root_name(unsigned k);

// Makes the database at path (in the address region this process has) and
// closes it; returns its model.
model generate(const std::string& path, dv4u seed);

// Walks every list of the open database against m as a user of the lists
// does (forward and backward with a cursor, by position, the first and the
// last element, a search), never reading an element whose address differs
// from the model. Returns the number of differences; the first is described
// in first. What the lists or the runtime raise on the way passes through.
unsigned walk(dv_database* db, const model& m, std::string& first);

}  // namespace list_damage_model
