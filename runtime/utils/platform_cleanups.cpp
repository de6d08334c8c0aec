// Clean-up lists: functions registered by the runtime's parts to run when the
// library is unloaded, list 0 first and newest first within a list.
#include <pthread.h>

#include <atomic>
#include <memory>

#include "dv_err.h"
#include "dv_platform.h"

namespace dv_qem {

namespace {

struct cleanup_entry {
  void (*plain)();          // called without an argument, or null
  void (*with_arg)(void*);  // called with arg, or null
  int list;                 // 0..3
  void* arg;
  cleanup_entry* next;  // the next older entry of any list
};

constexpr int kLists = 4;

// A plain mutex with no destructor: it must outlive every static object.
pthread_mutex_t chain_mutex = PTHREAD_MUTEX_INITIALIZER;
cleanup_entry* chain = nullptr;  // newest first
std::atomic<bool> running{false};

void push(cleanup_entry* entry) {
  pthread_mutex_lock(&chain_mutex);
  entry->next = chain;
  chain = entry;
  pthread_mutex_unlock(&chain_mutex);
}

// Unlinks the newest entry of list, or returns null when it has none.
cleanup_entry* take_newest(int list) {
  pthread_mutex_lock(&chain_mutex);
  cleanup_entry** link = &chain;
  while (*link != nullptr && (*link)->list != list) link = &(*link)->next;
  cleanup_entry* entry = *link;
  if (entry != nullptr) *link = entry->next;
  pthread_mutex_unlock(&chain_mutex);
  return entry;
}

__attribute__((destructor)) void run_cleanups_at_unload() { _VRN_run_cleanups(); }

}  // namespace

void _VRN_register_cleanup(void (*fn)(), int list) {
  DV_ASSERT(list >= 0 && list < kLists);
  push(new cleanup_entry{fn, nullptr, list, nullptr, nullptr});
}

void _VRN_register_cleanup_arg(void (*fn)(void*), void* arg, int list) {
  DV_ASSERT(list >= 0 && list < kLists);
  push(new cleanup_entry{nullptr, fn, list, arg, nullptr});
}

void _VRN_run_cleanups() {
  if (running.exchange(true)) return;
  struct end_of_run {
    ~end_of_run() { running.store(false); }
  } end;
  for (int list = 0; list < kLists; ++list) {
    while (cleanup_entry* taken = take_newest(list)) {
      std::unique_ptr<cleanup_entry> entry(taken);
      if (entry->plain != nullptr)
        entry->plain();
      else
        entry->with_arg(entry->arg);
    }
  }
}

}  // namespace dv_qem
