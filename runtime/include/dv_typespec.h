// Type descriptors of persistent classes: name, size, and where the pointers
// and virtual-table pointers of an object lie. Relocation of stored objects
// is driven by them; each database stores a 16-bit tag per object that leads
// back to a typespec by name.
//
// A persistent class is described once, in one source file:
//   DV_DEFINE_TYPESPEC(Product, "Product",
//                      DV_POINTERS(offsetof(Product, dept)), DV_VTABLES(0));
// and declared where it is used with DV_DECLARE_TYPESPEC(Product). The
// descriptor is dv_ts<Product>::the_instance; it registers itself during
// static initialisation and deregisters at exit.
//
// A class with virtual functions needs a constructor taking dv_probe_t that
// touches no member: the descriptor builds a scratch instance with it to learn
// the class's virtual-table addresses, which it writes into every object read
// from a file (they change from run to run). The addresses are learnt when
// the descriptor is initialised, before it is registered.
#pragma once

#include <initializer_list>
#include <new>
#include <type_traits>

#include "dv_types.h"

namespace dv_qem {

class dv_database;

// Maps old object addresses to new ones (object moves); see dv_database.
class dv_address_map {
 public:
  virtual ~dv_address_map() = default;
  // The new address of old, (void*)-1 for "becomes null", or null when the
  // map does not know old.
  virtual void* lookup(const void* old) const = 0;
};

using dv_fetch_hook = void (*)(void* object, int delta, void* data);

// Relocation hooks of one typespec, run before and after its pointers are
// relocated.
struct dv_relocation_hooks {
  dv_fetch_hook before = nullptr;
  void* before_data = nullptr;
  dv_fetch_hook after = nullptr;
  void* after_data = nullptr;
};

class dv_typespec {
 public:
  virtual ~dv_typespec();
  // Replaces each pointer member the map knows by the map's value.
  virtual void do_relocation(void* object, dv_address_map* map) = 0;
  // Adds delta to each non-null pointer member and restores vtable pointers.
  virtual void do_relocation(void* object, int delta) = 0;
  virtual unsigned get_size() const = 0;
  virtual const char* get_name() const { return name_; }
  virtual int needs_relocation() const = 0;

  // The registered typespec of a (normalised) type name, or null. Names
  // ending in '*' or '&' give the pointer typespec.
  static dv_typespec* get_typespec(const char* name);
  // The 16-bit type tag of this typespec in db (assigned on first use).
  dv2u get_tag(const dv_database* db) const;
  // Keeps a heap copy of name.
  void set_name(const char* name);
  // Relocation hooks: kind 0 runs before this type's pointers are relocated,
  // 1 after; any other kind throws dv_err_relocation. A type whose
  // needs_relocation is 0 (the built-in scalar types) is never relocated, so
  // its hooks never run.
  void _set_fetch_hook(int kind, dv_fetch_hook hook, void* data);
  void _unset_fetch_hook(int kind);
  // Whether a hook of either kind is set.
  int has_fetch_hooks() const { return hooks_ != nullptr; }
  // Whether the places of this type's stored pointers are unknown (only its
  // size is): an object of it on a page read at another address than it
  // was written at is refused with dv_err_relocation naming the type.
  bool has_unknown_layout() const { return unknown_layout_; }
  // Import stubs do not exist in ELF modules: the identity.
  static dv_typespec* get_internal(dv_typespec* ts) { return ts; }
  // The typespec of the object covering p, its element count and p's offset
  // in it; null for an address in no object of a database.
  static const dv_typespec* typespec_at(void* p, unsigned& count, unsigned& offset);

  // Built-in typespecs.
  static dv_typespec* get_char();
  static dv_typespec* get_short();
  static dv_typespec* get_int();
  static dv_typespec* get_long();
  static dv_typespec* get_float();
  static dv_typespec* get_double();
  static dv_typespec* get_signed_char();
  static dv_typespec* get_signed_short();
  static dv_typespec* get_signed_int();
  static dv_typespec* get_signed_long();
  static dv_typespec* get_unsigned_char();
  static dv_typespec* get_unsigned_short();
  static dv_typespec* get_unsigned_int();
  static dv_typespec* get_unsigned_long();
  static dv_typespec* get_pointer();
  static dv_typespec* get_long_double();  // the "double" typespec: stored as 8 bytes

  [[noreturn]] static void get_vector_padding_size(const dv_database* db);
  [[noreturn]] static void _se_not_supp();

  // Names and sizes of the built-in tags 1..23, the same in every database;
  // null name for any other tag.
  static const char* builtin_tag_name(dv2u tag);
  static dv4u builtin_tag_size(dv2u tag);

 protected:
  explicit dv_typespec(const char* name) : name_(name) {}
  dv_typespec(const dv_typespec&) = delete;
  dv_typespec& operator=(const dv_typespec&) = delete;

  // Runs the hook of kind (0 before, 1 after) when one is set.
  void run_fetch_hook(int kind, void* object, int delta) const;

  const char* name_;
  bool owns_name_ = false;
  bool unknown_layout_ = false;

