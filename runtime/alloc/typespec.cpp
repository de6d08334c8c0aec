// dv_basic_typespec: registration, virtual-table discovery, relocation of one
// object's pointers and virtual-table pointers, and the illegal-pointer
// report.
#include <cstdint>
#include <cstring>
#include <vector>

#include "classname.h"
#include "db_format.h"
#include "dv_err.h"
#include "dv_locks.h"
#include "dv_platform.h"
#include "dv_typespec.h"
#include "dvdb.h"
#include "runtime_state.h"

namespace dv_qem {

namespace {

constexpr dv4s kEndOfPointers = -1;

unsigned word_of(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

// Reads the virtual-table pointer words of a scratch instance built by probe.
std::vector<dv4s> learn_vtables(dv_basic_typespec::probe_fn probe, dv4u size,
                                std::initializer_list<dv4s> vtable_offsets) {
  std::vector<dv4s> addresses;
  if (vtable_offsets.size() == 0) return addresses;
  DV_ASSERT(probe != nullptr);
  std::vector<std::max_align_t> scratch(size / sizeof(std::max_align_t) + 1);
  probe(scratch.data());
  const char* object = reinterpret_cast<const char*>(scratch.data());
  for (dv4s offset : vtable_offsets) {
    dv4s vtable;
    std::memcpy(&vtable, object + offset, sizeof vtable);
    DV_ASSERT(vtable != 0);
    addresses.push_back(vtable);
  }
  return addresses;
}

// End of the database image that holds address (its header's size field).
const char* image_end_of(const DVDB* db) {
  const auto* header = reinterpret_cast<const _DB_header_super*>(db->as_start);
  return db->as_start + header->db_size;
}

}  // namespace

dv_basic_typespec::dv_basic_typespec(const char* name, dv4u size,
                                     std::initializer_list<dv4s> pointer_offsets,
                                     std::initializer_list<dv4s> vtable_offsets, probe_fn probe)
    : dv_typespec(name), size_(size) {
  std::vector<dv4s> vtables = learn_vtables(probe, size, vtable_offsets);
  size_t n = pointer_offsets.size() + 1 + 2 * vtable_offsets.size() + 2;
  offsets_ = static_cast<dv4s*>(_VRN_allocate(n * sizeof(dv4s)));
  dv4s* out = offsets_;
  for (dv4s offset : pointer_offsets) *out++ = offset;
  *out++ = kEndOfPointers;
  size_t i = 0;
  for (dv4s offset : vtable_offsets) {
    *out++ = offset;
    *out++ = vtables[i++];
  }
  *out++ = 0;
  *out++ = 0;
  has_pointers_ = (pointer_offsets.size() + vtable_offsets.size()) != 0 ? 1 : 0;
  _DV_int::reg_type(this);
}

dv_basic_typespec::~dv_basic_typespec() {
  _DV_int::dereg_type(this);
  _VRN_free(offsets_);
  delete hooks_;
}

void dv_basic_typespec::do_relocation(void* object, int delta) {
  if (hooks_ != nullptr && hooks_->before != nullptr) hooks_->before(object, delta, hooks_->before_data);
  relo_ptr_and_vtbl(object, delta, offsets_, this, 0);
  if (hooks_ != nullptr && hooks_->after != nullptr) hooks_->after(object, delta, hooks_->after_data);
}

bool dv_basic_typespec::relocates_at_zero_delta() const {
  if (hooks_ != nullptr) return true;
  const dv4s* entry = offsets_;
  while (*entry != kEndOfPointers) ++entry;
  return entry[2] != 0;  // the address of the first pair
}

void dv_basic_typespec::do_relocation(void* object, dv_address_map* map) {
  char* base = static_cast<char*>(object);
  for (const dv4s* offset = offsets_; *offset != kEndOfPointers; ++offset) {
    void** field = reinterpret_cast<void**>(base + *offset);
    void* moved = map->lookup(*field);
    if (moved == reinterpret_cast<void*>(-1)) {
      *field = nullptr;
    } else if (moved != nullptr) {
      *field = moved;
    }
  }
}

void dv_basic_typespec::_set_fetch_hook(int kind, dv_fetch_hook hook, void* data) {
  if (kind != 0 && kind != 1) throw dv_err_relocation("Illegal hook type %d in set_fetch_hook().", kind);
  if (hooks_ == nullptr) hooks_ = new dv_relocation_hooks;
  if (kind == 0) {
    hooks_->before = hook;
    hooks_->before_data = data;
  } else {
    hooks_->after = hook;
    hooks_->after_data = data;
  }
}

void dv_basic_typespec::_unset_fetch_hook(int kind) {
  if (kind != 0 && kind != 1) throw dv_err_relocation("Illegal hook type %d in unset_fetch_hook().", kind);
  if (hooks_ == nullptr) return;
  if (kind == 0) {
    hooks_->before = nullptr;
    hooks_->before_data = nullptr;
  } else {
    hooks_->after = nullptr;
    hooks_->after_data = nullptr;
  }
  if (hooks_->before == nullptr && hooks_->after == nullptr) {
    delete hooks_;
    hooks_ = nullptr;
  }
}

void dv_basic_typespec::relo_ptr_and_vtbl(void* object, int delta, const dv4s* offsets,
                                          const dv_typespec* ts, int validating) {
  char* base = static_cast<char*>(object);
  // validate_ptr reports nothing unless validating or checking is on.
  const bool checking = validating || _DV_int::get_check_illegal_pointers();
  const dv4s* entry = offsets;
  for (; *entry != kEndOfPointers; ++entry) {
    char** field = reinterpret_cast<char**>(base + *entry);
    char* value = *field;
    if (value != nullptr) value += delta;
    if (!validating) *field = value;
    if (checking) validate_ptr(ts, object, *entry, value, 0, validating);
  }
  for (++entry; entry[1] != 0; entry += 2) {
    void* vtable = reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<dv4u>(entry[1])));
    if (!validating) std::memcpy(base + entry[0], &vtable, sizeof vtable);
    if (checking) validate_ptr(ts, object, entry[0], vtable, 1, validating);
  }
}

