// The function cache: records of rank, hash and assign functions by the
// normal form of their key-type name. Registrations take the session lock;
// the registry's own reader-writer lock (taken last, never held while calling
// out) lets lookups run beside them.
#include "dv_function_cache.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string_view>
#include <unordered_map>

#include "coll_key_functions.h"
#include "coll_messages.h"
#include "dv_coll_statics.h"
#include "dv_locks.h"
#include "dv_platform.h"
#include "key_type_map.h"

namespace dv_qem {

_Function_cache* _Mapping_fcn_cache = nullptr;

namespace {

// One registered key type; owns the copy of its name, which is also its key
// in the registry.
struct _Function_cache_record {
  explicit _Function_cache_record(const char* key) : name(_VRN_strdup(key)) {}
  ~_Function_cache_record() { _VRN_free(name); }
  _Function_cache_record(const _Function_cache_record&) = delete;
  _Function_cache_record& operator=(const _Function_cache_record&) = delete;

  char* name;
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  _Assign_fcn assign = nullptr;
};

// The normal form of a key-type name, freed with the object; null for a null
// name. Every dv_qem::dv_char_array<N> is the one "dv_char_array" key type.
class normal_name {
 public:
  explicit normal_name(const char* name)
      : text_(_normalize_key_type(is_char_array(name) ? _Coll_char_array_key_name : name)) {}
  ~normal_name() { _VRN_free(text_); }
  normal_name(const normal_name&) = delete;
  normal_name& operator=(const normal_name&) = delete;
  const char* get() const { return text_; }

 private:
  static bool is_char_array(const char* name) {
    static constexpr char prefix[] = "dv_qem::dv_char_array";
    return name != nullptr && std::strncmp(name, prefix, sizeof prefix - 1) == 0;
  }
  char* text_;
};

struct builtin_key_type {
  const char* name;
  _Rank_fcn rank;
  _Hash_fcn hash;
};

constexpr builtin_key_type kBuiltins[] = {
    {"int", _Int_rank, _Int_hash},
    {"char", _Char_rank, _Char_hash},
    {"short", _Short_rank, _Short_hash},
    {"long", _Long_rank, _Long_hash},
    {"unsigned int", _Uint_rank, _Int_hash},
    {"unsigned char", _Unsigned_char_rank, _Char_hash},
    {"unsigned short", _Ushort_rank, _Short_hash},
    {"unsigned long", _Ulong_rank, _Long_hash},
    {"float", _Float_rank, _Float_hash},
    {"double", _Double_rank, _Double_hash},
    {"long double", _Long_double_rank, _Long_double_hash},
    {"const int", _Int_rank, _Int_hash},
    {"const char", _Char_rank, _Char_hash},
    {"const short", _Short_rank, _Short_hash},
    {"const long", _Long_rank, _Long_hash},
    {"const unsigned int", _Uint_rank, _Int_hash},
    {"const unsigned char", _Unsigned_char_rank, _Char_hash},
    {"const unsigned short", _Ushort_rank, _Short_hash},
    {"const unsigned long", _Ulong_rank, _Long_hash},
    {"const float", _Float_rank, _Float_hash},
    {"const double", _Double_rank, _Double_hash},
    {"const long double", _Long_double_rank, _Long_double_hash},
    {"char*", _Str_rank, _Str_hash_khs},
    {"char[]", _Char_arr_rank, _Char_arr_hash},
    {"void*", _Ptr_rank, _Ptr_hash},
    {"const char*", _Str_rank, _Str_hash_khs},
    {"const char[]", _Char_arr_rank, _Char_arr_hash},
    {"const void*", _Ptr_rank, _Ptr_hash},
    {"signed char", _Signed_char_rank, _Char_hash},
    {"const signed char", _Signed_char_rank, _Char_hash},
    {"dv_pvoid", _Pvoid_rank, _Pvoid_hash},
    {"dv_char_array", _Char_arr_rank, _Dv_char_array_hash},
    {"dv_char_star_nocopy", _Str_nocopy_rank, _Str_nocopy_hash_khs},
};

}  // namespace

class _Function_cache::registry {
 public:
  // Runs change on name's record under the write lock, making the record
  // first when create is set; an unknown name without create, or a null
  // name, changes nothing.
  template <class Change>
  void update(const char* name, bool create, Change change) {
    normal_name key(name);
    if (key.get() == nullptr) return;
    std::unique_lock lock(mutex_);
    auto found = records_.find(key.get());
    if (found == records_.end()) {
      if (!create) return;
      auto record = std::make_unique<_Function_cache_record>(key.get());
      std::string_view record_key = record->name;
      found = records_.emplace(record_key, std::move(record)).first;
    }
    change(*found->second);
  }

