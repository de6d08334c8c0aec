// The type metaobjects: dv_type and its subclasses but the class types
// (mop_class.h). A type is created unspecified (protected default
// constructor, filled by dup) or specified (public constructors). Referenced
// types (targets, elements, argument and return types) are not owned: they
// belong to their schema.
#pragma once

#include <iosfwd>

#include "dv_qem/mop_list.h"
#include "dv_qem/mop_string.h"

namespace dv_qem {

class dv_schema;
class dv_class_type;
class dv_instantiated_class_type;
class dv_integral_type;
class dv_real_type;
class dv_void_type;
class dv_enum_type;
class dv_indirect_type;
class dv_named_indirect_type;
class dv_anonymous_indirect_type;
class dv_pointer_type;
class dv_reference_type;
class dv_pointer_to_member_type;
class dv_array_type;
class dv_function_type;
struct _Mop_factory;

class dv_type {
 public:
  enum dv_type_kind {
    Undefined, Type, Void, Unsigned_char, Signed_char, Unsigned_short, Signed_short, Integer,
    Unsigned_integer, Signed_long, Unsigned_long, Float, Double, Long_double, Named_indirect,
    Anonymous_indirect, Pointer, Reference, Pointer_to_member, Array, Class, Instantiated_class, Enum,
    Function, Char, Wchar_t, Bool_t, Signed_int64, Unsigned_int64, Floating_extension, Last_type
  };

  dv_type(unsigned size, unsigned alignment, const char* name);
  explicit dv_type(dv_probe_t) : name_(dv_probe) {}
  dv_type(const dv_type&) = delete;
  dv_type& operator=(const dv_type&) = delete;
  virtual ~dv_type();

  // The name of a kind code; "Undefined" for a code outside 0..30.
  static const char* get_kind_string(int kind);

  virtual int get_kind() const = 0;
  virtual int is_integral_type() const { return 0; }
  virtual int is_real_type() const { return 0; }
  virtual int is_class_type() const { return 0; }
  virtual int is_pointer_type() const { return 0; }
  virtual int is_indirect_type() const { return 0; }
  virtual dv_type& strip_indirect_types() { return *this; }
  virtual const dv_type& strip_indirect_types() const { return *this; }
  virtual int is_const() const { return 0; }
  virtual int is_volatile() const { return 0; }
  virtual unsigned get_size() const { return size_; }
  // Fixed-size types refuse both setters with dv_err_mop.
  virtual void set_size(unsigned size) { size_ = size; }
  virtual unsigned get_alignment() const { return alignment_; }
  virtual void set_alignment(unsigned alignment) { alignment_ = alignment; }
  // The schema's type of this name (a new unspecified one when it has none),
  // filled from this type when the schema supports reachable types or flag
  // is set and it is still unspecified.
  virtual dv_type& install(dv_schema& schema, int flag) const = 0;
  // One line per item: the header "TYPE:<word>" when header is set (some
  // classes always write it), then the fields.
  virtual void print(std::ostream& out, int header) const = 0;
  // Fills this unspecified type from source, installing every type it
  // refers to into schema. source must be of this class (std::bad_cast).
  virtual void dup(const dv_type& source, dv_schema& schema);

  const char* get_name() const { return name_.get_str(); }
  void set_name(const char* name) { name_ = name; }
  // A heap copy of the name (the caller frees it).
  char* get_string() const;
  dv_class_type* get_enclosing_class() const { return enclosing_class_; }
  void set_enclosing_class(dv_class_type* c) { enclosing_class_ = c; }
  int is_unspecified() const { return is_unspecified_; }

