// Guards undo and redo: markers and the undo limit, each page back as it
// stood at its marker and forward again, one record per page per step, a
// write after undo ending redo, pages that grew after a marker leaving and
// coming back, undone pages that still differ from the file being saved,
// pages kept by undo records staying in memory, re-arming ending with the
// write lock, and a seeded model run of
// writes, growth, frees, markers, undo, redo, drops and saves checked after
// every step and after reopening (objects of one page and of three).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "db_test_support.h"
#include "db_undo.h"
#include "durnavel.h"
#include "dv_test_seed.h"
#include "dvdb.h"
#include "fault_filter.h"
#include "page.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

__attribute__((noinline)) int read_word(const void* p) { return *static_cast<const volatile int*>(p); }

// Objects that fill one page each (or, large, three pages), known by their
// offset in the image, with a pattern that depends on the offset and a seed.
constexpr unsigned kLargeBytes = 3 * kPage - 64;

char* new_object(dv_database* db, unsigned bytes = kSlotBytes) {
  return static_cast<char*>(::operator new(bytes, db, dv_typespec::get_char(), bytes));
}
unsigned offset_of(dv_database* db, const char* object) {
  return static_cast<unsigned>(object - internal(db)->space_start());
}
char* object_at(dv_database* db, unsigned offset) { return internal(db)->space_start() + offset; }
void fill(dv_database* db, unsigned offset, unsigned seed, unsigned bytes = kSlotBytes) {
  auto* words = reinterpret_cast<unsigned*>(object_at(db, offset));
  for (unsigned w = 0; w < bytes / 4; ++w) words[w] = pattern_word(offset, w, seed);
}
bool holds(dv_database* db, unsigned offset, unsigned seed, unsigned bytes = kSlotBytes) {
  const auto* words = reinterpret_cast<const unsigned*>(object_at(db, offset));
  for (unsigned w = 0; w < bytes / 4; ++w)
    if (words[w] != pattern_word(offset, w, seed)) return false;
  return true;
}

class Undo : public db_test {
 protected:
  void TearDown() override { durnavel::set_maximum_undo_operations(0); }

  // A saved database with n objects of seed 1.
  dv_database* make(unsigned n) {
    dv_database* db = dv_database::create(path("undo.db").c_str(), 0644, 1, 0);
    for (unsigned i = 0; i < n; ++i) {
      offsets_.push_back(offset_of(db, new_object(db)));
      fill(db, offsets_.back(), 1);
    }
    db->save();
    return db;
  }
  dv_database* reopen(dv_database* db) {
    db->close();
    return dv_database::open(path("undo.db").c_str(), 0, 0, 0);
  }
  // The seeds the objects hold, in order (0 for a pattern of no seed up to 9).
  std::vector<unsigned> seeds(dv_database* db) const {
    std::vector<unsigned> out;
    for (unsigned offset : offsets_) {
      unsigned found = 0;
      for (unsigned s = 1; s <= 9 && found == 0; ++s)
        if (holds(db, offset, s)) found = s;
      out.push_back(found);
    }
    return out;
  }
  _Page* page_object(dv_database* db, unsigned offset) {
    return internal(db)->find_page(DVDB::page_of(object_at(db, offset)));
  }

  std::vector<unsigned> offsets_;
};

using seeds_t = std::vector<unsigned>;

TEST_F(Undo, WithALimitOfTwoThreeMarkersKeepTheNewestTwo) {
  durnavel::set_maximum_undo_operations(2);
  dv_database* db = make(3);
  for (unsigned i = 0; i < 3; ++i) {
    db->set_undo_marker();
    fill(db, offsets_[i], 2 + i);
  }
  EXPECT_EQ(internal(db)->undo_records()->undo_count(), 2u);
  EXPECT_EQ(seeds(db), (seeds_t{2, 3, 4}));
  db->undo(5);
  EXPECT_EQ(seeds(db), (seeds_t{2, 1, 1})) << "the first step is forgotten";
  EXPECT_EQ(db->is_undoable(), 0);
  EXPECT_EQ(db->is_redoable(), 1);
  db->redo(5);
  EXPECT_EQ(seeds(db), (seeds_t{2, 3, 4}));
  EXPECT_EQ(db->is_redoable(), 0);
  db->self_check();
  db->close();
}

