// Guards the error tree: which handler catches which class, the exact message
// format, copying, and the internal assertion's text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dv_err.h"

using namespace dv_qem;

namespace {

template <typename Thrown, typename Caught>
bool caught_as() {
  try {
    Thrown("x").signal("y");
  } catch (const Caught&) {
    return true;
  } catch (...) {
  }
  return false;
}

}  // namespace

TEST(Errors, MessageStartsWithClassName) {
  struct Row {
    std::string got;
    const char* want;
  } rows[] = {
      {dv_err_database_not_found("x %d", 5).get_report(), "dv_err_database_not_found - x 5"},
      {dv_err("plain").get_report(), "dv_err - plain"},
      {dv_err_cant_read_from_file("%s!", "a").get_report(), "dv_err_cant_read_from_file - a!"},
      {dv_err_trans_wrong_type(nullptr).get_report(), "dv_err_trans_wrong_type - "},
  };
  for (const Row& r : rows) EXPECT_EQ(r.got, r.want);
}

TEST(Errors, LongMessagesAreCutAtTheBuffer) {
  std::string big(5000, 'a');
  dv_err_misc e("%s", big.c_str());
  EXPECT_EQ(std::strlen(e.get_report()), 1023u);
  EXPECT_EQ(std::string(e.get_report()).rfind("dv_err_misc - aaa", 0), 0u);
}

TEST(Errors, HandlersCatchByClass) {
  EXPECT_TRUE((caught_as<dv_err_cant_read_from_file, dv_err_file>()));
  EXPECT_TRUE((caught_as<dv_err_cant_write_to_file, dv_err_file>()));
  EXPECT_TRUE((caught_as<dv_err_cant_open_file, dv_err>()));
  EXPECT_TRUE((caught_as<dv_err_trans_wrong_type, dv_err_trans>()));
  EXPECT_TRUE((caught_as<dv_err_heap_corruption, dv_err>()));
  EXPECT_FALSE((caught_as<dv_err_trans, dv_err_trans_wrong_type>()));
  EXPECT_FALSE((caught_as<dv_err_misc, dv_err_file>()));
  EXPECT_FALSE((caught_as<dv_err_database_not_found, dv_err_file>()));
}

TEST(Errors, SignalThrowsTheReceiversClassWithItsOwnMessage) {
  try {
    err_misc.signal("bad value %d", 7);
    FAIL() << "signal returned";
  } catch (const dv_err_misc& e) {
    EXPECT_STREQ(e.get_report(), "dv_err_misc - bad value 7");
  }
  EXPECT_STREQ(err_misc.get_report(), "err_misc");
  EXPECT_STREQ(err_internal.get_report(), "err_internal");
}

TEST(Errors, CopiesOwnTheirMessages) {
  dv_err_file a("first");
  dv_err_file b(a);
  dv_err_file c("other");
  c = a;
  a = a;  // self-assignment keeps the message
  EXPECT_STREQ(a.get_report(), "dv_err_file - first");
  EXPECT_NE(a.get_report(), b.get_report());
  EXPECT_STREQ(b.get_report(), "dv_err_file - first");
  EXPECT_STREQ(c.get_report(), "dv_err_file - first");
  EXPECT_EQ(a.ancestor_of(&a), 1);
  EXPECT_EQ(a.ancestor_of(&b), 0);
}

TEST(Errors, AssertionNamesExpressionLineAndUnit) {
  try {
    _VRN_assertion_violation("x > 0", "/some/dir/unit.cpp", 42);
  } catch (const dv_err_internal& e) {
    EXPECT_STREQ(e.get_report(),
                 "dv_err_internal - Assertion \"x > 0\" failed at line 42 of file unit.cpp");
  }
  int page = 0;
  _VRN_set_fault_in_service(&page);
  try {
    DV_ASSERT(page == 1);
  } catch (const dv_err_internal& e) {
    EXPECT_NE(std::strstr(e.get_report(), "failed during fault handler at line"), nullptr)
        << e.get_report();
  }
  _VRN_set_fault_in_service(nullptr);
}

TEST(Errors, PrintWritesToStandardErrorOrTheRegisteredBox) {
  testing::internal::CaptureStderr();
  dv_err_misc("shown").print();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Durnavel unhandled exception:\n  dv_err_misc - shown\n");

  static std::string box;
  _VRN_set_message_box([](const char* title, const char* text) {
    box = std::string(title) + "|" + text;
  });
  dv_err_misc("boxed").print();
  _VRN_set_message_box(nullptr);
  EXPECT_EQ(box, "Durnavel unhandled exception|dv_err_misc - boxed");
}
