// The count behind dv_olestorage_live_objects.
#include "live_objects.h"

#include <atomic>

namespace dv_qem {

namespace {
std::atomic<ULONG> live_count{0};
}

live_object::live_object() { ++live_count; }
live_object::~live_object() { --live_count; }

ULONG dv_olestorage_live_objects() { return live_count.load(); }

}  // namespace dv_qem