// Each step writes a different set of objects; undo walks back one step at
// a time, redo forward again, and every object is as it stood at each point.
TEST_F(Undo, UndoThenRedoRestoresEachPage) {
  dv_database* db = make(4);
  struct step {
    std::vector<unsigned> objects;  // written after the marker
    unsigned seed;
  };
  const step steps[] = {{{0, 1}, 2}, {{1, 2}, 3}, {{0, 3}, 4}, {{2}, 5}};
  std::vector<seeds_t> states{seeds(db)};
  for (const step& s : steps) {
    db->set_undo_marker();
    for (unsigned i : s.objects) fill(db, offsets_[i], s.seed);
    states.push_back(seeds(db));
  }
  EXPECT_EQ(states.back(), (seeds_t{4, 3, 5, 4}));
  for (size_t back = states.size() - 1; back > 0; --back) {
    db->undo(1);
    EXPECT_EQ(seeds(db), states[back - 1]) << "after undoing step " << back;
  }
  EXPECT_EQ(db->is_undoable(), 0);
  for (size_t forward = 1; forward < states.size(); ++forward) {
    db->redo(1);
    EXPECT_EQ(seeds(db), states[forward]) << "after redoing step " << forward;
  }
  db->undo(2);
  EXPECT_EQ(seeds(db), states[2]);
  db->redo(2);
  EXPECT_EQ(seeds(db), states[4]);
  db->self_check();
  db->close();
}

TEST_F(Undo, AWriteAfterUndoClearsRedo) {
  dv_database* db = make(2);
  db->set_undo_marker();
  fill(db, offsets_[0], 2);
  db->set_undo_marker();
  fill(db, offsets_[1], 3);
  db->undo(1);
  EXPECT_EQ(db->is_redoable(), 1);
  (void)read_word(object_at(db, offsets_[1]));
  EXPECT_EQ(db->is_redoable(), 1) << "a read changes nothing";
  fill(db, offsets_[0], 4);
  EXPECT_EQ(db->is_redoable(), 0);
  db->redo(1);
  EXPECT_EQ(seeds(db), (seeds_t{4, 1}));
  db->undo(1);
  EXPECT_EQ(seeds(db), (seeds_t{1, 1})) << "the write after undo belongs to the first step";
  db->close();
}

TEST_F(Undo, APageWrittenTwiceAfterAMarkerIsRecordedOnce) {
  dv_database* db = make(1);
  db->set_undo_marker();
  unsigned faults = _VRN_fault_count();
  fill(db, offsets_[0], 2);
  fill(db, offsets_[0], 3);
  EXPECT_EQ(_VRN_fault_count(), faults + 1);
  db->undo(1);
  EXPECT_EQ(seeds(db), (seeds_t{1})) << "the record holds the page as it stood at the marker";
  db->close();
}

// A page that grew after the marker leaves the database on undo (the image
// is smaller again, the address beyond its end) and comes back on redo.
TEST_F(Undo, UndoAcrossAGrownPage) {
  dv_database* db = make(1);
  const unsigned size_before = db->size();
  db->set_undo_marker();
  const unsigned grown = offset_of(db, new_object(db));
  fill(db, grown, 7);
  ASSERT_GE(grown, size_before);
  ASSERT_GT(db->size(), size_before);
  const unsigned size_after = db->size();

  db->undo(1);
  EXPECT_EQ(db->size(), size_before);
  EXPECT_EQ(page_object(db, grown), nullptr);
  expect_error<dv_err_illegal_pointer>(
      [&] { (void)read_word(object_at(db, grown)); },
      format("dv_err_illegal_pointer - Attempt to dereference the persistent pointer %#x, but it is beyond the end of "
             "the database (%s).",
             word(object_at(db, grown)), path("undo.db").c_str()));
  db->self_check();

  db->redo(1);
  EXPECT_EQ(db->size(), size_after);
  ASSERT_NE(page_object(db, grown), nullptr);
  EXPECT_EQ(page_object(db, grown)->get_lock(), _Page::LW) << "the file has not got it";
  EXPECT_TRUE(holds(db, grown, 7));
  db->self_check();
  db->save();
  db = reopen(db);
  EXPECT_EQ(db->size(), size_after);
  EXPECT_TRUE(holds(db, grown, 7));

  db->set_undo_marker();
  const unsigned again = offset_of(db, new_object(db));
  fill(db, again, 8);
  db->undo(1);
  db->save();
  db = reopen(db);
  EXPECT_EQ(db->size(), size_after) << "an undone growth is not saved";
  db->self_check();
  db->close();
}

