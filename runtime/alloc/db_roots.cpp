// Named roots: creating, finding, listing and destroying them; their typed
// values.
#include "db_roots.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "alloc_internal.h"
#include "db_allocator.h"
#include "dv_err.h"
#include "self_relative.h"
#include "address_word.h"

namespace dv_qem {

namespace {

constexpr dv4u kDictionarySizeHint = 10;

const dv_typespec* system_type(const char* name, size_t size) {
  const dv_typespec* ts = dv_typespec::get_typespec(name);
  DV_ASSERT(ts != nullptr && ts->get_size() == size);
  return ts;
}

const dv_typespec* root_type() {
  static const dv_typespec* ts = system_type("_DB_root", sizeof(_DB_root));
  return ts;
}

const dv_typespec* dictionary_type() {
  static const dv_typespec* ts =
      system_type("_Chash<dv_char_star_nocopy,_DB_root*>", sizeof(_DB_root_dictionary));
  return ts;
}

}  // namespace

_DB_allocator& _DB_root::allocator() const {
  _DB_allocator* allocator = _DB_allocator::serving(this);
  DV_ASSERT(allocator != nullptr);
  return *allocator;
}

const char* _DB_root::get_name() const { return resolve_self_relative(&name); }

const dv_typespec* _DB_root::get_typespec() const {
  return tag == 0 ? nullptr : allocator().types().typespec_of(tag);
}

void* _DB_root::get_value(const dv_typespec* ts) const {
  if (ts != nullptr) {
    if (tag == 0)
      throw dv_err_root_type_mismatch(
          "No type was recorded for root %s.An attempt was made to retrieve its value assuming type %s",
          get_name(), ts->get_name());
    const char* recorded = allocator().types().name_of(tag);
    if (recorded == nullptr || std::strcmp(recorded, ts->get_name()) != 0)
      throw dv_err_root_type_mismatch(
          "The type of root %s is: %s.  An attempt was made to retrieve its value assuming type %s",
          get_name(), recorded != nullptr ? recorded : "", ts->get_name());
  }
  void* object = resolve_self_relative(&value);
  check_value(object);
  return object;
}

// A typed root's value is an object of its recorded type, or an element of
// an array of it: a value anywhere else is a damaged root.
void _DB_root::check_value(const void* object) const {
  if (tag == 0 || object == nullptr) return;
  _DB_allocator& owner = allocator();
  _DB_allocator::object_info info;
  if (!owner.object_at(object, info) || info.ts != owner.types().typespec_of(tag) ||
      (static_cast<const char*>(object) - static_cast<const char*>(info.object)) % info.ts->get_size() != 0)
    _Alloc_corruption(_Alloc_check::root_value_invalid);
}

void _DB_root::set_value(const void* new_value, const dv_typespec* ts) {
  _DB_allocator& owner = allocator();
  dv2u new_tag = 0;
  if (ts != nullptr) {
    new_tag = owner.types().find_tag(ts->get_name());
    if (new_tag == 0)
      throw dv_err_unmarked_type("No instances of type %s have been allocated in the database",
                                 ts->get_name());
  }
  // A link to anything outside the image would be meaningless once the
  // database is mapped elsewhere or opened by another process.
  if (new_value != nullptr && (!owner.holds(new_value) || !_VRN_link_can_reach(&value, new_value)))
    throw dv_err_invalid_root_value("The value 0x%x given to root %s does not lie in its database",
                                    word_of(new_value), get_name());
  store_self_relative(&value, new_value);
  tag = new_tag;
}

_DB_root_dictionary* _DB_roots::dictionary() const {
  return reinterpret_cast<_DB_root_dictionary*>(resolve_self_relative(&allocator_.header()->roots));
}

_DB_root_dictionary& _DB_roots::make_dictionary() {
  void* storage = allocator_.allocate(sizeof(_DB_root_dictionary), dictionary_type(), 0, system_page_group);
  _DB_root_dictionary* dictionary;
  try {
    dictionary = ::new (storage) _DB_root_dictionary(kDictionarySizeHint);
  } catch (...) {
    allocator_.free(storage);
    throw;
  }
  store_self_relative(&allocator_.header()->roots, dictionary);
  return *dictionary;
}

_DB_root* _DB_roots::create(const char* name) {
  _DB_root_dictionary* existing = dictionary();
  if (existing != nullptr && existing->pick(name) != nullptr)
    throw dv_err_root_exists("A root named %s already exists", name);
  _DB_root_dictionary& roots = existing != nullptr ? *existing : make_dictionary();

  dv4u length = static_cast<dv4u>(std::strlen(name)) + 1;
  auto* copy = static_cast<char*>(
      allocator_.allocate_near(length, dv_typespec::get_char(), length, &roots, system_page_group));
  std::memcpy(copy, name, length);
  _DB_root* root = nullptr;
  try {
    root = static_cast<_DB_root*>(
        allocator_.allocate_near(sizeof(_DB_root), root_type(), 0, copy, system_page_group));
    store_self_relative(&root->name, copy);
    roots.insert(copy, root);
  } catch (...) {
    if (root != nullptr) allocator_.free(root);
    allocator_.free(copy);
    throw;
  }
  return root;
}

_DB_root* _DB_roots::find(const char* name) const {
  _DB_root_dictionary* roots = dictionary();
  return roots != nullptr ? roots->pick(name) : nullptr;
}

dv4u _DB_roots::all(dv4u max, _DB_root** out) const {
  _DB_root_dictionary* roots = dictionary();
  dv4u n = 0;
  if (roots == nullptr) return 0;
  for (dv4s position = roots->first(); position >= 0 && n < max; position = roots->next(position))
    out[n++] = roots->value_at(position);
  return n;
}

dv4u _DB_roots::count() const {
  _DB_root_dictionary* roots = dictionary();
  return roots != nullptr ? roots->cardinality() : 0;
}

void _DB_roots::destroy(_DB_root* root) {
  _DB_root_dictionary* roots = dictionary();
  char* name = const_cast<char*>(root->get_name());
  DV_ASSERT(roots != nullptr && roots->pick(name) == root);
  roots->remove(name);
  allocator_.free(name);
  allocator_.free(root);
}

}  // namespace dv_qem
