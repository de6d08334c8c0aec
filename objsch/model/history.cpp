// The modification history, wall pictures, web information and shop header.
#include "history.h"

#include "shop_lists.h"

using objsch::DestroyList;

namespace {

dv_qem::dv_List<void>* NewList(BOOL persistent) { return objsch::NewList<void>(persistent); }

// The company name a new shop header carries: 15 characters.
constexpr const char kHeaderCompany[] = "Kestrelmark Ltd";
static_assert(sizeof(kHeaderCompany) == 16);

}  // namespace

const COleDateTime& GetNow() {
  static COleDateTime now;
  now = COleDateTime::GetCurrentTime();
  return now;
}

CModiDetail::CModiDetail(BOOL persistent)
    : m_nSize(sizeof(CModiDetail)), m_pApp(nullptr), m_strBy(persistent), m_date(GetNow()),
      m_pList(NewList(persistent)) {}

CModiDetail::~CModiDetail() {
  m_strBy.DestroyString();
  DestroyList(m_pList);
}

CModHistory::CModHistory(BOOL persistent)
    : m_nSize(sizeof(CModHistory)), m_creation(persistent), m_lastChange(persistent), m_pList(NewList(persistent)) {}

CModHistory::~CModHistory() { DestroyList(m_pList); }

CHistory::CHistory(BOOL persistent)
    : m_nSize(sizeof(CHistory)), m_nWord(0), m_strText(persistent), m_modHistory(persistent),
      m_pList(NewList(persistent)) {}

CHistory::~CHistory() {
  m_strText.DestroyString();
  DestroyList(m_pList);
}

_WallInfo::_WallInfo(BOOL persistent)
    : m_strPictures{CMyString("SEA.JPG", persistent), CMyString("DAWN.JPG", persistent),
                    CMyString("TREK.JPG", persistent), CMyString("PED3.JPG", persistent)} {}

_WallInfo::~_WallInfo() {
  for (CMyString& picture : m_strPictures) picture.DestroyString();
}

WebInfo::WebInfo(BOOL persistent)
    : m_strTexts{CMyString(persistent), CMyString(persistent), CMyString(persistent), CMyString(persistent),
                 CMyString(persistent), CMyString("index.html", persistent), CMyString(persistent)} {}

WebInfo::~WebInfo() {
  for (CMyString& text : m_strTexts) text.DestroyString();
}

ShopHeader::ShopHeader(BOOL persistent)
    : m_strTag("SHP", persistent), m_strCompany(kHeaderCompany, persistent), m_byte(0),
      m_nWord1(static_cast<objsch::dv4u>(persistent)), m_nWord2(static_cast<objsch::dv4u>(persistent)) {}

ShopHeader::~ShopHeader() {
  m_strTag.DestroyString();
  m_strCompany.DestroyString();
}
