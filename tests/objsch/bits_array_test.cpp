// Guards the bit array: bit order within the bytes, the capacity, the bulk
// setters, and that a bit outside the capacity is never read or written --
// in memory and inside a database, where the bytes live beside the array.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "bits_array.h"
#include "durnavel.h"
#include "dv_database.h"
#include "dv_err.h"
#include "dv_new.h"
#include "dv_scratch_dir.h"
#include "dv_transaction.h"
#include "shop_test_runtime.h"

using dv_qem::dv4u;

namespace {

TEST(BitsArray, BitIIsBitIMod8OfByteIDiv8) {
  CBitsArray bits(4);
  EXPECT_EQ(bits.GetSize(), 32u);
  struct row {
    dv4u bit;
    unsigned byte;
    unsigned char value;
  };
  const row rows[] = {{0, 0, 0x01}, {7, 0, 0x80}, {8, 1, 0x01}, {13, 1, 0x20}, {31, 3, 0x80}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.bit);
    bits.SetAll(0);
    bits.SetAt(r.bit, 1);
    for (unsigned b = 0; b < 4; ++b) EXPECT_EQ(bits.m_pBytes[b], b == r.byte ? r.value : 0);
    EXPECT_EQ(bits.GetAt(r.bit), 1);
    bits.SetAt(r.bit, 0);
    EXPECT_EQ(bits.m_pBytes[r.byte], 0);
  }
}

TEST(BitsArray, NewArrayIsClearAndSetAllCoversTheCapacity) {
  CBitsArray bits(4);
  for (dv4u i = 0; i < 32; ++i) EXPECT_EQ(bits.GetAt(i), 0);
  bits.SetAll(1);
  for (dv4u i = 0; i < 32; ++i) EXPECT_EQ(bits.GetAt(i), 1) << i;
  bits.SetAll(0);
  for (dv4u i = 0; i < 32; ++i) EXPECT_EQ(bits.GetAt(i), 0) << i;
}

TEST(BitsArray, BitsOutsideTheCapacityAreNeverTouched) {
  CBitsArray bits(4);
  bits.SetAll(1);
  for (dv4u i : {32u, 33u, 1000u, 0xffffffffu}) {
    bits.SetAt(i, 0);
    bits.SetBit(i, 0);
    EXPECT_EQ(bits.GetAt(i), 0) << i;
  }
  for (dv4u i = 0; i < 32; ++i) EXPECT_EQ(bits.GetAt(i), 1) << i;
}

TEST(BitsArray, SetBitsChangesAllOrNothing) {
  struct row {
    std::vector<dv4u> indices;
    bool ok;
  };
  const row rows[] = {
      {{}, true}, {{0, 1, 12, 31}, true}, {{0, 32}, false}, {{31, 5, 32}, false}, {{40}, false}};
  for (const row& r : rows) {
    CBitsArray bits(4);
    EXPECT_EQ(bits.SetBits(r.indices.data(), static_cast<unsigned>(r.indices.size()), 1), r.ok);
    for (dv4u i = 0; i < 32; ++i) {
      bool listed = std::find(r.indices.begin(), r.indices.end(), i) != r.indices.end();
      EXPECT_EQ(bits.GetAt(i), r.ok && listed ? 1 : 0) << "bit " << i;
    }
  }
}

TEST(BitsArray, NoBytesGivesNoBits) {
  CBitsArray bits(0);
  EXPECT_EQ(bits.GetSize(), 0u);
  EXPECT_EQ(bits.m_pBytes, nullptr);
  bits.SetAt(0, 1);
  bits.SetAll(1);
  EXPECT_EQ(bits.GetAt(0), 0);
}

void stored_bits_round_trip();

TEST(BitsArray, PersistentArrayKeepsItsBytesInItsDatabaseAcrossReopen) {
  try {
    stored_bits_round_trip();
  } catch (const dv_qem::dv_err& e) {
    FAIL() << e.get_report();
  }
}

void stored_bits_round_trip() {
  using namespace dv_qem;
  shop_test::runtime runtime;
  dv_test::scratch_dir dir;
  std::string path = dir / "bits.db";
  {
    dv_database* db = dv_database::create(path.c_str(), 0666, 1, 8);
    dv_transaction::begin(dv_transaction::update);
    void* place = ::operator new(sizeof(CBitsArray), db, &dv_ts<CBitsArray>::the_instance);
    auto* bits = ::new (place) CBitsArray(2);
    EXPECT_EQ(dv_database::of(bits->m_pBytes), db);
    bits->SetAt(3, 1);
    bits->SetAt(14, 1);
    db->create_root("bits")->set_value(bits, nullptr);
    dv_transaction::commit();
    db->save();
    db->close();
  }
  dv_database* db = dv_database::open(path.c_str(), 0, 0666, 0);
  dv_transaction::begin(dv_transaction::update);
  auto* bits = static_cast<CBitsArray*>(db->find_root("bits")->get_value(nullptr));
  EXPECT_EQ(bits->GetSize(), 16u);
  for (dv4u i = 0; i < 16; ++i) EXPECT_EQ(bits->GetAt(i), i == 3 || i == 14 ? 1 : 0) << i;
  bits->~CBitsArray();
  durnavel::free_memory(bits);
  dv_transaction::commit();
  db->self_check();
  db->close();
}

}  // namespace