  // Checked downcasts: std::bad_cast when the type is not of that class.
  operator dv_integral_type&();
  operator const dv_integral_type&() const;
  operator dv_real_type&();
  operator const dv_real_type&() const;
  operator dv_void_type&();
  operator const dv_void_type&() const;
  operator dv_enum_type&();
  operator const dv_enum_type&() const;
  operator dv_indirect_type&();
  operator const dv_indirect_type&() const;
  operator dv_named_indirect_type&();
  operator const dv_named_indirect_type&() const;
  operator dv_anonymous_indirect_type&();
  operator const dv_anonymous_indirect_type&() const;
  operator dv_pointer_type&();
  operator const dv_pointer_type&() const;
  operator dv_reference_type&();
  operator const dv_reference_type&() const;
  operator dv_pointer_to_member_type&();
  operator const dv_pointer_to_member_type&() const;
  operator dv_array_type&();
  operator const dv_array_type&() const;
  operator dv_function_type&();
  operator const dv_function_type&() const;
  operator dv_class_type&();
  operator const dv_class_type&() const;
  operator dv_instantiated_class_type&();
  operator const dv_instantiated_class_type&() const;

 protected:
  // Unspecified: is_unspecified 1, everything else zero.
  dv_type() = default;
  // NAME, SCOPE, SIZE and ALIGN.
  void print_common(std::ostream& out) const;
  // Refuses set_size / set_alignment of a fixed-size type.
  [[noreturn]] void refuse_fixed_size(const char* what, unsigned value) const;

 private:
  friend struct _Mop_factory;

  String name_;
  dv_class_type* enclosing_class_ = nullptr;
  int is_unspecified_ = 1;
  unsigned size_ = 0;
  unsigned alignment_ = 0;
};
static_assert(sizeof(dv_type) == 24);

// A type's name, or "" for a null type.
const char* _Mop_name_of(const dv_type* t);

class dv_integral_type : public dv_type {
 public:
  dv_integral_type(int kind, int is_signed, unsigned size, unsigned alignment, const char* name);
  explicit dv_integral_type(dv_probe_t) : dv_type(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return kind_; }
  int is_integral_type() const override { return 1; }
  int is_signed() const { return is_signed_; }
  void set_size(unsigned size) override { refuse_fixed_size("size", size); }
  void set_alignment(unsigned a) override { refuse_fixed_size("alignment", a); }
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;
  void dup(const dv_type& source, dv_schema& schema) override;

 protected:
  dv_integral_type() = default;

 private:
  friend struct _Mop_factory;
  int is_signed_ = 0;
  int kind_ = 0;
};
static_assert(sizeof(dv_integral_type) == 32);

class dv_real_type : public dv_type {
 public:
  dv_real_type(int kind, unsigned size, unsigned alignment, const char* name);
  explicit dv_real_type(dv_probe_t) : dv_type(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return kind_; }
  int is_real_type() const override { return 1; }
  void set_size(unsigned size) override { refuse_fixed_size("size", size); }
  void set_alignment(unsigned a) override { refuse_fixed_size("alignment", a); }
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;
  void dup(const dv_type& source, dv_schema& schema) override;

 protected:
  dv_real_type() = default;

 private:
  friend struct _Mop_factory;
  int kind_ = 0;
};
static_assert(sizeof(dv_real_type) == 28);

class dv_void_type : public dv_type {
 public:
  // Size 0, alignment 1.
  explicit dv_void_type(const char* name);
  explicit dv_void_type(dv_probe_t) : dv_type(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Void; }
  void set_size(unsigned size) override { refuse_fixed_size("size", size); }
  void set_alignment(unsigned a) override { refuse_fixed_size("alignment", a); }
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;

 protected:
  dv_void_type() = default;

 private:
  friend struct _Mop_factory;
};

// A named enumeration value; owned by its enum type.
class dv_enumerator_literal {
 public:
  dv_enumerator_literal(const char* name, int value) : name_(name), value_(value) {}
  dv_enumerator_literal(const dv_enumerator_literal&) = delete;
  dv_enumerator_literal& operator=(const dv_enumerator_literal&) = delete;
  static dv_typespec* get_dv_typespec();

  const char* get_name() const { return name_.get_str(); }
  void set_name(const char* name) { name_ = name; }
  int get_value() const { return value_; }
  void set_value(int value) { value_ = value; }
  // A new copy in the schema's database.
  dv_enumerator_literal& install(dv_schema& schema) const;
  // "ELit  <name>:<value>  ".
  void print(std::ostream& out) const;

