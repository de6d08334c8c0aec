// Defines the one type descriptor of each class of the shop schema, in the
// order of the schema table; the definitions run, and register, in that order
// during static initialisation of the library.
#include "shop_schema.h"

#include <type_traits>
#include <utility>

#include "department.h"
#include "link_info.h"
#include "payment.h"
#include "product.h"
#include "root.h"
#include "search_engine.h"
#include "shipping_methods.h"
#include "shop_shells.h"
#include "shop_schema_table.h"
#include "singleton_pool.h"

namespace objsch {
namespace {

// A shell of which only the stored size is known.
template <class T>
constexpr bool is_unknown_shell = std::is_base_of_v<shop_unknown_shell<sizeof(T)>, T>;

// Builds a scratch instance whose virtual-table pointers are those of T.
template <class T>
dv_qem::dv_basic_typespec::probe_fn probe_of() {
  if constexpr (T::vtable_offsets().size() == 0) {
    return nullptr;
  } else {
    return [](void* scratch) { ::new (scratch) T(dv_qem::dv_probe); };
  }
}

template <class T, size_t... P, size_t... V>
dv_qem::dv_basic_typespec described(const char* name, std::index_sequence<P...>, std::index_sequence<V...>) {
  constexpr auto pointers = T::pointer_offsets();
  constexpr auto vtables = T::vtable_offsets();
  return dv_qem::dv_basic_typespec(name, sizeof(T), {pointers[P]...}, {vtables[V]...}, probe_of<T>());
}

// The descriptor of T: a shell of unknown layout names no offsets and is
// never moved to another address; every other class names those of its
// members.
template <class T>
dv_qem::dv_basic_typespec shop_typespec(const char* name) {
  if constexpr (is_unknown_shell<T>) {
    return dv_qem::dv_basic_typespec(name, sizeof(T), dv_qem::dv_unknown_layout);
  } else {
    return described<T>(name, std::make_index_sequence<T::pointer_offsets().size()>(),
                        std::make_index_sequence<T::vtable_offsets().size()>());
  }
}

// Every class has its stored size; a class of known layout has as many
// pointer fields as stored files carry for it.
template <class T>
constexpr bool matches_table(size_t size, size_t pointers) {
  if constexpr (is_unknown_shell<T>) {
    return sizeof(T) == size;
  } else {
    return sizeof(T) == size && T::pointer_offsets().size() == pointers;
  }
}

}  // namespace
}  // namespace objsch

#define SHOP_CLASS(NAME, SIZE, POINTERS, ...)                                  \
  static_assert(objsch::matches_table<__VA_ARGS__>(SIZE, POINTERS), NAME);     \
  template <>                                                                  \
  dv_qem::dv_basic_typespec dv_qem::dv_ts<__VA_ARGS__>::the_instance = objsch::shop_typespec<__VA_ARGS__>(NAME);
SHOP_SCHEMA_TABLE(SHOP_CLASS)
#undef SHOP_CLASS

namespace objsch {
namespace {

#define SHOP_CLASS(NAME, SIZE, POINTERS, ...) {NAME, &dv_qem::dv_ts<__VA_ARGS__>::the_instance},
const shop_class kShopClasses[] = {SHOP_SCHEMA_TABLE(SHOP_CLASS)};
#undef SHOP_CLASS

static_assert(sizeof(kShopClasses) / sizeof(kShopClasses[0]) == kShopClassCount);

}  // namespace

const shop_class* shop_classes() { return kShopClasses; }

}  // namespace objsch
