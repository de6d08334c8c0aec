// Deleting an owner of relationship members: before anything changes, every
// object the members' unlinking would write is asked whether this process
// may write it now, so a refusal leaves the owner and its partners as they
// were.
#include <mutex>
#include <set>
#include <unordered_map>

#include "dv_cursor.h"
#include "dv_rel_typed.h"
#include "dv_typespec.h"

namespace dv_qem {

namespace {

// The unlink check of each typed many-valued member class, by its virtual
// table (process-wide; filled when a member of the class is first made,
// the typespec's probe included).
struct many_registry {
  std::mutex lock;
  std::unordered_map<const void*, _dv_rel_unlink_check> checks;
};

many_registry& registry() {
  static many_registry* r = new many_registry;  // never destroyed: used by destructors at exit
  return *r;
}

_dv_rel_unlink_check check_for(const void* vtable) {
  many_registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  auto it = r.checks.find(vtable);
  return it == r.checks.end() ? nullptr : it->second;
}

}  // namespace

void _dv_rel_check_unlink_many(const void* member) {
  const auto& many = *static_cast<const dv_rel_many*>(member);
  if (many.empty()) return;
  int mo = 0, io = 0;
  many.get_members(mo, io);
  dv_cursor c(many);
  void* e = nullptr;
  for (int more = c.first(e); more; more = c.next(e)) _Rel_may_write(static_cast<char*>(e) + io);
}

void _dv_rel_register_many(const void* vtable, _dv_rel_unlink_check check) {
  many_registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  r.checks.emplace(vtable, check);
}

void _dv_rel_check_delete(const void* owner, const dv_typespec* declared) {
  _Rel_may_write(owner);
  const dv_typespec* ts = declared;
  if (durnavel::is_persistent(owner)) {
    unsigned count = 0, offset = 0;
    if (const dv_typespec* stored = dv_typespec::typespec_at(const_cast<void*>(owner), count, offset))
      ts = stored;
  }
  const auto* basic = dynamic_cast<const dv_basic_typespec*>(ts);
  if (basic == nullptr || basic->offsets() == nullptr) return;
  const dv4s* offsets = basic->offsets();
  const char* base = static_cast<const char*>(owner);
  // The many-valued members (found by their virtual tables) check their
  // elements; their value-collection pointer is theirs.
  std::set<dv4s> covered;
  const dv4s* pairs = offsets;
  while (*pairs != -1) ++pairs;
  for (++pairs; pairs[1] != 0; pairs += 2) {
    const void* vtable = *reinterpret_cast<const void* const*>(base + pairs[0]);
    if (_dv_rel_unlink_check check = check_for(vtable)) {
      check(base + pairs[0]);
      covered.insert(pairs[0] + 4);
    }
  }
  // Every other pointer member may be a one-valued member: its target is
  // written when the member unlinks.
  for (const dv4s* p = offsets; *p != -1; ++p) {
    if (covered.count(*p) != 0) continue;
    _Rel_may_write(*reinterpret_cast<const void* const*>(base + *p));
  }
}

}  // namespace dv_qem
