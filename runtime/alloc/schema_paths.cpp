// Schema paths: adding, removing and listing them.
#include "schema_paths.h"

#include <cstring>

#include "db_allocator.h"
#include "dv_err.h"
#include "self_relative.h"

namespace dv_qem {

namespace {

constexpr dv4u kFirstCapacity = 8;

// The array holds self-relative links, which need no relocation: typed as ints.
dv4s* allocate_links(_DB_allocator& allocator, dv4u n, const void* near) {
  dv_typespec* link_type = dv_typespec::get_int();
  return static_cast<dv4s*>(allocator.allocate_near(n * link_type->get_size(), link_type, n, near,
                                                    system_page_group));
}

}  // namespace

dv4s* _DB_schema_paths::entries() const {
  return reinterpret_cast<dv4s*>(resolve_self_relative(&allocator_.header()->schema_paths));
}

char* _DB_schema_paths::entry(dv4u i) const { return resolve_self_relative(&entries()[i]); }

dv4u _DB_schema_paths::count() const { return allocator_.header()->n_schema_paths; }
dv4u _DB_schema_paths::capacity() const { return allocator_.header()->schema_path_capacity; }

void _DB_schema_paths::grow() {
  _DB_header& header = *allocator_.header();
  dv4u old_capacity = header.schema_path_capacity;
  dv4s* old = entries();
  dv4u new_capacity = old == nullptr ? kFirstCapacity : 2 * old_capacity;
  dv4s* fresh = allocate_links(allocator_, new_capacity, old != nullptr ? static_cast<void*>(old) : &header);
  // Links are relative to their own field: each is written anew.
  for (dv4u i = 0; i < header.n_schema_paths; ++i) store_self_relative(&fresh[i], entry(i));
  store_self_relative(&header.schema_paths, fresh);
  header.schema_path_capacity = new_capacity;
  if (old != nullptr) allocator_.free(old);
}

void _DB_schema_paths::add(const char* path) {
  for (dv4u i = 0; i < count(); ++i)
    if (std::strcmp(entry(i), path) == 0)
      throw dv_err_path_exists("Trying to set the schema path:The path named %s already exists", path);
  if (entries() == nullptr || count() == capacity()) grow();
  dv4u length = static_cast<dv4u>(std::strlen(path)) + 1;
  auto* copy = static_cast<char*>(
      allocator_.allocate_near(length, dv_typespec::get_char(), length, entries(), system_page_group));
  std::memcpy(copy, path, length);
  _DB_header& header = *allocator_.header();
  store_self_relative(&entries()[header.n_schema_paths], copy);
  header.n_schema_paths += 1;
}

void _DB_schema_paths::remove(const char* path) {
  _DB_header& header = *allocator_.header();
  for (dv4u i = 0; i < header.n_schema_paths; ++i) {
    char* text = entry(i);
    if (std::strcmp(text, path) != 0) continue;
    for (dv4u j = i + 1; j < header.n_schema_paths; ++j) store_self_relative(&entries()[j - 1], entry(j));
    header.n_schema_paths -= 1;
    entries()[header.n_schema_paths] = 0;
    allocator_.free(text);
    return;
  }
  throw dv_err_path_does_not_exists("Trying to remove the schema path:The path named %s does not exists",
                                    path);
}

dv4u _DB_schema_paths::remove_all() {
  _DB_header& header = *allocator_.header();
  dv4u removed = header.n_schema_paths;
  for (dv4u i = 0; i < removed; ++i) allocator_.free(entry(i));
  if (dv4s* array = entries()) allocator_.free(array);
  header.schema_paths = 0;
  header.schema_path_capacity = 0;
  header.n_schema_paths = 0;
  return removed;
}

dv4u _DB_schema_paths::all(dv4u max, char** out) const {
  dv4u n = count() < max ? count() : max;
  for (dv4u i = 0; i < n; ++i) std::strcpy(out[i], entry(i));
  return n;
}

}  // namespace dv_qem
