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
  // A text field (kind 1) of width 40, height 3, at most 256 characters,
  // with one caption item and no choices.
  explicit CQuestionaire(BOOL persistent);
  // Deletes the choices and the text.
  ~CQuestionaire() override;

  int GetKind() const { return static_cast<int>(m_nFlags & 0xf); }
  void SetKind(int kind) { m_nFlags = (m_nFlags & ~0xfu) | (static_cast<objsch::dv4u>(kind) & 0xf); }
  BOOL IsRequired() const { return m_options.GetAt(5); }
  void SetRequired(BOOL on) { m_options.SetAt(5, on); }
  // Removes every choice, deleting it.
  void EmptyChoices();

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
  explicit CPayMethField(BOOL persistent);
  ~CPayMethField() override;
  static CPayMethField* CreateNew(BOOL persistent);

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
  explicit CPayMethod(BOOL persistent);
  // Deletes the pairs that name this method and leaves the shop's method
  // list, then deletes its fields and items.
  ~CPayMethod() override;
  static CPayMethod* CreateNew(BOOL persistent);
  void SetFileName(LPCSTR text) { m_strFileName = text; }

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
  // Eight empty texts in its list.
  explicit CPayServiceDetails(BOOL persistent);
  // Deletes the pairs that name this service and leaves the shop's service
  // list, then deletes its texts.
  ~CPayServiceDetails();
  CPayServiceDetails(const CPayServiceDetails&) = delete;
  CPayServiceDetails& operator=(const CPayServiceDetails&) = delete;
  static CPayServiceDetails* CreateNew(BOOL persistent);
  void SetPath(LPCSTR text) { m_strPath = text; }
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
  explicit CPayServiceMethodPair(BOOL persistent);
  ~CPayServiceMethodPair();
  CPayServiceMethodPair(const CPayServiceMethodPair&) = delete;
  CPayServiceMethodPair& operator=(const CPayServiceMethodPair&) = delete;
  static CPayServiceMethodPair* CreateNew(BOOL persistent);
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

class ShopInfo;

// Removes every field of the list, deleting each when del is set.
void EmptyPayFieldList(dv_qem::dv_List<CPayMethField>* list, BOOL del);
// Reads the method's names and fields from its description file (the file
// name relative to the program folder) in the language code; the fields
// replace the old ones unless the file has no section line to read. The
// number of lines of the fields section, 0 when there is none.
int ParsePayMethodFields(CPayMethod& method, LPCSTR fileName, LPCSTR languageCode);
// The four default methods (cashondelivery, drawfrombank, purchaseorder,
// sendcheck), the manual payment service and a pair of each method with
// it; a shop that has methods keeps them. The number of methods.
int CreateDefaultPayMethods(ShopInfo& info);