  // Runs read on name's record under the read lock; false when name has none.
  template <class Read>
  bool find(const char* name, Read read) const {
    normal_name key(name);
    if (key.get() == nullptr) return false;
    std::shared_lock lock(mutex_);
    auto found = records_.find(key.get());
    if (found == records_.end()) return false;
    read(*found->second);
    return true;
  }

 private:
  std::unordered_map<std::string_view, std::unique_ptr<_Function_cache_record>> records_;
  mutable std::shared_mutex mutex_;
};

_Function_cache::_Function_cache() : registry_(new registry) {
  for (const builtin_key_type& b : kBuiltins) insert(b.name, b.rank, b.hash);
}

_Function_cache::~_Function_cache() {
  clear_cache();
  delete registry_;
}

void _Function_cache::clear_cache() {
  ::operator delete(block_);
  block_ = nullptr;
}

void _Function_cache::insert(const char* name, _Rank_fcn rank, _Hash_fcn hash) {
  _VRN_session_lock session;
  registry_->update(name, true, [&](_Function_cache_record& r) {
    r.rank = rank != nullptr ? rank : _Missing_rank;
    r.hash = hash != nullptr ? hash : _Missing_hash;
  });
}

void _Function_cache::replace_rank(const char* name, _Rank_fcn rank) {
  _VRN_session_lock session;
  registry_->update(name, false,
                    [&](_Function_cache_record& r) { r.rank = rank != nullptr ? rank : _Missing_rank; });
}

void _Function_cache::replace_hash(const char* name, _Hash_fcn hash) {
  _VRN_session_lock session;
  registry_->update(name, false,
                    [&](_Function_cache_record& r) { r.hash = hash != nullptr ? hash : _Missing_hash; });
}

void _Function_cache::insert_assign_fcn(const char* name, _Assign_fcn assign) {
  _VRN_session_lock session;
  registry_->update(name, true, [&](_Function_cache_record& r) { r.assign = assign; });
}

void _Function_cache::find_functions(const char* name, _Rank_fcn& rank, _Hash_fcn& hash, int signal) const {
  rank = nullptr;
  hash = nullptr;
  const bool registered = registry_->find(name, [&](const _Function_cache_record& r) {
    rank = r.rank;
    hash = r.hash;
  });
  if (!registered && signal != 0) dv_coll_raise<coll_msg::key_functions_missing>(name != nullptr ? name : "(null)");
}

void _Function_cache::find_assign_function(const char* name, _Assign_fcn& assign, int signal) const {
  assign = nullptr;
  const bool registered = registry_->find(name, [&](const _Function_cache_record& r) { assign = r.assign; });
  if (!registered && signal != 0)
    dv_coll_raise<coll_msg::assign_function_missing>(name != nullptr ? name : "(null)");
}

int _Function_cache::is_strcoll(_Rank_fcn rank) {
  return rank == dv_strcoll_for_char_pointer || rank == dv_strcoll_for_char_array;
}

int _Function_cache::is_strcmp(_Rank_fcn rank) { return rank == _Str_rank || rank == _Char_arr_rank; }

}  // namespace dv_qem
