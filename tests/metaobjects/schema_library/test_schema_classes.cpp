// The persistent classes of a test application, built as a shared library of
// their own: loading a schema whose location names this library registers
// the typespec below.
#include "dv_typespec.h"

namespace {

struct MopTestGadget {
  int id;
  MopTestGadget* next;
};

}  // namespace

DV_DEFINE_TYPESPEC(MopTestGadget, "MopTestGadget", DV_POINTERS(4), DV_NO_VTABLES);
