// The collections library's public surface in one include.
#pragma once

#include "dv_array.h"
#include "dv_coll_err.h"
#include "dv_coll_range.h"
#include "dv_coll_rep_registry.h"
#include "dv_coll_session.h"
#include "dv_coll_typed.h"
#include "dv_coll_user_ext_cursor.h"
#include "dv_collection.h"
#include "dv_cursor.h"
#include "dv_cursor_views.h"
#include "dv_outofline_collection.h"
#include "dv_pset.h"
#include "dv_soft_pointer.h"
