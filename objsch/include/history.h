// Small records that the Root, departments and products embed: the
// modification history, the wall pictures, the web information and the shop
// header. Stored layouts.
#pragma once

#include "fw_datetime.h"
#include "my_string.h"

class CAppInfo;

// The current local date-time, kept in one program-wide cell that each call
// overwrites: copy it at once.
const COleDateTime& GetNow();

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

// Who changed an object and when.
class CModiDetail {
 public:
  // Made now by nobody: empty "by", the current time.
  // Unset: for the scratch instance of type registration.
  CModiDetail() = default;
  explicit CModiDetail(BOOL persistent);
  // Destroys the text and the list.
  ~CModiDetail();
  CModiDetail(const CModiDetail&) = delete;
  CModiDetail& operator=(const CModiDetail&) = delete;
  void SetDate(const COleDateTime& date) { m_date = date; }

  objsch::dv4u m_nSize;          // 0: size stamp, 28
  CAppInfo* m_pApp;              // 4: the application that made the change; never set here
  CMyString m_strBy;             // 8: empty
  COleDateTime m_date;           // 12: 8-byte day number and 4-byte status
  dv_qem::dv_List<void>* m_pList;  // 24

  static constexpr auto pointer_offsets() {
    return objsch::shop_at(offsetof(CModiDetail, m_pApp), offsetof(CModiDetail, m_strBy),
                           offsetof(CModiDetail, m_pList));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// When an object was created and last changed.
class CModHistory {
 public:
  // Unset: for the scratch instance of type registration.
  CModHistory() = default;
  explicit CModHistory(BOOL persistent);
  ~CModHistory();
  CModHistory(const CModHistory&) = delete;
  CModHistory& operator=(const CModHistory&) = delete;
  CModiDetail& GetCreation() { return m_creation; }
  CModiDetail& GetLastChange() { return m_lastChange; }

  objsch::dv4u m_nSize;            // 0: size stamp, 64
  CModiDetail m_creation;          // 4
  CModiDetail m_lastChange;        // 32
  dv_qem::dv_List<void>* m_pList;  // 60

  static constexpr auto pointer_offsets() {
    return objsch::shop_join(objsch::shop_pointers_at<CModiDetail>(offsetof(CModHistory, m_creation)),
                             objsch::shop_pointers_at<CModiDetail>(offsetof(CModHistory, m_lastChange)),
                             objsch::shop_at(offsetof(CModHistory, m_pList)));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// The shop's history, embedded in the Root.
class CHistory {
 public:
  // Unset: for the scratch instance of type registration.
  CHistory() = default;
  explicit CHistory(BOOL persistent);
  ~CHistory();
  CHistory(const CHistory&) = delete;
  CHistory& operator=(const CHistory&) = delete;
  CModHistory& GetModHistory() { return m_modHistory; }

  objsch::dv4u m_nSize;            // 0: size stamp, 80
  objsch::dv4u m_nWord;            // 4: 0
  CMyString m_strText;             // 8: empty
  CModHistory m_modHistory;        // 12
  dv_qem::dv_List<void>* m_pList;  // 76

  static constexpr auto pointer_offsets() {
    return objsch::shop_join(objsch::shop_at(offsetof(CHistory, m_strText)),
                             objsch::shop_pointers_at<CModHistory>(offsetof(CHistory, m_modHistory)),
                             objsch::shop_at(offsetof(CHistory, m_pList)));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// The picture names of the wall, the ceiling, the floor and the pedestals.
class _WallInfo {
 public:
  // "SEA.JPG", "DAWN.JPG", "TREK.JPG", "PED3.JPG".
  // Unset: for the scratch instance of type registration.
  _WallInfo() = default;
  explicit _WallInfo(BOOL persistent);
  ~_WallInfo();
  _WallInfo(const _WallInfo&) = delete;
  _WallInfo& operator=(const _WallInfo&) = delete;
  CString GetWall() const { return static_cast<LPCSTR>(m_strPictures[0]); }
  CString GetPedestals() const { return static_cast<LPCSTR>(m_strPictures[3]); }

  CMyString m_strPictures[4];  // 0

  static constexpr auto pointer_offsets() { return objsch::shop_at(0, 4, 8, 12); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// Seven texts of the shop's web site; the sixth is the start page.
class WebInfo {
 public:
  // Seven texts, the sixth "index.html", the others empty.
  // Unset: for the scratch instance of type registration.
  WebInfo() = default;
  explicit WebInfo(BOOL persistent);
  ~WebInfo();
  WebInfo(const WebInfo&) = delete;
  WebInfo& operator=(const WebInfo&) = delete;

  CMyString m_strTexts[7];  // 0

  static constexpr auto pointer_offsets() { return objsch::shop_at(0, 4, 8, 12, 16, 20, 24); }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// The shop header: byte-packed, 17 bytes.
#pragma pack(push, 1)
class ShopHeader {
 public:
  // Unset: for the scratch instance of type registration.
  ShopHeader() = default;
  explicit ShopHeader(BOOL persistent);
  ~ShopHeader();
  ShopHeader(const ShopHeader&) = delete;
  ShopHeader& operator=(const ShopHeader&) = delete;

  CMyString m_strTag;      // 0: "SHP"
  CMyString m_strCompany;  // 4: a fixed company name of 15 characters
  unsigned char m_byte;    // 8: 0
  objsch::dv4u m_nWord1;   // 9: the persistent flag it was made with
  objsch::dv4u m_nWord2;   // 13: the same

  static constexpr auto pointer_offsets() {
    return objsch::shop_at(offsetof(ShopHeader, m_strTag), offsetof(ShopHeader, m_strCompany));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};
#pragma pack(pop)

static_assert(sizeof(CModiDetail) == 28 && offsetof(CModiDetail, m_date) == 12 && offsetof(CModiDetail, m_pList) == 24);
static_assert(sizeof(CModHistory) == 64 && offsetof(CModHistory, m_lastChange) == 32);
static_assert(sizeof(CHistory) == 80 && offsetof(CHistory, m_modHistory) == 12 && offsetof(CHistory, m_pList) == 76);
static_assert(sizeof(_WallInfo) == 16 && sizeof(WebInfo) == 28);
static_assert(sizeof(ShopHeader) == 17 && offsetof(ShopHeader, m_nWord1) == 9 && offsetof(ShopHeader, m_nWord2) == 13);

#pragma GCC diagnostic pop
