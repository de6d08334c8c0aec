// The model of a dictionary in the dictionary model tests: key number ->
// element number as a std::multimap, the changes the tests make to it, and
// the checks of a live dictionary against it (look-ups of one key, a whole
// walk).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "dv_dictionary.h"

namespace dv_test {

using key_model = std::multimap<int, int>;  // key number -> element number

// Whether the model holds the pair (k, e).
inline bool holds(const key_model& m, int k, int e) {
  auto [lo, hi] = m.equal_range(k);
  return std::any_of(lo, hi, [e](const auto& kv) { return kv.second == e; });
}

// Removes one pair (k, e); nothing when there is none.
inline void erase_pair(key_model& m, int k, int e) {
  auto [lo, hi] = m.equal_range(k);
  for (auto it = lo; it != hi; ++it)
    if (it->second == e) {
      m.erase(it);
      return;
    }
}

// How many pairs hold element e.
inline long pairs_holding(const key_model& m, int e) {
  return std::count_if(m.begin(), m.end(), [e](const auto& kv) { return kv.second == e; });
}

// Removes the first pair (in key order) holding element e; nothing when
// there is none.
inline void erase_first_holding(key_model& m, int e) {
  for (auto it = m.begin(); it != m.end(); ++it)
    if (it->second == e) {
      m.erase(it);
      return;
    }
}

// The model's elements, sorted.
inline std::vector<int> sorted_elements(const key_model& m) {
  std::vector<int> out;
  for (const auto& kv : m) out.push_back(kv.second);
  std::sort(out.begin(), out.end());
  return out;
}

// d answers __contains, __count and __pick for key number k (key: its key
// argument) and element number e (element: its address) as the model does;
// number(address) is an element's number.
template <class Number>
void expect_lookups(dv_qem::dv_dictionary& d, const key_model& m, int k, const void* key, int e,
                    const void* element, Number number) {
  const int n = static_cast<int>(m.count(k));
  ASSERT_EQ(d.__contains(element, key), holds(m, k, e) ? 1 : 0) << "key " << k << " element " << e;
  ASSERT_EQ(d.__count(key, element), n) << "count of key " << k;
  unsigned found = 0;
  void* picked = d.__pick(0, key, found);
  ASSERT_EQ(found != 0, n != 0) << "pick under key " << k;
  if (n != 0) {
    ASSERT_TRUE(holds(m, k, number(picked)));
  }
}

// The numbers of the elements a whole walk of d's dictionary cursor
// delivers, sorted.
template <class Number>
std::vector<int> walked_elements(const dv_qem::dv_dictionary& d, Number number) {
  std::vector<int> walked;
  dv_qem::dv_dictionary_cursor& c = d.__iteration_start(0);
  void* e = nullptr;
  for (int more = d.__first(c, e); more; more = d.__next(c, e)) walked.push_back(number(e));
  d.__iteration_end(c);
  std::sort(walked.begin(), walked.end());
  return walked;
}

}  // namespace dv_test
