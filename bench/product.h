// The record both stores hold: a product with an id, a price, a weight,
// flags and a name of 20 to 40 characters. The values follow from the id so
// that every workload can check what it reads.
#pragma once

#include <cstdio>
#include <cstring>

namespace bench {

struct Product {
  int id;
  double price;   // id / 4: exact in a double, so sums compare exactly
  double weight;  // id / 8 + 1
  int flags;      // id % 16 to begin with
  char* name;     // persistent text of 20-40 characters (NUL-terminated) next to the record
};

constexpr unsigned kMaxNameLength = 40;

inline void fill_product(Product& p, unsigned id) {
  p.id = static_cast<int>(id);
  p.price = id / 4.0;
  p.weight = id / 8.0 + 1;
  p.flags = static_cast<int>(id % 16);
}

// Writes the name of product id (20-40 characters) into out; returns its length.
inline unsigned product_name(char* out, unsigned id) {
  const unsigned length = 20 + (id * 7) % 21;
  int prefix = std::snprintf(out, kMaxNameLength + 1, "product %u ", id);
  for (unsigned i = static_cast<unsigned>(prefix); i < length; ++i) out[i] = static_cast<char>('a' + (i + id) % 26);
  out[length] = '\0';
  return length;
}

// What one small transaction does to a record.
inline void change_product(Product& p) {
  p.price += 1;
  p.flags += 1;
}

// The sum of the prices of products 0..n-1 as loaded.
inline double expected_price_sum(unsigned n) { return (static_cast<double>(n) * (n - 1) / 2) / 4.0; }

}  // namespace bench
