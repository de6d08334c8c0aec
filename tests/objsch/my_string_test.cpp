// Guards the shop's string handle and string array: where a string lives
// (shop database or transient), texts copied and never shared between
// handles, the database a first string takes when none is current, and the
// array's growth, filling and freeing.
#include <gtest/gtest.h>

#include "my_string.h"
#include "qem_string.h"
#include "shop_lists.h"
#include "shop_test_db.h"

namespace {

class MyString : public shop_test::shop_db_test {};

TEST_F(MyString, StringsLiveInTheShopDatabaseOrTransient) {
  struct row {
    BOOL persistent;
    const char* text;
    const char* expected;
  };
  const row rows[] = {{TRUE, nullptr, ""}, {TRUE, "", ""}, {TRUE, "Shoes", "Shoes"},
                      {FALSE, nullptr, ""}, {FALSE, "Shoes", "Shoes"}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.expected);
    CMyString s(r.text, r.persistent);
    EXPECT_STREQ(s, r.expected);
    EXPECT_EQ(in_db(s.m_pString), r.persistent != 0);
    EXPECT_EQ(transient(s.m_pString), r.persistent == 0);
    s.DestroyString();
  }
  CMyString* handle = CMyString::CreateNew(TRUE);
  EXPECT_TRUE(in_db(handle));
  EXPECT_TRUE(in_db(handle->m_pString));
  EXPECT_EQ(handle->GetLength(), 0);
  unsigned count = 0, offset = 0;
  const dv_qem::dv_typespec* type = dv_qem::dv_typespec::typespec_at(handle, count, offset);
  ASSERT_NE(type, nullptr);
  EXPECT_STREQ(type->get_name(), "CMyString");
  CMyString::Free(handle);
}

TEST_F(MyString, AssignmentCopiesTheTextNeverTheBuffer) {
  CMyString a("Red", TRUE);
  CMyString b(TRUE);
  b = a;
  EXPECT_STREQ(b, "Red");
  EXPECT_NE(static_cast<LPCSTR>(a), static_cast<LPCSTR>(b)) << "each handle has a buffer of its own";
  a += " shoes";
  EXPECT_STREQ(a, "Red shoes");
  EXPECT_STREQ(b, "Red");
  CString framework("Blue");
  b = framework;
  EXPECT_STREQ(b, "Blue");
  b = static_cast<LPCSTR>(nullptr);
  EXPECT_STREQ(b, "");
  CMyString upper("RED", FALSE), lower("red", FALSE);
  EXPECT_NE(upper.Compare(lower), 0);
  EXPECT_EQ(upper.CompareNoCase(lower), 0);
  EXPECT_LT(lower.Compare(CMyString("reds", FALSE)), 0);
}

TEST_F(MyString, AFirstStringWithoutACurrentDatabaseTakesItsOwn) {
  g_pShopDatabase = nullptr;
  void* place = ::operator new(sizeof(CMyString), db_, &dv_qem::dv_ts<CMyString>::the_instance);
  auto* handle = ::new (place) CMyString("x", TRUE);
  EXPECT_EQ(g_pShopDatabase, db_);
  EXPECT_TRUE(in_db(handle->m_pString));
  CMyString::Free(handle);
}

TEST_F(MyString, ArrayGrowsOnDemandFillsToItsCountAndFrees) {
  auto* array = objsch::NewObject<CMyStringArray>(TRUE, 5u, TRUE);
  EXPECT_EQ(array->GetCount(), 0u);
  CMyString* third = array->GetAt(2);
  EXPECT_EQ(array->GetCount(), 3u);
  EXPECT_TRUE(in_db(third));
  *third = "three";
  EXPECT_STREQ(*array->GetAt(2), "three");
  array->Fill();
  EXPECT_EQ(array->GetCount(), 5u);
  array->Fill();
  EXPECT_EQ(array->GetCount(), 5u);
  array->Add(CMyString::CreateNew(TRUE));
  EXPECT_EQ(array->GetCount(), 6u);
  array->RemoveAll(TRUE);
  EXPECT_EQ(array->GetCount(), 0u);
  array->Destroy();
  dv_qem::durnavel::free_memory(array);

  CMyStringArray local(2, FALSE);
  EXPECT_TRUE(transient(local.GetAt(1)));
  local.Destroy();
}

}  // namespace
