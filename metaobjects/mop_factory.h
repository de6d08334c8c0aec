// Making unspecified metaobjects in a schema's database (the protected
// default constructors), for install.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dv_new.h"
#include "dv_qem/mop_schema.h"

namespace dv_qem {

struct _Mop_factory {
  // A new unspecified T in the schema's database.
  template <class T>
  static T* make(const dv_schema& schema) {
    return new (dv_database::of(&schema), T::get_dv_typespec()) T();
  }
  // The schema's type of the source's name, made unspecified and filed when
  // the schema has none; filled by dup when the schema supports reachable
  // types or flag is set and it is still unspecified.
  template <class T>
  static T& install_type(const T& source, dv_schema& schema, int flag);
  // Puts an unspecified T that an install began to fill back as it was made.
  template <class T>
  static void reset(T* instance) {
    instance->~T();
    ::new (static_cast<void*>(instance)) T();
  }
};

// The undo of one install: an install that is refused (dv_err_mop, or any
// error of the store) takes back every type and template it filed in the
// target, frees them, and puts every unspecified type it began to fill back
// as it was, so that the target is as before the install.
class _Mop_install_journal {
 public:
  // Runs body (an install into schema, returning a reference) as one undoable
  // step; nested installs join the outermost one.
  template <class F>
  static auto& run(F&& body) {
    if (active_ != nullptr) return body();
    _Mop_install_journal journal;
    active_ = &journal;
    try {
      auto& result = body();
      active_ = nullptr;
      return result;
    } catch (...) {
      active_ = nullptr;
      journal.undo();
      throw;
    }
  }
  // Records, for the install running, a type or template filed under name,
  // and an unspecified type about to be filled.
  static void filed(dv_schema& schema, const char* name, dv_type* type);
  static void filed(dv_schema& schema, const char* name, dv_template* t);
  template <class T>
  static void filling(T* instance) {
    if (active_ != nullptr) active_->undo_.push_back([instance] { _Mop_factory::reset(instance); });
  }

 private:
  void undo();

  std::vector<std::function<void()>> undo_;  // in the order done
  static thread_local _Mop_install_journal* active_;
};

// The installed copy of t (flag 0), null for null.
dv_type* _Mop_install(const dv_type* t, dv_schema& schema);
dv_class_type* _Mop_install(const dv_class_type* c, dv_schema& schema);

}  // namespace dv_qem
