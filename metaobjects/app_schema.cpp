// The application schema in its schema database: its two roots, creating
// them, and loading the schema with its library.
#include <cstring>

#include "dv_database_root.h"
#include "dv_new.h"
#include "dv_qem/mop_schema.h"
#include "schema_library.h"

namespace dv_qem {

namespace {

constexpr const char* schema_root = "the_app_schema";
constexpr const char* location_root = "the_app_loc";

// The root's value, after checking that the type it was stored with (when
// one was recorded) is the expected one.
void* checked_value(dv_database_root* root, dv_typespec* expected) {
  const dv_typespec* recorded = root->get_typespec();
  if (recorded == nullptr) return root->get_value(nullptr);
  if (std::strcmp(recorded->get_name(), expected->get_name()) != 0)
    throw dv_err_no_schema("Invalid Schema DB. Root \"%s\" holds a %s, not a %s.", root->get_name(),
                           recorded->get_name(), expected->get_name());
  return root->get_value(expected);
}

// The characters after the last '\\' or '/', or the whole path.
const char* file_name_part(const char* path) {
  if (path == nullptr) return "";
  const char* name = path;
  for (const char* p = path; *p != '\0'; ++p)
    if (*p == '\\' || *p == '/') name = p + 1;
  return name;
}

}  // namespace

dv_app_schema* dv_app_schema::get(dv_database* db) {
  dv_database_root* root = db->find_root(schema_root);
  if (root == nullptr) throw dv_err_no_schema("Invalid Schema DB. Can't find schema root.");
  auto* schema = static_cast<dv_app_schema*>(checked_value(root, get_dv_typespec()));
  if (schema == nullptr) throw dv_err_no_schema("Invalid Schema DB. Schema root is 0.");
  dv_database_root* location = db->find_root(location_root);
  if (location == nullptr) throw dv_err_no_schema("Invalid Schema DB. Can't find schema location.");
  auto* library = static_cast<String*>(checked_value(location, String::get_dv_typespec()));
  if (library == nullptr) throw dv_err_no_schema("Invalid Schema DB. Schema location is 0.");
  const int error = _Mop_load_schema_library(library->get_str());
  if (error != 0) throw dv_err_no_schema("Could Not Load Schema DLL \"%s\". Error %d", library->get_str(), error);
  return schema;
}

dv_app_schema* dv_app_schema::create(dv_database* db, const char* library_path) {
  for (const char* name : {schema_root, location_root})
    if (db->find_root(name) != nullptr) throw dv_err_root_exists("A root named %s already exists", name);
  auto* schema = new (db, get_dv_typespec()) dv_app_schema();
  db->create_root(schema_root)->set_value(schema, get_dv_typespec());
  auto* library = new (db, String::get_dv_typespec()) String(file_name_part(library_path));
  db->create_root(location_root)->set_value(library, String::get_dv_typespec());
  return schema;
}

}  // namespace dv_qem
