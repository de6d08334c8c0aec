// The schema container: types and templates by name, the class list and the
// unnamed types; lookups by name and by persistent object.
#include <vector>

#include "dv_coll_err.h"
#include "dv_qem/mop_schema.h"

namespace dv_qem {

namespace {

// Both name tables: hash tables for about ten names.
constexpr unsigned names_expected = 10;

bool is_unnamed(const char* name) { return name == nullptr || *name == '\0'; }

// The values of a dictionary, collected before the dictionary changes.
template <class V>
std::vector<V*> values_of(const dv_dictionary& d) {
  std::vector<V*> values;
  dv_cursor c(d);
  void* e = nullptr;
  for (int more = c.first(e); more; more = c.next(e)) values.push_back(static_cast<V*>(e));
  return values;
}

}  // namespace

dv_schema::dv_schema() : types_(names_expected, 0), templates_(names_expected, 0) {}

dv_schema::dv_schema(dv_probe_t)
    : types_(dv_probe), templates_(dv_probe), classes_(dv_probe), unnamed_(dv_probe) {}

dv_schema::~dv_schema() {
  classes_.clear();  // its entries are in the types table or the unnamed list
  for (dv_type* t : values_of<dv_type>(types_)) delete t;
  types_.clear();
  unnamed_.destroy_elements();
  for (dv_template* t : values_of<dv_template>(templates_)) delete t;
  templates_.clear();
}

bool dv_schema::holds_type(const dv_type* type) const {
  if (unnamed_.contains(const_cast<dv_type*>(type))) return true;
  for (dv_type* t : values_of<dv_type>(types_))
    if (t == type) return true;
  return false;
}

void dv_schema::add_type(const char* name, dv_type* type) {
  if (!is_unnamed(name) && find_type(name) != nullptr)
    throw dv_err_mop("add_type: the schema already holds a type named \"%s\"", name);
  // The schema destroys each type it holds once.
  if (holds_type(type))
    throw dv_err_mop("add_type: the schema already holds this type (filed again as \"%s\")", name ? name : "");
  const int kind = type->get_kind();
  if (kind == dv_type::Class || kind == dv_type::Instantiated_class)
    classes_.insert_last(static_cast<dv_class_type*>(type));
  if (is_unnamed(name)) {
    unnamed_.insert_last(type);
    return;
  }
  // The table keeps its own copy of the name, in this schema's database.
  types_.insert(const_cast<char*>(name), type);
}

void dv_schema::remove_type(const char* name, dv_type* type) {
  if (type->get_kind() == dv_type::Class || type->get_kind() == dv_type::Instantiated_class)
    classes_.remove(static_cast<dv_class_type*>(type));
  if (is_unnamed(name)) {
    unnamed_.remove(type);
    return;
  }
  if (find_type(name) == type) types_.remove(const_cast<char*>(name), type);
}

void dv_schema::remove_template(const char* name, dv_template* t) {
  if (!is_unnamed(name) && find_template(name) == t) templates_.remove(const_cast<char*>(name), t);
}

void dv_schema::add_template(const char* name, dv_template* t) {
  if (is_unnamed(name)) return;
  templates_.insert(const_cast<char*>(name), t);
}

dv_type* dv_schema::find_type(const char* name) const {
  if (is_unnamed(name)) return nullptr;
  try {
    return types_.pick(const_cast<char*>(name));
  } catch (const dv_err_coll&) {
    return nullptr;
  }
}

dv_template* dv_schema::find_template(const char* name) const {
  if (is_unnamed(name)) return nullptr;
  try {
    return templates_.pick(const_cast<char*>(name));
  } catch (const dv_err_coll&) {
    return nullptr;
  }
}

dv_type* dv_schema::type_at(const void* p) const {
  const void* start = nullptr;
  unsigned count = 0;
  return type_containing(p, start, count);
}

dv_type* dv_schema::type_containing(const void* p, const void*& start, unsigned& count) const {
  unsigned offset = 0;
  const dv_typespec* ts = dv_typespec::typespec_at(const_cast<void*>(p), count, offset);
  if (ts == nullptr) return nullptr;
  start = static_cast<const char*>(p) - offset;
  return find_type(ts->get_name());
}

}  // namespace dv_qem
