// Templates, their instantiations, formal and actual arguments, and the
// literals used as template arguments. A template owns its formal arguments,
// an instantiation its actual arguments, a literal argument its literal.
#pragma once

#include <cstdint>

#include "dv_qem/mop_type.h"

namespace dv_qem {

class dv_template;
class dv_template_type_formal;
class dv_template_value_formal;
class dv_type_template_actual_arg;
class dv_literal_template_actual_arg;

class dv_template_formal_arg {
 public:
  enum dv_formal_kind { Type_formal = 0, Value_formal = 1 };

  explicit dv_template_formal_arg(const char* name) : name_(name) {}
  explicit dv_template_formal_arg(dv_probe_t) : name_(dv_probe) {}
  dv_template_formal_arg(const dv_template_formal_arg&) = delete;
  dv_template_formal_arg& operator=(const dv_template_formal_arg&) = delete;
  virtual ~dv_template_formal_arg() = default;

  virtual int get_kind() const = 0;
  // A new argument of this class in the schema's database, filled by dup.
  virtual dv_template_formal_arg& install(dv_schema& schema) const = 0;
  virtual void dup(const dv_template_formal_arg& source, dv_schema& schema);
  virtual void print(std::ostream& out) const = 0;

  const char* get_name() const { return name_.get_str(); }
  void set_name(const char* name) { name_ = name; }

  operator dv_template_type_formal&();
  operator const dv_template_type_formal&() const;
  operator dv_template_value_formal&();
  operator const dv_template_value_formal&() const;

 protected:
  dv_template_formal_arg() = default;

 private:
  friend struct _Mop_factory;
  String name_;
};

class dv_template_type_formal : public dv_template_formal_arg {
 public:
  explicit dv_template_type_formal(const char* name) : dv_template_formal_arg(name) {}
  explicit dv_template_type_formal(dv_probe_t p) : dv_template_formal_arg(p) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Type_formal; }
  dv_template_formal_arg& install(dv_schema& schema) const override;
  void print(std::ostream& out) const override;

 protected:
  dv_template_type_formal() = default;

 private:
  friend struct _Mop_factory;
};

class dv_template_value_formal : public dv_template_formal_arg {
 public:
  dv_template_value_formal(const char* name, dv_type& type) : dv_template_formal_arg(name), type_(&type) {}
  explicit dv_template_value_formal(dv_probe_t p) : dv_template_formal_arg(p) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Value_formal; }
  dv_template_formal_arg& install(dv_schema& schema) const override;
  void dup(const dv_template_formal_arg& source, dv_schema& schema) override;
  void print(std::ostream& out) const override;
  dv_type* get_type() const { return type_; }
  void set_type(dv_type* t) { type_ = t; }

 protected:
  dv_template_value_formal() = default;

 private:
  friend struct _Mop_factory;
  dv_type* type_ = nullptr;
};
static_assert(sizeof(dv_template_value_formal) == 12);

// A constant: its kind says how the value word is read (set by the
// constructor of each value type).
class dv_literal {
 public:
  explicit dv_literal(char v) : kind_(5), value_(static_cast<unsigned char>(v)) {}
  explicit dv_literal(std::uint16_t wide) : kind_(14), value_(wide) {}
  explicit dv_literal(signed char v) : kind_(5), value_(static_cast<std::uint32_t>(v)) {}
  explicit dv_literal(unsigned char v) : kind_(4), value_(v) {}
  explicit dv_literal(short v) : kind_(7), value_(static_cast<std::uint32_t>(v)) {}
  explicit dv_literal(int v) : kind_(10), value_(static_cast<std::uint32_t>(v)) {}
  explicit dv_literal(unsigned v) : kind_(11), value_(v) {}
  explicit dv_literal(long v) : kind_(10), value_(static_cast<std::uint32_t>(v)) {}
  explicit dv_literal(unsigned long v) : kind_(11), value_(v) {}
  explicit dv_literal(dv_enumerator_literal& e) : kind_(1), value_(reinterpret_cast<std::uintptr_t>(&e)) {}
  dv_literal(const dv_literal&) = delete;
  dv_literal& operator=(const dv_literal&) = delete;
  static dv_typespec* get_dv_typespec();

  int is_unspecified() const { return is_unspecified_; }
  int get_kind() const { return kind_; }
  dv_type* get_type() const { return type_; }
  void set_type(dv_type* t) { type_ = t; }
  long get_signed_integral_value() const { return static_cast<long>(value_); }
  unsigned long get_unsigned_integral_value() const { return value_; }
  std::uint16_t get_wchar_t_value() const { return static_cast<std::uint16_t>(value_); }
  // The enumerator of a kind-1 literal, else null.
  dv_enumerator_literal* get_enum_literal() const;
  // A new literal in the schema's database: its type installed there, an
  // enumerator value the installed enum's enumerator of the same name.
  dv_literal& install(dv_schema& schema) const;
  void print(std::ostream& out) const;

  // Whether the value word is a stored address (relocated with the object).
  static bool holds_address(int kind) { return kind == 1; }
  // The typespec's relocation hook: moves a stored address by delta.
  static void relocate_value(void* literal, int delta, void*);

 private:
  friend struct _Mop_factory;
  dv_literal() = default;

  int is_unspecified_ = 0;
  int kind_ = 0;
  dv_type* type_ = nullptr;
  std::uint32_t value_ = 0;  // integral value, wide character, or enumerator address
};
static_assert(sizeof(dv_literal) == 16);

class dv_template_actual_arg {
 public:
  enum dv_actual_kind { Type_arg = 0, Literal_arg = 1 };

