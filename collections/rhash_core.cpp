// The extendible hash's shape and life: sizing the directory for an expected
// count, the standard table size and its growth, the stored key-type name,
// copies with storage of their own, re-initialisation and destruction.
#include <cstddef>
#include <cstring>

#include "coll_raise.h"
#include "coll_messages.h"
#include "dv_hash_size.h"
#include "dv_new.h"
#include "dv_platform.h"
#include "dv_rhash.h"
#include "dv_typespec.h"
#include "key_type_map.h"

DV_DEFINE_TYPESPEC(dv_qem::_RH_HashTable, "dv_qem::_RH_HashTable", DV_POINTERS(16, 20), DV_NO_VTABLES);

namespace dv_qem {

// The stored offsets of the hash object (GCC lays a class with a virtual
// table out as a plain structure after the table pointer).
struct _Rhash_layout {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  static_assert(offsetof(_Rhash, dir_size_) == 4);
  static_assert(offsetof(_Rhash, depth_) == 8);
  static_assert(offsetof(_Rhash, std_size_) == 10);
  static_assert(offsetof(_Rhash, slot_size_) == 12);
  static_assert(offsetof(_Rhash, key_size_) == 14);
  static_assert(offsetof(_Rhash, flags_) == 16);
  static_assert(offsetof(_Rhash, count_table_) == 20);
  static_assert(offsetof(_Rhash, directory_) == 24);
  static_assert(offsetof(_Rhash, key_type_) == 28);
  static_assert(offsetof(_Rhash, indexes_) == 32);
#pragma GCC diagnostic pop
};

dv_typespec* _RH_HashTable::get_dv_typespec() { return &dv_ts<_RH_HashTable>::the_instance; }

namespace {

unsigned bit_length(unsigned k) {
  unsigned bits = 0;
  for (; k != 0; k >>= 1) ++bits;
  return bits;
}

}  // namespace

_Rhash::_Rhash(const char* key_type, unsigned slot_size, unsigned key_size, unsigned expected, unsigned flags)
    : flags_(flags) {
  initialize(expected, slot_size, key_size, key_type);
}

_Rhash::_Rhash(unsigned expected, unsigned flags) : flags_(flags) { initialize(expected, 4, 4, "void*"); }

_Rhash::_Rhash() = default;

_Rhash::_Rhash(const _Rhash& other) : dv_dictionary(other) { copy_shape(other); }

_Rhash& _Rhash::operator=(const _Rhash& other) {
  if (this == &other) return *this;
  // The entries are copied here, with their keys, instead of through the
  // collection assignment of the dictionary part (which has no keys to give);
  // this hash keeps its own slot layout.
  remove_index();
  char* old_name = key_type_;
  dv4u keep = flags_ & ~dv4u{has_cluster_bit};
  initialize(other._cardinality(), slot_size_, key_size_, old_name != nullptr ? old_name : "void*");
  flags_ = keep;
  ::operator delete(old_name);
  copy_entries_from(other);
  return *this;
}

void _Rhash::copy_shape(const _Rhash& other) {
  flags_ = other.flags_ & ~dv4u{has_cluster_bit};
  indexes_ = nullptr;
  if (other.directory_.resolve() == nullptr) return;  // a hash made empty by its default constructor
  initialize(other._cardinality(), other.slot_size_, other.key_size_, other.key_type_);
}

_Rhash::~_Rhash() {
  ::operator delete(key_type_);
  key_type_ = nullptr;
}

void _Rhash::initialize(unsigned expected, unsigned slot_size, unsigned key_size, const char* key_type) {
  char* normal = _normalize_key_type(key_type != nullptr ? key_type : "void*");
  std::size_t length = std::strlen(normal);
  auto* name = static_cast<char*>(::operator new(length + 3, dv_cluster::with(this), dv_typespec::get_char(),
                                                 static_cast<unsigned>(length + 3)));
  std::memcpy(name, normal, length + 1);
  _VRN_free(normal);
  key_type_ = name;
  key_size_ = static_cast<dv2u>(key_size);
  slot_size_ = static_cast<dv2u>(slot_size);
  indexes_ = nullptr;

  unsigned tables_needed = expected / (page_bytes / slot_size) + 1;
  if (tables_needed == 1) {
    depth_ = 0;
    dir_size_ = 1;
    std_size_ = static_cast<dv2u>(expected);
  } else {
    unsigned m = max_keys(calculate_n_slots());
    unsigned k = (expected / m + 1) >> 1;
    depth_ = static_cast<dv2u>(1 + (k == 0 ? 1 : bit_length(k)));
    dir_size_ = 1u << depth_;
  }
  set_n_slots(0);
  count_table_ = no_count_table;
  flags_ &= ~dv4u{has_cluster_bit};
  directory_ = allocate_directory(dir_size_);
}

unsigned _Rhash::calculate_n_slots() const {
  const unsigned budget = 4068;
  unsigned s = _Recommended_hash_size(budget / slot_size_, slot_size_, budget);
  if (keeps_overflow()) {
    unsigned b = 4064 - ((budget / slot_size_) >> 5) * 4;
    if (s * slot_size_ > b) s = _Recommended_hash_size(b / slot_size_, slot_size_, b);
  }
  return s;
}

unsigned _Rhash::max_table_size(unsigned n) const {
  return n * slot_size_ + sizeof(_RH_HashTable) + bitmap_size(n) * 4;
}

void _Rhash::set_n_slots(unsigned n) {
  if (n != 0) {
    std_size_ = static_cast<dv2u>(n);
    return;
  }
  if (dir_size_ != 1) {
    std_size_ = static_cast<dv2u>(calculate_n_slots());
    return;
  }
  dv2u size = std_size_;
  if (size < 11) {
    std_size_ = 11;
    return;
  }
  size = static_cast<dv2u>(size + size / 4);
  if (max_table_size(size) < page_bytes + 1)
    std_size_ = static_cast<dv2u>(_Recommended_hash_size(size, slot_size_, size * slot_size_));
  else
    std_size_ = static_cast<dv2u>(calculate_n_slots());
}

unsigned _Rhash::re_hash(unsigned h) const { return (use_user_hash_fnc() ? h * 9987001u : h) << 8; }

void _Rhash::_re_initialize(unsigned expected) {
  if (_cardinality() != 0) return;
  remove_index();
  char* old_name = key_type_;
  initialize(expected, slot_size_, key_size_, old_name);
  ::operator delete(old_name);
}

void _Rhash::remove_index() {
  _RH_HashTable** dir = directory();
  if (dir == nullptr) return;
  _RH_HashTable* last = nullptr;
  for (unsigned t = 0; t < dir_size_; ++t) {
    _RH_HashTable* table = dir[t];
    if (table == nullptr || table == last) continue;
    last = table;
    if (keeps_overflow())
      for (unsigned i = 0; i < table->n_slots; ++i)
        if (has_overflow(t, i)) slot_reclaim_oflo(table->slot(i, slot_size_), 1);
    destroy_HashTable(table);
  }
  ::operator delete(dir);
  directory_ = nullptr;
  dir_size_ = 0;
  count_table_ = no_count_table;
}

void _Rhash::destroy_index() {
  if (indexes_ != nullptr && directory() != nullptr && _has_keys()) {
    // Every element leaves the attached indexes before the tables go.
    _Rhash_cursor walk(*this, _Rhash_cursor::leave_unpositioned);
    void* e = nullptr;
    for (int more = position_first(walk, e); more; more = step_forward(walk, e)) maintain_index_remove_for_sure(e);
  }
  indexes_ = nullptr;
  remove_index();
}

void _Rhash::_set_allow_dup(unsigned) {
  if (!allow_dup()) dv_coll_raise<coll_msg::slot_type_without_duplicates>();
}

unsigned _Rhash::_get_behavior() const {
  return (allow_dup() ? 2u : 0u) | (untransformed() ? 0x8000u : 0u);
}

void _Rhash::_set_untransformed(int) { throw dv_err_not_supported("%s", "_Rhash::_set_untransformed"); }
void _Rhash::evolve_rep() { throw dv_err_not_supported("%s", "_Rhash::evolve_rep"); }

}  // namespace dv_qem
