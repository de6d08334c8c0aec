// The table of representation makers by collection kind, and placement of
// new collections.
#include <atomic>
#include <cstring>

#include "dv_coll_err.h"
#include "dv_coll_rep_registry.h"
#include "dv_new.h"

namespace dv_qem {

namespace {

std::atomic<_Coll_rep_maker> makers[_Coll_kind_count];

constexpr const char* kind_names[_Coll_kind_count] = {"dv_Set", "dv_Bag", "dv_List", "dv_Array"};

}  // namespace

_Coll_kind _Coll_kind_of(const char* kind_name) {
  if (kind_name == nullptr) return _Coll_kind::set;
  if (std::strcmp(kind_name, "dv_List") == 0) return _Coll_kind::list;
  if (std::strcmp(kind_name, "dv_Array") == 0) return _Coll_kind::array;
  if (std::strcmp(kind_name, "dv_Bag") == 0) return _Coll_kind::bag;
  return _Coll_kind::set;
}

const char* _Coll_kind_name(_Coll_kind kind) { return kind_names[static_cast<int>(kind)]; }

void* _Coll_placement::allocate(std::size_t size, dv_typespec* ts) const {
  void* storage = db_ != nullptr ? ::operator new(size, db_, ts) : ::operator new(size, dv_cluster::with(hint_), ts);
  if (storage == nullptr)
    err_coll_internal.signal("allocation of %u bytes of %s %s %p returned null", static_cast<unsigned>(size),
                             ts != nullptr ? ts->get_name() : "(no typespec)", db_ != nullptr ? "in database" : "near",
                             db_ != nullptr ? static_cast<const void*>(db_) : hint_);
  return storage;
}

void _Coll_placement::release(void* storage) noexcept { ::operator delete(storage); }

_Coll_rep_maker _Coll_register_rep(_Coll_kind kind, _Coll_rep_maker maker) {
  return makers[static_cast<int>(kind)].exchange(maker);
}

_Coll_rep_maker _Coll_rep_maker_of(_Coll_kind kind) { return makers[static_cast<int>(kind)].load(); }

dv_collection* _Coll_make_rep(const char* kind_name, const _Coll_placement& where, unsigned expected,
                              unsigned behavior, unsigned initial_count, const void* fill) {
  _Coll_kind kind = _Coll_kind_of(kind_name);
  _Coll_rep_maker maker = _Coll_rep_maker_of(kind);
  if (maker == nullptr)
    err_coll_not_supported.signal(
        "<err-0024-0545>the operation was not supported by the collection subtype "
        "(no representation of kind %s is available for the kind name \"%s\")",
        _Coll_kind_name(kind), kind_name != nullptr ? kind_name : "(null)");
  dv_collection* rep = maker(where, expected, behavior, initial_count, fill);
  if (rep == nullptr)
    err_coll_internal.signal("the maker of kind %s returned no representation", _Coll_kind_name(kind));
  return rep;
}

}  // namespace dv_qem
