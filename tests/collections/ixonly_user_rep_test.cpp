// Guards the index-only and user-defined representations operation by
// operation: each row names an operation and the answer or the exact error
// text it gives on a new collection; plus _destroy running once, copies
// owning their own index lists, a walk over an index-only collection, and a
// user representation that counts its elements answering empty() through
// that count.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "dv_coll_user_ext.h"
#include "dv_coll_user_ext_cursor.h"
#include "dv_cursor.h"
#include "dv_indexes.h"
#include "dv_ixonly.h"
#include "dv_thrown_by.h"

using namespace dv_qem;
using dv_test::thrown_by;

namespace {

struct Row {
  const char* operation;
  std::function<std::string()> run;  // the answer as text, or the error thrown
  std::string expected;
};

std::string answer(int v) { return std::to_string(v); }
std::string answer(unsigned v) { return std::to_string(v); }
std::string answer(const void* p) { return p == nullptr ? "null" : "element"; }

// The answer of f, or the report of the error it throws.
template <class F>
std::string outcome(F f) {
  std::string result;
  std::string error = thrown_by([&] { result = answer(f()); });
  return error.empty() ? result : error;
}

const std::string kNotSupported = "dv_err_coll_not_supported - ";

void expect_rows(const Row* rows, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(rows[i].operation);
    EXPECT_EQ(rows[i].run(), rows[i].expected);
  }
}

TEST(IndexOnly, EveryOperationAnswersAsSpecified) {
  dv_ixonly c;
  int element = 0;
  const void* out = nullptr;
  dv_cursor cursor(c);
  const std::string u = " attempted on an unordered collection";
  const Row rows[] = {
      {"insert", [&] { return thrown_by([&] { c.insert(&element); }); },
       "dv_err_coll_index_only - <err-0024-1225>An index-only collection requires an index to support insertion"},
      {"insert null", [&] { return thrown_by([&] { c.insert(nullptr); }); },
       "dv_err_coll_nulls - <err-0024-1910>an attempt was made to insert a null element"},
      {"insert_first", [&] { return thrown_by([&] { c.insert_first(&element); }); },
       kNotSupported + "<err-0024-0275>operation not supported without maintain_order behavior"},
      {"insert_last", [&] { return thrown_by([&] { c.insert_last(&element); }); },
       kNotSupported + "<err-0024-0280>insert_last() not supported by dv_ixonly"},
      {"remove_first", [&] { return outcome([&] { return c.remove_first(out); }); },
       kNotSupported + "<err-0024-0295>dv_ixonly::remove_first()" + u},
      {"remove_last", [&] { return outcome([&] { return c.remove_last(out); }); },
       kNotSupported + "<err-0024-0300>dv_ixonly::remove_last()" + u},
      {"retrieve_first", [&] { return outcome([&] { return c.retrieve_first(out); }); },
       kNotSupported + "<err-0024-0325>dv_ixonly::retrieve_first() attempted on an unordered collectio"},
      {"retrieve_last", [&] { return outcome([&] { return c.retrieve_last(out); }); },
       kNotSupported + "<err-0024-0330>dv_ixonly::retrieve_last()" + u},
      {"retrieve by position", [&] { return outcome([&] { return c.retrieve(0u); }); },
       kNotSupported + "<err-0024-0335>dv_ixonly::retrieve(int position)" + u},
      {"insert_after by position", [&] { return thrown_by([&] { c.insert_after(&element, 0u); }); },
       kNotSupported + "<err-0024-0305>dv_ixonly::insert_after()" + u},
      {"insert_after by cursor", [&] { return thrown_by([&] { c.insert_after(&element, cursor); }); },
       kNotSupported + "<err-0024-0285>insert_after() not supported by dv_ixonly"},
      {"insert_before by position", [&] { return thrown_by([&] { c.insert_before(&element, 0u); }); },
       kNotSupported + "<err-0024-0310>dv_ixonly::insert_before()" + u},
      {"insert_before by cursor", [&] { return thrown_by([&] { c.insert_before(&element, cursor); }); },
       kNotSupported + "<err-0024-0290>insert_before() not supported by dv_ixonly"},
      {"remove_at by position", [&] { return thrown_by([&] { c.remove_at(0u); }); },
       kNotSupported + "<err-0024-0315>dv_ixonly::remove_at()" + u},
      {"remove_at by cursor", [&] { return thrown_by([&] { c.remove_at(cursor); }); },
       "dv_err_coll_null_cursor - <err-0024-1955>remove_at() invoked with a null cursor"},
      {"replace_at by position", [&] { return outcome([&] { return c.replace_at(&element, 0u); }); },
       kNotSupported + "<err-0024-0320>dv_ixonly::replace_at()" + u},
      {"replace_at by cursor", [&] { return outcome([&] { return c.replace_at(&element, cursor); }); },
       kNotSupported + "<err-0024-0320>dv_ixonly::replace_at()" + u},
      {"register_cursor", [&] { return thrown_by([&] { c.register_cursor(cursor); }); },
       kNotSupported + "<err-0024-1230>This dv_collection does not support cursor maintenance"},
      {"unregister_cursor", [&] { return thrown_by([&] { c.unregister_cursor(cursor); }); },
       kNotSupported + "<err-0024-1230>This dv_collection does not support cursor maintenance"},
      {"fast_count", [&] { return outcome([&] { return c._fast_count(); }); },
       "dv_err_not_supported - dv_ixonly::_fast_count"},
      {"pick", [&] { return outcome([&] { return c._pick(); }); }, "null"},
      {"only", [&] { return outcome([&] { return c._only(); }); }, "null"},
      {"contains", [&] { return outcome([&] { return c.contains(&element); }); }, "0"},
      {"count", [&] { return outcome([&] { return c.count(&element); }); }, "0"},
      {"remove", [&] { return outcome([&] { return c.remove(&element); }); }, "0"},
      {"retrieve at cursor", [&] { return outcome([&] { return c.retrieve(cursor); }); }, "null"},
      {"first", [&] { return outcome([&] { return cursor.first(); }); }, "null"},
      {"cardinality", [&] { return outcome([&] { return c.cardinality(); }); }, "0"},
      {"empty", [&] { return outcome([&] { return c.empty(); }); }, "1"},
      {"cardinality_estimate", [&] { return outcome([&] { return c.cardinality_estimate(); }); }, "20"},
      {"cardinality_is_maintained", [&] { return outcome([&] { return c.cardinality_is_maintained(); }); }, "0"},
      {"update_cardinality", [&] { return outcome([&] { return c.update_cardinality(); }); }, "0"},
      {"has_indexes", [&] { return outcome([&] { return c.has_indexes(); }); }, "0"},
      {"get_behavior", [&] { return outcome([&] { return c.get_behavior(); }); }, "0"},
      {"rep_enum", [&] { return outcome([&] { return c._rep_enum(); }); }, "3"},
      {"rep_name", [&] { return std::string(c.rep_name()); }, "dv_ixonly"},
      {"clear", [&] { return thrown_by([&] { c.clear(); }); }, ""},
  };
  expect_rows(rows, std::size(rows));
  EXPECT_FALSE(cursor.more());
  EXPECT_FALSE(cursor.ixonly_cursor());
}

