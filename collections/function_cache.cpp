// The function cache: records of rank, hash and assign functions by the
// normal form of their key-type name. Registrations take the session lock;
// the registry's own reader-writer lock (taken last, never held while calling
// out) lets lookups run beside them.
#include "dv_function_cache.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "coll_key_functions.h"
#include "coll_messages.h"
#include "dv_chash.h"
#include "dv_coll_rep_registry.h"
#include "dv_coll_statics.h"
#include "dv_locks.h"
#include "dv_platform.h"
#include "key_type_map.h"

namespace dv_qem {

_Function_cache* _Mapping_fcn_cache = nullptr;

namespace {

// One registered key type (transient, owned by the cache). Its first word is
// the copy of its name, so the record's own address is the address of a
// char* key: the record is both key and element in the registry.
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
static_assert(offsetof(_Function_cache_record, name) == 0);

// The cache once made, published for lookups from any thread.
std::atomic<_Function_cache*> published{nullptr};

// The block of a cache's first spare word: the answers find_functions gave,
// one per key-type name as the caller spelled it, so that look-ups that
// alternate between key types (an id index beside a name index) each find
// theirs. When it is full the oldest answer makes room. Guarded by
// last_answer_mutex.
struct last_answer {
  static constexpr unsigned capacity = 16;  // more key types than a program keys by at once
  struct entry {
    char* name;
    _Rank_fcn rank;
    _Hash_fcn hash;
  };
  unsigned count = 0;
  unsigned oldest = 0;  // the entry replaced next when full
  entry entries[capacity];

  const entry* find(const char* name) const {
    for (unsigned i = 0; i < count; ++i)
      if (std::strcmp(entries[i].name, name) == 0) return &entries[i];
    return nullptr;
  }
  void remember(const char* name, _Rank_fcn rank, _Hash_fcn hash) {
    if (find(name) != nullptr) return;
    entry* e = nullptr;
    if (count < capacity) {
      e = &entries[count++];
    } else {
      e = &entries[oldest];
      oldest = (oldest + 1) % capacity;
      _VRN_free(e->name);
    }
    *e = {_VRN_strdup(name), rank, hash};
  }
  static void release(void* block) {
    auto* a = static_cast<last_answer*>(block);
    if (a == nullptr) return;
    for (unsigned i = 0; i < a->count; ++i) _VRN_free(a->entries[i].name);
    delete a;
  }
};
std::mutex last_answer_mutex;

// The normal form of a key-type name (_cache_key_type), freed with the
// object; null for a null name. Every dv_qem::dv_char_array<N> is the one "dv_char_array" key type.
class normal_name {
 public:
  explicit normal_name(const char* name)
      : text_(_cache_key_type(is_char_array(name) ? _Coll_char_array_key_name : name)) {}
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

// The records in a transient _Chash<char*,void*> keyed by the records'
// names, one record per name. Lookups take the reader side of the lock,
// registrations the writer side (taken last, never held while calling out).
class _Function_cache::registry {
 public:
  registry()
      : records_(*_Coll_construct<_Chash<char*, void*>>(
            _Coll_placement::in(dv_database::get_transient_database()),
            _Chash<char*, void*>::get_dv_typespec(), 100u, 0xC00u)) {}
  ~registry() {
    // Every record goes with the dictionary.
    std::vector<_Function_cache_record*> all;
    dv_dictionary_cursor& c = records_.__iteration_start(0);
    void* v = nullptr;
    for (int more = records_.__first(c, v); more; more = records_.__next(c, v))
      all.push_back(static_cast<_Function_cache_record*>(v));
    records_.__iteration_end(c);
    delete &records_;
    for (_Function_cache_record* r : all) delete r;
  }
  registry(const registry&) = delete;
  registry& operator=(const registry&) = delete;

  // Runs change on name's record under the write lock, making the record
  // first when create is set; an unknown name without create, or a null
  // name, changes nothing.
  template <class Change>
  void update(const char* name, bool create, Change change) {
    normal_name key(name);
    if (key.get() == nullptr) return;
    std::unique_lock lock(mutex_);
    _Function_cache_record* record = find_locked(key.get());
    if (record == nullptr) {
      if (!create) return;
      auto made = std::make_unique<_Function_cache_record>(key.get());
      records_.__insert(made.get(), made.get(), nullptr, nullptr, 0u);
      record = made.release();
    }
    change(*record);
    if (on_change_) on_change_();
  }

