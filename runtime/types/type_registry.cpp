// The process's registry of typespecs, newest first, and lookup by name.
#include "type_registry.h"

#include <cstdint>
#include <cstring>

#include "dv_locks.h"
#include "dv_platform.h"
#include "address_word.h"

namespace dv_qem {

_Type_registry::type_node* _Type_registry::types_ = nullptr;
const dv_typespec* _Type_registry::pointer_typespec_ = nullptr;
bool _Type_registry::tracing_ = false;

namespace {

constexpr char kNamespacePrefix[] = "dv_qem::";
constexpr size_t kNamespacePrefixLength = sizeof kNamespacePrefix - 1;

const char* name_of(const dv_typespec* ts) {
  const char* name = ts->get_name();
  return name != nullptr ? name : "";
}

const char* without_namespace(const char* name) {
  return std::strncmp(name, kNamespacePrefix, kNamespacePrefixLength) == 0 ? name + kNamespacePrefixLength : name;
}

}  // namespace

void _Type_registry::reg_type(const dv_typespec* ts) {
  _VRN_thread_lock lock;
  if (tracing_) _VRN_printf("DV_int::reg_type: 0x%x %s\n", word_of(ts), name_of(ts));
  types_ = new type_node{types_, ts};
}

void _Type_registry::dereg_type(const dv_typespec* ts) {
  _VRN_thread_lock lock;
  if (tracing_) _VRN_printf("DV_int::dereg_type: 0x%x %s\n", word_of(ts), name_of(ts));
  for (type_node** link = &types_; *link != nullptr; link = &(*link)->next) {
    if ((*link)->ts == ts) {
      type_node* node = *link;
      *link = node->next;
      delete node;
      return;
    }
  }
}

int _Type_registry::is_registered(const dv_typespec* ts) {
  _VRN_thread_lock lock;
  for (const type_node* node = types_; node != nullptr; node = node->next)
    if (node->ts == ts) return 1;
  return 0;
}

const dv_typespec* _Type_registry::lookup_type(const char* name) {
  if (name == nullptr) return nullptr;
  _VRN_thread_lock lock;
  size_t length = std::strlen(name);
  if (length > 0 && (name[length - 1] == '*' || name[length - 1] == '&')) return pointer_typespec_;
  const char* wanted = without_namespace(name);
  for (const type_node* node = types_; node != nullptr; node = node->next)
    if (std::strcmp(without_namespace(name_of(node->ts)), wanted) == 0) return node->ts;
  return nullptr;
}

void _Type_registry::for_each_type(void (*visit)(const dv_typespec* ts)) {
  _VRN_thread_lock lock;
  for (const type_node* node = types_; node != nullptr; node = node->next) visit(node->ts);
}

void _Type_registry::set_pointer_typespec(const dv_typespec* ts) {
  _VRN_thread_lock lock;
  pointer_typespec_ = ts;
}

void _Type_registry::set_tracing(bool on) { tracing_ = on; }

}  // namespace dv_qem
