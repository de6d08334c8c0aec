// Guards the type registry (newest registration wins, "dv_qem::" ignored on
// both sides, pointer and reference names give the pointer typespec,
// deregistration removes one registration) and the normal form of type names
// that lookups compare (blanks around template brackets and commas, tabs,
// newlines, and a cut that never runs past the buffer).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "classname.h"
#include "dv_typespec.h"
#include "type_registry.h"

using namespace dv_qem;

namespace {

class named_typespec : public dv_typespec {
 public:
  explicit named_typespec(const char* name) : dv_typespec(name) {}
  void do_relocation(void*, dv_address_map*) override {}
  void do_relocation(void*, int) override {}
  unsigned get_size() const override { return 4; }
  int needs_relocation() const override { return 0; }
};

// Registers typespecs for one test and removes every registration after it;
// the pointer typespec a test replaces is put back.
class TypeRegistry : public ::testing::Test {
 protected:
  void SetUp() override { pointer_typespec_ = _Type_registry::lookup_type("*"); }
  void TearDown() override {
    for (const dv_typespec* ts : registered_) _Type_registry::dereg_type(ts);
    _Type_registry::set_pointer_typespec(pointer_typespec_);
  }
  void reg(const dv_typespec* ts) {
    _Type_registry::reg_type(ts);
    registered_.push_back(ts);
  }
  void dereg(const dv_typespec* ts) {
    _Type_registry::dereg_type(ts);
    registered_.erase(std::find(registered_.begin(), registered_.end(), ts));
  }
  std::vector<const dv_typespec*> registered_;
  const dv_typespec* pointer_typespec_ = nullptr;
};

TEST_F(TypeRegistry, NamespacePrefixIsIgnoredOnBothSides) {
  named_typespec qualified("dv_qem::reg_list");
  named_typespec plain("reg_set");
  reg(&qualified);
  reg(&plain);
  EXPECT_EQ(_Type_registry::lookup_type("reg_list"), &qualified);
  EXPECT_EQ(_Type_registry::lookup_type("dv_qem::reg_list"), &qualified);
  EXPECT_EQ(_Type_registry::lookup_type("reg_set"), &plain);
  EXPECT_EQ(_Type_registry::lookup_type("dv_qem::reg_set"), &plain);
  EXPECT_EQ(_Type_registry::lookup_type("dv_qem::dv_qem::reg_set"), nullptr) << "only one prefix is dropped";
  EXPECT_EQ(_Type_registry::lookup_type("reg_lis"), nullptr);
  EXPECT_EQ(_Type_registry::lookup_type("Reg_list"), nullptr);
  EXPECT_EQ(_Type_registry::lookup_type(""), nullptr);
  EXPECT_EQ(_Type_registry::lookup_type(nullptr), nullptr);
}

TEST_F(TypeRegistry, NewestRegistrationWinsAndDeregistrationRemovesOne) {
  named_typespec older("reg_node");
  named_typespec newer("dv_qem::reg_node");
  reg(&older);
  reg(&newer);
  EXPECT_EQ(_Type_registry::lookup_type("reg_node"), &newer);
  dereg(&newer);
  EXPECT_EQ(_Type_registry::lookup_type("reg_node"), &older);

  // Registered twice: one deregistration leaves the other.
  reg(&older);
  dereg(&older);
  EXPECT_EQ(_Type_registry::lookup_type("reg_node"), &older);
  dereg(&older);
  EXPECT_EQ(_Type_registry::lookup_type("reg_node"), nullptr);

  named_typespec never("reg_never");
  _Type_registry::dereg_type(&never);  // not registered: nothing happens
}

TEST_F(TypeRegistry, PointerAndReferenceNamesGiveThePointerTypespec) {
  named_typespec pointer("void*");
  named_typespec star_named("reg_elem*");
  reg(&star_named);
  const dv_typespec* builtin = _Type_registry::lookup_type("reg_elem*");
  EXPECT_EQ(builtin, dv_typespec::get_pointer()) << "the runtime's own pointer typespec";
  _Type_registry::set_pointer_typespec(&pointer);
  for (const char* name : {"reg_elem*", "foo*", "dv_qem::foo*", "foo&", "char**", "*", "&"})
    EXPECT_EQ(_Type_registry::lookup_type(name), &pointer) << name;
  EXPECT_EQ(_Type_registry::lookup_type("foo*x"), nullptr);
  _Type_registry::set_pointer_typespec(builtin);
}

TEST(ClassName, NormalForm) {
  struct row {
    const char* in;
    const char* out;
  };
  const row rows[] = {
      {"dv_List< int >", "dv_List<int>"},
      {"a, b", "a,b"},
      {"x< y<z> >", "x<y<z> >"},
      {"x<y<z>>", "x<y<z>>"},
      {"x<y<z>  >", "x<y<z> >"},
      {"x<y<z > >", "x<y<z> >"},
      {"   int", "int"},
      {"\t int", "int"},
      {"unsigned  int", "unsigned int"},
      {"unsigned\tint", "unsignedint"},
      {"dv_qem:: dv_list", "dv_qem::dv_list"},
      {"map<a,\n b>", "map<a,b>"},
      {"pair<a \t>", "pair<a>"},
      {"a ,b", "a ,b"},
      {"int ", "int "},
      {"", ""},
  };
  for (const row& r : rows) {
    char out[64];
    _VRN_normalize_classname(out, r.in, sizeof out);
    EXPECT_STREQ(out, r.out) << '"' << r.in << '"';
  }
}

TEST(ClassName, CutToTheBuffer) {
  struct row {
    size_t length;
    const char* out;
  };
  const row rows[] = {
      {1, ""},
      {4, "dv_"},
      {8, "dv_List"},
      {9, "dv_List<"},
      {12, "dv_List<int"},
      {13, "dv_List<int>"},
      {40, "dv_List<int>"},
  };
  for (const row& r : rows) {
    char out[48];
    std::memset(out, '#', sizeof out);
    _VRN_normalize_classname(out, "dv_List< int >", r.length);
    EXPECT_STREQ(out, r.out) << "length " << r.length;
    for (size_t i = r.length; i < sizeof out; ++i) ASSERT_EQ(out[i], '#') << "length " << r.length << ", byte " << i;
  }
  char untouched = '#';
  _VRN_normalize_classname(&untouched, "int", 0);
  EXPECT_EQ(untouched, '#');
}

}  // namespace