  dv_template_actual_arg() = default;
  explicit dv_template_actual_arg(dv_probe_t) {}
  dv_template_actual_arg(const dv_template_actual_arg&) = delete;
  dv_template_actual_arg& operator=(const dv_template_actual_arg&) = delete;
  virtual ~dv_template_actual_arg() = default;

  virtual int get_kind() const = 0;
  virtual dv_template_actual_arg& install(dv_schema& schema) const = 0;
  virtual void dup(const dv_template_actual_arg& source, dv_schema& schema) = 0;
  virtual void print(std::ostream& out) const = 0;

  operator dv_type_template_actual_arg&();
  operator const dv_type_template_actual_arg&() const;
  operator dv_literal_template_actual_arg&();
  operator const dv_literal_template_actual_arg&() const;
};

class dv_type_template_actual_arg : public dv_template_actual_arg {
 public:
  explicit dv_type_template_actual_arg(dv_type& type) : type_(&type) {}
  explicit dv_type_template_actual_arg(dv_probe_t p) : dv_template_actual_arg(p) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Type_arg; }
  dv_template_actual_arg& install(dv_schema& schema) const override;
  void dup(const dv_template_actual_arg& source, dv_schema& schema) override;
  void print(std::ostream& out) const override;
  dv_type* get_type() const { return type_; }
  void set_type(dv_type* t) { type_ = t; }

 private:
  friend struct _Mop_factory;
  dv_type_template_actual_arg() = default;
  dv_type* type_ = nullptr;
};
static_assert(sizeof(dv_type_template_actual_arg) == 8);

class dv_literal_template_actual_arg : public dv_template_actual_arg {
 public:
  // Owns the literal from now on.
  explicit dv_literal_template_actual_arg(dv_literal& literal) : literal_(&literal) {}
  explicit dv_literal_template_actual_arg(dv_probe_t p) : dv_template_actual_arg(p) {}
  ~dv_literal_template_actual_arg() override;
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return Literal_arg; }
  dv_template_actual_arg& install(dv_schema& schema) const override;
  void dup(const dv_template_actual_arg& source, dv_schema& schema) override;
  void print(std::ostream& out) const override;
  dv_literal* get_literal() const { return literal_; }
  // Destroys the literal held, then owns this one.
  void set_literal(dv_literal* literal);

 private:
  friend struct _Mop_factory;
  dv_literal_template_actual_arg() = default;
  dv_literal* literal_ = nullptr;
};
static_assert(sizeof(dv_literal_template_actual_arg) == 8);

class dv_template {
 public:
  // The formal arguments are copied (owned from now on).
  dv_template(dv_type& type, const dv_List<dv_template_formal_arg>& args, int kind);
  explicit dv_template(dv_probe_t) : args_(dv_probe) {}
  dv_template(const dv_template&) = delete;
  dv_template& operator=(const dv_template&) = delete;
  // Destroys the formal arguments.
  ~dv_template();
  static dv_typespec* get_dv_typespec();

  const dv_List<dv_template_formal_arg>& get_args() const { return args_; }
  // Destroys the arguments held, then takes these.
  void set_args(const dv_List<dv_template_formal_arg>& args);
  int is_unspecified() const { return is_unspecified_; }
  int get_template_kind() const { return kind_; }
  dv_type* get_type() const { return type_; }
  void set_type(dv_type* t) { type_ = t; }
  // The template's name: its type's.
  const char* get_name() const { return _Mop_name_of(type_); }
  // A new template in the schema's database with installed copies of the
  // arguments and the type.
  dv_template& install(dv_schema& schema) const;
  void print(std::ostream& out) const;

 private:
  friend struct _Mop_factory;
  dv_template() = default;

  _Mop_list<dv_template_formal_arg> args_;
  int is_unspecified_ = 1;
  int kind_ = 0;
  dv_type* type_ = nullptr;
};
static_assert(sizeof(dv_template) == 24);

class dv_template_instantiation {
 public:
  // The actual arguments are copied (owned from now on).
  dv_template_instantiation(dv_template& t, const dv_List<dv_template_actual_arg>& args);
  explicit dv_template_instantiation(dv_probe_t) : args_(dv_probe) {}
  dv_template_instantiation(const dv_template_instantiation&) = delete;
  dv_template_instantiation& operator=(const dv_template_instantiation&) = delete;
  // Destroys the actual arguments.
  ~dv_template_instantiation();
  static dv_typespec* get_dv_typespec();

  dv_template* get_template() const { return template_; }
  const dv_List<dv_template_actual_arg>& get_args() const { return args_; }
  // Destroys the arguments held, then takes these.
  void set_args(const dv_List<dv_template_actual_arg>& args);
  // A new instantiation in the schema's database: a new copy of the
  // template and installed copies of the arguments.
  dv_template_instantiation& install(dv_schema& schema) const;
  void print(std::ostream& out) const;

 private:
  friend struct _Mop_factory;
  dv_template_instantiation() = default;

  dv_template* template_ = nullptr;
  _Mop_list<dv_template_actual_arg> args_;
};
static_assert(sizeof(dv_template_instantiation) == 16);

std::ostream& operator<<(std::ostream& out, const dv_template& t);
std::ostream& operator<<(std::ostream& out, const dv_template_instantiation& i);
std::ostream& operator<<(std::ostream& out, const dv_template_formal_arg& a);
std::ostream& operator<<(std::ostream& out, const dv_template_actual_arg& a);
std::ostream& operator<<(std::ostream& out, const dv_literal& l);

}  // namespace dv_qem