 private:
  String name_;
  int value_;
};
static_assert(sizeof(dv_enumerator_literal) == 8);

class dv_enum_type : public dv_type {
 public:
  // Size 4, alignment 4; the enum owns the enumerators from now on.
  dv_enum_type(const char* name, const dv_List<dv_enumerator_literal>& enumerators);
  explicit dv_enum_type(dv_probe_t) : dv_type(dv_probe), enumerators_(dv_probe) {}
  // Destroys the enumerators.
  ~dv_enum_type() override;
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Enum; }
  const dv_List<dv_enumerator_literal>& get_enumerators() const { return enumerators_; }
  // Destroys the enumerators held, then takes these.
  void set_enumerators(const dv_List<dv_enumerator_literal>& enumerators);
  // The enumerator of that name, or null.
  dv_enumerator_literal* find_enumerator(const char* name) const;
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;
  void dup(const dv_type& source, dv_schema& schema) override;

 protected:
  dv_enum_type() = default;

 private:
  friend struct _Mop_factory;
  _Mop_list<dv_enumerator_literal> enumerators_;
};
static_assert(sizeof(dv_enum_type) == 36);

// A type that stands for another (typedef, const/volatile qualification):
// its size and alignment are its target's.
class dv_indirect_type : public dv_type {
 public:
  dv_indirect_type(dv_type& target, const char* name);
  explicit dv_indirect_type(dv_probe_t) : dv_type(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  // A plain indirect type has no kind of its own (its subclasses have).
  int get_kind() const override { return Undefined; }
  // The target's (0 without a target).
  unsigned get_size() const override;
  unsigned get_alignment() const override;
  void set_size(unsigned size) override { refuse_fixed_size("size", size); }
  void set_alignment(unsigned a) override { refuse_fixed_size("alignment", a); }
  dv_type* get_target_type() const { return target_; }
  void set_target_type(dv_type* target) { target_ = target; }
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;
  void dup(const dv_type& source, dv_schema& schema) override;

 protected:
  dv_indirect_type() = default;

 private:
  friend struct _Mop_factory;
  dv_type* target_ = nullptr;
};
static_assert(sizeof(dv_indirect_type) == 28);

class dv_named_indirect_type : public dv_indirect_type {
 public:
  dv_named_indirect_type(dv_type& target, const char* name) : dv_indirect_type(target, name) {}
  explicit dv_named_indirect_type(dv_probe_t) : dv_indirect_type(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Named_indirect; }
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;

 protected:
  dv_named_indirect_type() = default;

 private:
  friend struct _Mop_factory;
};

class dv_anonymous_indirect_type : public dv_indirect_type {
 public:
  // No name, neither const nor volatile.
  explicit dv_anonymous_indirect_type(dv_type& target) : dv_indirect_type(target, nullptr) {}
  explicit dv_anonymous_indirect_type(dv_probe_t) : dv_indirect_type(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Anonymous_indirect; }
  int is_const() const override { return is_const_; }
  int is_volatile() const override { return is_volatile_; }
  void set_is_const(int on) { is_const_ = on; }
  void set_is_volatile(int on) { is_volatile_ = on; }
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;
  void dup(const dv_type& source, dv_schema& schema) override;

 protected:
  dv_anonymous_indirect_type() = default;

 private:
  friend struct _Mop_factory;
  int is_const_ = 0;
  int is_volatile_ = 0;
};
static_assert(sizeof(dv_anonymous_indirect_type) == 36);

class dv_pointer_type : public dv_type {
 public:
  // Size 4, alignment 4, no name.
  explicit dv_pointer_type(dv_type& target);
  explicit dv_pointer_type(dv_probe_t) : dv_type(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Pointer; }
  int is_pointer_type() const override { return 1; }
  void set_size(unsigned size) override { refuse_fixed_size("size", size); }
  void set_alignment(unsigned a) override { refuse_fixed_size("alignment", a); }
  dv_type* get_target_type() const { return target_; }
  void set_target_type(dv_type* target) { target_ = target; }
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;
  void dup(const dv_type& source, dv_schema& schema) override;

