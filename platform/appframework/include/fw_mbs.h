// Byte-wise text helpers standing in for the multibyte character functions
// the framework's strings use. Texts are UTF-8 (or any ASCII-compatible
// encoding): case mapping and white space are ASCII only, every other byte
// passes through unchanged, and comparisons order by unsigned byte values.
#pragma once

#include <cstddef>

namespace fw_mbs {

// ASCII white space: blank, tab, line feed, vertical tab, form feed, CR.
bool is_space(unsigned char c);
char to_upper(char c);
char to_lower(char c);

int compare(const char* a, const char* b);
// Compares with ASCII letters folded to lower case.
int compare_no_case(const char* a, const char* b);
int compare_no_case_n(const char* a, const char* b, size_t n);
// Collation order: the same as compare (the program never installs a
// collating locale).
int collate(const char* a, const char* b);

// Searches return null when nothing matches.
const char* find_char(const char* text, char c);
const char* find_last_char(const char* text, char c);
const char* find_text(const char* text, const char* what);
const char* find_one_of(const char* text, const char* set);
// Length of the leading run of bytes that are in (span) or not in
// (span_excluding) set.
size_t span(const char* text, const char* set);
size_t span_excluding(const char* text, const char* set);

void make_upper(char* text);
void make_lower(char* text);
// Reverses the order of the characters of text[0, length); a UTF-8 sequence
// (a lead byte and its continuation bytes) stays in order.
void reverse(char* text, size_t length);

}  // namespace fw_mbs
