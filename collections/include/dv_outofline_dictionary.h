// dv_outofline_dictionary: the 12-byte dictionary facade a persistent object
// embeds. It owns one dictionary representation and forwards every
// operation to it; destroying the facade destroys the representation. A
// copy, or the target of an assignment, gets a representation of its own
// holding the same entries.
#pragma once

#include "dv_dictionary.h"
#include "dv_outofline_forwarding.h"
#include "dv_typespec.h"

namespace dv_qem {

class dv_outofline_dictionary
    : public _dv_outofline_forwarding<dv_outofline_dictionary, dv_dictionary> {
 public:
  dv_outofline_dictionary() = default;
  // Adopts rep (owned from now on).
  explicit dv_outofline_dictionary(dv_dictionary* rep) : rep_(rep) {}
  explicit dv_outofline_dictionary(dv_probe_t p) : _dv_outofline_forwarding(p) {}
  // The copy's representation is made next to the copy and holds the other's
  // entries; copying a facade without a representation copies none.
  dv_outofline_dictionary(const dv_outofline_dictionary& other);
  // Drops this facade's representation and takes a copy of the other's.
  dv_outofline_dictionary& operator=(const dv_outofline_dictionary& other);
  // Destroys the representation (when there is one).
  ~dv_outofline_dictionary() override;

  dv_dictionary* get_outofline() const { return rep_; }
  void set_outofline(dv_dictionary* rep) { rep_ = rep; }

  // Slot 107: preparing for a bulk load; a facade has nothing to prepare.
  virtual void allocate_coll(unsigned, unsigned) {}
  void _init_load(unsigned a, unsigned b) { allocate_coll(a, b); }

  static dv_typespec* get_dv_typespec();

  // A new representation next to where holding source's entries (same key
  // type, key size, order and duplicates rule).
  static dv_dictionary* copy_representation(const dv_dictionary& source, const void* where);

  // ---- collection slots: forwarded (_dv_outofline_forwarding) but for these ------
  // Null when the representation is empty, else its pick.
  void* _pick() const override;
  // Null when empty; err_coll_not_singleton "<err-0024-0270>..." with more
  // than one element; else the representation's only.
  void* _only() const override;

  // ---- dictionary slots, forwarded (slot 102, _key_size, is dv_dictionary's) ------
  int _is_a_hashtable() const override { return rep()._is_a_hashtable(); }
  dv_dictionary_cursor& __iteration_start(int low_restriction, const void* low, int high_restriction,
                                          const void* high, int placement) const override {
    return rep().__iteration_start(low_restriction, low, high_restriction, high, placement);
  }
  dv_dictionary_cursor& __iteration_start(int restriction, const void* key, int placement) const override {
    return rep().__iteration_start(restriction, key, placement);
  }
  dv_dictionary_cursor& __iteration_start(int placement) const override { return rep().__iteration_start(placement); }
  void __iteration_end(dv_dictionary_cursor& c) const override { rep().__iteration_end(c); }
  int __first(dv_dictionary_cursor& c, void*& out) const override { return rep().__first(c, out); }
  int __last(dv_dictionary_cursor& c, void*& out) const override { return rep().__last(c, out); }
  int __next(dv_dictionary_cursor& c, void*& out) const override { return rep().__next(c, out); }
  int __previous(dv_dictionary_cursor& c, void*& out) const override { return rep().__previous(c, out); }
  int __is_null(const dv_dictionary_cursor& c) const override { return rep().__is_null(c); }
  int __more(const dv_dictionary_cursor& c) const override { return rep().__more(c); }
  void* __retrieve(const dv_dictionary_cursor& c) const override { return rep().__retrieve(c); }
  void* __retrieve_key(const dv_dictionary_cursor& c) const override { return rep().__retrieve_key(c); }
  void* __pick(int low_restriction, const void* low, int high_restriction, const void* high,
               unsigned& found) const override {
    return rep().__pick(low_restriction, low, high_restriction, high, found);
  }
  void* __pick(int restriction, const void* key, unsigned& found) const override {
    return rep().__pick(restriction, key, found);
  }
  void* __pick(unsigned& found) const override { return rep().__pick(found); }
  void* __only(int& empty) const override { return rep().__only(empty); }
  int __contains(const void* element, const void* key) const override { return rep().__contains(element, key); }
  void __insert(const void* element, const void* key, dv_collection* coll, const void* key2, int& found) override {
    rep().__insert(element, key, coll, key2, found);
  }
  void __insert(const void* element, const void* key, dv_collection* coll, const void* key2,
                unsigned flag) override {
    rep().__insert(element, key, coll, key2, flag);
  }
  void __remove(const void* element, const void* key, int& found, dv_collection* coll) override {
    rep().__remove(element, key, found, coll);
  }
  void __remove(const void* element, const void* key, dv_collection* coll) override {
    rep().__remove(element, key, coll);
  }
  int __count(const void* key, const void* element) const override { return rep().__count(key, element); }
  int __count(dv_dictionary_cursor& c) const override { return rep().__count(c); }
  int __duplicates() const override { return rep().__duplicates(); }
  const char* _key_type() const override { return rep()._key_type(); }
  void __reset(dv_dictionary_cursor& c, const void* a, const void* b, _Direction d) override {
    rep().__reset(c, a, b, d);
  }
  dv_collection* _cursors() const override { return rep()._cursors(); }
  void _set_allow_dup(unsigned on) override { rep()._set_allow_dup(on); }
  void find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const override { rep().find_functions(rank, hash); }

 protected:
  // The representation; err_coll_internal when there is none.
  dv_dictionary& rep() const;

 private:
  friend struct _Dictionary_facade_layout;
  friend class _dv_outofline_forwarding<dv_outofline_dictionary, dv_dictionary>;

  dv_dictionary* rep_ = nullptr;  // owned representation
  dv4u reserved_ = 0;             // read by no operation; copied with the facade
};

}  // namespace dv_qem
