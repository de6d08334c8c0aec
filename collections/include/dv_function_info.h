// dv_function_info: the description of a member function that a path index
// or a query can name (its class, member and return type, where its back
// pointer sits), and dv_function_map: the process's registry of those
// descriptions by class and member name. They are described and looked up
// here; nothing evaluates them.
#pragma once

#include "dv_typespec.h"
#include "dv_types.h"

namespace dv_qem {

class dv_dictionary;

class dv_function_info {
 public:
  enum : dv4u { responsibility_bit = 0x1, class_type_bit = 0x4 };  // flag word

  // Copies the three names (near this object when it is persistent) and
  // keeps the size and offset; flags are f2 | f1. With register_it nonzero
  // the record is registered with dv_function_map.
  dv_function_info(const char* class_name, const char* member_name, const char* return_type, unsigned return_size,
                   int backptr_offset, int f1, int f2, int register_it);
  // A record to look others up with: return type "void", size, offset and
  // flags 0; never registered.
  dv_function_info(const char* class_name, const char* member_name);
  explicit dv_function_info(dv_probe_t) {}
  // Copies have name copies of their own and are not registered.
  dv_function_info(const dv_function_info& other);
  dv_function_info& operator=(const dv_function_info& other);
  // Frees the names; a registered record leaves dv_function_map.
  virtual ~dv_function_info();

  // obj + the back-pointer offset, or null when the offset is negative.
  virtual void* get_dv_backptr(void* obj) const;
  // Evaluation is not supported: does nothing.
  virtual void get_value(void* obj, void* out) const;
  // Evaluation is not supported: null.
  virtual void* copy(void* obj) const;

  const char* get_class() const { return class_name_; }
  const char* get_member() const { return member_name_; }
  const char* get_return_type() const { return return_type_; }
  unsigned get_return_type_size() const { return return_size_; }
  int get_responsibility() const { return (flags_ & responsibility_bit) != 0; }
  int get_class_type() const { return (flags_ & class_type_bit) != 0; }

  // Rank and hash of records by class name, then member name (the byte fold
  // of both names from the seed, not multiplied). a, b and key point at
  // records.
  static int _rank(const void* a, const void* b);
  static unsigned _hash(const void* key);

  static dv_typespec* get_dv_typespec();

 private:
  friend class dv_function_map;

  char* copy_name(const char* name) const;
  void take_names(const dv_function_info& other);
  void free_names();

  char* class_name_ = nullptr;   // owned copy
  char* member_name_ = nullptr;  // owned copy
  char* return_type_ = nullptr;  // owned copy
  dv4u return_size_ = 0;
  dv4s backptr_offset_ = -1;     // negative: no back pointer
  dv4u flags_ = 0;               // responsibility_bit, class_type_bit
};

class dv_function_map {
 public:
  // Registers info: into the map when it exists, else among the pending
  // records that the first lookup moves into it.
  static void insert_item(dv_function_info* info);
  // The registered record of class_name::member_name, or null.
  static dv_function_info* find_item(const char* class_name, const char* member_name);
  // Takes info out of the registry (map or pending records); unknown
  // records are ignored.
  static void remove_item(const dv_function_info* info);

 private:
  struct pending;
  static dv_dictionary* _map;  // keyed by the records; made by the first lookup
  static pending* fihold;      // records registered before the map exists
};

}  // namespace dv_qem
