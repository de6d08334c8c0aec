// Class types and their parts: base-class records and members. A class type
// owns its base-class records and its members; an instantiated class type
// owns its instantiation. Member and base types are the schema's.
#pragma once

#include "dv_qem/mop_dictionary.h"
#include "dv_qem/mop_type.h"

namespace dv_qem {

class dv_base_class;
class dv_member;
class dv_member_variable;
class dv_field_member_variable;
class dv_member_function;
class dv_member_type;
class dv_template_instantiation;

class dv_class_type : public dv_type {
 public:
  // Size 0, alignment 0, class kind 0, a forward definition, every other
  // flag 0, no bases or members, an empty vtbl map.
  explicit dv_class_type(const char* name);
  explicit dv_class_type(dv_probe_t);
  // Frees the base-class records, destroys the members and frees the
  // vtbl map's names.
  ~dv_class_type() override;
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Class; }
  int is_class_type() const override { return 1; }
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;
  // Copies kind, flags, dispatch-table offset, declspec kind and the access
  // of the get-typespec function, and installed copies of the bases and
  // members; the vtbl map is not copied.
  void dup(const dv_type& source, dv_schema& schema) override;

  int get_class_kind() const { return class_kind_; }
  void set_class_kind(int kind) { class_kind_ = kind; }
  int is_forward_definition() const { return is_forward_definition_; }
  void set_is_forward_definition(int on) { is_forward_definition_ = on; }
  int is_persistent() const { return is_persistent_; }
  void set_is_persistent(int on) { is_persistent_ = on; }
  int is_abstract() const { return is_abstract_; }
  void set_is_abstract(int on) { is_abstract_ = on; }
  int declares_get_dv_typespec_function() const { return declares_get_typespec_; }
  void set_declares_get_dv_typespec_function(int on) { declares_get_typespec_ = on; }
  int defines_virtual_functions() const { return defines_virtual_functions_; }
  void set_defines_virtual_functions(int on) { defines_virtual_functions_ = on; }
  int introduces_virtual_functions() const { return introduces_virtual_functions_; }
  void set_introduces_virtual_functions(int on) { introduces_virtual_functions_ = on; }
  int has_constructor() const { return has_constructor_; }
  void set_has_constructor(int on) { has_constructor_ = on; }
  int has_destructor() const { return has_destructor_; }
  void set_has_destructor(int on) { has_destructor_ = on; }
  int has_dispatch_table() const { return has_dispatch_table_; }
  int get_dispatch_table_pointer_offset() const { return dispatch_table_pointer_offset_; }
  // Stores n and marks the class as having a dispatch table.
  void set_dispatch_table_pointer_offset(int n);
  int get_microsoft_declspec() const { return declspec_; }
  void set_microsoft_declspec(int kind) { declspec_ = kind; }
  int get_access_of_get_dv_typespec_function() const { return access_of_get_typespec_; }
  void set_access_of_get_dv_typespec_function(int access) { access_of_get_typespec_ = access; }
  int has_vtbl_maps() const { return has_vtbl_maps_; }
  const dv_Dictionary<unsigned, String>& get_vtbl_map() const { return vtbl_map_; }
  // Files a copy of name in the class's database under key; marks the class
  // as having vtbl maps.
  void add_vtbl_info(unsigned key, const char* name);

  const dv_List<dv_base_class>& get_base_classes() const { return bases_; }
  // Frees the records held, then takes these (owned from now on).
  void set_base_classes(const dv_List<dv_base_class>& bases);
  const dv_List<dv_member>& get_members() const { return members_; }
  // Destroys the members held, then takes these (owned from now on).
  void set_members(const dv_List<dv_member>& members);
  // The first base whose class has that name, or null.
  dv_base_class* find_base_class(const char* name) const;
  // The first ordinary member variable (kind 1) of that name, or null.
  dv_member_variable* find_member_variable(const char* name) const;

 protected:
  dv_class_type();

 private:
  friend struct _Mop_factory;
  void destroy_bases();
  void destroy_members();

  int class_kind_ = 0;  // 0 class, 1 struct, 2 union, 3 anonymous union
  int is_forward_definition_ = 0;
  int is_persistent_ = 0;
  int is_abstract_ = 0;
  int declares_get_typespec_ = 0;
  int defines_virtual_functions_ = 0;
  int introduces_virtual_functions_ = 0;
  int has_constructor_ = 0;
  int has_destructor_ = 0;
  int has_dispatch_table_ = 0;
  int has_vtbl_maps_ = 0;
  int dispatch_table_pointer_offset_ = 0;
  int declspec_ = 0;
  _Mop_list<dv_base_class> bases_;
  _Mop_list<dv_member> members_;
  int access_of_get_typespec_ = 0;
  dv_Dictionary<unsigned, String> vtbl_map_;
};
static_assert(sizeof(dv_class_type) == 116);

