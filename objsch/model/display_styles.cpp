// Display styles and the default-text record.
#include "display_styles.h"

#include "default_texts.h"

#include "shop_lists.h"

namespace {

// A new colour entry, 0, in the database of the styles.
objsch::dv4u* NewColor(BOOL persistent) {
  auto* cell = static_cast<objsch::dv4u*>(::operator new(sizeof(objsch::dv4u), ShopDatabaseFor(persistent),
                                                         dv_qem::dv_typespec::get_unsigned_long(), 1));
  *cell = 0;
  return cell;
}

void AddColors(dv_qem::dv_Array<objsch::dv4u>* colors, int count, BOOL persistent) {
  for (int i = 0; i < count; ++i) colors->insert_last(NewColor(persistent));
}

// Frees every entry and destroys the collection.
template <class C>
void FreeEntriesAndDestroy(C*& list) {
  if (list == nullptr) return;
  while (void* entry = list->remove_last()) dv_qem::durnavel::free_memory(entry);
  objsch::DestroyList(list);
}

}  // namespace

DisplayStyles::DisplayStyles(BOOL persistent)
    : m_nSize(sizeof(DisplayStyles)), m_ulFlags(0x84), m_strColorTable(persistent), clrFont(0), clrBkgnd(0xffffff),
      strDeptFont(persistent), nDeptFontSize(0), strIndexFont(persistent), nIndexFontSize(2),
      strBkgndTexture(persistent), clrActiveLink(0xff0000), clrVisitedLink(0x00ff00), m_picture1(persistent),
      m_picture2(persistent), m_pBkgndColors(objsch::NewArray<objsch::dv4u>(persistent)),
      m_pTableColors(objsch::NewArray<objsch::dv4u>(persistent)),
      m_pTextureColors(objsch::NewArray<objsch::dv4u>(persistent)),
      m_pTextures(objsch::NewArray<CMyString>(persistent)), m_pArray(objsch::NewArray<void>(persistent)),
      strPageStyle(persistent), strColorScheme(persistent), nItemsPerPage(0), m_nColumnsPerLine(4),
      m_picture3(persistent), m_strText1(persistent), m_strText2(persistent),
      m_nNumbers{1, 200, 0}, m_pList(objsch::NewList<void>(persistent)) {
  for (CMyString* name : {&strPageStyle, &m_strText1, &m_strText2}) AssignDefaultText::DisplayStyleName(name->GetString());
  SetFlag(0x100, TRUE);
  SetFlag(0x400, TRUE);
  SetFlag(0x200, FALSE);
  m_strColorTable = kDefaultColorTable;
  AddColors(m_pTableColors, 4, persistent);
  AddColors(m_pBkgndColors, 4, persistent);
  AddColors(m_pTextureColors, 8, persistent);
  for (int i = 0; i < 5; ++i) m_pTextures->insert_last(CMyString::CreateNew(persistent));
}

DisplayStyles::~DisplayStyles() {
  FreeEntriesAndDestroy(m_pBkgndColors);
  FreeEntriesAndDestroy(m_pTableColors);
  FreeEntriesAndDestroy(m_pTextureColors);
  if (m_pTextures != nullptr) {
    while (CMyString* texture = m_pTextures->remove_last()) CMyString::Free(texture);
    objsch::DestroyList(m_pTextures);
  }
  FreeEntriesAndDestroy(m_pArray);
  FreeEntriesAndDestroy(m_pList);
  for (CMyString* text : {&m_strColorTable, &strDeptFont, &strIndexFont, &strBkgndTexture, &strPageStyle,
                          &strColorScheme, &m_strText1, &m_strText2})
    text->DestroyString();
}

void DisplayStyles::SetFlag(objsch::dv4u mask, BOOL on) { m_ulFlags = (m_ulFlags & ~mask) | (on ? mask : 0); }

CDefiTxts::CDefiTxts(BOOL persistent)
    : m_nSize(sizeof(CDefiTxts)), m_nWords{0, 0, 0}, m_nColor1(255), m_nColor2(0xffffff),
      m_strDateFormat("MM/DD/YYY", TRUE), m_pList(objsch::NewList<void>(persistent)) {}

CDefiTxts::~CDefiTxts() {
  m_strDateFormat.DestroyString();
  objsch::DestroyList(m_pList);
}
