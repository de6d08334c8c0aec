// The runtime's own typespecs: the built-in scalar and pointer types, the
// system types of the runtime's persistent structures, and the fixed table of
// tags 1..23 that every database shares.
#include <cstring>

#include "db_format.h"
#include "dv_typespec.h"
#include "relocation_window.h"
#include "type_registry.h"

namespace dv_qem {

namespace {

// A type without pointers: relocation does nothing.
class _Scalar_typespec : public dv_typespec {
 public:
  _Scalar_typespec(const char* name, unsigned size) : dv_typespec(name), size_(size) {
    _Type_registry::reg_type(this);
  }
  ~_Scalar_typespec() override { _Type_registry::dereg_type(this); }
  void do_relocation(void*, dv_address_map*) override {}
  void do_relocation(void*, int) override {}
  unsigned get_size() const override { return size_; }
  int needs_relocation() const override { return 0; }

 private:
  unsigned size_;
};

// "void*": one pointer at offset 0.
class _Pointer_typespec : public dv_typespec {
 public:
  _Pointer_typespec() : dv_typespec("void*") {
    _Type_registry::reg_type(this);
    _Type_registry::set_pointer_typespec(this);
  }
  ~_Pointer_typespec() override {
    _Type_registry::set_pointer_typespec(nullptr);
    _Type_registry::dereg_type(this);
  }
  void do_relocation(void* object, dv_address_map* map) override {
    void** field = static_cast<void**>(object);
    void* moved = map->lookup(*field);
    if (moved == reinterpret_cast<void*>(-1)) {
      *field = nullptr;
    } else if (moved != nullptr) {
      *field = moved;
    }
  }
  void do_relocation(void* object, int delta) override {
    char** field = static_cast<char**>(object);
    if (*field != nullptr && _DB_relocation_window::moves(*field)) *field += delta;
  }
  unsigned get_size() const override { return sizeof(void*); }
  int needs_relocation() const override { return 1; }
};

// The runtime's own persistent structures: every link in them is
// self-relative, so they never need relocation and cannot be retyped.
class _System_typespec : public dv_typespec {
 public:
  _System_typespec(const char* name, unsigned size) : dv_typespec(name), size_(size) {
    _Type_registry::reg_type(this);
  }
  ~_System_typespec() override { _Type_registry::dereg_type(this); }
  void do_relocation(void*, dv_address_map*) override { _se_not_supp(); }
  void do_relocation(void*, int) override {}
  unsigned get_size() const override { return size_; }
  int needs_relocation() const override { return 0; }

 private:
  unsigned size_;
};

_Scalar_typespec ts_char("char", 1);
_Scalar_typespec ts_short("short", 2);
_Scalar_typespec ts_int("int", 4);
_Scalar_typespec ts_long("long", 4);
_Scalar_typespec ts_float("float", 4);
_Scalar_typespec ts_double("double", 8);
_Scalar_typespec ts_signed_char("signed char", 1);
_Scalar_typespec ts_signed_short("signed short", 2);
_Scalar_typespec ts_signed_int("signed int", 4);
_Scalar_typespec ts_signed_long("signed long", 4);
_Scalar_typespec ts_unsigned_char("unsigned char", 1);
_Scalar_typespec ts_unsigned_short("unsigned short", 2);
_Scalar_typespec ts_unsigned_int("unsigned int", 4);
_Scalar_typespec ts_unsigned_long("unsigned long", 4);
_Pointer_typespec ts_pointer;

// The large-object map's hash table is named as its typespec is registered,
// so that tag 20 resolves by name.
constexpr const char* kLargeObjectHashName = "_Chash<_DB_relative_offset<char,dv_int32>,dvctaddr>";

_System_typespec ts_type_info_oflo("_Pers_type_info_oflo", sizeof(_Pers_type_info_oflo));
_System_typespec ts_db_root("_DB_root", 12);
_System_typespec ts_large_object_map("_DB_large_object_map", 24);
_System_typespec ts_large_object_hash(kLargeObjectHashName, 24);
_System_typespec ts_large_object_slot("_Chash_slot<_DB_relative_offset<char,dv_int32> >", 12);
_System_typespec ts_root_hash("_Chash<dv_char_star_nocopy,_DB_root*>", 24);
_System_typespec ts_root_slot("_Chash_slot<dv_char_star_nocopy>", 12);

struct builtin_tag {
  const char* name;
  dv4u size;
};

// Tags 1..23; index 0 is unused (tag 0 never names a type).
constexpr builtin_tag kBuiltinTags[max_builtin_tag] = {
    {nullptr, 0},
    {"char", 1},
    {"short", 2},
    {"int", 4},
    {"long", 4},
    {"float", 4},
    {"void*", 4},
    {"signed char", 1},
    {"signed short", 2},
    {"signed int", 4},
    {"signed long", 4},
    {"unsigned char", 1},
    {"unsigned short", 2},
    {"unsigned int", 4},
    {"unsigned long", 4},
    {"double", 8},
    {"long double", 8},
    {"_Pers_type_info_oflo", 1204},
    {"_DB_root", 12},
    {"_DB_large_object_map", 24},
    {kLargeObjectHashName, 24},
    {"_Chash_slot<_DB_relative_offset<char,dv_int32> >", 12},
    {"_Chash<dv_char_star_nocopy,_DB_root*>", 24},
    {"_Chash_slot<dv_char_star_nocopy>", 12},
};

}  // namespace

dv_typespec* dv_typespec::get_char() { return &ts_char; }
dv_typespec* dv_typespec::get_short() { return &ts_short; }
dv_typespec* dv_typespec::get_int() { return &ts_int; }
dv_typespec* dv_typespec::get_long() { return &ts_long; }
dv_typespec* dv_typespec::get_float() { return &ts_float; }
dv_typespec* dv_typespec::get_double() { return &ts_double; }
dv_typespec* dv_typespec::get_signed_char() { return &ts_signed_char; }
dv_typespec* dv_typespec::get_signed_short() { return &ts_signed_short; }
dv_typespec* dv_typespec::get_signed_int() { return &ts_signed_int; }
dv_typespec* dv_typespec::get_signed_long() { return &ts_signed_long; }
dv_typespec* dv_typespec::get_unsigned_char() { return &ts_unsigned_char; }
dv_typespec* dv_typespec::get_unsigned_short() { return &ts_unsigned_short; }
dv_typespec* dv_typespec::get_unsigned_int() { return &ts_unsigned_int; }
dv_typespec* dv_typespec::get_unsigned_long() { return &ts_unsigned_long; }
dv_typespec* dv_typespec::get_pointer() { return &ts_pointer; }
dv_typespec* dv_typespec::get_long_double() { return &ts_double; }

const char* dv_typespec::builtin_tag_name(dv2u tag) {
  return tag < max_builtin_tag ? kBuiltinTags[tag].name : nullptr;
}

dv4u dv_typespec::builtin_tag_size(dv2u tag) {
  return tag < max_builtin_tag ? kBuiltinTags[tag].size : 0;
}

}  // namespace dv_qem
