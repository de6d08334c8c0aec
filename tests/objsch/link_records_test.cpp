// Guards the link records of departments and products and the search-engine
// record of a department: deleting a department or destroying a product
// removes the records that name it from the lists of the objects it is
// linked with (and frees its own records with what they own), leaving the
// records between other objects alone; a department's search-engine record
// goes with the department, with every item it owns.
#include <gtest/gtest.h>

#include <vector>

#include "department.h"
#include "dv_new.h"
#include "link_info.h"
#include "product.h"
#include "search_engine.h"
#include "shipping_methods.h"
#include "shop_lists.h"
#include "shop_test_shop.h"

namespace {

class LinkRecords : public shop_test::shop_test {
 protected:
  Department* NewDepartment() {
    Department* d = Department::CreateNew(TRUE);
    d->AddToShop();
    return d;
  }
  // A record in owner's list naming target, and its reverse entry in
  // target's list naming owner.
  static void Link(dv_qem::dv_List<CLinkInfo>* ownerLinks, Department* ownerDept, Product* ownerProduct,
                   dv_qem::dv_List<CLinkInfo>* targetLinks, Department* targetDept, Product* targetProduct) {
    auto kind = [](Department* d) { return d != nullptr ? CLinkInfo::kNamesDepartment : CLinkInfo::kNamesProduct; };
    ownerLinks->insert_last(objsch::NewObject<CLinkInfo>(TRUE, kind(targetDept), targetDept, targetProduct));
    targetLinks->insert_last(
        objsch::NewObject<CLinkInfo>(TRUE, kind(ownerDept) | CLinkInfo::kReverse, ownerDept, ownerProduct));
  }
  // Whether some record of links points at object.
  static bool Names(dv_qem::dv_List<CLinkInfo>* links, const void* object) {
    for (unsigned i = 0; i < links->cardinality(); ++i)
      if (links->retrieve(i)->Names(object)) return true;
    return false;
  }
  void* OwnedRecord() { return ::operator new(16, session_->GetDatabase(), dv_qem::dv_typespec::get_char(), 16); }
};

TEST_F(LinkRecords, ALinkRecordIsStoredAsTwentyBytesWithThreePointers) {
  Department* d = NewDepartment();
  Product* p = Product::CreateNew(TRUE);
  CLinkInfo* record = objsch::NewObject<CLinkInfo>(TRUE, CLinkInfo::kNamesProduct, d, p);
  EXPECT_EQ(record->m_nKind, 1u);
  EXPECT_EQ(record->m_pRecord, nullptr);
  EXPECT_EQ(dv_qem::dv_ts<CLinkInfo>::the_instance.get_size(), 20u);
  EXPECT_EQ(record->NamedObjectLinks(), d->GetLinks()) << "the department when one is set";
  record->m_pDepartment = nullptr;
  EXPECT_EQ(record->NamedObjectLinks(), p->m_pLinks);
  objsch::DeleteObject(record);
}

TEST_F(LinkRecords, DeletingADepartmentRemovesTheRecordsNamingIt) {
  Department* gone = NewDepartment();
  Department* kept = NewDepartment();
  Product* listed = Product::CreateNew(TRUE);
  Product* other = Product::CreateNew(TRUE);
  listed->AddToDepartment(gone, -1);
  listed->AddToDepartment(kept, -1);
  Link(gone->GetLinks(), gone, nullptr, listed->m_pLinks, nullptr, listed);
  Link(listed->m_pLinks, nullptr, listed, gone->GetLinks(), gone, nullptr);
  Link(gone->GetLinks(), gone, nullptr, kept->GetLinks(), kept, nullptr);
  Link(listed->m_pLinks, nullptr, listed, other->m_pLinks, nullptr, other);
  Link(kept->GetLinks(), kept, nullptr, other->m_pLinks, nullptr, other);
  gone->GetLinks()->retrieve_first()->m_pRecord = OwnedRecord();

  gone->RemoveFromList(root_->GetChildren());
  Department::Delete(gone);
  dv_qem::durnavel::free_memory(gone);

  EXPECT_FALSE(Names(listed->m_pLinks, gone));
  EXPECT_FALSE(Names(kept->GetLinks(), gone));
  EXPECT_EQ(listed->m_pLinks->cardinality(), 1u) << "the record naming the other product stays";
  EXPECT_TRUE(Names(other->m_pLinks, listed));
  EXPECT_EQ(kept->GetLinks()->cardinality(), 1u);
  EXPECT_EQ(other->m_pLinks->cardinality(), 2u);
}

TEST_F(LinkRecords, DestroyingAProductRemovesTheRecordsNamingIt) {
  Department* d = NewDepartment();
  Product* gone = Product::CreateNew(TRUE);
  Product* other = Product::CreateNew(TRUE);
  gone->AddToDepartment(d, -1);
  Link(gone->m_pLinks, nullptr, gone, d->GetLinks(), d, nullptr);
  Link(other->m_pLinks, nullptr, other, gone->m_pLinks, nullptr, gone);
  Link(d->GetLinks(), d, nullptr, other->m_pLinks, nullptr, other);
  gone->m_pLinks->retrieve_first()->m_pRecord = OwnedRecord();

  objsch::DeleteObject(gone);

  EXPECT_FALSE(Names(d->GetLinks(), gone));
  EXPECT_FALSE(Names(other->m_pLinks, gone));
  EXPECT_EQ(d->GetLinks()->cardinality(), 1u);
  EXPECT_EQ(other->m_pLinks->cardinality(), 1u);
}

TEST_F(LinkRecords, TheSearchEngineRecordGoesWithItsDepartment) {
  Department* d = NewDepartment();
  auto* engine = objsch::NewObject<CSearchEngine>(TRUE, TRUE);
  engine->SetText("engine", -1);
  engine->m_pItems2->insert_last(objsch::NewObject<CMLText>(TRUE, TRUE));
  engine->m_pItems2->insert_last(objsch::NewObject<CShippingProvider>(TRUE, TRUE));

  auto* copy = objsch::NewObject<CSearchEngine>(TRUE, TRUE);
  copy->Assign(*engine);
  EXPECT_STREQ(copy->GetText(-1), "engine");
  copy->CleanUp();
  EXPECT_EQ(copy->m_pItems->cardinality(), 0u);
  EXPECT_EQ(copy->m_pItems2->cardinality(), 0u);
  objsch::DeleteObject(copy);

  d->m_pSearchEngine = engine;
  d->RemoveFromList(root_->GetChildren());
  Department::Delete(d);
  dv_qem::durnavel::free_memory(d);
}

}  // namespace
