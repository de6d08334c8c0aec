// Schemas: containers of metaobjects by name. An application schema is
// stored in a schema database under two roots: "the_app_schema" holds the
// schema, "the_app_loc" the file name of the shared library that carries the
// application's persistent classes; loading the schema loads that library so
// that its typespecs register.
#pragma once

#include "dv_qem/mop_class.h"
#include "dv_qem/mop_errors.h"
#include "dv_qem/mop_template.h"

namespace dv_qem {

class dv_schema {
 public:
  // Empty, supporting reachable types.
  dv_schema();
  explicit dv_schema(dv_probe_t);
  dv_schema(const dv_schema&) = delete;
  dv_schema& operator=(const dv_schema&) = delete;
  // Destroys every type (named and unnamed) and every template.
  virtual ~dv_schema();
  virtual int get_kind() const = 0;

  // Files the type under its name (a class type also in the class list; a
  // null or empty name in the unnamed list only). A name the schema already
  // holds is refused with dv_err_mop, the schema unchanged; so is a type the
  // schema holds already (under any name), which it would destroy twice.
  void add_type(const char* name, dv_type* type);
  // Takes back a type or template filed under name by add_type or
  // add_template, without destroying it (an install that is refused undoes
  // what it filed).
  void remove_type(const char* name, dv_type* type);
  void remove_template(const char* name, dv_template* t);
  // Files the template under its name; a null or empty name files nothing.
  void add_template(const char* name, dv_template* t);
  // The type or template of that name, or null.
  dv_type* find_type(const char* name) const;
  dv_template* find_template(const char* name) const;
  const dv_List<dv_class_type>& get_classes() const { return classes_; }
  const dv_List<dv_type>& get_unnamed_types() const { return unnamed_; }
  int support_for_reachable_types() const { return support_for_reachable_types_; }
  void set_support_for_reachable_types(int on) { support_for_reachable_types_ = on; }
  // The schema's type of the persistent object at p, by its typespec's name;
  // null when the runtime knows no object at p.
  dv_type* type_at(const void* p) const;
  // The same, with the containing object's start and element count.
  dv_type* type_containing(const void* p, const void*& start, unsigned& count) const;

 private:
  bool holds_type(const dv_type* type) const;

  dv_Dictionary<char*, dv_type> types_;
  dv_Dictionary<char*, dv_template> templates_;
  _Mop_list<dv_class_type> classes_;
  _Mop_list<dv_type> unnamed_;
  int support_for_reachable_types_ = 1;
};

class dv_app_schema : public dv_schema {
 public:
  dv_app_schema() = default;
  explicit dv_app_schema(dv_probe_t p) : dv_schema(p) {}
  static dv_typespec* get_dv_typespec();

  int get_kind() const override { return 0; }

  // The database's application schema, after loading its library.
  // dv_err_no_schema when a root is missing, null or of another type, or
  // when the library does not load; nothing is changed then.
  static dv_app_schema* get(dv_database* db);
  // A new application schema in db under "the_app_schema", and the file
  // name part of library_path under "the_app_loc". dv_err_root_exists when
  // either root exists, before anything is written.
  static dv_app_schema* create(dv_database* db, const char* library_path);
};
static_assert(sizeof(dv_app_schema) == 56);

}  // namespace dv_qem
