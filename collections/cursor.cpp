// dv_cursor: construction, binding and unbinding, walking by kind, updates
// through default cursors, copies and saved positions.
#include <cstring>
#include <typeinfo>

#include "coll_messages.h"
#include "dv_coll_err.h"
#include "dv_coll_session.h"
#include "dv_cursor.h"
#include "dv_err.h"
#include "dv_list.h"
#include "dv_new.h"
#include "dv_outofline_collection.h"
#include "dv_reference.h"

namespace dv_qem {

namespace {

// A reference made from a null pointer; the compiler may not assume it away.
bool is_null_reference(const dv_collection& c) {
  const dv_collection* address = &c;
  __asm__("" : "+r"(address));
  return address == nullptr;
}

[[noreturn]] void unsupported(const char* name) { throw dv_err_not_supported("%s", name); }

// The chained list a default cursor walks when its collection is exactly a
// dv_list or a dv_chained_list_4_8, or exactly the facade around one, whose
// steps are known here; null for any other class (a derived one may step
// differently).
const dv_chained_list* walked_list(const dv_collection* c) {
  if (c == nullptr) return nullptr;
  if (&typeid(*c) == &typeid(dv_outofline_collection)) {
    c = static_cast<const dv_outofline_collection*>(c)->get_outofline();
    if (c == nullptr) return nullptr;
  }
  const std::type_info* type = &typeid(*c);
  if (type == &typeid(dv_list) || type == &typeid(dv_chained_list_4_8)) return static_cast<const dv_chained_list_4_8*>(c);
  return nullptr;
}

// Runs f under the session lock with the session's collection state made.
template <class F>
void under_session_lock(F f) {
  _VRN_session_lock lock;
  if (_Session* session = _Session::get_current(0)) _VRN_get_subsystem_local_coll(session);
  f();
}

}  // namespace

dv_cursor::dv_cursor() { set(initialized_bit, 1); }

dv_cursor::dv_cursor(const dv_collection& c, int options) {
  bind(c, options);
  set(initialized_bit, 1);
}

dv_cursor::dv_cursor(const dv_collection& c, const char* type_name, int options) {
  copy_type_name(type_name);
  set(sort_by_type_bit, 1);
  try {
    bind(c, options);
  } catch (...) {
    ::operator delete(state_b());
    throw;
  }
  set(initialized_bit, 1);
}

dv_cursor::dv_cursor(const dv_collection& c, dv_rank_fn rank, int options) {
  set_state_b(reinterpret_cast<void*>(rank));
  set(sort_by_user_rfn_bit, 1);
  bind(c, options);
  set(initialized_bit, 1);
}

dv_cursor::dv_cursor(const dv_dictionary&, const dv_coll_range&, int) {}
dv_cursor::dv_cursor(const dv_collection&, const dv_index_path&, int) {}

dv_cursor::dv_cursor(const dv_cursor& other) { *this = other; }

dv_cursor::~dv_cursor() {
  under_session_lock([this] {
    if (initialized()) unbind();
  });
}

void dv_cursor::copy_type_name(const char* name) {
  std::size_t length = std::strlen(name) + 1;
  char* copy = static_cast<char*>(
      ::operator new(length, dv_cluster::with(this), dv_typespec::get_char(), static_cast<unsigned>(length)));
  std::memcpy(copy, name, length);
  set_state_b(copy);
}

void dv_cursor::bind(const dv_collection& c, int options) {
  if (is_null_reference(c)) dv_coll_raise<coll_msg::cursor_on_null_collection>();
  if (iterate_off_range() && !restricted_dictionary_cursor())
    dv_coll_raise<coll_msg::iterate_off_range_unordered>();
  set_contents(&c);
  flags_ |= static_cast<dv4u>(options) & (sort_by_addrs_bit | update_insensitive_cursor_bit);
  if (restricted_dictionary_cursor()) unsupported("dv_cursor::bind_restricted_dictionary_cursor");
  if (index_based_cursor()) unsupported("dv_cursor::ordered_bind");
  if (!update_insensitive_cursor() && !sorted_cursor()) {
    set(default_cursor_bit, 1);
    void* first_element = nullptr;
    set_more(c._first(*this, first_element));
    return;
  }
  array_bind();
}

void dv_cursor::clear() {
  flags_ = 0;
  count_ = index_ = 0;
  state_word_ = 0;
  state_a_ = nullptr;
  state_b_ = nullptr;
  state_c_ = nullptr;
  contents_ = nullptr;
  range_ = nullptr;
  index_name_ = nullptr;
  dcur_ = nullptr;
  words_[0] = words_[1] = 0;
}

void dv_cursor::unbind() {
  if (contents() != nullptr) {
    if (array_cursor()) {
      array_unbind();
      if (sort_by_type()) ::operator delete(const_cast<char*>(type_of_sort()));
    } else if (ixonly_cursor()) {
      unbind_ixonly();
    } else if (dynamic_extent_cursor()) {
      unbind_dynamic_extent();
    } else if (dictionary_cursor()) {
      delete dc();
    }
  }
  clear();
}

void dv_cursor::unbind_dynamic_extent() {
  if (state_a() == this) return;
  ::operator delete(state_a());
  ::operator delete(state_b());
  set_state_a(nullptr);
  set_state_b(nullptr);
}

void dv_cursor::unbind_ixonly() {
  delete distal();
  set_state_b(nullptr);
}

void dv_cursor::_reset() {
  if (array_cursor()) {
    array_reset();
    return;
  }
  if (index_based_cursor()) unsupported("dv_cursor::ordered_reset");
  if (restricted_dictionary_cursor()) unsupported("dv_cursor::reset_restricted_dictionary_cursor");
  if (ixonly_cursor())
    unbind_ixonly();
  else if (dynamic_extent_cursor())
    unbind_dynamic_extent();
  else if (dictionary_cursor())
    delete dc();
  clear();
  set(initialized_bit, 1);
}

void dv_cursor::rebind(const dv_collection& c) {
  under_session_lock([&] {
    _reset();
    bind(c, static_cast<int>(flags_ & (update_insensitive_cursor_bit | sort_by_addrs_bit)));
  });
}

void dv_cursor::rebind(const dv_collection& c, dv_rank_fn rank) {
  under_session_lock([&] {
    if (!sort_by_user_rfn()) dv_coll_raise<coll_msg::rebind_without_rank_function>();
    _reset();
    set_state_b(reinterpret_cast<void*>(rank));
    bind(c, static_cast<int>(flags_ & (update_insensitive_cursor_bit | sort_by_addrs_bit)));
  });
}

dv_cursor& dv_cursor::operator=(const dv_cursor& other) {
  if (this == &other) return *this;
  under_session_lock([&] {
    if (initialized()) unbind();
  });
  flags_ = other.flags_;
  count_ = other.count_;
  index_ = other.index_;
  state_word_ = other.state_word_;
  state_a_ = other.state_a_;
  state_b_ = other.state_b_;
  state_c_ = other.state_c_;
  contents_ = other.contents_;
  range_ = other.range_;
  index_name_ = other.index_name_;
  dcur_ = other.dcur_;
  words_[0] = other.words_[0];
  words_[1] = other.words_[1];
  if (contents() == nullptr) return *this;
  if (array_cursor()) {
    // Own copies of the sort key and the snapshot.
    if (sort_by_type()) copy_type_name(other.type_of_sort());
    array_copy(other);
  } else if (ixonly_cursor()) {
    set_state_b(new dv_cursor(*other.distal()));
  } else if (dynamic_extent_cursor()) {
    // What a dynamic-extent cursor holds is of a size only its
    // representation knows, so the copy cannot share or duplicate it: the
    // copy is bound afresh and stands on the first element.
    clear();
    bind(*other.contents(), 0);
    set(initialized_bit, 1);
  } else if (dictionary_cursor()) {
    // A dictionary cursor of its own, moved to the other's position.
    _dv_cursor_holder position;
    other.remember(position);
    clear();
    bind(*other.contents(), static_cast<int>(other.flags_ & (update_insensitive_cursor_bit | sort_by_addrs_bit)));
    dv_dictionary_cursor* own = dc();
    position.restore_base(*this);
    set_state_a(own);
    own->restore(position);
  } else if (restricted_dictionary_cursor()) {
    unsupported("dv_cursor::bind_restricted_dictionary_cursor");
  } else if (index_based_cursor()) {
    unsupported("dv_cursor::ordered_bind");
  }
  return *this;
}

void dv_cursor::invalid_cursor() const { dv_coll_raise<coll_msg::invalid_cursor_type>(); }

int dv_cursor::first(void*& out) {
  if (default_cursor()) return moved(contents()->_first(*this, out), out);
  if (array_cursor()) return moved(array_first(out), out);
  if (index_based_cursor()) unsupported("dv_cursor::ordered_first");
  if (restricted_dictionary_cursor()) unsupported("dv_cursor::rdc_first");
  invalid_cursor();
}

int dv_cursor::last(void*& out) {
  if (default_cursor()) return moved(contents()->_last(*this, out), out);
  if (array_cursor()) return moved(array_last(out), out);
  if (index_based_cursor()) unsupported("dv_cursor::ordered_last");
  if (restricted_dictionary_cursor()) unsupported("dv_cursor::rdc_last");
  invalid_cursor();
}

int dv_cursor::next(void*& out) {
  if (default_cursor()) {
    if (const dv_chained_list* l = walked_list(contents())) return moved(l->step_next(*this, out), out);
    return moved(contents()->_next(*this, out), out);
  }
  if (array_cursor()) return moved(array_next(out), out);
  if (index_based_cursor()) unsupported("dv_cursor::ordered_next");
  if (restricted_dictionary_cursor()) unsupported("dv_cursor::rdc_next");
  invalid_cursor();
}

int dv_cursor::previous(void*& out) {
  if (default_cursor()) {
    if (const dv_chained_list* l = walked_list(contents())) return moved(l->step_previous(*this, out), out);
    return moved(contents()->_previous(*this, out), out);
  }
  if (array_cursor()) return moved(array_previous(out), out);
  if (index_based_cursor()) unsupported("dv_cursor::ordered_previous");
  if (restricted_dictionary_cursor()) unsupported("dv_cursor::rdc_previous");
  invalid_cursor();
}

void* dv_cursor::first() { void* e = nullptr; return first(e) ? e : nullptr; }
void* dv_cursor::last() { void* e = nullptr; return last(e) ? e : nullptr; }

void* dv_cursor::retrieve() const {
  if (default_cursor()) return contents()->_retrieve(*this);
  if (array_cursor()) return array_retrieve();
  if (index_based_cursor()) unsupported("dv_cursor::ordered_retrieve");
  if (restricted_dictionary_cursor()) unsupported("dv_cursor::rdc_retrieve");
  invalid_cursor();
}

namespace {

// One step; when the address space ran out, the cursor goes back to where it
// was, the marker releases what it holds, and the step is tried once more.
template <class Step>
void* with_one_retry(dv_cursor& c, dv_address_space_marker& marker, Step step) {
  _dv_cursor_holder saved;
  c.remember(saved);
  try {
    return step();
  } catch (const dv_err_address_space_exhausted&) {
  } catch (const dv_err_address_space_full&) {
  }
  c.restore(saved);
  marker.release(0);
  return step();
}

}  // namespace

void* dv_cursor::first(dv_address_space_marker& m) { return with_one_retry(*this, m, [this] { return first(); }); }
void* dv_cursor::last(dv_address_space_marker& m) { return with_one_retry(*this, m, [this] { return last(); }); }
void* dv_cursor::next(dv_address_space_marker& m) { return with_one_retry(*this, m, [this] { return next(); }); }
void* dv_cursor::previous(dv_address_space_marker& m) {
  return with_one_retry(*this, m, [this] { return previous(); });
}
void* dv_cursor::retrieve(dv_address_space_marker& m) {
  return with_one_retry(*this, m, [this] { return retrieve(); });
}

void dv_cursor::require_default_cursor() const {
  if (!default_cursor()) dv_coll_raise<coll_msg::update_const_through_cursor>();
}

void dv_cursor::insert_after(const void* e) {
  require_default_cursor();
  contents()->_insert_after(e, *this);
}

void dv_cursor::insert_before(const void* e) {
  require_default_cursor();
  contents()->_insert_before(e, *this);
}

void dv_cursor::remove_at() {
  require_default_cursor();
  contents()->_remove_at(*this);
}

int dv_cursor::valid() const {
  if (index_based_cursor()) unsupported("dv_cursor::ordered_between");
  return !at_deleted_element();
}

const dv_coll_range* dv_cursor::get_range() const { return use_coll_range() ? rng() : nullptr; }
const _Index_name* dv_cursor::get_index() const { return index_based_cursor() ? iteration_path() : nullptr; }

void dv_cursor::remember(_dv_cursor_holder& holder) const {
  holder.remember_base(*this);
  if ((flags_ & (dictionary_cursor_bit | restricted_dictionary_cursor_bit)) != 0 && dc() != nullptr)
    dc()->remember(holder);
}

void dv_cursor::restore(const _dv_cursor_holder& holder) {
  holder.restore_base(*this);
  if ((flags_ & (dictionary_cursor_bit | restricted_dictionary_cursor_bit)) != 0 && dc() != nullptr)
    dc()->restore(holder);
}

}  // namespace dv_qem
