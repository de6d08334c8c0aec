// Guards typed member access: every value type reads and writes a member of
// its own kind; a kind mismatch (no indirection stripped, char apart from
// signed and unsigned char) is refused with "dv_fetch() Mismatched Type
// Error." for fetch and store alike and touches nothing; a member whose type
// size differs from the value's and a bit-field are refused; addresses of
// members and bases.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dv_qem/mop"

using namespace dv_qem;

namespace {

struct Record {
  unsigned long ul;
  long l;
  unsigned int ui;
  int i;
  unsigned short us;
  short s;
  unsigned char uc;
  signed char sc;
  char c;
  float f;
  double d;
  long double ld;
  void* p;
};

std::string message_of(const dv_err& e) { return e.get_report(); }

// A member of a type of the kind and size at offset.
struct member_of_kind {
  dv_integral_type type;
  dv_member_variable member;
  member_of_kind(int kind, unsigned size, unsigned offset)
      : type(kind, 1, size, size, "t"), member("m", type) {
    member.set_offset(offset);
  }
};

template <class T>
void expect_round_trip(int kind, unsigned offset, T value) {
  SCOPED_TRACE(dv_type::get_kind_string(kind));
  member_of_kind m(kind, sizeof(T), offset);
  Record r;
  std::memset(&r, 0, sizeof r);
  dv_store(&r, m.member, value);
  T out{};
  EXPECT_EQ(dv_fetch(&r, m.member, out), value);
  EXPECT_EQ(out, value);
  T stored{};
  std::memcpy(&stored, reinterpret_cast<char*>(&r) + offset, sizeof(T));
  EXPECT_EQ(stored, value) << "written at the member's offset";
}

TEST(MemberAccess, EveryValueTypeReadsAndWritesItsKind) {
  expect_round_trip<unsigned long>(dv_type::Unsigned_long, offsetof(Record, ul), 4000000000UL);
  expect_round_trip<long>(dv_type::Signed_long, offsetof(Record, l), -12L);
  expect_round_trip<unsigned int>(dv_type::Unsigned_integer, offsetof(Record, ui), 7u);
  expect_round_trip<int>(dv_type::Integer, offsetof(Record, i), -70000);
  expect_round_trip<unsigned short>(dv_type::Unsigned_short, offsetof(Record, us), 65000);
  expect_round_trip<short>(dv_type::Signed_short, offsetof(Record, s), -300);
  expect_round_trip<unsigned char>(dv_type::Unsigned_char, offsetof(Record, uc), 200);
  expect_round_trip<signed char>(dv_type::Signed_char, offsetof(Record, sc), -100);
  expect_round_trip<char>(dv_type::Char, offsetof(Record, c), 'q');
  expect_round_trip<float>(dv_type::Float, offsetof(Record, f), 1.5f);
  expect_round_trip<double>(dv_type::Double, offsetof(Record, d), -2.25);
  expect_round_trip<long double>(dv_type::Long_double, offsetof(Record, ld), 3.125L);
}

TEST(MemberAccess, PointersNeedAPointerType) {
  dv_integral_type i(dv_type::Integer, 1, 4, 4, "int");
  dv_pointer_type pointer(i);
  dv_member_variable m("p", pointer);
  m.set_offset(offsetof(Record, p));
  Record r{};
  int target = 0;
  dv_store(&r, m, static_cast<const void*>(&target));
  void* out = nullptr;
  EXPECT_EQ(dv_fetch(&r, m, out), &target);
  dv_member_variable not_pointer("i", i);
  EXPECT_THROW(dv_fetch(&r, not_pointer, out), dv_err_mop);
}

TEST(MemberAccess, KindMismatchesAreRefusedAndTouchNothing) {
  const struct {
    int member_kind;
    const char* what;
  } cases[] = {{dv_type::Integer, "int read as long"}, {dv_type::Char, "char read as signed char"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    member_of_kind m(c.member_kind, 4, 0);
    unsigned char bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    long l = 99;
    signed char sc = 9;
    unsigned char uc = 9;
    try {
      if (c.member_kind == dv_type::Integer) {
        dv_fetch(bytes, m.member, l);
      } else {
        dv_fetch(bytes, m.member, sc);
      }
      ADD_FAILURE() << "read";
    } catch (const dv_err_mop& e) {
      EXPECT_EQ(message_of(e), "dv_err_mop - dv_fetch() Mismatched Type Error.");
    }
    EXPECT_EQ(l, 99);
    EXPECT_EQ(sc, 9);
    EXPECT_THROW(dv_fetch(bytes, m.member, uc), dv_err_mop);
    try {
      dv_store(bytes, m.member, 5L);
      ADD_FAILURE() << "written";
    } catch (const dv_err_mop& e) {
      EXPECT_EQ(message_of(e), "dv_err_mop - dv_fetch() Mismatched Type Error.");
    }
    const unsigned char untouched[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(std::memcmp(bytes, untouched, 8), 0);
  }
}

TEST(MemberAccess, TypedefsAreNotStripped) {
  dv_integral_type i(dv_type::Integer, 1, 4, 4, "int");
  dv_named_indirect_type count(i, "Count");
  dv_member_variable m("n", count);
  int object = 5, out = 0;
  EXPECT_THROW(dv_fetch(&object, m, out), dv_err_mop);
}

TEST(MemberAccess, SizeMismatchAndBitFieldsAreRefused) {
  member_of_kind two_byte_int(dv_type::Integer, 2, 0);
  unsigned char bytes[8] = {};
  int out = 0;
  try {
    dv_fetch(bytes, two_byte_int.member, out);
    ADD_FAILURE() << "a 2-byte member read into an int";
  } catch (const dv_err_mop& e) {
    EXPECT_EQ(message_of(e), "dv_err_mop - dv_fetch() member \"m\" is 2 bytes, the value 4");
  }
  EXPECT_THROW(dv_store(bytes, two_byte_int.member, 1), dv_err_mop);
  dv_integral_type i(dv_type::Integer, 1, 4, 4, "int");
  dv_field_member_variable bits("flags", i, 3);
  try {
    dv_store(bytes, bits, 7);
    ADD_FAILURE() << "a bit-field written";
  } catch (const dv_err_mop& e) {
    EXPECT_EQ(message_of(e), "dv_err_mop - dv_fetch() member \"flags\" is a bit-field");
  }
  EXPECT_THROW(dv_fetch(bytes, bits, out), dv_err_mop);
  for (unsigned char b : bytes) EXPECT_EQ(b, 0);
}

TEST(MemberAccess, AddressesOfMembersAndBases) {
  dv_class_type base("Base");
  dv_base_class b(1, 0, base);
  b.set_offset(8);
  char object[32];
  EXPECT_EQ(dv_fetch_address(static_cast<void*>(object), b), object + 8);
  dv_integral_type i(dv_type::Integer, 1, 4, 4, "int");
  dv_member_variable m("x", i);
  m.set_offset(12);
  EXPECT_EQ(dv_fetch_address(static_cast<const void*>(object), m), object + 12);
}

}  // namespace
