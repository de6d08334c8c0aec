// dv_outofline_collection: the facade that applications embed in their
// persistent objects. It owns one representation, reached by pointer, and
// forwards every operation of the protocol to it; destroying the facade
// destroys the representation. Copies get their own representation.
#pragma once

#include "dv_collection.h"
#include "dv_outofline_forwarding.h"
#include "dv_typespec.h"

namespace dv_qem {

class dv_outofline_collection
    : public _dv_outofline_forwarding<dv_outofline_collection, dv_collection> {
 public:
  dv_outofline_collection() = default;
  explicit dv_outofline_collection(dv_collection* rep) : rep_(rep) {}
  explicit dv_outofline_collection(dv_probe_t) {}
  // A facade owns its representation, so a copy owns a new one: a transient
  // representation of the other's kind holding the other's elements (in
  // order); copying a facade without a representation copies none.
  dv_outofline_collection(const dv_outofline_collection& other);
  // Replaces this facade's elements by the other's (through _assign); the
  // representation itself stays. Without a representation of its own the
  // facade gets a transient one of the other's kind.
  dv_outofline_collection& operator=(const dv_outofline_collection& other);

  dv_collection* get_outofline() const { return rep_; }
  void set_outofline(dv_collection* rep) { rep_ = rep; }

  // Makes a representation of the kind ("dv_List", "dv_Array", "dv_Bag",
  // anything else a set) and a facade around it in the same placement.
  // Never null; the allocation's failure raises err_coll_internal.
  static dv_outofline_collection* generate_facade(const char* kind, dv_database* db, unsigned expected,
                                                  unsigned behavior, unsigned initial_count = 0,
                                                  const void* fill = nullptr);
  static dv_outofline_collection* generate_facade(const char* kind, const void* hint, unsigned expected,
                                                  unsigned behavior, unsigned initial_count = 0,
                                                  const void* fill = nullptr);

  static dv_typespec* get_dv_typespec();

  // ---- the protocol: forwarded (_dv_outofline_forwarding) but for these ---------
  void* _pick() const override;  // the representation's pick()
  void* _only() const override;  // the representation's only()
  // Destroys the representation (when there is one).
  ~dv_outofline_collection() override;

 private:
  friend struct _Coll_layout;
  friend class _dv_outofline_forwarding<dv_outofline_collection, dv_collection>;

  // The representation; err_coll_internal when there is none.
  dv_collection& rep() const;

  dv_collection* rep_ = nullptr;  // owned representation
  dv4u reserved_ = 0;             // read by no operation; copied with the facade
};

}  // namespace dv_qem