// A page modified before the marker and written again after it differs
// from the file after undo: it stays write-locked, so save writes it. A
// page that was as the file holds it at the marker is read-locked again.
TEST_F(Undo, UndoThenSaveWritesTheUndoneState) {
  dv_database* db = make(2);
  fill(db, offsets_[0], 2);
  db->set_undo_marker();
  fill(db, offsets_[0], 3);
  fill(db, offsets_[1], 4);
  db->undo(1);
  EXPECT_EQ(seeds(db), (seeds_t{2, 1}));
  EXPECT_EQ(page_object(db, offsets_[0])->get_lock(), _Page::LW);
  EXPECT_EQ(page_object(db, offsets_[1])->get_lock(), _Page::LR);
  EXPECT_EQ(db->is_modified(), 1);
  db->save();
  db = reopen(db);
  EXPECT_EQ(seeds(db), (seeds_t{2, 1}));
  db->close();
}

// A page an undo record keeps stays in memory when pages are dropped: redo
// needs it as it is.
TEST_F(Undo, PagesKeptByUndoAreNotDropped) {
  dv_database* db = make(3);
  db->set_undo_marker();
  fill(db, offsets_[0], 2);
  db->undo(1);
  EXPECT_EQ(page_object(db, offsets_[0])->get_lock(), _Page::LR);
  db->return_all_pages();
  EXPECT_NE(page_object(db, offsets_[0]), nullptr);
  EXPECT_EQ(page_object(db, offsets_[2]), nullptr) << "other pages are dropped";
  db->redo(1);
  EXPECT_EQ(seeds(db), (seeds_t{2, 1, 1}));
  db->save();
  db->return_all_pages();
  EXPECT_EQ(page_object(db, offsets_[0]), nullptr) << "after save nothing keeps it";
  db->close();
}

// Re-arming concerns a write-locked page only: once a page is read-locked
// (save) or left without access (as an abort leaves it) its next write is
// logged again.
TEST_F(Undo, ReArmingEndsWithTheWriteLock) {
  dv_database* db = make(2);
  fill(db, offsets_[0], 2);
  fill(db, offsets_[1], 2);
  EXPECT_EQ(logged_images(path("undo.db")), 2);
  db->set_undo_marker();
  _Page* first = page_object(db, offsets_[0]);
  _Page* second = page_object(db, offsets_[1]);
  EXPECT_TRUE(first->is_rearmed());
  first->downgrade();
  EXPECT_FALSE(first->is_rearmed());
  fill(db, offsets_[0], 3);
  EXPECT_EQ(logged_images(path("undo.db")), 3) << "read again and logged again";
  fill(db, offsets_[1], 3);
  EXPECT_EQ(logged_images(path("undo.db")), 3) << "re-armed: logged already";
  db->save();
  db->set_undo_marker();
  EXPECT_FALSE(second->is_rearmed()) << "read-locked by the save";
  fill(db, offsets_[1], 4);
  EXPECT_EQ(logged_images(path("undo.db")), 1);
  db->close();
}

TEST_F(Undo, RefusedOnTheTransientDatabase) {
  durnavel::initialize();
  expect_error<dv_err_database_transient>([] { dv_database::get_transient_database()->set_undo_marker(); },
                                          "dv_err_database_transient - Illegal operation on transient database");
  expect_error<dv_err_database_transient>([] { dv_database::get_transient_database()->undo(1); },
                                          "dv_err_database_transient - Illegal operation on transient database");
}

