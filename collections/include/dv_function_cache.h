// The function cache: the process's registry from key-type name to the rank,
// hash and assign functions of that key type. Names are kept in their normal
// form ("const" blanked out, see _cache_key_type) and looked up in the same
// form, so "const unsigned short" finds what was registered for it, the same
// pair as "unsigned short", and "char const*" finds "char*".
#pragma once

#include "dv_coll_key_functions.h"

namespace dv_qem {

class _Function_cache {
 public:
  // Registers the built-in key types: "int", "char", "short", "long",
  // "unsigned int", "unsigned char", "unsigned short", "unsigned long",
  // "float", "double", "long double", each also with "const " in front,
  // "char*", "char[]", "void*" and their "const" forms, "signed char",
  // "const signed char", "dv_pvoid", "dv_char_array", "dv_char_star_nocopy".
  _Function_cache();
  ~_Function_cache();
  // A copy has registry records of its own, with the other's functions.
  _Function_cache(const _Function_cache& other);
  // Registers every name of the other with its functions (names this cache
  // alone holds stay).
  _Function_cache& operator=(const _Function_cache& other);

  // Registers name's pair, replacing a registered one. A null rank or hash
  // is stored as a function that throws dv_err_coll "<err-0024-0965>A rank
  // function is missing" or "<err-0024-0970>A hash function is missing" when
  // called. Takes the session lock.
  void insert(const char* name, _Rank_fcn rank, _Hash_fcn hash);
  // Replace one function of a registered name (null as for insert); an
  // unknown name changes nothing. Take the session lock.
  void replace_rank(const char* name, _Rank_fcn rank);
  void replace_hash(const char* name, _Hash_fcn hash);
  // Sets name's assign function, registering the name without a rank and
  // hash pair when it is new. Takes the session lock.
  void insert_assign_fcn(const char* name, _Assign_fcn assign);

  // name's pair. A name starting with "dv_qem::dv_char_array" is looked up as
  // "dv_char_array". An unregistered name gives null for both, and with
  // signal nonzero throws dv_err_coll "<err-0024-0975>Missing rank and hash
  // functions for key type <name>". (A name registered by insert_assign_fcn
  // alone gives null for both and throws nothing.)
  void find_functions(const char* name, _Rank_fcn& rank, _Hash_fcn& hash, int signal) const;
  // name's assign function: null when it has none. An unregistered name gives
  // null too, and with signal nonzero throws dv_err_coll "<err-0024-3642>
  // Missing assign function for key type <name>".
  void find_assign_function(const char* name, _Assign_fcn& assign, int signal) const;

  // Frees the block held in the first of the cache's three spare words and
  // sets the word to null. The block remembers the answers find_functions
  // gave, per key-type name (up to 16 names); every registration clears it.
  void clear_cache();

  // Whether rank is one of the strcoll comparisons, or one of the byte-wise
  // string comparisons (_Str_rank, _Char_arr_rank).
  static int is_strcoll(_Rank_fcn rank);
  static int is_strcmp(_Rank_fcn rank);

 private:
  class registry;
  registry* registry_;
  mutable void* block_ = nullptr;  // find_functions' answers per name; freed by clear_cache and the destructor
  dv4u spare_[2] = {};     // zero
};
static_assert(sizeof(_Function_cache) == 16);

// The process's one function cache: made by the library's initialisation,
// destroyed at exit; null before and after.
extern _Function_cache* _Mapping_fcn_cache;

// The process's function cache for use: made first when it does not exist
// yet (through the library's initialisation, or here when there is no
// session). Safe from any number of threads.
_Function_cache& _Coll_function_cache();
// For the library's initialisation and exit, under the thread lock (the
// session lock taken before it): makes and publishes the cache once
// (answering the one made), and deletes it again.
_Function_cache* _Coll_make_function_cache();
void _Coll_retire_function_cache();

}  // namespace dv_qem