  // Run under the write lock after every change (clears remembered answers).
  void set_on_change(std::function<void()> f) { on_change_ = std::move(f); }

  // Runs read on name's record under the read lock; false when name has none.
  template <class Read>
  bool find(const char* name, Read read) const {
    normal_name key(name);
    if (key.get() == nullptr) return false;
    std::shared_lock lock(mutex_);
    const _Function_cache_record* record = find_locked(key.get());
    if (record == nullptr) return false;
    read(*record);
    return true;
  }

  // Every record, for copies of the cache.
  template <class Visit>
  void each(Visit visit) const {
    std::shared_lock lock(mutex_);
    dv_dictionary_cursor& c = records_.__iteration_start(0);
    void* v = nullptr;
    for (int more = records_.__first(c, v); more; more = records_.__next(c, v))
      visit(*static_cast<const _Function_cache_record*>(v));
    records_.__iteration_end(c);
  }

 private:
  _Function_cache_record* find_locked(const char* key) const {
    unsigned found = 0;
    return static_cast<_Function_cache_record*>(records_.__pick(0, &key, found));
  }

  _Chash<char*, void*>& records_;
  mutable std::shared_mutex mutex_;
  std::function<void()> on_change_;
};

_Function_cache::_Function_cache() : registry_(new registry) {
  registry_->set_on_change([this] { clear_cache(); });
  for (const builtin_key_type& b : kBuiltins) insert(b.name, b.rank, b.hash);
}

_Function_cache::_Function_cache(const _Function_cache& other) : registry_(new registry) {
  registry_->set_on_change([this] { clear_cache(); });
  *this = other;
}

_Function_cache& _Function_cache::operator=(const _Function_cache& other) {
  if (this == &other) return *this;
  other.registry_->each([&](const _Function_cache_record& r) {
    registry_->update(r.name, true, [&](_Function_cache_record& mine) {
      mine.rank = r.rank;
      mine.hash = r.hash;
      mine.assign = r.assign;
    });
  });
  return *this;
}

_Function_cache::~_Function_cache() {
  clear_cache();
  delete registry_;
}

void _Function_cache::clear_cache() {
  std::lock_guard lock(last_answer_mutex);
  last_answer::release(block_);
  block_ = nullptr;
}

_Function_cache* _Coll_make_function_cache() {
  if (_Function_cache* made = published.load(std::memory_order_acquire)) return made;
  auto* made = new _Function_cache;
  _Mapping_fcn_cache = made;
  published.store(made, std::memory_order_release);
  return made;
}

void _Coll_retire_function_cache() {
  published.store(nullptr, std::memory_order_release);
  delete _Mapping_fcn_cache;
  _Mapping_fcn_cache = nullptr;
}

_Function_cache& _Coll_function_cache() {
  if (_Function_cache* made = published.load(std::memory_order_acquire)) return *made;
  dv_collection::initialize();
  if (_Function_cache* made = published.load(std::memory_order_acquire)) return *made;
  // No session to initialise with: the cache is made here, under the locks
  // its registrations take, in their order.
  _VRN_session_lock session;
  _VRN_thread_lock thread;
  return *_Coll_make_function_cache();
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
  if (name != nullptr) {
    std::lock_guard lock(last_answer_mutex);
    if (const auto* a = static_cast<const last_answer*>(block_)) {
      if (const last_answer::entry* e = a->find(name)) {
        rank = e->rank;
        hash = e->hash;
        return;
      }
    }
  }
  // The answer is remembered under the registry's read lock, so no
  // registration (which clears it under the write lock) can come between.
  const bool registered = registry_->find(name, [&](const _Function_cache_record& r) {
    rank = r.rank;
    hash = r.hash;
    if (name == nullptr) return;
    std::lock_guard lock(last_answer_mutex);
    if (block_ == nullptr) block_ = new last_answer;
    static_cast<last_answer*>(block_)->remember(name, rank, hash);
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
