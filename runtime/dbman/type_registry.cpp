// The process's registry of typespecs, newest first, and lookup by name.
#include <cstdint>
#include <cstring>

#include "dv_locks.h"
#include "dv_typespec.h"
#include "dv_platform.h"
#include "runtime_state.h"

namespace dv_qem {

namespace {

constexpr char kNamespacePrefix[] = "dv_qem::";
constexpr size_t kNamespacePrefixLength = sizeof kNamespacePrefix - 1;

unsigned as_word(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

const char* name_of(const dv_typespec* ts) {
  const char* name = ts->get_name();
  return name != nullptr ? name : "";
}

const char* without_namespace(const char* name) {
  return std::strncmp(name, kNamespacePrefix, kNamespacePrefixLength) == 0 ? name + kNamespacePrefixLength : name;
}

}  // namespace

void _DV_int::reg_type(const dv_typespec* ts) {
  _VRN_thread_lock lock;
  if (trace_level_ != 0) _VRN_printf("DV_int::reg_type: 0x%x %s\n", as_word(ts), name_of(ts));
  types_ = new type_node{types_, ts};
}

void _DV_int::dereg_type(const dv_typespec* ts) {
  _VRN_thread_lock lock;
  if (trace_level_ != 0) _VRN_printf("DV_int::dereg_type: 0x%x %s\n", as_word(ts), name_of(ts));
  for (type_node** link = &types_; *link != nullptr; link = &(*link)->next) {
    if ((*link)->ts == ts) {
      type_node* node = *link;
      *link = node->next;
      delete node;
      return;
    }
  }
}

int _DV_int::is_registered(const dv_typespec* ts) {
  _VRN_thread_lock lock;
  for (const type_node* node = types_; node != nullptr; node = node->next)
    if (node->ts == ts) return 1;
  return 0;
}

const dv_typespec* _DV_int::lookup_type(const char* name) {
  if (name == nullptr) return nullptr;
  _VRN_thread_lock lock;
  size_t length = std::strlen(name);
  if (length > 0 && (name[length - 1] == '*' || name[length - 1] == '&')) return pointer_typespec_;
  const char* wanted = without_namespace(name);
  for (const type_node* node = types_; node != nullptr; node = node->next)
    if (std::strcmp(without_namespace(name_of(node->ts)), wanted) == 0) return node->ts;
  return nullptr;
}

void _DV_int::for_each_type(void (*visit)(const dv_typespec* ts)) {
  _VRN_thread_lock lock;
  for (const type_node* node = types_; node != nullptr; node = node->next) visit(node->ts);
}

void _DV_int::set_pointer_typespec(const dv_typespec* ts) {
  _VRN_thread_lock lock;
  pointer_typespec_ = ts;
}

}  // namespace dv_qem
