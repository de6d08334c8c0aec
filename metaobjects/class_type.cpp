// Class types, instantiated class types and base-class records.
#include <cstring>
#include <vector>

#include "dv_new.h"
#include "dv_qem/mop_class.h"
#include "dv_qem/mop_template.h"

namespace dv_qem {

namespace {

// The vtbl map: a hash table for about ten entries.
constexpr unsigned vtbl_map_expected = 10;

}  // namespace

dv_class_type::dv_class_type(const char* name)
    : dv_type(0, 0, name), is_forward_definition_(1), vtbl_map_(vtbl_map_expected, 0) {}

dv_class_type::dv_class_type() : vtbl_map_(vtbl_map_expected, 0) {}

dv_class_type::dv_class_type(dv_probe_t) : dv_type(dv_probe), bases_(dv_probe), members_(dv_probe), vtbl_map_(dv_probe) {}

dv_class_type::~dv_class_type() {
  destroy_bases();
  destroy_members();
  // The map's names are this class's own; collect them before freeing.
  std::vector<String*> names;
  dv_cursor c(vtbl_map_);
  void* e = nullptr;
  for (int more = c.first(e); more; more = c.next(e)) names.push_back(static_cast<String*>(e));
  vtbl_map_.clear();
  for (String* name : names) delete name;
}

void dv_class_type::destroy_bases() { bases_.destroy_elements(); }

void dv_class_type::destroy_members() { members_.destroy_elements(); }

void dv_class_type::set_dispatch_table_pointer_offset(int n) {
  dispatch_table_pointer_offset_ = n;
  has_dispatch_table_ = 1;
}

void dv_class_type::add_vtbl_info(unsigned key, const char* name) {
  String* copy = new (dv_database::of(this), String::get_dv_typespec()) String(name);
  vtbl_map_.insert(key, copy);
  has_vtbl_maps_ = 1;
}

void dv_class_type::set_base_classes(const dv_List<dv_base_class>& bases) {
  if (&bases == &bases_) return;
  destroy_bases();
  bases_ = bases;
}

void dv_class_type::set_members(const dv_List<dv_member>& members) {
  if (&members == &members_) return;
  destroy_members();
  members_ = members;
}

dv_base_class* dv_class_type::find_base_class(const char* name) const {
  dv_base_class* found = nullptr;
  bases_.each([&](dv_base_class* b) {
    if (found == nullptr && b->get_class() != nullptr && std::strcmp(b->get_class()->get_name(), name) == 0)
      found = b;
  });
  return found;
}

dv_member_variable* dv_class_type::find_member_variable(const char* name) const {
  dv_member_variable* found = nullptr;
  members_.each([&](dv_member* m) {
    if (found == nullptr && m->get_kind() == dv_member::Member_variable && std::strcmp(m->get_name(), name) == 0)
      found = static_cast<dv_member_variable*>(m);
  });
  return found;
}

dv_instantiated_class_type::dv_instantiated_class_type(const char* name, dv_template_instantiation& instantiation)
    : dv_class_type(name), instantiation_(&instantiation) {}

dv_instantiated_class_type::~dv_instantiated_class_type() { delete instantiation_; }

void dv_instantiated_class_type::set_instantiation(dv_template_instantiation* instantiation) {
  if (instantiation == instantiation_) return;
  delete instantiation_;
  instantiation_ = instantiation;
}

dv_base_class::dv_base_class(int access, int is_virtual, dv_class_type& base)
    : class_(&base), access_(access), is_virtual_(is_virtual) {}

void dv_base_class::set_virtual_base_class_pointer_offset(unsigned n) {
  virtual_base_class_pointer_offset_ = n;
  virtual_base_class_has_pointer_ = 1;
}

unsigned dv_base_class::get_size() const { return class_ != nullptr ? class_->get_size() : 0; }

}  // namespace dv_qem
