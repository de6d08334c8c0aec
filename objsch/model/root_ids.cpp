// The Root's id counters.
#include "root.h"

unsigned long Root::DrawId(IdCounter counter) {
  unsigned long* cell = m_aCounters->retrieve(counter);
  return ++*cell;
}
