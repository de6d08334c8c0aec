// The single-valued relationship kinds: assignment with upkeep of the
// partner's inverse member.
#include "dv_rel.h"

namespace dv_qem {

namespace {

dv_rel_single& single_at(void* object, int offset) {
  return *reinterpret_cast<dv_rel_single*>(static_cast<char*>(object) + offset);
}

dv_rel_many& many_at(void* object, int offset) {
  return *reinterpret_cast<dv_rel_many*>(static_cast<char*>(object) + offset);
}

}  // namespace

namespace {

// Stores p in the member at object + offset, with the index hooks on
// (object, code, offset) around the store when the code is not -1.
void store(dv_rel_single& member, void* p, void* object, int code, int offset) {
  if (code != -1) _dv_rel_index_hook_before(object, code, offset);
  member.set_value(p);
  if (code != -1) _dv_rel_index_hook_after(object, code, offset);
}

}  // namespace

void dv_rel_1_1::unset_inverse(int inverse_offset) { unset_inverse(inverse_offset, -1); }

void dv_rel_1_1::unset_inverse(int inverse_offset, int inverse_index_code) {
  if (void* target = value()) {
    dv_rel_single& inverse = single_at(target, inverse_offset);
    _Rel_may_write(&inverse);
    store(inverse, nullptr, target, inverse_index_code, inverse_offset);
  }
}

void dv_rel_1_1::set_simple(void* p, int member_offset, int index_code) {
  store(*this, p, container(member_offset), index_code, member_offset);
}

void dv_rel_1_1::set_inverse(void* p, int inverse_offset) {
  _Rel_may_write(this);
  unset_inverse(inverse_offset);
  set_simple(p);
}

void dv_rel_1_1::set_inverse(void* p, int member_offset, int inverse_offset, int index_code,
                             int inverse_index_code) {
  _Rel_may_write(this);
  unset_inverse(inverse_offset, inverse_index_code);
  set_simple(p, member_offset, index_code);
}

void dv_rel_1_1::setvalue(void* v, int member_offset, int inverse_offset) {
  setvalue(v, member_offset, inverse_offset, -1, -1);
}

void dv_rel_1_1::setvalue(void* v, int member_offset, int inverse_offset, int index_code,
                          int inverse_index_code) {
  void* owner = container(member_offset);
  // Every object written below first, so that a refusal changes nothing.
  _Rel_may_write(this);
  if (void* target = value()) _Rel_may_write(&single_at(target, inverse_offset));
  if (v != nullptr) {
    dv_rel_single& partner_side = single_at(v, inverse_offset);
    _Rel_may_write(&partner_side);
    if (void* former = partner_side.value()) _Rel_may_write(&single_at(former, member_offset));
  }
  unset_inverse(inverse_offset, inverse_index_code);
  if (v != nullptr) {
    dv_rel_single& partner_side = single_at(v, inverse_offset);
    if (void* former = partner_side.value())
      store(single_at(former, member_offset), nullptr, former, index_code, member_offset);
    store(partner_side, owner, v, inverse_index_code, inverse_offset);
  }
  store(*this, v, owner, index_code, member_offset);
}

void dv_rel_1_m::unset_inverse(int member_offset, int inverse_offset) {
  if (void* target = value()) {
    dv_rel_many& inverse = many_at(target, inverse_offset);
    _Rel_may_write(&inverse);
    inverse.remove_simple_all(container(member_offset));
  }
}

void dv_rel_1_m::set_inverse(void* owner, int member_offset, int inverse_offset) {
  _Rel_may_write(this);
  unset_inverse(member_offset, inverse_offset);
  set_simple(owner);
}

void dv_rel_1_m::setvalue(void* v, int member_offset, int inverse_offset) {
  setvalue(v, member_offset, inverse_offset, -1);
}

void dv_rel_1_m::setvalue(void* v, int member_offset, int inverse_offset, int index_code) {
  void* old_target = value();
  if (v == old_target) return;
  // Every object written below first, so that a refusal changes nothing.
  _Rel_may_write(this);
  if (v != nullptr) _Rel_may_write(&many_at(v, inverse_offset));
  if (old_target != nullptr) _Rel_may_write(&many_at(old_target, inverse_offset));
  void* owner = container(member_offset);
  if (v != nullptr) many_at(v, inverse_offset).insert_simple(owner);
  if (old_target != nullptr) many_at(old_target, inverse_offset).remove_simple_all(owner);
  store(*this, v, owner, index_code, member_offset);
}

}  // namespace dv_qem
