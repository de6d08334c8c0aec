// The ODBC C interface (unixODBC's headers) over the framework's basic
// types: the two headers name the same Windows types, the framework's
// definitions come first and the ODBC headers add what they lack.
#pragma once

#include "fw_types.h"

#include <sql.h>
#include <sqlext.h>

static_assert(sizeof(SQLLEN) == sizeof(long), "length arrays are long arrays, as the framework binds them");
