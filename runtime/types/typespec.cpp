// dv_basic_typespec: registration, virtual-table discovery, relocation of one
// object's pointers and virtual-table pointers, and the illegal-pointer
// report.
#include <cstdint>
#include <cstring>
#include <vector>

#include "classname.h"
#include "db_format.h"
#include "dv_assertions.h"
#include "dv_err.h"
#include "dv_locks.h"
#include "dv_platform.h"
#include "dv_typespec.h"
#include "relocation_window.h"
#include "address_word.h"
#include "db_space.h"
#include "type_registry.h"

namespace dv_qem {

namespace {

constexpr dv4s kEndOfPointers = -1;

// Marks a pair whose virtual-table address is not learnt yet (non-zero, so
// the list stays closed by the zero pair).
constexpr dv4s kUnlearntVtable = -1;

// The (offset, virtual-table address) pairs of an offset list: behind the -1.
dv4s* pairs_of(dv4s* offsets) {
  dv4s* entry = offsets;
  while (*entry != kEndOfPointers) ++entry;
  return entry + 1;
}

// Number of entries of an offset list up to and including its closing pair.
size_t offset_list_length(dv4s* offsets) {
  dv4s* pair = pairs_of(offsets);
  while (pair[1] != 0) pair += 2;
  return static_cast<size_t>(pair + 2 - offsets);
}

// End of the database image that holds address (its header's size field).
const char* image_end_of(const _DB_space* db) {
  const auto* header = reinterpret_cast<const _DB_header_super*>(db->space_start());
  return db->space_start() + header->db_size;
}

}  // namespace

dv_basic_typespec::dv_basic_typespec(const char* name, dv4u size,
                                     std::initializer_list<dv4s> pointer_offsets,
                                     std::initializer_list<dv4s> vtable_offsets, probe_fn probe)
    : dv_typespec(name), size_(size), probe_(probe) {
  size_t n = pointer_offsets.size() + 1 + 2 * vtable_offsets.size() + 2;
  offsets_ = static_cast<dv4s*>(_VRN_allocate(n * sizeof(dv4s)));
  dv4s* out = offsets_;
  for (dv4s offset : pointer_offsets) *out++ = offset;
  *out++ = kEndOfPointers;
  for (dv4s offset : vtable_offsets) {
    *out++ = offset;
    *out++ = kUnlearntVtable;
  }
  *out++ = 0;
  *out++ = 0;
  has_pointers_ = (pointer_offsets.size() + vtable_offsets.size()) != 0 ? 1 : 0;
  try {
    initialize();
  } catch (...) {
    _VRN_free(offsets_);  // a refused registration keeps nothing
    throw;
  }
}

dv_basic_typespec::dv_basic_typespec(const char* name, dv4u size, dv_unknown_layout_t)
    : dv_basic_typespec(name, size, {}, {}, nullptr) {
  unknown_layout_ = true;
}

dv_basic_typespec::dv_basic_typespec(const dv_basic_typespec* ts, dv4u count)
    : dv_typespec(nullptr), has_pointers_(ts->has_pointers_), size_(ts->size_), probe_(ts->probe_) {
  unknown_layout_ = ts->unknown_layout_;
  size_t length = offset_list_length(ts->offsets_);
  if (count < length)
    throw dv_err_internal("A copy of the typespec %s needs room for %u offset entries, not %u",
                          ts->get_name(), static_cast<unsigned>(length), count);
  set_name(ts->get_name());
  offsets_ = static_cast<dv4s*>(_VRN_allocate(count * sizeof(dv4s)));
  std::memcpy(offsets_, ts->offsets_, length * sizeof(dv4s));
  std::memset(offsets_ + length, 0, (count - length) * sizeof(dv4s));
}

dv_basic_typespec::~dv_basic_typespec() {
  _Type_registry::dereg_type(this);
  _VRN_free(offsets_);
}

void dv_basic_typespec::initialize() {
  if (_Type_registry::is_registered(this)) return;
  fixup_pointers(pairs_of(offsets_));
  _Type_registry::reg_type(this);
}

void dv_basic_typespec::initialize_nvt() {
  if (_Type_registry::lookup_type(get_name()) == nullptr) initialize();
}

void dv_basic_typespec::fixup_pointers(dv4s* pairs) {
  if (pairs[1] == 0) return;
  if (probe_ == nullptr) {
    // Only a polymorphic class offers the dv_probe_t constructor through
    // which the addresses are learnt: a class whose members have virtual
    // functions (a many-valued relationship member, a collection) while it
    // has none cannot describe them. Said here, at registration, where it is
    // often too early for anyone to catch it.
    dv_err_internal refusal(
        "The typespec of %s lists virtual-table pointers, but the class has no virtual function: give it a "
        "virtual function (a virtual destructor) and a constructor taking dv_probe_t that constructs its members "
        "with dv_probe",
        get_name());
    refusal.print();
    throw refusal;
  }
  std::vector<std::max_align_t> scratch(size_ / sizeof(std::max_align_t) + 1);
  probe_(scratch.data());
  const char* instance = reinterpret_cast<const char*>(scratch.data());
  for (dv4s* pair = pairs; pair[1] != 0; pair += 2) {
    dv4s vtable;
    std::memcpy(&vtable, instance + pair[0], sizeof vtable);
    DV_ASSERT(vtable != 0);
    pair[1] = vtable;
  }
}

void dv_basic_typespec::do_relocation(void* object, int delta) {
  run_fetch_hook(0, object, delta);
  relo_ptr_and_vtbl(object, delta, offsets_, this, 0);
  run_fetch_hook(1, object, delta);
}

bool dv_basic_typespec::relocates_at_zero_delta() const {
  if (has_fetch_hooks()) return true;
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

void dv_typespec::_set_fetch_hook(int kind, dv_fetch_hook hook, void* data) {
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

void dv_typespec::_unset_fetch_hook(int kind) {
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

int dv_basic_typespec::relo_ptr_and_vtbl(void* object, int delta, const dv4s* offsets,
                                         const dv_typespec* ts, int validating) {
  char* base = static_cast<char*>(object);
  // validate_ptr reports nothing unless validating or checking is on.
  const bool checking = validating || _DB_checking_illegal_pointers();
  int refused = 0;
  const dv4s* entry = offsets;
  for (; *entry != kEndOfPointers; ++entry) {
    char** field = reinterpret_cast<char**>(base + *entry);
    char* value = *field;
    // Only a pointer into the stored range moves (relocation_window.h).
    if (value != nullptr && _DB_relocation_window::moves(value)) value += delta;
    if (!validating) *field = value;
    if (checking && validate_ptr(ts, object, *entry, value, 0, validating) == 0) ++refused;
  }
  for (++entry; entry[1] != 0; entry += 2) {
    void* vtable = reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<dv4u>(entry[1])));
    if (!validating) std::memcpy(base + entry[0], &vtable, sizeof vtable);
    if (checking && validate_ptr(ts, object, entry[0], vtable, 1, validating) == 0) ++refused;
  }
  return refused;
}

int dv_basic_typespec::validate_ptr(const dv_typespec* ts, const void* object, int offset,
                                    const void* value, int is_vtable, int validating) {
  if (!validating && !_DB_checking_illegal_pointers()) return 1;
  if (value == nullptr && !is_vtable) return 1;
  const _DB_space* db = _DB_space_holding(object);
  if (db == nullptr) DV_ASSERTION_FAILED(db);

  const char* kind = nullptr;
  if (is_vtable) {
    if (value == nullptr) {
      kind = "NULL vtbl";
    } else if (_DB_in_region(value)) {
      kind = "persistent vtbl";
    }
  } else if (!_DB_in_region(value)) {
    kind = "transient";
  } else {
    const _DB_space* target = _DB_space_holding(value);
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
  // Transient values and pointers into other databases are carried as they
  // are (a small integer in a pointer field is one); they are reported only.
  const bool carried = !is_vtable && (std::strcmp(kind, "transient") == 0 || std::strcmp(kind, "cross db") == 0);
  return carried ? 1 : 0;
}

void dv_typespec::run_fetch_hook(int kind, void* object, int delta) const {
  if (hooks_ == nullptr) return;
  dv_fetch_hook hook = kind == 0 ? hooks_->before : hooks_->after;
  if (hook != nullptr) hook(object, delta, kind == 0 ? hooks_->before_data : hooks_->after_data);
}

dv_typespec::~dv_typespec() {
  if (owns_name_) _VRN_free(const_cast<char*>(name_));
  delete hooks_;
}

dv_typespec* dv_typespec::get_typespec(const char* name) {
  if (name == nullptr) return nullptr;
  char normal[_VRN_MAX_PATH];
  _VRN_normalize_classname(normal, name, sizeof normal);
  // Registered typespecs are the classes' own (non-const) descriptors.
  return const_cast<dv_typespec*>(_Type_registry::lookup_type(normal));
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
