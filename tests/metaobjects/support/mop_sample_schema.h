// A sample schema with a metaobject of every kind, for the tests that store,
// reopen and copy schemas; and a description of a schema as text.
#pragma once

#include <string>

#include "dv_qem/mop"

namespace dv_test {

// Names of the sample's named types, in the order describe() prints them.
extern const char* const sample_type_names[];
extern const unsigned sample_type_count;

// Fills the schema (in its own database) with the sample's types: integral,
// real and void types, an enumeration, a typedef, classes with bases and
// every member kind, pointers, an array of ten ints, a function type, a
// template and an instantiated class whose arguments include an enumerator.
void fill_sample_schema(dv_qem::dv_schema& schema);

// The printed text of each sample type found in the schema (missing ones as
// "-") and of its template; with unnamed, of its unnamed types in list order
// too (a copy has its own: unnamed types are never shared by name).
std::string describe(const dv_qem::dv_schema& schema, bool unnamed = true);

}  // namespace dv_test