// The model: the seed and size of every live object (by offset) and the
// image size; the undo and redo stacks of such states.
struct model_object {
  unsigned seed;
  unsigned bytes;
};
struct model_state {
  std::map<unsigned, model_object> objects;
  unsigned size = 0;
};

TEST_F(Undo, ModelRun) {
  const unsigned seed = dv_test::seed();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  constexpr unsigned kLimit = 4;
  durnavel::set_maximum_undo_operations(kLimit);

  dv_database* db = make(3);
  model_state now;
  for (unsigned offset : offsets_) now.objects[offset] = {1, kSlotBytes};
  now.size = db->size();
  std::vector<model_state> undo_stack, redo_stack;

  auto check = [&](int step, const char* what) {
    SCOPED_TRACE(std::to_string(step) + ": " + what);
    ASSERT_EQ(db->size(), now.size);
    for (const auto& [offset, o] : now.objects) ASSERT_TRUE(holds(db, offset, o.seed, o.bytes)) << "object at " << offset;
    ASSERT_EQ(db->is_undoable(), undo_stack.empty() ? 0 : 1);
    ASSERT_EQ(db->is_redoable(), redo_stack.empty() ? 0 : 1);
    db->self_check();
  };

  // One random operation on the database and the model, named in what.
  const char* what = "";
  auto operate = [&] {
    const unsigned op = below(100);
    if (op < 30 && !now.objects.empty()) {
      what = "write";
      auto it = std::next(now.objects.begin(), below(static_cast<unsigned>(now.objects.size())));
      it->second.seed = 1 + below(9);
      fill(db, it->first, it->second.seed, it->second.bytes);
      redo_stack.clear();
    } else if (op < 42) {
      what = "new object";
      const unsigned bytes = below(4) == 0 ? kLargeBytes : kSlotBytes;
      const unsigned offset = offset_of(db, new_object(db, bytes));
      now.objects[offset] = {1 + below(9), bytes};
      fill(db, offset, now.objects[offset].seed, bytes);
      now.size = db->size();
      redo_stack.clear();
    } else if (op < 48 && now.objects.size() > 1) {
      // Only one-page objects are freed: an allocation into a freed region
      // whose pages are read-only (after a save or a marker) is refused as
      // heap corruption, with or without undo (the write fault on the
      // region's last page looks the object up in the half-rewritten region).
      what = "free";
      auto it = std::next(now.objects.begin(), below(static_cast<unsigned>(now.objects.size())));
      if (it->second.bytes != kSlotBytes) return;
      durnavel::free_memory(object_at(db, it->first));
      now.objects.erase(it);
      redo_stack.clear();
    } else if (op < 64) {
      what = "marker";
      db->set_undo_marker();
      undo_stack.push_back(now);
      if (undo_stack.size() > kLimit) undo_stack.erase(undo_stack.begin());
      redo_stack.clear();
    } else if (op < 78) {
      what = "undo";
      const unsigned n = 1 + below(3);
      db->undo(n);
      for (unsigned i = 0; i < n && !undo_stack.empty(); ++i) {
        redo_stack.push_back(now);
        now = undo_stack.back();
        undo_stack.pop_back();
      }
    } else if (op < 90) {
      what = "redo";
      const unsigned n = 1 + below(3);
      db->redo(n);
      for (unsigned i = 0; i < n && !redo_stack.empty(); ++i) {
        undo_stack.push_back(now);
        now = redo_stack.back();
        redo_stack.pop_back();
      }
    } else if (op < 95) {
      what = "drop";
      db->return_all_pages();
    } else {
      what = "save";
      db->save();
      undo_stack.clear();
      redo_stack.clear();
    }
  };

  for (int step = 0; step < 400; ++step) {
    try {
      operate();
    } catch (...) {
      FAIL() << "step " << step << " (" << what << "): " << current_report();
    }
    check(step, what);
    if (HasFatalFailure()) return;
  }
  db->save();
  db = reopen(db);
  undo_stack.clear();
  redo_stack.clear();
  check(-1, "reopened");
  db->close();
}

}  // namespace