TEST(IndexOnly, WithAnIndexListButNoIndexInsertionStillRefuses) {
  dv_ixonly c(1, 1);
  c.indexes() = new _Indexes;
  int element = 0;
  EXPECT_EQ(c.has_indexes(), 0);
  EXPECT_EQ(thrown_by([&] { c.insert(&element); }),
            "dv_err_coll_index_only - <err-0024-1225>An index-only collection requires an index to support insertion");
  EXPECT_EQ(thrown_by([&] { (void)c.contains(&element); }),
            "dv_err_coll_index_only - <err-0024-1225>An index-only collection requires an index to support insertion");
  EXPECT_EQ(c.cardinality_is_maintained(), 1);
  EXPECT_EQ(c.cardinality_estimate(), 0u);
}

TEST(IndexOnly, DestroyRunsOnceAndCopiesOwnTheirIndexLists) {
  auto* original = new dv_ixonly(0, 1);
  original->indexes() = new _Indexes;
  {
    dv_ixonly copy(*original);
    EXPECT_NE(copy.indexes(), nullptr);
    EXPECT_NE(copy.indexes(), original->indexes());
  }
  original->_destroy();
  EXPECT_EQ(original->destroyed(), 1);
  EXPECT_EQ(original->indexes(), nullptr);
  original->_destroy();
  original->clear_destroyed();
  EXPECT_EQ(original->destroyed(), 0);
  delete original;
}