int dv_basic_typespec::validate_ptr(const dv_typespec* ts, const void* object, int offset,
                                    const void* value, int is_vtable, int validating) {
  if (!validating && !_DV_int::get_check_illegal_pointers()) return 1;
  if (value == nullptr && !is_vtable) return 1;
  const DVDB* db = _DV_int::lookup_DVDB_by_address(object);
  if (db == nullptr) _VRN_assertion_violation("db", __FILE__, __LINE__);

  const char* kind = nullptr;
  if (is_vtable) {
    if (value == nullptr) {
      kind = "NULL vtbl";
    } else if (_DV_int::is_persistent(value)) {
      kind = "persistent vtbl";
    }
  } else if (!_DV_int::is_persistent(value)) {
    kind = "transient";
  } else {
    const DVDB* target = _DV_int::lookup_DVDB_by_address(value);
    if (target == db && static_cast<const char*>(value) >= image_end_of(db)) {
      kind = "beyond end of db";
    } else if (target != db) {
      kind = "cross db";
    }
  }
  if (kind == nullptr) return 1;
  std::fprintf(stderr, "illegal %s ptr 0x%x found %sat 0x%x:%d in %s\n", kind, word_of(value),
               validating ? "" : "during relocation ", word_of(object), offset,
               ts != nullptr && ts->get_name() != nullptr ? ts->get_name() : "<unknown>");
  return 0;
}

dv_typespec::~dv_typespec() {
  if (owns_name_) _VRN_free(const_cast<char*>(name_));
}

dv_typespec* dv_typespec::get_typespec(const char* name) {
  if (name == nullptr) return nullptr;
  char normal[_VRN_MAX_PATH];
  _VRN_normalize_classname(normal, name, sizeof normal);
  // Registered typespecs are the classes' own (non-const) descriptors.
  return const_cast<dv_typespec*>(_DV_int::lookup_type(normal));
}

void dv_typespec::set_name(const char* name) {
  char* copy = _VRN_strdup(name);
  if (owns_name_) _VRN_free(const_cast<char*>(name_));
  name_ = copy;
  owns_name_ = true;
}

void dv_typespec::get_vector_padding_size(const dv_database*) {
  throw dv_err_not_supported("dv_typespec::get_vector_padding_size()");
}

void dv_typespec::_se_not_supp() {
  throw dv_err_not_supported(
      "Schema evolution is not supported when using old-style relocation constructors.");
}

void _Reloc_missing_virtual_function() {
  throw dv_err_not_supported("_Reloc_missing_virtual_function()");
}

}  // namespace dv_qem