 protected:
  dv_pointer_type() = default;

 private:
  friend struct _Mop_factory;
  dv_type* target_ = nullptr;
};
static_assert(sizeof(dv_pointer_type) == 28);

class dv_reference_type : public dv_pointer_type {
 public:
  explicit dv_reference_type(dv_type& target) : dv_pointer_type(target) {}
  explicit dv_reference_type(dv_probe_t) : dv_pointer_type(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Reference; }
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;

 protected:
  dv_reference_type() = default;

 private:
  friend struct _Mop_factory;
};

// A pointer to a member of a class; it keeps the size and alignment given.
class dv_pointer_to_member_type : public dv_pointer_type {
 public:
  dv_pointer_to_member_type(dv_class_type& target_class, dv_type& target);
  explicit dv_pointer_to_member_type(dv_probe_t) : dv_pointer_type(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Pointer_to_member; }
  void set_size(unsigned size) override { dv_type::set_size(size); }
  void set_alignment(unsigned a) override { dv_type::set_alignment(a); }
  dv_class_type* get_target_class() const { return target_class_; }
  void set_target_class(dv_class_type* c) { target_class_ = c; }
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;
  void dup(const dv_type& source, dv_schema& schema) override;

 protected:
  dv_pointer_to_member_type() = default;

 private:
  friend struct _Mop_factory;
  dv_class_type* target_class_ = nullptr;
};
static_assert(sizeof(dv_pointer_to_member_type) == 32);

// Its size is element size x count; its alignment the element's.
class dv_array_type : public dv_type {
 public:
  dv_array_type(dv_type& element, unsigned count);
  explicit dv_array_type(dv_probe_t) : dv_type(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Array; }
  unsigned get_size() const override;
  unsigned get_alignment() const override;
  void set_size(unsigned size) override { refuse_fixed_size("size", size); }
  void set_alignment(unsigned a) override { refuse_fixed_size("alignment", a); }
  unsigned get_number_of_elements() const { return count_; }
  void set_number_of_elements(unsigned n) { count_ = n; }
  dv_type* get_element_type() const { return element_; }
  void set_element_type(dv_type* t) { element_ = t; }
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;
  void dup(const dv_type& source, dv_schema& schema) override;

 protected:
  dv_array_type() = default;

 private:
  friend struct _Mop_factory;
  unsigned count_ = 0;
  dv_type* element_ = nullptr;
};
static_assert(sizeof(dv_array_type) == 32);

class dv_function_type : public dv_type {
 public:
  // Size 4, alignment 4, no name; the argument list is copied.
  dv_function_type(int arg_list_kind, const dv_List<dv_type>& args, dv_type& return_type);
  explicit dv_function_type(dv_probe_t) : dv_type(dv_probe), args_(dv_probe) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Function; }
  int get_arg_list_kind() const { return arg_list_kind_; }
  void set_arg_list_kind(int kind) { arg_list_kind_ = kind; }
  const dv_List<dv_type>& get_arg_list() const { return args_; }
  void set_arg_list(const dv_List<dv_type>& args) { args_ = args; }
  dv_type* get_return_type() const { return return_type_; }
  void set_return_type(dv_type* t) { return_type_ = t; }
  dv_type& install(dv_schema& schema, int flag) const override;
  void print(std::ostream& out, int header) const override;
  void dup(const dv_type& source, dv_schema& schema) override;

 protected:
  dv_function_type() = default;

 private:
  friend struct _Mop_factory;
  int arg_list_kind_ = 0;
  _Mop_list<dv_type> args_;
  dv_type* return_type_ = nullptr;
};
static_assert(sizeof(dv_function_type) == 44);

// Writes the type (header asked).
std::ostream& operator<<(std::ostream& out, const dv_type& t);
std::ostream& operator<<(std::ostream& out, const dv_enumerator_literal& e);

}  // namespace dv_qem