class dv_instantiated_class_type : public dv_class_type {
 public:
  // Owns the instantiation from now on.
  dv_instantiated_class_type(const char* name, dv_template_instantiation& instantiation);
  explicit dv_instantiated_class_type(dv_probe_t p) : dv_class_type(p) {}
  ~dv_instantiated_class_type() override;
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Instantiated_class; }
  virtual int is_template_class() const { return 1; }
  dv_template_instantiation* get_instantiation() const { return instantiation_; }
  // Destroys the instantiation held, then owns this one.
  void set_instantiation(dv_template_instantiation* instantiation);
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;
  void dup(const dv_type& source, dv_schema& schema) override;

 protected:
  dv_instantiated_class_type() = default;

 private:
  friend struct _Mop_factory;
  dv_template_instantiation* instantiation_ = nullptr;
};
static_assert(sizeof(dv_instantiated_class_type) == 120);

// Access codes of members and bases as printed: 1 public, 2 private, 3 protected.
class dv_base_class {
 public:
  dv_base_class(int access, int is_virtual, dv_class_type& base);
  dv_base_class(const dv_base_class&) = default;
  dv_base_class& operator=(const dv_base_class&) = default;
  static dv_typespec* get_dv_typespec();

  dv_class_type* get_class() const { return class_; }
  void set_class(dv_class_type* c) { class_ = c; }
  int get_access() const { return access_; }
  void set_access(int access) { access_ = access; }
  int is_virtual() const { return is_virtual_; }
  void set_is_virtual(int on) { is_virtual_ = on; }
  int virtuals_redefined() const { return virtuals_redefined_; }
  void set_virtuals_redefined(int on) { virtuals_redefined_ = on; }
  int virtual_base_class_has_pointer() const { return virtual_base_class_has_pointer_; }
  unsigned get_virtual_base_class_pointer_offset() const { return virtual_base_class_pointer_offset_; }
  // Stores n and marks the base as reached through a pointer.
  void set_virtual_base_class_pointer_offset(unsigned n);
  void set_virtual_base_class_no_pointer() { virtual_base_class_has_pointer_ = 0; }
  unsigned get_offset() const { return offset_; }
  void set_offset(unsigned offset) { offset_ = offset; }
  // The base class's size.
  unsigned get_size() const;
  // A new record in the schema's database whose class is installed there.
  dv_base_class& install(dv_schema& schema) const;
  void print(std::ostream& out) const;

 private:
  dv_class_type* class_;
  int access_;
  int is_virtual_;
  int virtuals_redefined_ = 0;
  int virtual_base_class_has_pointer_ = 0;
  unsigned offset_ = 0;
  unsigned virtual_base_class_pointer_offset_ = 0;
};
static_assert(sizeof(dv_base_class) == 28);

class dv_member {
 public:
  enum dv_member_kind { Member_variable = 1, Member_function = 2, Member_type = 3, Field_member_variable = 5 };

  explicit dv_member(const char* name);
  explicit dv_member(dv_probe_t) : name_(dv_probe) {}
  dv_member(const dv_member&) = delete;
  dv_member& operator=(const dv_member&) = delete;
  virtual ~dv_member() = default;

  virtual int get_kind() const = 0;
  // A new member of this class in the schema's database, filled by dup
  // (members are never looked up by name).
  virtual dv_member& install(dv_schema& schema) const = 0;
  // Fills this member from source (of this class: std::bad_cast otherwise).
  virtual void dup(const dv_member& source, dv_schema& schema);
  virtual void print(std::ostream& out, int header) const = 0;

  const char* get_name() const { return name_.get_str(); }
  void set_name(const char* name) { name_ = name; }
  int get_access() const { return access_; }
  void set_access(int access) { access_ = access; }
  int is_unspecified() const { return is_unspecified_; }
  dv_class_type* get_defining_class() const { return defining_class_; }
  void set_defining_class(dv_class_type* c) { defining_class_ = c; }

  operator dv_member_variable&();
  operator const dv_member_variable&() const;
  operator dv_field_member_variable&();
  operator const dv_field_member_variable&() const;
  operator dv_member_function&();
  operator const dv_member_function&() const;
  operator dv_member_type&();
  operator const dv_member_type&() const;

 protected:
  dv_member() = default;
  // NAME and the access word.
  void print_common(std::ostream& out) const;

 private:
  friend struct _Mop_factory;
  String name_;
  int access_ = 0;
  int is_unspecified_ = 1;
  dv_class_type* defining_class_ = nullptr;
};
static_assert(sizeof(dv_member) == 20);

class dv_member_variable : public dv_member {
 public:
  enum dv_storage_class { Regular = 0, Persistent = 1, Static = 2 };