TEST(UserRep, EveryOperationAnswersAsSpecified) {
  dv_coll_user_ext c;
  int element = 0;
  const void* out = nullptr;
  const std::string refused = kNotSupported + "<err-0024-0022>Unsupported entrypoint for user defined collection rep";
  const std::string u = " attempted on an unordered collection";
  const Row rows[] = {
      {"pick", [&] { return outcome([&] { return c._pick(); }); }, refused},
      {"insert", [&] { return thrown_by([&] { c.insert(&element); }); }, refused},
      {"remove", [&] { return outcome([&] { return c.remove(&element); }); }, refused},
      {"insert_first", [&] { return thrown_by([&] { c.insert_first(&element); }); }, refused},
      {"retrieve", [&] { return outcome([&] { return c.retrieve(0u); }); }, refused},
      {"insert_after", [&] { return thrown_by([&] { c.insert_after(&element, 0u); }); }, refused},
      {"remove_at", [&] { return thrown_by([&] { c.remove_at(0u); }); }, refused},
      {"replace_at", [&] { return outcome([&] { return c.replace_at(&element, 0u); }); }, refused},
      {"contains", [&] { return outcome([&] { return c.contains(&element); }); }, refused},
      {"count", [&] { return outcome([&] { return c.count(&element); }); }, refused},
      {"cursor", [&] { return thrown_by([&] { dv_cursor walk(c); }); }, refused},
      {"cardinality", [&] { return outcome([&] { return c.cardinality(); }); }, refused},
      {"empty", [&] { return outcome([&] { return c.empty(); }); }, refused},
      {"cardinality_estimate", [&] { return outcome([&] { return c.cardinality_estimate(); }); }, refused},
      {"clear", [&] { return thrown_by([&] { c.clear(); }); }, refused},
      {"get_behavior", [&] { return outcome([&] { return c.get_behavior(); }); }, refused},
      {"indexes", [&] { return thrown_by([&] { (void)c.indexes(); }); }, refused},
      {"remove_first", [&] { return outcome([&] { return c.remove_first(out); }); },
       kNotSupported + "<err-0024-0295>user_rep::remove_first()" + u},
      {"remove_last", [&] { return outcome([&] { return c.remove_last(out); }); },
       kNotSupported + "<err-0024-0300>user_rep::remove_last()" + u},
      {"retrieve_first", [&] { return outcome([&] { return c.retrieve_first(out); }); },
       kNotSupported + "<err-0024-0325>user_rep::retrieve_first() attempted on an unordered collectio"},
      {"retrieve_last", [&] { return outcome([&] { return c.retrieve_last(out); }); },
       kNotSupported + "<err-0024-0330>user_rep::retrieve_last()" + u},
      {"fast_count", [&] { return outcome([&] { return c._fast_count(); }); }, "0"},
      {"cardinality_is_maintained", [&] { return outcome([&] { return c.cardinality_is_maintained(); }); }, "1"},
      {"has_indexes", [&] { return outcome([&] { return c.has_indexes(); }); }, "0"},
      {"rep_enum", [&] { return outcome([&] { return c._rep_enum(); }); }, "0"},
      {"rep_name", [&] { return std::string(c.rep_name()); }, "user_rep"},
  };
  expect_rows(rows, std::size(rows));
}

TEST(UserRep, IndexedVariantAndItsCopies) {
  dv_coll_user_ext_ix c;
  EXPECT_EQ(c.cardinality(), 20u);
  EXPECT_EQ(c.has_indexes(), 0);
  EXPECT_EQ(c.get_behavior(), 0u);
  EXPECT_EQ(c.empty(), 0);
  c.indexes() = new _Indexes;
  EXPECT_EQ(c.has_indexes(), 1);
  dv_coll_user_ext_ix copy(c);
  EXPECT_NE(copy.indexes(), nullptr);
  EXPECT_NE(copy.indexes(), c.indexes());
}

// A user representation that counts: empty() answers through its count.
class counting_rep : public dv_coll_user_ext {
 public:
  unsigned _cardinality() const override { return elements; }
  unsigned elements = 0;
};

TEST(UserRep, EmptyGoesThroughASubclassCount) {
  counting_rep c;
  EXPECT_EQ(c.empty(), 1);
  c.elements = 2;
  EXPECT_EQ(c.empty(), 0);
  EXPECT_EQ(c.cardinality_estimate(), 2u);
}

// The cursor of a user representation: its spare words, and the dynamic
// extent state a representation allocates, freed by the cursor and never
// shared by a copy.
class extent_rep : public counting_rep {
 public:
  int _first(dv_cursor& c, void*& out) const override {
    dv_coll_user_ext_cursor& view = c;
    if (view.get_void0().resolve() == nullptr) {
      view.flag_dynamic_extent_cursor();
      view.get_void0() = new int(1);
      view.get_void1() = new int(2);
    }
    view.get_uint0() = 7;
    out = nullptr;
    return 0;
  }
};

TEST(UserRep, DynamicExtentCursorsOwnTheirState) {
  extent_rep rep;
  dv_cursor cursor(rep);
  dv_coll_user_ext_cursor& view = cursor;
  EXPECT_NE(cursor.dynamic_extent_cursor(), 0);
  EXPECT_EQ(view.get_uint0(), 7u);
  void* state = view.get_void0().resolve();
  {
    dv_cursor copy(cursor);
    dv_coll_user_ext_cursor& copied = copy;
    EXPECT_NE(copied.get_void0().resolve(), state);
  }
  cursor.rebind(rep);
  EXPECT_NE(static_cast<dv_coll_user_ext_cursor&>(cursor).get_void0().resolve(), nullptr);
}

}  // namespace
