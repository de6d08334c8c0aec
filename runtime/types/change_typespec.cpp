// Retyping a stored object in place (_VRN_change_typespec).
#include "db_allocator.h"
#include "dv_assertions.h"
#include "dv_err.h"
#include "db_space.h"
#include "type_manager.h"

namespace dv_qem {

dv4u _VRN_change_typespec(void* object, dv_database* db, const dv_typespec* old_ts, dv4u old_count,
                          const dv_typespec* new_ts, dv4u new_count) {
  _DB_space* owner = _DB_space_holding(object);
  DV_ASSERT_THAT(owner != nullptr && owner == _DB_space_of(db), dv_database_of_obj_eq_db);
  DV_ASSERT_THAT(new_count != 0, count_ne_0);
  _DB_allocator* allocator = owner->space_allocator();
  DV_ASSERT(allocator != nullptr);
  _DB_allocator::object_info info;
  DV_ASSERT_THAT(allocator->object_at(object, info), dv_database_of_obj_eq_db);
  _Obj_header* block = info.block;
  _Type_table& types = allocator->types();

  DV_ASSERT_THAT(block->tag() == types.tag_of(old_ts), old_tag_in_obj_eq_old_tag_from_typespec);
  dv4u block_size = block->block_size(types);
  dv4u new_size = _Obj_header::block_size_for(new_ts->get_size(), new_count, block->has_vector_header(), false);
  if (block->has_extra_bytes())
    DV_ASSERT_THAT(new_size == block_size - EXTRA_BYTES_IN_BLOCK, new_sz_fills_block_less_extra);
  else
    DV_ASSERT_THAT(new_size == block_size, new_sz_eq_ohdr_get_block_size_dba);
  DV_ASSERT_THAT(block->count() == old_count, old_cnt_in_obj_eq_old_count);
  if (!block->is_large_form())
    DV_ASSERT_THAT(new_count <= LARGEST_SMALL_ARRAY_COUNT, count_le_largest_small_array_count);

  block->retype(types.tag_of(new_ts), new_count);
  return old_count;
}

}  // namespace dv_qem
