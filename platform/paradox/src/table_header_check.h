// Our own look at a Paradox table file's header and block chain before the
// table library reads it: a damaged file can send the library round a
// cycle of blocks for ever, or past the end of the file.
#pragma once

#include <cstdio>
#include <string>

namespace dvparadox {

// What is wrong with the table file's header or its chain of data blocks
// (an unknown file version, an encrypted table, a block size that is no
// Paradox size, a header larger than the file, a field count the header
// cannot hold, a field of unknown type or of a size its type cannot have,
// field sizes that do not add up to the record size, more records than the
// file's blocks can hold, a block number outside the file, a block reached
// twice);
// empty when they are sound. Reads from the file's start; leaves the position there.
std::string TableHeaderProblem(std::FILE* file);

}  // namespace dvparadox
