// The shop's payment methods, their input fields, the payment services and
// the pairs that link services to methods. Stored layouts.
#pragma once

#include "bits_array.h"
#include "lang_items.h"

class CPayMethField;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

// An input field with a caption per language (the CMLText part).
class CQuestionaire : public CMLText {
 public:
  explicit CQuestionaire(dv_qem::dv_probe_t p) : CMLText(p), m_options(p) {}

  objsch::dv4u m_nFlags;                 // 12: low four bits, the field kind
  CBitsArray m_options;                  // 16: 4 bytes; bit 5, required
  objsch::dv4s m_nMaxLength;             // 24: 256
  objsch::dv4s m_nWidth;                 // 28: 40
  objsch::dv4s m_nHeight;                // 32: 3
  CMyString m_strText;                   // 36
  objsch::dv4s m_nDefaultChoice;         // 40: -1, none
  dv_qem::dv_List<CMLText>* m_pChoices;  // 44: one multi-language name per choice
  objsch::dv4u m_nWord;                  // 48: 0

  static constexpr auto pointer_offsets() {
    using T = CQuestionaire;
    return objsch::shop_join(CMLText::pointer_offsets(), objsch::shop_pointers_at<CBitsArray>(offsetof(T, m_options)),
                             objsch::shop_at(offsetof(T, m_strText), offsetof(T, m_pChoices)));
  }
  static constexpr auto vtable_offsets() { return CMLText::vtable_offsets(); }
};

class CPayMethField : public CQuestionaire {
 public:
  explicit CPayMethField(dv_qem::dv_probe_t p) : CQuestionaire(p) {}

  objsch::dv4u m_nSize;            // 52: size stamp, 64
  objsch::dv4s m_nInt;             // 56: 0
  dv_qem::dv_List<void>* m_pList;  // 60

  static constexpr auto pointer_offsets() {
    return objsch::shop_join(CQuestionaire::pointer_offsets(), objsch::shop_at(offsetof(CPayMethField, m_pList)));
  }
  static constexpr auto vtable_offsets() { return CMLText::vtable_offsets(); }
};

// A payment method: its name per language (the CMLText part) and its fields.
class CPayMethod : public CMLText {
 public:
  explicit CPayMethod(dv_qem::dv_probe_t p) : CMLText(p) {}

  objsch::dv4u m_nSize;                            // 12: size stamp, 32
  objsch::dv4s m_nInt;                             // 16: 0
  CMyString m_strFileName;                         // 20: "payment methods\<name>.ini"
  dv_qem::dv_List<CPayMethField>* m_pFields;       // 24: in file order
  dv_qem::dv_List<void>* m_pList;                  // 28

  static constexpr auto pointer_offsets() {
    using T = CPayMethod;
    return objsch::shop_join(CMLText::pointer_offsets(),
                             objsch::shop_at(offsetof(T, m_strFileName), offsetof(T, m_pFields), offsetof(T, m_pList)));
  }
  static constexpr auto vtable_offsets() { return CMLText::vtable_offsets(); }
};

class CPayServiceDetails {
 public:
  objsch::dv4u m_nSize;                     // 0: size stamp, 20
  CMyString m_strText;                      // 4
  CMyString m_strPath;                      // 8: e.g. "payment services\manual\default"
  dv_qem::dv_List<CMyString>* m_pTexts;     // 12: eight texts
  dv_qem::dv_List<void>* m_pList;           // 16

  static constexpr auto pointer_offsets() { return objsch::shop_at(4, 8, 12, 16); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

class CPayServiceMethodPair {
 public:
  objsch::dv4u m_nSize;               // 0: size stamp, 16
  CPayServiceDetails* m_pService;     // 4
  CPayMethod* m_pMethod;              // 8
  dv_qem::dv_List<void>* m_pList;     // 12

  static constexpr auto pointer_offsets() { return objsch::shop_at(4, 8, 12); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

static_assert(sizeof(CQuestionaire) == 52 && offsetof(CQuestionaire, m_options) == 16);
static_assert(offsetof(CQuestionaire, m_strText) == 36 && offsetof(CQuestionaire, m_pChoices) == 44);
static_assert(sizeof(CPayMethField) == 64 && offsetof(CPayMethField, m_nSize) == 52);
static_assert(sizeof(CPayMethod) == 32 && offsetof(CPayMethod, m_strFileName) == 20);
static_assert(sizeof(CPayServiceDetails) == 20 && sizeof(CPayServiceMethodPair) == 16);

#pragma GCC diagnostic pop
