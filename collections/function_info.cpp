// Function descriptions and their registry: name copies near the record,
// the rank and hash by class and member name, and the map that the first
// lookup makes from the records registered until then.
#include "dv_function_info.h"

#include <cstring>
#include <new>

#include "dv_coll_key_functions.h"
#include "dv_database.h"
#include "dv_dictionary.h"
#include "dv_function_cache.h"
#include "dv_locks.h"
#include "dv_new.h"
#include "dv_typespec.h"

DV_DEFINE_TYPESPEC(dv_qem::dv_function_info, "dv_qem::dv_function_info", DV_POINTERS(4, 8, 12), DV_VTABLES(0));

namespace dv_qem {

// The stored record: vtable pointer, the three name pointers, size, offset, flags.
static_assert(sizeof(dv_function_info) == 28, "dv_function_info is stored as seven 32-bit words");

namespace {

constexpr const char kKeyType[] = "dv_function_info";

// Rank of two names: unsigned bytes up to the first difference.
int rank_names(const char* a, const char* b) {
  const int c = std::strcmp(a != nullptr ? a : "", b != nullptr ? b : "");
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

dv4u fold(dv4u h, const char* text) {
  for (const char* p = text; p != nullptr && *p != '\0'; ++p)
    h = (static_cast<dv4u>(static_cast<signed char>(*p)) ^ h) * 17u;
  return h;
}

}  // namespace

struct dv_function_map::pending {
  pending* next;
  dv_function_info* record;
};

dv_dictionary* dv_function_map::_map = nullptr;
dv_function_map::pending* dv_function_map::fihold = nullptr;

dv_typespec* dv_function_info::get_dv_typespec() { return &dv_ts<dv_function_info>::the_instance; }

char* dv_function_info::copy_name(const char* name) const {
  if (name == nullptr) return nullptr;
  const unsigned size = static_cast<unsigned>(std::strlen(name)) + 1;
  auto* copy = static_cast<char*>(::operator new(size, dv_cluster::with(this), dv_typespec::get_char(), size));
  std::memcpy(copy, name, size);
  return copy;
}

void dv_function_info::take_names(const dv_function_info& other) {
  class_name_ = copy_name(other.class_name_);
  member_name_ = copy_name(other.member_name_);
  return_type_ = copy_name(other.return_type_);
  return_size_ = other.return_size_;
  backptr_offset_ = other.backptr_offset_;
  flags_ = other.flags_;
}

void dv_function_info::free_names() {
  ::operator delete(class_name_);
  ::operator delete(member_name_);
  ::operator delete(return_type_);
  class_name_ = member_name_ = return_type_ = nullptr;
}

dv_function_info::dv_function_info(const char* class_name, const char* member_name, const char* return_type,
                                   unsigned return_size, int backptr_offset, int f1, int f2, int register_it)
    : class_name_(copy_name(class_name)),
      member_name_(copy_name(member_name)),
      return_type_(copy_name(return_type)),
      return_size_(return_size),
      backptr_offset_(backptr_offset),
      flags_(static_cast<dv4u>(f2 | f1)) {
  if (register_it != 0) dv_function_map::insert_item(this);
}

dv_function_info::dv_function_info(const char* class_name, const char* member_name)
    : class_name_(copy_name(class_name)),
      member_name_(copy_name(member_name)),
      return_type_(copy_name("void")),
      backptr_offset_(0) {}

dv_function_info::dv_function_info(const dv_function_info& other) { take_names(other); }

dv_function_info& dv_function_info::operator=(const dv_function_info& other) {
  if (this == &other) return *this;
  free_names();
  take_names(other);
  return *this;
}

dv_function_info::~dv_function_info() {
  dv_function_map::remove_item(this);
  free_names();
}

void* dv_function_info::get_dv_backptr(void* obj) const {
  return backptr_offset_ < 0 ? nullptr : static_cast<char*>(obj) + backptr_offset_;
}

void dv_function_info::get_value(void*, void*) const {}

void* dv_function_info::copy(void*) const { return nullptr; }

int dv_function_info::_rank(const void* a, const void* b) {
  const auto* x = static_cast<const dv_function_info*>(a);
  const auto* y = static_cast<const dv_function_info*>(b);
  const int by_class = rank_names(x->class_name_, y->class_name_);
  return by_class != 0 ? by_class : rank_names(x->member_name_, y->member_name_);
}

unsigned dv_function_info::_hash(const void* key) {
  const auto* x = static_cast<const dv_function_info*>(key);
  return fold(fold(_Coll_fold_seed, x->class_name_), x->member_name_);
}

void dv_function_map::insert_item(dv_function_info* info) {
  if (info == nullptr) return;
  _VRN_session_lock session;
  if (_map != nullptr) {
    int found = 0;
    _map->__insert(info, info, nullptr, nullptr, found);
    return;
  }
  fihold = new pending{fihold, info};
}

void dv_function_map::remove_item(const dv_function_info* info) {
  _VRN_session_lock session;
  for (pending** p = &fihold; *p != nullptr; p = &(*p)->next)
    if ((*p)->record == info) {
      pending* gone = *p;
      *p = gone->next;
      delete gone;
      return;
    }
  if (_map == nullptr) return;
  // Only the record registered under info's names goes, and only when it is
  // info itself (a lookup record with the same names is not registered).
  unsigned found = 0;
  if (_map->__pick(0, info, found) == info) _map->__remove(info, info, nullptr);
}

dv_function_info* dv_function_map::find_item(const char* class_name, const char* member_name) {
  _VRN_session_lock session;
  if (_map == nullptr && fihold == nullptr) return nullptr;
  if (_map == nullptr) {
    _Coll_function_cache().insert(kKeyType, &dv_function_info::_rank, &dv_function_info::_hash);
    // A transient hash keyed by the records themselves (behaviour 10: one
    // record per name, keys pointed at, not copied).
    static const char transient_anchor = 0;
    _map = dv_dictionary::create(&transient_anchor, _Coll_cluster_near, kKeyType, 4, 1, 100, 10, 0, nullptr);
    while (fihold != nullptr) {
      pending* p = fihold;
      fihold = p->next;
      int found = 0;
      _map->__insert(p->record, p->record, nullptr, nullptr, found);
      delete p;
    }
  }
  const dv_function_info probe(class_name, member_name);
  unsigned count = 0;
  void* found = _map->__pick(0, &probe, count);
  return count > 0 ? static_cast<dv_function_info*>(found) : nullptr;
}

}  // namespace dv_qem