 private:
  dv_relocation_hooks* hooks_ = nullptr;
};

// Body of virtual-table slots whose code is missing: throws
// dv_err_not_supported.
[[noreturn]] void _Reloc_missing_virtual_function();

// Argument of the descriptor constructor for a class whose stored size is
// all that is known of it.
struct dv_unknown_layout_t {
  explicit constexpr dv_unknown_layout_t() = default;
};
inline constexpr dv_unknown_layout_t dv_unknown_layout{};

// The descriptor of a user class (the type of every dv_ts<T>::the_instance).
class dv_basic_typespec : public dv_typespec {
 public:
  using probe_fn = void (*)(void* scratch);

  // pointer_offsets: byte offsets of the pointer members; vtable_offsets:
  // byte offsets of the virtual-table pointers, learnt through probe (null
  // for a class without virtual functions). Initialises the typespec, which
  // registers it.
  dv_basic_typespec(const char* name, dv4u size, std::initializer_list<dv4s> pointer_offsets,
                    std::initializer_list<dv4s> vtable_offsets, probe_fn probe);
  // A class of which only the stored size is known: it names no pointer and
  // no virtual table, and its objects are never moved to another address
  // (has_unknown_layout). Registers it.
  dv_basic_typespec(const char* name, dv4u size, dv_unknown_layout_t);
  // An unregistered copy of ts: a heap copy of its name, its size and
  // pointer flag, and the first count entries of its offset list (count
  // must cover the list up to its closing pair; no hooks are copied).
  dv_basic_typespec(const dv_basic_typespec* ts, dv4u count);
  ~dv_basic_typespec() override;

  // Learns the virtual-table addresses (fixup_pointers on the pairs after
  // the -1) and registers the typespec; nothing when it is registered
  // already.
  void initialize();
  // The same, but only when no typespec of this name is registered yet.
  void initialize_nvt();
  // Writes into each (offset, address) pair, up to the closing pair, the
  // address of the virtual table that an instance built by the probe holds
  // at that offset.
  void fixup_pointers(dv4s* pairs);

  void do_relocation(void* object, dv_address_map* map) override;
  void do_relocation(void* object, int delta) override;
  unsigned get_size() const override { return size_; }
  int needs_relocation() const override { return has_fetch_hooks() || has_pointers_ != 0; }
  // Whether relocating by a delta of 0 changes anything: virtual-table
  // pointers to restore or hooks to run.
  bool relocates_at_zero_delta() const;

  // Adds delta to each non-null pointer at the offsets before the -1 (within
  // a page relocation, only those into the page's stored range) and stores
  // each virtual-table address of the pairs after it; validating writes
  // nothing and only reports. Returns the number of values validate_ptr
  // refused (0 when nothing was checked).
  static int relo_ptr_and_vtbl(void* object, int delta, const dv4s* offsets,
                               const dv_typespec* ts, int validating);
  // Reports an illegal pointer on standard error when pointer checking is on
  // or when validating. Returns 0 for a value that is never right: a wild
  // pointer (one into its own database's address range at or past the end of
  // its image) or a null or persistent virtual-table address; 1 otherwise,
  // also for a value reported but carried as it is (a transient address, a
  // pointer into another database).
  static int validate_ptr(const dv_typespec* ts, const void* object, int offset,
                          const void* value, int is_vtable, int validating);

  // The offset list: pointer offsets, -1, (vtable offset, vtable address)
  // pairs, then a pair whose address is 0.
  const dv4s* offsets() const { return offsets_; }

 private:
  dv4u has_pointers_ = 0;
  dv4u size_ = 0;
  dv4s* offsets_ = nullptr;
  probe_fn probe_ = nullptr;
};

// Argument of the do-nothing constructor that persistent polymorphic
// classes provide for learning their virtual-table addresses.
struct dv_probe_t {
  explicit constexpr dv_probe_t() = default;
};
inline constexpr dv_probe_t dv_probe{};

template <class T>
constexpr dv_basic_typespec::probe_fn dv_probe_for() {
  if constexpr (std::is_polymorphic_v<T>) {
    return [](void* scratch) { ::new (scratch) T(dv_probe); };
  } else {
    return nullptr;
  }
}

// The one typespec of a persistent class T.
template <class T>
struct dv_ts {
  static dv_basic_typespec the_instance;
};

#define DV_POINTERS(...) std::initializer_list<::dv_qem::dv4s>{__VA_ARGS__}
#define DV_VTABLES(...) std::initializer_list<::dv_qem::dv4s>{__VA_ARGS__}
#define DV_NO_POINTERS std::initializer_list<::dv_qem::dv4s>{}
#define DV_NO_VTABLES std::initializer_list<::dv_qem::dv4s>{}

#define DV_DECLARE_TYPESPEC(T) \
  template <>                  \
  ::dv_qem::dv_basic_typespec dv_qem::dv_ts<T>::the_instance

#define DV_DEFINE_TYPESPEC(T, NAME, POINTERS, VTABLES)                             \
  template <>                                                                      \
  ::dv_qem::dv_basic_typespec dv_qem::dv_ts<T>::the_instance(                      \
      NAME, sizeof(T), POINTERS, VTABLES, ::dv_qem::dv_probe_for<T>())

}  // namespace dv_qem