  dv_member_variable(const char* name, dv_type& type);
  explicit dv_member_variable(dv_probe_t) : dv_member(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Member_variable; }
  dv_member& install(dv_schema& schema) const override;
  void dup(const dv_member& source, dv_schema& schema) override;
  void print(std::ostream& out, int header) const override;

  int get_storage_class() const { return storage_class_; }
  void set_storage_class(int s) { storage_class_ = s; }
  int is_static() const { return storage_class_ == Static; }
  int is_persistent() const { return storage_class_ == Persistent; }
  virtual int is_field() const { return 0; }
  dv_type* get_type() const { return type_; }
  void set_type(dv_type* t) { type_ = t; }
  unsigned get_offset() const { return offset_; }
  void set_offset(unsigned offset) { offset_ = offset; }
  // The size of its type (0 without one).
  unsigned get_size() const;

 protected:
  dv_member_variable() = default;

 private:
  friend struct _Mop_factory;
  int storage_class_ = 0;
  dv_type* type_ = nullptr;
  unsigned offset_ = 0;
};
static_assert(sizeof(dv_member_variable) == 32);

class dv_field_member_variable : public dv_member_variable {
 public:
  dv_field_member_variable(const char* name, dv_type& type, unsigned char bits);
  explicit dv_field_member_variable(dv_probe_t p) : dv_member_variable(p) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Field_member_variable; }
  dv_member& install(dv_schema& schema) const override;
  void dup(const dv_member& source, dv_schema& schema) override;
  void print(std::ostream& out, int header) const override;
  int is_field() const override { return 1; }
  // The size in bits.
  unsigned get_size() const { return bits_; }
  void set_size(unsigned char bits) { bits_ = bits; }
  void get_offset(unsigned& bytes, unsigned char& bits) const;
  void set_offset(unsigned bytes, unsigned char bits);

 protected:
  dv_field_member_variable() = default;

 private:
  friend struct _Mop_factory;
  unsigned char bits_ = 0;
  unsigned char bit_offset_ = 0;
};
static_assert(sizeof(dv_field_member_variable) == 36);

class dv_member_function : public dv_member {
 public:
  dv_member_function(const char* name, dv_function_type& type);
  explicit dv_member_function(dv_probe_t) : dv_member(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Member_function; }
  dv_member& install(dv_schema& schema) const override;
  void dup(const dv_member& source, dv_schema& schema) override;
  void print(std::ostream& out, int header) const override;

  int is_inline() const { return is_inline_; }
  void set_is_inline(int on) { is_inline_ = on; }
  int is_static() const { return is_static_; }
  void set_is_static(int on) { is_static_ = on; }
  int is_pure_virtual() const { return is_pure_virtual_; }
  void set_is_pure_virtual(int on) { is_pure_virtual_ = on; }
  int is_virtual() const { return is_virtual_; }
  void set_is_virtual(int on) { is_virtual_ = on; }
  int is_overloaded() const { return is_overloaded_; }
  void set_is_overloaded(int on) { is_overloaded_ = on; }
  int is_const() const { return is_const_; }
  void set_is_const(int on) { is_const_ = on; }
  int is_volatile() const { return is_volatile_; }
  void set_is_volatile(int on) { is_volatile_ = on; }
  int get_function_kind() const { return function_kind_; }
  void set_function_kind(int kind) { function_kind_ = kind; }
  dv_function_type* get_type() const { return type_; }
  void set_type(dv_function_type* t) { type_ = t; }
  int get_call_linkage() const { return call_linkage_; }
  void set_call_linkage(int linkage) { call_linkage_ = linkage; }

 protected:
  dv_member_function() = default;

 private:
  friend struct _Mop_factory;
  int is_inline_ = 0;
  int is_static_ = 0;
  int is_pure_virtual_ = 0;
  int is_virtual_ = 0;
  int is_overloaded_ = 0;
  int is_const_ = 0;
  int is_volatile_ = 0;
  int function_kind_ = 0;
  dv_function_type* type_ = nullptr;
  int call_linkage_ = 0;
};
static_assert(sizeof(dv_member_function) == 60);

class dv_member_type : public dv_member {
 public:
  // No name.
  explicit dv_member_type(dv_type& type);
  explicit dv_member_type(dv_probe_t) : dv_member(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Member_type; }
  dv_member& install(dv_schema& schema) const override;
  void dup(const dv_member& source, dv_schema& schema) override;
  void print(std::ostream& out, int header) const override;
  dv_type* get_type() const { return type_; }
  void set_type(dv_type* t) { type_ = t; }

 protected:
  dv_member_type() = default;

 private:
  friend struct _Mop_factory;
  dv_type* type_ = nullptr;
};
static_assert(sizeof(dv_member_type) == 24);

std::ostream& operator<<(std::ostream& out, const dv_member& m);
std::ostream& operator<<(std::ostream& out, const dv_base_class& b);

}  // namespace dv_qem
