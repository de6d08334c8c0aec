// Copying a dictionary representation into storage of its own.
#pragma once

namespace dv_qem {

class dv_dictionary;

// A new representation next to where with source's key type, key size, order
// and duplicates rule, holding source's entries (each walked with its key,
// passed back as the dictionary operations take keys). Never null.
dv_dictionary* _Coll_copy_dictionary(const dv_dictionary& source, const void* where);

}  // namespace dv_qem
